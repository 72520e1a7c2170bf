#pragma once

#include <cstdint>

namespace varnolt {

// A byte count as "%i octets" below 1 Ko, "%i Ko" below 1 Mo, else "%i Mo" (no larger unit),
// rounded down, cut to `length` bytes with its terminating zero.
void SizeText(std::uint64_t bytes, char* buffer, std::uint16_t length);

}  // namespace varnolt
