#pragma once
// `flash`: which controllers (--device, --all, --wait), locked, then one update or
// the bench's updates.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/Environment.h"
#include "hid/CHid.h"

namespace vantor::cli {

class InterruptWatcher;

int RunFlashCommand(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts);

// The attached controllers, after waiting for one when --wait was given. Nothing when
// the command must end (said, with `exitCode` set).
std::optional<std::vector<hid::FoundController>> AttachedAfterWait(const CommonOptions& options,
                                                                   Environment& environment,
                                                                   const InterruptWatcher& interrupts, int* exitCode);

// How every command that works on attached controllers starts: the environment
// (USB or emulated), then the controllers, after waiting for one under --wait.
struct ControllersAtHand {
  std::unique_ptr<Environment> environment;
  std::vector<hid::FoundController> attached;
};
// Nothing when the command must end (said, with `exitCode` set).
std::optional<ControllersAtHand> OpenAndWait(const CommonOptions& options, const InterruptWatcher& interrupts,
                                             int* exitCode);

}  // namespace vantor::cli
