#include "engine/DirectoryShredder.h"

#include <string>

#include "engine/IndexSlack.h"
#include "platform/OpenItem.h"

namespace varnolt {
namespace {

enum class Contents { kEmpty, kNotEmpty, kUnknown };

Contents ContentsOf(Platform& platform, const std::string& path) {
  std::string pattern = path;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  FindData entry;
  const FindHandle find = platform.FindFirst(pattern.c_str(), &entry);
  if (find == kInvalidFind) return Contents::kUnknown;
  Contents contents = Contents::kEmpty;
  do {
    if (entry.name != "." && entry.name != "..") contents = Contents::kNotEmpty;
  } while (contents == Contents::kEmpty && platform.FindNext(find, &entry));
  platform.FindEnd(find);
  return contents;
}

}  // namespace

void DirectoryShredder::Shred() {
  status = kStatusRemovalAttempted;
  const ReparseKind reparse = platform->ReparseKindOf(path.c_str());
  if (reparse == ReparseKind::kUnknown) {
    leftBecause = LeftBecause::kUnknownReparsePoint;
    return;
  }
  // A link or junction goes alone, whatever its target holds (listing it would list the target).
  if (reparse == ReparseKind::kLink) {
    if (!NameLeadsToTheOneCollected()) {
      leftBecause = LeftBecause::kReplaced;
      return;
    }
    RenameRandomly();
    if (!platform->RemoveEmptyDirectory(path.c_str())) leftBecause = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
    return;
  }
  // A directory that still holds something (a file that could not be erased) keeps its name and
  // attributes, so the user finds what is left where it was. Listed before the folder is opened:
  // Wine lists no folder opened for its removal (a sharing violation).
  const Contents contents = ContentsOf(*platform, path);
  if (contents == Contents::kNotEmpty) {
    leftBecause = LeftBecause::kFolderNotEmpty;
    return;
  }
  // The folder is opened once and must be the one collected; it is renamed and removed through
  // that handle, whatever its name leads to meanwhile.
  OpenItem folder(*platform, platform->OpenFolderForRemoval(path.c_str()));
  if (!folder.IsOpen()) {
    leftBecause = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
    return;
  }
  if (!IsTheOneCollected(folder.Handle())) {
    leftBecause = LeftBecause::kReplaced;
    return;
  }
  // Not listable: no random name, only a removal under its own name, which fails if anything
  // is inside.
  const std::string original = path;
  if (contents == Contents::kEmpty) {
    if (heldEntryBytes != 0) MakeCoverFiles(*platform, path + '\\', std::string(), CoverFilesFor(heldEntryBytes));
    CoverOwnName(folder.Handle());
    RenameRandomly(folder.Handle());
  }
  if (platform->DeleteOpen(folder.Handle())) {
    folder.Close();
    // Removed at the close; a folder that gained an entry meanwhile may stay.
    if (platform->AttributesOf(path.c_str()) == kInvalidAttributes) return;
  }
  const LeftBecause refusal = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
  // Something came in between the look and the removal, or the system refused: the directory
  // goes back to its own name rather than stay hidden under a number.
  if (original != path) MoveTo(folder.IsOpen() ? folder.Handle() : kInvalidFile, original);
  folder.Close();
  leftBecause = ContentsOf(*platform, path) == Contents::kNotEmpty ? LeftBecause::kFolderNotEmpty : refusal;
}

}  // namespace varnolt
