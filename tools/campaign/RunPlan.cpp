#include "RunPlan.h"

namespace vantor::campaign {

RunPlan PlanRun(Protocol protocol, std::uint64_t seed) {
  return protocol == Protocol::kFramed ? PlanFramedRun(seed) : PlanAddressedRun(seed);
}

std::string DescribeFaults(const RunPlan& plan) {
  std::string text;
  for (const Fault& fault : plan.faults) {
    if (!text.empty()) text += ' ';
    text += fault.kind + "(" + fault.detail + ")";
  }
  return text.empty() ? "none" : text;
}

const char* ProtocolName(Protocol protocol) { return protocol == Protocol::kFramed ? "framed" : "addressed"; }

}  // namespace vantor::campaign
