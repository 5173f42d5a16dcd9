#include "workflow/SimulatedBenchPlan.h"

#include "workflow/Environment.h"

#include <cstdlib>
#include <sstream>

namespace vantor::workflow {
namespace {

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, ',')) parts.push_back(part);
  return parts;
}

}  // namespace

bool IsSimulationList(const std::string& text) {
  const std::vector<std::string> names = Split(text);
  if (names.empty() || text.back() == ',') return false;
  for (const std::string& name : names) {
    if (name != "framed" && name != "addressed") return false;
  }
  return true;
}

std::optional<std::vector<sim::BenchUnitPlan>> BenchPlan(const SimulationSettings& options, std::string* error) {
  error->clear();
  const std::vector<std::string> names = Split(options.protocols);
  if (names.size() < 2 && options.arrivals.empty() && !options.leaveAfterUpdate) return std::nullopt;
  std::vector<sim::BenchUnitPlan> plan;
  for (const std::string& name : names) {
    sim::BenchUnitPlan unit;
    unit.protocol = name == "framed" ? hid::Protocol::kFramed : hid::Protocol::kAddressed;
    unit.leaveAfterUpdate = options.leaveAfterUpdate;
    plan.push_back(unit);
  }
  const std::vector<std::string> arrivals = Split(options.arrivals);
  if (arrivals.size() > plan.size()) {
    *error = "the arrivals name more controllers than the bench has";
    return std::nullopt;
  }
  for (std::size_t n = 0; n < arrivals.size(); ++n) {
    char* end = nullptr;
    const unsigned long ms = std::strtoul(arrivals[n].c_str(), &end, 10);
    if (arrivals[n].empty() || *end != '\0') {
      *error = "an arrival is in milliseconds: " + arrivals[n];
      return std::nullopt;
    }
    plan[n].arriveAtMs = static_cast<std::uint32_t>(ms);
  }
  return plan;
}

bool ApplyBenchFault(sim::SimulatedBench& bench, const std::string& fault, std::string* error) {
  const std::size_t colon = fault.find(':');
  const std::size_t unit = colon == std::string::npos ? 1 : std::strtoul(fault.substr(0, colon).c_str(), nullptr, 10);
  const std::string name = colon == std::string::npos ? fault : fault.substr(colon + 1);
  if (unit == 0 || !bench.InjectFault(unit - 1, name)) {
    *error = "unknown fault for the emulated bench: " + fault + " (use N:NAME, N counting from 1)";
    return false;
  }
  return true;
}

}  // namespace vantor::workflow
