#pragma once
// `flash --all FILE`: every selected controller updated at once (the workflow's bench),
// after the package was read and judged once for all, with a row on the board each.

#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "hid/CHid.h"
#include "workflow/Environment.h"

namespace vantor::cli {

class InterruptWatcher;

int RunFlashAll(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts,
                workflow::Environment& environment, const std::vector<hid::FoundController>& controllers);

// Reads and judges the package before any controller is touched. False (said, with
// `exitCode` set) when it cannot be used for anything.
bool CheckBenchPackage(const CommonOptions& options, const std::string& file, int* exitCode);

// Asks once for the whole bench, unless --yes. False: not confirmed (said).
bool ConfirmBench(const CommonOptions& options, InterruptWatcher& interrupts, const std::string& question);

}  // namespace vantor::cli
