#pragma once
// The programs' simulated mode: an emulated controller in place of USB, so the whole
// update can be run (and shown) on a machine with no controller attached.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "hid/SupportedDevices.h"
#include "sim/SimHidBackend.h"

namespace vantor::sim {

class SimulatedController {
 public:
  // Installs an emulated bootloader of `protocol` in `backend` (framed under
  // 0x2DC8:0x5750, addressed under 0x2DC8:0x3002), already in boot mode and holding a
  // firmware, paced on `clock` like a real controller (a report per 1 ms USB frame,
  // erases that stay busy for a while).
  static std::unique_ptr<SimulatedController> Install(SimHidBackend& backend, hid::Protocol protocol, Clock& clock);
  virtual ~SimulatedController() = default;

  // What the last update left in the controller's flash: the main image (at the
  // address and length the update announced or erased) and, for the addressed
  // controller, the radio's image. Empty when nothing was written.
  virtual std::vector<std::uint8_t> MainImage() const = 0;
  virtual std::vector<std::uint8_t> BleImage() const = 0;
  // Writes MainImage() to `path` and, when not empty, BleImage() to `path` + ".ble".
  bool DumpFlash(const std::string& path) const;
  // Makes the controller misbehave in a named way, for demonstrations and end-to-end
  // tests of the failure paths; false for a name it does not know. See KnownFaults().
  virtual bool InjectFault(const std::string& name) = 0;
  // The fault names the emulated controller of `protocol` understands.
  static std::vector<std::string> KnownFaults(hid::Protocol protocol);
};

// Faults that are the host's side of the cable, for every controller on `backend`:
// "no-permission" (opens are refused) and "busy" (another program has them open).
// False for another name.
bool InjectOpenFault(SimHidBackend& backend, const std::string& name);

}  // namespace vantor::sim
