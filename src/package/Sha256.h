#pragma once
// SHA-256, for the package an update offers (a repair bench records which file it
// flashed). Streamed in pieces: a package is never held in memory.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vantor::package {

class Sha256 {
 public:
  Sha256();
  void Update(const std::uint8_t* bytes, std::size_t count);
  // The digest as 64 lower-case hexadecimal digits; the object is spent afterwards.
  std::string HexDigest();

 private:
  void Block(const std::uint8_t* block);

  std::uint32_t state_[8];
  std::uint8_t buffer_[64];
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

// The digest of a file's bytes, or nothing when it cannot be read.
std::optional<std::string> FileSha256(const std::string& path);

}  // namespace vantor::package
