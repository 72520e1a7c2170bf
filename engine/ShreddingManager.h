// Owns all the work of one run: one shredder per item in three lists (files, directories,
// drives), the byte total, the run in that order, and the relay of the running shredder's
// progress to the window's callback.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/DirectoryShredder.h"
#include "engine/FileShredder.h"
#include "engine/FreeSpaceShredder.h"
#include "engine/OverwriteLimits.h"
#include "engine/ProgressCallback.h"
#include "platform/Platform.h"

namespace varnolt {

// What became of one item the run was given: erased, or left and why.
struct ItemOutcome {
  std::string path;  // where the item stands now, or the name as it was chosen
  LeftBecause left = LeftBecause::kNotLeft;
  // Free space left in part or stopped: how far the fill file reached, of the free space.
  std::uint64_t coveredBytes = 0;
  std::uint64_t measuredBytes = 0;
  std::uint64_t folders = 0;  // kNamesInFolders: how many
  bool Erased() const { return left == LeftBecause::kNotLeft; }
};

class ShreddingManager {
 public:
  explicit ShreddingManager(Platform& platform);
  virtual ~ShreddingManager() = default;

  // Shredders link back to the manager: it must stay where it is while it holds them.
  ShreddingManager(const ShreddingManager&) = delete;
  ShreddingManager& operator=(const ShreddingManager&) = delete;

  // Takes one name in. With `maybeDrive` (a name the user chose), a drive letter or a drive's
  // root in any spelling ("E", "E:", "E:\", "\\?\E:\") is a drive: a fixed or removable
  // drive has its free space collected, anything else nothing; a volume's root by another name
  // is not taken (ChosenRootOf); and a name that resolving would change ("Rapport ") is
  // refused (RefusedNames). Otherwise the name is resolved to a full path: a file is collected,
  // a directory with everything below it, depth first, each directory after its contents. A
  // symbolic link or junction is collected as itself and never followed; a reparse point of a
  // kind not known is collected and never entered. Names that cannot be resolved or read, and
  // drives of other kinds, are not taken: each is kept with the reason (Outcomes).
  void AddItem(const char* name, bool maybeDrive);
  // `size`: the file's size as a listing gave it; read from its attributes when not given.
  void AddFile(const char* fullPath, const std::uint64_t* size = nullptr);
  void AddDirectory(const char* fullPath);
  void AddDrive(const char* root);

  std::int32_t FileCount() const { return static_cast<std::int32_t>(files.size()); }
  std::int32_t DirectoryCount() const { return static_cast<std::int32_t>(directories.size()); }
  std::int32_t DriveCount() const { return static_cast<std::int32_t>(drives.size()); }
  std::uint64_t TotalBytes() const { return totalBytes; }
  // What the items collected meet that an overwrite may not reach (OverwriteLimits.h): the
  // storage of their volumes, the system's shadow copies, the items' own kind.
  const OverwriteLimits& Limits() const { return limits; }
  void SetCallback(ProgressCallback callback) { this->callback = callback; }

  // Erases all files, then all directories, then the free space of all drives, until the
  // callback answers stop; every item not started by then is left alone. Before the drives,
  // the index slack where chosen items stood is covered (IndexSlack.h).
  void Run();

  // Called by a running shredder's ReportProgress; returns the callback's answer.
  std::uint8_t RelayProgress(float itemFraction, std::uint64_t itemBytes);
  // Whether a report is due at `now`: the first of a run, one asked at once (`now` is true), or
  // `interval` milliseconds after the last one. One clock for the whole run: with thousands of
  // small files, a report at each one's first write would cost more than the files.
  bool ReportDue(std::uint32_t now, std::uint32_t interval, bool atOnce);

  // The collected items, in the order they are erased.
  const std::vector<FileShredder>& Files() const { return files; }
  const std::vector<DirectoryShredder>& Directories() const { return directories; }
  const std::vector<FreeSpaceShredder>& Drives() const { return drives; }
  // Chosen names not taken because the system would read them as another name.
  const std::vector<std::string>& RefusedNames() const { return refusedNames; }

