#pragma once
// Why an update failed and what the user does next, in the user's language: the one
// wording both front ends show (the dialog's failure box, the command line's verdict).
// Pure functions of the result; callable from any thread.

#include <cstdint>
#include <optional>
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
// A window's progress line.
inline constexpr TextSlot kStageBytes = 308;  // stage, bytes sent, bytes in all
inline constexpr TextSlot kTimeLeft = 309;    // appended to kStageBytes
inline constexpr TextSlot kSeconds = 316;
inline constexpr TextSlot kMinutesSeconds = 317;
// A window's ending of an update.
inline constexpr TextSlot kCancelledNothingSent = 28;
inline constexpr TextSlot kUpdateFailedBecause = 42;  // stage, reason
inline constexpr TextSlot kRunsNormalFirmware = 44;
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

// "12.0 KiB": bytes in the unit that keeps the number short.
std::string SizeText(std::uint64_t bytes);
// "5 s", "2 min 5 s", rounded up: "0 s left" while bytes are still to go would be wrong.
std::string DurationText(std::uint64_t milliseconds);
// "main image: 12.0 KiB of 60.0 KiB, 5 s left" (without the time when none is known),
// as a window's status line says it.
std::string ProgressLine(const ByteProgress& progress, std::optional<std::uint64_t> leftMs);

// How an update ended, as a window says it (the desktop app, the browser page): its
// status line, and whether the controller was left as it was.
struct Ending {
  bool succeeded = false;
  bool wroteNothing = false;  // declined, refused or never begun: the controller is as it was
  std::string text;           // what happened and, after a failure, the next step; empty
                              // when no file was chosen (the user went back)
};
Ending EndingOf(const UpdateResult& result);

// Why a package is refused ("the matched section runs past the end of the file"), in
// the user's language; every front end names a refusal with it.
std::string PackageProblemText(package::PackageProblem problem);

// The stage as the user reads it ("erasing", "main image"); empty for kIdle.
std::string StageLabel(UpdateStage stage);

}  // namespace vantor
