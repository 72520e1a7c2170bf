// The progress members shared by the shredders that write (files and drive free space), and
// the throttled report through which a run learns whether to go on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/GenericShredder.h"

namespace varnolt {

class ShreddingManager;

// The least time between two progress reports of a run, in milliseconds.
inline constexpr std::uint32_t kReportInterval = 30;
// A call that took this long is followed by a report, whatever the interval: the user may have
// asked to stop meanwhile.
inline constexpr std::uint32_t kSlowCallMilliseconds = 250;

// Fills the pattern and complement blocks of the sweeps, `bytes` each.
void FillPatternBlocks(std::uint8_t pattern, std::uint8_t* patternBlock,
                       std::uint8_t* complementBlock, std::size_t bytes);

// One open file of what the sweeps cover: its first `size` bytes, and how far the first sweep
// reached in it, which the other sweeps rewrite.
struct SweepTarget {
  FileHandle file = kInvalidFile;
  std::uint64_t size = 0;
  std::uint64_t reach = 0;
};

// The files the sweeps cover, in order: a file and its named streams, or a drive's fill files.
class SweepArea {
 public:
  virtual std::size_t FileCount() const = 0;
  virtual SweepTarget& File(std::size_t index) = 0;
  // Called when the first sweep came up short in the last file, for the reason `why`: true
  // when one more file was added to go on in (the fill files of a drive whose file system caps
  // a file's size).
  virtual bool Grow(FailureKind) { return false; }

 protected:
  ~SweepArea() = default;
};

class ReportingShredder : public GenericShredder {
 public:
  using GenericShredder::GenericShredder;

  // The manager calls this on the copy in its list; until then no report is made.
  void SetManager(ShreddingManager* manager) { this->manager = manager; }

  // `done`: bytes written by this run over all sweeps; `size`: bytes of one sweep. Reports to
  // the manager at most once per `reportInterval` of the whole run (the manager's clock: a
  // file's first write is no reason to report again) and takes its answer into `proceed`.
  void ReportProgress(std::uint64_t done, std::uint64_t size);
  // The next report is made whatever the clock says: the end of a step, which the gauge must
  // show whole.
  void ReportNextAtOnce() { reportNow = true; }

  bool Proceed() const { return proceed != 0; }
  // On solid-state or flash storage: the ranges swept are then asked of the drive to discard
  // (TRIM), a hint and no erasure, wherever the system takes the request.
  void SetTrimAfterSweeps(bool trim) { trimAfterSweeps = trim; }
  std::uint32_t LastReportTick() const { return lastReportTick; }

 protected:
  // What a write that fails or falls short means. For a file, the overwrite ends there. For
  // the fill file, the free space is covered as far as it goes: that sweep ends, and the next
  // one rewrites the same area from the start.
  enum class ShortWrite { kEndsTheOverwrite, kEndsTheSweep };

  // The one sweep loop of every shredder that writes: `passCount` passes of `sweepsPerPass`
  // sweeps (three, or the random one alone) over
  // the files of `area`, each over its first `size` bytes in the first sweep and over what that
  // sweep reached in the others, from blocks[0] (pattern), blocks[1] (complement) and blocks[2]
  // (random, refilled before every write), `unit` bytes a write, the last one shorter. Each
  // file is rewound before its part of a sweep and flushed after; a report follows every
  // write, with `areaBytes` as one sweep's size, and a stop ends the sweep before its next
  // write (the pass's remaining sweeps still rewind and flush). With kEndsTheSweep a write the
  // system takes only in part is asked again in halves down to `smallestWrite` bytes (0: not
  // asked again), and a sweep that still comes up short counts as done when it ends. False
  // when a rewind or a flush failed, or a write with kEndsTheOverwrite: nothing more is
  // written then.
  bool RunSweeps(SweepArea& area, std::uint64_t areaBytes, std::uint8_t* const blocks[3],
                 std::uint32_t unit, ShortWrite shortWrite, std::uint32_t smallestWrite = 0);

  ShreddingManager* manager = nullptr;
  std::uint8_t proceed = 1;
  std::uint16_t passCount = 1;
  // Three (pattern, complement, random), or 1: the random sweep alone.
  std::uint8_t sweepsPerPass = 3;
  bool trimAfterSweeps = false;
  // Every sweep of a run, for the progress: a unit of `done` is one sweep's bytes.
  std::uint64_t SweepCount() const { return static_cast<std::uint64_t>(passCount) * sweepsPerPass; }
  // Asks the drive to discard what the first sweep reached in each file of `area`; a refusal
  // changes nothing (the sweeps are done).
  void TrimSwept(SweepArea& area);
  std::uint8_t pattern = 0xAA;
  std::uint32_t reportInterval = kReportInterval;
  std::uint32_t lastReportTick = 0;
  bool reportNow = false;
  // What the manager counted for the item, when the area swept is larger (a file's named
  // streams): the bytes reported are that share of it. Larger than any size: not used.
  std::uint64_t countedBytes = ~0ull;
  // The part of the item's progress the reports stand for, from `progressFrom` on, a share of
  // `progressShare`: a cleaning whose fill is followed by more work keeps room for it.
  double progressFrom = 0;
  double progressShare = 1;
  // Why a write of RunSweeps last came up short (kDiskFull for a short write reported as a
  // success), and how far the first sweep reached over all the files: what the others rewrite.
  FailureKind sweepFailure = FailureKind::kNone;
  std::uint64_t sweepReach = 0;

 private:
  // Writes `count` bytes of `block` at the file position; what the system does not take is
  // asked again in halves down to `smallest` bytes (0: not asked again), so a write that does
  // not fit at the end of the free space still covers the clusters left. True when all went.
  bool WriteCovering(FileHandle file, const std::uint8_t* block, std::uint32_t count,
                     std::uint32_t smallest, std::uint32_t* written);
};

}  // namespace varnolt
