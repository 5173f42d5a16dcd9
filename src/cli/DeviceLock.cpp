#include "cli/DeviceLock.h"

#include <cstdlib>
#include <cstring>

#include "base/Format.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vantor::cli {
namespace {

std::string Safe(const std::string& text) {
  std::string safe;
  for (const char c : text) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
                       c == '.' || c == '_';
    safe += plain ? c : '_';
  }
  return safe;
}

}  // namespace

std::string LockKey(const hid::FoundController& controller) {
  const std::string ids = Format("%04x-%04x", controller.vendorId, controller.productId);
  if (controller.location) return ids + "-at-" + Safe(*controller.location);
  if (controller.serialNumber) return ids + "-sn-" + Safe(*controller.serialNumber);
  return ids + "-path-" + Safe(controller.path);
}

#ifdef _WIN32

std::string LockName(const hid::FoundController& controller) {
  return "Local\\vantor-update-" + LockKey(controller);
}

std::unique_ptr<DeviceLock> DeviceLock::Acquire(const hid::FoundController& controller, bool* busy,
                                                std::string* error) {
  *busy = false;
  std::unique_ptr<DeviceLock> lock(new DeviceLock());
  lock->name_ = LockName(controller);
  const std::wstring wide(lock->name_.begin(), lock->name_.end());  // the key is ASCII
  HANDLE mutex = CreateMutexW(nullptr, FALSE, wide.c_str());
  if (mutex == nullptr) {
    *error = Format("cannot make the lock %s (error %lu)", lock->name_.c_str(), GetLastError());
    return nullptr;
  }
  const DWORD waited = WaitForSingleObject(mutex, 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    CloseHandle(mutex);
    *busy = true;
    return nullptr;
  }
  lock->mutex_ = mutex;
  return lock;
}

DeviceLock::~DeviceLock() {
  if (mutex_ != nullptr) {
    ReleaseMutex(static_cast<HANDLE>(mutex_));
    CloseHandle(static_cast<HANDLE>(mutex_));
  }
}

#else

std::string LockName(const hid::FoundController& controller) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string folder = runtime != nullptr && *runtime != '\0' ? runtime : "/tmp";
  return folder + "/vantor-update-" + LockKey(controller) + ".lock";
}

std::unique_ptr<DeviceLock> DeviceLock::Acquire(const hid::FoundController& controller, bool* busy,
                                                std::string* error) {
  *busy = false;
  std::unique_ptr<DeviceLock> lock(new DeviceLock());
  lock->name_ = LockName(controller);
  // Readable and writable for everyone: in /tmp another user's run must be able to
  // open the same file to be told the controller is in use. The umask would narrow the
  // mode, so it is set again on a file this run made. A file another user made may
  // still not be writable here (or, in a sticky folder, not openable with O_CREAT):
  // flock needs only a descriptor that reads.
  int fd = open(lock->name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd >= 0) {
    fchmod(fd, 0666);
  } else if (errno == EEXIST) {
    fd = open(lock->name_.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == EACCES) fd = open(lock->name_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  }
  if (fd < 0) {
    *error = "cannot open the lock file " + lock->name_ + ": " + std::strerror(errno);
    return nullptr;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int why = errno;
    close(fd);
    if (why == EWOULDBLOCK) {
      *busy = true;
    } else {
      *error = "cannot lock " + lock->name_ + ": " + std::strerror(why);
    }
    return nullptr;
  }
  lock->fd_ = fd;
  return lock;
}

DeviceLock::~DeviceLock() {
  // The file stays: removing it would let a third process lock a new file while a
  // second still waits on the old one.
  if (fd_ >= 0) close(fd_);
}

#endif

}  // namespace vantor::cli
