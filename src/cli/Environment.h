#pragma once
// Where a command's controllers come from: the operating system's HID devices, or an
// emulated controller in place of USB (--simulate). Owns the clock, the backend and
// the emulator; outlives every session made on it.

#include <functional>
#include <memory>
#include <string>

#include "base/Clock.h"
#include "cli/CliOptions.h"
#include "hid/HidBackend.h"
#include "sim/SimulatedBench.h"
#include "sim/SimulatedMode.h"

namespace vantor::cli {

class Environment {
 public:
  // Null with `error` set when the platform's HID library cannot be used or the
  // simulation options are wrong; `usage` (if given) tells the second from the first.
  static std::unique_ptr<Environment> Create(const CommonOptions& options, std::string* error,
                                             bool* usage = nullptr);
  ~Environment();

  hid::HidBackend& backend() { return *backend_; }
  Clock& clock();
  // Called after every pause on the clock (in virtual time, the only way time passes
  // while the emulated controller is silent). Set it before any thread uses the clock.
  void OnPause(std::function<void()> observer);
  // The emulated controller, when simulating.
  sim::SimulatedController* simulated() { return simulated_.get(); }
  // The emulated bench (--simulate with a list, or --sim-arrive), when simulating one.
  sim::SimulatedBench* bench() { return bench_.get(); }
  // Writes the emulated flash to `path` (a bench: one file per controller).
  void DumpSimulatedFlash(const std::string& path) const;

 private:
  Environment() = default;

  class ObservedClock;
  std::unique_ptr<ObservedClock> clock_;
  std::unique_ptr<hid::HidBackend> backend_;
  std::unique_ptr<sim::SimulatedController> simulated_;
  std::unique_ptr<sim::SimulatedBench> bench_;
};

}  // namespace vantor::cli
