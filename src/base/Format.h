#pragma once
#include <cstdarg>
#include <string>

namespace vantor {

// printf into a std::string, for the fixed format strings of titles and messages.
std::string Format(const char* format, ...)
#if defined(__MINGW32__)
    // mingw's C++ runtime formats as C99 (%zu, %lld), which "printf" would not accept.
    __attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
std::string FormatV(const char* format, std::va_list args);

}  // namespace vantor
