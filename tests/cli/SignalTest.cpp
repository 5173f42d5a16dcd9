// Signals stop every command at a safe point instead of killing it: a closed terminal
// (SIGHUP), `kill` (SIGTERM), a reader that went away (SIGPIPE), and a Ctrl-C that
// comes before anything else has started.

#include <gtest/gtest.h>
#include <signal.h>

#include <tuple>

#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "PtyProcess.h"

namespace vantor::testkit {
namespace {

using Signals = CliFolder;

// Issue 13, defect 3: SIGHUP killed the process mid-transfer; SIGTERM exited 130.
TEST_F(Signals, HangUpAndTerminateStopAtASafePoint) {
  const std::string package = Pack("f.dat", {"version=1.50,address=0x08004000,type=0,size=49152"});
  for (const auto& [signal, code, name] : {std::tuple{SIGHUP, 129, "SIGHUP"}, {SIGTERM, 143, "SIGTERM"}}) {
    SCOPED_TRACE(name);
    PtyOptions options;
    // The emulated controller at its real pace, so the signal comes mid-transfer.
    options.arguments = {"--lang", "en", "--simulate", "framed", "--sim-dump", Path("flash.bin"), "--yes", "flash",
                         package};
    options.stdoutToPipe = true;
    PtyProgram program(options);
    ASSERT_TRUE(program.WaitForOut("progress  10%", 60000));
    program.Signal(signal);
    const PtyResult result = program.Finish(60000);
    EXPECT_FALSE(result.signaled) << "killed by signal " << result.signal;
    EXPECT_EQ(result.exitCode, code) << result.terminal;
    EXPECT_NE(result.terminal.find(std::string("Stopped (") + name + ")"), std::string::npos) << result.terminal;
    EXPECT_EQ(result.out.find("Firmware upgraded!"), std::string::npos);
  }
}

// A signal during `flash --all` stops every update at a safe point and ends with the
// signal's own code, as a single update does (it used to end with 1, "failed").
TEST_F(Signals, ABenchStoppedBySignalEndsWithItsCode) {
  const std::string package = Pack("b.dat", {"version=1.50,address=0x08004000,type=0,size=49152",
                                             "version=1.51,address=0x08004000,type=8194,size=49152"});
  for (const auto& [signal, code, name] : {std::tuple{SIGINT, 130, "SIGINT"}, {SIGTERM, 143, "SIGTERM"}}) {
    SCOPED_TRACE(name);
    PtyOptions options;
    options.arguments = {"--lang", "en", "--simulate", "addressed,framed", "--yes", "flash", "--all", package};
    options.stdoutToPipe = true;
    PtyProgram program(options);
    ASSERT_TRUE(program.WaitForOut("main image  10%", 60000));
    program.Signal(signal);
    const PtyResult result = program.Finish(60000);
    EXPECT_FALSE(result.signaled) << "killed by signal " << result.signal;
    EXPECT_EQ(result.exitCode, code) << result.out << result.terminal;
    EXPECT_NE(result.out.find("[9-1 VTSIM0001] 1.50 → 1.51  interrupted in"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("[9-2 VTSIM0002] 1.56 → 1.50  interrupted in"), std::string::npos) << result.out;
  }

  // `watch` ends only by a signal: with its code, and so does an update it stopped.
  PtyOptions options;
  options.arguments = {"--lang", "en", "--simulate", "addressed", "--json", "watch", "--yes", package};
  options.stdoutToPipe = true;
  PtyProgram program(options);
  ASSERT_TRUE(program.WaitForTerminal("main image  10%", 60000));
  program.Signal(SIGTERM);
  const PtyResult result = program.Finish(60000);
  EXPECT_EQ(result.exitCode, 143) << result.terminal;
  const nlohmann::json stopped = nlohmann::json::parse(result.out);
  EXPECT_EQ(stopped["outcome"], "interrupted") << result.out;
  EXPECT_EQ(stopped["exitCode"], 143) << result.out;
}

// Issue 13, defect 3: `| head` ended the process by SIGPIPE.
TEST_F(Signals, AClosedPipeStopsQuietly) {
  const std::string package = Pack("f.dat", {"version=1.50,address=0x08004000,type=0,size=49152"});
  PtyOptions options;
  options.arguments = {"--lang", "en", "--simulate", "framed", "--yes", "flash", package};
  options.stdoutToPipe = true;
  PtyProgram program(options);
  ASSERT_TRUE(program.WaitForOut("progress  10%", 60000));
  program.CloseOut();
  const PtyResult result = program.Finish(60000);
  EXPECT_FALSE(result.signaled) << "killed by signal " << result.signal;
  EXPECT_EQ(result.exitCode, 141) << result.terminal;
  EXPECT_NE(result.terminal.find("Stopped (SIGPIPE)"), std::string::npos) << result.terminal;
}

// `watch --json | head -1` once the reader has gone: the next line ends the watch,
// which otherwise would wait for controllers for ever. The reader goes while the
// first update still runs, so its line is the one that finds the pipe closed.
TEST_F(Signals, AClosedPipeEndsAWatch) {
  const std::string package = Pack("f.dat", {"version=1.50,address=0x08004000,type=0,size=49152"});
  PtyOptions options;
  options.arguments = {"--lang", "en", "--simulate", "framed", "--json", "watch", "--yes", package};
  options.stdoutToPipe = true;
  PtyProgram program(options);
  ASSERT_TRUE(program.WaitForTerminal("main image  10%", 60000));
  program.CloseOut();
  const PtyResult result = program.Finish(60000);
  EXPECT_FALSE(result.signaled) << "killed by signal " << result.signal;
  EXPECT_EQ(result.exitCode, 141) << result.terminal;
}

// Issue 11: a Ctrl-C early in a command killed it by the signal, with no JSON written.
TEST_F(Signals, AnEarlyInterruptEndsEveryCommandWithItsDocument) {
  const std::string package = Pack("f.dat", {"version=1.50,address=0x08004000,type=0,size=64"});
  const Arguments commands[] = {
      {"--simulate", "framed", "--json", "--sim-signal-at", "start", "list"},
      {"--json", "--sim-signal-at", "start", "inspect", package},
      {"--json", "--sim-signal-at", "start", "pack", "-o", Path("x.dat"), "-s", "version=1.0,address=0x08004000,size=4"},
      {"--simulate", "framed", "--sim-virtual-time", "--json", "--sim-signal-at", "probe", "info"},
      {"--simulate", "framed", "--sim-virtual-time", "--json", "--sim-signal-at", "probe", "flash", package},
  };
  for (const Arguments& arguments : commands) {
    SCOPED_TRACE(arguments.back());
    PtyOptions options;
    options.arguments = arguments;
    options.stdoutToPipe = true;
    const PtyResult result = RunOnPty(options);
    EXPECT_FALSE(result.signaled) << "killed by signal " << result.signal;
    EXPECT_EQ(result.exitCode, 130) << result.terminal;
    const nlohmann::json document = nlohmann::json::parse(result.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << result.out;
    EXPECT_EQ(document["outcome"], "interrupted") << result.out;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("x.dat")));
}

}  // namespace
}  // namespace vantor::testkit
