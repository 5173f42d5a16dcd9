#include "cli/UnitWords.h"

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/DeviceSelection.h"
#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/ProbeLines.h"
#include "cli/UpdateDocument.h"
#include "session/ResultWords.h"

namespace vantor::cli {

std::optional<std::string> UnfitText(const workflow::UnitVerdict& verdict) {
  switch (verdict.problem) {
    case workflow::UnitProblem::kNone:
      return std::nullopt;
    case workflow::UnitProblem::kBusy:
      return LocalizedText(text::kWatchInUse);
    case workflow::UnitProblem::kLockFailed:
      return verdict.detail;
    case workflow::UnitProblem::kGone:
      return LocalizedText(text::kBenchGone);
    case workflow::UnitProblem::kCannotOpen:
      return LocalizedText(text::kBenchCannotOpen);
    case workflow::UnitProblem::kUpdateUnopenable:
      return LocalizedText(text::kBenchCouldNotOpen);
    case workflow::UnitProblem::kNoAnswer:
      return LocalizedText(text::kBenchNoAnswer);
    case workflow::UnitProblem::kNothingForIt:
      return Format(LocalizedText(text::kBenchNoFirmwareFor).c_str(), static_cast<unsigned>(verdict.deviceType),
                    static_cast<unsigned>(verdict.deviceVariant));
    case workflow::UnitProblem::kPackageRefused:
      return Format(LocalizedText(text::kBenchRefusedFor).c_str(), PackageProblemText(verdict.packageProblem).c_str());
    case workflow::UnitProblem::kPackageUnreadable:
      return LocalizedText(vantor::text::kReasonPackageUnreadable);
  }
  return LocalizedText(vantor::text::kFailure);
}

int UnitExitCode(const workflow::BenchUnit& unit, int signalExit) {
  if (!unit.started()) {
    switch (unit.verdict().problem) {
      case workflow::UnitProblem::kNothingForIt:
      case workflow::UnitProblem::kPackageRefused:
      case workflow::UnitProblem::kPackageUnreadable:
        return kExitUsage;
      default:
        return kExitUpdateFailed;
    }
  }
  return ExitCodeFor(unit.job().result().outcome, signalExit);
}

std::string UnitResultLine(const UpdateResult& result) {
  std::string stage = StageLabel(result.stage);
  if (stage.empty()) stage = StageName(result.stage);
  if (result.outcome == UpdateOutcome::kSucceeded) return LocalizedText(text::kUnitUpdated);
  if (result.outcome == UpdateOutcome::kInterrupted) {
    return Format(LocalizedText(text::kBenchInterrupted).c_str(), stage.c_str());
  }
  return Format(LocalizedText(text::kUnitFailed).c_str(), stage.c_str(), ReasonText(result).c_str()) +
         LocalizedText(text::kBenchRunAgain);
}

std::string UnitResultLine(const workflow::BenchUnit& unit) {
  if (!unit.started()) return UnfitText(unit.verdict()).value_or(LocalizedText(text::kBenchCouldNotOpen));
  return UnitResultLine(unit.job().result());
}

std::string UnitVersions(const workflow::BenchUnit& unit) {
  const std::optional<std::uint32_t> offered = unit.verdict().offeredVersionWord;
  if (!offered) return std::string();
  const ControllerReport& report = unit.job().report();
  const std::string installed = report.noFirmware ? "—" : VersionDisplay(report.versionWord);
  return installed + " → " + VersionDisplay(*offered);
}

nlohmann::json UnitJson(const CommonOptions& options, const workflow::BenchUnit& unit, const std::string& packagePath,
                        int signalExit) {
  UpdateRecord record;
  record.report = unit.job().report();
  record.result = unit.job().result();
  record.offer = unit.job().offer();
  if (const std::optional<ByteProgress> progress = unit.view().lastProgress()) {
    record.bytesSent = progress->sent;
    record.bytesTotal = progress->total;
  }
  record.stageBytes = unit.view().stageBytes();
  record.messages = unit.view().messages();
  record.message = UnitResultLine(unit);
  record.signal = signalExit > 128 ? signalExit - 128 : 0;
  record.exitCode = UnitExitCode(unit, signalExit);
  record.durationMs = unit.view().durationMs();
  nlohmann::json document = UpdateDocument(options, packagePath, record);
  // Which of the bench's controllers: its serial number and USB location beside the probe's.
  document["controller"].update(IdentityJson(unit.controller()));
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
  static constexpr int kOrder[] = {kExitUpdateFailed, kExitInterrupted, kExitNoHidLibrary, kExitNoPermission, kExitNoController,
                                   kExitPackageMismatch, kExitUsage};
  for (const int code : kOrder) {
    if (a == code || b == code) return code;
  }
  return a != kExitSuccess ? a : b;
}

}  // namespace vantor::cli
