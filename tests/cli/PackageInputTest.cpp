// `pack` and `inspect` on inputs that are no ordinary files or are far too large:
// nothing aborts, nothing is clobbered, memory stays bounded, numbers mean what they
// say.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "CliFixture.h"
#include "PtyProcess.h"
#include "support/TestKit.h"

namespace vantor::testkit {
namespace {

using PackageInput = CliFolder;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

std::vector<std::string> PartFiles(const std::filesystem::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 5 && name.substr(name.size() - 5) == ".part") found.push_back(name);
  }
  return found;
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Issue 11: `pack -s file=DIRECTORY` aborted (exit 134) and left OUT.part.
TEST_F(PackageInput, ADirectoryAsImageIsRefused) {
  std::filesystem::create_directories(Path("images"));
  const ProcessResult result = RunProgram({"pack", "-o", Path("out.dat"), "-s", "version=1.0,address=0x08004000,file=" + Path("images")});
  EXPECT_EQ(result.exitCode, 2) << result.err;
  EXPECT_NE(result.err.find("is a directory"), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(Path("out.dat")));
  EXPECT_TRUE(PartFiles(folder_).empty());
}

// Issue 11: a link at OUT.part was written through, and a file there deleted.
TEST_F(PackageInput, PackNeverTouchesAFileItDidNotCreate) {
  WriteFile(Path("victim"), "precious");
  std::filesystem::create_symlink(Path("victim"), Path("out.dat.part"));
  const ProcessResult packed = RunProgram({"pack", "-o", Path("out.dat"), "-s", "version=1.0,address=0x08004000,size=100"});
  EXPECT_EQ(packed.exitCode, 0) << packed.err;
  EXPECT_EQ(ReadAll(Path("victim")), std::vector<std::uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
  EXPECT_TRUE(std::filesystem::is_symlink(Path("out.dat.part")));
  EXPECT_EQ(ReadAll(Path("out.dat")).size(), 128u);

  std::filesystem::remove(Path("out.dat.part"));
  WriteFile(Path("other.dat.part"), "someone else's");
  const ProcessResult failed =
      RunProgram({"pack", "-o", Path("other.dat"), "-s", "version=1.0,address=0x08004000,file=" + Path("absent.bin")});
  EXPECT_EQ(failed.exitCode, 2);
  EXPECT_TRUE(std::filesystem::exists(Path("other.dat.part"))) << "a failure deletes only its own file";
}

// Issue 11: pack kept whole images in memory (/dev/zero grew without end).
TEST_F(PackageInput, PackStreamsImagesAndRefusesEndlessInputs) {
  const ProcessResult zero = RunProgram({"pack", "-o", Path("z.dat"), "-s", "version=1.0,address=0x08004000,file=/dev/zero"}, "", 20000);
  EXPECT_EQ(zero.exitCode, 2) << zero.err;
  EXPECT_NE(zero.err.find("not a regular file"), std::string::npos) << zero.err;
  if (kSanitized) GTEST_SKIP() << "a data limit means nothing under a sanitizer's allocator";
  PtyOptions options;
  options.arguments = {"pack", "-o", Path("big.dat"), "-s", "version=1.0,address=0x08004000,size=67108864"};
  options.dataLimitBytes = 40L * 1024 * 1024;
  const PtyResult result = RunOnPty(options);
  EXPECT_FALSE(result.signaled) << result.terminal;
  EXPECT_EQ(result.exitCode, 0) << result.terminal;
  EXPECT_EQ(std::filesystem::file_size(Path("big.dat")), 67108864u + 28u);
}

// Issue 11: inspect of a 1 GiB sparse file took 2.1 GB.
TEST_F(PackageInput, InspectWalksAHugeFileInBoundedMemory) {
  {
    std::ofstream(Path("sparse.dat"), std::ios::binary);
  }
  std::filesystem::resize_file(Path("sparse.dat"), 1ull << 30);
  PtyOptions options;
  options.arguments = {"inspect", "--json", Path("sparse.dat")};
  options.stdoutToPipe = true;
  if (!kSanitized) options.dataLimitBytes = 64L * 1024 * 1024;
  const PtyResult result = RunOnPty(options, 120000);
  EXPECT_FALSE(result.signaled) << result.terminal;
  EXPECT_EQ(result.exitCode, 2) << result.terminal;
  const nlohmann::json document = nlohmann::json::parse(result.out, nullptr, false);
  ASSERT_FALSE(document.is_discarded()) << result.out.substr(0, 200);
  EXPECT_EQ(document["sectionsCapped"], true);
}

// inspect judges a package for each controller as flash does, on the whole file: its
// listing stops after 4096 sections, its verdict does not.
TEST_F(PackageInput, InspectAndFlashAgreeOnAPackageOfManySections) {
  std::vector<TestSection> sections(5000, Section(1, {}));
  sections.push_back(Section(0, PatternBytes(100, 3)));
  {
    const std::vector<std::uint8_t> bytes = PackageBytes(sections);
    std::ofstream(Path("many.dat"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const ProcessResult inspected = RunProgram({"inspect", "--json", Path("many.dat")});
  EXPECT_EQ(inspected.exitCode, 0) << inspected.err;
  const nlohmann::json document = nlohmann::json::parse(inspected.out);
  EXPECT_EQ(document["sectionsCapped"], true);
  EXPECT_EQ(document["controllers"][0]["section"], 5000) << inspected.out.substr(0, 400);
  EXPECT_EQ(Flash("framed", Path("many.dat"), {"--yes"}).exitCode, 0);
}

// Issue 11: Ctrl-C during pack left the unfinished file behind.
TEST_F(PackageInput, CtrlCDuringPackRemovesItsFile) {
  PtyOptions options;
  options.arguments = {"pack", "-o", Path("slow.dat"), "-s", "version=1.0,address=0x08004000,size=1500000000"};
  PtyProgram program(options);
  for (int i = 0; i < 1000 && PartFiles(folder_).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_FALSE(PartFiles(folder_).empty());
  program.Signal(SIGINT);
  const PtyResult result = program.Finish(60000);
  EXPECT_FALSE(result.signaled);
  EXPECT_EQ(result.exitCode, 130) << result.terminal;
  EXPECT_TRUE(PartFiles(folder_).empty());
  EXPECT_FALSE(std::filesystem::exists(Path("slow.dat")));
}

// Issue 11: "010" was octal 8.
TEST_F(PackageInput, LeadingZerosAreDecimal) {
  const std::string package = Pack("z.dat", {"version=1.0,address=010,type=0010,variant=09,size=4"});
  const ProcessResult inspected = RunProgram({"--json", "inspect", package});
  const nlohmann::json document = nlohmann::json::parse(inspected.out);
  EXPECT_EQ(document["sections"][0]["address"], "0x0000000a");
  EXPECT_EQ(document["sections"][0]["type"], 10);
  EXPECT_EQ(document["sections"][0]["variant"], 9);
  EXPECT_EQ(RunProgram({"pack", "-o", Path("bad.dat"), "-s", "version=1.0,address=0x,size=4"}).exitCode, 2);
  EXPECT_EQ(RunProgram({"pack", "-o", Path("bad.dat"), "-s", "version=1.0,address=0o17,size=4"}).exitCode, 2);
}

// Before: a text file, an empty file and ten stray bytes were each said to hold "no
// firmware for this controller", and inspect listed the text's first 28 bytes as a
// section of a controller that does not exist.
TEST_F(PackageInput, AFileThatIsNoPackageIsSaidToBeNone) {
  WriteFile(Path("notes.txt"), "hello, these are my notes and no firmware at all\n");
  WriteFile(Path("empty.dat"), "");
  WriteFile(Path("ten.dat"), std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a", 10));
  const std::string notAPackage = "The file is not a firmware package (*.dat) for these controllers.";
  for (const char* name : {"notes.txt", "empty.dat", "ten.dat"}) {
    SCOPED_TRACE(name);
    const std::string file = Path(name);
    for (const char* protocol : {"addressed", "framed"}) {
      const ProcessResult flashed = Flash(protocol, file, {"--lang", "en", "--yes"});
      EXPECT_EQ(flashed.exitCode, 2) << flashed.err;
      EXPECT_NE(flashed.err.find(notAPackage), std::string::npos) << flashed.err;
      EXPECT_EQ(flashed.err.find("no firmware for this controller"), std::string::npos) << flashed.err;
    }
    const nlohmann::json document =
        nlohmann::json::parse(Flash("addressed", file, {"--lang", "en", "--yes", "--json"}).out);
    EXPECT_EQ(document["outcome"], "package-refused");
    EXPECT_EQ(document["problem"], "not-a-package");

    const ProcessResult verified =
        RunProgram({"--lang", "en", "--simulate", "addressed", "--sim-virtual-time", "verify", file});
    EXPECT_EQ(verified.exitCode, 2) << verified.err;
    EXPECT_NE(verified.err.find(notAPackage), std::string::npos) << verified.err;

    const ProcessResult zh = Flash("addressed", file, {"--lang", "zh", "--yes"});
    EXPECT_NE(zh.err.find("该文件不是这些手柄的固件包"), std::string::npos) << zh.err;

    for (const Arguments& bench : {Arguments{"flash", "--all", "--yes", file}, Arguments{"watch", "--yes", file}}) {
      Arguments arguments = {"--lang", "en", "--simulate", "addressed,addressed", "--sim-virtual-time"};
      arguments.insert(arguments.end(), bench.begin(), bench.end());
      const ProcessResult refused = RunProgram(arguments, "", 20000);
      EXPECT_EQ(refused.exitCode, 2) << refused.err;
      EXPECT_NE(refused.err.find(file + " is not a firmware package"), std::string::npos) << refused.err;
    }

    const ProcessResult inspected = RunProgram({"--lang", "en", "inspect", file});
    EXPECT_EQ(inspected.exitCode, 2);
    EXPECT_NE(inspected.out.find(file + ": "), std::string::npos) << inspected.out;
    EXPECT_NE(inspected.out.find(" bytes, not a firmware package\n"), std::string::npos) << inspected.out;
    EXPECT_EQ(inspected.out.find("  #  version"), std::string::npos) << "no table of garbage: " << inspected.out;
    EXPECT_EQ(inspected.out.find("addressed type"), std::string::npos) << inspected.out;
    const nlohmann::json inspectJson = nlohmann::json::parse(RunProgram({"--json", "inspect", file}).out);
    EXPECT_EQ(inspectJson["firmwarePackage"], false);
    EXPECT_TRUE(inspectJson["sections"].empty());
  }
}

}  // namespace
}  // namespace vantor::testkit
