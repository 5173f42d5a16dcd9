#include "cli/ProbeLines.h"

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/DoctorCommand.h"
#include "cli/DeviceSelection.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/ProgressMeter.h"

#include <algorithm>

namespace vantor::cli {

std::string WithHint(const CommonOptions& options, const std::string& text) {
  const std::string hint = DiagnosisHint(options);
  return hint.empty() ? text : text + "\n" + hint;
}

std::string VersionDisplay(std::uint32_t versionWord) {
  return VersionText(static_cast<std::uint16_t>(versionWord & 0xFFFF), static_cast<std::uint16_t>(versionWord >> 16));
}

nlohmann::json FirmwareJson(const ControllerReport& report) {
  if (!report.versionReported || report.noFirmware) return nullptr;
  return VersionJson(static_cast<std::uint16_t>(report.versionWord & 0xFFFF),
                     static_cast<std::uint16_t>(report.versionWord >> 16));
}

std::optional<int> DeviceProblem(const CommonOptions& options, const ControllerReport& report) {
  switch (workflow::ProblemOf(report)) {
    case workflow::ControllerProblem::kNone:
      return std::nullopt;
    case workflow::ControllerProblem::kNotPresent:
      return Fail(options, kExitNoController, "no-controller", WithHint(options, LocalizedText(text::kNoController)));
    case workflow::ControllerProblem::kNoPermission:
      return Fail(options, kExitNoPermission, "no-permission", WithHint(options, LocalizedText(text::kNoPermission)));
    case workflow::ControllerProblem::kBusy:
      return Fail(options, kExitUpdateFailed, "controller-busy", LocalizedText(vantor::text::kDeviceBusy));
    case workflow::ControllerProblem::kUnopenable:
      break;
  }
  return Fail(options, kExitUpdateFailed, "controller-unopenable",
              Format(LocalizedText(text::kControllerUnopenable).c_str(), report.path.c_str()));
}

void AddProbeJson(nlohmann::json& document, const ControllerReport& report) {
  document["controller"] = {
      {"path", report.path},
      {"vendorId", Hex16(report.vendorId)},
      {"productId", Hex16(report.productId)},
      {"protocol", hid::ProtocolName(report.protocol)},
      {"deviceType", report.deviceType ? nlohmann::json(*report.deviceType) : nlohmann::json()},
      {"deviceVariant", report.deviceVariant ? nlohmann::json(*report.deviceVariant) : nlohmann::json()},
  };
  document["firmware"] = FirmwareJson(report);
  document["versionWord"] = report.versionReported ? nlohmann::json(Hex32(report.versionWord)) : nlohmann::json();
  document["noFirmware"] = report.noFirmware;
  document["radioVersion"] = report.radioVersion ? nlohmann::json(*report.radioVersion) : nlohmann::json();
  document["radioVersionUnreadable"] = report.radioVersionUnreadable;
  const char* const mode = workflow::ModeName(report.mode);
  document["mode"] = mode != nullptr ? nlohmann::json(mode) : nlohmann::json();
}

std::vector<std::string> ProbeLines(const ControllerReport& report) {
  const auto label = [](TextSlot slot) {
    const std::string text = LocalizedText(slot);
    return text + std::string(static_cast<std::size_t>(std::max(1, 12 - DisplayWidth(text))), ' ');
  };
  std::vector<std::string> lines;
  lines.push_back(label(text::kLabelController) + Printable(report.path) + " (" + Hex16(report.vendorId).substr(2) + ":" +
                  Hex16(report.productId).substr(2) + ")");
  lines.push_back(label(text::kLabelProtocol) + hid::ProtocolName(report.protocol));
  if (report.noFirmware) {
    lines.push_back(label(text::kLabelFirmware) + LocalizedText(text::kFirmwareNone));
  } else if (report.versionReported) {
    lines.push_back(label(text::kLabelFirmware) + VersionDisplay(report.versionWord) + " (" +
                    Hex32(report.versionWord) + ")");
  } else {
    lines.push_back(label(text::kLabelFirmware) + LocalizedText(text::kFirmwareNotReported));
  }
  if (report.versionReported) {
    const TextSlot mode = report.mode == workflow::ControllerMode::kBoot     ? text::kModeBoot
                          : report.mode == workflow::ControllerMode::kNormal ? text::kModeNormal
                                                                               : text::kModeNotReported;
    lines.push_back(label(text::kLabelMode) + LocalizedText(mode));
  }
  if (report.deviceType) {
    lines.push_back(label(text::kLabelDevice) + Format("type %u, variant %u", static_cast<unsigned>(*report.deviceType),
                                                       static_cast<unsigned>(*report.deviceVariant)));
  }
  // The radio keeps the version its package section gives (1.02 is 102), shown as the
  // package shows it.
  if (report.radioVersion) lines.push_back(label(text::kLabelRadio) + VersionText(*report.radioVersion, 0));
  return lines;
}

}  // namespace vantor::cli
