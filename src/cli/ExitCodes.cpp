#include "cli/ExitCodes.h"

namespace vantor::cli {

int ExitCodeFor(UpdateOutcome outcome, bool interrupted) {
  if (outcome == UpdateOutcome::kSucceeded) return kExitSuccess;
  if (interrupted || outcome == UpdateOutcome::kInterrupted) return kExitInterrupted;
  switch (outcome) {
    case UpdateOutcome::kPackageRefused:
    case UpdateOutcome::kNoPackage:
      return kExitUsage;
    case UpdateOutcome::kFailed:
    case UpdateOutcome::kNotInBootMode:
    case UpdateOutcome::kNone:  // a worker that ended without saying how did not succeed
    default:
      return kExitUpdateFailed;
  }
}

const char* OutcomeName(UpdateOutcome outcome) {
  switch (outcome) {
    case UpdateOutcome::kNone:
      return "none";
    case UpdateOutcome::kSucceeded:
      return "succeeded";
    case UpdateOutcome::kFailed:
      return "failed";
    case UpdateOutcome::kNotInBootMode:
      return "not-in-boot-mode";
    case UpdateOutcome::kNoPackage:
      return "no-package";
    case UpdateOutcome::kPackageRefused:
      return "package-refused";
    case UpdateOutcome::kInterrupted:
      return "interrupted";
  }
  return "unknown";
}

}  // namespace vantor::cli
