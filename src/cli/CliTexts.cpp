#include "cli/CliTexts.h"

namespace vantor::cli {

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

}  // namespace vantor::cli
