#pragma once
// The command line's exit codes, one per category a script or a repair bench acts on.

#include "session/UpdateSession.h"

namespace vantor::cli {

enum ExitCode : int {
  kExitSuccess = 0,
  kExitUpdateFailed = 1,
  kExitUsage = 2,  // bad usage, or a package that is refused
  kExitNoController = 3,
  kExitNoPermission = 4,
  kExitNoHidLibrary = 5,  // the system's HID library cannot be loaded or used
  kExitPackageMismatch = 6,  // --expect-sha256: the package is not the one expected
  // Stopped by a signal at a safe point: 128 + the signal, as shells report a program
  // ended by it (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP, 141 SIGPIPE).
  kExitInterrupted = 130,
};

// The exit code for how an update ended. `signalExit`: the exit code of a signal that
// came (0: none), which wins over any ending but success.
int ExitCodeFor(UpdateOutcome outcome, int signalExit);

}  // namespace vantor::cli
