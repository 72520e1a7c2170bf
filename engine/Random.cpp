#include "engine/Random.h"

namespace varnolt {
namespace {

// 64-bit linear congruential generator (Knuth's MMIX constants). The high bits of such a
// generator are well mixed; the value handed out is the top 31 of them.
std::uint64_t state = 1;

}  // namespace

void SeedRandom(std::uint32_t seed) {
  // Spread the seed so that seeds one second apart start far apart in the sequence.
  state = (static_cast<std::uint64_t>(seed) << 32 | seed) ^ 0x9E3779B97F4A7C15ull;
}

std::uint32_t NextRandom() {
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  return static_cast<std::uint32_t>(state >> 33);
}

}  // namespace varnolt
