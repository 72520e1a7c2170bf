// The free records of an NTFS file table, overwritten once the fill files hold every free
// cluster. NTFS keeps a file of a few hundred bytes inside its record, where a fill file never
// reaches, and a deleted one leaves its data there. Small files whose data stays in their own
// record take every free record until the volume refuses more, each written with the three
// sweeps (pattern, complement, random) and flushed after each, all held open (delete-on-close)
// so that no two share a record, then closed: the system deletes them.
//
// They live in a folder of ours in the root (a marked name, OwnNames.h, private, made new),
// made before the fill while the
// volume has room: a small file there must keep its data in its record (or this is no such file
// table: Wine calls every drive that is a plain directory "NTFS", and on ext4, tmpfs or FAT the
// first small file takes room), and the folder's index is grown to more entries than there are
// free records, since a full volume gives it no cluster to grow into. Should it fill all the
// same, its last files make way for two subfolders, filled in turn. Every file is closed and
// every folder removed on every way out. The fill also ends at the first file that takes room
// of the volume (its free bytes drop) or cannot be written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace varnolt {

class RecordFill {
 public:
  // The suffix of the folder's marked name.
  static constexpr const char* kFolderSuffix = ".REC";
  // Data of each small file: what NTFS keeps in a 1024-byte record beside a one-letter name,
  // with room to spare (ntfs-3g keeps up to 660 or so), and more than a deleted small file left
  // past its own, longer name.
  static constexpr std::uint32_t kDataBytes = 640;
  static constexpr std::uint32_t kChildFolders = 2;

  // How a run ended.
  enum class End {
    kRefused,      // the volume took no more: every free record it had is covered
    kNotResident,  // a small file took room of the volume: no file table of this kind here
    kStopped,      // the report answered stop
  };

  // `root`: the drive's root, "E:\".
  RecordFill(Platform& platform, const std::string& root);
  ~RecordFill();
  RecordFill(const RecordFill&) = delete;
  RecordFill& operator=(const RecordFill&) = delete;

  enum class Readiness {
    kReady,    // NTFS, small files keep their data in their records, the folder stands ready
    kNotHere,  // no such file table here: nothing to fill
    kFailed,   // called NTFS, but the folder could not be made or its index grown
    kStopped,  // `goOn` answered stop
  };
  // Called before the fill, while the volume has room; anything but kReady leaves nothing.
  // `goOn`, asked after each file the index is grown with (up to a million on a large volume),
  // answers whether to go on.
  Readiness Prepare(const std::function<bool()>& goOn = {});

  // Fills the free records with the sweeps of `pattern` and its complement, then random bytes.
  // `report` is given the count of records covered after every file and answers whether to go
  // on. The files stay open until the object goes (or Release).
  End Run(std::uint8_t pattern, const std::function<bool(std::uint64_t)>& report);

  // Closes every file (the system deletes them) and removes the folders, deepest first.
  void Release();

  std::uint64_t Records() const { return records; }
  // How many entries Prepare made room for in the folder's index.
  std::uint64_t Prepared() const { return prepared; }

 private:
  enum class Added { kAdded, kRefused, kNotResident };
  struct Folder {
    std::string path;
    ItemIdentity identity;  // read when made: the one removed at the end
  };
  // A new folder at `path` (private in the root, the others inherit from it); false when none.
  bool MakeOurFolder(const std::string& path, bool inRoot);
  Added AddFile(const std::string& path, std::uint64_t freeBefore);
  bool Sweep(FileHandle file, const std::uint8_t* block);
  bool FreeBytes(std::uint64_t* freeBytes);
  // True when small files keep their data in their records; they stay open in `files`.
  // `name` is the next number free for a file of the folder.
  bool ProbeResidency(std::uint32_t* name);
  // Grows the folder's index, its files numbered from `name` on (past the probes).
  // False when the index could not be grown; `*stopped` when goOn answered stop.
  bool PrepareIndex(std::uint32_t name, const std::function<bool()>& goOn, bool* stopped);
  // The name of the empty file number `number` that grows the folder's index.
  std::string PreparedName(std::uint32_t number) const;
  // Holds `file`, made at `path`, open until Release; its identity is read now.
  void Hold(FileHandle file, const std::string& path);
  // Closes the last file held (the system deletes it, or leaves it for Release to delete).
  void CloseLast();

  // A drop of the free bytes this large at one creation is the file table's growth (ntfs-3g
  // grows it 16 records at a time); an index grows by a block or three of 4 KiB.
  static constexpr std::uint64_t kTableGrowthBytes = 16384;
  // Records are 1 KiB (4 KiB on some disks): a step of the table adds at most its size over
  // this many records. A few files more may come before the next step (the index's own).
  static constexpr std::uint64_t kSmallestRecordBytes = 1024;
  static constexpr std::size_t kTableStepSlack = 8;
  static constexpr std::size_t kPreparedNameLength = 32;
  // Enough small files that, taking room, they would drop the free bytes more often than the
  // index's first block and one growth of a table in small steps can.
  static constexpr std::uint32_t kProbes = 24;
  static constexpr std::uint32_t kProbeDropsAllowed = 2;
  static constexpr std::size_t kMostPrepared = 1u << 20;

  Platform& platform;
  std::string root;
  std::vector<Folder> folders;      // in the order made: removed in reverse
  struct Made {
    std::string path;
    ItemIdentity identity;
  };
  std::vector<FileHandle> files;  // every small file held open
  std::vector<Made> made;         // and where each was made, what it was
  // Files closed, which may have stayed: a FUSE file system renames a file deleted while open,
  // which a full folder refuses. Those still there are deleted at the end, with room again,
  // each through a handle once seen to be the file made.
  std::vector<Made> closedFiles;
  std::uint64_t records = 0;
  std::uint64_t prepared = 0;
  std::uint8_t patternBlock[kDataBytes];
  std::uint8_t complementBlock[kDataBytes];
  std::uint8_t randomBlock[kDataBytes];
};

}  // namespace varnolt
