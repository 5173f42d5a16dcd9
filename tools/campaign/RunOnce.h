#pragma once
// Carries out one planned run: writes its package, attaches the emulated controller,
// drives one update through UpdateController in virtual time, and judges it.

#include <cstdint>
#include <functional>
#include <string>

#include "RunPlan.h"
#include "Verdict.h"

namespace vantor::campaign {

struct RunRecord {
  UpdateOutcome outcome = UpdateOutcome::kNone;
  Verdict verdict;
  std::uint64_t virtualMs = 0;
};

// `onOverrun` is called once the run's waits pass `boundMs` of virtual time.
RunRecord RunOnce(const RunPlan& plan, const std::string& packagePath, std::uint64_t boundMs,
                  const std::function<void()>& onOverrun);

}  // namespace vantor::campaign
