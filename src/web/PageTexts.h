#pragma once
// The page's own texts (slots 500 to 539) and the page's wording of the update's facts:
// how an update ended with the next step, the offer to confirm, the progress line.
// Pure functions of values, in the user's language.

#include <cstdint>
#include <optional>
#include <string>

#include "base/LocalizedText.h"
#include "session/PackageOffer.h"
#include "session/UpdateResult.h"
#include "web/Json.h"

namespace vantor::web {

namespace text {
inline constexpr TextSlot kCancelled = 500;
inline constexpr TextSlot kFailedWhile = 501;  // stage, reason
inline constexpr TextSlot kInstalled = 502;
inline constexpr TextSlot kNew = 503;
inline constexpr TextSlot kNone = 504;
inline constexpr TextSlot kOlder = 505;
inline constexpr TextSlot kSame = 506;
inline constexpr TextSlot kRadioWritten = 507;  // the radio's version
inline constexpr TextSlot kRadioKept = 508;
inline constexpr TextSlot kNoWebHid = 509;
inline constexpr TextSlot kChooseFile = 510;
inline constexpr TextSlot kContinue = 511;
inline constexpr TextSlot kCancel = 512;
inline constexpr TextSlot kStageBytes = 513;  // stage, bytes sent, bytes in all
inline constexpr TextSlot kTimeLeft = 514;
inline constexpr TextSlot kRestarted = 515;
inline constexpr TextSlot kSimulated = 516;
inline constexpr TextSlot kChooserEmpty = 517;
inline constexpr TextSlot kFoundVersion = 518;
inline constexpr TextSlot kFoundNoFirmware = 519;
inline constexpr TextSlot kOnlyDat = 520;
inline constexpr TextSlot kSeconds = 521;
inline constexpr TextSlot kMinutesSeconds = 522;
inline constexpr TextSlot kDoNotUnplug = 523;
}  // namespace text

// Every text the page shows before the core has a fact to tell, by name, in the
// current language: {"usbUpdate": "USB Update", ...}.
JsonObject PageTexts();

struct Ending {
  bool succeeded = false;
  bool wroteNothing = false;  // declined, refused or never begun: the controller is as it was
  std::string text;           // what happened and, after a failure, the next step
};
Ending EndingOf(const UpdateResult& result);

// The confirmation: installed and new version (older, same) and the radio's fate.
JsonObject OfferWords(const PackageOffer& offer, const std::string& seedQuestion);

// "12.0 KiB", "5 s", "2 min 5 s".
std::string SizeText(std::uint64_t bytes);
std::string DurationText(std::uint64_t milliseconds);
// Time left at the pace so far; nothing until a quarter second of transfer was seen.
std::optional<std::uint64_t> EstimateLeftMs(std::uint64_t sent, std::uint64_t total, std::uint64_t elapsedMs);

}  // namespace vantor::web
