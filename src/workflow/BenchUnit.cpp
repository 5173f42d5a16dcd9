#include "workflow/BenchUnit.h"

#include "package/PackageRule.h"
#include "workflow/Environment.h"

namespace vantor::workflow {

BenchUnit::BenchUnit(Environment& environment, hid::FoundController controller, std::string packagePath,
                     JobSettings settings, UnitListener* listener, std::size_t index)
    : controller_(std::move(controller)),
      index_(index),
      packagePath_(std::move(packagePath)),
      view_(packagePath_, listener, index),
      job_(environment, controller_.path, view_, settings) {}

bool BenchUnit::Lock(bool locks) {
  if (!locks) return true;
  ControllerLock::Taken taken = ControllerLock::Acquire(controller_);
  if (taken.lock) {
    lock_ = std::move(taken.lock);
    return true;
  }
  verdict_.problem = taken.problem == LockProblem::kBusy ? UnitProblem::kBusy : UnitProblem::kLockFailed;
  verdict_.detail = taken.detail;
  return false;
}

void BenchUnit::ProbeAndJudge() {
  const ControllerReport& report = job_.Probe();
  if (!report.present) {
    verdict_.problem = UnitProblem::kGone;
    return;
  }
  if (report.openError != hid::OpenError::kNone) {
    verdict_.problem = UnitProblem::kCannotOpen;
    return;
  }
  if (!report.versionReported) {
    verdict_.problem = UnitProblem::kNoAnswer;
    return;
  }
  const bool addressed = controller_.protocol == hid::Protocol::kAddressed;
  verdict_.deviceType = addressed ? report.deviceType.value_or(0) : 0;
  verdict_.deviceVariant = addressed ? report.deviceVariant.value_or(0) : 0;
  const package::PackageJudgement judgement =
      package::JudgePackageFile(packagePath_, verdict_.deviceType, verdict_.deviceVariant, addressed);
  if (judgement.walk == package::WalkResult::kFound) verdict_.offeredVersionWord = judgement.main.header.versionWord();
  if (judgement.walk == package::WalkResult::kReadError) {
    verdict_.problem = UnitProblem::kPackageUnreadable;
  } else if (judgement.walk == package::WalkResult::kNotFound &&
             judgement.problem != package::PackageProblem::kNotAPackage) {
    verdict_.problem = UnitProblem::kNothingForIt;
  } else if (judgement.problem != package::PackageProblem::kNone) {
    verdict_.problem = UnitProblem::kPackageRefused;
    verdict_.packageProblem = judgement.problem;
  }
}

bool BenchUnit::Begin() {
  started_ = job_.Begin();
  if (!started_) verdict_.problem = UnitProblem::kUpdateUnopenable;
  return started_;
}

void UnitTally::Count(const BenchUnit& unit) {
  if (!unit.started()) {
    ++refused;
  } else if (unit.job().result().outcome == UpdateOutcome::kSucceeded) {
    ++updated;
  } else {
    ++failed;
  }
}

}  // namespace vantor::workflow
