// The texts built into the program where there are no string-table resources, and the
// user's language from the locale environment.
#include <cstdlib>

#include "base/LocalizedText.h"

namespace vantor {

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

}  // namespace vantor
