#pragma once
// Why an update failed and what the user does next, in the user's language: the one
// wording both front ends show (the dialog's failure box, the command line's verdict).
// Pure functions of the result; callable from any thread.

#include <string>

#include "base/LocalizedText.h"
#include "session/UpdateResult.h"

namespace vantor::text {
// A FailureReason each; refusal and read-back carry a number (%u, %x).
inline constexpr TextSlot kReasonRefused = 37;
inline constexpr TextSlot kReasonNoAnswer = 38;
inline constexpr TextSlot kReasonUnplugged = 39;
inline constexpr TextSlot kReasonWriteFailed = 40;
inline constexpr TextSlot kReasonPackageUnreadable = 41;
inline constexpr TextSlot kReasonReadBackMismatch = 62;
// The finish or the run command went out, but the controller was not seen to restart.
inline constexpr TextSlot kReasonUnconfirmed = 200;
// The next try, as each front end starts it.
inline constexpr TextSlot kNextStepRunFlash = 43;
inline constexpr TextSlot kNextStepClickUpdate = 242;
// The stages as progress lines and rows name them.
inline constexpr TextSlot kStageErasing = 46;
inline constexpr TextSlot kStageMain = 47;
inline constexpr TextSlot kStageRadio = 48;
inline constexpr TextSlot kStageFinishing = 49;
inline constexpr TextSlot kStageProbing = 59;
inline constexpr TextSlot kStageChoosing = 60;
inline constexpr TextSlot kStageRestarting = 61;
inline constexpr TextSlot kStageVerifying = 63;
// Why a package is refused for a controller, one text per PackageProblem.
inline constexpr TextSlot kProblemMainTruncated = 65;
inline constexpr TextSlot kProblemRadioTruncated = 66;
inline constexpr TextSlot kProblemNothingToWrite = 67;
inline constexpr TextSlot kProblemBeyondFormatLimit = 68;
inline constexpr TextSlot kProblemMainOutsideFlash = 69;
inline constexpr TextSlot kProblemRadioOutsideFlash = 70;
inline constexpr TextSlot kProblemNotAPackage = 178;
inline constexpr TextSlot kProblemRadioImageEmpty = 201;
}  // namespace vantor::text

namespace vantor {

// The reason of a failure ("the controller was unplugged"); the plain failure text
// when the result names no reason.
std::string ReasonText(const UpdateResult& result);

// How the user starts the next try from where the failed update left the controller.
enum class RetryBy {
  kCommandLine,  // run flash again
  kDialog,       // click "USB Update" again
};
// After any failure the controller waits in its boot mode (or has to be put there
// again): the step that leads to the next try.
std::string NextStepText(RetryBy retry);

// Why a package is refused ("the matched section runs past the end of the file"), in
// the user's language; every front end names a refusal with it.
std::string PackageProblemText(package::PackageProblem problem);

// The stage as the user reads it ("erasing", "main image"); empty for kIdle.
std::string StageLabel(UpdateStage stage);

}  // namespace vantor
