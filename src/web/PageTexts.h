#pragma once
// The page's own texts (slots 500 to 539) and the page's wording of the update's facts:
// how an update ended with the next step, the offer to confirm, the progress line.
// Pure functions of values, in the user's language.

#include <cstdint>
#include <optional>
#include <string>

#include "base/LocalizedText.h"
#include "session/PackageOffer.h"
#include "session/ResultWords.h"
#include "session/UpdateResult.h"
#include "web/Json.h"

namespace vantor::web {

namespace text {
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
inline constexpr TextSlot kRestarted = 515;
inline constexpr TextSlot kSimulated = 516;
inline constexpr TextSlot kChooserEmpty = 517;
inline constexpr TextSlot kFoundVersion = 518;
inline constexpr TextSlot kFoundNoFirmware = 519;
inline constexpr TextSlot kOnlyDat = 520;
inline constexpr TextSlot kDoNotUnplug = 523;
}  // namespace text

// Every text the page shows before the core has a fact to tell, by name, in the
// current language: {"usbUpdate": "USB Update", ...}.
JsonObject PageTexts();

// How the update ended, as the page says it: the windows' ending, and that the
// controller has left its boot mode after a success.
Ending PageEndingOf(const UpdateResult& result);

// The confirmation: installed and new version (older, same) and the radio's fate.
JsonObject OfferWords(const PackageOffer& offer, const std::string& seedQuestion);


}  // namespace vantor::web
