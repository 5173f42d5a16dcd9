// vantor-update in a terminal (a pseudo-terminal of a chosen width): the progress line
// that never wraps, the prompt that stays on the terminal when stdout is redirected,
// what the prompt tells, and Ctrl-C at the prompt.

#include <gtest/gtest.h>
#include <signal.h>

#include "CliFixture.h"
#include "PtyProcess.h"
#include "cli/ProgressMeter.h"

namespace vantor::testkit {
namespace {

using Terminal = CliFolder;

// Every piece between carriage returns and line feeds, as the terminal shows rows.
std::vector<std::string> Rows(const std::string& text) {
  std::vector<std::string> rows;
  std::string row;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      rows.push_back(row);
      row.clear();
    } else {
      row += c;
    }
  }
  rows.push_back(row);
  return rows;
}

// Issue 13, defect 1: on a narrow terminal every redraw added a row.
TEST_F(Terminal, TheProgressLineNeverWrapsAtAnyWidth) {
  const std::string package = Pack("f.dat", {"version=1.56,address=0x08004000,type=0,size=6000"});
  for (int columns : {120, 79, 60, 40, 30}) {
    SCOPED_TRACE(columns);
    PtyOptions options;
    options.arguments = FlashArguments("framed", package, {"--lang", "en", "--yes"});
    options.columns = columns;
    const PtyResult result = RunOnPty(options);
    ASSERT_EQ(result.exitCode, 0) << result.terminal;
    bool sawBar = false;
    for (const std::string& row : Rows(result.terminal)) {
      if (row.find('%') == std::string::npos) continue;
      sawBar = true;
      EXPECT_LT(cli::DisplayWidth(row), columns) << "[" << row << "]";
    }
    EXPECT_TRUE(sawBar) << result.terminal;
    if (columns < 40) {
      EXPECT_EQ(result.terminal.find("[#"), std::string::npos) << "no bar below 40 columns";
    }
    EXPECT_NE(result.terminal.find("100%"), std::string::npos) << result.terminal;
  }
}

// The result in green or red on a terminal; plain with NO_COLOR, TERM=dumb, in a pipe
// or with --json.
TEST_F(Terminal, ResultsAreColouredOnATerminalOnly) {
  const std::string package = Pack("c.dat", {"version=1.56,address=0x08004000,type=0,size=6000"});
  PtyOptions options;
  options.arguments = FlashArguments("framed", package, {"--lang", "en", "--yes"});
  const PtyResult green = RunOnPty(options);
  EXPECT_EQ(green.exitCode, 0) << green.terminal;
  EXPECT_NE(green.terminal.find("\x1b[32mFirmware upgraded!\x1b[0m"), std::string::npos) << green.terminal;

  PtyOptions failing = options;
  failing.arguments = FlashArguments("framed", package, {"--lang", "en", "--yes", "--sim-fault", "fail"});
  const PtyResult red = RunOnPty(failing);
  EXPECT_NE(red.exitCode, 0) << red.terminal;
  EXPECT_NE(red.terminal.find("\x1b[31m"), std::string::npos) << red.terminal;

  for (const char* variable : {"NO_COLOR=1", "TERM=dumb"}) {
    PtyOptions plain = options;
    plain.environment = {variable};
    const PtyResult result = RunOnPty(plain);
    EXPECT_EQ(result.terminal.find("\x1b[32m"), std::string::npos) << variable << ": " << result.terminal;
  }
  PtyOptions piped = options;
  piped.stdoutToPipe = true;
  const PtyResult result = RunOnPty(piped);
  EXPECT_NE(result.out.find("Firmware upgraded!"), std::string::npos) << result.out;
  EXPECT_EQ(result.out.find('\x1b'), std::string::npos) << result.out;
}

// A long sentence is broken at the terminal's width; the same sentence in a pipe stays whole.
TEST_F(Terminal, LongSentencesWrapOnATerminalOnly) {
  PtyOptions options;
  options.arguments = {"--lang", "en", "--simulate", "addressed,framed", "list", "--device", "nothing"};
  options.columns = 40;
  const PtyResult narrow = RunOnPty(options);
  EXPECT_EQ(narrow.exitCode, 3) << narrow.terminal;
  for (const std::string& row : Rows(narrow.terminal)) EXPECT_LE(cli::DisplayWidth(row), 40) << "[" << row << "]";
  const ProcessResult piped = RunProgram(options.arguments);
  bool longLine = false;
  for (const std::string& row : Rows(piped.err)) longLine = longLine || cli::DisplayWidth(row) > 40;
  EXPECT_TRUE(longLine) << piped.err;
}

