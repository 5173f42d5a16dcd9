// Files the user names (packages, logs, journals) are reached by their UTF-8 names on
// every platform: on Windows a narrow fopen would read such a name in the ANSI code page.

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "base/Platform.h"
#include "support/TestKit.h"

namespace vantor::platform {
namespace {

TEST(FileNames, AJournalWithAChineseNameIsAppendedToAndReadBack) {
  const testkit::TempFolder folder;
  const std::string path = (folder.path() / std::filesystem::u8path("日志.jsonl")).u8string();
  for (const char* line : {"first\n", "second\n"}) {
    std::FILE* file = OpenForAppending(path);
    ASSERT_NE(file, nullptr) << path;
    std::fputs(line, file);
    std::fclose(file);
  }
  std::FILE* file = OpenRegularFileForReading(path);
  ASSERT_NE(file, nullptr);
  char text[32] = {};
  EXPECT_EQ(std::fread(text, 1, sizeof text - 1, file), 13u);
  std::fclose(file);
  EXPECT_STREQ(text, "first\nsecond\n");
}

}  // namespace
}  // namespace vantor::platform
