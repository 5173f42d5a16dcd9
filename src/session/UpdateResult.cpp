#include "session/UpdateResult.h"

namespace vantor {

const char* StageName(UpdateStage stage) {
  switch (stage) {
    case UpdateStage::kIdle:
      return "idle";
    case UpdateStage::kProbing:
      return "probing";
    case UpdateStage::kChoosingPackage:
      return "choosing-package";
    case UpdateStage::kErasingMain:
      return "erasing-main";
    case UpdateStage::kWritingMain:
      return "writing-main";
    case UpdateStage::kStamping:
      return "stamping";
    case UpdateStage::kErasingRadio:
      return "erasing-radio";
    case UpdateStage::kWritingRadio:
      return "writing-radio";
    case UpdateStage::kVerifying:
      return "verifying";
    case UpdateStage::kRestarting:
      return "restarting";
  }
  return "unknown";
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
    case UpdateOutcome::kNothingMatched:
      return "nothing-matched";
    case UpdateOutcome::kDeclined:
      return "declined";
    case UpdateOutcome::kPackageRefused:
      return "package-refused";
    case UpdateOutcome::kInterrupted:
      return "interrupted";
  }
  return "unknown";
}

const char* ReasonName(FailureReason reason) {
  switch (reason) {
    case FailureReason::kNone:
      return "none";
    case FailureReason::kControllerRefused:
      return "controller-refused";
    case FailureReason::kNoAnswer:
      return "no-answer";
    case FailureReason::kUnplugged:
      return "unplugged";
    case FailureReason::kWriteFailed:
      return "write-failed";
    case FailureReason::kPackageUnreadable:
      return "package-unreadable";
    case FailureReason::kReadBackMismatch:
      return "read-back-mismatch";
    case FailureReason::kUnconfirmed:
      return "unconfirmed";
  }
  return "unknown";
}

}  // namespace vantor
