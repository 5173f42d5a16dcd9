// The verdict: how the run ended, told from the UpdateResult (outcome, reason, stage),
// with the next step for every ending that is not success.

#include <csignal>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/CliTexts.h"
#include "cli/FlashParts.h"
#include "cli/Output.h"
#include "cli/ProgressMeter.h"
#include "session/ResultWords.h"

namespace vantor::cli {
namespace {

std::string SignalName(int signal) {
  switch (signal) {
#ifndef _WIN32
    case SIGHUP:
      return "SIGHUP";
    case SIGPIPE:
      return "SIGPIPE";
#endif
    case SIGTERM:
      return "SIGTERM";
    default:
      return "Ctrl-C";
  }
}

void SayWhichSignal(Verdict& verdict, int signal) {
  if (signal != 0 && signal != SIGINT) {
    verdict.lines.push_back(Format(LocalizedText(text::kStoppedBySignal).c_str(), SignalName(signal).c_str()));
  }
}

}  // namespace

Verdict VerdictFor(const UpdateResult& result, int signal, bool sent) {
  Verdict verdict;
  if (result.outcome == UpdateOutcome::kSucceeded) {
    verdict.isError = false;
    verdict.lines.push_back(LocalizedText(vantor::text::kSuccess));
    return verdict;
  }
  if (signal != 0 || result.outcome == UpdateOutcome::kInterrupted) {
    // Stopped before the first byte (at the question, during the probe): nothing to
    // repeat from boot mode.
    if (!sent && (result.stage == UpdateStage::kChoosingPackage || result.stage == UpdateStage::kIdle ||
                  result.stage == UpdateStage::kProbing)) {
      verdict.lines.push_back(LocalizedText(text::kCancelledNothingSent));
    } else {
      verdict.lines.push_back(LocalizedText(text::kInterrupted));
    }
    SayWhichSignal(verdict, signal);
    return verdict;
  }
  switch (result.outcome) {
    case UpdateOutcome::kDeclined:
      verdict.lines.push_back(LocalizedText(text::kDeclinedUseYes));
      verdict.hint = "--yes";
      break;
    case UpdateOutcome::kNoPackage:
      verdict.lines.push_back(LocalizedText(vantor::text::kReasonPackageUnreadable));
      break;
    case UpdateOutcome::kNothingMatched:
      verdict.lines.push_back(LocalizedText(vantor::text::kNoMatchingFirmware));
      break;
    case UpdateOutcome::kPackageRefused:
      verdict.lines.push_back(LocalizedText(result.problem == package::PackageProblem::kNothingToWrite ? vantor::text::kPackageEmpty
                                            : result.problem == package::PackageProblem::kNotAPackage  ? text::kNotAPackage
                                                                                                        : vantor::text::kPackageDamaged));
      break;
    case UpdateOutcome::kNotInBootMode:
      verdict.lines.push_back(LocalizedText(text::kNotInBootModeCli));
      verdict.lines.push_back(NextStepText(RetryBy::kCommandLine));
      break;
    default: {
      std::string stage = StageLabel(result.stage);
      if (stage.empty()) stage = StageName(result.stage);
      verdict.lines.push_back(
          Format(LocalizedText(text::kUpdateFailedBecause).c_str(), stage.c_str(), ReasonText(result).c_str()));
      verdict.lines.push_back(NextStepText(RetryBy::kCommandLine));
      break;
    }
  }
  return verdict;
}

Verdict VerifyVerdictFor(const UpdateResult& result, int signal, const std::string& file) {
  Verdict verdict;
  if (result.outcome == UpdateOutcome::kSucceeded) {
    verdict.isError = false;
    verdict.lines.push_back(Format(LocalizedText(text::kVerifyMatches).c_str(), file.c_str()));
    return verdict;
  }
  if (signal != 0 || result.outcome == UpdateOutcome::kInterrupted) {
    verdict.lines.push_back(LocalizedText(text::kVerifyStopped));
    SayWhichSignal(verdict, signal);
    return verdict;
  }
  if (result.outcome != UpdateOutcome::kFailed) return VerdictFor(result, signal, false);
  if (result.reason == FailureReason::kReadBackMismatch) {
    verdict.lines.push_back(
        Format(LocalizedText(text::kVerifyDiffers).c_str(), Hex32(result.code).c_str(), file.c_str()));
    verdict.lines.push_back(Format(LocalizedText(text::kVerifyNothingWritten).c_str(), file.c_str()));
    return verdict;
  }
  std::string stage = StageLabel(result.stage);
  if (stage.empty()) stage = StageName(result.stage);
  verdict.lines.push_back(
      Format(LocalizedText(text::kVerifyFailedBecause).c_str(), stage.c_str(), ReasonText(result).c_str()));
  verdict.lines.push_back(LocalizedText(text::kVerifyNextStep));
  return verdict;
}

}  // namespace vantor::cli
