// The native benchmarks' allocator (counting_allocator.cpp replaces the global operator new and
// delete of the program it is linked into): while counting is on, every block allocated is
// counted at the size the allocator really gives (malloc_usable_size), and subtracted again when
// it is freed, whenever that is. Blocks allocated while counting was off are never counted, nor
// subtracted when they are freed during a count: what a fake platform built beforehand gives
// back while the engine runs is no memory of the engine's.
#pragma once

namespace bench {

// Starts a count from zero: nothing held, no peak.
void StartCounting();
void StopCounting();
// The bytes of counted blocks not yet freed, and the most there were at once since the start.
long long HeldBytes();
long long PeakBytes();
// The peak starts again from what is held now (the peak of each step of a run).
void ResetPeak();

}  // namespace bench
