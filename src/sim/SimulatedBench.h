#pragma once
// A repair bench of emulated controllers: several units of either protocol, each with
// its own serial number and USB location, arriving on a schedule and, if asked,
// leaving once their update has ended. Behind `--simulate framed,addressed,...`, the
// end-to-end tests of the bench workflow and the multi-controller benchmark.
//
// Unit n (1-based) is at path "sim-n", has serial number "VTSIM000n" and location
// "9-n" (bus 9, port n).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "hid/SupportedDevices.h"
#include "sim/SimHidBackend.h"

namespace vantor::sim {

struct BenchUnitPlan {
  hid::Protocol protocol = hid::Protocol::kAddressed;
  std::uint32_t arriveAtMs = 0;   // on the bench's clock, from its installation
  bool leaveAfterUpdate = false;  // pulled out once its update has ended
};

// The controllers' pace; defaults as a real controller answers.
struct BenchTiming {
  std::uint32_t replyDelayMs = 1;        // a reply in the next 1 ms USB frame
  std::uint32_t framedReplyDelayMs = 2;  // the framed one writes each chunk first
  std::uint32_t eraseBusyMs = 400;
};

class SimulatedBench {
 public:
  static std::unique_ptr<SimulatedBench> Install(SimHidBackend& backend, Clock& clock,
                                                 const std::vector<BenchUnitPlan>& plan, BenchTiming timing = {});
  ~SimulatedBench();

  std::size_t size() const;
  static std::string PathOf(std::size_t unit);  // 0-based index
  // What the last update left in unit's flash (see SimulatedController).
  std::vector<std::uint8_t> MainImage(std::size_t unit) const;
  std::vector<std::uint8_t> BleImage(std::size_t unit) const;
  // Writes each unit's main image to `path`.n (1-based), its radio image to `path`.n.ble.
  bool DumpFlash(const std::string& path) const;
  // A named fault for one unit (see SimulatedController::KnownFaults); false for a
  // name the unit does not know. Set before any update.
  bool InjectFault(std::size_t unit, const std::string& name);

 private:
  struct Unit;
  SimulatedBench() = default;
  std::vector<std::unique_ptr<Unit>> units_;
};

}  // namespace vantor::sim
