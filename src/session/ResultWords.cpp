#include "session/ResultWords.h"

#include "base/Format.h"

namespace vantor {

std::string ReasonText(const UpdateResult& result) {
  switch (result.reason) {
    case FailureReason::kControllerRefused:
      return Format(LocalizedText(text::kReasonRefused).c_str(), static_cast<unsigned>(result.code));
    case FailureReason::kNoAnswer:
      return LocalizedText(text::kReasonNoAnswer);
    case FailureReason::kUnplugged:
      return LocalizedText(text::kReasonUnplugged);
    case FailureReason::kWriteFailed:
      return LocalizedText(text::kReasonWriteFailed);
    case FailureReason::kPackageUnreadable:
      return LocalizedText(text::kReasonPackageUnreadable);
    case FailureReason::kReadBackMismatch:
      return Format(LocalizedText(text::kReasonReadBackMismatch).c_str(), static_cast<unsigned>(result.code));
    case FailureReason::kUnconfirmed:
      return LocalizedText(text::kReasonUnconfirmed);
    case FailureReason::kNone:
      break;
  }
  return LocalizedText(text::kFailure);
}

std::string NextStepText(RetryBy retry) {
  return LocalizedText(retry == RetryBy::kDialog ? text::kNextStepClickUpdate : text::kNextStepRunFlash);
}

std::string StageLabel(UpdateStage stage) {
  switch (stage) {
    case UpdateStage::kErasingMain:
    case UpdateStage::kErasingRadio:
      return LocalizedText(text::kStageErasing);
    case UpdateStage::kWritingMain:
      return LocalizedText(text::kStageMain);
    case UpdateStage::kWritingRadio:
      return LocalizedText(text::kStageRadio);
    case UpdateStage::kStamping:
      return LocalizedText(text::kStageFinishing);
    case UpdateStage::kVerifying:
      return LocalizedText(text::kStageVerifying);
    case UpdateStage::kRestarting:
      return LocalizedText(text::kStageRestarting);
    case UpdateStage::kProbing:
      return LocalizedText(text::kStageProbing);
    case UpdateStage::kChoosingPackage:
      return LocalizedText(text::kStageChoosing);
    case UpdateStage::kIdle:
      break;
  }
  return std::string();
}

std::string PackageProblemText(package::PackageProblem problem) {
  using package::PackageProblem;
  switch (problem) {
    case PackageProblem::kMainSectionTruncated:
      return LocalizedText(text::kProblemMainTruncated);
    case PackageProblem::kBleSectionTruncated:
      return LocalizedText(text::kProblemRadioTruncated);
    case PackageProblem::kNothingToWrite:
      return LocalizedText(text::kProblemNothingToWrite);
    case PackageProblem::kBeyondFormatLimit:
      return LocalizedText(text::kProblemBeyondFormatLimit);
    case PackageProblem::kMainOutsideFlash:
      return LocalizedText(text::kProblemMainOutsideFlash);
    case PackageProblem::kRadioOutsideFlash:
      return LocalizedText(text::kProblemRadioOutsideFlash);
    case PackageProblem::kRadioImageEmpty:
      return LocalizedText(text::kProblemRadioImageEmpty);
    case PackageProblem::kNotAPackage:
      return LocalizedText(text::kProblemNotAPackage);
    case PackageProblem::kNone:
      break;
  }
  return package::ProblemDescription(problem);
}

std::string SizeText(std::uint64_t bytes) {
  if (bytes < 1024) return Format("%u B", static_cast<unsigned>(bytes));
  if (bytes < 1024 * 1024) return Format("%.1f KiB", static_cast<double>(bytes) / 1024.0);
  return Format("%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
}

std::string DurationText(std::uint64_t milliseconds) {
  const std::uint64_t seconds = (milliseconds + 999) / 1000;
  if (seconds < 60) return Format(LocalizedText(text::kSeconds).c_str(), static_cast<unsigned>(seconds));
  return Format(LocalizedText(text::kMinutesSeconds).c_str(), static_cast<unsigned>(seconds / 60),
                static_cast<unsigned>(seconds % 60));
}

std::string ProgressLine(const ByteProgress& progress, std::optional<std::uint64_t> leftMs) {
  std::string line = Format(LocalizedText(text::kStageBytes).c_str(), StageLabel(progress.stage).c_str(),
                            SizeText(progress.stageSent).c_str(), SizeText(progress.stageTotal).c_str());
  if (leftMs) line += Format(LocalizedText(text::kTimeLeft).c_str(), DurationText(*leftMs).c_str());
  return line;
}

Ending EndingOf(const UpdateResult& result) {
  Ending ending;
  const std::string nextStep = NextStepText(RetryBy::kDialog);
  switch (result.outcome) {
    case UpdateOutcome::kSucceeded:
      ending.succeeded = true;
      ending.text = LocalizedText(text::kSuccess);
      return ending;
    case UpdateOutcome::kNone:
    case UpdateOutcome::kNoPackage:
      ending.wroteNothing = true;
      return ending;
    case UpdateOutcome::kDeclined:
      ending.wroteNothing = true;
      ending.text = LocalizedText(text::kCancelledNothingSent);
      return ending;
    case UpdateOutcome::kNothingMatched:
      ending.wroteNothing = true;
      ending.text = LocalizedText(text::kNoMatchingFirmware);
      return ending;
    case UpdateOutcome::kPackageRefused:
      ending.wroteNothing = true;
      ending.text = LocalizedText(result.problem == package::PackageProblem::kNothingToWrite ? text::kPackageEmpty
                                                                                             : text::kPackageDamaged);
      return ending;
    case UpdateOutcome::kNotInBootMode:
      ending.wroteNothing = true;
      ending.text = LocalizedText(text::kRunsNormalFirmware) + "\n" + nextStep;
      return ending;
    case UpdateOutcome::kInterrupted:
      ending.text = LocalizedText(text::kStoppedKeepsBootMode);
      return ending;
    case UpdateOutcome::kFailed:
      break;
  }
  std::string stage = StageLabel(result.stage);
  if (stage.empty()) stage = StageName(result.stage);
  ending.text = Format(LocalizedText(text::kUpdateFailedBecause).c_str(), stage.c_str(), ReasonText(result).c_str()) +
                "\n" + nextStep;
  return ending;
}

}  // namespace vantor
