// The simulated build: emulated controllers in place of USB, so the whole dialog can
// be driven end to end on a machine with no controller.
//   VANTOR_SIMULATE=framed|addressed  which bootloader to attach (unset: none); a
//                                     comma-separated list attaches a bench of them
//   VANTOR_SIM_ARRIVE=<ms>[,<ms>...]  when each one is plugged in, from the start
//   VANTOR_SIM_LEAVE_AFTER_UPDATE=1   each one is pulled out once its update has ended
//   VANTOR_SIM_FAULT=<name>           a fault of the command line's simulated mode
//                                     (sim::SimulatedController::KnownFaults); on a
//                                     bench <n>:<name> for unit n (1-based), or busy
//                                     and no-permission for every unit
//   VANTOR_SIM_FLASH_OUT=<path>       where to write the emulated flash at exit (a
//                                     bench: <path>.<n> for unit n)
//   VANTOR_SIM_NORMAL_MODE=1          a controller of the vendor in its normal mode is
//                                     attached too (alone when VANTOR_SIMULATE is unset)
//   VANTOR_SIM_NORMAL_LEAVE=<ms>      ... and is pulled out that long after the start
// Arrivals and removals reach the dialog as device-change notifications, as Windows
// sends them for a real controller.
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "base/DebugOutput.h"
#include "sim/SimDevice.h"
#include "sim/SimulatedBench.h"
#include "sim/SimulatedMode.h"
#include "win32/ProgramBackend.h"
#include "win32/SimulatedDeviceEvents.h"
#include "workflow/Environment.h"
#include "workflow/SimulatedBenchPlan.h"

namespace vantor::win32 {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// A controller as it is in use, not in its boot mode: listed under the vendor with a
// product id of its normal mode, and deaf to the updater's reports.
class NormalModeController final : public sim::SimDevice {
 public:
  NormalModeController(Clock& clock, std::optional<std::uint64_t> leaveAfterMs)
      : clock_(clock), start_(clock.NowMs()), leaveAfterMs_(leaveAfterMs) {}
  void OnOutputReport(const hid::Report& /*report*/, sim::ReportSink& /*host*/) override {}
  bool Present() const override { return !leaveAfterMs_ || clock_.NowMs() - start_ < *leaveAfterMs_; }

 private:
  Clock& clock_;
  const std::uint64_t start_;
  const std::optional<std::uint64_t> leaveAfterMs_;
};

constexpr std::uint16_t kVendor = 0x2DC8;
constexpr std::uint16_t kNormalModeProduct = 0x6012;

}  // namespace

struct ProgramBackend::Impl {
  explicit Impl(Clock& clock) : emulated(clock), backend(emulated) {}
  // The bootloaders the environment asks for.
  void InstallBootloaders(Clock& clock);
  sim::SimHidBackend emulated;
  SimulatedDeviceEvents backend;
  std::unique_ptr<sim::SimulatedController> controller;
  std::unique_ptr<sim::SimulatedBench> bench;
};

ProgramBackend::ProgramBackend(Clock& clock) : impl_(std::make_unique<Impl>(clock)) {
  impl_->InstallBootloaders(clock);
  // After the bootloaders, which start from an empty bus.
  if (Environment("VANTOR_SIM_NORMAL_MODE") == "1") {
    const std::string leave = Environment("VANTOR_SIM_NORMAL_LEAVE");
    std::optional<std::uint64_t> leaveAfterMs;
    if (!leave.empty()) leaveAfterMs = std::strtoull(leave.c_str(), nullptr, 10);
    impl_->emulated.AddDevice("\\\\?\\hid#vid_2dc8&pid_6012#normal-mode", kVendor, kNormalModeProduct,
                              std::make_shared<NormalModeController>(clock, leaveAfterMs));
  }
}

void ProgramBackend::Impl::InstallBootloaders(Clock& clock) {
  // The command line's simulated mode, read from the environment: the same bench plans
  // and faults, so a failure path can be shown (and tested) in the dialog exactly as
  // the command line shows it.
  workflow::SimulationSettings settings;
  settings.protocols = Environment("VANTOR_SIMULATE");
  settings.arrivals = Environment("VANTOR_SIM_ARRIVE");
  settings.leaveAfterUpdate = Environment("VANTOR_SIM_LEAVE_AFTER_UPDATE") == "1";
  const std::string fault = Environment("VANTOR_SIM_FAULT");
  if (settings.protocols.empty()) {
    if (!fault.empty()) DebugLinef("VANTOR_SIM_FAULT=%s needs VANTOR_SIMULATE; ignored\n", fault.c_str());
    return;
  }
  if (!workflow::IsSimulationList(settings.protocols)) {
    DebugLinef("VANTOR_SIMULATE=%s is neither framed nor addressed; no controller attached\n",
               settings.protocols.c_str());
    return;
  }
  std::string error;
  if (const std::optional<std::vector<sim::BenchUnitPlan>> plan = workflow::BenchPlan(settings, &error)) {
    bench = sim::SimulatedBench::Install(emulated, clock, *plan);
    if (fault.empty() || sim::InjectOpenFault(emulated, fault)) return;
    if (!workflow::ApplyBenchFault(*bench, fault, &error)) DebugLinef("VANTOR_SIM_FAULT: %s; none injected\n", error.c_str());
    return;
  }
  if (!error.empty()) {
    DebugLinef("VANTOR_SIM_ARRIVE: %s; no controller attached\n", error.c_str());
    return;
  }
  const hid::Protocol protocol = settings.protocols == "addressed" ? hid::Protocol::kAddressed : hid::Protocol::kFramed;
  controller = sim::SimulatedController::Install(emulated, protocol, clock);
  if (!fault.empty() && !controller->InjectFault(fault)) {
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
