#include "app/DebugOutput.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/Format.h"

#ifdef _WIN32
#include <windows.h>

#include "app/win32/Utf16.h"
#endif

namespace vantor {
namespace {

std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

DebugSink& Sink() {
  static DebugSink sink;
  return sink;
}

void PlatformDebugLine(const std::string& line) {
#ifdef _WIN32
  OutputDebugStringW(win32::ToUtf16(line).c_str());
#else
  static const bool traceRequested = [] {
    const char* value = std::getenv("VANTOR_TRACE");
    return value != nullptr && *value != '\0' && *value != '0';
  }();
  if (traceRequested) std::fputs(line.c_str(), stderr);
#endif
}

}  // namespace

void DebugLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  if (Sink()) {
    Sink()(line);
  } else {
    PlatformDebugLine(line);
  }
}

void DebugLinef(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string line = FormatV(format, args);
  va_end(args);
  DebugLine(line);
}

void SetDebugSink(DebugSink sink) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  Sink() = std::move(sink);
}

}  // namespace vantor
