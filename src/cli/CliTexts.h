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
}  // namespace vantor::cli::text
