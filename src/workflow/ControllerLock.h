#pragma once
// One update per controller across processes and users: an advisory lock per
// controller, held from before the first report to it until its update has ended. A
// second updater that wants the same controller is told it is in use instead of
// interleaving its reports with the running update's; a probe (a version query)
// takes it too, so it never lands in the middle of another's update.
//
// Linux: flock on the controller's device node itself (/dev/hidrawN), so the lock is
// one per controller per machine whoever runs it (a desktop session and sudo alike),
// and only a user who may open the controller can hold it. Controllers without a node
// (the emulated bench, other systems) lock a file in a folder shared by every user
// ($VANTOR_LOCK_DIR, else /run/lock, else /tmp), named after a digest of the
// controller's ids and location or serial number. Windows: a named mutex in the global
// namespace. The system drops each when the process ends, however it ends.

#include <cstdint>
#include <memory>
#include <string>

#include "hid/CHid.h"

namespace vantor::workflow {

enum class LockProblem {
  kNone,
  kBusy,   // another process holds it
  kError,  // it could not be taken (the detail says why)
};

class ControllerLock {
 public:
  struct Taken;
  static Taken Acquire(const hid::FoundController& controller);
  ~ControllerLock();
  ControllerLock(const ControllerLock&) = delete;
  ControllerLock& operator=(const ControllerLock&) = delete;

  // What is locked (a device node, a file path or the mutex's name).
  const std::string& name() const { return name_; }

 private:
  ControllerLock() = default;
  std::string name_;
  // The descriptor (POSIX) or mutex handle (Windows) held; -1 when nothing is.
  std::intptr_t held_ = -1;
};

struct ControllerLock::Taken {
  std::unique_ptr<ControllerLock> lock;  // null unless kNone
  LockProblem problem = LockProblem::kNone;
  std::string detail;
};

// The lock file's name for a controller without a device node: a digest of its ids
// and its location, else serial number, else path, so no two controllers share one
// and no name is too long ("vantor-update-2dc8-3002-<24 hex digits>.lock").
std::string LockFileName(const hid::FoundController& controller);

}  // namespace vantor::workflow
