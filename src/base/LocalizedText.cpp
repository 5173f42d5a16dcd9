#include "base/LocalizedText.h"

#include <atomic>

namespace vantor {
namespace {

// 0 = no override.
std::atomic<std::uint16_t> g_languageOverride{0};

}  // namespace

unsigned TextIdFor(TextSlot slot, std::uint16_t language) {
  // Only the full identifier counts: other Chinese variants get the English table.
  const bool chinese = language == kLanguageChinesePrc;
  if (slot < kFirstRangeSlots) return (chinese ? kChineseFirstId : kEnglishFirstId) + static_cast<unsigned>(slot);
  return (chinese ? kChineseLaterBase : kEnglishLaterBase) + static_cast<unsigned>(slot);
}

std::string LocalizedText(TextSlot slot) { return TextById(TextIdFor(slot, UserUiLanguage())); }

void SetUiLanguageOverride(std::optional<std::uint16_t> language) { g_languageOverride = language.value_or(0); }

std::uint16_t LanguageFromLocaleName(const std::string& locale) {
  if (locale.rfind("zh_CN", 0) == 0 || locale.rfind("zh_SG", 0) == 0) return kLanguageChinesePrc;
  if (locale.rfind("zh_TW", 0) == 0) return 1028;
  if (locale.rfind("zh_HK", 0) == 0) return 3076;
  return kLanguageEnglishUs;
}

std::uint16_t PlatformUiLanguage();  // posix/BuiltInTexts.cpp, win32/StringTable.cpp

std::uint16_t UserUiLanguage() {
  const std::uint16_t forced = g_languageOverride.load();
  return forced != 0 ? forced : PlatformUiLanguage();
}

}  // namespace vantor
