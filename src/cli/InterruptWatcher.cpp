#include "cli/InterruptWatcher.h"

#include <chrono>
#include <cstdio>
#include <csignal>
#include <string>

#include "cli/TerminalView.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <poll.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace vantor::cli {

namespace {
std::atomic<InterruptWatcher*> g_watcher{nullptr};
}  // namespace

InterruptWatcher* InterruptWatcher::Current() { return g_watcher.load(); }

int InterruptWatcher::exitCode() const {
  const int which = signal_.load();
  return 128 + (which == 0 ? 2 : which);
}

#ifdef _WIN32

namespace {

BOOL WINAPI ConsoleHandler(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (InterruptWatcher* watcher = g_watcher.load()) watcher->Fire(SIGINT);
  return TRUE;
}
}  // namespace

InterruptWatcher::InterruptWatcher() {
  g_watcher = this;
  SetConsoleCtrlHandler(ConsoleHandler, TRUE);
}

InterruptWatcher::~InterruptWatcher() {
  SetConsoleCtrlHandler(ConsoleHandler, FALSE);
  g_watcher = nullptr;
}

void InterruptWatcher::Watch() {}

std::optional<bool> ReadYesNoAnswer(int /*cancelFd*/, int /*timeoutMs*/) {
  char line[256];
  if (std::fgets(line, sizeof line, stdin) == nullptr) return std::nullopt;
  return IsYes(line);
}

#else

namespace {
sigset_t InterruptSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  sigaddset(&signals, SIGPIPE);
  return signals;
}
}  // namespace

InterruptWatcher::InterruptWatcher() {
  const sigset_t signals = InterruptSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  // Blocked and ignored: a write to a closed pipe returns EPIPE instead of killing the
  // process, and a SIGPIPE sent from outside still waits for the watcher.
  ::signal(SIGPIPE, SIG_IGN);
  if (pipe(cancelPipe_) != 0) cancelPipe_[0] = cancelPipe_[1] = -1;
  g_watcher = this;
  thread_ = std::thread([this] { Watch(); });
}

InterruptWatcher::~InterruptWatcher() {
  g_watcher = nullptr;
  stopping_ = true;
  thread_.join();
  // The run has decided its result by now; a Ctrl-C still pending would only turn that
  // result into a kill by the signal once the signals are unblocked.
  const sigset_t signals = InterruptSignals();
  timespec noWait{0, 0};
  while (sigtimedwait(&signals, nullptr, &noWait) > 0) {
  }
  pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
  for (int fd : cancelPipe_) {
    if (fd != -1) close(fd);
  }
}

void InterruptWatcher::Watch() {
  const sigset_t signals = InterruptSignals();
  while (!stopping_.load()) {
    timespec wait{0, 100 * 1000 * 1000};
    const int which = sigtimedwait(&signals, nullptr, &wait);
    if (which > 0) Fire(which);
  }
}

std::optional<bool> ReadYesNoAnswer(int cancelFd, int timeoutMs) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {cancelFd, POLLIN, 0}};
    const int ready = poll(fds, cancelFd == -1 ? 1 : 2, static_cast<int>(left.count()));
    if (ready < 0) return std::nullopt;
    if (ready == 0) continue;
    if (cancelFd != -1 && (fds[1].revents & POLLIN) != 0) return std::nullopt;
    char c = 0;
    const ssize_t got = read(STDIN_FILENO, &c, 1);
    if (got <= 0) return line.empty() ? std::nullopt : std::optional<bool>(IsYes(line));
    if (c == '\n') return IsYes(line);
    line += c;
  }
}

#endif

void InterruptSelf(InterruptWatcher& watcher) {
#ifdef _WIN32
  watcher.Fire(SIGINT);
#else
  kill(getpid(), SIGINT);
  for (int i = 0; i < 500 && !watcher.fired(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
#endif
}

void InterruptWatcher::Fire(int signal) {
  int none = 0;
  signal_.compare_exchange_strong(none, signal);
  const bool first = !fired_.exchange(true);
#ifndef _WIN32
  if (first && cancelPipe_[1] != -1) {
    const char byte = 'i';
    [[maybe_unused]] const auto written = write(cancelPipe_[1], &byte, 1);
  }
#else
  (void)first;
#endif
  cancel_.Cancel();
}

}  // namespace vantor::cli
