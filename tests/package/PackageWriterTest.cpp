#include "package/PackageWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "package/FirmwarePackage.h"
#include "support/TestKit.h"

namespace vantor::package {
namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PackageWriter, RefusesDescriptionsItCannotWriteFaithfully) {
  const char* bad[] = {
      "version=1.50,size=10,colour=red",     // unknown key
      "version=1.505,size=10",               // the header keeps hundredths only
      "version=656,size=10",                 // beyond 16 bits times 100
      "version=1.50,variant=256,size=10",    // variant is one byte
      "version=1.50,type=65536,size=10",
      "version=1.50,address=0x100000000,size=10",
      "version=1.50,beta=-1,size=10",
      "version=1.50,address=12abc,size=10",
      "version=1.50",                        // no image
      "version=1.50,size=10,file=x.bin",     // two images
      "size=10",                             // no version
      "version=1.50,size",                   // not key=value
  };
  for (const char* description : bad) {
    SectionPlan plan;
    std::string error;
    EXPECT_FALSE(ParseSectionDescription(description, &plan, &error)) << description;
    EXPECT_FALSE(error.empty()) << description;
  }
}

TEST(PackageWriter, ParsesEveryField) {
  SectionPlan plan;
  std::string error;
  ASSERT_TRUE(ParseSectionDescription("version=1.5,beta=3,address=0x08004000,type=8194,variant=1,size=100", &plan, &error))
      << error;
  EXPECT_EQ(plan.version, 150);
  EXPECT_EQ(plan.beta, 3);
  EXPECT_EQ(plan.address, 0x08004000u);
  EXPECT_EQ(plan.type, 8194);
  EXPECT_EQ(plan.variant, 1);
  EXPECT_EQ(plan.size, 100u);
  ASSERT_TRUE(ParseSectionDescription("version=2,file=a.bin", &plan, &error)) << error;
  EXPECT_EQ(plan.version, 200);
  EXPECT_EQ(plan.file, "a.bin");
}

// What pack writes is what the updater's own walk reads back, byte for byte.
TEST(PackageWriter, PackageReadsBackThroughThePackageWalk) {
  const std::vector<std::uint8_t> image = testkit::PatternBytes(77, 5);
  testkit::TempFile imageFile(image, "image.bin");
  const std::string output = imageFile.path() + ".dat";
  SectionPlan first;
  SectionPlan second;
  std::string error;
  ASSERT_TRUE(ParseSectionDescription("version=1.23,beta=2,address=0x08004000,type=8194,variant=1,file=" + imageFile.path(),
                               &first, &error));
  ASSERT_TRUE(ParseSectionDescription("version=0.07,address=0x10000,type=0,size=40", &second, &error));
  WriteFailure failure;
  ASSERT_TRUE(WritePackage(output, {first, second}, &failure)) << failure.English();

  package::PackageReport report;
  ASSERT_TRUE(package::InspectPackage(output, &report, &error)) << error;
  ASSERT_EQ(report.sections.size(), 2u);
  EXPECT_FALSE(report.walkCutShort);
  EXPECT_EQ(report.fileLength, 28u + 77u + 28u + 40u);
  const package::SectionHeader& header = report.sections[0].header;
  EXPECT_EQ(header.version(), 123);
  EXPECT_EQ(header.beta(), 2);
  EXPECT_EQ(header.versionWord(), 123u | 2u << 16);
  EXPECT_EQ(header.address(), 0x08004000u);
  EXPECT_EQ(header.length(), 77u);
  EXPECT_EQ(header.type(), 8194);
  EXPECT_EQ(header.variant(), 1);
  EXPECT_EQ(report.sections[1].header.length(), 40u);
  EXPECT_EQ(report.sections[1].dataOffset, 28u + 77u + 28u);

  const std::vector<std::uint8_t> written = ReadAll(output);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin() + 28));
  const std::vector<std::uint8_t> generated = GeneratedImage(40, 2);
  EXPECT_TRUE(std::equal(generated.begin(), generated.end(), written.begin() + 28 + 77 + 28));
  std::filesystem::remove(output);
}

TEST(PackageWriter, AFailedRunLeavesTheExistingPackageAlone) {
  const std::vector<std::uint8_t> before = {1, 2, 3};
  testkit::TempFile existing(before, "existing.dat");
  SectionPlan good;
  SectionPlan missing;
  std::string error;
  ASSERT_TRUE(ParseSectionDescription("version=1.0,size=10", &good, &error));
  ASSERT_TRUE(ParseSectionDescription("version=1.0,file=" + existing.path() + ".absent", &missing, &error));
  WriteFailure failure;
  EXPECT_FALSE(WritePackage(existing.path(), {good, missing}, &failure));
  EXPECT_EQ(failure.problem, WriteProblem::kImageUnopenable);
  EXPECT_NE(failure.English().find("absent"), std::string::npos) << failure.English();
  EXPECT_EQ(ReadAll(existing.path()), before);
  EXPECT_FALSE(std::filesystem::exists(existing.path() + ".part"));
}

}  // namespace
}  // namespace vantor::package
