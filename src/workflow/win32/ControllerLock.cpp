#include "workflow/ControllerLock.h"

#include <windows.h>

#include "base/Format.h"

namespace vantor::workflow {

ControllerLock::Taken ControllerLock::Acquire(const hid::FoundController& controller) {
  Taken taken;
  std::unique_ptr<ControllerLock> lock(new ControllerLock());
  // The global namespace: one lock per controller whatever session runs the update.
  std::string name = "Global\\" + LockFileName(controller);
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  if (mutex == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
    name = "Local\\" + LockFileName(controller);
    mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  }
  lock->name_ = name;
  if (mutex == nullptr) {
    taken.problem = LockProblem::kError;
    taken.detail = Format("cannot make the lock %s (error %lu)", name.c_str(), GetLastError());
    return taken;
  }
  const DWORD waited = WaitForSingleObject(mutex, 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    CloseHandle(mutex);
    taken.problem = LockProblem::kBusy;
    return taken;
  }
  lock->held_ = reinterpret_cast<std::intptr_t>(mutex);
  taken.lock = std::move(lock);
  return taken;
}

ControllerLock::~ControllerLock() {
  if (held_ != -1) {
    const auto mutex = reinterpret_cast<HANDLE>(held_);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  }
}

}  // namespace vantor::workflow
