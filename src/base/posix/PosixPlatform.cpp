#include <sys/types.h>

#include <cerrno>
#include <cstdlib>

#include "base/Platform.h"

namespace vantor::platform {

void DebugLine(const std::string& line) {
  static const bool traceRequested = [] {
    const char* value = std::getenv("VANTOR_TRACE");
    return value != nullptr && *value != '\0' && *value != '0';
  }();
  if (traceRequested) std::fputs(line.c_str(), stderr);
}

std::FILE* OpenForReading(const std::string& utf8Path) { return std::fopen(utf8Path.c_str(), "rb"); }

bool Seek(std::FILE* file, std::uint64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }

std::int64_t Length(std::FILE* file) {
  const off_t here = ftello(file);
  if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return -1;
  const off_t end = ftello(file);
  fseeko(file, here, SEEK_SET);
  return end;
}

int LastSystemError() { return errno; }

}  // namespace vantor::platform
