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
#include <sstream>
#include <string>
#include <vector>

#include "base/DebugOutput.h"
#include "sim/SimDevice.h"
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
  const std::string protocols = Environment("VANTOR_SIMULATE");
  const std::string fault = Environment("VANTOR_SIM_FAULT");
  if (protocols.empty()) {
    if (!fault.empty()) DebugLinef("VANTOR_SIM_FAULT=%s needs VANTOR_SIMULATE; ignored\n", fault.c_str());
    return;
  }
  const std::vector<std::string> names = Split(protocols);
  const std::vector<sim::BenchUnitPlan> plan = BenchPlan(names);
  if (!plan.empty()) {
    bench = sim::SimulatedBench::Install(emulated, clock, plan);
    if (fault.empty() || sim::InjectOpenFault(emulated, fault)) return;
    const std::size_t colon = fault.find(':');
    const unsigned long unit = colon == std::string::npos ? 1 : std::strtoul(fault.substr(0, colon).c_str(), nullptr, 10);
    const std::string name = colon == std::string::npos ? fault : fault.substr(colon + 1);
    if (unit == 0 || !bench->InjectFault(unit - 1, name)) {
      DebugLinef("VANTOR_SIM_FAULT=%s is not a fault of the bench; none injected\n", fault.c_str());
    }
    return;
  }
  hid::Protocol protocol = hid::Protocol::kFramed;
  if (names.size() != 1 || !ParseProtocol(names[0], &protocol)) {
    DebugLinef("VANTOR_SIMULATE=%s is neither framed nor addressed; no controller attached\n", protocols.c_str());
    return;
  }
  controller = sim::SimulatedController::Install(emulated, protocol, clock);
  // The same names as the command line's simulated mode, so a failure path can be shown
  // (and tested) in the dialog exactly as the command line shows it.
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
