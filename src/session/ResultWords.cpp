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

}  // namespace vantor
