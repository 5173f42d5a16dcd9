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
  kExitInterrupted = 130,  // as shells report a program ended by SIGINT
};

// The exit code for how an update ended. `interrupted`: the user pressed Ctrl-C, which
// wins over any ending but success (a prompt left by Ctrl-C ends as "no package").
int ExitCodeFor(UpdateOutcome outcome, bool interrupted);

}  // namespace vantor::cli
