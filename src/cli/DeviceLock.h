#pragma once
// One update per controller across processes: an advisory lock per controller, held
// from before the first report to the controller until the update has ended. A second
// vantor-update that wants the same controller is told it is in use instead of
// interleaving its reports with the running update's.
//
// POSIX: flock on "vantor-update-<key>.lock" in $XDG_RUNTIME_DIR (else /tmp); the
// system drops it when the process ends, however it ends. Windows: a named mutex,
// which the system likewise abandons with its process.

#include <memory>
#include <string>

#include "hid/CHid.h"

namespace vantor::cli {

class DeviceLock {
 public:
  // The controller's lock, or null when another process holds it (`busy` true) or the
  // lock could not be made (`busy` false, `error` says why).
  static std::unique_ptr<DeviceLock> Acquire(const hid::FoundController& controller, bool* busy, std::string* error);
  ~DeviceLock();
  DeviceLock(const DeviceLock&) = delete;
  DeviceLock& operator=(const DeviceLock&) = delete;

  // Where the lock lives (a file path, or the mutex's name on Windows).
  const std::string& name() const { return name_; }

 private:
  DeviceLock() = default;
  std::string name_;
#ifdef _WIN32
  void* mutex_ = nullptr;
#else
  int fd_ = -1;
#endif
};

// What names a controller's lock: ids plus its location, else its serial number, else
// its path, made safe for a file name ("2dc8-3002-at-1-2.3").
std::string LockKey(const hid::FoundController& controller);
// The lock's file path (POSIX) or mutex name (Windows) for `controller`.
std::string LockName(const hid::FoundController& controller);

}  // namespace vantor::cli
