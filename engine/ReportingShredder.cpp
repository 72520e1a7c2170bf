#include "engine/ReportingShredder.h"

#include <algorithm>
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
  if (manager != nullptr) {
    if (!manager->ReportDue(now, reportInterval, reportNow)) return;
  } else if (!reportNow && static_cast<std::uint32_t>(now - lastReportTick) < reportInterval) {
    // Unsigned 32-bit difference: still the elapsed time when the tick counter wraps.
    return;
  }
  reportNow = false;
  lastReportTick = now;
  if (manager == nullptr) return;

  const std::uint64_t sweeps = SweepCount();
  std::uint64_t itemBytes = done / sweeps;
  float itemFraction = static_cast<float>(static_cast<double>(done) / static_cast<double>(size * sweeps));
  // Bytes in the manager's terms, which count a file without its named streams.
  if (countedBytes < size) {
    itemBytes = static_cast<std::uint64_t>(static_cast<double>(countedBytes) * done / static_cast<double>(size * sweeps));
  }
  if (progressFrom != 0 || progressShare != 1) {
    const double share = progressFrom + progressShare * static_cast<double>(done) / static_cast<double>(size * sweeps);
    itemFraction = static_cast<float>(share);
    // To the nearest byte: the shares are no exact binary fractions, and the 32-bit build keeps
    // more digits than a double holds, so the whole could come out a byte short when truncated.
    itemBytes = std::min<std::uint64_t>(size, static_cast<std::uint64_t>(share * static_cast<double>(size) + 0.5));
  }
  proceed = manager->RelayProgress(itemFraction, itemBytes);
}

bool ReportingShredder::WriteCovering(FileHandle file, const std::uint8_t* block,
                                      std::uint32_t count, std::uint32_t smallest,
                                      std::uint32_t* written) {
  *written = 0;
  std::uint32_t piece = count;
  for (;;) {
    const std::uint32_t asked = piece < count - *written ? piece : count - *written;
    std::uint32_t took = 0;
    const bool succeeded = platform->WriteBytes(file, block + *written, asked, &took);
    *written += took;
    if (succeeded && took == asked) {
      if (*written == count) return true;
      continue;
    }
    sweepFailure = succeeded ? FailureKind::kDiskFull : platform->LastFailure();
    if (smallest == 0 || asked <= smallest) return false;
    // Whole clusters, as the volume gives them out.
    piece = asked / 2 / smallest * smallest;
    if (piece < smallest) piece = smallest;
  }
}

bool ReportingShredder::RunSweeps(SweepArea& area, std::uint64_t areaBytes,
                                  std::uint8_t* const blocks[3], std::uint32_t unit,
                                  ShortWrite shortWrite, std::uint32_t smallestWrite) {
  std::uint64_t done = 0;
  sweepFailure = FailureKind::kNone;
  sweepReach = 0;
  if (shortWrite == ShortWrite::kEndsTheOverwrite) smallestWrite = 0;
  for (std::uint16_t pass = 0; pass < passCount && proceed; ++pass) {
    for (int step = 0; step < sweepsPerPass; ++step) {
      const int sweep = 3 - sweepsPerPass + step;  // one sweep alone is the random one
      const bool first = pass == 0 && step == 0;
      // The area may grow while the first sweep runs: its count is read anew for every file.
      for (std::size_t index = 0; index < area.FileCount(); ++index) {
        SweepTarget& target = area.File(index);
        // A pointer that cannot be rewound would make the sweep write past the area (growing
        // the file) instead of rewriting it.
        if (!platform->SeekToStart(target.file)) return sweepFailure = platform->LastFailure(), false;
        const std::uint64_t size = first ? target.size : target.reach;
        bool cameShort = false;
        for (std::uint64_t offset = 0; offset < size && proceed; offset += unit) {
          // The whole block is drawn afresh, also before a short last write.
          if (sweep == 2) FillRandomWords(blocks[2], unit / 2);
          const std::uint64_t left = size - offset;
          const std::uint32_t count = left < unit ? static_cast<std::uint32_t>(left) : unit;
          std::uint32_t written = 0;
          const bool complete = WriteCovering(target.file, blocks[sweep], count, smallestWrite, &written);
          if (first) target.reach = offset + written;
          done += written;
          if (!complete) {
            if (shortWrite == ShortWrite::kEndsTheOverwrite) return false;
            // Full disk, or the largest file its file system allows: this file has covered all
            // it can in this sweep.
            cameShort = true;
            break;
          }
          ReportProgress(done, areaBytes);
        }
        const std::uint32_t flushStart = platform->TickCount();
        if (!platform->FlushToDisk(target.file)) return sweepFailure = platform->LastFailure(), false;
        // A flush may take long (gigabytes held in the cache, a slow stick): a stop asked
        // meanwhile is heard before the next write.
        if (areaBytes != 0 && static_cast<std::uint32_t>(platform->TickCount() - flushStart) >= kSlowCallMilliseconds) {
          ReportNextAtOnce();
          ReportProgress(done, areaBytes);
        }
        if (first) sweepReach += target.reach;
        if (first && cameShort && proceed && index + 1 == area.FileCount()) area.Grow(sweepFailure);
      }
      // A sweep that came up short has covered all it could: the progress moves on to its end.
      const std::uint64_t sweepEnd = (static_cast<std::uint64_t>(pass) * sweepsPerPass + step + 1) * areaBytes;
      if (done < sweepEnd && proceed) {
        done = sweepEnd;
        ReportProgress(done, areaBytes);
      }
    }
  }
  return true;
}

void ReportingShredder::TrimSwept(SweepArea& area) {
  for (std::size_t index = 0; index < area.FileCount(); ++index) {
    const SweepTarget& target = area.File(index);
    if (target.reach != 0) platform->TrimRange(target.file, 0, target.reach);
  }
}

}  // namespace varnolt
