#pragma once
// What a listing of the attached controllers adds to each one's identity: whether it
// answers the probe (boot mode, version). A controller another process is updating is
// not asked: its lock is held, and a version query would land in the middle of that
// update.

#include <optional>

#include "hid/CHid.h"
#include "workflow/ControllerReport.h"
#include "workflow/Environment.h"

namespace vantor::workflow {

struct ListedController {
  hid::FoundController controller;
  bool inUse = false;                     // another process holds its lock: not probed
  std::optional<ControllerReport> probe;  // when probed
};

// Locks the controller (where the environment locks), probes it and lets it go.
ListedController ProbeForList(Environment& environment, const hid::FoundController& controller);

}  // namespace vantor::workflow
