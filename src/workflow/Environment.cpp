#include "workflow/Environment.h"

#include "sim/SimHidBackend.h"
#include "workflow/DeviceWatch.h"
#include "workflow/SimulatedBenchPlan.h"

namespace vantor::workflow {

class Environment::ObservedClock final : public Clock {
 public:
  explicit ObservedClock(std::unique_ptr<Clock> inner) : inner_(std::move(inner)) {}
  std::uint64_t NowMs() const override { return inner_->NowMs(); }
  void Pause(std::uint32_t milliseconds) override {
    inner_->Pause(milliseconds);
    if (observer_) observer_();
  }
  std::function<void()> observer_;

 private:
  std::unique_ptr<Clock> inner_;
};

Environment::~Environment() = default;

Clock& Environment::clock() { return *clock_; }

void Environment::OnPause(std::function<void()> observer) { clock_->observer_ = std::move(observer); }

Environment::Made Environment::Create(const SimulationSettings& settings) {
  Made made;
  std::unique_ptr<Environment> environment(new Environment());
  const auto fail = [&made](EnvironmentProblem problem, std::string detail) {
    made.problem = problem;
    made.detail = std::move(detail);
    return std::move(made);
  };
  if (settings.protocols.empty()) {
    environment->clock_ = std::make_unique<ObservedClock>(std::make_unique<RealClock>());
    environment->backend_ = SystemHidBackend(&made.detail);
    if (!environment->backend_) return fail(EnvironmentProblem::kHidUnavailable, made.detail);
    made.environment = std::move(environment);
    return made;
  }
  if (!IsSimulationList(settings.protocols)) {
    return fail(EnvironmentProblem::kBadSimulation, "framed, addressed or a list of them: " + settings.protocols);
  }

  // The demo runs on the real clock so the user sees the transfer take its time; the
  // tests run the same emulators in virtual time.
  environment->clock_ = std::make_unique<ObservedClock>(
      settings.virtualTime ? std::unique_ptr<Clock>(std::make_unique<VirtualClock>())
                           : std::unique_ptr<Clock>(std::make_unique<RealClock>()));
  auto backend = std::make_unique<sim::SimHidBackend>(*environment->clock_);
  std::string error;
  if (std::optional<std::vector<sim::BenchUnitPlan>> plan = BenchPlan(settings, &error)) {
    environment->bench_ = sim::SimulatedBench::Install(*backend, *environment->clock_, *plan);
    if (!settings.fault.empty() && !ApplyBenchFault(*environment->bench_, settings.fault, &error)) {
      made.refusedFault = RefusedFault::kBench;
      return fail(EnvironmentProblem::kBadSimulation, error);
    }
  } else if (!error.empty()) {
    return fail(EnvironmentProblem::kBadSimulation, error);
  } else {
    const hid::Protocol protocol =
        settings.protocols == "addressed" ? hid::Protocol::kAddressed : hid::Protocol::kFramed;
    environment->simulated_ = sim::SimulatedController::Install(*backend, protocol, *environment->clock_);
    if (!environment->simulated_) {
      return fail(EnvironmentProblem::kBadSimulation, "the emulated controller could not be installed");
    }
    if (!settings.fault.empty() && !environment->simulated_->InjectFault(settings.fault)) {
      made.refusedFault = RefusedFault::kController;
      return fail(EnvironmentProblem::kBadSimulation, "unknown fault for the emulated controller: " + settings.fault);
    }
  }
  environment->backend_ = std::move(backend);
  made.environment = std::move(environment);
  return made;
}

void Environment::DumpSimulatedFlash(const std::string& path) const {
  if (simulated_) simulated_->DumpFlash(path);
  if (bench_) bench_->DumpFlash(path);
}

std::unique_ptr<DeviceWatch> Environment::Watch() {
  // Emulated controllers come and go on the clock, which may be virtual: only its
  // pauses let their schedule run.
  if (emulated()) return std::make_unique<DeviceWatch>(*backend_, *clock_, nullptr);
  return std::make_unique<DeviceWatch>(*backend_, *clock_, SystemChangeSignal());
}

}  // namespace vantor::workflow
