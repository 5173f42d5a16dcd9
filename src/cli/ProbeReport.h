#pragma once
// What the dialog's start learned about the attached controller (detection, open and
// the version probe), gathered for `info`, `flash` and their JSON.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/UpdateSession.h"
#include "cli/CliOptions.h"
#include "cli/TerminalView.h"
#include "hid/SupportedDevices.h"

namespace vantor::cli {

struct ProbeReport {
  bool present = false;
  hid::OpenError openError = hid::OpenError::kNone;
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  hid::Protocol protocol = hid::Protocol::kFramed;
  bool versionReported = false;  // the controller answered the probe
  std::uint32_t versionWord = 0;
  bool noFirmware = false;
  std::optional<std::string> versionText;  // as the title shows it: "GamePad V1.56", "Fw v1.5 beta2"
  std::optional<std::uint16_t> deviceType;  // addressed controllers only
  std::optional<std::uint8_t> deviceVariant;
  std::optional<std::uint16_t> radioVersion;
};

// Call after UpdateController::Start.
ProbeReport ReadProbe(UpdateSession& session, const TerminalView& view);

// The part of a version title after the product title, without its parentheses:
// "Vantor Update v2.00(GamePad V1.56)" -> "GamePad V1.56". Nothing for a plain title.
std::optional<std::string> VersionFromTitle(const std::string& title, const std::string& productTitle);

// Why no command can go on with this controller (none attached, no permission, busy),
// reported and turned into an exit code; nothing when it can.
std::optional<int> DeviceProblem(const CommonOptions& options, const ProbeReport& report);

nlohmann::json ProbeJson(const ProbeReport& report);
std::vector<std::string> ProbeLines(const ProbeReport& report);

}  // namespace vantor::cli
