#include "cli/DoctorCommand.h"

#include <memory>

#include "base/Format.h"
#include "base/LocalizedText.h"
#include "cli/DeviceSelection.h"
#include "cli/ExitCodes.h"
#include "cli/Help.h"
#include "cli/Output.h"
#include "workflow/Diagnosis.h"
#include "workflow/DiagnosisWords.h"

namespace vantor::cli {
namespace {

struct Diagnosed {
  std::unique_ptr<workflow::Environment> environment;  // emulated controllers, when asked for
  std::unique_ptr<hid::HidBackend> backend;
  workflow::Diagnosis diagnosis;
};

Diagnosed DiagnoseHere(const CommonOptions& options) {
  Diagnosed result;
  std::unique_ptr<workflow::SystemView> system = workflow::RunningSystem();
  std::string problem;
  hid::HidBackend* backend = nullptr;
  std::string library;
  if (!options.simulate.empty()) {
    workflow::Environment::Made made = workflow::Environment::Create(SimulationOf(options));
    result.environment = std::move(made.environment);
    if (result.environment) backend = &result.environment->backend();
    problem = made.detail;
    library = "emulated controllers";
  } else {
    result.backend = workflow::SystemHidBackend(&problem);
    backend = result.backend.get();
    library = HidapiVersion();
  }
  result.diagnosis = workflow::Diagnose(*system, backend, library, problem);
  return result;
}

int ExitCodeOf(const workflow::CheckResult* problem) {
  if (problem == nullptr) return kExitSuccess;
  switch (problem->check) {
    case workflow::Check::kHidLibrary:
      return kExitNoHidLibrary;
    case workflow::Check::kController:
      return problem->finding == workflow::Finding::kHeldElsewhere ? kExitUpdateFailed : kExitNoPermission;
    case workflow::Check::kNormalMode:
    case workflow::Check::kNoController:
      return kExitNoController;
    case workflow::Check::kUdevRule:
    case workflow::Check::kRuleFolder:
      break;
  }
  return kExitNoPermission;
}

}  // namespace

int RunDoctor(const CommonOptions& options) {
  const Diagnosed diagnosed = DiagnoseHere(options);
  const workflow::Diagnosis& diagnosis = diagnosed.diagnosis;
  const int exitCode = ExitCodeOf(diagnosis.firstProblem());
  nlohmann::json checks = nlohmann::json::array();
  for (const workflow::CheckResult& result : diagnosis.checks) {
    const workflow::CheckWords words = workflow::WordsFor(result);
    SayResult(options, (result.problem() ? "[!!] " : "[ok] ") + words.line);
    if (result.problem() && !words.nextStep.empty()) {
      SayResult(options, "  " + Format(LocalizedText(workflow::kDiagnosisNextStep).c_str(), words.nextStep.c_str()));
    }
    nlohmann::json check = {{"check", workflow::CheckName(result.check)},
                            {"finding", workflow::FindingName(result.finding)},
                            {"problem", result.problem()},
                            {"subject", result.subject},
                            {"detail", result.detail.empty() ? nlohmann::json() : nlohmann::json(result.detail)},
                            {"message", words.line},
                            {"nextStep", words.nextStep.empty() ? nlohmann::json() : nlohmann::json(words.nextStep)}};
    if (result.node) {
      check["node"] = {{"owner", result.node->owner},
                       {"group", result.node->group},
                       {"mode", Format("%04o", result.node->mode)},
                       {"aclForUser", result.node->aclGrantsUser},
                       {"uaccessTag", result.node->uaccessTag}};
    }
    nlohmann::json holders = nlohmann::json::array();
    for (const workflow::Holder& holder : result.holders) holders.push_back({{"pid", holder.pid}, {"program", holder.program}});
    check["holders"] = holders;
    checks.push_back(check);
  }
  SayResult(options, LocalizedText(diagnosis.updatable ? workflow::kDiagnosisUpdatable : workflow::kDiagnosisNotUpdatable));
  if (options.json) {
    nlohmann::json document = JsonDocument(options);
    document["checks"] = checks;
    document["updatable"] = diagnosis.updatable;
    const workflow::CheckResult* first = diagnosis.firstProblem();
    document["firstProblem"] = first ? nlohmann::json(workflow::FindingName(first->finding)) : nlohmann::json();
    document["exitCode"] = exitCode;
    EmitJson(document);
  }
  return exitCode;
}

std::string DiagnosisHint(const CommonOptions& options) {
  if (!options.simulate.empty()) return "";
  const Diagnosed diagnosed = DiagnoseHere(options);
  const std::string see = LocalizedText(workflow::kDiagnosisSeeDoctor);
  const workflow::CheckResult* first = diagnosed.diagnosis.firstProblem();
  if (first != nullptr && first->finding == workflow::Finding::kNothingAttached) {
    // The message said so already; a rule that would keep a controller out is news.
    first = nullptr;
    for (const workflow::CheckResult& result : diagnosed.diagnosis.checks) {
      if (result.check == workflow::Check::kUdevRule && result.problem()) first = &result;
    }
  }
  return first ? workflow::WordsFor(*first).line + "\n" + see : see;
}

}  // namespace vantor::cli
