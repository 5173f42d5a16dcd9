#pragma once
// Debugger output: one line per event, worded exactly as the procedures give them.
// Never shown to the user. On Windows the lines go to OutputDebugStringW; elsewhere
// to a trace sink that is silent unless a front end (or VANTOR_TRACE=1) asks for it.

#include <functional>
#include <string>

namespace vantor {

// Writes `line` (UTF-8, line break included by the caller) as one debugger line.
void DebugLine(const std::string& line);

// printf-style DebugLine.
void DebugLinef(const char* format, ...)
#if defined(__MINGW32__)
    // mingw's C++ runtime formats as C99 (%zu, %lld), which "printf" would not accept.
    __attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Replaces where the lines go (null: the platform default). Thread-safe; tests and
// the command line's -v use it.
using DebugSink = std::function<void(const std::string&)>;
void SetDebugSink(DebugSink sink);

}  // namespace vantor
