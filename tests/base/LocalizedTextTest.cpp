#include <gtest/gtest.h>

#include <set>

#include "base/LocalizedText.h"

namespace vantor {
namespace {

struct LanguageOverride {
  explicit LanguageOverride(std::uint16_t language) { SetUiLanguageOverride(language); }
  ~LanguageOverride() { SetUiLanguageOverride(std::nullopt); }
};

TEST(LocalizedText, ChineseOnlyForThePrcIdentifier) {
  {
    LanguageOverride chinese(2052);
    EXPECT_EQ(LocalizedText(text::kUsbUpdate), "USB 升级");
    EXPECT_EQ(LocalizedText(text::kSuccess), "升级成功。");
    EXPECT_EQ(LocalizedText(text::kUpdateToLatest), "请升级到最新版本");
  }
  for (std::uint16_t language : {1033, 1028, 3076}) {
    LanguageOverride other(language);
    EXPECT_EQ(LocalizedText(text::kUsbUpdate), "USB Update") << language;
  }
}

TEST(LocalizedText, TablesHoldTheTextsAsTheyStand) {
  LanguageOverride english(1033);
  EXPECT_EQ(LocalizedText(text::kProductTitle), "Vantor Update v2.00");
  EXPECT_EQ(LocalizedText(text::kNotInBootMode), "Firmware update failure, please handle work in BOOT mode");
  EXPECT_EQ(LocalizedText(text::kStopWhileUpdating), "The new firmware is updating, and it is turned off");
  const std::string instructions =
      "1. Press and hold LB+RB, then plug in USB, POWER LED will blink in white.\r\n\r\n"
      "2. Click \"USB Update\" button and select firmware file.";
  EXPECT_EQ(LocalizedText(text::kInstructions), instructions);
  EXPECT_EQ(LocalizedText(text::kUpdateToLatest), instructions);
  EXPECT_EQ(TextById(135), TextById(244)) << "the product title is the same in both tables";
}

TEST(LocalizedText, EveryIdExistsInBothTablesAndMissingIdsAreEmpty) {
  for (TextSlot slot = 0; slot <= text::kPackageEmpty; ++slot) {
    EXPECT_FALSE(TextById(129 + slot).empty()) << slot;
    EXPECT_FALSE(TextById(238 + slot).empty()) << slot;
  }
  EXPECT_EQ(TextById(128), "");
  EXPECT_EQ(TextById(237), "");
  EXPECT_EQ(TextById(1000), "");
}

// Every slot has both languages or neither, and no block of sixteen ids (a Windows
// string table's unit, in one language) holds ids of both: the Windows program would
// find only one language's block.
TEST(LocalizedText, EverySlotHasBothLanguagesInBlocksOfTheirOwn) {
  EXPECT_EQ(TextIdFor(94, kLanguageChinesePrc), 223u);
  EXPECT_EQ(TextIdFor(95, kLanguageChinesePrc), 1095u);
  EXPECT_EQ(TextIdFor(95, kLanguageEnglishUs), 2095u);
  std::set<unsigned> chineseBlocks;
  std::set<unsigned> englishBlocks;
  int later = 0;
  for (TextSlot slot = 0; slot < 1000; ++slot) {
    const unsigned chineseId = TextIdFor(slot, kLanguageChinesePrc);
    const unsigned englishId = TextIdFor(slot, kLanguageEnglishUs);
    const bool chinese = !TextById(chineseId).empty();
    const bool english = !TextById(englishId).empty();
    EXPECT_EQ(chinese, english) << "slot " << slot;
    if (chinese) chineseBlocks.insert(chineseId / 16);
    if (english) englishBlocks.insert(englishId / 16);
    if (slot >= kFirstRangeSlots && chinese) ++later;
  }
  for (const unsigned block : chineseBlocks) EXPECT_EQ(englishBlocks.count(block), 0u) << "block " << block;
  EXPECT_GT(later, 0) << "the later range is in use";
}

TEST(LocalizedText, LocaleNamesMapToLanguageIdentifiers) {
  EXPECT_EQ(LanguageFromLocaleName("zh_CN.UTF-8"), 2052);
  EXPECT_EQ(LanguageFromLocaleName("zh_TW.UTF-8"), 1028);
  EXPECT_EQ(LanguageFromLocaleName("en_US.UTF-8"), 1033);
  EXPECT_EQ(LanguageFromLocaleName("C"), 1033);
}

}  // namespace
}  // namespace vantor
