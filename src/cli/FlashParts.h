#pragma once
// The verdict `flash` and `verify` say at the end (FlashVerdict.cpp).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "session/UpdateSession.h"

namespace vantor::cli {

// How the run ended, for the user: the verdict and, for failures, the next step.
struct Verdict {
  std::vector<std::string> lines;
  bool isError = true;  // said on stderr
  std::string hint;     // for JSON: "--yes" when a confirmation was missing
};
// `signal`: the signal that stopped the run (0 none); `sent`: whether any byte went.
Verdict VerdictFor(const UpdateResult& result, int signal, bool sent);
// The verdict of `verify FILE`, which wrote nothing whatever happened: the flash matches
// the package `file`, differs at an address, or could not be compared.
Verdict VerifyVerdictFor(const UpdateResult& result, int signal, const std::string& file);

}  // namespace vantor::cli
