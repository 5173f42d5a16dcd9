#pragma once
// Runs the campaign: every run in a child process of its own (at most `jobs` at a time),
// so that a crash or a hang costs that run only and is reported with its seed.

#include "CampaignOptions.h"

namespace vantor::campaign {

// Prints the report; returns the exit code (1 when a promise broke, a run hung or crashed).
int RunCampaign(const CampaignOptions& options, const std::string& program);

}  // namespace vantor::campaign
