#pragma once
// The few things the core asks of the operating system, behind one seam: debugger
// output, opening, positioning and identifying a file by a UTF-8 path, and the last
// error code.
// posix/ and win32/ each implement it; nothing above base/ includes a system header.

#include <cstdint>
#include <cstdio>
#include <string>

namespace vantor::platform {

// One debugger line (UTF-8): OutputDebugStringW on Windows; elsewhere stderr, and only
// when VANTOR_TRACE asks for it.
void DebugLine(const std::string& line);

// fopen(path, "rb") for a UTF-8 path on every platform.
std::FILE* OpenForReading(const std::string& utf8Path);
// fopen(path, "ab") for a UTF-8 path: logs and journals the user names, their lines
// ending in \n on every platform.
std::FILE* OpenForAppending(const std::string& utf8Path);
// OpenForReading for a regular file only: a FIFO, a device or a folder is refused (null) at
// once, without waiting for a FIFO's writer. For packages, which are measured, read at
// offsets and read again, and whose name anyone may have given to something else.
std::FILE* OpenRegularFileForReading(const std::string& utf8Path);
// 64-bit positioning, so packages past 2 GiB are measured and read correctly.
bool Seek(std::FILE* file, std::uint64_t offset);
// The file's length in bytes, keeping the current position; -1 when it cannot be told.
std::int64_t Length(std::FILE* file);

// What tells one file apart from another and from its own earlier content: the volume
// and file number, the length and the last write time. A file replaced under its name
// (a new file number) or written in place (a new length or write time) differs.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t number = 0;
  std::uint64_t length = 0;
  std::uint64_t writeTime = 0;  // nanoseconds (POSIX) or 100 ns ticks (Windows)

  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && number == other.number && length == other.length &&
           writeTime == other.writeTime;
  }
  bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};
// The identity of an open file; false when the system cannot tell it.
bool IdentityOf(std::FILE* file, FileIdentity* identity);

// The calling thread's last operating-system error (GetLastError, errno).
int LastSystemError();

}  // namespace vantor::platform
