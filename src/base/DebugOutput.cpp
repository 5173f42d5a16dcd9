#include "base/DebugOutput.h"

#include <cstdarg>
#include <mutex>

#include "base/Format.h"
#include "base/Platform.h"

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

}  // namespace

void DebugLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(SinkMutex());
  if (Sink()) {
    Sink()(line);
  } else {
    platform::DebugLine(line);
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
