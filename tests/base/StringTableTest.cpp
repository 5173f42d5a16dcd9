// The texts as the Windows program reads them: from its compiled string-table
// resources, which must hold every text of res/texts.inc unchanged (the Chinese ones
// survive only when the resource compiler reads the script as UTF-8).
#include <gtest/gtest.h>

#include "base/LocalizedText.h"

namespace vantor {
namespace {

struct Entry {
  unsigned id;
  const char* text;
};

constexpr Entry kSource[] = {
#define VANTOR_TEXT(id, text) {id, text},
#include "res/texts.inc"
#undef VANTOR_TEXT
};

TEST(StringTable, HoldsEveryTextOfTheSourceUnchanged) {
  for (const Entry& entry : kSource) EXPECT_EQ(TextById(entry.id), entry.text) << entry.id;
}

TEST(StringTable, IdsWithoutAnEntryAreEmpty) {
  EXPECT_EQ(TextById(128), "") << "first entry of the block that starts the Chinese table";
  EXPECT_EQ(TextById(237), "") << "an entry before the English table in its block";
  EXPECT_EQ(TextById(16 * 40), "") << "no such block";
  EXPECT_EQ(TextById(0), "");
}

}  // namespace
}  // namespace vantor
