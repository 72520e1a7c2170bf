// Cleans the free space of one drive without touching its files: a fill file in the drive's
// root, grown over all the free space, swept three times (pattern, complement, pseudo-random
// data) with a flush after each sweep, and deleted by the system when it is closed. Where a
// file-size cap stops it first (FAT32), more fill files beside it take the rest, and each sweep
// rewrites them all; a write that does not fit at the end is asked again in smaller pieces,
// down to one cluster. A root that takes no new file (a standard user's C:\) gets a folder of
// ours for the fill file instead, removed when the cleaning ends, however it ends.
//
// Every file and folder of ours is made new (OwnNames.h): a name that stands already is never
// opened, truncated, moved or deleted; the next free one is taken. What an interrupted run left
// is removed only when it is provably ours; anything else under our names stays, and is told.
//
// <windows.h> defines a function-like macro GetFreeSpace(w) that would rewrite the member of
// that name: a file that includes both must #undef GetFreeSpace after <windows.h>.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/OwnNames.h"
#include "engine/RecordFill.h"
#include "engine/ReportingShredder.h"

namespace varnolt {

class FreeSpaceShredder : public ReportingShredder {
 public:
  static constexpr std::uint32_t kChunkSize = 1048576;
  // The folder for the fill files in a root that takes no new file: a marked name, this suffix.
  static constexpr const char* kFillFolderSuffix = ".FILL";
  // Fill files: the first free of VARNOLT.TMP, VARNOLT1.TMP... (FillFileName), then, while a
  // file-size cap stops each, the next free ones beside it, below this number.
  static constexpr std::uint32_t kMostFillFiles = 10000;

  // `root`: the drive's root, three characters such as "E:\".
  explicit FreeSpaceShredder(Platform& platform, const char* root);

  // The whole cleaning. Copies are made only outside a run, when no buffer is held, so the
  // memberwise copy shares nothing; the destructor has nothing to release for the same reason.
  void Shred() override;

  // Total free bytes of the volume (not the caller's quota share); 0 when unknown.
  std::uint64_t GetFreeSpace() const;

  // Where the first fill file goes unless its name stands: "E:\VARNOLT.TMP".
  std::string FillPath() const;
  // What the last cleaning found in the root under our names and left (OwnNames.h).
  const std::vector<Leftover>& Leftovers() const { return leftovers; }
  // After a run left part of the free space (kFreeSpaceInPart, kStopped): how far the fill
  // files reached together, out of the free space measured when the first was opened.
  std::uint64_t CoveredBytes() const { return coveredBytes; }
  std::uint64_t MeasuredBytes() const { return measuredBytes; }
  bool HoldsBuffers() const { return patternBuffer || complementBuffer || randomBuffer; }

 private:
  bool AllocateBuffers();
  void ReleaseBuffers();
  void FillPatternBuffers();

  // NTFS: the free records of the file table, while the fill holds every cluster (RecordFill).
  // The fill's reports take the first part of the progress, the records the rest.
  static constexpr double kRecordShare = 0.05;
  void FillFreeRecords(RecordFill& records, std::uint64_t size);

  std::vector<Leftover> leftovers;
  std::uint8_t* patternBuffer = nullptr;
  std::uint8_t* complementBuffer = nullptr;
  std::uint8_t* randomBuffer = nullptr;
  std::uint64_t coveredBytes = 0;
  std::uint64_t measuredBytes = 0;
};

}  // namespace varnolt
