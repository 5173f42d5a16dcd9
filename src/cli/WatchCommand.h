#pragma once
// `watch FILE`: the bench loop. Waits for controllers, updates each as it appears,
// one result line per unit (--json: one JSON document per line), and never updates a
// unit twice unless it was unplugged in between. Runs until Ctrl-C, which stops the
// running updates at their safe point.

#include <string>

#include "cli/CliOptions.h"

namespace vantor::cli {

class InterruptWatcher;

int RunWatch(const CommonOptions& options, const std::string& file, InterruptWatcher& interrupts);

}  // namespace vantor::cli
