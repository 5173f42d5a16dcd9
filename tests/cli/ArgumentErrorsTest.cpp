#include "cli/ArgumentErrors.h"

#include <gtest/gtest.h>

#include <CLI/Error.hpp>

#include "base/LocalizedText.h"

namespace vantor::cli {
namespace {

// The parser's mistakes reached the user in English under --lang zh ("FILE is
// required", "A subcommand is required").
TEST(ArgumentErrors, MistakesAreSaidInTheUsersLanguage) {
  SetUiLanguageOverride(kLanguageChinesePrc);
  EXPECT_EQ(ArgumentErrorText(CLI::RequiredError("FILE")), "缺少 FILE");
  EXPECT_EQ(ArgumentErrorText(CLI::RequiredError::Subcommand(1)).rfind("需要一个命令：", 0), 0u);
  EXPECT_EQ(ArgumentErrorText(CLI::ExtrasError(std::vector<std::string>{"b", "a"})), "多余的参数：a b");
  SetUiLanguageOverride(kLanguageEnglishUs);
  EXPECT_EQ(ArgumentErrorText(CLI::RequiredError("--output")), "--output is required");
  EXPECT_EQ(ArgumentErrorText(CLI::ValidationError("--lang", "xx not in {zh,en}")),
            "wrong argument: --lang: xx not in {zh,en}");
  SetUiLanguageOverride(std::nullopt);
}

// `--wait 2 info` read 2 as a command.
TEST(ArgumentErrors, ANumberAfterWaitIsItsValue) {
  using Arguments = std::vector<std::string>;
  EXPECT_EQ(JoinWaitValues({"--wait", "2", "info"}), (Arguments{"--wait=2", "info"}));
  EXPECT_EQ(JoinWaitValues({"--wait", "info"}), (Arguments{"--wait", "info"}));
  EXPECT_EQ(JoinWaitValues({"--wait", "-5", "info"}), (Arguments{"--wait", "-5", "info"}));
  EXPECT_EQ(JoinWaitValues({"-o", "2", "--wait"}), (Arguments{"-o", "2", "--wait"}));
}

}  // namespace
}  // namespace vantor::cli
