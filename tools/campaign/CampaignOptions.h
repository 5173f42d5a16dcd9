#pragma once
// The command line of fault-campaign.

#include <cstdint>
#include <string>

#include "RunPlan.h"

namespace vantor::campaign {

struct CampaignOptions {
  Protocol protocol = Protocol::kAddressed;
  std::uint64_t runs = 100;
  std::uint64_t seed = 1;  // run i uses seed + i, so `--runs 1 --seed X` replays one run
  unsigned jobs = 1;       // child processes at a time
  bool inProcess = false;  // no children: for a debugger (a crash ends the campaign)
  bool verbose = false;    // a line for every run, not only for those that broke a promise
  std::uint64_t boundMs = 600000;  // virtual time a run may take
  unsigned watchdogSeconds = 60;   // real time a child may take
};

// False with `error` set on a malformed command line.
bool ParseOptions(int argc, char** argv, CampaignOptions* options, std::string* error);
const char* Usage();

}  // namespace vantor::campaign
