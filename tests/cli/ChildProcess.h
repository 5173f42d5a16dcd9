#pragma once
// Runs the built vantor-update as a child process, as a user or a script would.

#include <sys/types.h>

#include <string>
#include <vector>

namespace vantor::testkit {

struct ProcessResult {
  int exitCode = -1;  // 128 + signal when the child was killed by one
  std::string out;
  std::string err;
};

// Runs the program with `arguments`, feeding `input` on its standard input, and waits
// for it (bounded: a child still running after `timeoutMs` is killed and the result's
// exitCode is -1).
ProcessResult RunProgram(const std::vector<std::string>& arguments, const std::string& input = "",
                         int timeoutMs = 60000, const std::vector<std::string>& environment = {});

// A child whose standard input stays open, so a test can act while it waits.
class RunningProgram {
 public:
  explicit RunningProgram(const std::vector<std::string>& arguments,
                          const std::vector<std::string>& environment = {});
  ~RunningProgram();
  // Reads standard output until it contains `text` or `timeoutMs` passes.
  bool WaitForOutput(const std::string& text, int timeoutMs);
  void Signal(int signal);
  // Writes to its standard input.
  void Write(const std::string& text);
  // Waits for the end (bounded) and collects what is left.
  ProcessResult Finish(int timeoutMs);

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string outText_;
  std::string errText_;
};

// The path of the program under test.
std::string ProgramPath();

}  // namespace vantor::testkit
