// The slack of a directory's index, where NTFS leaves copies of names that are gone. Removing
// an entry moves the entries after it down, and the bytes of the last one stay past the new end
// of its block: each entry removed before it, by this run or long before it (the user deleting
// a neighbour), leaves one more copy of that name. Once the chosen items are gone, empty files
// of long names are made where they stood, enough to fill a whole block, so the entries after
// them move up over all the slack; then they go, leaving only their own random names.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/OwnNames.h"
#include "platform/Platform.h"

namespace varnolt {

// Empty files of ours held open together, each made new (a name taken already, however
// unlikely, is never opened nor emptied), its identity read when made. Closed (and so deleted)
// by Close or when this goes; any still there (a FUSE volume renames a file deleted while
// open, which a full folder may refuse) is deleted through a handle once seen to be the one
// made.
class CoverFiles {
 public:
  // Given `outlived`, those that outlive their close are added to it rather than deleted
  // at once (a full folder keeps them until the volume has room again).
  explicit CoverFiles(Platform& platform, std::vector<MadeFile>* outlived = nullptr)
      : platform(platform), outlived(outlived) {}
  ~CoverFiles();
  CoverFiles(const CoverFiles&) = delete;
  CoverFiles& operator=(const CoverFiles&) = delete;

  // kNone when made; else why not.
  FailureKind Make(const std::string& path);
  std::size_t Count() const { return files.size(); }
  // Closes them all; those that outlive their close are deleted now, or added to `outlived`.
  void Close();
  // From this many in one directory on, which outlived their close is read from one listing.
  static constexpr std::size_t kListedAtOnce = 16;

 private:
  Platform& platform;
  std::vector<MadeFile>* outlived;
  std::vector<FileHandle> files;
  std::vector<std::string> paths;
  std::vector<ItemIdentity> identities;
};

// Where chosen items stood in a directory's listing: the directory (ending with a backslash)
// and the name listed before them (empty: first of all), and the chosen items in that place
// (indices in the chosen paths).
struct SlackPlace {
  std::string directory;
  std::string before;
  std::vector<std::size_t> items;
};

// The places of `chosen` (full paths of files and directories) in their directories, each run
// of chosen items listed one after another being one place, in listing order; places of one
// directory follow each other. Each directory is listed once and each entry looked up once
// (names matched in any ASCII case). Directories that cannot be listed have none.
std::vector<SlackPlace> SlackPlacesOf(Platform& platform, const std::vector<std::string>& chosen);

// Covers the slack of one directory's places (`places`, all of one directory) once the items
// erased there are gone, in one step: at each place one of whose items is gone,
// kSlackCoverFiles empty files named beside `place.before` (the index block there), made new
// (never over a file that stands there), closed together; then, once for the directory, the
// 8.3 cover files of FatCoverFilesFor the names gone. `fatSlots`: the volume says FAT or
// exFAT, which keeps no index in name order: only the 8.3 files. One that cannot be made ends
// its part of the cover; nothing of it stays.
void CoverSlack(Platform& platform, std::span<const SlackPlace> places, const std::vector<std::string>& chosen,
                bool fatSlots);
inline constexpr int kSlackCoverFiles = 8;  // 8 entries of 255 characters: more than a 4 KiB block
// FAT keeps a deleted entry's slots in place, names intact, until a new entry takes them; a
// file of an 8.3 name takes one slot, the first free one, in the holes the chosen items and
// their passing names left. kShortCoverFiles for the holes that were there, and one for every
// slot the names gone took (FatSlotsOf).
inline constexpr int kShortCoverFiles = 64;
std::uint64_t FatSlotsOf(const std::string& name);
void MakeShortCoverFiles(Platform& platform, const std::string& directory, std::uint64_t count);
// A random 8.3 name in capitals, "V" and seven letters ".TMP": one slot on FAT, with no long
// name beside it.
std::string ShortCoverName();

// Bytes an entry of a name takes in an NTFS index, about (its header and fixed part, then the
// name in UTF-16); a cover file's, with the longest name.
std::uint64_t IndexEntryBytes(const std::string& name);
inline constexpr std::uint64_t kCoverEntryBytes = 82 + 2 * 255;

// How many cover files an emptied directory gets before it goes, whose entries took
// `heldEntryBytes`: twice as much (blocks split in halves keep half their room free), and a
// block more. On FAT their slots take those of the deleted entries, which keep their names.
std::uint64_t CoverFilesFor(std::uint64_t heldEntryBytes);

// `count` empty files named beside `before` in `directory` (ending with a backslash), made new
// (never over a file that stands there), all open at once, then closed: deleted on close, and
// any still there deleted by name. One that cannot be made ends the making.
void MakeCoverFiles(Platform& platform, const std::string& directory, const std::string& before, std::uint64_t count);

}  // namespace varnolt
