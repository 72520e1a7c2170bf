// The names of deleted items that the directories still standing keep. A FAT or exFAT
// directory keeps a deleted entry's slots, the name in them, until a new entry takes them; an
// NTFS index keeps the names of removed entries in the slack of its blocks, past the entries
// (and in its file record while it is small). The fill files reach neither.
//
// While the fill files hold every free cluster, so that no directory can grow, each directory
// of the drive is given empty files of ours, made new, until it refuses more:
//  - slots (FAT, exFAT): names of every slot count from the longest down, each length until no
//    run of free slots that long is left, then 8.3 names, one slot each: every free slot;
//  - index (NTFS): at points spread over the listing, names that collate beside the entry
//    there (into its block), from the longest down, each length until the block is full: the
//    entries after them move over the block's slack.
// Then they go, leaving only their own random names, and the directory's times, read before
// through a handle held throughout, are put back. A FUSE volume renames a file deleted while
// open, which a full directory refuses: the files that outlive their close are deleted by
// Finish, once the fill files are gone, and their directories' times put back again then. Should the volume have room after all
// (another program freed some), a length also ends when the free bytes drop: the directory grew.
//
// Not entered: links and every other reparse point (the folders of a cloud sync root are
// such), folders whose items an online service keeps, our own folders in the root. A directory
// that takes no new file (another account's, the system's) is left as it stands and counted,
// and whether it is the user's own is told.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/IndexSlack.h"
#include "platform/Platform.h"

namespace varnolt {

class DeletedNamesCover {
 public:
  // Where the drive keeps the names of its entries, as the caller found out (the record fill's
  // probe: small files kept inside their records mean NTFS); not known: both are covered.
  enum class Layout { kSlots, kIndex, kUnknown };

  // `root`: the drive's root, "E:\".
  DeletedNamesCover(Platform& platform, std::string root);
  ~DeletedNamesCover() { Finish(); }
  DeletedNamesCover(const DeletedNamesCover&) = delete;
  DeletedNamesCover& operator=(const DeletedNamesCover&) = delete;

  // Covers every directory from the root down, as `layout` says (kUnknown: both). A denial
  // ends one length only (fusefat tells a full directory so); a directory that took no file
  // at all counts as refused. `report(done, found)`, with the directories done and found so
  // far, is called after each directory and each step of a large one, and answers whether to
  // go on. False when it answered stop: the directory at hand is left with nothing of ours in
  // it and its times put back.
  bool Run(Layout layout,
           const std::function<bool(std::uint64_t done, std::uint64_t found)>& report);
  // Deletes the files that outlived their close (each through a handle, once seen to be the
  // one made) and puts their directories' times back again. Nothing when there are none.
  void Finish();

  std::uint64_t Covered() const { return covered; }
  // Directories that took no new file or could not be read, left as they were; and of them,
  // those the user owns.
  std::uint64_t NotCovered() const { return notCovered; }
  std::uint64_t OwnNotCovered() const { return ownNotCovered; }
  // Not entered: reparse points and folders kept online.
  std::uint64_t Skipped() const { return skipped; }
  // Cover files made over the whole run.
  std::uint64_t FilesMade() const { return filesMade; }

  // NTFS: a point every this many bytes of entries, half an index block (a block split in two
  // keeps at least about half), and at most this many bytes of names made at one point.
  static constexpr std::uint64_t kPointBytes = 2048;
  static constexpr std::uint64_t kMostBytesAtAPoint = 8192;
  // Slots (of 32 bytes, as FAT counts a name's) one directory is given at most: a FAT
  // directory holds no more. Only a file system whose directories never fill (tmpfs, which
  // Wine calls NTFS too) takes them all.
  static constexpr std::uint32_t kMostSlots = 65536;

 private:
  enum class Outcome { kCovered, kSkipped, kRefused, kFailed, kStopped };
  // One directory (ending with a backslash): covered, and its subdirectories to enter added.
  Outcome CoverDirectory(const std::string& directory, FileHandle folder);
  Outcome CoverIndex(const std::string& directory, const std::vector<std::string>& names);
  Outcome CoverSlots(const std::string& directory);
  // What one creation of a cover file says: made, the directory is full, it grew (took room
  // of the volume), or why to stop.
  enum class Step { kMade, kFull, kGrew, kRefused, kFailed };
  Step MakeOne(CoverFiles& cover, const std::string& path);
  bool VolumeGrewSinceMeasured();
  bool GoOn();

  // A directory whose files of ours outlived their close, and the times to put back on it.
  struct Revisit {
    std::string path;
    ItemIdentity identity;
    ItemTimes times;
  };

  Platform& platform;
  std::string root;
  Layout layout = Layout::kUnknown;
  bool denied = false;  // in the directory at hand
  std::uint64_t attempts = 0;  // creations asked in it
  const std::string* current = nullptr;  // the directory at hand
  std::vector<MadeFile> outlived;
  std::vector<Revisit> revisits;
  std::function<bool(std::uint64_t, std::uint64_t)> report;
  std::vector<std::string> pending;  // directories found, not yet covered
  std::uint64_t done = 0;
  std::uint64_t found = 0;
  std::uint64_t freeBytes = 0;  // of the volume, when last measured
  std::uint32_t oddFailures = 0;
  std::uint64_t covered = 0;
  std::uint64_t notCovered = 0;
  std::uint64_t ownNotCovered = 0;
  std::uint64_t skipped = 0;
  std::uint64_t filesMade = 0;
};

}  // namespace varnolt
