#pragma once
// How every command that works on attached controllers starts (the environment, then
// the controllers, after waiting for one under --wait), and `flash`: which controllers,
// locked, then one update or the bench's updates.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "hid/CHid.h"
#include "workflow/Environment.h"

namespace vantor::cli {

class InterruptWatcher;

int RunFlashCommand(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts);

struct ControllersAtHand {
  std::unique_ptr<workflow::Environment> environment;
  std::vector<hid::FoundController> attached;
};
// Nothing when the command must end (said, with `exitCode` set).
std::optional<ControllersAtHand> OpenAndWait(const CommonOptions& options, InterruptWatcher& interrupts,
                                             int* exitCode);

}  // namespace vantor::cli
