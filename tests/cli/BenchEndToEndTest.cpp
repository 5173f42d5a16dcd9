// The built vantor-update on an emulated repair bench: several controllers told apart
// by serial number and location, the refusal to guess among them, every one updated
// at once, waiting for a controller, the bench loop, and one update per controller
// across processes.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "ChildProcess.h"
#include "support/TestKit.h"
#include "package/PackageWriter.h"
#include "workflow/ControllerLock.h"

namespace vantor::testkit {
namespace {

using Arguments = std::vector<std::string>;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Bench : public ::testing::Test {
 protected:
  void SetUp() override {
    // A package for both protocols: section 1 addressed, section 2 framed.
    const ProcessResult packed =
        RunProgram({"pack", "-o", Path("p.dat"), "-s", "version=1.50,address=0x08004000,type=8194,size=3000", "-s",
                    "version=1.50,address=0x08004000,type=0,size=2000"});
    EXPECT_EQ(packed.exitCode, 0) << packed.err;
  }

  std::string Path(const std::string& name) const { return folder_.Path(name); }
  // The locks live in the test's own folder.
  std::vector<std::string> Environment() const { return {"VANTOR_LOCK_DIR=" + folder_.path().string()}; }

  ProcessResult Run(const std::string& bench, const Arguments& extra) {
    Arguments arguments = {"--lang", "en", "--simulate", bench, "--sim-virtual-time", "--sim-dump", Path("flash")};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunProgram(arguments, "", 60000, Environment());
  }

  testkit::TempFolder folder_;
};

TEST_F(Bench, ListShowsEachControllersIdentityAndProbe) {
  const ProcessResult listed = Run("addressed,framed", {"--json", "list"});
  ASSERT_EQ(listed.exitCode, 0) << listed.err;
  const nlohmann::json list = nlohmann::json::parse(listed.out);
  ASSERT_EQ(list["controllers"].size(), 2u);
  EXPECT_EQ(list["controllers"][0]["serialNumber"], "VTSIM0001");
  EXPECT_EQ(list["controllers"][0]["location"], "9-1");
  EXPECT_EQ(list["controllers"][0]["protocol"], "addressed");
  EXPECT_EQ(list["controllers"][0]["answered"], true);
  EXPECT_EQ(list["controllers"][0]["version"], "1.50");
  EXPECT_EQ(list["controllers"][1]["serialNumber"], "VTSIM0002");
  EXPECT_EQ(list["controllers"][1]["location"], "9-2");
  EXPECT_EQ(list["controllers"][1]["protocol"], "framed");

  const ProcessResult text = Run("addressed,framed", {"list"});
  EXPECT_NE(text.out.find("serial VTSIM0002  at 9-2"), std::string::npos) << text.out;
}

// Before: list said "boot mode" of a controller running its normal firmware, and info
// said no mode at all; flash then failed with "runs its normal firmware".
TEST_F(Bench, ListAndInfoSayTheModeTheProbeFound) {
  for (const char* fault : {"", "not-boot"}) {
    SCOPED_TRACE(fault);
    const bool normal = *fault != '\0';
    Arguments faultArguments;
    if (normal) faultArguments = {"--sim-fault", fault};
    const auto run = [&](Arguments extra) {
      extra.insert(extra.begin(), faultArguments.begin(), faultArguments.end());
      return Run("framed", extra);
    };
    const ProcessResult listed = run({"list"});
    EXPECT_EQ(listed.out.find("boot mode") == std::string::npos, normal) << listed.out;
    EXPECT_EQ(listed.out.find("normal mode, firmware 1.56: replug it while holding LB+RB") != std::string::npos,
              normal) << listed.out;
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "list"}).out)["controllers"][0]["mode"], normal ? "normal" : "boot");

    const ProcessResult info = run({"info"});
    EXPECT_NE(info.out.find(normal ? "mode:       normal mode: replug it while holding LB+RB to update it"
                                   : "mode:       boot mode (it can be updated)"),
              std::string::npos)
        << info.out;
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "info"}).out)["mode"], normal ? "normal" : "boot");
  }
  const ProcessResult chinese =
      RunProgram({"--lang", "zh", "--simulate", "framed", "--sim-fault", "not-boot", "list"}, "", 60000, Environment());
  EXPECT_NE(chinese.out.find("普通模式，固件 1.56"), std::string::npos) << chinese.out;
  EXPECT_EQ(chinese.out.find("BOOT 模式，"), std::string::npos) << chinese.out;
}

