// The command line as a new user meets it: help, version, mistyped commands, package
// paths that are no package, declining, the controller without firmware, the waiting
// line, and texts in the terminal's own codeset.

#include <gtest/gtest.h>
#include <iconv.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "PtyProcess.h"

namespace vantor::testkit {
namespace {

using CommandLine = CliFolder;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Issue 13, defect 4: all of these answered "A subcommand is required".
TEST_F(CommandLine, VersionHelpAndMistypedCommands) {
  const ProcessResult version = RunProgram({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_TRUE(Has(version.out, "vantor-update 2.")) << version.out;
  EXPECT_TRUE(Has(version.out, "hidapi")) << version.out;

  // The program's help, not the help of `help`; a command's usage names the program.
  const ProcessResult help = RunProgram({"help"});
  EXPECT_EQ(help.exitCode, 0) << help.err;
  EXPECT_TRUE(Has(help.out, "Usage: vantor-update [OPTIONS] SUBCOMMAND")) << help.out;
  EXPECT_TRUE(Has(help.out, "doctor")) << help.out;
  const ProcessResult flashHelp = RunProgram({"help", "flash"});
  EXPECT_TRUE(Has(flashHelp.out, "Usage: vantor-update flash [OPTIONS] FILE")) << flashHelp.out;

  const ProcessResult mistyped = RunProgram({"lst"});
  EXPECT_EQ(mistyped.exitCode, 2);
  EXPECT_TRUE(Has(mistyped.err, "unknown command 'lst'")) << mistyped.err;
  EXPECT_TRUE(Has(mistyped.err, "did you mean 'list'")) << mistyped.err;
  const ProcessResult afterOptions = RunProgram({"--simulate", "framed", "flahs", "x.dat"});
  EXPECT_TRUE(Has(afterOptions.err, "did you mean 'flash'")) << afterOptions.err;

  // A negative limit waited for ever, like the bare flag.
  const ProcessResult negativeWait = RunProgram({"--simulate", "framed", "--wait=-5", "info"});
  EXPECT_EQ(negativeWait.exitCode, 2);
  EXPECT_TRUE(Has(negativeWait.err, "--wait=-5: the seconds cannot be negative")) << negativeWait.err;
}

// Issue 13, defect 5: `flash --help` listed FILE only.
TEST_F(CommandLine, EachCommandsHelpListsEveryOptionThatApplies) {
  for (const Arguments& arguments : {Arguments{"help", "flash"}, Arguments{"flash", "--help"}}) {
    const ProcessResult help = RunProgram(arguments);
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--yes", "--device", "--json", "--simulate", "--lang", "--quiet", "--verbose", "--log",
                               "Continue? [y/N]", "Example:"}) {
      EXPECT_TRUE(Has(help.out, option)) << option << "\n" << help.out;
    }
  }
  for (const char* command : {"list", "info", "inspect", "pack"}) {
    const ProcessResult help = RunProgram({"help", command});
    EXPECT_EQ(help.exitCode, 0) << command;
    EXPECT_TRUE(Has(help.out, "--json")) << help.out;
    EXPECT_TRUE(Has(help.out, "Example:")) << help.out;
  }
}

// Issue 13, defect 6: a declined prompt (or none answered) read "no-package".
TEST_F(CommandLine, DecliningSuggestsYes) {
  const std::string package = Pack("a.dat", {"version=1.50,address=0x08004000,type=8194,size=64"});
  for (const std::string& input : {std::string("n\n"), std::string()}) {
    const ProcessResult declined = RunProgram(FlashArguments("addressed", package, {"--json", "--lang", "en"}), input);
    EXPECT_EQ(declined.exitCode, 2) << declined.err;
    const nlohmann::json document = nlohmann::json::parse(declined.out);
    EXPECT_EQ(document["outcome"], "declined");
    EXPECT_EQ(document["hint"], "--yes");
    EXPECT_TRUE(Has(document["message"].get<std::string>(), "--yes"));
    EXPECT_TRUE(Has(declined.err, "--yes")) << declined.err;
  }
}

// Issue 13, defect 8: a controller without firmware was told to click a button.
TEST_F(CommandLine, AControllerWithoutFirmwareGetsTheCommandLinesInstructions) {
  for (const char* language : {"en", "zh"}) {
    const ProcessResult info =
        RunProgram({"--simulate", "framed", "--sim-virtual-time", "--sim-fault", "no-firmware", "--lang", language, "info"});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_FALSE(Has(info.out + info.err, "USB Update")) << info.out;
    EXPECT_FALSE(Has(info.out + info.err, "USB 升级")) << info.out;
    EXPECT_TRUE(Has(info.out, "vantor-update flash")) << info.out;
  }
}

// Issue 13, defect 9, and issue 11: a directory, a FIFO, a missing or unreadable file.
TEST_F(CommandLine, PathsThatAreNoPackageSayWhy) {
  std::filesystem::create_directories(Path("folder"));
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  struct Case {
    std::string path, text, code;
  };
  std::vector<Case> cases = {{Path("folder"), "is a directory", "is-a-directory"},
                             {Path("fifo"), "not a regular file", "not-a-regular-file"},
                             {Path("absent.dat"), "no such file", "file-not-found"}};
  if (geteuid() != 0) {
    const std::string locked = Pack("locked.dat", {"version=1.50,address=0x08004000,type=0,size=64"});
    ::chmod(locked.c_str(), 0);
    cases.push_back({locked, "permission denied", "permission-denied"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    for (const Arguments& arguments : {FlashArguments("framed", c.path, {"--yes", "--lang", "en"}),
                                       Arguments{"inspect", c.path}}) {
      // Bounded: a FIFO used to block the open for ever.
      const ProcessResult result = RunProgram(arguments, "", 20000);
      EXPECT_EQ(result.exitCode, 2) << result.err;
      EXPECT_TRUE(Has(result.err, c.text)) << result.err;
    }
    Arguments json = FlashArguments("framed", c.path, {"--yes", "--json"});
    const ProcessResult result = RunProgram(json, "", 20000);
    EXPECT_EQ(nlohmann::json::parse(result.out)["error"], c.code);
  }
}

// A Chinese user reads in Chinese why a file is refused, what `pack` wrote, what
// `inspect` finds wrong with a file, and that a command does not exist.
TEST_F(CommandLine, RefusalsAndResultsSpeakTheUsersLanguage) {
  std::filesystem::create_directories(Path("folder"));
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  const std::vector<std::pair<std::string, std::string>> refused = {
      {Path("folder"), "是文件夹"}, {Path("fifo"), "不是普通文件"}, {Path("absent.dat"), "没有这个文件"}};
  for (const auto& [path, text] : refused) {
    const ProcessResult result = RunProgram({"--lang", "zh", "inspect", path}, "", 20000);
    EXPECT_EQ(result.exitCode, 2) << result.err;
    EXPECT_TRUE(Has(result.err, path + "：" + text)) << result.err;
  }

  const ProcessResult packed = RunProgram(
      {"--lang", "zh", "pack", "-o", Path("p.dat"), "-s", "version=1.50,address=0x08004000,type=0,size=64"});
  EXPECT_EQ(packed.exitCode, 0) << packed.err;
  EXPECT_TRUE(Has(packed.out, "已写入 " + Path("p.dat") + "，共 1 个段")) << packed.out;

  std::ofstream(Path("empty.dat"), std::ios::binary).close();
  const ProcessResult inspected = RunProgram({"--lang", "zh", "inspect", Path("empty.dat")});
  EXPECT_TRUE(Has(inspected.out, "问题：该文件不是固件包")) << inspected.out;
  const ProcessResult listed = RunProgram({"--lang", "zh", "inspect", Path("p.dat")});
  EXPECT_TRUE(Has(listed.out, "字节，1 个段")) << listed.out;
  EXPECT_TRUE(Has(listed.out, "蓝牙 LE 固件：无（文件小于 64 KiB）")) << listed.out;
  EXPECT_TRUE(Has(listed.out, "framed 手柄：第 0 段")) << listed.out;
  EXPECT_TRUE(Has(listed.out, "问题：无")) << listed.out;

  const ProcessResult unknown =
      RunProgram({"flsh", "x.dat"}, "", 20000, {"LC_ALL=zh_CN.UTF-8", "LANG=zh_CN.UTF-8", "LANGUAGE="});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_TRUE(Has(unknown.err, "未知命令“flsh”；是否要用“flash”？")) << unknown.err;
  const ProcessResult english =
      RunProgram({"--lang", "en", "flsh"}, "", 20000, {"LC_ALL=zh_CN.UTF-8", "LANG=zh_CN.UTF-8", "LANGUAGE="});
  EXPECT_TRUE(Has(english.err, "unknown command 'flsh'; did you mean 'flash'?")) << english.err;
  const ProcessResult chinese = RunProgram({"--lang=zh", "flsh"});
  EXPECT_TRUE(Has(chinese.err, "未知命令“flsh”")) << chinese.err;
}

// Issue 13, defect 11: ten seconds of silence froze the line.
TEST_F(CommandLine, ASilentControllerIsSaidToBeWaitedFor) {
  const std::string package = Pack("f.dat", {"version=1.56,address=0x08004000,type=0,size=3000"});
  const ProcessResult result = Flash("framed", package, {"--lang", "en", "--yes", "--sim-fault", "silent"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(Has(result.out, "waiting for the controller")) << result.out;
  EXPECT_TRUE(Has(result.err, "the controller stopped answering")) << result.err;
}

// Issue 11: the first framed progress line said "0%  32/100 bytes".
TEST_F(CommandLine, TheFirstProgressLineAgreesWithItsBytes) {
  const std::string package = Pack("f.dat", {"version=1.56,address=0x08004000,type=0,size=100"});
  const ProcessResult result = Flash("framed", package, {"--lang", "en", "--yes"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(Has(result.out, "progress  32%")) << result.out;
  EXPECT_FALSE(Has(result.out, "progress   0%")) << result.out;
}

// Issue 11: an unknown emulator fault is bad usage.
// Every command says the same of the same mistake (watch said "hid-unavailable", 1).
TEST_F(CommandLine, AnUnknownSimulatedFaultIsBadUsage) {
  const std::string package = Pack("p.dat", {"version=1.50,address=0x08004000,type=0,size=100"});
  for (const Arguments& command : std::vector<Arguments>{{"list"}, {"flash", package}, {"watch", package, "--yes"}}) {
    Arguments arguments = {"--simulate", "framed", "--sim-fault", "no-such-fault"};
    arguments.insert(arguments.end(), command.begin(), command.end());
    EXPECT_EQ(RunProgram(arguments).exitCode, 2) << command.front();
  }
}

// doctor's verdict for scripts: 0 when the controller can be opened, else the code of
// the problem it names.
TEST_F(CommandLine, DoctorSaysWhetherAControllerCanBeUpdated) {
  const ProcessResult fine = RunProgram({"--simulate", "addressed", "--json", "doctor"});
  EXPECT_EQ(fine.exitCode, 0) << fine.err;
  EXPECT_EQ(nlohmann::json::parse(fine.out)["updatable"], true) << fine.out;
  const ProcessResult denied = RunProgram({"--simulate", "addressed", "--sim-fault", "no-permission", "--json", "doctor"});
  EXPECT_EQ(denied.exitCode, 4) << denied.err;
  const nlohmann::json document = nlohmann::json::parse(denied.out);
  EXPECT_EQ(document["firstProblem"], "no-access") << denied.out;
  const ProcessResult chinese = RunProgram({"--simulate", "addressed", "--sim-fault", "no-permission", "--lang", "zh", "doctor"});
  EXPECT_TRUE(Has(chinese.out, "当前用户无权打开")) << chinese.out;
}

std::string Convert(const std::string& utf8, const char* codeset) {
  iconv_t converter = iconv_open(codeset, "UTF-8");
  std::string out(utf8.size() * 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* to = out.data();
  std::size_t outLeft = out.size();
  iconv(converter, &in, &inLeft, &to, &outLeft);
  iconv_close(converter);
  out.resize(out.size() - outLeft);
  return out;
}

// Issue 11: a GB18030 terminal got UTF-8 bytes.
TEST_F(CommandLine, AChineseTerminalGetsItsOwnCodeset) {
  PtyOptions options;
  options.arguments = {"--simulate", "framed", "--device", "elsewhere", "info"};
  options.environment = {"LC_ALL=zh_CN.GB18030", "LANG=zh_CN.GB18030"};
  const PtyResult result = RunOnPty(options);
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_TRUE(Has(result.terminal, Convert("相符的手柄", "GB18030"))) << result.terminal;
  EXPECT_FALSE(Has(result.terminal, "相符的手柄")) << "no UTF-8 bytes";

  // The bench's board and its question too.
  const std::string package = Pack("b.dat", {"version=1.50,address=0x08004000,type=0,size=3000",
                                             "version=1.51,address=0x08004000,type=8194,size=3000"});
  options.arguments = {"--simulate", "addressed,framed", "--sim-virtual-time", "--sim-fault", "2:fail",
                       "flash", "--all", package};
  PtyProgram bench(options);
  ASSERT_TRUE(bench.WaitForTerminal(Convert("个手柄", "GB18030"), 30000)) << "the question";
  bench.Type("y\n");
  const PtyResult benchResult = bench.Finish(60000);
  EXPECT_EQ(benchResult.exitCode, 1);
  EXPECT_TRUE(Has(benchResult.terminal, Convert("请在 BOOT 模式下重新插入后再运行", "GB18030"))) << benchResult.terminal;
  EXPECT_FALSE(Has(benchResult.terminal, "请在 BOOT 模式下重新插入后再运行")) << "no UTF-8 bytes";
}

}  // namespace
}  // namespace vantor::testkit