  // After Run: every item given, in order, first those not taken in, then files, directories
  // and drives; the items a stop kept the run from are kNotReached.
  std::vector<ItemOutcome> Outcomes() const;
  // The same, the paths moved out of the shredders rather than copied (a run over a million
  // files would hold each one twice at its end): once, at the very end.
  std::vector<ItemOutcome> TakeOutcomes();
  // The callback answered stop during the last Run.
  bool Stopped() const { return proceed == 0; }

 private:
  // Collects every entry of the directory `fullPath`, in the order the file system lists them;
  // returns what their entries take in its index (IndexEntryBytes summed).
  std::uint64_t AddContents(const char* fullPath);
  // Collects the item at `fullPath` (resolved, its name checked) of `attributes`: a file, or a
  // directory with everything below it. `size`: a file's size, when a listing gave it.
  // `reparseTag`: the tag of a reparse point, as its listing or a look of its own gave it.
  void AddFound(std::string& fullPath, std::uint32_t attributes, std::uint32_t reparseTag, const std::uint64_t* size,
                bool maybeDrive);
  // What is known of a volume, asked once a drive letter.
  struct VolumeFacts {
    std::int8_t local = -1;  // MayMakeFilesIn: -1 not asked, 0, 1
    bool asked = false;      // the rest
    StorageKind storage = StorageKind::kUnknown;
    bool shadowed = false;  // a local NTFS or ReFS volume, on a system that keeps shadow copies
    bool refs = false;
    bool Flash() const { return WritesWhereItChooses(storage); }
  };
  // The facts of the volume of `fullPath` ("E:\..." or "\\?\E:\..."); nullptr for a path of
  // no drive letter (a share's).
  const VolumeFacts* FactsOf(const std::string& fullPath);
  // Notes in `limits` what the item at `fullPath`, of these attributes and tag, meets; the
  // facts of its volume, when it has a drive letter.
  const VolumeFacts* NoteLimits(const std::string& fullPath, std::uint32_t attributes, std::uint32_t reparseTag);
  void Drop(const char* name, LeftBecause reason) { dropped.push_back(ItemOutcome{name, reason}); }
  ItemIdentity IdentityAt(const char* fullPath);
  // Between items that report nothing themselves (folders, covers): a report when one is due,
  // so that a stop is heard there too. False when the answer was stop.
  bool GoOn();
  // Outcomes and TakeOutcomes, which differ in how a shredder's path is had.
  template <typename Manager, typename PathOf>
  static std::vector<ItemOutcome> CollectOutcomes(Manager& manager, PathOf pathOf);
  // The names listed before the items (SetNameBefore), each kept once for a run of items.
  const std::string* KeepNameBefore(const std::string& name);
  // True when files of ours (cover files) may be made beside `fullPath`: on a local drive of
  // its own (IsLocalDrive), never over the network nor on a subst drive. Asked once a drive.
  bool MayMakeFilesIn(const std::string& fullPath);

  Platform* platform;
  std::vector<FileShredder> files;
  std::vector<DirectoryShredder> directories;
  std::vector<FreeSpaceShredder> drives;
  std::vector<std::string> refusedNames;
  std::vector<ItemOutcome> dropped;
  // Full paths of the files and directories chosen (not those met inside a chosen directory),
  // and the shredder of each: a file's index, or ~index of a directory.
  std::vector<std::string> chosen;
  std::vector<std::int64_t> chosenShredders;
  std::deque<std::string> namesBefore;  // stays where it is as it grows
  std::uint32_t lastReportTick = 0;
  bool reportedInRun = false;
  std::size_t filesRun = 0, directoriesRun = 0, drivesRun = 0;
  std::uint8_t proceed = 1;
  std::uint64_t totalBytes = 0;
  std::uint64_t doneBytes = 0;
  std::int32_t itemsDone = 0;
  ProgressCallback callback = nullptr;
  std::array<VolumeFacts, 26> volumeFacts{};  // per drive letter
  Answer shadowCopies = Answer::kUnknown;
  bool shadowCopiesAsked = false;
  OverwriteLimits limits;
};

}  // namespace varnolt