// Before: with two controllers attached and no --device, flash updated the first one
// without a word.
TEST_F(Bench, SeveralAttachedAndNoneChosenIsRefusedBeforeAnyWrite) {
  const ProcessResult refused = Run("addressed,addressed", {"flash", "--yes", Path("p.dat")});
  EXPECT_EQ(refused.exitCode, 2) << refused.out << refused.err;
  EXPECT_NE(refused.err.find("sim-1"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("sim-2"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--device"), std::string::npos) << refused.err;
  EXPECT_FALSE(std::filesystem::exists(Path("flash.1")));
}

TEST_F(Bench, DeviceBySerialOrLocationUpdatesThatOneOnly) {
  const ProcessResult bySerial = Run("addressed,addressed", {"--device", "VTSIM0002", "flash", "--yes", Path("p.dat")});
  EXPECT_EQ(bySerial.exitCode, 0) << bySerial.out << bySerial.err;
  EXPECT_TRUE(ReadAll(Path("flash.1")).empty());
  EXPECT_EQ(ReadAll(Path("flash.2")), package::GeneratedImage(3000, 1));

  const ProcessResult byLocation = Run("addressed,addressed", {"--device", "9-1", "flash", "--yes", Path("p.dat")});
  EXPECT_EQ(byLocation.exitCode, 0) << byLocation.out << byLocation.err;
  EXPECT_EQ(ReadAll(Path("flash.1")), package::GeneratedImage(3000, 1));
  EXPECT_TRUE(ReadAll(Path("flash.2")).empty());

  const ProcessResult nothing = Run("addressed,addressed", {"--device", "VTSIM0009", "flash", "--yes", Path("p.dat")});
  EXPECT_EQ(nothing.exitCode, 3) << nothing.err;
  EXPECT_NE(nothing.err.find("no controller matches --device VTSIM0009"), std::string::npos) << nothing.err;
  EXPECT_NE(nothing.err.find("serial VTSIM0001"), std::string::npos) << nothing.err;
  // Two are attached: not the hint for an empty bus ("No controller found. Hold LB+RB").
  EXPECT_EQ(nothing.err.find("No controller found"), std::string::npos) << nothing.err;
}

// The bench speaks the user's language too: the list, the refusal to guess, the wait.
TEST_F(Bench, ItsLinesComeInChinese) {
  const auto run = [this](const Arguments& extra) {
    Arguments arguments = {"--lang", "zh", "--simulate", "addressed,framed", "--sim-virtual-time"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunProgram(arguments, "", 60000, Environment());
  };
  const ProcessResult listed = run({"list"});
  EXPECT_NE(listed.out.find("序列号 VTSIM0001  位置 9-1  BOOT 模式，固件 1.50"), std::string::npos) << listed.out;
  const ProcessResult refused = run({"flash", "--yes", Path("p.dat")});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find("连接了 2 个手柄，但未选择其中任何一个"), std::string::npos) << refused.err;
  const ProcessResult unmatched = run({"--device", "VTSIM0009", "info"});
  EXPECT_NE(unmatched.err.find("没有与 --device VTSIM0009 相符的手柄"), std::string::npos) << unmatched.err;
  EXPECT_EQ(unmatched.err.find("未找到手柄"), std::string::npos) << unmatched.err;
  // No English punctuation between Chinese clauses; info has no --all to offer.
  EXPECT_EQ(unmatched.err.find("; "), std::string::npos) << unmatched.err;
  const ProcessResult several = run({"info"});
  EXPECT_EQ(several.err.find("--all"), std::string::npos) << several.err;
  const ProcessResult waited = run({"--sim-arrive", "60000,60000", "--wait=1", "list"});
  EXPECT_EQ(waited.exitCode, 3);
  EXPECT_NE(waited.err.find("1 秒内没有手柄出现"), std::string::npos) << waited.err;
}

// `info` names a controller the way `flash` does, with what `list` shows.
TEST_F(Bench, InfoTakesTheDeviceBySerialOrLocationToo) {
  for (const char* device : {"VTSIM0002", "9-2", "sim-2"}) {
    const ProcessResult info = Run("addressed,framed", {"--device", device, "--json", "info"});
    ASSERT_EQ(info.exitCode, 0) << device << ": " << info.out << info.err;
    EXPECT_EQ(nlohmann::json::parse(info.out)["controller"]["protocol"], "framed") << device;
  }
  const ProcessResult nothing = Run("addressed,framed", {"--device", "VTSIM0009", "info"});
  EXPECT_EQ(nothing.exitCode, 3) << nothing.err;
  EXPECT_NE(nothing.err.find("no controller matches --device VTSIM0009"), std::string::npos) << nothing.err;
}

TEST_F(Bench, AllUpdatesMixedProtocolsAtOnce) {
  const ProcessResult all = Run("addressed,framed,addressed", {"--json", "flash", "--all", "--yes", Path("p.dat")});
  ASSERT_EQ(all.exitCode, 0) << all.out << all.err;
  const nlohmann::json results = nlohmann::json::parse(all.out);
  ASSERT_EQ(results.size(), 3u);
  for (const nlohmann::json& result : results) EXPECT_EQ(result["outcome"], "succeeded") << result;
  EXPECT_EQ(results[1]["controller"]["protocol"], "framed");
  EXPECT_EQ(results[1]["controller"]["location"], "9-2");
  EXPECT_EQ(ReadAll(Path("flash.1")), package::GeneratedImage(3000, 1));
  EXPECT_EQ(ReadAll(Path("flash.2")), package::GeneratedImage(2000, 2));
  EXPECT_EQ(ReadAll(Path("flash.3")), package::GeneratedImage(3000, 1));
}

TEST_F(Bench, AllEndsWithTheMostSevereResult) {
  const ProcessResult all =
      Run("addressed,framed", {"--sim-fault", "2:fail", "--json", "flash", "--all", "--yes", Path("p.dat")});
  EXPECT_EQ(all.exitCode, 1) << all.out << all.err;
  const nlohmann::json results = nlohmann::json::parse(all.out);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0]["outcome"], "succeeded");
  EXPECT_EQ(results[1]["outcome"], "failed");
}

TEST_F(Bench, WaitTakesAControllerPluggedInLater) {
  const ProcessResult waited = Run("addressed", {"--sim-arrive", "2000", "--wait=30", "flash", "--yes", Path("p.dat")});
  EXPECT_EQ(waited.exitCode, 0) << waited.out << waited.err;
  EXPECT_EQ(ReadAll(Path("flash.1")), package::GeneratedImage(3000, 1));

  std::filesystem::remove(Path("flash.1"));
  const ProcessResult timedOut = Run("addressed", {"--sim-arrive", "60000", "--wait=2", "flash", "--yes", Path("p.dat")});
  EXPECT_EQ(timedOut.exitCode, 3) << timedOut.err;
  EXPECT_NE(timedOut.err.find("waiting for a controller in its boot mode"), std::string::npos) << timedOut.err;
  EXPECT_TRUE(ReadAll(Path("flash.1")).empty());

  // --wait is the program's option: `info` and `list` wait too, instead of answering
  // "no controller" at once.
  for (const char* command : {"info", "list"}) {
    const ProcessResult shown = Run("framed", {"--sim-arrive", "1500", "--wait=30", "--json", command});
    EXPECT_EQ(shown.exitCode, 0) << command << ": " << shown.out << shown.err;
    EXPECT_NE(shown.out.find("\"framed\""), std::string::npos) << command << ": " << shown.out;
  }
}

// The bench loop on the real clock: two controllers, the second plugged in later;
// each updated once although both stay attached; Ctrl-C ends it with a summary, and the
// exit code is the units' (no update was cut short).
TEST_F(Bench, WatchUpdatesEachArrivalOnce) {
  RunningProgram program({"--simulate", "addressed,framed", "--sim-arrive", "0,1500", "--sim-dump", Path("flash"),
                          "--json", "watch", "--yes", Path("p.dat")},
                         Environment());
  ASSERT_TRUE(program.WaitForOutput("\"location\":\"9-1\"", 60000));
  ASSERT_TRUE(program.WaitForOutput("\"location\":\"9-2\"", 60000));
  program.Signal(SIGINT);
  const ProcessResult result = program.Finish(60000);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.err.find("2 updated, 0 failed, 0 not updated"), std::string::npos) << result.err;
  std::istringstream lines(result.out);
  std::string line;
  int documents = 0;
  while (std::getline(lines, line)) {
    const nlohmann::json document = nlohmann::json::parse(line);
    EXPECT_EQ(document["outcome"], "succeeded") << line;
    ++documents;
  }
  EXPECT_EQ(documents, 2) << result.out;
  EXPECT_EQ(ReadAll(Path("flash.1")), package::GeneratedImage(3000, 1));
  EXPECT_EQ(ReadAll(Path("flash.2")), package::GeneratedImage(2000, 2));
}

