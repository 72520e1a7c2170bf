#include "engine/Random.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#endif

namespace varnolt {
namespace {

// Sixteen interleaved lanes of an additive lagged Fibonacci generator: value k of the sequence
// belongs to lane k mod 16, and each lane runs x[t] = x[t-100] + x[t-37] mod 2^32 (the lags of
// a primitive trinomial, so even a lane's lowest bit has a period of 2^100 - 1); a value is the
// top 31 bits of x. On the flat sequence that is y[k] = y[k-1600] + y[k-592]: every value is
// one addition of two values drawn long before, so a whole block is drawn a vector at a time
// (the old generator, one out-of-line call with its state in memory per value, set the speed
// of the random sweep), and it gives the very sequence that drawing one value after another
// gives.
constexpr std::size_t kLanes = 16;
constexpr std::size_t kLong = 100 * kLanes;
constexpr std::size_t kNearLag = kLong - 37 * kLanes;  // y[k-592] sits 1008 places after y[k-1600]

constexpr std::uint64_t SplitMix(std::uint64_t& z) {
  z += 0x9E3779B97F4A7C15ull;
  std::uint64_t r = z;
  r = (r ^ (r >> 30)) * 0xBF58476D1CE4E5B9ull;
  r = (r ^ (r >> 27)) * 0x94D049BB133111EBull;
  return r ^ (r >> 31);
}

// The history is a ring of the last kLong values: the slot of y[k-1600] is where y[k] goes, and
// y[k-592] is 1008 slots further on. A fresh seed is only noted: the history it makes is
// computed at the next draw, as a file shredder is made (and reseeds) for every file listed.
std::uint32_t ring[kLong];
std::size_t oldest = 0;  // the slot of the next value
std::uint32_t pendingSeed = 1;
bool seedPending = true;

void MakeHistory() {
  // Seeds one second apart start from unrelated histories.
  std::uint64_t z = pendingSeed;
  for (std::uint32_t& x : ring) x = static_cast<std::uint32_t>(SplitMix(z) >> 32);
  // A lane whose history is all even would keep its lowest bit at 0 for ever.
  for (std::size_t lane = 0; lane < kLanes; ++lane) ring[lane] |= 1;
  oldest = 0;
  seedPending = false;
}

inline void StoreWord(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);  // little-endian, whatever the host's order
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

// Draws `count` values over consecutive slots of the ring: far[j] (the value drawn kLong
// before) becomes far[j] + near[j], and word j of `out` its top 31 bits' low 16. `near` may
// lie 592 slots behind `far` in the same run, where it reads what this run drew: the slots
// are taken in order. One span routine per instruction set; all give the same bytes.
using SpanRoutine = void (*)(std::uint32_t* far, const std::uint32_t* near, std::uint8_t* out,
                             std::size_t count);

void SpanPortable(std::uint32_t* far, const std::uint32_t* near, std::uint8_t* out,
                  std::size_t count) {
  for (std::size_t j = 0; j < count; ++j) {
    const std::uint32_t x = far[j] + near[j];
    far[j] = x;
    StoreWord(out + 2 * j, x >> 1);
  }
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VARNOLT_VECTOR_FILLS 1

// Whole vectors of consecutive slots: both lags are far longer than a vector (near[j] was drawn
// at least 592 values earlier), so every input of a vector is known before it is drawn. Each
// 32-bit value's bits 1 to 16 are its value's low word, taken as a signed 16-bit number so
// that a saturating pack keeps it exactly; x86 is little-endian, so words go out as they are.
// Every load and store is unaligned and no vector lives on the stack (MinGW does not align
// the stack for them).

__attribute__((target("avx2"))) void SpanAvx2(std::uint32_t* far, const std::uint32_t* near,
                                              std::uint8_t* out, std::size_t count);

// Two vectors of sixteen values make one of thirty-two words: each value's bits 1 to 16 are
// shifted down to its low word, and one permutation gathers the low words of both in order.
__attribute__((target("avx512f,avx512bw"))) void SpanAvx512(std::uint32_t* far, const std::uint32_t* near,
                                                            std::uint8_t* out, std::size_t count) {
  const __m512i lowWords = _mm512_set_epi16(62, 60, 58, 56, 54, 52, 50, 48, 46, 44, 42, 40, 38, 36, 34, 32,
                                            30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0);
  std::size_t j = 0;
  for (; j + 32 <= count; j += 32) {
    const __m512i x0 = _mm512_add_epi32(_mm512_loadu_si512(far + j), _mm512_loadu_si512(near + j));
    const __m512i x1 = _mm512_add_epi32(_mm512_loadu_si512(far + j + 16), _mm512_loadu_si512(near + j + 16));
    _mm512_storeu_si512(far + j, x0);
    _mm512_storeu_si512(far + j + 16, x1);
    const __m512i words =
        _mm512_permutex2var_epi16(_mm512_srli_epi32(x0, 1), lowWords, _mm512_srli_epi32(x1, 1));
    _mm512_storeu_si512(out + 2 * j, words);
  }
  SpanAvx2(far + j, near + j, out + 2 * j, count - j);
}

__attribute__((target("avx2"))) void SpanAvx2(std::uint32_t* far, const std::uint32_t* near,
                                              std::uint8_t* out, std::size_t count) {
  std::size_t j = 0;
  for (; j + 16 <= count; j += 16) {
    const __m256i* const a = reinterpret_cast<const __m256i*>(far + j);
    const __m256i* const b = reinterpret_cast<const __m256i*>(near + j);
    const __m256i x0 = _mm256_add_epi32(_mm256_loadu_si256(a), _mm256_loadu_si256(b));
    const __m256i x1 = _mm256_add_epi32(_mm256_loadu_si256(a + 1), _mm256_loadu_si256(b + 1));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(far + j), x0);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(far + j + 8), x1);
    const __m256i w0 = _mm256_srai_epi32(_mm256_slli_epi32(x0, 15), 16);
    const __m256i w1 = _mm256_srai_epi32(_mm256_slli_epi32(x1, 15), 16);
    // The pack interleaves the two vectors by 128-bit halves; the permutation puts them back.
    const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(w0, w1), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * j), words);
  }
  SpanPortable(far + j, near + j, out + 2 * j, count - j);
}

