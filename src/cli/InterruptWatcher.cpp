#include "cli/InterruptWatcher.h"

#include <chrono>
#include <cstdio>
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

#ifdef _WIN32

namespace {
std::atomic<InterruptWatcher*> g_watcher{nullptr};

BOOL WINAPI ConsoleHandler(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (InterruptWatcher* watcher = g_watcher.load()) watcher->Fire();
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
  return signals;
}
}  // namespace

InterruptWatcher::InterruptWatcher() {
  if (pipe(cancelPipe_) != 0) cancelPipe_[0] = cancelPipe_[1] = -1;
  const sigset_t signals = InterruptSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  thread_ = std::thread([this] { Watch(); });
}

InterruptWatcher::~InterruptWatcher() {
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
    if (sigtimedwait(&signals, nullptr, &wait) > 0) Fire();
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

void InterruptWatcher::OnInterrupt(std::function<void()> action) {
  std::lock_guard<std::mutex> lock(actionMutex_);
  action_ = std::move(action);
}

void InterruptWatcher::Fire() {
  const bool first = !fired_.exchange(true);
#ifndef _WIN32
  if (first && cancelPipe_[1] != -1) {
    const char byte = 'i';
    [[maybe_unused]] const auto written = write(cancelPipe_[1], &byte, 1);
  }
#else
  (void)first;
#endif
  std::lock_guard<std::mutex> lock(actionMutex_);
  if (action_) action_();
}

}  // namespace vantor::cli
