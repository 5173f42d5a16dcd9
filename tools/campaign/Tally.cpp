#include "Tally.h"

#include <cstdio>
#include <set>

namespace vantor::campaign {
namespace {

const char* EndName(RunEnd end) {
  switch (end) {
    case RunEnd::kSuccess:
      return "success";
    case RunEnd::kFailure:
      return "failure";
    case RunEnd::kBroken:
      return "FALSE-SUCCESS";
    case RunEnd::kHang:
      return "HANG";
    case RunEnd::kCrash:
      return "CRASH";
  }
  return "?";
}

}  // namespace

void Tally::Add(const RunPlan& plan, RunEnd end, const std::string& detail, bool verbose) {
  ++runs_;
  switch (end) {
    case RunEnd::kSuccess:
      ++successes_;
      break;
    case RunEnd::kFailure:
      ++failures_;
      break;
    case RunEnd::kBroken:
      ++broken_;
      break;
    case RunEnd::kHang:
      ++hangs_;
      break;
    case RunEnd::kCrash:
      ++crashes_;
      break;
  }
  const bool bad = end == RunEnd::kBroken || end == RunEnd::kHang || end == RunEnd::kCrash;
  std::set<std::string> seen;
  for (const Fault& fault : plan.faults) {
    if (!seen.insert(fault.kind).second) continue;
    auto& [runs, broken] = kinds_[fault.kind];
    ++runs;
    if (bad) ++broken;
  }
  if (!bad && !verbose) return;
  std::printf("%s seed=%llu %s: %s\n  faults: %s\n  replay: %s --runs 1 --seed %llu\n", EndName(end),
              static_cast<unsigned long long>(plan.seed), ProtocolName(plan.protocol), detail.c_str(),
              DescribeFaults(plan).c_str(), replayPrefix_.c_str(), static_cast<unsigned long long>(plan.seed));
  std::fflush(stdout);
}

void Tally::PrintSummary() const {
  std::printf("fault kinds (runs with it / of those not kept):");
  for (const auto& [kind, counts] : kinds_) {
    std::printf(" %s=%llu/%llu", kind.c_str(), static_cast<unsigned long long>(counts.first),
                static_cast<unsigned long long>(counts.second));
  }
  std::printf("\nruns=%llu successes=%llu failures=%llu false_successes=%llu hangs=%llu crashes=%llu\n",
              static_cast<unsigned long long>(runs_), static_cast<unsigned long long>(successes_),
              static_cast<unsigned long long>(failures_), static_cast<unsigned long long>(broken_),
              static_cast<unsigned long long>(hangs_), static_cast<unsigned long long>(crashes_));
  std::fflush(stdout);
}

}  // namespace vantor::campaign
