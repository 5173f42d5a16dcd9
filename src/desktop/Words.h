#pragma once
// The desktop app's wording of the update's facts: versions, stages with their bytes
// and time left, how an update ended with the next step, the offer to confirm and a
// bench unit's verdict. Pure functions of values, in the user's language; any thread.

#include <cstdint>
#include <optional>
#include <string>

#include "session/PackageOffer.h"
#include "session/ResultWords.h"
#include "session/UpdateResult.h"
#include "workflow/BenchUnit.h"

namespace vantor::desktop {


// "12 KiB": bytes in the unit that keeps the number short.
std::string SizeText(std::uint64_t bytes);

// "5 s", "2 min 5 s".
std::string DurationText(std::uint64_t milliseconds);


// "main image: 12 KiB of 60 KiB, 5 s left" (without the time when none is known).
std::string ProgressLine(const ByteProgress& progress, std::optional<std::uint64_t> leftMs);

struct Ending {
  bool succeeded = false;
  bool wroteNothing = false;  // declined, cancelled, refused before the first write
  std::string text;           // what happened and, after a failure, the next step
};
// How the update ended, for the window's status line.
Ending EndingOf(const UpdateResult& result);

// The confirmation's text: the seed's question, then the controller, installed and new
// version (older, same) and whether the radio's image is written.
std::string OfferText(const PackageOffer& offer, const std::string& seedQuestion);

// Why a bench unit cannot take the package; empty for kNone.
std::string VerdictText(const workflow::UnitVerdict& verdict);

}  // namespace vantor::desktop
