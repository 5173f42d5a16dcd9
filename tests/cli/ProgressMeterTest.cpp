#include "cli/ProgressMeter.h"

#include <gtest/gtest.h>

namespace vantor::cli {
namespace {

TEST(ProgressMeter, HumanUnits) {
  EXPECT_EQ(SizeText(0), "0 B");
  EXPECT_EQ(SizeText(1023), "1023 B");
  EXPECT_EQ(SizeText(1024), "1.0 KiB");
  EXPECT_EQ(SizeText(1536 * 1024), "1.5 MiB");
  EXPECT_EQ(FormatDuration(7), "0:07");
  EXPECT_EQ(FormatDuration(725), "12:05");
  EXPECT_EQ(FormatDuration(3723), "1:02:03");
}

// A chunk that runs past the image sends the procedure's percentage above 100.
TEST(ProgressMeter, BarSaturatesButShowsThePercentageGiven) {
  BarFields half;
  half.percent = 50;
  EXPECT_EQ(FormatBar(half, 10), "[#####-----]  50%");
  BarFields over;
  over.percent = 130;
  EXPECT_EQ(FormatBar(over, 10), "[##########] 130%");
}

TEST(ProgressMeter, RateAndTimeLeftFollowTheBytes) {
  ProgressMeter meter;
  meter.OnBytes(0, 2000, 10'000);
  meter.OnPercent(0, 10'000);
  EXPECT_EQ(meter.BarLine().find("/s"), std::string::npos) << "no rate before time has passed";
  meter.OnBytes(500, 2000, 11'000);
  meter.OnPercent(25, 11'000);
  const std::string line = meter.BarLine();
  EXPECT_NE(line.find(" 25%"), std::string::npos) << line;
  EXPECT_NE(line.find("500 B / 2.0 KiB"), std::string::npos) << line;
  EXPECT_NE(line.find("500 B/s"), std::string::npos) << line;
  EXPECT_NE(line.find("0:03 left"), std::string::npos) << line;
}

// The bar is put at 0 at start and at the click, and back to 0 after success: none of
// these is a transfer's progress.
TEST(ProgressMeter, PlainLinesOncePerTenthAndNotForTheResets) {
  ProgressMeter meter;
  std::vector<std::string> lines;
  for (std::uint32_t percent : {0u, 0u, 3u, 9u, 10u, 15u, 42u, 99u, 100u, 0u}) {
    meter.OnPercent(percent, 0);
    if (std::optional<std::string> line = meter.TakePlainLine()) lines.push_back(*line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"progress   3%", "progress  10%", "progress  42%", "progress  99%",
                                             "progress 100%"}));
}

}  // namespace
}  // namespace vantor::cli
