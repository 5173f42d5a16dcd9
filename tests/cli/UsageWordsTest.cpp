// What the command line says of a mistake in its own arguments that only it can
// explain: a --section description `pack` refuses, a --sim-fault the emulation lacks;
// in the language asked for.

#include <gtest/gtest.h>

#include "base/LocalizedText.h"
#include "cli/Colour.h"
#include "cli/DeviceSelection.h"
#include "cli/SectionWords.h"

namespace vantor::cli {
namespace {

std::string Problem(const std::string& description) { return SectionProblemText(description).value_or("<none>"); }

TEST(UsageWords, SectionProblemsNameThePairInEitherLanguage) {
  SetUiLanguageOverride(kLanguageEnglishUs);
  EXPECT_EQ(Problem("version=1.5,address=0x08004000,size=4"), "<none>");
  EXPECT_EQ(Problem("version=1.5,address=0x08004000,image=a.bin"), "<none>");
  EXPECT_EQ(Problem("version=1.5,size"), "\"size\" is not key=value");
  EXPECT_EQ(Problem("version=1.5,colour=red,size=4"),
            "unknown key \"colour\" (known: version, beta, address, type, variant, file, size)");
  EXPECT_EQ(Problem("version=1.5,address=0x08004000,variant=256,size=4"), "bad value for variant: \"256\"");
  EXPECT_EQ(Problem("version=1.505,address=1,size=4"), "bad value for version: \"1.505\"");
  EXPECT_EQ(Problem("address=1,size=4"), "a section needs version= (for example version=1.50)");
  EXPECT_EQ(Problem("version=1,address=1,size=4,file=a"), "a section needs exactly one of file= and size=");
  EXPECT_EQ(Problem("version=1,address=1"), "a section needs exactly one of file= and size=");
  // Without address= the section would silently go to 0.
  EXPECT_EQ(Problem("version=1.5,type=8194,size=4").rfind("a section needs address=", 0), 0u);
  EXPECT_EQ(Problem("version=1.5,type=0,size=4").rfind("a section needs address=", 0), 0u);
  EXPECT_EQ(Problem("version=1.5,address=0,type=0,size=4"), "<none>") << "a radio image may start at 0";

  SetUiLanguageOverride(kLanguageChinesePrc);
  EXPECT_EQ(Problem("version=1.5,size"), "“size”不是 键=值 的形式");
  EXPECT_EQ(Problem("version=1.5,colour=red,size=4").rfind("未知的键“colour”", 0), 0u);
  EXPECT_EQ(Problem("version=x,address=1,size=4"), "version 的值有误：“x”");
  EXPECT_EQ(Problem("version=1.5,size=4").rfind("一个分段需要 address=", 0), 0u);
  SetUiLanguageOverride(std::nullopt);
}

// Why pack wrote nothing: the package library's finding, worded here.
TEST(UsageWords, PackFailuresInEitherLanguage) {
  const package::WriteFailure missing{package::WriteProblem::kImageUnopenable, "a.bin", "No such file or directory"};
  const package::WriteFailure fifo{package::WriteProblem::kImageNotRegular, "fifo.bin", ""};
  SetUiLanguageOverride(kLanguageEnglishUs);
  EXPECT_EQ(WriteFailureText(missing), "cannot open image file a.bin: No such file or directory");
  EXPECT_EQ(WriteFailureText(fifo), "image file fifo.bin is not a regular file");
  SetUiLanguageOverride(kLanguageChinesePrc);
  EXPECT_EQ(WriteFailureText(missing), "无法打开映像文件 a.bin：No such file or directory");
  EXPECT_EQ(WriteFailureText(fifo), "映像文件 fifo.bin 不是普通文件");
  EXPECT_EQ(WriteFailureText({package::WriteProblem::kNoSections, "", ""}), "一个包至少需要一个 --section");
  SetUiLanguageOverride(std::nullopt);
}

TEST(UsageWords, AnUnknownSimulatedFaultIsSaidInTheLanguageAsked) {
  CommonOptions options;
  options.simulate = "addressed";
  options.simFault = "no-such-fault";
  const auto said = [&options] {
    return SimulationProblemText(workflow::Environment::Create(SimulationOf(options)), options.simFault);
  };
  SetUiLanguageOverride(kLanguageChinesePrc);
  EXPECT_EQ(said(), "模拟手柄没有这种故障：no-such-fault");
  options.simulate = "addressed,framed";
  options.simFault = "2:no-such-fault";
  EXPECT_EQ(said(), "模拟工作台没有这种故障：2:no-such-fault（用 N:名称，N 从 1 数起）");
  SetUiLanguageOverride(kLanguageEnglishUs);
  EXPECT_EQ(said(), "unknown fault for the emulated bench: 2:no-such-fault (use N:NAME, N counting from 1)");
  // A problem of the emulation itself keeps its own words.
  options.simFault = "1:no-such-fault";
  options.simArrive = "x";
  EXPECT_NE(said().find("x"), std::string::npos);
  EXPECT_EQ(said().find("fault"), std::string::npos) << said();
  SetUiLanguageOverride(std::nullopt);
}

}  // namespace
}  // namespace vantor::cli

namespace vantor::cli {
namespace {

// Colour only where a person reads a terminal that shows it and has not said no.
TEST(UsageWords, ColourOnlyWhereItIsWanted) {
  EXPECT_TRUE(ColourAllowed(true, false, "xterm-256color", nullptr));
  EXPECT_TRUE(ColourAllowed(true, false, nullptr, ""));
  EXPECT_FALSE(ColourAllowed(true, false, "xterm", "1"));
  EXPECT_FALSE(ColourAllowed(true, false, "dumb", nullptr));
  EXPECT_FALSE(ColourAllowed(false, false, "xterm", nullptr));
  EXPECT_FALSE(ColourAllowed(true, true, "xterm", nullptr));
  EXPECT_EQ(Paint("updated", true, true), "\x1b[32mupdated\x1b[0m");
  EXPECT_EQ(Paint("failed", false, true), "\x1b[31mfailed\x1b[0m");
  EXPECT_EQ(Paint("failed", false, false), "failed");
}

}  // namespace
}  // namespace vantor::cli
