#include "cli/ProbeReport.h"

#include "app/Format.h"
#include "app/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"

namespace vantor::cli {
namespace {

// The addressed query's own box when the radio's version cannot be read.
constexpr const char* kRadioVersionFailed = "Get ble version failed";

}  // namespace

std::optional<std::string> VersionFromTitle(const std::string& title, const std::string& productTitle) {
  if (title.size() <= productTitle.size() + 2 || title.compare(0, productTitle.size(), productTitle) != 0) {
    return std::nullopt;
  }
  std::string rest = title.substr(productTitle.size());
  if (rest.front() != '(' || rest.back() != ')') return std::nullopt;
  return rest.substr(1, rest.size() - 2);
}

ProbeReport ReadProbe(UpdateSession& session, const TerminalView& view) {
  ProbeReport report;
  report.present = session.hid.m_bDevicePresent == 1;
  if (!report.present) return report;
  report.openError = session.hid.LastOpenError();
  report.path = session.hid.DevicePath();
  report.protocol = session.hid.isAddressedDevice == 1 ? hid::Protocol::kAddressed : hid::Protocol::kFramed;
  for (const hid::FoundController& controller : session.hid.ListControllers()) {
    if (controller.path != report.path) continue;
    report.vendorId = controller.vendorId;
    report.productId = controller.productId;
    break;
  }
  report.versionWord = session.deviceVersion;
  report.versionReported = report.versionWord != kVersionNotReported;
  report.noFirmware = report.versionWord == kNoFirmware;
  const std::string product = ProductTitle();
  for (const std::string& title : view.titles()) {
    if (std::optional<std::string> version = VersionFromTitle(title, product)) report.versionText = version;
  }
  if (report.protocol == hid::Protocol::kAddressed && report.versionReported) {
    report.deviceType = session.state.deviceType();
    report.deviceVariant = session.state.deviceVariant();
    bool radioFailed = false;
    for (const std::string& message : view.messages()) {
      if (message.rfind(kRadioVersionFailed, 0) == 0) radioFailed = true;
    }
    if (!radioFailed && session.hasBleImage == 1) {
      report.radioVersion = static_cast<std::uint16_t>(session.state.deviceBleVersion());
    }
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
  document["version"] = report.versionText ? nlohmann::json(*report.versionText) : nlohmann::json();
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
  } else if (report.versionText) {
    lines.push_back("firmware:   " + *report.versionText + " (version word " + Hex32(report.versionWord) + ")");
  } else if (report.versionReported) {
    lines.push_back("firmware:   version word " + Hex32(report.versionWord));
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
