#pragma once
// A firmware package (*.dat) is a plain sequence of sections from offset 0: a 28-byte
// little-endian header, then exactly `length` image bytes. No magic, count or checksum.

#include <array>
#include <cstdint>

#include "base/LittleEndian.h"

namespace vantor::package {

constexpr std::uint32_t kSectionHeaderSize = 28;
// A package this large is taken to carry a Bluetooth LE image as well.
constexpr std::uint32_t kBleImageMinimumFileSize = 0x10000;
// Section type that marks the Bluetooth LE image.
constexpr std::uint16_t kBleSectionType = 0;

struct SectionHeader {
  std::array<std::uint8_t, kSectionHeaderSize> bytes{};

  std::uint16_t version() const { return Read16(0); }  // version number x 100
  std::uint16_t beta() const { return Read16(2); }     // 0 for a release
  // `version` in the low half, `beta` in the high half: what the controller is given.
  std::uint32_t versionWord() const { return Read32(0); }
  std::uint32_t address() const { return Read32(4); }
  std::uint32_t length() const { return Read32(8); }
  std::uint16_t type() const { return Read16(12); }
  std::uint8_t variant() const { return bytes[14]; }

  void Clear() { bytes.fill(0); }

 private:
  std::uint16_t Read16(std::size_t at) const { return Load16(&bytes[at]); }
  std::uint32_t Read32(std::size_t at) const { return Load32(&bytes[at]); }
};

}  // namespace vantor::package
