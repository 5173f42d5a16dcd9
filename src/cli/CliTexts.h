#pragma once
// Texts only the command line shows, in the same two string tables as the dialog's.

#include "base/LocalizedText.h"

namespace vantor::cli::text {
inline constexpr TextSlot kInterrupted = 19;         // Ctrl-C: stopped, boot mode still works
inline constexpr TextSlot kNoController = 20;        // nothing supported attached
inline constexpr TextSlot kNoPermission = 21;        // present, but the udev rule is missing
inline constexpr TextSlot kNoMatchingFirmware = 22;  // no section for this controller
inline constexpr TextSlot kCancelled = 23;           // the user answered no
inline constexpr TextSlot kContinuePrompt = 24;      // "Continue? [y/N] "
inline constexpr TextSlot kDeviceBusy = 25;          // another program holds the controller
inline constexpr TextSlot kNoFirmwareInstalled = 26;
inline constexpr TextSlot kCancelledNothingSent = 27;
inline constexpr TextSlot kDeclinedUseYes = 28;
inline constexpr TextSlot kOfferController = 29;
inline constexpr TextSlot kOfferInstalled = 30;
inline constexpr TextSlot kOfferNew = 31;
inline constexpr TextSlot kOfferOlder = 32;
inline constexpr TextSlot kOfferSame = 33;
inline constexpr TextSlot kOfferRadioWritten = 34;
inline constexpr TextSlot kOfferRadioKept = 35;
inline constexpr TextSlot kReasonRefused = 36;
inline constexpr TextSlot kReasonNoAnswer = 37;
inline constexpr TextSlot kReasonUnplugged = 38;
inline constexpr TextSlot kReasonWriteFailed = 39;
inline constexpr TextSlot kReasonPackageUnreadable = 40;
inline constexpr TextSlot kUpdateFailedBecause = 41;
inline constexpr TextSlot kNextStepBootMode = 42;
inline constexpr TextSlot kNotInBootModeCli = 43;
inline constexpr TextSlot kWaiting = 44;
inline constexpr TextSlot kStageErasing = 45;
inline constexpr TextSlot kStageMain = 46;
inline constexpr TextSlot kStageRadio = 47;
inline constexpr TextSlot kStageFinishing = 48;
inline constexpr TextSlot kTimeLeft = 49;
inline constexpr TextSlot kLabelController = 50;
inline constexpr TextSlot kLabelProtocol = 51;
inline constexpr TextSlot kLabelFirmware = 52;
inline constexpr TextSlot kLabelDevice = 53;
inline constexpr TextSlot kLabelRadio = 54;
inline constexpr TextSlot kFirmwareNone = 55;
inline constexpr TextSlot kFirmwareNotReported = 56;
inline constexpr TextSlot kStoppedBySignal = 57;
inline constexpr TextSlot kStageProbing = 58;
inline constexpr TextSlot kStageChoosing = 59;
inline constexpr TextSlot kStageRestarting = 60;
}  // namespace vantor::cli::text
