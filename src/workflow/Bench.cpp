#include "workflow/Bench.h"

#include "workflow/Environment.h"

namespace vantor::workflow {

Bench::Bench(Environment& environment, std::string packagePath, JobSettings settings, UnitListener* listener)
    : environment_(environment), packagePath_(std::move(packagePath)), settings_(settings), listener_(listener) {}

void Bench::Prepare(const std::vector<hid::FoundController>& controllers) {
  bool locked = true;
  for (const hid::FoundController& controller : controllers) {
    BenchUnit& unit = units_.emplace_back(environment_, controller, packagePath_, settings_, listener_, units_.size());
    locked = unit.Lock(environment_.locksControllers()) && locked;
  }
  if (!locked) return;
  for (BenchUnit& unit : units_) unit.ProbeAndJudge();
}

bool Bench::ready() const {
  for (const BenchUnit& unit : units_) {
    if (unit.verdict().problem != UnitProblem::kNone) return false;
  }
  return !units_.empty();
}

void Bench::Run(CancelToken& cancel) {
  const CancelScope stop(cancel, [this] {
    for (BenchUnit& unit : units_) unit.job().RequestStop();
  });
  for (BenchUnit& unit : units_) {
    if (!cancel.cancelled()) unit.Begin();
  }
  for (BenchUnit& unit : units_) unit.job().Wait();
}

UnitTally Bench::tally() const {
  UnitTally tally;
  for (const BenchUnit& unit : units_) tally.Count(unit);
  return tally;
}

}  // namespace vantor::workflow
