#pragma once
// Where a front end's controllers come from: the operating system's HID devices, or
// emulated controllers in place of USB (the simulated mode, for demonstrations and
// tests). Owns the clock, the backend and the emulators; outlives every update and
// watch made on it.

#include <functional>
#include <memory>
#include <string>

#include "base/Clock.h"
#include "hid/HidBackend.h"
#include "sim/SimulatedBench.h"
#include "sim/SimulatedMode.h"

namespace vantor::workflow {

class DeviceWatch;

// The emulated controllers to use instead of USB; empty `protocols`: USB.
struct SimulationSettings {
  std::string protocols;   // "framed", "addressed" or a list: "addressed,framed"
  bool virtualTime = false;  // the emulators run in virtual time (tests)
  std::string fault;       // a fault NAME (one controller) or N:NAME (a bench's unit N)
  std::string arrivals;    // "MS[,MS...]": when each is plugged in
  bool leaveAfterUpdate = false;
};

enum class EnvironmentProblem {
  kNone,
  kHidUnavailable,  // the system's HID library cannot be loaded or used
  kBadSimulation,   // the simulation settings are wrong
};

class Environment {
 public:
  struct Made;
  // The environment, or a problem with its detail (the loader's own reason, or what is
  // wrong with the settings).
  static Made Create(const SimulationSettings& settings);
  ~Environment();

  hid::HidBackend& backend() { return *backend_; }
  Clock& clock();
  // Called after every pause on the clock (in virtual time, the only way time passes
  // while the emulated controller is silent). Set it before any thread uses the clock.
  void OnPause(std::function<void()> observer);
  // Emulated controllers stand in for USB.
  bool emulated() const { return simulated_ != nullptr || bench_ != nullptr; }
  // Whether updates take a lock per controller. The plain emulated controller lives
  // inside this process alone; a lock would only make parallel runs refuse each other.
  bool locksControllers() const { return simulated_ == nullptr; }
  // The emulated controller, when simulating one.
  sim::SimulatedController* simulated() { return simulated_.get(); }
  // The emulated bench (a list, or a schedule of arrivals), when simulating one.
  sim::SimulatedBench* bench() { return bench_.get(); }
  // Writes the emulated flash to `path` (a bench: one file per controller).
  void DumpSimulatedFlash(const std::string& path) const;
  // Arrivals and removals of supported controllers: the system's device monitor where
  // there is one (udev on Linux), else polling; emulated controllers on the clock.
  std::unique_ptr<DeviceWatch> Watch();

 private:
  Environment() = default;

  class ObservedClock;
  std::unique_ptr<ObservedClock> clock_;
  std::unique_ptr<hid::HidBackend> backend_;
  std::unique_ptr<sim::SimulatedController> simulated_;
  std::unique_ptr<sim::SimulatedBench> bench_;
};

// With kBadSimulation: whether the emulation was sound and only its fault refused, by
// the one emulated controller or by the bench.
enum class RefusedFault { kNone, kController, kBench };

struct Environment::Made {
  std::unique_ptr<Environment> environment;
  EnvironmentProblem problem = EnvironmentProblem::kNone;
  std::string detail;
  RefusedFault refusedFault = RefusedFault::kNone;
};

// The system's HID backend (Windows HID services; hidapi elsewhere), or null with
// `error` saying why it cannot be had.
std::unique_ptr<hid::HidBackend> SystemHidBackend(std::string* error);

}  // namespace vantor::workflow
