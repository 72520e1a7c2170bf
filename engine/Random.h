// The program-wide pseudo-random generator: integers from 0 to 2^31 - 1, reseeded from the
// clock. It varies names and overwrite contents; it is not a cryptographic source.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnolt {

inline constexpr std::uint32_t kRandomMax = 0x7FFFFFFFu;

void SeedRandom(std::uint32_t seed);
std::uint32_t NextRandom();  // 0 .. kRandomMax

// Fills `words` little-endian 16-bit words from `block` on, each the low 16 bits of the next
// value of the generator, in order from the first word: the values that `words` calls of
// NextRandom would have drawn, at a fraction of the cost (the overwrite sweeps draw 2^29 of
// them per GiB).
void FillRandomWords(std::uint8_t* block, std::size_t words);

// The names of the fill routines this processor can run, fastest first, and a way to force
// one: each must give the same bytes. For the tests and the benchmark; the program lets the
// generator choose.
const char* const* RandomFillVariants();
bool UseRandomFillVariant(const char* name);  // false (and no change) for an unknown name

}  // namespace varnolt
