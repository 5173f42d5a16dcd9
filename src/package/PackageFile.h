#pragma once
// The package file object: open for reading, read, seek from the start, position,
// length, close. Paths are UTF-8 on every platform. Not thread-safe: one procedure
// uses it at a time.
//
// An update reopens its package for each stage. Once the file the user confirmed is
// pinned, a later Open refuses a file that is no longer that one (replaced under its
// name, or written in place), so no stage streams bytes of another file than the one
// offered; Unchanged() asks the same of the open file after its last byte was read,
// reading it whole again: a write in place may keep the length and, within the file
// system's clock tick, the write time too.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "base/Platform.h"

namespace vantor::package {

// A package file's bytes and identity at one moment.
struct PackageFingerprint {
  std::string sha256;  // 64 lower-case hex digits
  platform::FileIdentity identity;
};

class PackageFile {
 public:
  PackageFile() = default;
  ~PackageFile() { Close(); }
  PackageFile(const PackageFile&) = delete;
  PackageFile& operator=(const PackageFile&) = delete;

  // False when the file cannot be opened, or is pinned and no longer the pinned file.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }
  void Close();
  // Bytes read, 0 at the end of the file, -1 on a read error.
  long Read(void* destination, std::size_t count);
  bool Seek(std::uint64_t offset);
  // The length in bytes, or -1 when it cannot be told.
  std::int64_t Length();

  // The open file's identity, or nothing when it is closed or the system cannot tell.
  std::optional<platform::FileIdentity> Identity() const;
  // From now on Open accepts only a file of this identity; Unpin ends that.
  void Pin(const PackageFingerprint& fingerprint) { pinned_ = fingerprint; }
  void Unpin() { pinned_.reset(); }
  // The open file still holds the pinned bytes (true when nothing is pinned). Moves
  // the position.
  bool Unchanged();

 private:
  bool SameIdentity() const;

  std::FILE* file_ = nullptr;
  std::optional<PackageFingerprint> pinned_;
};

// The SHA-256 of the whole open file and its identity, read through the same
// descriptor, so both describe the same bytes. Leaves the position at the end.
// Nothing when it cannot be read, or was written while it was read.
std::optional<PackageFingerprint> Fingerprint(PackageFile& file);

}  // namespace vantor::package
