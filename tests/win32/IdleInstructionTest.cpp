// The instruction text while no update runs: the boot-mode instructions exactly, unless
// the checks found something the user must do first.
#include <gtest/gtest.h>

#include "base/LocalizedText.h"
#include "win32/DialogWords.h"

namespace vantor::win32 {
namespace {

workflow::Diagnosis Found(workflow::Check check, workflow::Finding finding, const std::string& detail = "") {
  workflow::Diagnosis diagnosis;
  workflow::CheckResult result;
  result.check = check;
  result.finding = finding;
  result.detail = detail;
  diagnosis.checks.push_back(result);
  return diagnosis;
}

TEST(IdleInstruction, NamesWhatKeepsEveryControllerOutAndOtherwiseInstructs) {
  const std::string instructions = LocalizedText(text::kInstructions);
  EXPECT_EQ(IdleInstruction(Found(workflow::Check::kNoController, workflow::Finding::kNothingAttached)), instructions);
  // An open refused for another reason is said at the click.
  EXPECT_EQ(IdleInstruction(Found(workflow::Check::kController, workflow::Finding::kNoAccess)), instructions);

  const std::string normal = IdleInstruction(Found(workflow::Check::kNormalMode, workflow::Finding::kInNormalMode));
  EXPECT_NE(normal, instructions);
  EXPECT_NE(normal.find("LB+RB"), std::string::npos) << normal;
  const std::string held = IdleInstruction(Found(workflow::Check::kController, workflow::Finding::kHeldElsewhere));
  EXPECT_NE(held, instructions);
  EXPECT_NE(held, normal);
  const std::string noHid = IdleInstruction(
      Found(workflow::Check::kHidLibrary, workflow::Finding::kHidServicesUnusable, "SetupDiGetClassDevs: error 5"));
  EXPECT_NE(noHid.find("SetupDiGetClassDevs: error 5"), std::string::npos) << noHid;

  // Once a controller can be updated nothing else matters.
  workflow::Diagnosis both = Found(workflow::Check::kNormalMode, workflow::Finding::kInNormalMode);
  both.updatable = true;
  EXPECT_EQ(IdleInstruction(both), instructions);
}

}  // namespace
}  // namespace vantor::win32
