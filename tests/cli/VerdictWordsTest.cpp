// The verdicts of `flash` and `verify` as the user reads them, for every way a run can
// end, in both languages.

#include <gtest/gtest.h>

#include <regex>

#include "base/LocalizedText.h"
#include "cli/FlashParts.h"

namespace vantor::cli {
namespace {

UpdateResult Failed(FailureReason reason, std::uint32_t code = 0) {
  UpdateResult result;
  result.outcome = UpdateOutcome::kFailed;
  result.reason = reason;
  result.stage = UpdateStage::kVerifying;
  result.code = code;
  return result;
}

// `verify` wrote nothing, so it never says an update failed or that flash should run
// again; a difference is named by its address, in full.
TEST(VerdictWords, VerifySaysMatchesOrDiffersInItsOwnWords) {
  SetUiLanguageOverride(kLanguageEnglishUs);
  UpdateResult matched;
  matched.outcome = UpdateOutcome::kSucceeded;
  const Verdict matches = VerifyVerdictFor(matched, 0, "fw.dat");
  EXPECT_FALSE(matches.isError);
  ASSERT_EQ(matches.lines.size(), 1u);
  EXPECT_EQ(matches.lines[0], "Matches: the controller's flash holds the firmware of fw.dat.");

  const Verdict differs = VerifyVerdictFor(Failed(FailureReason::kReadBackMismatch, 0x08004064), 0, "fw.dat");
  EXPECT_TRUE(differs.isError);
  ASSERT_EQ(differs.lines.size(), 2u);
  EXPECT_EQ(differs.lines[0], "Differs at 0x08004064: the controller's flash does not hold the firmware of fw.dat.");
  EXPECT_EQ(differs.lines[1], "Nothing was written. To install the package, run: vantor-update flash fw.dat");

  const Verdict silent = VerifyVerdictFor(Failed(FailureReason::kNoAnswer), 0, "fw.dat");
  ASSERT_EQ(silent.lines.size(), 2u);
  EXPECT_EQ(silent.lines[0], "Verify failed (verifying): the controller stopped answering.");
  EXPECT_NE(silent.lines[1].find("run verify again"), std::string::npos) << silent.lines[1];

  // An address in a flash --verify failure is eight digits too.
  const Verdict flashed = VerdictFor(Failed(FailureReason::kReadBackMismatch, 0x100), 0, true);
  EXPECT_NE(flashed.lines[0].find("(first difference at 0x00000100)."), std::string::npos) << flashed.lines[0];
  SetUiLanguageOverride(std::nullopt);
}

// A reason said inside a sentence brings no full stop of its own: "..", "。。".
TEST(VerdictWords, NoSentenceEndsTwice) {
  const UpdateOutcome outcomes[] = {UpdateOutcome::kSucceeded,     UpdateOutcome::kNotInBootMode,
                                    UpdateOutcome::kNoPackage,     UpdateOutcome::kNothingMatched,
                                    UpdateOutcome::kDeclined,      UpdateOutcome::kPackageRefused,
                                    UpdateOutcome::kInterrupted};
  const FailureReason reasons[] = {FailureReason::kControllerRefused, FailureReason::kNoAnswer,
                                   FailureReason::kUnplugged,         FailureReason::kWriteFailed,
                                   FailureReason::kPackageUnreadable, FailureReason::kReadBackMismatch,
                                   FailureReason::kUnconfirmed};
  std::vector<UpdateResult> results;
  for (const UpdateOutcome outcome : outcomes) {
    UpdateResult result;
    result.outcome = outcome;
    results.push_back(result);
  }
  for (const FailureReason reason : reasons) results.push_back(Failed(reason, 0x08004064));
  const std::regex shortAddress("0x[0-9a-f]{1,7}([^0-9a-f]|$)");
  for (const std::uint16_t language : {kLanguageEnglishUs, kLanguageChinesePrc}) {
    SetUiLanguageOverride(language);
    for (const UpdateResult& result : results) {
      for (const Verdict& verdict :
           {VerdictFor(result, 0, true), VerdictFor(result, 0, false), VerifyVerdictFor(result, 0, "fw.dat")}) {
        for (const std::string& line : verdict.lines) {
          EXPECT_EQ(line.find(".."), std::string::npos) << line;
          EXPECT_EQ(line.find("。。"), std::string::npos) << line;
          EXPECT_FALSE(std::regex_search(line, shortAddress)) << line;
        }
      }
    }
  }
  SetUiLanguageOverride(std::nullopt);
}

}  // namespace
}  // namespace vantor::cli
