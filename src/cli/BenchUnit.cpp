#include "cli/BenchUnit.h"

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/DeviceSelection.h"
#include "cli/Environment.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/TerminalView.h"
#include "package/PackageRule.h"

namespace vantor::cli {

int UnitView::ShowMessage(const std::string& text, const std::string& /*caption*/, MessageButtons buttons) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.push_back(TrimMessage(text));
  }
  // The one confirmation of the bench stands for every controller's question.
  return buttons == MessageButtons::kYesNo ? kIdYes : kIdOk;
}

void UnitView::ReportBytes(const ByteProgress& progress) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = progress;
  }
  board_.Update(row_, progress);
}

std::vector<std::string> UnitView::messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

std::optional<ByteProgress> UnitView::lastProgress() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return last_;
}

BenchUnit::BenchUnit(Environment& environment, hid::FoundController found, ProgressBoard& board, std::size_t boardRow,
                     const std::string& packagePath)
    : controller(std::move(found)),
      row(boardRow),
      view(board, boardRow, packagePath),
      session(environment.backend(), view, environment.clock()),
      updater(session) {
  session.hid.RestrictToPath(controller.path);
}

void BenchUnit::Probe() {
  updater.Start(nullptr);
  probe = ReadProbe(session);
}

std::optional<std::string> BenchUnit::Unfit(const std::string& packagePath) const {
  if (!probe.present) return LocalizedText(text::kBenchGone);
  if (probe.openError != hid::OpenError::kNone) return LocalizedText(text::kBenchCannotOpen);
  if (!probe.versionReported) return LocalizedText(text::kBenchNoAnswer);
  const bool addressed = controller.protocol == hid::Protocol::kAddressed;
  const std::uint16_t type = addressed ? probe.deviceType.value_or(0) : 0;
  const std::uint8_t variant = addressed ? probe.deviceVariant.value_or(0) : 0;
  const package::PackageJudgement judgement = package::JudgePackageFile(packagePath, type, variant, addressed);
  if (judgement.walk == package::WalkResult::kReadError) return LocalizedText(text::kReasonPackageUnreadable);
  if (judgement.walk == package::WalkResult::kNotFound) {
    return Format(LocalizedText(text::kBenchNoFirmwareFor).c_str(), static_cast<unsigned>(type),
                  static_cast<unsigned>(variant));
  }
  if (judgement.problem != package::PackageProblem::kNone) {
    return Format(LocalizedText(text::kBenchRefusedFor).c_str(), PackageProblemText(judgement.problem).c_str());
  }
  return std::nullopt;
}

int BenchUnit::ExitCode(int signalExit) const { return ExitCodeFor(session.result().outcome, signalExit); }

std::string BenchUnit::ResultLine(bool interrupted) const {
  const UpdateResult result = session.result();
  if (result.outcome == UpdateOutcome::kSucceeded) return "succeeded";
  if (interrupted || result.outcome == UpdateOutcome::kInterrupted) {
    return Format(LocalizedText(text::kBenchInterrupted).c_str(), StageName(result.stage));
  }
  std::string line = OutcomeName(result.outcome);
  if (result.outcome == UpdateOutcome::kFailed) {
    line += std::string(": ") + ReasonName(result.reason) + " in " + StageName(result.stage);
    if (result.reason == FailureReason::kReadBackMismatch) line += " at " + Hex32(result.code);
    line += LocalizedText(text::kBenchRunAgain);
  }
  return line;
}

nlohmann::json BenchUnit::Json(const std::string& packagePath, int signalExit) const {
  const UpdateResult result = session.result();
  // The identity both at the top (one result per controller) and under "controller",
  // as in flash's own document.
  nlohmann::json document = IdentityJson(controller);
  AddProbeJson(document, probe);
  document["controller"].update(IdentityJson(controller));
  document["package"] = packagePath;
  const bool stopped = signalExit != 0 && result.outcome != UpdateOutcome::kSucceeded;
  document["outcome"] = stopped ? OutcomeName(UpdateOutcome::kInterrupted) : OutcomeName(result.outcome);
  document["reason"] = result.outcome == UpdateOutcome::kFailed ? nlohmann::json(ReasonName(result.reason))
                                                                : nlohmann::json();
  document["stage"] = StageName(result.stage);
  if (result.reason == FailureReason::kReadBackMismatch) document["address"] = Hex32(result.code);
  document["exitCode"] = ExitCode(signalExit);
  const std::optional<ByteProgress> progress = view.lastProgress();
  document["bytesSent"] = progress ? nlohmann::json(progress->sent) : nlohmann::json();
  document["bytesTotal"] = progress ? nlohmann::json(progress->total) : nlohmann::json();
  document["messages"] = view.messages();
  return document;
}

nlohmann::json IdentityJson(const hid::FoundController& controller) {
  return {{"path", controller.path},
          {"vendorId", Hex16(controller.vendorId)},
          {"productId", Hex16(controller.productId)},
          {"protocol", hid::ProtocolName(controller.protocol)},
          {"serialNumber", controller.serialNumber ? nlohmann::json(*controller.serialNumber) : nlohmann::json()},
          {"location", controller.location ? nlohmann::json(*controller.location) : nlohmann::json()}};
}

int MostSevere(int a, int b) {
  static constexpr int kOrder[] = {kExitUpdateFailed, kExitInterrupted, kExitNoPermission, kExitNoController,
                                   kExitUsage};
  for (const int code : kOrder) {
    if (a == code || b == code) return code;
  }
  return a != kExitSuccess ? a : b;
}

}  // namespace vantor::cli
