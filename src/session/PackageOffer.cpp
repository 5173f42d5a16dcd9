#include "session/PackageOffer.h"

namespace vantor {

VersionOrder CompareVersions(std::uint32_t newWord, std::optional<std::uint32_t> installedWord) {
  if (!installedWord) return VersionOrder::kUnknown;
  const auto rank = [](std::uint32_t word) {
    const std::uint32_t beta = word >> 16;
    return (static_cast<std::uint64_t>(word & 0xFFFF) << 17) | (beta == 0 ? 0x1FFFFu : beta);
  };
  const std::uint64_t next = rank(newWord);
  const std::uint64_t now = rank(*installedWord);
  if (next == now) return VersionOrder::kSame;
  return next > now ? VersionOrder::kNewer : VersionOrder::kOlder;
}

const char* VersionOrderName(VersionOrder order) {
  switch (order) {
    case VersionOrder::kUnknown:
      return "unknown";
    case VersionOrder::kNewer:
      return "newer";
    case VersionOrder::kSame:
      return "same";
    case VersionOrder::kOlder:
      return "older";
  }
  return "unknown";
}

}  // namespace vantor
