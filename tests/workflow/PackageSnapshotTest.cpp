// The copy --expect-sha256 checks is the copy written: a package changed or replaced
// under its name after the check reaches no controller.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "workflow/PackageSnapshot.h"
#include "package/Sha256.h"

namespace vantor::workflow {
namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PackageSnapshot, TheCheckedBytesAreTheBytesKept) {
  const std::string source = (std::filesystem::temp_directory_path() / "vantor-snapshot-test.dat").string();
  std::ofstream(source, std::ios::binary) << "the package checked";
  std::string error;
  std::string folder;
  {
    std::optional<PackageSnapshot> snapshot = PackageSnapshot::Take(source, &error);
    ASSERT_TRUE(snapshot) << error;
    EXPECT_EQ(snapshot->sha256(), *package::FileSha256(source));
    EXPECT_TRUE(snapshot->Matches(*package::FileSha256(source)));
    std::ofstream(source, std::ios::binary) << "another package";
    EXPECT_EQ(Read(snapshot->path()), "the package checked");
    EXPECT_EQ(*package::FileSha256(snapshot->path()), snapshot->sha256());
    EXPECT_FALSE(snapshot->Matches(*package::FileSha256(source)));
    folder = std::filesystem::path(snapshot->path()).parent_path().string();
  }
  EXPECT_FALSE(std::filesystem::exists(folder)) << "the copy goes with it";
  EXPECT_FALSE(PackageSnapshot::Take(source + ".absent", &error));
  std::filesystem::remove(source);

  EXPECT_TRUE(IsSha256Hex(std::string(64, 'A')));
  EXPECT_FALSE(IsSha256Hex(std::string(63, 'a')));
  EXPECT_FALSE(IsSha256Hex(std::string(64, 'g')));
}

}  // namespace
}  // namespace vantor::workflow
