#pragma once
// The campaign's random numbers: SplitMix64, so that a seed draws the same run on every
// compiler and standard library (the standard distributions are not specified bit for
// bit, and a replayed seed must be the same run).

#include <cstdint>

namespace vantor::campaign {

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n); 0 when n is 0.
  std::uint32_t Below(std::uint32_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(Next() % n); }
  // Uniform in [low, high].
  std::uint32_t Between(std::uint32_t low, std::uint32_t high) { return low + Below(high - low + 1); }
  // True with `percent` in a hundred.
  bool Chance(std::uint32_t percent) { return Below(100) < percent; }

 private:
  std::uint64_t state_;
};

}  // namespace vantor::campaign
