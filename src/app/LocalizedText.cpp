#include "app/LocalizedText.h"

#include <atomic>
#include <cstdlib>

namespace vantor {
namespace {

// 0 = no override.
std::atomic<std::uint16_t> g_languageOverride{0};

}  // namespace

unsigned TextIdFor(TextSlot slot, std::uint16_t language) {
  // Only the full identifier counts: other Chinese variants get the English table.
  const unsigned first = language == kLanguageChinesePrc ? kChineseFirstId : kEnglishFirstId;
  return first + static_cast<unsigned>(slot);
}

std::string LocalizedText(TextSlot slot) { return TextById(TextIdFor(slot, UserUiLanguage())); }

void SetUiLanguageOverride(std::optional<std::uint16_t> language) { g_languageOverride = language.value_or(0); }

std::uint16_t LanguageFromLocaleName(const std::string& locale) {
  if (locale.rfind("zh_CN", 0) == 0 || locale.rfind("zh_SG", 0) == 0) return kLanguageChinesePrc;
  if (locale.rfind("zh_TW", 0) == 0) return 1028;
  if (locale.rfind("zh_HK", 0) == 0) return 3076;
  return kLanguageEnglishUs;
}

std::uint16_t PlatformUiLanguage();  // per platform, below or in app/win32

std::uint16_t UserUiLanguage() {
  const std::uint16_t forced = g_languageOverride.load();
  return forced != 0 ? forced : PlatformUiLanguage();
}

#ifndef _WIN32

namespace {

struct TextEntry {
  unsigned id;
  const char* text;
};

constexpr TextEntry kTexts[] = {
#define VANTOR_TEXT(id, text) {id, text},
#include "res/texts.inc"
#undef VANTOR_TEXT
};

}  // namespace

std::string TextById(unsigned id) {
  for (const TextEntry& entry : kTexts) {
    if (entry.id == id) return entry.text;
  }
  return {};
}

std::uint16_t PlatformUiLanguage() {
  // The same precedence the C library gives the message locale; read at every call.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return LanguageFromLocaleName(value);
  }
  return kLanguageEnglishUs;
}

#endif

}  // namespace vantor
