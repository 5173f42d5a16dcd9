#pragma once
// What describes an emulated bench: a list of protocols ("addressed,framed", one unit
// per name), when each is plugged in ("0,1500", in ms), whether units leave after
// their update, and a fault "N:NAME" for unit N.

#include <optional>
#include <string>
#include <vector>

#include "sim/SimulatedBench.h"

namespace vantor::workflow {

// The bench the options ask for; nothing for a single emulated controller without a
// schedule (the plain simulated mode), or on an error (then `error` says it).
struct SimulationSettings;
std::optional<std::vector<sim::BenchUnitPlan>> BenchPlan(const SimulationSettings& settings, std::string* error);

// "N:NAME" (N 1-based); false with `error` set for a unit or fault the bench lacks.
bool ApplyBenchFault(sim::SimulatedBench& bench, const std::string& fault, std::string* error);

// True for "framed", "addressed" or a comma-separated list of them.
bool IsSimulationList(const std::string& text);

}  // namespace vantor::workflow
