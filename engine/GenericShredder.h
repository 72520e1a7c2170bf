// What every shredder shares: the item's path and the random name it takes before removal.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/Platform.h"

namespace varnolt {

// Why an item was not erased, for whoever reports on the run afterwards (read after Run).
enum class LeftBecause : std::uint8_t {
  kNotLeft,
  kHardLink,             // a file with other names: its data belongs to them too
  kUnknownReparsePoint,  // a reparse point of a kind not known
  kFolderNotEmpty,       // something inside could not be erased
  kNotRemoved,           // the system refused to remove it, for no reason it named
  kInUse,                // another program holds it
  kAccessDenied,
  kGone,                 // no longer there when it was reached
  kWriteFailed,          // a write or a flush failed (disk error)
  kDiskFull,
  kStopped,              // the user stopped the run while it was being overwritten
  kNotReached,           // the user stopped the run before it was reached
  kNameNotSupported,     // a name or path the program cannot take as it is
  kDriveNotSupported,    // a drive of a kind whose free space is not cleaned
  kFillFileNotCreated,   // free space: neither the root nor our folder took the fill file
  kFreeSpaceInPart,      // free space: only part of it was covered
  kReplaced,             // its name leads to another item than the one chosen (a folder on its
                         // path replaced, by a link to elsewhere, since it was collected)
  kNotOurs,              // found in a cleaned drive's root under a name of ours, not provably
                         // ours: left as it is (its bytes in measuredBytes)
  kNamesInFolders,       // a cleaned drive's folders of the user's own whose deleted names
                         // could not be covered (they took no new file; how many in folders)
  kDataNotHere,          // a file an online service keeps whose data is not on this PC: not
                         // opened, which would download it
};

// The reason a failed call gives, or `otherwise` when the system named none of ours.
LeftBecause LeftFor(FailureKind failure, LeftBecause otherwise);

class GenericShredder {
 public:
  // `path` is a full path in UTF-8, of any length.
  GenericShredder(Platform& platform, const char* path);
  virtual ~GenericShredder() = default;
  // Moved without a throw, so the manager's lists of millions of shredders grow by moving
  // them, never by copying every path (which doubled the memory held at each growth).
  GenericShredder(const GenericShredder&) = default;
  GenericShredder(GenericShredder&&) noexcept = default;
  GenericShredder& operator=(const GenericShredder&) = default;
  GenericShredder& operator=(GenericShredder&&) noexcept = default;

  // Erases the item. Failures are silent: the item is left as far as the system allowed.
  virtual void Shred() = 0;

  // Moves the item to a random decimal name in its own directory and, when the move
  // succeeds, works on under that name. One attempt, no message. With `item` (the item opened
  // to erase it) the move goes through that handle, so it is the item opened that moves.
  void RenameRandomly(FileHandle item = kInvalidFile);
  // Before the random decimal name, two names beside the item's own (ItemNames.h: NameBeside),
  // which leave no copy of its own name in the directory's index or in the item's record.
  void CoverOwnName(FileHandle item = kInvalidFile);

  // The name listed just before the item in its directory when it is erased, learnt from a
  // listing made beforehand (the collection's, or that of the places of the chosen items); not
  // known (nullptr): its directory is listed for it then. Not owned: outlives the shredder's run.
  void SetNameBefore(const std::string* name) { nameBefore = name; }

  // What the item was when it was collected (not known: not checked). The item is erased only
  // if the one its name opens then is the same.
  void SetIdentity(const ItemIdentity& collected) { identity = collected; }
  const ItemIdentity& Identity() const { return identity; }

  const char* Path() const { return path.c_str(); }
  // Gives the path away (the run's outcomes take it); the shredder is done with.
  std::string TakePath() { return std::move(path); }
  std::uint8_t Status() const { return status; }
  LeftBecause Left() const { return leftBecause; }

 protected:
  // Moves the item to `newPath`, through `item` when it is open; true when it moved.
  bool MoveTo(FileHandle item, const std::string& newPath);
  // True when `item`, just opened by its name, holds the item collected (or none was known).
  bool IsTheOneCollected(FileHandle item);
  // The same for what the name opens now, for what is done by name (a link's removal, the
  // attributes of a read-only file).
  bool NameLeadsToTheOneCollected();

  std::string path;
  const std::string* nameBefore = nullptr;
  ItemIdentity identity;
  std::uint8_t status = 0;
  LeftBecause leftBecause = LeftBecause::kNotLeft;
  Platform* platform;  // not owned; outlives every shredder
};

}  // namespace varnolt
