#pragma once
// Firmware packages as the campaign writes them: 28-byte little-endian section headers
// followed by the image bytes. Written here from the file format itself rather than
// through the updater's own writer, so that a fault in the writer cannot hide one in
// the reader.

#include <cstdint>
#include <optional>
#include <vector>

namespace vantor::campaign {

struct PlannedSection {
  std::uint16_t version = 0;
  std::uint16_t beta = 0;
  std::uint32_t address = 0;
  std::uint16_t type = 0;
  std::uint8_t variant = 0;
  std::vector<std::uint8_t> image;
  std::optional<std::uint32_t> claimedLength;  // a header that lies about its length
};

void AppendSection(std::vector<std::uint8_t>& package, const PlannedSection& section);
std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint64_t seed);

}  // namespace vantor::campaign
