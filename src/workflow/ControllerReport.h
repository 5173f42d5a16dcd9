#pragma once
// What detection, the open and the version probe learned about a controller, as
// values for every front end (the command line's `info` and JSON, the bench, the
// desktop apps' titles), and why a front end cannot go on with it.

#include <cstdint>
#include <optional>
#include <string>

#include "session/UpdateSession.h"
#include "hid/SupportedDevices.h"

namespace vantor::workflow {

// Which firmware answered the probe.
enum class ControllerMode {
  kUnknown,  // no answer, or the probe did not ask (JobSettings::readMode)
  kBoot,     // the bootloader: the controller can be updated
  kNormal,   // the normal firmware: it must be replugged in boot mode first
};

struct ControllerReport {
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
  ControllerMode mode = ControllerMode::kUnknown;
};

// Call after UpdateController::Start: what detection and the probe learned.
ControllerReport ReadReport(UpdateSession& session);

enum class ControllerProblem {
  kNone,
  kNotPresent,    // no supported controller (or not the one named)
  kNoPermission,  // attached, but this user may not open it
  kBusy,          // another program holds it open
  kUnopenable,    // attached, but it could not be opened
};

ControllerProblem ProblemOf(const ControllerReport& report);

// "boot", "normal", or nothing when the mode is not known (JSON and logs).
const char* ModeName(ControllerMode mode);

}  // namespace vantor::workflow
