#pragma once
// Texts for the user's terminal: the program's texts are UTF-8, a terminal set to a
// Chinese locale with another codeset (zh_CN.GB18030, zh_CN.GBK, plain zh_CN) gets them
// converted to its own. JSON stays UTF-8 whatever the locale.

#include <string>

namespace vantor::cli {

// The codeset of the user's locale (LC_ALL / LC_CTYPE / LANG), e.g. "GB18030"; "UTF-8"
// where none is named or it cannot be told. Read once.
const std::string& ConsoleCodeset();

// The codeset named by a locale such as "zh_CN.GB18030@euro" ("GB18030"); a Chinese
// locale without one means GB2312 (glibc's default for zh_CN); others UTF-8.
std::string CodesetOfLocale(const std::string& locale);

// `utf8` in the console's codeset; unchanged for UTF-8 or when it cannot be converted.
std::string ToConsole(const std::string& utf8);

}  // namespace vantor::cli
