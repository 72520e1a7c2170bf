#include "engine/DirectoryShredder.h"

#include <string>

#include "engine/IndexSlack.h"

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
  // A directory that still holds something (a file that could not be erased) keeps its name and
  // attributes, so the user finds what is left where it was.
  if (reparse != ReparseKind::kLink) {
    const Contents contents = ContentsOf(*platform, path);
    if (contents == Contents::kNotEmpty) {
      leftBecause = LeftBecause::kFolderNotEmpty;
      return;
    }
    // Not listable: no random name, only a removal under its own name, which fails if anything
    // is inside.
    if (contents == Contents::kUnknown) {
      if (!platform->RemoveEmptyDirectory(path.c_str())) leftBecause = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
      return;
    }
  }
  const std::string original = path;
  if (reparse != ReparseKind::kLink && heldEntryBytes != 0) {
    MakeCoverFiles(*platform, path + '\\', std::string(), CoverFilesFor(heldEntryBytes));
  }
  if (reparse != ReparseKind::kLink) CoverOwnName();
  RenameRandomly();
  if (platform->RemoveEmptyDirectory(path.c_str())) return;
  const LeftBecause refusal = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
  // Something came in between the look and the removal, or the system refused: the directory
  // goes back to its own name rather than stay hidden under a number.
  if (original != path && platform->MovePath(path.c_str(), original.c_str())) path = original;
  leftBecause = ContentsOf(*platform, path) == Contents::kNotEmpty ? LeftBecause::kFolderNotEmpty : refusal;
}

}  // namespace varnolt
