#include "cli/Environment.h"

#include "sim/SimHidBackend.h"
#include "cli/SimulatedBenchPlan.h"

#ifdef _WIN32
#include "hid/win32/Win32HidBackend.h"
#else
#include "hid/hidapi/HidapiBackend.h"
#endif

namespace vantor::cli {

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

std::unique_ptr<Environment> Environment::Create(const CommonOptions& options, std::string* error, bool* usage) {
  std::unique_ptr<Environment> environment(new Environment());
  if (usage != nullptr) *usage = false;
  if (options.simulate.empty()) {
    environment->clock_ = std::make_unique<ObservedClock>(std::make_unique<RealClock>());
#ifdef _WIN32
    environment->backend_ = std::make_unique<hid::Win32HidBackend>();
#else
    environment->backend_ = hid::CreateHidapiBackend(error);
#endif
    if (!environment->backend_) return nullptr;
    return environment;
  }

  if (std::optional<std::vector<sim::BenchUnitPlan>> plan = BenchPlan(options, error)) {
    environment->clock_ = std::make_unique<ObservedClock>(
        options.virtualTime ? std::unique_ptr<Clock>(std::make_unique<VirtualClock>())
                            : std::unique_ptr<Clock>(std::make_unique<RealClock>()));
    auto backend = std::make_unique<sim::SimHidBackend>(*environment->clock_);
    environment->bench_ = sim::SimulatedBench::Install(*backend, *environment->clock_, *plan);
    if (!options.simFault.empty() && !ApplyBenchFault(*environment->bench_, options.simFault, error)) {
      if (usage != nullptr) *usage = true;
      return nullptr;
    }
    environment->backend_ = std::move(backend);
    return environment;
  } else if (!error->empty()) {
    if (usage != nullptr) *usage = true;
    return nullptr;
  }

  const hid::Protocol protocol =
      options.simulate == "addressed" ? hid::Protocol::kAddressed : hid::Protocol::kFramed;
  // The demo runs on the real clock so the user sees the transfer take its time; the
  // tests run the same emulator in virtual time.
  if (options.virtualTime) {
    environment->clock_ = std::make_unique<ObservedClock>(std::make_unique<VirtualClock>());
  } else {
    environment->clock_ = std::make_unique<ObservedClock>(std::make_unique<RealClock>());
  }
  auto backend = std::make_unique<sim::SimHidBackend>(*environment->clock_);
  environment->simulated_ = sim::SimulatedController::Install(*backend, protocol, *environment->clock_);
  if (!environment->simulated_) {
    *error = "the emulated controller could not be installed";
    return nullptr;
  }
  if (!options.simFault.empty() && !environment->simulated_->InjectFault(options.simFault)) {
    *error = "unknown fault for the emulated controller: " + options.simFault;
    if (usage != nullptr) *usage = true;
    return nullptr;
  }
  environment->backend_ = std::move(backend);
  return environment;
}

void Environment::DumpSimulatedFlash(const std::string& path) const {
  if (simulated_) simulated_->DumpFlash(path);
  if (bench_) bench_->DumpFlash(path);
}

}  // namespace vantor::cli
