#pragma once
// What a campaign counts, and its report: a line for each run that broke a promise
// (with the command that replays it), the fault kinds behind them, and the last line
//   runs=N successes=A failures=B false_successes=C hangs=D crashes=E
// Every run lands in exactly one of the five: a kept success, a kept failure, a broken
// promise (false_successes: whatever the updater claimed, the controller was left
// holding or told something it must not), a hang (virtual-time bound or real-time
// watchdog), or a crash.

#include <cstdint>
#include <map>
#include <string>

#include "RunPlan.h"

namespace vantor::campaign {

enum class RunEnd { kSuccess, kFailure, kBroken, kHang, kCrash };

class Tally {
 public:
  Tally(std::string replayPrefix) : replayPrefix_(std::move(replayPrefix)) {}

  // Counts a run and prints its line when it broke a promise (or always, `verbose`).
  void Add(const RunPlan& plan, RunEnd end, const std::string& detail, bool verbose);
  void PrintSummary() const;
  bool Clean() const { return broken_ == 0 && hangs_ == 0 && crashes_ == 0; }

 private:
  std::string replayPrefix_;
  std::uint64_t runs_ = 0, successes_ = 0, failures_ = 0, broken_ = 0, hangs_ = 0, crashes_ = 0;
  // Per fault kind: runs that had it, and of those the runs that did not keep the promises.
  std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> kinds_;
};

}  // namespace vantor::campaign
