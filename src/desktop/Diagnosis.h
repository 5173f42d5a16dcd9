#pragma once
// What the window says instead of a bare disabled button: what `doctor` finds (the HID
// library, the udev rule, this user's access to the controller, a controller in its
// normal mode, none attached), worded as `doctor` words it, with the next step.
//
// Threads: DiagnoseHere reads the system's files and nodes, so it runs on the
// controller thread; EmptyStateOf is a pure function.

#include <string>

#include "workflow/ControllerReport.h"
#include "workflow/Diagnosis.h"
#include "workflow/Environment.h"

namespace vantor::desktop {

struct EmptyState {
  bool shown = false;
  std::string text;      // what was found
  std::string nextStep;  // what fixes it (commands to copy, where there are any)
};

// `environment` null: the HID library could not be had, `unavailable` says why.
workflow::Diagnosis DiagnoseHere(workflow::Environment* environment, const std::string& unavailable);

// Every problem found with its next step, or nothing shown when a controller can be
// updated.
EmptyState EmptyStateOf(const workflow::Diagnosis& diagnosis);

// What the probe's report alone says of a controller that cannot be updated (when the
// checks find nothing to blame, or an open fails at the click); empty for kNone.
std::string ProblemText(const workflow::ControllerReport& report);

}  // namespace vantor::desktop
