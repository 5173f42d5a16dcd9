#pragma once
// The offer in the command line's words: the lines shown before "Continue? [y/N]",
// or before `verify` reads back.

#include <string>
#include <vector>

#include "session/PackageOffer.h"

namespace vantor::cli {

std::vector<std::string> OfferLines(const PackageOffer& offer);
// What `verify` compares: the lines shown before the read-back, without a question.
std::vector<std::string> VerifyOfferLines(const PackageOffer& offer);

}  // namespace vantor::cli
