#include "cli/Trace.h"

#include <chrono>
#include <cstdio>
#include <mutex>

#include "base/DebugOutput.h"
#include "base/Format.h"
#include "base/Platform.h"
#include "cli/Output.h"

namespace vantor::cli {
namespace {

std::mutex g_mutex;
int g_verbosity = 0;
std::FILE* g_log = nullptr;
const auto g_start = std::chrono::steady_clock::now();

std::string Stamp() {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - g_start);
  return Format("[%8.3f] ", static_cast<double>(elapsed.count()) / 1000.0);
}

void Raw(const std::string& line) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_verbosity >= 2) WriteText(stderr, line);
  if (g_log != nullptr) {
    std::fputs((Stamp() + line).c_str(), g_log);
    std::fflush(g_log);
  }
}

}  // namespace

bool StartTrace(int verbosity, const std::string& logFile, std::string* error) {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_verbosity = verbosity;
    if (!logFile.empty()) {
      g_log = platform::OpenForAppending(logFile);
      if (g_log == nullptr) {
        *error = "cannot write the log file " + logFile;
        return false;
      }
    }
  }
  if (verbosity >= 2 || !logFile.empty()) SetDebugSink(Raw);
  return true;
}

void StopTrace() {
  SetDebugSink(nullptr);
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_log != nullptr) std::fclose(g_log);
  g_log = nullptr;
}

void TraceLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const std::string stamped = Stamp() + line + "\n";
  if (g_verbosity >= 1) WriteText(stderr, stamped);
  if (g_log != nullptr) {
    std::fputs(stamped.c_str(), g_log);
    std::fflush(g_log);
  }
}

}  // namespace vantor::cli
