#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "package/FirmwarePackage.h"
#include "package/PackageRule.h"
#include "support/TestKit.h"

namespace vantor::package {
namespace {

using testkit::PackageBytes;
using testkit::PatternBytes;
using testkit::Section;
using testkit::TempFile;
using testkit::TestSection;

PackageReport Inspect(const std::vector<std::uint8_t>& bytes) {
  TempFile file(bytes);
  PackageReport report;
  std::string error;
  EXPECT_TRUE(InspectPackage(file.path(), &report, &error)) << error;
  return report;
}

PackageJudgement JudgeFile(const std::string& path, std::uint16_t type, std::uint8_t variant, bool addressed) {
  PackageFile file;
  EXPECT_TRUE(file.Open(path));
  return JudgePackage(file, static_cast<std::uint64_t>(file.Length()), type, variant, addressed);
}

PackageProblem Problem(const std::vector<std::uint8_t>& bytes, std::uint16_t type, std::uint8_t variant,
                       bool addressed) {
  TempFile file(bytes);
  return JudgeFile(file.path(), type, variant, addressed).problem;
}

std::optional<std::size_t> Match(const std::vector<std::uint8_t>& bytes, std::uint16_t type, std::uint8_t variant) {
  TempFile file(bytes);
  const PackageJudgement judgement = JudgeFile(file.path(), type, variant, true);
  if (judgement.walk != WalkResult::kFound) return std::nullopt;
  return judgement.mainIndex;
}

TEST(FirmwarePackage, SectionsFollowEachOtherFromOffsetZero) {
  const std::vector<std::uint8_t> bytes = PackageBytes({
      Section(8194, PatternBytes(100, 1), 1, 150, 2, 0x08004000),
      Section(0, PatternBytes(46, 2), 0, 120, 0, 0x10000),
  });
  const PackageReport report = Inspect(bytes);
  ASSERT_EQ(report.sections.size(), 2u);
  EXPECT_EQ(report.sections[0].dataOffset, 28u);
  EXPECT_EQ(report.sections[0].header.versionWord(), 0x00020096u);
  EXPECT_EQ(report.sections[0].header.type(), 8194);
  EXPECT_EQ(report.sections[0].header.variant(), 1);
  EXPECT_EQ(report.sections[1].dataOffset, 28u + 100 + 28);
  EXPECT_FALSE(report.walkCutShort);
  EXPECT_FALSE(report.carriesBleImage);
  EXPECT_EQ(Match(bytes, 8194, 1), 0u);
  EXPECT_EQ(Match(bytes, 0, 0), 1u);
  EXPECT_FALSE(Match(bytes, 8194, 2).has_value());
}

TEST(FirmwarePackage, TheBluetoothImageCountsFromSixtyFourKilobytes) {
  auto packageOf = [](std::size_t total) {
    return PackageBytes({Section(0, PatternBytes(total - 28, 3))});
  };
  EXPECT_FALSE(Inspect(packageOf(65535)).carriesBleImage);
  const PackageReport large = Inspect(packageOf(65536));
  EXPECT_TRUE(large.carriesBleImage);
  EXPECT_EQ(large.bleSection, 0u) << "a single type-0 section is both main and radio section";
}

TEST(FirmwarePackage, FirstMatchingSectionWins) {
  EXPECT_EQ(Match(PackageBytes({Section(5, PatternBytes(10, 1)), Section(5, PatternBytes(10, 2))}), 5, 0), 0u);
}

TEST(FirmwarePackage, WalkEndsAtTheEndOfTheFileAndNeverWraps) {
  // A length near 2^32 must not wrap the next start back into the file.
  TestSection huge = Section(3, {});
  huge.claimedLength = 0xFFFFFFF0u;
  std::vector<std::uint8_t> bytes = PackageBytes({huge});
  const std::vector<std::uint8_t> second = PackageBytes({Section(0, PatternBytes(8, 1))});
  bytes.insert(bytes.end(), second.begin(), second.end());
  const PackageReport report = Inspect(bytes);
  EXPECT_EQ(report.sections.size(), 1u);
  EXPECT_EQ(Problem(bytes, 3, 0, true), PackageProblem::kMainSectionTruncated);

  // A header cut short by the end of the file ends the walk as the end would.
  std::vector<std::uint8_t> cut = PackageBytes({Section(1, PatternBytes(4, 1))});
  cut.resize(cut.size() + 10, 0);
  const PackageReport cutReport = Inspect(cut);
  EXPECT_EQ(cutReport.sections.size(), 1u);
  EXPECT_TRUE(cutReport.walkCutShort);
}

TEST(FirmwarePackage, RefusesTruncatedOrEmptySelections) {
  const std::vector<std::uint8_t> exact = PackageBytes({Section(0, PatternBytes(64, 1))});
  EXPECT_EQ(Problem(exact, 0, 0, false), PackageProblem::kNone) << "ending exactly at the end is fine";

  std::vector<std::uint8_t> truncated = exact;
  truncated.pop_back();
  EXPECT_EQ(Problem(truncated, 0, 0, false), PackageProblem::kMainSectionTruncated);

  const std::vector<std::uint8_t> empty = PackageBytes({Section(7, {})});
  EXPECT_EQ(Problem(empty, 7, 0, true), PackageProblem::kNothingToWrite);

  // An empty main image is fine when a radio image will be written after it.
  const std::vector<std::uint8_t> radioOnly = PackageBytes({Section(7, {}), Section(0, PatternBytes(0x10000, 4))});
  EXPECT_EQ(Problem(radioOnly, 7, 0, true), PackageProblem::kNone);

  TestSection radio = Section(0, PatternBytes(0x10000, 4));
  radio.claimedLength = 0x10001;
  const std::vector<std::uint8_t> radioCut = PackageBytes({Section(7, PatternBytes(10, 1)), radio});
  EXPECT_EQ(Problem(radioCut, 7, 0, true), PackageProblem::kBleSectionTruncated);

  // A radio section no longer than the radio's own header would have its region erased
  // and its version stamped with no image in it; length 0 means there is no radio image.
  for (const std::size_t length : {0u, 1u, 28u, 29u}) {
    SCOPED_TRACE(length);
    const std::vector<std::uint8_t> shortRadio =
        PackageBytes({Section(7, PatternBytes(0x10000, 1)), Section(0, PatternBytes(length, 5))});
    const bool refused = length > 0 && length <= 28;
    EXPECT_EQ(Problem(shortRadio, 7, 0, true), refused ? PackageProblem::kRadioImageEmpty : PackageProblem::kNone);
  }
  EXPECT_STREQ(ProblemName(PackageProblem::kRadioImageEmpty), "radio-image-empty");
}

// An addressed controller's main image belongs in its main flash, and the radio's
// image (whose address gets bit 31) in the radio's range: anything else would write
// one flash with the other's image.
TEST(FirmwarePackage, AddressedImagesMustLieInTheirOwnFlash) {
  const auto judge = [](std::uint32_t mainAddress, std::uint32_t mainLength, std::uint32_t radioAddress,
                        bool addressed) {
    return Problem(PackageBytes({Section(7, PatternBytes(mainLength, 1), 0, 150, 0, mainAddress),
                                 Section(0, PatternBytes(0x10000, 2), 0, 100, 0, radioAddress)}),
                   addressed ? 7 : 0, 0, addressed);
  };
  EXPECT_EQ(judge(0x08004000, 100, 0x10000, true), PackageProblem::kNone);
  EXPECT_EQ(judge(0x80030000, 100, 0x10000, true), PackageProblem::kMainOutsideFlash);
  EXPECT_EQ(judge(0x7FFFFFC0, 100, 0x10000, true), PackageProblem::kMainOutsideFlash) << "runs into bit 31";
  EXPECT_EQ(judge(0x00004000, 100, 0x10000, true), PackageProblem::kMainOutsideFlash);
  EXPECT_EQ(judge(0x08004000, 100, 0x7FFFF000, true), PackageProblem::kRadioOutsideFlash) << "would wrap to 0";
  EXPECT_EQ(judge(0x08004000, 100, 0x80010000, true), PackageProblem::kRadioOutsideFlash);
  EXPECT_EQ(judge(0x80030000, 100, 0x10000, false), PackageProblem::kNone) << "a framed controller places its image";
  EXPECT_NE(std::string(ProblemDescription(PackageProblem::kMainOutsideFlash)), "unknown");
  EXPECT_NE(std::string(ProblemDescription(PackageProblem::kRadioOutsideFlash)), "unknown");
}

// Data offsets are 32-bit wide where the update keeps them: a section whose bytes lie
// past 4 GiB would be read from the wrong place.
TEST(FirmwarePackage, SectionsPastFourGibibytesAreRefused) {
  constexpr std::uint64_t kFourGiB = 0x100000000ull;
  TestSection filler = Section(1, {});
  filler.claimedLength = static_cast<std::uint32_t>(kFourGiB - 28);
  TempFile file(PackageBytes({filler}));
  const std::vector<std::uint8_t> far = PackageBytes({Section(0, PatternBytes(100, 3))});
  {
    std::fstream out(file.path(), std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(static_cast<std::streamoff>(kFourGiB));
    out.write(reinterpret_cast<const char*>(far.data()), static_cast<std::streamsize>(far.size()));
    ASSERT_TRUE(out.good()) << "a sparse file of 4 GiB could not be made here";
  }
  PackageReport report;
  std::string error;
  ASSERT_TRUE(InspectPackage(file.path(), &report, &error)) << error;
  ASSERT_EQ(report.sections.size(), 2u);
  EXPECT_EQ(report.sections[1].dataOffset, kFourGiB + 28);
  EXPECT_EQ(JudgeFile(file.path(), 0, 0, false).problem, PackageProblem::kBeyondFormatLimit);
  std::filesystem::resize_file(file.path(), 0);
}

TEST(FirmwarePackage, AMissingFileIsAnError) {
  PackageReport report;
  std::string error;
  EXPECT_FALSE(InspectPackage("/nonexistent/vantor.dat", &report, &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace vantor::package
