#include "PackageBytes.h"

#include "Random.h"

namespace vantor::campaign {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

}  // namespace

void AppendSection(std::vector<std::uint8_t>& package, const PlannedSection& section) {
  const std::size_t start = package.size();
  Put16(package, section.version);
  Put16(package, section.beta);
  Put32(package, section.address);
  Put32(package, section.claimedLength.value_or(static_cast<std::uint32_t>(section.image.size())));
  Put16(package, section.type);
  package.push_back(section.variant);
  package.resize(start + 28, 0);
  package.insert(package.end(), section.image.begin(), section.image.end());
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::uint64_t seed) {
  Random random(seed);
  std::vector<std::uint8_t> bytes(count);
  // Never all 0xFF: an erased byte must not pass for a written one.
  for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random.Below(255));
  return bytes;
}

}  // namespace vantor::campaign
