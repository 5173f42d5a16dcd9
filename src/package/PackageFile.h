#pragma once
// The package file object: open for reading, read, seek from the start, position,
// length, close. Paths are UTF-8 on every platform. Not thread-safe: one procedure
// uses it at a time.

#include <cstdint>
#include <cstdio>
#include <string>

namespace vantor::package {

class PackageFile {
 public:
  PackageFile() = default;
  ~PackageFile() { Close(); }
  PackageFile(const PackageFile&) = delete;
  PackageFile& operator=(const PackageFile&) = delete;

  bool Open(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }
  void Close();
  // Bytes read, 0 at the end of the file, -1 on a read error.
  long Read(void* destination, std::size_t count);
  bool Seek(std::uint64_t offset);
  // The length in bytes, or -1 when it cannot be told.
  std::int64_t Length();

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace vantor::package
