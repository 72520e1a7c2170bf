// The program-wide pseudo-random generator: integers from 0 to 2^31 - 1, reseeded from the
// clock. It varies names and overwrite contents; it is not a cryptographic source.
#pragma once

#include <cstdint>

namespace varnolt {

inline constexpr std::uint32_t kRandomMax = 0x7FFFFFFFu;

void SeedRandom(std::uint32_t seed);
std::uint32_t NextRandom();  // 0 .. kRandomMax

}  // namespace varnolt