__attribute__((target("sse2"))) void SpanSse2(std::uint32_t* far, const std::uint32_t* near,
                                              std::uint8_t* out, std::size_t count) {
  std::size_t j = 0;
  for (; j + 8 <= count; j += 8) {
    const __m128i* const a = reinterpret_cast<const __m128i*>(far + j);
    const __m128i* const b = reinterpret_cast<const __m128i*>(near + j);
    const __m128i x0 = _mm_add_epi32(_mm_loadu_si128(a), _mm_loadu_si128(b));
    const __m128i x1 = _mm_add_epi32(_mm_loadu_si128(a + 1), _mm_loadu_si128(b + 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(far + j), x0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(far + j + 4), x1);
    const __m128i w0 = _mm_srai_epi32(_mm_slli_epi32(x0, 15), 16);
    const __m128i w1 = _mm_srai_epi32(_mm_slli_epi32(x1, 15), 16);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j), _mm_packs_epi32(w0, w1));
  }
  SpanPortable(far + j, near + j, out + 2 * j, count - j);
}
#endif

struct Variant {
  const char* name;
  SpanRoutine span;
  bool (*runs)();
};

const Variant kVariants[] = {
#ifdef VARNOLT_VECTOR_FILLS
    // The processor is asked directly: this may run before the runtime's own constructors.
    {"avx512", SpanAvx512,
     [] { return __builtin_cpu_init(), __builtin_cpu_supports("avx512bw") != 0; }},
    {"avx2", SpanAvx2, [] { return __builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0; }},
    {"sse2", SpanSse2, [] { return __builtin_cpu_init(), __builtin_cpu_supports("sse2") != 0; }},
#endif
    {"portable", SpanPortable, [] { return true; }},
};
constexpr std::size_t kVariantCount = sizeof kVariants / sizeof kVariants[0];

SpanRoutine chosenSpan = nullptr;

SpanRoutine Span() {
  if (chosenSpan == nullptr) {
    for (const Variant& variant : kVariants) {
      if (variant.runs()) {
        chosenSpan = variant.span;
        break;
      }
    }
  }
  return chosenSpan;
}

}  // namespace

void SeedRandom(std::uint32_t seed) {
  pendingSeed = seed;
  seedPending = true;
}

std::uint32_t NextRandom() {
  if (seedPending) MakeHistory();
  const std::uint32_t x = ring[oldest] + ring[(oldest + kNearLag) % kLong];
  ring[oldest] = x;
  oldest = (oldest + 1) % kLong;
  return x >> 1;
}

void FillRandomWords(std::uint8_t* block, std::size_t words) {
  if (seedPending) MakeHistory();
  const SpanRoutine span = Span();
  while (words > 0) {
    // The longest run of slots over which neither `far` nor `near` wraps round the ring.
    const std::size_t near = (oldest + kNearLag) % kLong;
    const std::size_t straight = near > oldest ? kLong - near : kLong - oldest;
    const std::size_t count = words < straight ? words : straight;
    span(ring + oldest, ring + near, block, count);
    oldest = (oldest + count) % kLong;
    block += 2 * count;
    words -= count;
  }
}

const char* const* RandomFillVariants() {
  static const char* names[kVariantCount + 1] = {};
  if (names[0] == nullptr) {
    std::size_t n = 0;
    for (const Variant& variant : kVariants) {
      if (variant.runs()) names[n++] = variant.name;
    }
  }
  return names;
}

bool UseRandomFillVariant(const char* name) {
  for (const Variant& variant : kVariants) {
    if (std::strcmp(variant.name, name) == 0 && variant.runs()) {
      chosenSpan = variant.span;
      return true;
    }
  }
  return false;
}

}  // namespace varnolt
