// The built vantor-update against its emulated controllers, as a user or a repair
// bench runs it: exit codes, texts in both languages, the JSON document, and the
// emulated flash afterwards (the image byte for byte, or the failure said).

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "ChildProcess.h"
#include "CliFixture.h"
#include "package/PackageWriter.h"
#include "package/Sha256.h"
#include "support/TestKit.h"

namespace vantor::testkit {
namespace {

using EndToEnd = CliFolder;

// The image a `size=N` section carries, as the n-th (1-based) section of its package.
std::vector<std::uint8_t> Generated(std::uint32_t size, std::uint8_t section) {
  return package::GeneratedImage(size, section);
}

// Both protocols, both languages: the emulated flash holds the image byte for byte.
TEST_F(EndToEnd, UpdateWritesTheImageAndSaysSo) {
  const std::string framed = Pack("f.dat", {"version=1.50,beta=2,address=0x08004000,type=0,variant=0,size=3000"});
  const std::string addressed =
      Pack("a.dat", {"version=1.50,beta=2,address=0x08004000,type=8194,variant=0,size=3000"});
  for (const auto& [protocol, package] : {std::pair{std::string("framed"), framed}, {"addressed", addressed}}) {
    SCOPED_TRACE(protocol);
    std::filesystem::remove(Path("flash.bin"));
    const ProcessResult english = Flash(protocol, package, {"--lang", "en", "--yes"});
    EXPECT_EQ(english.exitCode, 0) << english.out << english.err;
    EXPECT_NE(english.out.find("New firmware: 1.50 beta2"), std::string::npos) << english.out;
    EXPECT_NE(english.out.find("progress 100%"), std::string::npos) << english.out;
    EXPECT_NE(english.out.find("Firmware upgraded!"), std::string::npos) << english.out;
    EXPECT_EQ(ReadAll(Path("flash.bin")), Generated(3000, 1));

    const ProcessResult chinese = Flash(protocol, package, {"--lang", "zh", "--yes"});
    EXPECT_EQ(chinese.exitCode, 0) << chinese.out << chinese.err;
    EXPECT_NE(chinese.out.find("新固件： 1.50 beta2"), std::string::npos) << chinese.out;
    EXPECT_NE(chinese.out.find("升级成功。"), std::string::npos) << chinese.out;
  }
}

TEST_F(EndToEnd, RefusedPackagesExitTwoAndWriteNothing) {
  // A section that claims more bytes than the file holds.
  TempFile truncated(PackageBytes({[] {
    TestSection section = Section(8194, PatternBytes(100, 1));
    section.claimedLength = 5000;
    return section;
  }()}));
  const ProcessResult damaged = Flash("addressed", truncated.path(), {"--lang", "en", "--yes"});
  EXPECT_EQ(damaged.exitCode, 2) << damaged.out << damaged.err;
  EXPECT_NE(damaged.err.find("incomplete or damaged"), std::string::npos) << damaged.err;
  EXPECT_TRUE(ReadAll(Path("flash.bin")).empty());

  // Nothing for this controller's type.
  const std::string other = Pack("other.dat", {"version=1.0,address=0x08004000,type=9999,size=64"});
  const ProcessResult unmatched = Flash("addressed", other, {"--lang", "zh", "--yes"});
  EXPECT_EQ(unmatched.exitCode, 2) << unmatched.out << unmatched.err;
  EXPECT_NE(unmatched.err.find("没有适用于此手柄的固件"), std::string::npos) << unmatched.err;

  const ProcessResult missing = Flash("addressed", Path("absent.dat"), {"--yes"});
  EXPECT_EQ(missing.exitCode, 2) << missing.err;
}

TEST_F(EndToEnd, AFailingControllerExitsOneWithTheFailureText) {
  const std::string framed = Pack("f.dat", {"version=1.50,address=0x08004000,type=0,size=3000"});
  const std::string addressed = Pack("a.dat", {"version=1.50,address=0x08004000,type=8194,size=3000"});
  struct Case {
    std::string protocol, package, fault, language, text, outcome, reason;
  };
  const Case cases[] = {
      {"framed", framed, "fail", "en", "the controller refused the update (code 21)", "failed", "controller-refused"},
      {"framed", framed, "unplug", "zh", "手柄已被拔出", "failed", "unplugged"},
      {"framed", framed, "not-boot", "en", "not its boot mode", "not-in-boot-mode", ""},
      {"addressed", addressed, "fail", "en", "the controller stopped answering", "failed", "no-answer"},
      {"addressed", addressed, "unplug", "zh", "手柄已被拔出", "failed", "unplugged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.protocol + " " + c.fault);
    const ProcessResult result = Flash(c.protocol, c.package, {"--lang", c.language, "--yes", "--sim-fault", c.fault});
    EXPECT_EQ(result.exitCode, 1) << result.out << result.err;
    // On stderr, with the reason and the next step; nothing of it on stdout.
    EXPECT_NE(result.err.find(c.text), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.language == "en" ? "Next: start the controller in its boot mode" : "下一步"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(result.out.find(c.text), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("Firmware upgraded!"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("升级成功"), std::string::npos) << result.out;

    // The reason comes from the update itself, not from the texts shown.
    const ProcessResult json = Flash(c.protocol, c.package, {"--json", "--yes", "--sim-fault", c.fault});
    const nlohmann::json document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document["outcome"], c.outcome);
    if (!c.reason.empty()) {
      EXPECT_EQ(document["reason"], c.reason);
    }
  }
}

// inspect names the refusal in the user's language, and gives scripts a stable code.
TEST_F(EndToEnd, InspectSaysWhyAPackageWouldBeRefused) {
  const std::string misplaced = Pack("m.dat", {"version=1.50,address=0x80030000,type=8194,size=100"});
  const ProcessResult zh = RunProgram({"--lang", "zh", "inspect", misplaced, "--type", "8194"});
  EXPECT_EQ(zh.exitCode, 2) << zh.err;
  EXPECT_NE((zh.out + zh.err).find("手柄固件的地址不在其主闪存中"), std::string::npos) << zh.out << zh.err;
  const ProcessResult json = RunProgram({"--json", "inspect", misplaced, "--type", "8194"});
  bool coded = false;
  const nlohmann::json document = nlohmann::json::parse(json.out);
  for (const nlohmann::json& controller : document["controllers"]) {
    if (controller["problemCode"] == "main-outside-flash") coded = true;
  }
  EXPECT_TRUE(coded) << json.out;
}

// A section without address= would be written at 0: pack refuses it, and inspect
// does not call a framed image at 0 fine (an addressed one it refused already).
TEST_F(EndToEnd, ASectionNeedsAnAddress) {
  const ProcessResult packed = RunProgram({"pack", "-o", Path("n.dat"), "-s", "version=1.50,type=0,size=100"});
  EXPECT_EQ(packed.exitCode, 2);
  EXPECT_NE(packed.err.find("a section needs address="), std::string::npos) << packed.err;
  EXPECT_FALSE(std::filesystem::exists(Path("n.dat")));

  const std::string atZero = Pack("z.dat", {"version=1.50,address=0,type=0,size=100"});
  const ProcessResult json = RunProgram({"--json", "inspect", atZero});
  EXPECT_EQ(json.exitCode, 2) << json.out;
  const nlohmann::json document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document["acceptable"], false);
  EXPECT_EQ(document["controllers"][0]["controller"], "framed");
  EXPECT_EQ(document["controllers"][0]["problemCode"], "main-outside-flash");
}

// list --device that names none of the attached ends as info and flash do.
TEST_F(EndToEnd, ListOfADeviceNotAttachedFindsNoController) {
  const ProcessResult none = RunProgram({"--simulate", "addressed,framed", "list", "--device", "nothing"});
  EXPECT_EQ(none.exitCode, 3) << none.out << none.err;
  EXPECT_NE(none.err.find("nothing"), std::string::npos) << none.err;
  const ProcessResult one = RunProgram({"--simulate", "addressed,framed", "list", "--device", "sim-2"});
  EXPECT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 1) << one.out;
  EXPECT_NE(one.out.find("framed"), std::string::npos) << one.out;
}

// A dry run probes and judges as an update does, says what it would write, and leaves
// the flash as a declined update leaves it.
TEST_F(EndToEnd, ADryRunSaysWhatWouldBeWrittenAndWritesNothing) {
  const std::string package = Pack("d.dat", {"version=1.60,address=0x08004000,type=8194,size=3000",
                                             "version=1.02,address=0x10000,type=0,size=70000"});
  // flash's own options after its name.
  const auto flash = [&](const Arguments& before, const Arguments& after) {
    Arguments arguments = FlashArguments("addressed", package, before);
    arguments.insert(arguments.end(), after.begin(), after.end());
    return RunProgram(arguments);
  };
  const ProcessResult declined = RunProgram(FlashArguments("addressed", package), "n\n");
  EXPECT_EQ(declined.exitCode, 2) << declined.err;
  // The emulated controller dumps the image written to it: none.
  const std::vector<std::uint8_t> untouched = ReadAll(Path("flash.bin"));
  EXPECT_TRUE(untouched.empty());

  const ProcessResult dry = flash({"--lang", "en"}, {"--dry-run"});
  EXPECT_EQ(dry.exitCode, 0) << dry.err;
  EXPECT_NE(dry.out.find("Would write the main image: 2.9 KiB, version 1.60, at 0x08004000"), std::string::npos)
      << dry.out;
  EXPECT_NE(dry.out.find("Would write the radio image: 68.3 KiB, version 1.02"), std::string::npos) << dry.out;
  EXPECT_NE(dry.out.find("nothing was written"), std::string::npos) << dry.out;
  EXPECT_EQ(dry.err.find("Continue?"), std::string::npos) << "nothing is asked: " << dry.err;
  EXPECT_EQ(ReadAll(Path("flash.bin")), untouched);
  EXPECT_FALSE(std::filesystem::exists(Path("flash.bin.ble")));

  const ProcessResult json = flash({"--json"}, {"--dry-run"});
  EXPECT_EQ(json.exitCode, 0) << json.err;
  const nlohmann::json document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document["outcome"], "dry-run");
  EXPECT_EQ(document["wouldWrite"]["main"]["bytes"], 3000);
  EXPECT_EQ(document["wouldWrite"]["radio"]["bytes"], 70000 - 28);
  EXPECT_EQ(document["bytes"]["sent"], 0);

