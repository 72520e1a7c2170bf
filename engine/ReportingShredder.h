// The progress members shared by the shredders that write (files and drive free space), and
// the throttled report through which a run learns whether to go on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/GenericShredder.h"

namespace varnolt {

class ShreddingManager;

// Fills the pattern and complement blocks of the sweeps, `bytes` each.
void FillPatternBlocks(std::uint8_t pattern, std::uint8_t* patternBlock,
                       std::uint8_t* complementBlock, std::size_t bytes);

class ReportingShredder : public GenericShredder {
 public:
  using GenericShredder::GenericShredder;

  // The manager calls this on the copy in its list; until then no report is made.
  void SetManager(ShreddingManager* manager) { this->manager = manager; }

  // `done`: bytes written by this run over all sweeps; `size`: bytes of one sweep. Reports to
  // the manager at most once per `reportInterval` and takes its answer into `proceed`.
  void ReportProgress(std::uint64_t done, std::uint64_t size);

  bool Proceed() const { return proceed != 0; }
  std::uint32_t LastReportTick() const { return lastReportTick; }

 protected:
  // What a write that fails or falls short means. For a file, the overwrite ends there. For
  // the fill file, the free space is covered as far as it goes: that sweep ends, and the next
  // one rewrites the same area from the start.
  enum class ShortWrite { kEndsTheOverwrite, kEndsTheSweep };

  // The one sweep loop of every shredder that writes: `passCount` passes of three sweeps over
  // the first `size` bytes of the open `file`, from blocks[0] (pattern), blocks[1] (complement)
  // and blocks[2] (random, refilled before every write), `unit` bytes a write, the last one
  // shorter. Each sweep rewinds first and flushes after; a report follows every write, and a
  // stop ends the sweep before its next write (the pass's remaining sweeps still rewind and
  // flush). False when a rewind or a flush failed, or a write with kEndsTheOverwrite: nothing
  // more is written then.
  bool RunSweeps(FileHandle file, std::uint64_t size, std::uint8_t* const blocks[3],
                 std::uint32_t unit, ShortWrite shortWrite);

  ShreddingManager* manager = nullptr;
  std::uint8_t proceed = 1;
  std::uint16_t passCount = 1;
  std::uint8_t pattern = 0xAA;
  std::uint32_t reportInterval = 30;  // milliseconds
  std::uint32_t lastReportTick = 0;
  // Why RunSweeps last ended early (kDiskFull for a short write reported as a success), and
  // how far the first sweep reached in the file: what the other sweeps rewrite.
  FailureKind sweepFailure = FailureKind::kNone;
  std::uint64_t sweepReach = 0;
};

}  // namespace varnolt
