#include "cli/UpdateDocument.h"

#include "base/Format.h"
#include "cli/Output.h"
#include "cli/ProbeLines.h"

namespace vantor::cli {

nlohmann::json UpdateDocument(const CommonOptions& options, const std::string& packagePath,
                              const UpdateRecord& record) {
  const UpdateResult& result = record.result;
  const std::optional<PackageOffer>& offer = record.offer;
  nlohmann::json document = JsonDocument(options);
  AddProbeJson(document, record.report);
  nlohmann::json package = {{"path", packagePath}};
  // The digest of the file as it was offered, before anything was sent.
  package["sha256"] = offer ? nlohmann::json(offer->packageSha256) : nlohmann::json();
  package["offered"] = offer ? VersionJson(static_cast<std::uint16_t>(offer->newVersionWord & 0xFFFF),
                                           static_cast<std::uint16_t>(offer->newVersionWord >> 16))
                             : nlohmann::json();
  package["writesRadio"] = offer ? nlohmann::json(offer->writesRadio) : nlohmann::json();
  document["package"] = package;
  const bool stopped = record.signal != 0 && result.outcome != UpdateOutcome::kSucceeded;
  document["outcome"] = OutcomeName(stopped ? UpdateOutcome::kInterrupted : result.outcome);
  document["reason"] = result.outcome == UpdateOutcome::kFailed && !stopped ? nlohmann::json(ReasonName(result.reason))
                                                                            : nlohmann::json();
  document["problem"] = result.outcome == UpdateOutcome::kPackageRefused
                            ? nlohmann::json(package::ProblemName(result.problem))
                            : nlohmann::json();
  document["code"] =
      result.reason == FailureReason::kControllerRefused ? nlohmann::json(result.code) : nlohmann::json();
  document["address"] =
      result.reason == FailureReason::kReadBackMismatch ? nlohmann::json(Hex32(result.code)) : nlohmann::json();
  document["stage"] = StageName(result.stage);
  document["signal"] = record.signal != 0 ? nlohmann::json(record.signal) : nlohmann::json();
  document["durationMs"] = record.durationMs;
  nlohmann::json stages = nlohmann::json::object();
  for (const auto& [stage, bytes] : record.stageBytes) stages[stage] = bytes;
  document["bytes"] = {{"sent", record.bytesSent.value_or(0)},
                       {"total", record.bytesTotal ? nlohmann::json(*record.bytesTotal) : nlohmann::json()},
                       {"stages", stages}};
  document["message"] = record.message;
  document["hint"] = record.hint.empty() ? nlohmann::json() : nlohmann::json(record.hint);
  document["messages"] = record.messages;
  document["exitCode"] = record.exitCode;
  return document;
}

}  // namespace vantor::cli