  // What the update would refuse, a dry run refuses as it.
  const std::string other = Pack("o.dat", {"version=1.60,address=0x08004000,type=9999,size=64"});
  EXPECT_EQ(RunProgram({"--simulate", "addressed", "--sim-virtual-time", "flash", other, "--dry-run"}).exitCode, 2);

  EXPECT_EQ(Flash("addressed", package, {"--yes"}).exitCode, 0);
  EXPECT_NE(ReadAll(Path("flash.bin")), untouched) << "the dump does see a real write";
}

// --expect-sha256: another package is refused with its own code before anything is
// erased, by flash, flash --all and watch; a digest that is none is bad usage.
TEST_F(EndToEnd, APackageOtherThanTheExpectedIsRefused) {
  const std::string package = Pack("e.dat", {"version=1.60,address=0x08004000,type=8194,size=3000"});
  const std::string digest = *package::FileSha256(package);
  std::string upper = digest;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string other(64, '0');
  const auto run = [&](const Arguments& before, const Arguments& after) {
    Arguments arguments = FlashArguments("addressed", package, before);
    arguments.insert(arguments.end(), after.begin(), after.end());
    return RunProgram(arguments);
  };

  const ProcessResult refused = run({"--json", "--yes"}, {"--expect-sha256", other});
  EXPECT_EQ(refused.exitCode, 6) << refused.err;
  EXPECT_EQ(nlohmann::json::parse(refused.out)["error"], "sha256-mismatch");
  EXPECT_NE(refused.err.find(digest), std::string::npos) << refused.err;
  EXPECT_TRUE(ReadAll(Path("flash.bin")).empty()) << "nothing written";
  const ProcessResult zh = run({"--lang", "zh", "--yes"}, {"--expect-sha256", other});
  EXPECT_NE(zh.err.find("不是预期的固件包"), std::string::npos) << zh.err;

  EXPECT_EQ(run({"--yes"}, {"--expect-sha256", "12ab"}).exitCode, 2);
  EXPECT_EQ(run({"--yes"}, {"--expect-sha256", std::string(63, 'a') + "g"}).exitCode, 2);

  const ProcessResult accepted = run({"--yes"}, {"--expect-sha256", upper});
  EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
  EXPECT_EQ(ReadAll(Path("flash.bin")).size(), 3000u);

  const ProcessResult all = RunProgram({"--simulate", "addressed,addressed", "--sim-virtual-time", "--yes", "flash",
                                        "--all", package, "--expect-sha256", other});
  EXPECT_EQ(all.exitCode, 6) << all.err;
  const ProcessResult watched = RunProgram({"--simulate", "addressed", "--sim-virtual-time", "--yes", "watch",
                                            package, "--expect-sha256", other});
  EXPECT_EQ(watched.exitCode, 6) << watched.err;
}

TEST_F(EndToEnd, JsonDocumentsDescribeTheRun) {
  const std::string package = Pack("a.dat", {"version=1.50,address=0x08004000,type=8194,size=3000"});
  const ProcessResult flashed = Flash("addressed", package, {"--json", "--lang", "en", "--yes"});
  ASSERT_EQ(flashed.exitCode, 0) << flashed.err;
  const nlohmann::json flash = nlohmann::json::parse(flashed.out);
  EXPECT_EQ(flash["outcome"], "succeeded");
  EXPECT_EQ(flash["exitCode"], 0);
  EXPECT_EQ(flash["controller"]["protocol"], "addressed");
  EXPECT_EQ(flash["controller"]["vendorId"], "0x2dc8");
  EXPECT_EQ(flash["controller"]["productId"], "0x3002");
  EXPECT_EQ(flash["package"]["offered"]["display"], "1.50");
  EXPECT_EQ(flash["package"]["path"], package);
  EXPECT_EQ(flash["message"], "Firmware upgraded!");

  const ProcessResult info = RunProgram({"--simulate", "addressed", "--sim-virtual-time", "--json", "info"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  const nlohmann::json device = nlohmann::json::parse(info.out);
  EXPECT_EQ(device["firmware"]["display"], "1.50");
  EXPECT_EQ(device["firmware"]["version"], 150);
  EXPECT_EQ(device["versionWord"], "0x00000096");
  EXPECT_EQ(device["controller"]["deviceType"], 8194);
  EXPECT_EQ(device["controller"]["deviceVariant"], 0);
  EXPECT_EQ(device["radioVersion"], 0x0102);
  EXPECT_EQ(device["noFirmware"], false);

  const ProcessResult framedInfo = RunProgram({"--simulate", "framed", "--sim-virtual-time", "--json", "info"});
  ASSERT_EQ(framedInfo.exitCode, 0) << framedInfo.err;
  const nlohmann::json framed = nlohmann::json::parse(framedInfo.out);
  EXPECT_EQ(framed["controller"]["protocol"], "framed");
  EXPECT_EQ(framed["firmware"]["display"], "1.56");
  EXPECT_TRUE(framed["controller"]["deviceType"].is_null());

  const ProcessResult blank =
      RunProgram({"--simulate", "framed", "--sim-virtual-time", "--sim-fault", "no-firmware", "--json", "info"});
  ASSERT_EQ(blank.exitCode, 0) << blank.err;
  EXPECT_EQ(nlohmann::json::parse(blank.out)["noFirmware"], true);

  const ProcessResult listed = RunProgram({"--simulate", "addressed", "--json", "list"});
  ASSERT_EQ(listed.exitCode, 0) << listed.err;
  const nlohmann::json list = nlohmann::json::parse(listed.out);
  ASSERT_EQ(list["controllers"].size(), 1u);
  EXPECT_EQ(list["controllers"][0]["protocol"], "addressed");

  const std::string mixed = Pack("m.dat", {"version=1.50,address=0x08004000,type=8194,variant=1,size=100",
                                           "version=0.10,address=0x08004000,type=0,size=0"});
  const ProcessResult inspected = RunProgram({"--json", "inspect", mixed});
  ASSERT_EQ(inspected.exitCode, 0) << inspected.err;
  const nlohmann::json report = nlohmann::json::parse(inspected.out);
  ASSERT_EQ(report["sections"].size(), 2u);
  EXPECT_EQ(report["sections"][0]["variant"], 1);
  EXPECT_EQ(report["sections"][1]["dataOffset"], 28 + 100 + 28);
  EXPECT_EQ(report["carriesBleImage"], false);
  // The framed controller's section is the empty one: it would be refused.
  EXPECT_EQ(report["controllers"][0]["controller"], "framed");
  EXPECT_EQ(report["controllers"][0]["section"], 1);
  EXPECT_FALSE(report["controllers"][0]["problem"].is_null());
  EXPECT_EQ(report["controllers"][1]["section"], 0);
  EXPECT_TRUE(report["controllers"][1]["problem"].is_null());
}

TEST_F(EndToEnd, ControllerMissingOrNotOpenable) {
  const std::string package = Pack("a.dat", {"version=1.50,address=0x08004000,type=8194,size=64"});
  const ProcessResult none = RunProgram({"--lang", "en", "--simulate", "addressed", "--device", "elsewhere",
                                         "--sim-virtual-time", "flash", package, "--yes"});
  EXPECT_EQ(none.exitCode, 3) << none.err;
  EXPECT_NE(none.err.find("no controller matches --device elsewhere"), std::string::npos) << none.err;

  const ProcessResult denied =
      Flash("addressed", package, {"--lang", "en", "--yes", "--sim-fault", "no-permission"});
  EXPECT_EQ(denied.exitCode, 4) << denied.err;
  EXPECT_NE(denied.err.find("udev rule"), std::string::npos) << denied.err;
}

TEST_F(EndToEnd, AnsweringNoOrNothingWritesNothing) {
  const std::string package = Pack("a.dat", {"version=1.50,address=0x08004000,type=8194,size=64"});
  for (const std::string& input : {std::string("n\n"), std::string()}) {
    const ProcessResult declined = RunProgram({"--lang", "en", "--simulate", "addressed", "--sim-virtual-time",
                                               "--sim-dump", Path("flash.bin"), "flash", package},
                                              input);
    EXPECT_EQ(declined.exitCode, 2) << declined.out << declined.err;
    EXPECT_NE(declined.err.find("Continue? [y/N]"), std::string::npos) << declined.err;
    EXPECT_NE(declined.err.find("Update cancelled"), std::string::npos) << declined.err;
    EXPECT_TRUE(ReadAll(Path("flash.bin")).empty());
  }
}

// Ctrl-C in the middle of a transfer (the emulated controller at its real pace): the
// update stops at a safe point and nothing claims success.
TEST_F(EndToEnd, InterruptDuringTheTransfer) {
  const std::string package = Pack("f.dat", {"version=1.50,address=0x08004000,type=0,size=49152"});
  RunningProgram program({"--lang", "en", "--simulate", "framed", "--sim-dump", Path("flash.bin"), "--yes", "flash",
                          package});
  ASSERT_TRUE(program.WaitForOutput("progress  10%", 60000));
  program.Signal(SIGINT);
  const ProcessResult result = program.Finish(60000);
  EXPECT_EQ(result.exitCode, 130) << result.out << result.err;
  EXPECT_NE(result.err.find("can be updated again from its boot mode"), std::string::npos) << result.err;
  EXPECT_EQ(result.out.find("Firmware upgraded!"), std::string::npos) << result.out;
  EXPECT_NE(ReadAll(Path("flash.bin")), Generated(49152, 1));
}

TEST_F(EndToEnd, BadUsageExitsTwo) {
  EXPECT_EQ(RunProgram({}).exitCode, 2);
  EXPECT_EQ(RunProgram({"flash"}).exitCode, 2);
  EXPECT_EQ(RunProgram({"--simulate", "serial", "list"}).exitCode, 2);
  EXPECT_EQ(RunProgram({"pack", "-o", Path("x.dat"), "-s", "version=1.0"}).exitCode, 2);
  EXPECT_EQ(RunProgram({"--help"}).exitCode, 0);
}

}  // namespace
}  // namespace vantor::testkit
