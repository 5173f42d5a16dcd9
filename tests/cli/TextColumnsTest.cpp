// Text for the terminal by display width: list's table, the wrapped sentences, and
// the radio's version as its package gives it.

#include <gtest/gtest.h>

#include <algorithm>

#include "base/LocalizedText.h"
#include "cli/ListWords.h"
#include "cli/ProbeLines.h"
#include "cli/ProgressMeter.h"
#include "cli/TextColumns.h"

namespace vantor::cli {
namespace {

// Where `cell` starts in `line`, in display columns.
int ColumnOf(const std::string& line, const std::string& cell) {
  const std::size_t at = line.find(cell);
  EXPECT_NE(at, std::string::npos) << line << " lacks " << cell;
  return DisplayWidth(line.substr(0, at));
}

ListedController Listed(const std::string& path, std::optional<std::string> serial, std::optional<std::string> location,
                        std::uint32_t versionWord) {
  ListedController listed;
  listed.controller = {path, 0x2DC8, 0x3002, hid::Protocol::kAddressed, std::move(serial), std::move(location)};
  ControllerReport report;
  report.versionReported = true;
  report.versionWord = versionWord;
  report.mode = workflow::ControllerMode::kBoot;
  listed.probe = report;
  return listed;
}

TEST(TextColumns, ListAlignsItsColumnsByDisplayWidth) {
  SetUiLanguageOverride(kLanguageChinesePrc);
  const std::vector<std::string> lines = ListedLines({Listed("sim-1", std::string("VT1"), std::string("9-1"), 150),
                                                      Listed("/dev/hidraw12", std::string("VTSIM-LONGER"), std::nullopt, 156),
                                                      Listed("sim-3", std::nullopt, std::string("9-10"), 1)});
  ASSERT_EQ(lines.size(), 3u);
  const int state = ColumnOf(lines[0], "BOOT 模式");
  EXPECT_EQ(ColumnOf(lines[1], "BOOT 模式"), state) << lines[0] << "\n" << lines[1];
  EXPECT_EQ(ColumnOf(lines[2], "BOOT 模式"), state) << lines[0] << "\n" << lines[2];
  EXPECT_EQ(ColumnOf(lines[0], "addressed"), ColumnOf(lines[1], "addressed"));
  EXPECT_EQ(ColumnOf(lines[0], "9-1"), ColumnOf(lines[2], "9-10"));
  for (const std::string& line : lines) EXPECT_NE(line.back(), ' ') << "[" << line << "]";
  SetUiLanguageOverride(std::nullopt);
}

TEST(TextColumns, LongSentencesBreakAtTheWidthBetweenWordsOrWideCharacters) {
  EXPECT_EQ(WrapToWidth("short line\n", 80), "short line\n");
  EXPECT_EQ(WrapToWidth("one two three four", 9), "one two\nthree\nfour");
  EXPECT_EQ(WrapToWidth("  indented words go on", 12), "  indented\n  words go\n  on");
  EXPECT_EQ(WrapToWidth("abcdefghij", 4), "abcd\nefgh\nij") << "a word longer than the line is cut";
  const std::string chinese = "没有找到支持的手柄：请按住LB+RB插入USB线，让手柄进入引导模式。";
  const std::string wrapped = WrapToWidth(chinese, 20);
  std::size_t start = 0;
  std::string joined;
  while (start <= wrapped.size()) {
    const std::size_t end = std::min(wrapped.find('\n', start), wrapped.size());
    const std::string row = wrapped.substr(start, end - start);
    EXPECT_LE(DisplayWidth(row), 20) << row;
    joined += row;
    start = end + 1;
  }
  EXPECT_EQ(joined, chinese) << "nothing lost, nothing cut inside a character";
  EXPECT_GT(std::count(wrapped.begin(), wrapped.end(), '\n'), 1);
  EXPECT_EQ(DisplayWidth("1.50 → 1.51 —"), 13) << "arrows and dashes are one column";
}

TEST(TextColumns, TheRadioVersionReadsAsItsPackageSection) {
  SetUiLanguageOverride(kLanguageEnglishUs);
  ControllerReport report;
  report.versionReported = true;
  report.radioVersion = 102;
  bool shown = false;
  for (const std::string& line : ProbeLines(report)) {
    if (line.rfind("radio:", 0) == 0) {
      EXPECT_EQ(line, "radio:      1.02");
      shown = true;
    }
  }
  EXPECT_TRUE(shown);
  nlohmann::json document;
  AddProbeJson(document, report);
  EXPECT_EQ(document["radioVersion"], 102) << "JSON keeps the number";
  SetUiLanguageOverride(std::nullopt);
}

}  // namespace
}  // namespace vantor::cli
