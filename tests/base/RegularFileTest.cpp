// A package is opened only when it is a regular file: any name a user (or another
// user) gives may stand for a FIFO, which would hold the update's open for ever, or a
// folder, which opens for reading on Linux and then reads as nothing.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "base/Platform.h"
#include "support/TestKit.h"

namespace vantor::platform {
namespace {

class RegularFile : public ::testing::Test {
 protected:
  std::string Path(const char* name) const { return folder_.Path(name); }
  testkit::TempFolder folder_;
};

TEST_F(RegularFile, OpensAFileAndRefusesAFifoOrAFolder) {
  std::ofstream(Path("p.dat"), std::ios::binary) << "package";
  std::FILE* file = OpenRegularFileForReading(Path("p.dat"));
  ASSERT_NE(file, nullptr);
  char bytes[8] = {};
  EXPECT_EQ(std::fread(bytes, 1, sizeof bytes, file), 7u);
  std::fclose(file);

  // A writer holds the FIFO open, so even a blocking open would return at once: what
  // is checked is that it is refused, not that it does not hang.
  ASSERT_EQ(::mkfifo(Path("fifo.dat").c_str(), 0600), 0);
  const int writer = ::open(Path("fifo.dat").c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  EXPECT_EQ(OpenRegularFileForReading(Path("fifo.dat")), nullptr);
  ::close(writer);
  // Nobody writes to it now: refused all the same, without waiting for a writer.
  EXPECT_EQ(OpenRegularFileForReading(Path("fifo.dat")), nullptr);

  std::filesystem::create_directory(Path("folder.dat"));
  EXPECT_EQ(OpenRegularFileForReading(Path("folder.dat")), nullptr);
  EXPECT_EQ(OpenRegularFileForReading(Path("missing.dat")), nullptr);
}

}  // namespace
}  // namespace vantor::platform
