#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace vantor::testkit {
namespace {

using SteadyClock = std::chrono::steady_clock;

int MillisecondsLeft(SteadyClock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment, int* in,
            int* out, int* err) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inPipe[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) {
    posix_spawn_file_actions_addclose(&actions, fd);
  }
  // The child must not inherit a blocked or ignored SIGINT from the test runner.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<std::string> all = {ProgramPath()};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) variables.emplace_back(*variable);
  variables.insert(variables.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);
  if (failed != 0) throw std::runtime_error(std::string("cannot start the program: ") + std::strerror(failed));
  *in = inPipe[1];
  *out = outPipe[0];
  *err = errPipe[0];
  return pid;
}

// Moves whatever is readable into the texts, waiting at most `waitMs`; a pipe at its
// end is closed and set to -1. False once both have ended.
bool Drain(int* out, int* err, std::string* outText, std::string* errText, int waitMs) {
  int* fds[2] = {out, err};
  std::string* texts[2] = {outText, errText};
  pollfd polled[2] = {{*out, POLLIN, 0}, {*err, POLLIN, 0}};
  if (*out == -1 && *err == -1) return false;
  if (poll(polled, 2, waitMs) <= 0) return true;
  char buffer[4096];
  for (int i = 0; i < 2; ++i) {
    if (*fds[i] == -1 || (polled[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    const ssize_t got = read(*fds[i], buffer, sizeof buffer);
    if (got > 0) {
      texts[i]->append(buffer, static_cast<std::size_t>(got));
    } else {
      close(*fds[i]);
      *fds[i] = -1;
    }
  }
  return *out != -1 || *err != -1;
}

int WaitForExit(pid_t pid, SteadyClock::time_point deadline) {
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
      return -1;
    }
    if (MillisecondsLeft(deadline) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace

std::string ProgramPath() { return VANTOR_UPDATE_PROGRAM; }

ProcessResult RunProgram(const std::vector<std::string>& arguments, const std::string& input, int timeoutMs,
                         const std::vector<std::string>& environment) {
  RunningProgram program(arguments, environment);
  program.Write(input);
  return program.Finish(timeoutMs);
}

RunningProgram::RunningProgram(const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment) {
  // A child that ended before reading its input must not take the test runner with it.
  signal(SIGPIPE, SIG_IGN);
  pid_ = Spawn(arguments, environment, &in_, &out_, &err_);
}

void RunningProgram::Write(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(in_, text.data() + done, text.size() - done);
    if (wrote <= 0) return;
    done += static_cast<std::size_t>(wrote);
  }
}

RunningProgram::~RunningProgram() {
  if (pid_ != -1) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  for (int fd : {in_, out_, err_}) {
    if (fd != -1) close(fd);
  }
}

bool RunningProgram::WaitForOutput(const std::string& text, int timeoutMs) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  while (outText_.find(text) == std::string::npos) {
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return false;
    if (!Drain(&out_, &err_, &outText_, &errText_, left)) return outText_.find(text) != std::string::npos;
  }
  return true;
}

void RunningProgram::Signal(int signal) { kill(pid_, signal); }

ProcessResult RunningProgram::Finish(int timeoutMs) {
  const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  close(in_);
  in_ = -1;
  while (MillisecondsLeft(deadline) > 0 && Drain(&out_, &err_, &outText_, &errText_, MillisecondsLeft(deadline))) {
  }
  ProcessResult result;
  result.exitCode = WaitForExit(pid_, deadline);
  pid_ = -1;
  result.out = outText_;
  result.err = errText_;
  return result;
}

}  // namespace vantor::testkit
