#pragma once

#include <cstdint>

namespace varnolt {

// Receives every progress report of a run; the answer is the only way to stop the run.
// Nonzero: go on. Zero: stop.
using ProgressCallback = std::uint8_t (*)(float itemFraction, std::int32_t itemsDone,
                                          std::int32_t itemCount, float overallFraction);

}  // namespace varnolt
