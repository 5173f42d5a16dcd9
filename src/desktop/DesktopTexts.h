#pragma once
// The slots of the texts the desktop app shows, in the same two tables as every other
// front end's. Slots the command line or the dialog also use keep their numbers here
// (they are one text each, shown by several front ends).

#include "base/LocalizedText.h"
#include "session/ResultWords.h"

namespace vantor::desktop::text {
// Shared with the command line and the dialog: the offer, the stages, the bench's
// verdicts, a refused drop. The failure reasons are session/ResultWords.h's.
inline constexpr TextSlot kNoController = 20;
inline constexpr TextSlot kNoPermission = 21;
inline constexpr TextSlot kCancelledNothingSent = 28;
inline constexpr TextSlot kOfferController = 30;
inline constexpr TextSlot kOfferInstalled = 31;
inline constexpr TextSlot kOfferNew = 32;
inline constexpr TextSlot kOfferOlder = 33;
inline constexpr TextSlot kOfferSame = 34;
inline constexpr TextSlot kOfferRadioWritten = 35;
inline constexpr TextSlot kOfferRadioKept = 36;
inline constexpr TextSlot kFirmwareNone = 56;
inline constexpr TextSlot kBenchConfirmAll = 96;
inline constexpr TextSlot kDropOnlyPackage = 251;
inline constexpr TextSlot kBenchGone = 98;
inline constexpr TextSlot kBenchCannotOpen = 99;
inline constexpr TextSlot kBenchNoAnswer = 100;
inline constexpr TextSlot kBenchNoFirmwareFor = 101;
inline constexpr TextSlot kBenchRefusedFor = 102;
inline constexpr TextSlot kBenchInterrupted = 103;
inline constexpr TextSlot kListInUse = 105;
inline constexpr TextSlot kBenchSummary = 154;  // updated, failed, not updated
inline constexpr TextSlot kControllerUnopenable = 116;
inline constexpr TextSlot kSerialNumber = 126;
inline constexpr TextSlot kLocation = 127;

// The desktop app's own.
inline constexpr TextSlot kUpdateAll = 303;
inline constexpr TextSlot kColumnController = 305;
inline constexpr TextSlot kColumnFirmware = 306;
inline constexpr TextSlot kColumnStatus = 307;
inline constexpr TextSlot kNotAsRoot = 311;
inline constexpr TextSlot kSeveralAttached = 313;
inline constexpr TextSlot kRowUpdating = 314;
inline constexpr TextSlot kRowWaiting = 315;
inline constexpr TextSlot kFirmwareFile = 319;  // the file choice's window title
// The boxes' buttons.
inline constexpr TextSlot kButtonOk = 320;
inline constexpr TextSlot kButtonCancel = 321;
inline constexpr TextSlot kButtonYes = 322;
inline constexpr TextSlot kButtonNo = 323;
}  // namespace vantor::desktop::text
