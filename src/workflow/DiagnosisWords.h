#pragma once
// The diagnosis in the user's language, one wording for every front end that shows it
// (the command line's `doctor` and exit-3/4 messages, the desktop app's empty state).

#include <string>

#include "workflow/Diagnosis.h"

namespace vantor::workflow {

struct CheckWords {
  std::string line;      // what was found
  std::string nextStep;  // empty when nothing is to be done
};

CheckWords WordsFor(const CheckResult& result);

// The summary and the pointer to `doctor` said where a controller is missing.
inline constexpr int kDiagnosisUpdatable = 150;
inline constexpr int kDiagnosisNotUpdatable = 151;
inline constexpr int kDiagnosisNextStep = 152;  // "next: %s"
inline constexpr int kDiagnosisSeeDoctor = 153;

// Stable names for JSON: "udev-rule", "rule-shadowed", ...
const char* CheckName(Check check);
const char* FindingName(Finding finding);

}  // namespace vantor::workflow
