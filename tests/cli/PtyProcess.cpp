#include "PtyProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "ChildProcess.h"

extern char** environ;

namespace vantor::testkit {
namespace {

using SteadyClock = std::chrono::steady_clock;

int Left(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

PtyProgram::PtyProgram(const PtyOptions& options) {
  winsize size{};
  size.ws_row = 24;
  size.ws_col = static_cast<unsigned short>(options.columns);
  int slave = -1;
  if (openpty(&master_, &slave, nullptr, nullptr, &size) != 0) throw std::runtime_error("openpty failed");
  int outPipe[2] = {-1, -1};
  if (options.stdoutToPipe && pipe(outPipe) != 0) throw std::runtime_error("pipe failed");

  std::vector<std::string> all = {ProgramPath()};
  all.insert(all.end(), options.arguments.begin(), options.arguments.end());
  std::vector<std::string> variables;
  // The test's own environment, less what the options set anew (the first entry of a
  // name is the one a program reads).
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string entry = *variable;
    const std::string name = entry.substr(0, entry.find('='));
    bool overridden = false;
    for (const std::string& replacement : options.environment) {
      if (replacement.rfind(name + "=", 0) == 0) overridden = true;
    }
    if (!overridden) variables.push_back(entry);
  }
  variables.insert(variables.end(), options.environment.begin(), options.environment.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    // The child: its own session with the terminal as the controlling one.
    setsid();
    ioctl(slave, TIOCSCTTY, 0);
    dup2(slave, STDIN_FILENO);
    dup2(options.stdoutToPipe ? outPipe[1] : slave, STDOUT_FILENO);
    dup2(slave, STDERR_FILENO);
    close(master_);
    if (slave > STDERR_FILENO) close(slave);
    if (options.stdoutToPipe) {
      close(outPipe[0]);
      close(outPipe[1]);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int which : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(which, SIG_DFL);
    if (options.dataLimitBytes > 0) {
      rlimit limit{static_cast<rlim_t>(options.dataLimitBytes), static_cast<rlim_t>(options.dataLimitBytes)};
      setrlimit(RLIMIT_DATA, &limit);
    }
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(slave);
  if (options.stdoutToPipe) {
    close(outPipe[1]);
    out_ = outPipe[0];
  }
}

PtyProgram::~PtyProgram() {
  if (pid_ > 0 && result_.exitCode == -1 && !result_.signaled) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ != -1) close(master_);
  if (out_ != -1) close(out_);
}

void PtyProgram::Pump(int waitMs) {
  pollfd fds[2] = {{master_, POLLIN, 0}, {out_, POLLIN, 0}};
  const int count = out_ != -1 ? 2 : 1;
  if (master_ == -1) fds[0].fd = -1;
  if (poll(fds, static_cast<nfds_t>(count), waitMs) <= 0) return;
  char buffer[4096];
  if (master_ != -1 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
    const ssize_t got = read(master_, buffer, sizeof buffer);
    if (got > 0) {
      result_.terminal.append(buffer, static_cast<std::size_t>(got));
    } else {
      close(master_);  // the terminal's other side has gone (EIO)
      master_ = -1;
    }
  }
  if (out_ != -1 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
    const ssize_t got = read(out_, buffer, sizeof buffer);
    if (got > 0) {
      result_.out.append(buffer, static_cast<std::size_t>(got));
    } else {
      close(out_);
      out_ = -1;
    }
  }
}

bool PtyProgram::WaitForTerminal(const std::string& text, int timeoutMs) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  while (result_.terminal.find(text) == std::string::npos) {
    if (Left(deadline) == 0 || (master_ == -1 && out_ == -1)) return false;
    Pump(std::min(Left(deadline), 100));
  }
  return true;
}

bool PtyProgram::WaitForOut(const std::string& text, int timeoutMs) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  while (result_.out.find(text) == std::string::npos) {
    if (Left(deadline) == 0 || (master_ == -1 && out_ == -1)) return false;
    Pump(std::min(Left(deadline), 100));
  }
  return true;
}

void PtyProgram::Type(const std::string& text) {
  [[maybe_unused]] const ssize_t written = write(master_, text.data(), text.size());
}

void PtyProgram::Signal(int signal) { kill(pid_, signal); }

void PtyProgram::CloseOut() {
  if (out_ != -1) close(out_);
  out_ = -1;
}

PtyResult PtyProgram::Finish(int timeoutMs) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (Left(deadline) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      result_.exitCode = -1;
      result_.signaled = false;
      pid_ = -1;
      return result_;
    }
    if (master_ == -1 && out_ == -1) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else {
      Pump(std::min(Left(deadline), 50));
    }
  }
  // What the program wrote before it ended.
  for (int i = 0; i < 50 && (master_ != -1 || out_ != -1); ++i) Pump(20);
  if (WIFEXITED(status)) result_.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) {
    result_.signaled = true;
    result_.signal = WTERMSIG(status);
    result_.exitCode = 128 + WTERMSIG(status);
  }
  pid_ = -1;
  return result_;
}

PtyResult RunOnPty(const PtyOptions& options, int timeoutMs) {
  PtyProgram program(options);
  return program.Finish(timeoutMs);
}

}  // namespace vantor::testkit
