#include "desktop/Diagnosis.h"

#include "base/Format.h"
#include "desktop/DesktopTexts.h"
#include "workflow/DiagnosisWords.h"
#include "workflow/SystemView.h"

namespace vantor::desktop {

workflow::Diagnosis DiagnoseHere(workflow::Environment* environment, const std::string& unavailable) {
  const std::unique_ptr<workflow::SystemView> system = workflow::RunningSystem();
  hid::HidBackend* const backend = environment != nullptr ? &environment->backend() : nullptr;
  const std::string library =
      environment == nullptr ? std::string() : (environment->emulated() ? "emulated controllers" : "hidapi");
  return workflow::Diagnose(*system, backend, library, unavailable);
}

EmptyState EmptyStateOf(const workflow::Diagnosis& diagnosis) {
  EmptyState state;
  if (diagnosis.updatable) return state;
  // Every check that failed, as `doctor` lists them: a missing rule and a missing
  // controller are both worth knowing before the user plugs it in again.
  for (const workflow::CheckResult& result : diagnosis.checks) {
    if (!result.problem()) continue;
    const workflow::CheckWords words = workflow::WordsFor(result);
    state.shown = true;
    state.text += (state.text.empty() ? "" : "\n") + words.line;
    // Two checks may lead to the same fix (no rule, so no access): say it once.
    if (words.nextStep.empty() || state.nextStep.find(words.nextStep) != std::string::npos) continue;
    state.nextStep += (state.nextStep.empty() ? "" : "\n") + words.nextStep;
  }
  return state;
}

std::string ProblemText(const workflow::ControllerReport& report) {
  switch (workflow::ProblemOf(report)) {
    case workflow::ControllerProblem::kNone:
      return {};
    case workflow::ControllerProblem::kNotPresent:
      return LocalizedText(text::kNoController);
    case workflow::ControllerProblem::kNoPermission:
      return LocalizedText(text::kNoPermission);
    case workflow::ControllerProblem::kBusy:
      return LocalizedText(vantor::text::kDeviceBusy);
    case workflow::ControllerProblem::kUnopenable:
      break;
  }
  return Format(LocalizedText(text::kControllerUnopenable).c_str(), report.path.c_str());
}

}  // namespace vantor::desktop
