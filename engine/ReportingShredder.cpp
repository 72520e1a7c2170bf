#include "engine/ReportingShredder.h"

#include "engine/ShreddingManager.h"

namespace varnolt {

void ReportingShredder::ReportProgress(std::uint64_t done, std::uint64_t size) {
  const std::uint32_t now = platform->TickCount();
  // Unsigned 32-bit difference: still the elapsed time when the tick counter wraps.
  if (static_cast<std::uint32_t>(now - lastReportTick) < reportInterval) return;
  lastReportTick = now;
  if (manager == nullptr) return;

  const std::uint64_t sweeps = static_cast<std::uint64_t>(passCount) * 3;
  const std::uint64_t itemBytes = done / sweeps;
  const float itemFraction =
      static_cast<float>(static_cast<double>(done) / static_cast<double>(size * sweeps));
  proceed = manager->RelayProgress(itemFraction, itemBytes);
}

}  // namespace varnolt
