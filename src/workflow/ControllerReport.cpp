#include "workflow/ControllerReport.h"

namespace vantor::workflow {

ControllerReport ReadReport(UpdateSession& session) {
  ControllerReport report;
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
  if (report.protocol == hid::Protocol::kFramed && session.probe.inBootMode) {
    report.mode = *session.probe.inBootMode ? ControllerMode::kBoot : ControllerMode::kNormal;
  }
  if (report.protocol == hid::Protocol::kAddressed && report.versionReported) {
    // The addressed protocol is its bootloader's: whatever answers its query is that.
    report.mode = ControllerMode::kBoot;
    report.deviceType = session.probe.deviceType;
    report.deviceVariant = session.probe.deviceVariant;
    report.radioVersion = session.probe.radioVersion;
    report.radioVersionUnreadable = session.probe.radioVersionUnreadable;
  }
  return report;
}

ControllerProblem ProblemOf(const ControllerReport& report) {
  if (!report.present) return ControllerProblem::kNotPresent;
  switch (report.openError) {
    case hid::OpenError::kNone:
      return ControllerProblem::kNone;
    case hid::OpenError::kAccessDenied:
      return ControllerProblem::kNoPermission;
    case hid::OpenError::kBusy:
      return ControllerProblem::kBusy;
    case hid::OpenError::kNotFound:
      return ControllerProblem::kNotPresent;
    case hid::OpenError::kOther:
      break;
  }
  return ControllerProblem::kUnopenable;
}

const char* ModeName(ControllerMode mode) {
  switch (mode) {
    case ControllerMode::kBoot:
      return "boot";
    case ControllerMode::kNormal:
      return "normal";
    case ControllerMode::kUnknown:
      break;
  }
  return nullptr;
}

}  // namespace vantor::workflow
