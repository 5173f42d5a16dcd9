#include "cli/ConsoleText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#ifndef _WIN32
#include <iconv.h>
#endif

namespace vantor::cli {
namespace {

bool IsUtf8Name(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
  return name == "utf8";
}

}  // namespace

std::string CodesetOfLocale(const std::string& locale) {
  std::string name = locale.substr(0, locale.find('@'));
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) return name.substr(dot + 1);
  if (name.rfind("zh_CN", 0) == 0 || name.rfind("zh_SG", 0) == 0) return "GB2312";
  return "UTF-8";
}

const std::string& ConsoleCodeset() {
  static const std::string codeset = [] {
#ifdef _WIN32
    return std::string("UTF-8");  // main() sets the console's output code page to UTF-8
#else
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* value = std::getenv(variable);
      if (value != nullptr && *value != '\0') return CodesetOfLocale(value);
    }
    return std::string("UTF-8");
#endif
  }();
  return codeset;
}

std::string ToConsole(const std::string& utf8) {
#ifdef _WIN32
  return utf8;
#else
  const std::string& codeset = ConsoleCodeset();
  if (IsUtf8Name(codeset)) return utf8;
  const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) return utf8;
  iconv_t converter = iconv_open((codeset + "//TRANSLIT").c_str(), "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::vector<char> out(utf8.size() * 4 + 16);
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char* to = out.data();
  std::size_t outLeft = out.size();
  const std::size_t done = iconv(converter, &in, &inLeft, &to, &outLeft);
  iconv_close(converter);
  if (done == static_cast<std::size_t>(-1)) return utf8;
  return std::string(out.data(), out.size() - outLeft);
#endif
}

}  // namespace vantor::cli
