#pragma once
// The offer in the command line's words: the lines shown before "Continue? [y/N]".

#include <string>
#include <vector>

#include "session/PackageOffer.h"

namespace vantor::cli {

std::vector<std::string> OfferLines(const PackageOffer& offer);

}  // namespace vantor::cli
