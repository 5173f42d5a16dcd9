#pragma once
// A controller's report in the command line's words and JSON (`info`, `flash`, `list`).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CliOptions.h"
#include "workflow/ControllerReport.h"

namespace vantor::cli {

using workflow::ControllerReport;

// A version word as users read it: "1.56", "1.50 beta2".
std::string VersionDisplay(std::uint32_t versionWord);
// The controller's firmware version in the JSON form, or null when there is none.
nlohmann::json FirmwareJson(const ControllerReport& report);

// Why no command can go on with this controller (none attached, no permission, busy),
// said and turned into an exit code; nothing when it can.
std::optional<int> DeviceProblem(const CommonOptions& options, const ControllerReport& report);

// `text` with the failed check and the pointer to `doctor` below it (USB only).
std::string WithHint(const CommonOptions& options, const std::string& text);

// The fields `info` and `flash` share (docs/json.md): controller, firmware,
// versionWord, noFirmware, radioVersion, radioVersionUnreadable, mode.
void AddProbeJson(nlohmann::json& document, const ControllerReport& report);
std::vector<std::string> ProbeLines(const ControllerReport& report);

}  // namespace vantor::cli