// watch --journal: a JSON line per unit appended and flushed as it ends, the unit's own
// document with the time; a file that cannot be appended to is refused before watching.
TEST_F(Bench, WatchKeepsAJournalOfItsUnits) {
  std::ofstream(Path("journal"), std::ios::binary) << "{\"earlier\":true}\n";
  RunningProgram program({"--simulate", "addressed,framed", "--sim-dump", Path("flash"), "--lang", "en", "watch",
                          "--yes", Path("p.dat"), "--journal", Path("journal")},
                         Environment());
  ASSERT_TRUE(program.WaitForOutput("[9-1 VTSIM0001]", 60000));
  ASSERT_TRUE(program.WaitForOutput("[9-2 VTSIM0002]", 60000));
  ASSERT_TRUE(program.WaitForOutput("updated\n", 60000));
  // Flushed before the result line is shown: the record is there while the watch runs.
  std::ifstream early(Path("journal"));
  std::string first;
  std::string second;
  ASSERT_TRUE(std::getline(early, first) && std::getline(early, second));
  EXPECT_EQ(first, "{\"earlier\":true}") << "appended, not overwritten";
  program.Signal(SIGINT);
  const ProcessResult result = program.Finish(60000);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(result.err.find("trace") == std::string::npos) << result.err;
  std::ifstream journal(Path("journal"));
  std::string line;
  std::getline(journal, line);
  std::set<std::string> locations;
  while (std::getline(journal, line)) {
    const nlohmann::json document = nlohmann::json::parse(line);
    EXPECT_EQ(document["command"], "watch") << line;
    EXPECT_EQ(document["outcome"], "succeeded") << line;
    EXPECT_EQ(document["package"]["offered"]["display"].get<std::string>().size(), 4u) << line;
    EXPECT_FALSE(document["firmware"].is_null()) << line;
    EXPECT_EQ(document["time"].get<std::string>().size(), 20u) << line;
    locations.insert(document["controller"]["location"].get<std::string>());
  }
  EXPECT_EQ(locations, (std::set<std::string>{"9-1", "9-2"}));

  std::filesystem::create_directories(Path("folder"));
  const ProcessResult refused = Run("addressed", {"watch", "--yes", Path("p.dat"), "--journal", Path("folder")});
  EXPECT_EQ(refused.exitCode, 2) << refused.err;
  EXPECT_NE(refused.err.find("cannot append to --journal"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.err.find("atching"), std::string::npos) << "refused before watching: " << refused.err;
}

// A controller another process is updating (its lock held) is not touched.
TEST_F(Bench, ALockedControllerIsInUse) {
  hid::FoundController first{"sim-1", 0x2DC8, 0x3002, hid::Protocol::kAddressed, "VTSIM0001", "9-1"};
  const std::string lockPath = Path(workflow::LockFileName(first));
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  const ProcessResult busy = Run("addressed", {"--sim-arrive", "0", "flash", "--yes", Path("p.dat")});
  EXPECT_EQ(busy.exitCode, 1) << busy.out << busy.err;
  EXPECT_NE(busy.err.find("in use by another update"), std::string::npos) << busy.err;
  EXPECT_TRUE(ReadAll(Path("flash.1")).empty());
  // Nor is it asked for its version: the query would land in the middle of the update.
  const ProcessResult asked = Run("addressed", {"--sim-arrive", "0", "info"});
  EXPECT_EQ(asked.exitCode, 1) << asked.out << asked.err;
  EXPECT_NE(asked.err.find("in use"), std::string::npos) << asked.err;
  ::close(fd);

  const ProcessResult free = Run("addressed", {"--sim-arrive", "0", "flash", "--yes", Path("p.dat")});
  EXPECT_EQ(free.exitCode, 0) << free.out << free.err;
}

// Two processes on the same controller: one updates, the other is told it is in use.
// The first holds its lock while it waits at its question, so nothing here depends on
// how fast either process runs.
TEST_F(Bench, TwoProcessesNeverInterleave) {
  RunningProgram first({"--simulate", "addressed", "--sim-arrive", "0", "--sim-virtual-time", "--sim-dump", Path("flash"),
                        "flash", Path("p.dat")},
                       Environment());
  hid::FoundController unit{"sim-1", 0x2DC8, 0x3002, hid::Protocol::kAddressed, "VTSIM0001", "9-1"};
  const std::string lockPath = Path(workflow::LockFileName(unit));
  bool held = false;
  for (int look = 0; look < 600 && !held; ++look) {
    const int fd = ::open(lockPath.c_str(), O_RDONLY);
    if (fd >= 0) {
      held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
      ::close(fd);
    }
    if (!held) ::usleep(100 * 1000);
  }
  ASSERT_TRUE(held) << "the first process never took its lock";
  const ProcessResult second = RunProgram({"--simulate", "addressed", "--sim-arrive", "0", "--sim-virtual-time",
                                           "flash", "--yes", Path("p.dat")},
                                          "", 60000, Environment());
  EXPECT_EQ(second.exitCode, 1) << second.err;
  EXPECT_NE(second.err.find("in use"), std::string::npos) << second.err;
  first.Write("y\n");
  const ProcessResult firstResult = first.Finish(60000);
  EXPECT_EQ(firstResult.exitCode, 0) << firstResult.err;
  EXPECT_FALSE(ReadAll(Path("flash.1")).empty());
}

TEST_F(Bench, VerifyIsRefusedForFramed) {
  const ProcessResult refused = Run("framed", {"--sim-arrive", "0", "flash", "--verify", "--yes", Path("p.dat")});
  EXPECT_EQ(refused.exitCode, 2) << refused.err;
  EXPECT_NE(refused.err.find("framed protocol has no read command"), std::string::npos) << refused.err;
  EXPECT_TRUE(ReadAll(Path("flash.1")).empty());
}

// --verify reads everything back before the controller restarts: a cell that reads
// back wrong fails the update, naming the address, and the controller keeps its boot
// mode.
TEST_F(Bench, VerifyFindsAByteThatReadsBackWrong) {
  const ProcessResult clean = Run("addressed", {"--sim-arrive", "0", "--json", "flash", "--verify", "--yes", Path("p.dat")});
  EXPECT_EQ(clean.exitCode, 0) << clean.err;
  EXPECT_EQ(nlohmann::json::parse(clean.out)["outcome"], "succeeded");

  const ProcessResult corrupt = Run("addressed", {"--sim-arrive", "0", "--sim-fault", "1:corrupt-read", "--json",
                                                  "flash", "--verify", "--yes", Path("p.dat")});
  EXPECT_EQ(corrupt.exitCode, 1) << corrupt.err;
  const nlohmann::json document = nlohmann::json::parse(corrupt.out);
  EXPECT_EQ(document["outcome"], "failed");
  EXPECT_EQ(document["reason"], "read-back-mismatch");
  EXPECT_EQ(document["stage"], "verifying");
  EXPECT_EQ(document["address"], "0x08004064");
  EXPECT_NE(corrupt.err.find("(first difference at 0x08004064).\n"), std::string::npos) << corrupt.err;

  const ProcessResult unverified =
      Run("addressed", {"--sim-arrive", "0", "--sim-fault", "1:corrupt-read", "flash", "--yes", Path("p.dat")});
  EXPECT_EQ(unverified.exitCode, 0) << "without --verify nothing is read back";
}

// `verify FILE` reads back and writes nothing: a fresh emulated controller holds no
// image, so the first address differs.
TEST_F(Bench, VerifyAloneReadsBackAndWritesNothing) {
  const ProcessResult verified = Run("addressed", {"--sim-arrive", "0", "--json", "verify", "--yes", Path("p.dat")});
  EXPECT_EQ(verified.exitCode, 1) << verified.err;
  const nlohmann::json document = nlohmann::json::parse(verified.out);
  EXPECT_EQ(document["reason"], "read-back-mismatch");
  EXPECT_EQ(document["address"], "0x08004000");
  EXPECT_EQ(document["bytes"]["stages"].count("erasing-main"), 0u) << document;
  EXPECT_EQ(document["bytes"]["stages"].count("writing-main"), 0u) << document;

  const ProcessResult framed = Run("framed", {"--sim-arrive", "0", "verify", "--yes", Path("p.dat")});
  EXPECT_EQ(framed.exitCode, 2) << framed.err;
}

// Before: verify asked "The radio image will be written too. Continue? [y/N]", failed
// as "Update failed ... does not read back what was written ... run flash again", and
// told a user who typed no --verify to run without it.
TEST_F(Bench, VerifyAsksNothingAndSaysWhereTheFlashDiffers) {
  for (const char* language : {"en", "zh"}) {
    SCOPED_TRACE(language);
    const ProcessResult verified = RunProgram(
        {"--lang", language, "--simulate", "addressed", "--sim-virtual-time", "verify", Path("p.dat")}, "y\n", 60000,
        Environment());
    const std::string all = verified.out + verified.err;
    EXPECT_EQ(verified.exitCode, 1) << all;
    EXPECT_EQ(all.find("[y/N]"), std::string::npos) << all;
    EXPECT_EQ(all.find(language == std::string("en") ? "written too" : "也将被写入"), std::string::npos) << all;
    EXPECT_NE(all.find(language == std::string("en")
                           ? "Differs at 0x08004000: the controller's flash does not hold the firmware of "
                           : "在 0x08004000 处不同"),
              std::string::npos)
        << all;
    EXPECT_EQ(all.find(language == std::string("en") ? "Update failed" : "更新失败"), std::string::npos) << all;
  }
  const ProcessResult framed = Run("framed", {"verify", Path("p.dat")});
  EXPECT_EQ(framed.exitCode, 2) << framed.err;
  EXPECT_EQ(framed.err.find("--verify"), std::string::npos) << framed.err;
  EXPECT_NE(framed.err.find("this controller cannot be verified"), std::string::npos) << framed.err;
}

}  // namespace
}  // namespace vantor::testkit
