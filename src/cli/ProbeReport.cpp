#include "cli/ProbeReport.h"

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"

namespace vantor::cli {

std::string VersionDisplay(std::uint32_t versionWord) {
  const unsigned beta = versionWord >> 16;
  const std::string version = Format("%.2f", (versionWord & 0xFFFF) / 100.0);
  return beta == 0 ? version : Format("%s beta%u", version.c_str(), beta);
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
  }
  return report;
}

std::optional<int> DeviceProblem(const CommonOptions& options, const ProbeReport& report) {
  if (!report.present) return Fail(options, kExitNoController, LocalizedText(text::kNoController));
  switch (report.openError) {
    case hid::OpenError::kNone:
      return std::nullopt;
    case hid::OpenError::kAccessDenied:
      return Fail(options, kExitNoPermission, LocalizedText(text::kNoPermission));
    case hid::OpenError::kBusy:
      return Fail(options, kExitUpdateFailed, LocalizedText(text::kDeviceBusy));
    case hid::OpenError::kNotFound:
      return Fail(options, kExitNoController, LocalizedText(text::kNoController));
    case hid::OpenError::kOther:
      break;
  }
  return Fail(options, kExitUpdateFailed, "the controller at " + report.path + " could not be opened");
}

nlohmann::json ProbeJson(const ProbeReport& report) {
  nlohmann::json document = {
      {"path", report.path},
      {"vendorId", Hex16(report.vendorId)},
      {"productId", Hex16(report.productId)},
      {"protocol", hid::ProtocolName(report.protocol)},
      {"versionReported", report.versionReported},
      {"noFirmware", report.noFirmware},
  };
  document["versionWord"] = report.versionReported ? nlohmann::json(Hex32(report.versionWord)) : nlohmann::json();
  const bool hasVersion = report.versionReported && !report.noFirmware;
  document["version"] = hasVersion ? nlohmann::json(VersionDisplay(report.versionWord)) : nlohmann::json();
  document["deviceType"] = report.deviceType ? nlohmann::json(*report.deviceType) : nlohmann::json();
  document["deviceVariant"] = report.deviceVariant ? nlohmann::json(*report.deviceVariant) : nlohmann::json();
  document["radioVersion"] = report.radioVersion ? nlohmann::json(*report.radioVersion) : nlohmann::json();
  return document;
}

std::vector<std::string> ProbeLines(const ProbeReport& report) {
  std::vector<std::string> lines;
  lines.push_back("controller: " + report.path + " (" + Hex16(report.vendorId).substr(2) + ":" +
                  Hex16(report.productId).substr(2) + ")");
  lines.push_back(std::string("protocol:   ") + hid::ProtocolName(report.protocol));
  if (report.noFirmware) {
    lines.push_back("firmware:   none (the controller holds no firmware)");
  } else if (report.versionReported) {
    lines.push_back("firmware:   " + VersionDisplay(report.versionWord) + " (version word " + Hex32(report.versionWord) +
                    ")");
  } else {
    lines.push_back("firmware:   not reported (the controller did not answer the version query)");
  }
  if (report.deviceType) {
    lines.push_back(Format("device:     type %u, variant %u", static_cast<unsigned>(*report.deviceType),
                           static_cast<unsigned>(*report.deviceVariant)));
  }
  if (report.radioVersion) lines.push_back("radio:      version " + Hex16(*report.radioVersion));
  return lines;
}

}  // namespace vantor::cli
