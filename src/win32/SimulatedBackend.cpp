// The simulated build: an emulated controller in place of USB, so the whole dialog can
// be driven end to end on a machine with no controller.
//   VANTOR_SIMULATE=framed|addressed  which bootloader to attach (unset: none)
//   VANTOR_SIM_FAULT=<name>           a fault of the command line's simulated mode
//                                     (sim::SimulatedController::KnownFaults)
//   VANTOR_SIM_FLASH_OUT=<path>       where to write the emulated flash at exit
#include <cstdlib>
#include <string>

#include "base/DebugOutput.h"
#include "win32/ProgramBackend.h"
#include "sim/SimulatedMode.h"

namespace vantor::win32 {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

struct ProgramBackend::Impl {
  explicit Impl(Clock& clock) : backend(clock) {}
  sim::SimHidBackend backend;
  std::unique_ptr<sim::SimulatedController> controller;
};

ProgramBackend::ProgramBackend(Clock& clock) : impl_(std::make_unique<Impl>(clock)) {
  const std::string protocol = Environment("VANTOR_SIMULATE");
  if (protocol == "framed") {
    impl_->controller = sim::SimulatedController::Install(impl_->backend, hid::Protocol::kFramed, clock);
  } else if (protocol == "addressed") {
    impl_->controller = sim::SimulatedController::Install(impl_->backend, hid::Protocol::kAddressed, clock);
  } else if (!protocol.empty()) {
    DebugLinef("VANTOR_SIMULATE=%s is neither framed nor addressed; no controller attached\n", protocol.c_str());
  }
  // The same names as the command line's simulated mode, so a failure path can be shown
  // (and tested) in the dialog exactly as the command line shows it.
  const std::string fault = Environment("VANTOR_SIM_FAULT");
  if (!fault.empty()) {
    if (!impl_->controller) {
      DebugLinef("VANTOR_SIM_FAULT=%s needs VANTOR_SIMULATE; ignored\n", fault.c_str());
    } else if (!impl_->controller->InjectFault(fault)) {
      DebugLinef("VANTOR_SIM_FAULT=%s is not a fault of this controller; none injected\n", fault.c_str());
    }
  }
}

ProgramBackend::~ProgramBackend() = default;

hid::HidBackend& ProgramBackend::backend() { return impl_->backend; }

void ProgramBackend::OnDialogClosed() {
  const std::string out = Environment("VANTOR_SIM_FLASH_OUT");
  if (impl_->controller && !out.empty() && !impl_->controller->DumpFlash(out)) {
    DebugLinef("could not write the emulated flash to %s\n", out.c_str());
  }
}

}  // namespace vantor::win32
