// The browser page's lock. The page is one program on one thread, and it runs one
// update at a time; there is no folder or name shared with other programs in which a
// lock could be taken, so holding one only records what it stands for.

#include "workflow/ControllerLock.h"

namespace vantor::workflow {

ControllerLock::Taken ControllerLock::Acquire(const hid::FoundController& controller) {
  std::unique_ptr<ControllerLock> lock(new ControllerLock());
  lock->name_ = controller.path;
  lock->held_ = -1;  // nothing of the system is held
  Taken taken;
  taken.lock = std::move(lock);
  return taken;
}

ControllerLock::~ControllerLock() = default;

}  // namespace vantor::workflow
