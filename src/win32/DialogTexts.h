#pragma once
// Texts only the dialog shows, in the same two string tables as every other text.

#include "base/LocalizedText.h"

namespace vantor::text {
// Asked before closing while an update runs: whether to stop, and what stopping means.
inline constexpr TextSlot kCloseQuestion = 240;
inline constexpr TextSlot kFailureReason = 241;  // "Reason: %s." under the failure text
inline constexpr TextSlot kControllerAccessDenied = 243;
inline constexpr TextSlot kControllerUnopenable = 244;
inline constexpr TextSlot kPackageUnreadableAt = 245;  // with the file's path
// The instruction text while an update runs: the notice, then the stage.
inline constexpr TextSlot kInstructionUpdating = 246;
inline constexpr TextSlot kInstructionErasing = 247;
inline constexpr TextSlot kInstructionMain = 248;
inline constexpr TextSlot kInstructionRadio = 249;
inline constexpr TextSlot kInstructionFinishing = 250;
inline constexpr TextSlot kDropOnlyPackage = 251;  // something other than a .dat was dropped
// The instruction text when no controller can be updated, for what the checks found.
inline constexpr TextSlot kInstructionNormalMode = 184;
inline constexpr TextSlot kInstructionInUse = 185;
inline constexpr TextSlot kInstructionNoHid = 186;  // with the system's reason
// The offer's details under the confirmation, in the command line's words.
inline constexpr TextSlot kOfferInstalledFirmware = 31;
inline constexpr TextSlot kOfferOlderThanInstalled = 33;
inline constexpr TextSlot kOfferSameAsInstalled = 34;
inline constexpr TextSlot kOfferRadioWrittenToo = 35;
inline constexpr TextSlot kOfferRadioNotWritten = 36;
}  // namespace vantor::text
