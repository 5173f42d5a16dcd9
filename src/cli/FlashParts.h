#pragma once
// The pieces of `flash` besides its flow (FlashCommand.cpp): the offer shown before the
// question, the verdict said at the end, and the JSON document.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "session/UpdateSession.h"
#include "cli/ProbeReport.h"

namespace vantor::cli {

// What the run is about to write, read from the session once the package was chosen.
struct Offer {
  std::string controllerPath;
  std::uint16_t newVersion = 0;
  std::uint16_t newBeta = 0;
  std::optional<std::uint32_t> installedWord;  // none: no firmware, or not reported
  bool writesRadio = false;
};
// On the worker's thread, inside the confirmation: the session's chosen sections.
Offer ReadOffer(const UpdateSession& session);
// The lines shown before "Continue? [y/N]".
std::vector<std::string> OfferLines(const Offer& offer);

// How the run ended, for the user: the verdict and, for failures, the next step.
struct Verdict {
  std::vector<std::string> lines;
  bool isError = true;  // said on stderr
  std::string hint;     // for JSON: "--yes" when a confirmation was missing
};
// `signal`: the signal that stopped the run (0 none); `sent`: whether any byte went.
Verdict VerdictFor(const UpdateResult& result, int signal, bool sent);
// The reason of a failure in the user's words ("the controller was unplugged").
std::string ReasonText(const UpdateResult& result);

}  // namespace vantor::cli
