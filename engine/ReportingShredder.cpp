#include "engine/ReportingShredder.h"

#include <cstring>

#include "engine/Random.h"
#include "engine/ShreddingManager.h"

namespace varnolt {

void FillPatternBlocks(std::uint8_t pattern, std::uint8_t* patternBlock,
                       std::uint8_t* complementBlock, std::size_t bytes) {
  std::memset(patternBlock, pattern, bytes);
  std::memset(complementBlock, static_cast<std::uint8_t>(~pattern), bytes);
}

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

bool ReportingShredder::RunSweeps(FileHandle file, std::uint64_t size,
                                  std::uint8_t* const blocks[3], std::uint32_t unit,
                                  ShortWrite shortWrite) {
  std::uint64_t done = 0;
  sweepFailure = FailureKind::kNone;
  sweepReach = 0;
  for (std::uint16_t pass = 0; pass < passCount && proceed; ++pass) {
    for (int sweep = 0; sweep < 3; ++sweep) {
      // A pointer that cannot be rewound would make the sweep write past the area (growing the
      // file) instead of rewriting it.
      if (!platform->SeekToStart(file)) return sweepFailure = platform->LastFailure(), false;
      for (std::uint64_t offset = 0; offset < size && proceed; offset += unit) {
        // The whole block is drawn afresh, also before a short last write.
        if (sweep == 2) FillRandomWords(blocks[2], unit / 2);
        const std::uint64_t left = size - offset;
        const std::uint32_t count = left < unit ? static_cast<std::uint32_t>(left) : unit;
        std::uint32_t written = 0;
        const bool writeSucceeded = platform->WriteBytes(file, blocks[sweep], count, &written);
        if (pass == 0 && sweep == 0) sweepReach = offset + written;
        if (!writeSucceeded || written < count) {
          sweepFailure = writeSucceeded ? FailureKind::kDiskFull : platform->LastFailure();
          if (shortWrite == ShortWrite::kEndsTheOverwrite) return false;
          // Full disk, or the largest file its file system allows: this sweep has covered
          // all it can.
          done = (static_cast<std::uint64_t>(pass) * 3 + sweep + 1) * size;
          ReportProgress(done, size);
          break;
        }
        done += count;
        ReportProgress(done, size);
      }
      if (!platform->FlushToDisk(file)) return sweepFailure = platform->LastFailure(), false;
    }
  }
  return true;
}

}  // namespace varnolt
