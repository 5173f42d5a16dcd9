#pragma once
// Ctrl-C (and SIGTERM) during an update. On POSIX systems the signals are blocked in
// every thread and taken by one watcher thread with sigtimedwait, so no report write
// or read is ever cut by a signal and nothing runs in a signal handler. On Windows the
// console's control handler (which runs on a thread of its own) does the same job.
//
// Construct it before any other thread exists: threads inherit the blocked signals.

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace vantor::cli {

class InterruptWatcher {
 public:
  InterruptWatcher();
  ~InterruptWatcher();
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

  // What to do on an interrupt (called on the watcher's thread); replaces the last.
  void OnInterrupt(std::function<void()> action);
  bool fired() const { return fired_.load(); }
  // Readable once an interrupt has come (never read from): lets a wait for the user's
  // answer end at Ctrl-C. -1 where there is none.
  int cancelFd() const { return cancelPipe_[0]; }

  // Acts as if Ctrl-C had been pressed.
  void Fire();

 private:
  void Watch();

  std::atomic<bool> fired_{false};
  std::atomic<bool> stopping_{false};
  std::mutex actionMutex_;
  std::function<void()> action_;
  int cancelPipe_[2] = {-1, -1};
  std::thread thread_;
};

// Reads a y/N answer from standard input, ending early when `cancelFd` (if not -1)
// becomes readable. Waits at most `timeoutMs`. Nothing: no answer came.
std::optional<bool> ReadYesNoAnswer(int cancelFd, int timeoutMs);

}  // namespace vantor::cli
