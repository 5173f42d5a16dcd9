// The simulated build: emulated controllers in place of USB, so the whole dialog can
// be driven end to end on a machine with no controller.
//   VANTOR_SIMULATE=framed|addressed  which bootloader to attach (unset: none); a
//                                     comma-separated list attaches a bench of them
//   VANTOR_SIM_ARRIVE=<ms>[,<ms>...]  when each one is plugged in, from the start
//   VANTOR_SIM_LEAVE_AFTER_UPDATE=1   each one is pulled out once its update has ended
//   VANTOR_SIM_FAULT=<name>           a fault of the command line's simulated mode
//                                     (sim::SimulatedController::KnownFaults); on a
//                                     bench <n>:<name> for unit n (1-based)
//   VANTOR_SIM_FLASH_OUT=<path>       where to write the emulated flash at exit (a
//                                     bench: <path>.<n> for unit n)
// Arrivals and removals reach the dialog as device-change notifications, as Windows
// sends them for a real controller.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "base/DebugOutput.h"
#include "sim/SimulatedBench.h"
#include "sim/SimulatedMode.h"
#include "win32/ProgramBackend.h"
#include "win32/SimulatedDeviceEvents.h"

namespace vantor::win32 {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, ',')) parts.push_back(part);
  return parts;
}

bool ParseProtocol(const std::string& name, hid::Protocol* protocol) {
  if (name == "framed") {
    *protocol = hid::Protocol::kFramed;
  } else if (name == "addressed") {
    *protocol = hid::Protocol::kAddressed;
  } else {
    return false;
  }
  return true;
}

// The bench the environment asks for: more than one controller, or a schedule.
std::vector<sim::BenchUnitPlan> BenchPlan(const std::vector<std::string>& names) {
  const std::vector<std::string> arrivals = Split(Environment("VANTOR_SIM_ARRIVE"));
  const bool leave = Environment("VANTOR_SIM_LEAVE_AFTER_UPDATE") == "1";
  std::vector<sim::BenchUnitPlan> plan;
  if (names.size() < 2 && arrivals.empty() && !leave) return plan;
  for (std::size_t n = 0; n < names.size(); ++n) {
    sim::BenchUnitPlan unit;
    if (!ParseProtocol(names[n], &unit.protocol)) {
      DebugLinef("VANTOR_SIMULATE names %s, neither framed nor addressed; no controller attached\n", names[n].c_str());
      return {};
    }
    unit.leaveAfterUpdate = leave;
    if (n < arrivals.size()) unit.arriveAtMs = static_cast<std::uint32_t>(std::strtoul(arrivals[n].c_str(), nullptr, 10));
    plan.push_back(unit);
  }
  return plan;
}

}  // namespace

struct ProgramBackend::Impl {
  explicit Impl(Clock& clock) : emulated(clock), backend(emulated) {}
  sim::SimHidBackend emulated;
  SimulatedDeviceEvents backend;
  std::unique_ptr<sim::SimulatedController> controller;
  std::unique_ptr<sim::SimulatedBench> bench;
};

ProgramBackend::ProgramBackend(Clock& clock) : impl_(std::make_unique<Impl>(clock)) {
  const std::string protocols = Environment("VANTOR_SIMULATE");
  const std::string fault = Environment("VANTOR_SIM_FAULT");
  if (protocols.empty()) {
    if (!fault.empty()) DebugLinef("VANTOR_SIM_FAULT=%s needs VANTOR_SIMULATE; ignored\n", fault.c_str());
    return;
  }
  const std::vector<std::string> names = Split(protocols);
  const std::vector<sim::BenchUnitPlan> plan = BenchPlan(names);
  if (!plan.empty()) {
    impl_->bench = sim::SimulatedBench::Install(impl_->emulated, clock, plan);
    if (fault.empty()) return;
    const std::size_t colon = fault.find(':');
    const unsigned long unit = colon == std::string::npos ? 1 : std::strtoul(fault.substr(0, colon).c_str(), nullptr, 10);
    const std::string name = colon == std::string::npos ? fault : fault.substr(colon + 1);
    if (unit == 0 || !impl_->bench->InjectFault(unit - 1, name)) {
      DebugLinef("VANTOR_SIM_FAULT=%s is not a fault of the bench; none injected\n", fault.c_str());
    }
    return;
  }
  hid::Protocol protocol = hid::Protocol::kFramed;
  if (names.size() != 1 || !ParseProtocol(names[0], &protocol)) {
    DebugLinef("VANTOR_SIMULATE=%s is neither framed nor addressed; no controller attached\n", protocols.c_str());
    return;
  }
  impl_->controller = sim::SimulatedController::Install(impl_->emulated, protocol, clock);
  // The same names as the command line's simulated mode, so a failure path can be shown
  // (and tested) in the dialog exactly as the command line shows it.
  if (!fault.empty() && !impl_->controller->InjectFault(fault)) {
    DebugLinef("VANTOR_SIM_FAULT=%s is not a fault of this controller; none injected\n", fault.c_str());
  }
}

ProgramBackend::~ProgramBackend() = default;

hid::HidBackend& ProgramBackend::backend() { return impl_->backend; }

void ProgramBackend::OnDialogClosed() {
  const std::string out = Environment("VANTOR_SIM_FLASH_OUT");
  if (out.empty()) return;
  const bool written = impl_->bench ? impl_->bench->DumpFlash(out) : !impl_->controller || impl_->controller->DumpFlash(out);
  if (!written) DebugLinef("could not write the emulated flash to %s\n", out.c_str());
}

}  // namespace vantor::win32
