#pragma once
#include <cstdarg>
#include <string>

namespace vantor {

// printf into a std::string, for the fixed format strings of titles and messages.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatV(const char* format, std::va_list args);

}  // namespace vantor
