#include "workflow/ControllerLock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace vantor::workflow {
namespace {

std::string LockFolder() {
  const char* chosen = std::getenv("VANTOR_LOCK_DIR");
  if (chosen != nullptr && *chosen != '\0') return chosen;
  struct stat status {};
  if (stat("/run/lock", &status) == 0 && S_ISDIR(status.st_mode) && access("/run/lock", W_OK) == 0) return "/run/lock";
  return "/tmp";
}

ControllerLock::Taken Problem(LockProblem problem, std::string detail = {}) {
  ControllerLock::Taken taken;
  taken.problem = problem;
  taken.detail = std::move(detail);
  return taken;
}

std::string Why(const std::string& what, const std::string& name, int error) {
  return "cannot " + what + " " + name + ": " + std::strerror(error);
}

}  // namespace

ControllerLock::Taken ControllerLock::Acquire(const hid::FoundController& controller) {
  std::unique_ptr<ControllerLock> lock(new ControllerLock());
  // Never blocks: O_NONBLOCK opens a FIFO put in the lock's place at once (and the
  // type check below refuses it); O_NOFOLLOW refuses a symbolic link.
  const int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
  const bool node = controller.path.rfind("/dev/", 0) == 0;
  int fd = -1;
  if (node) {
    lock->name_ = controller.path;
    fd = open(lock->name_.c_str(), flags);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == ENOENT)) {
      // Nothing to lock: this user cannot reach the controller (or it has gone), and
      // the update's own open says so.
      Taken taken;
      taken.lock = std::move(lock);
      return taken;
    }
  } else {
    lock->name_ = LockFolder() + "/" + LockFileName(controller);
    // Readable for everyone, so another user's run can be told the controller is in
    // use; not writable: flock needs only a descriptor that reads.
    fd = open(lock->name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd >= 0) {
      fchmod(fd, 0644);
    } else if (errno == EEXIST) {
      fd = open(lock->name_.c_str(), flags);
    }
  }
  if (fd < 0) return Problem(LockProblem::kError, Why("open the lock", lock->name_, errno));
  struct stat status {};
  const bool fits = fstat(fd, &status) == 0 && (node ? S_ISCHR(status.st_mode) : S_ISREG(status.st_mode));
  if (!fits) {
    close(fd);
    return Problem(LockProblem::kError, lock->name_ + (node ? " is not a device" : " is not a regular file"));
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int why = errno;
    close(fd);
    if (why == EWOULDBLOCK) return Problem(LockProblem::kBusy);
    return Problem(LockProblem::kError, Why("lock", lock->name_, why));
  }
  lock->held_ = fd;
  Taken taken;
  taken.lock = std::move(lock);
  return taken;
}

ControllerLock::~ControllerLock() {
  // A lock file stays: removing it would let a third process lock a new file while a
  // second still waits on the old one.
  if (held_ >= 0) close(static_cast<int>(held_));
}

}  // namespace vantor::workflow
