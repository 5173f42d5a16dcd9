#pragma once
// Runs the built vantor-update on a pseudo-terminal of a chosen width, as a user in a
// terminal runs it: standard input and error are the terminal, standard output the
// terminal too or a pipe (`vantor-update flash FILE > log.txt`).

#include <sys/types.h>

#include <string>
#include <vector>

namespace vantor::testkit {

struct PtyOptions {
  std::vector<std::string> arguments;
  std::vector<std::string> environment;  // added to the test's own ("TERM=dumb")
  int columns = 80;
  bool stdoutToPipe = false;
  long dataLimitBytes = 0;  // RLIMIT_DATA for the program; 0: none
};

struct PtyResult {
  int exitCode = -1;      // -1: still running at the bound, then killed
  bool signaled = false;  // ended by a signal instead of exiting
  int signal = 0;
  std::string terminal;   // everything written to the terminal
  std::string out;        // standard output, when it went to a pipe
};

class PtyProgram {
 public:
  explicit PtyProgram(const PtyOptions& options);
  ~PtyProgram();
  PtyProgram(const PtyProgram&) = delete;
  PtyProgram& operator=(const PtyProgram&) = delete;

  // Reads until the terminal (or the stdout pipe) shows `text`, at most `timeoutMs`.
  bool WaitForTerminal(const std::string& text, int timeoutMs);
  bool WaitForOut(const std::string& text, int timeoutMs);
  // Types on the terminal.
  void Type(const std::string& text);
  void Signal(int signal);
  // Closes the reading end of the stdout pipe (`| head` ending).
  void CloseOut();
  // Waits (bounded) for the end, collecting what is left.
  PtyResult Finish(int timeoutMs);

 private:
  void Pump(int waitMs);

  pid_t pid_ = -1;
  int master_ = -1;
  int out_ = -1;
  PtyResult result_;
};

// Runs to the end with nothing typed.
PtyResult RunOnPty(const PtyOptions& options, int timeoutMs = 60000);

}  // namespace vantor::testkit
