#include "cli/ExitCodes.h"

namespace vantor::cli {

int ExitCodeFor(UpdateOutcome outcome, int signalExit) {
  if (outcome == UpdateOutcome::kSucceeded) return kExitSuccess;
  if (signalExit != 0) return signalExit;
  if (outcome == UpdateOutcome::kInterrupted) return kExitInterrupted;
  switch (outcome) {
    case UpdateOutcome::kPackageRefused:
    case UpdateOutcome::kNoPackage:
    case UpdateOutcome::kNothingMatched:
    case UpdateOutcome::kDeclined:
      return kExitUsage;
    case UpdateOutcome::kFailed:
    case UpdateOutcome::kNotInBootMode:
    case UpdateOutcome::kNone:  // a worker that ended without saying how did not succeed
    default:
      return kExitUpdateFailed;
  }
}

}  // namespace vantor::cli
