#pragma once
// What an update tells the front ends besides its texts: the stage it is in, how far
// each stage has come, and how it ended and why. The dialog shows its boxes; the
// command line reports from these facts, never from the boxes' wording.

#include <cstdint>

#include "package/FirmwarePackage.h"

namespace vantor {

enum class UpdateStage {
  kIdle,             // no update started yet
  kProbing,          // asking the controller for its version
  kChoosingPackage,  // file choice, section search, confirmation
  kErasingMain,
  kWritingMain,
  kStamping,  // the version word (and the radio's check word and version)
  kErasingRadio,
  kWritingRadio,
  kVerifying,   // reading the written regions back (addressed, when asked)
  kRestarting,  // the run command (addressed) or the finish command (framed)
};

enum class UpdateOutcome {
  kNone,            // no update finished yet
  kSucceeded,       // the controller took the whole image and was told so
  kFailed,          // see FailureReason
  kNotInBootMode,   // the controller runs its application, not its bootloader
  kNoPackage,       // no file chosen, or the file could not be read
  kNothingMatched,  // the package holds no section for this controller
  kDeclined,        // the user did not confirm the version offered
  kPackageRefused,  // truncated or empty: see UpdateResult::problem
  kInterrupted,     // stopped on request (closing, Ctrl-C) at a safe point
};

enum class FailureReason {
  kNone,
  kControllerRefused,  // the controller answered with a failure (UpdateResult::code)
  kNoAnswer,           // the controller stopped answering
  kUnplugged,          // the controller went away mid-update
  kWriteFailed,        // a report could not be written to the channel
  kPackageUnreadable,  // the package changed or could not be read mid-update
  kReadBackMismatch,   // the controller's flash does not hold what was written
  // The last command (framed finish, addressed run) went out but nothing the controller
  // did afterwards shows that it took it: it may run the new firmware or still wait in
  // its boot mode.
  kUnconfirmed,
};

struct UpdateResult {
  UpdateOutcome outcome = UpdateOutcome::kNone;
  FailureReason reason = FailureReason::kNone;  // for kFailed
  UpdateStage stage = UpdateStage::kIdle;       // the stage the update ended in
  // kControllerRefused: the framed failure command (21, 24) or the addressed status;
  // kReadBackMismatch after a verify: the first address that differs.
  std::uint32_t code = 0;
  package::PackageProblem problem = package::PackageProblem::kNone;  // kPackageRefused
};

// Progress of the running stage and of the whole update, in image bytes.
struct ByteProgress {
  UpdateStage stage = UpdateStage::kIdle;
  std::uint64_t stageSent = 0;
  std::uint64_t stageTotal = 0;
  std::uint64_t sent = 0;
  std::uint64_t total = 0;
};

// Stable names for logs and JSON ("erasing-main", "succeeded", "no-answer").
const char* StageName(UpdateStage stage);
const char* OutcomeName(UpdateOutcome outcome);
const char* ReasonName(FailureReason reason);

}  // namespace vantor
