#include "cli/ProbeReport.h"

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/ProgressMeter.h"

#include <algorithm>

namespace vantor::cli {

std::string VersionDisplay(std::uint32_t versionWord) {
  return VersionText(static_cast<std::uint16_t>(versionWord & 0xFFFF), static_cast<std::uint16_t>(versionWord >> 16));
}

nlohmann::json FirmwareJson(const ProbeReport& report) {
  if (!report.versionReported || report.noFirmware) return nullptr;
  return VersionJson(static_cast<std::uint16_t>(report.versionWord & 0xFFFF),
                     static_cast<std::uint16_t>(report.versionWord >> 16));
}

ProbeReport ReadProbe(UpdateSession& session) {
  ProbeReport report;
  report.present = session.hid.m_bDevicePresent == 1;
  const std::optional<hid::FoundController> detected = session.hid.Detected();
  if (!report.present || !detected) return report;
  report.openError = session.hid.LastOpenError();
  report.path = detected->path;
  report.vendorId = detected->vendorId;
  report.productId = detected->productId;
  report.protocol = detected->protocol;
  report.versionWord = session.deviceVersion;
  report.versionReported = report.versionWord != kVersionNotReported;
  report.noFirmware = report.versionWord == kNoFirmware;
  if (report.protocol == hid::Protocol::kAddressed && report.versionReported) {
    report.deviceType = session.probe.deviceType;
    report.deviceVariant = session.probe.deviceVariant;
    report.radioVersion = session.probe.radioVersion;
    report.radioVersionUnreadable = session.probe.radioVersionUnreadable;
  }
  return report;
}

std::optional<int> DeviceProblem(const CommonOptions& options, const ProbeReport& report) {
  if (!report.present) return Fail(options, kExitNoController, "no-controller", LocalizedText(text::kNoController));
  switch (report.openError) {
    case hid::OpenError::kNone:
      return std::nullopt;
    case hid::OpenError::kAccessDenied:
      return Fail(options, kExitNoPermission, "no-permission", LocalizedText(text::kNoPermission));
    case hid::OpenError::kBusy:
      return Fail(options, kExitUpdateFailed, "controller-busy", LocalizedText(vantor::text::kDeviceBusy));
    case hid::OpenError::kNotFound:
      return Fail(options, kExitNoController, "no-controller", LocalizedText(text::kNoController));
    case hid::OpenError::kOther:
      break;
  }
  return Fail(options, kExitUpdateFailed, "controller-unopenable",
              Format(LocalizedText(text::kControllerUnopenable).c_str(), report.path.c_str()));
}

void AddProbeJson(nlohmann::json& document, const ProbeReport& report) {
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
}

std::vector<std::string> ProbeLines(const ProbeReport& report) {
  const auto label = [](TextSlot slot) {
    const std::string text = LocalizedText(slot);
    return text + std::string(static_cast<std::size_t>(std::max(1, 12 - DisplayWidth(text))), ' ');
  };
  std::vector<std::string> lines;
  lines.push_back(label(text::kLabelController) + report.path + " (" + Hex16(report.vendorId).substr(2) + ":" +
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
  if (report.deviceType) {
    lines.push_back(label(text::kLabelDevice) + Format("type %u, variant %u", static_cast<unsigned>(*report.deviceType),
                                                       static_cast<unsigned>(*report.deviceVariant)));
  }
  if (report.radioVersion) lines.push_back(label(text::kLabelRadio) + Hex16(*report.radioVersion));
  return lines;
}

}  // namespace vantor::cli
