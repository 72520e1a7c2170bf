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

#include "engine/DeletedNames.h"
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

  // The progress of a cleaning: the fill, then the deleted names' cover (DeletedNames.h), then
  // the records of an NTFS file table (RecordFill).
  static constexpr double kRecordShare = 0.05;
  static constexpr double kNamesShare = 0.05;

  // `root`: the drive's root, three characters such as "E:\".
  explicit FreeSpaceShredder(Platform& platform, const char* root);

  // The whole cleaning. Copies are made only outside a run, when no buffer is held, so the
  // memberwise copy shares nothing; the destructor has nothing to release for the same reason.
  void Shred() override;

  // What keeps the drive's data (the manager asks once a drive). On solid-state or flash
  // storage the free space gets one sweep of random data, and its range is then asked of the
  // drive to discard: more sweeps wear the cells and reach nothing more.
  void SetStorage(StorageKind kind);

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
  // Directories whose deleted names the last cleaning could not cover (they took no new file,
  // or could not be read), and of them those the user owns.
  std::uint64_t NamesNotCoveredIn() const { return namesNotCovered; }
  std::uint64_t OwnFoldersNotCovered() const { return ownFoldersNotCovered; }
  bool HoldsBuffers() const { return patternBuffer || complementBuffer || randomBuffer; }

 private:
  bool AllocateBuffers();
  void ReleaseBuffers();
  void FillPatternBuffers();

  // NTFS: the free records of the file table, while the fill holds every cluster.
  void FillFreeRecords(RecordFill& records, std::uint64_t size);
  // Where the drive keeps its entries' names, from the record fill's probe and the volume's
  // own word.
  DeletedNamesCover::Layout NamesLayout(RecordFill::Readiness readiness);
  // The deleted names' cover (DeletedNames.h), its reports from `from` on, a share of `share`;
  // false when the report answered stop.
  bool CoverDeletedNames(DeletedNamesCover& cover, DeletedNamesCover::Layout layout, double from, double share);

  std::vector<Leftover> leftovers;
  std::uint8_t* patternBuffer = nullptr;
  std::uint8_t* complementBuffer = nullptr;
  std::uint8_t* randomBuffer = nullptr;
  std::uint64_t coveredBytes = 0;
  std::uint64_t measuredBytes = 0;
  std::uint64_t namesNotCovered = 0;
  std::uint64_t ownFoldersNotCovered = 0;
};

}  // namespace varnolt
