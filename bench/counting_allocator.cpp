#include "bench/counting_allocator.h"

#include <malloc.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

bool counting = false;
long long held = 0;
long long peak = 0;

// The blocks allocated while counting: a set of addresses, open addressing with linear probing,
// kept in memory of malloc's own so that it never counts itself.
std::uintptr_t* slots = nullptr;
std::size_t capacity = 0;  // a power of two
std::size_t used = 0;

std::size_t Home(std::uintptr_t key) {
  return static_cast<std::size_t>((key >> 4) * 0x9E3779B97F4A7C15ull) & (capacity - 1);
}

void Insert(std::uintptr_t key);

void Grow() {
  std::uintptr_t* const old = slots;
  const std::size_t oldCapacity = capacity;
  capacity = capacity == 0 ? (1u << 16) : capacity * 2;
  slots = static_cast<std::uintptr_t*>(std::calloc(capacity, sizeof *slots));
  if (slots == nullptr) std::abort();
  used = 0;
  for (std::size_t i = 0; i < oldCapacity; ++i) {
    if (old[i] != 0) Insert(old[i]);
  }
  std::free(old);
}

void Insert(std::uintptr_t key) {
  if (2 * (used + 1) > capacity) Grow();
  std::size_t at = Home(key);
  while (slots[at] != 0) at = (at + 1) & (capacity - 1);
  slots[at] = key;
  ++used;
}

// Removes `key` if it is there (backward-shift deletion: no tombstones); true when it was.
bool Remove(std::uintptr_t key) {
  if (capacity == 0) return false;
  std::size_t at = Home(key);
  while (slots[at] != key) {
    if (slots[at] == 0) return false;
    at = (at + 1) & (capacity - 1);
  }
  std::size_t hole = at;
  for (std::size_t next = (hole + 1) & (capacity - 1); slots[next] != 0; next = (next + 1) & (capacity - 1)) {
    const std::size_t home = Home(slots[next]);
    // The entry at `next` may fill the hole unless its home lies cyclically in (hole, next].
    const bool homeBetween = hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
    if (!homeBetween) {
      slots[hole] = slots[next];
      hole = next;
    }
  }
  slots[hole] = 0;
  --used;
  return true;
}

void* Take(std::size_t bytes) {
  void* const memory = std::malloc(bytes == 0 ? 1 : bytes);
  if (memory == nullptr) throw std::bad_alloc();
  if (counting) {
    Insert(reinterpret_cast<std::uintptr_t>(memory));
    held += static_cast<long long>(malloc_usable_size(memory));
    if (held > peak) peak = held;
  }
  return memory;
}

void Give(void* memory) {
  if (memory == nullptr) return;
  if (Remove(reinterpret_cast<std::uintptr_t>(memory))) held -= static_cast<long long>(malloc_usable_size(memory));
  std::free(memory);
}

}  // namespace

namespace bench {

void StartCounting() {
  if (capacity != 0) std::memset(slots, 0, capacity * sizeof *slots);
  used = 0;
  held = peak = 0;
  counting = true;
}

void StopCounting() { counting = false; }
long long HeldBytes() { return held; }
long long PeakBytes() { return peak; }
void ResetPeak() { peak = held; }

}  // namespace bench

void* operator new(std::size_t bytes) { return Take(bytes); }
void* operator new[](std::size_t bytes) { return Take(bytes); }
void operator delete(void* memory) noexcept { Give(memory); }
void operator delete[](void* memory) noexcept { Give(memory); }
void operator delete(void* memory, std::size_t) noexcept { Give(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Give(memory); }
