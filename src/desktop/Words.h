#pragma once
// The desktop app's wording of what only it shows: the offer to confirm and a bench
// unit's verdict (the rest of the update's facts are worded by session/ResultWords).
// Pure functions of values, in the user's language; any thread.

#include <cstdint>
#include <optional>
#include <string>

#include "session/PackageOffer.h"
#include "session/ResultWords.h"
#include "session/UpdateResult.h"
#include "workflow/BenchUnit.h"

namespace vantor::desktop {

// The confirmation's text: the seed's question, then the controller, installed and new
// version (older, same) and whether the radio's image is written.
std::string OfferText(const PackageOffer& offer, const std::string& seedQuestion);

// Why a bench unit cannot take the package; empty for kNone.
std::string VerdictText(const workflow::UnitVerdict& verdict);

}  // namespace vantor::desktop
