#pragma once
// A bench unit in the command line's words: why it is not updated, its result line,
// its JSON, and the exit code of several results.

#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/CliOptions.h"
#include "hid/CHid.h"
#include "workflow/BenchUnit.h"

namespace vantor::cli {

// Why the unit will not be updated, in the user's words; nothing when it will.
std::optional<std::string> UnfitText(const workflow::UnitVerdict& verdict);
// After its worker has ended: the exit code, the result line and the JSON.
// `signalExit`: the exit code of the signal that stopped the updates (130 for Ctrl-C),
// 0 when none did.
int UnitExitCode(const workflow::BenchUnit& unit, int signalExit);
// The result in the user's words ("updated"; "failed (erasing): the controller refused
// the update (code 1); replug it…"), said the moment the update ends.
std::string UnitResultLine(const UpdateResult& result);
std::string UnitResultLine(const workflow::BenchUnit& unit);
// "1.50 → 1.51" once the unit is probed and judged; "— → 1.51" for a controller with
// no firmware; empty before.
std::string UnitVersions(const workflow::BenchUnit& unit);
// Its document: flash's (docs/json.md), with the unit's serial number and location.
nlohmann::json UnitJson(const CommonOptions& options, const workflow::BenchUnit& unit, const std::string& packagePath,
                        int signalExit);

// The identity fields of a controller in JSON (path, ids, protocol, serial, location).
nlohmann::json IdentityJson(const hid::FoundController& controller);

// The exit code of several results: 0 only when all are 0; else the most severe
// (a failed update, then an interrupt, no permission, no controller, usage).
int MostSevere(int a, int b);

}  // namespace vantor::cli
