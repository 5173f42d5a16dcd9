// fault-campaign: seeded update runs against the emulated controllers with random
// faults, judged by what the emulated flash holds. See docs/reliability.md.
#include <cstdio>
#include <string>

#include "Campaign.h"
#include "CampaignOptions.h"

int main(int argc, char** argv) {
  vantor::campaign::CampaignOptions options;
  std::string error;
  if (!vantor::campaign::ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "fault-campaign: %s\n%s", error.c_str(), vantor::campaign::Usage());
    return 2;
  }
  return vantor::campaign::RunCampaign(options, argv[0]);
}
