#include "workflow/ControllerListing.h"

#include <memory>

#include "workflow/ControllerLock.h"
#include "workflow/UnattendedView.h"
#include "workflow/UpdateJob.h"

namespace vantor::workflow {

ListedController ProbeForList(Environment& environment, const hid::FoundController& controller) {
  ListedController listed;
  listed.controller = controller;
  std::unique_ptr<ControllerLock> lock;
  if (environment.locksControllers()) {
    ControllerLock::Taken taken = ControllerLock::Acquire(controller);
    if (!taken.lock) {
      listed.inUse = taken.problem == LockProblem::kBusy;
      return listed;
    }
    lock = std::move(taken.lock);
  }
  UnattendedView view("");
  JobSettings settings;
  settings.readRadioVersion = false;
  settings.readMode = true;
  UpdateJob job(environment, controller.path, view, settings);
  listed.probe = job.Probe();
  return listed;
}

}  // namespace vantor::workflow
