#include "workflow/Watch.h"

#include "workflow/AttachedControllers.h"
#include "workflow/DeviceWatch.h"
#include "workflow/Environment.h"

namespace vantor::workflow {
namespace {

// While updates run the watch looks this often for their ends; idle, only a device
// change (or, without a monitor, the poll) wakes it.
constexpr std::uint64_t kReapIntervalMs = 100;
constexpr std::uint64_t kIdleWaitMs = 60 * 1000;

}  // namespace

Watch::Watch(Environment& environment, std::string packagePath, std::string name, JobSettings settings,
             WatchListener& listener)
    : environment_(environment),
      packagePath_(std::move(packagePath)),
      name_(std::move(name)),
      settings_(settings),
      listener_(listener) {}

void Watch::Arrive(const hid::FoundController& controller, const CancelToken& cancel) {
  if (cancel.cancelled() || (!name_.empty() && !Names(name_, controller))) return;
  if (!handled_.insert(UnitKey(controller)).second) return;
  BenchUnit* unit = nullptr;
  {
    std::lock_guard<std::mutex> lock(runningMutex_);
    unit = &running_.emplace_back(environment_, controller, packagePath_, settings_, &listener_, next_++);
  }
  listener_.OnUnitArrived(*unit);
  if (unit->Lock(environment_.locksControllers())) unit->ProbeAndJudge();
  // A cancel during the probe leaves the unit alone: nothing was written to it.
  if (unit->verdict().problem == UnitProblem::kNone && !cancel.cancelled() && unit->Begin()) {
    if (cancel.cancelled()) unit->job().RequestStop();
    return;
  }
  if (unit->verdict().problem == UnitProblem::kNone) {
    handled_.erase(UnitKey(controller));
  } else {
    tally_.Count(*unit);
    listener_.OnUnitRefused(*unit);
  }
  std::lock_guard<std::mutex> lock(runningMutex_);
  running_.pop_back();
}

void Watch::StopAll() {
  std::lock_guard<std::mutex> lock(runningMutex_);
  for (BenchUnit& unit : running_) unit.job().RequestStop();
}

void Watch::ReapEnded() {
  for (auto unit = running_.begin(); unit != running_.end();) {
    if (unit->job().running()) {
      ++unit;
      continue;
    }
    unit->job().Wait();
    tally_.Count(*unit);
    listener_.OnUnitEnded(*unit);
    std::lock_guard<std::mutex> lock(runningMutex_);
    unit = running_.erase(unit);
  }
}

UnitTally Watch::Run(CancelToken& cancel) {
  std::unique_ptr<DeviceWatch> watch = environment_.Watch();
  const CancelScope stop(cancel, [this] { StopAll(); });
  for (const hid::FoundController& controller : watch->attached()) Arrive(controller, cancel);
  while (!cancel.cancelled()) {
    const AttachedChange change = watch->Next(running_.empty() ? kIdleWaitMs : kReapIntervalMs, cancel);
    for (const hid::FoundController& gone : change.removed) handled_.erase(UnitKey(gone));
    ReapEnded();
    for (const hid::FoundController& controller : change.arrived) Arrive(controller, cancel);
  }
  StopAll();
  for (BenchUnit& unit : running_) unit.job().Wait();
  ReapEnded();
  return tally_;
}

}  // namespace vantor::workflow
