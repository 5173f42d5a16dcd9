#pragma once
// Ctrl-C, SIGTERM, SIGHUP (terminal closed) and SIGPIPE (reader gone) during any
// command. On POSIX systems the signals are blocked in every thread and taken by one
// watcher thread with sigtimedwait, so no report write or read is ever cut by a
// signal and nothing runs in a signal handler; the command stops at its next safe
// point and exits 128 + the signal's number. A write to a closed pipe fails quietly
// (SIGPIPE is never delivered) and counts as SIGPIPE. On Windows the console's control
// handler (which runs on a thread of its own) does the same job for Ctrl-C.
//
// Construct it first thing in main(), before any other thread exists: threads inherit
// the blocked signals, and a signal that came earlier would end the process by itself.

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "workflow/CancelToken.h"

namespace vantor::cli {

class InterruptWatcher {
 public:
  InterruptWatcher();
  ~InterruptWatcher();
  InterruptWatcher(const InterruptWatcher&) = delete;
  InterruptWatcher& operator=(const InterruptWatcher&) = delete;

  // Cancelled on an interrupt (on the watcher's thread): what stops the workflow's
  // updates, waits and watches.
  workflow::CancelToken& cancel() { return cancel_; }
  bool fired() const { return fired_.load(); }
  // The first signal that came (SIGINT for Fire() without one); 0 before any.
  int signal() const { return signal_.load(); }
  // The exit code for the signal that came: 130 Ctrl-C, 143 SIGTERM, 129 SIGHUP, 141
  // SIGPIPE.
  int exitCode() const;
  // The watcher of this process, if one exists (for writers that meet a closed pipe).
  static InterruptWatcher* Current();
  // Readable once an interrupt has come (never read from): lets a wait for the user's
  // answer end at Ctrl-C. -1 where there is none.
  int cancelFd() const { return cancelPipe_[0]; }

  // Acts as if `signal` (Ctrl-C by default) had come.
  void Fire(int signal = 2);

 private:
  void Watch();

  std::atomic<bool> fired_{false};
  std::atomic<int> signal_{0};
  std::atomic<bool> stopping_{false};
  workflow::CancelToken cancel_;
  int cancelPipe_[2] = {-1, -1};
  std::thread thread_;
};

// Sends SIGINT to this process as a user would (on Windows: as the console would), and
// waits (bounded) until the watcher has taken it. For tests of early interrupts.
void InterruptSelf(InterruptWatcher& watcher);

// Reads a y/N answer from standard input, ending early when `cancelFd` (if not -1)
// becomes readable. Waits at most `timeoutMs`. Nothing: no answer came.
std::optional<bool> ReadYesNoAnswer(int cancelFd, int timeoutMs);

}  // namespace vantor::cli
