#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

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

std::FILE* OpenForAppending(const std::string& utf8Path) { return std::fopen(utf8Path.c_str(), "ab"); }

std::FILE* OpenRegularFileForReading(const std::string& utf8Path) {
  // Without O_NONBLOCK, opening a FIFO waits for a writer for ever.
  const int fd = ::open(utf8Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat status {};
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) ::close(fd);
  return file;
}

bool Seek(std::FILE* file, std::uint64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }

std::int64_t Length(std::FILE* file) {
  const off_t here = ftello(file);
  if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return -1;
  const off_t end = ftello(file);
  fseeko(file, here, SEEK_SET);
  return end;
}

bool IdentityOf(std::FILE* file, FileIdentity* identity) {
  struct stat status {};
  if (fstat(fileno(file), &status) != 0) return false;
  identity->volume = static_cast<std::uint64_t>(status.st_dev);
  identity->number = static_cast<std::uint64_t>(status.st_ino);
  identity->length = static_cast<std::uint64_t>(status.st_size);
  identity->writeTime = static_cast<std::uint64_t>(status.st_mtim.tv_sec) * 1000000000u +
                        static_cast<std::uint64_t>(status.st_mtim.tv_nsec);
  return true;
}

int LastSystemError() { return errno; }

}  // namespace vantor::platform
