#include "workflow/TransferPace.h"

#include <gtest/gtest.h>

namespace vantor::workflow {
namespace {

// An addressed update: the main image at 1000 B/s, a five-second radio erase, then the
// radio image at the same pace. The erase moves no bytes and must not slow the pace:
// the desktop app measured from the first byte, so its time left grew by the whole
// erase, and the command line kept showing the main image's time left through it.
TEST(TransferPace, TheTimeLeftIsTheBytesOverTheTimeThatMovedThem) {
  TransferPace pace;
  EXPECT_FALSE(pace.began());
  pace.OnStage(UpdateStage::kErasingMain, 1000);
  EXPECT_EQ(pace.ElapsedMs(3000), 2000u) << "the elapsed time counts from the erase";
  EXPECT_FALSE(pace.MsLeft());

  pace.OnStage(UpdateStage::kWritingMain, 3000);
  pace.OnBytes(0, 4000, 3000);
  pace.OnBytes(100, 4000, 3100);
  EXPECT_FALSE(pace.MsLeft()) << "a tenth of a second is too little to tell a pace";
  pace.OnBytes(2000, 4000, 5000);
  EXPECT_EQ(pace.MsLeft(), 2000u);

  pace.OnStage(UpdateStage::kErasingRadio, 5000);
  EXPECT_FALSE(pace.BytesPerSecond()) << "no rate through an erase";
  pace.OnStage(UpdateStage::kWritingRadio, 10'000);
  pace.OnBytes(2000, 4000, 10'000);
  pace.OnBytes(3000, 4000, 11'000);
  ASSERT_TRUE(pace.BytesPerSecond());
  EXPECT_DOUBLE_EQ(*pace.BytesPerSecond(), 1000.0);
  EXPECT_EQ(pace.MsLeft(), 1000u);
  pace.OnBytes(4000, 4000, 12'000);
  EXPECT_EQ(pace.MsLeft(), 0u);
  EXPECT_EQ(pace.ElapsedMs(12'000), 11'000u);
}

}  // namespace
}  // namespace vantor::workflow