TEST_F(Terminal, ADumbTerminalGetsPlainLines) {
  const std::string package = Pack("f.dat", {"version=1.56,address=0x08004000,type=0,size=6000"});
  PtyOptions options;
  options.arguments = FlashArguments("framed", package, {"--lang", "en", "--yes"});
  options.environment = {"TERM=dumb"};
  const PtyResult result = RunOnPty(options);
  ASSERT_EQ(result.exitCode, 0) << result.terminal;
  EXPECT_EQ(result.terminal.find("\x1b["), std::string::npos) << result.terminal;
  EXPECT_NE(result.terminal.find("progress 100%"), std::string::npos) << result.terminal;
}

// Issue 13, defect 2: `flash FILE > log.txt` put the question into the log.
TEST_F(Terminal, ThePromptStaysOnTheTerminalWhenStdoutIsRedirected) {
  const std::string package = Pack("f.dat", {"version=1.56,address=0x08004000,type=0,size=600"});
  PtyOptions options;
  options.arguments = FlashArguments("framed", package, {"--lang", "en"});
  options.stdoutToPipe = true;
  PtyProgram program(options);
  ASSERT_TRUE(program.WaitForTerminal("Continue? [y/N]", 30000));
  program.Type("y\n");
  const PtyResult result = program.Finish(30000);
  EXPECT_EQ(result.exitCode, 0) << result.terminal << result.out;
  EXPECT_EQ(result.out.find("Continue?"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Firmware upgraded!"), std::string::npos) << result.out;
}

// Issue 13, defect 7: Ctrl-C at the prompt spoke of an interrupted update.
TEST_F(Terminal, CtrlCAtThePromptSaysNothingWasSent) {
  const std::string package = Pack("f.dat", {"version=1.56,address=0x08004000,type=0,size=600"});
  PtyOptions options;
  options.arguments = FlashArguments("framed", package, {"--lang", "en"});
  PtyProgram program(options);
  ASSERT_TRUE(program.WaitForTerminal("Continue? [y/N]", 30000));
  program.Signal(SIGINT);
  const PtyResult result = program.Finish(30000);
  EXPECT_EQ(result.exitCode, 130) << result.terminal;
  EXPECT_FALSE(result.signaled);
  EXPECT_NE(result.terminal.find("Cancelled, nothing was sent"), std::string::npos) << result.terminal;
  EXPECT_EQ(result.terminal.find("half-sent"), std::string::npos) << result.terminal;
  EXPECT_TRUE(ReadAll(Path("flash.bin")).empty());
}

// Issue 13, defect 12: the prompt said "New firmware 1.6" for 1.56 and nothing else.
TEST_F(Terminal, ThePromptTellsControllerVersionsAndTheRadio) {
  struct Case {
    std::string protocol;
    std::vector<std::string> sections;
    std::vector<std::string> expected;
  };
  const std::string radio = "version=1.02,address=0x00000000,type=0,size=70000";
  const Case cases[] = {
      {"framed", {"version=1.56,address=0x08004000,type=0,size=600"},
       {"Controller: ", "Installed firmware: 1.56", "New firmware: 1.56 (same as installed)",
        "The radio image will not be written."}},
      {"framed", {"version=1.50,beta=3,address=0x08004000,type=0,size=600"},
       {"New firmware: 1.50 beta3 (older than installed)"}},
      {"addressed", {"version=1.61,address=0x08004000,type=8194,size=600", radio},
       {"Installed firmware: 1.50", "New firmware: 1.61\r\n", "The radio (Bluetooth LE) image will be written too."}},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::string package = Pack("p" + std::to_string(index++) + ".dat", c.sections);
    PtyOptions options;
    options.arguments = FlashArguments(c.protocol, package, {"--lang", "en"});
    PtyProgram program(options);
    ASSERT_TRUE(program.WaitForTerminal("Continue? [y/N]", 30000));
    program.Type("n\n");
    const PtyResult result = program.Finish(30000);
    EXPECT_EQ(result.exitCode, 2) << result.terminal;
    for (const std::string& line : c.expected) EXPECT_NE(result.terminal.find(line), std::string::npos) << line << "\n" << result.terminal;
  }
}

}  // namespace
}  // namespace vantor::testkit
