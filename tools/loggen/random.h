// A small, fast, repeatable random source (splitmix64): the same seed gives
// the same logs on every platform.
#pragma once

#include <cstdint>

namespace loggen {

class Random {
 public:
  explicit Random(std::uint64_t seed) noexcept : state_(seed) {}

  std::uint64_t Next() noexcept {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // A value in [0, bound); bound must be positive.
  std::uint64_t Below(std::uint64_t bound) noexcept { return Next() % bound; }

  // A value in [0, 1).
  double Unit() noexcept { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

 private:
  std::uint64_t state_;
};

}  // namespace loggen
