#pragma once
// A package checked against the SHA-256 its sender gave: copied once into a folder of
// the user's own, its SHA-256 taken from the very bytes copied, and only that copy is
// written to the controllers. Whatever happens to the file under its name afterwards,
// each unit of a bench gets the bytes that were checked, and nothing is erased before
// the check.

#include <optional>
#include <string>

namespace vantor::workflow {

// True for 64 hexadecimal digits (either case).
bool IsSha256Hex(const std::string& text);

class PackageSnapshot {
 public:
  // The copy of `source` and its digest; nothing with `error` set when it cannot be made.
  static std::optional<PackageSnapshot> Take(const std::string& source, std::string* error);
  // No copy: path() and sha256() are empty (no digest was asked for).
  PackageSnapshot() = default;
  PackageSnapshot(PackageSnapshot&& other) noexcept;
  PackageSnapshot& operator=(PackageSnapshot&&) = delete;
  PackageSnapshot(const PackageSnapshot&) = delete;
  ~PackageSnapshot();  // removes the copy and its folder

  const std::string& path() const { return path_; }
  const std::string& sha256() const { return sha256_; }  // lower case
  bool Matches(const std::string& expectedHex) const;

 private:
  std::string folder_;
  std::string path_;
  std::string sha256_;
};

}  // namespace vantor::workflow
