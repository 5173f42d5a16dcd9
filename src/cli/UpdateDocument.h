#pragma once
// One update's JSON document, the same for `flash`, each unit of `flash --all` and each
// line of `watch` (docs/json.md): the probe, the package as offered, how the update
// ended, its bytes, its verdict in the user's words and the exit code.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CliOptions.h"
#include "session/PackageOffer.h"
#include "session/UpdateResult.h"
#include "workflow/ControllerReport.h"

namespace vantor::cli {

using workflow::ControllerReport;

struct UpdateRecord {
  ControllerReport report;
  UpdateResult result;
  std::optional<PackageOffer> offer;
  std::optional<std::uint64_t> bytesSent;
  std::optional<std::uint64_t> bytesTotal;
  std::map<std::string, std::uint64_t> stageBytes;  // by StageName
  std::vector<std::string> messages;                // the dialog's message texts
  std::string message;                              // the verdict, lines joined by \n
  std::string hint;                                 // "--yes" when a question was missing
  int signal = 0;                                   // the signal that stopped it, 0 none
  int exitCode = 0;
  std::uint64_t durationMs = 0;
};

nlohmann::json UpdateDocument(const CommonOptions& options, const std::string& packagePath, const UpdateRecord& record);

}  // namespace vantor::cli
