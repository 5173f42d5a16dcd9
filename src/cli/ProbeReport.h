#pragma once
// What the dialog's start learned about the attached controller (detection, open and
// the version probe), gathered for `info`, `flash` and their JSON.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "session/UpdateSession.h"
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
  std::optional<std::uint16_t> deviceType;  // addressed controllers only
  std::optional<std::uint8_t> deviceVariant;
  std::optional<std::uint16_t> radioVersion;
  bool radioVersionUnreadable = false;
};

// Call after UpdateController::Start: what detection and the probe learned.
ProbeReport ReadProbe(UpdateSession& session);

// A version word as users read it: "1.56", "1.50 beta2".
std::string VersionDisplay(std::uint32_t versionWord);
// The controller's firmware version in the JSON form, or null when there is none.
nlohmann::json FirmwareJson(const ProbeReport& report);

// Why no command can go on with this controller (none attached, no permission, busy),
// reported and turned into an exit code; nothing when it can.
std::optional<int> DeviceProblem(const CommonOptions& options, const ProbeReport& report);

// The fields `info` and `flash` share (docs/json.md): controller, firmware,
// versionWord, noFirmware, radioVersion, radioVersionUnreadable.
void AddProbeJson(nlohmann::json& document, const ProbeReport& report);
std::vector<std::string> ProbeLines(const ProbeReport& report);

}  // namespace vantor::cli
