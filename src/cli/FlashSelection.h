#pragma once
// `flash`: which controllers (--device, --all, --wait), locked, then one update or
// the bench's updates.

#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "hid/CHid.h"

namespace vantor::cli {

class Environment;
class InterruptWatcher;

int RunFlashCommand(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts);

// The attached controllers, after waiting for one when --wait was given. Nothing when
// the command must end (said, with `exitCode` set).
std::optional<std::vector<hid::FoundController>> AttachedAfterWait(const CommonOptions& options,
                                                                   Environment& environment,
                                                                   const InterruptWatcher& interrupts, int* exitCode);

}  // namespace vantor::cli
