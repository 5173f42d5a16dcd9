#pragma once
// The hidden options that describe an emulated bench: `--simulate addressed,framed`
// (one unit per name), `--sim-arrive 0,1500` (when each is plugged in, in ms),
// `--sim-leave-after-update`, and `--sim-fault N:NAME` for unit N.

#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "sim/SimulatedBench.h"

namespace vantor::cli {

// The bench the options ask for; nothing for a single emulated controller without a
// schedule (the plain simulated mode), or on an error (then `error` says it).
std::optional<std::vector<sim::BenchUnitPlan>> BenchPlan(const CommonOptions& options, std::string* error);

// "N:NAME" (N 1-based); false with `error` set for a unit or fault the bench lacks.
bool ApplyBenchFault(sim::SimulatedBench& bench, const std::string& fault, std::string* error);

// True for "framed", "addressed" or a comma-separated list of them.
bool IsSimulationList(const std::string& text);

}  // namespace vantor::cli
