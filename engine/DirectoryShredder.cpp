#include "engine/DirectoryShredder.h"

#include <cstdio>
#include <cstring>

namespace varnolt {
namespace {

enum class Contents { kEmpty, kNotEmpty, kUnknown };

Contents ContentsOf(Platform& platform, const char* path) {
  char pattern[kMaxPath];
  const std::size_t length = std::strlen(path);
  const char* separator = length > 0 && path[length - 1] == '\\' ? "" : "\\";
  const int patternLength = std::snprintf(pattern, sizeof pattern, "%s%s*", path, separator);
  if (patternLength < 0 || patternLength >= static_cast<int>(kMaxPath)) return Contents::kUnknown;
  FindData entry;
  const FindHandle find = platform.FindFirst(pattern, &entry);
  if (find == kInvalidFind) return Contents::kUnknown;
  Contents contents = Contents::kEmpty;
  do {
    if (std::strcmp(entry.name, ".") != 0 && std::strcmp(entry.name, "..") != 0) contents = Contents::kNotEmpty;
  } while (contents == Contents::kEmpty && platform.FindNext(find, &entry));
  platform.FindEnd(find);
  return contents;
}

}  // namespace

void DirectoryShredder::Shred() {
  status = kStatusRemovalAttempted;
  const ReparseKind reparse = platform->ReparseKindOf(path);
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
      if (!platform->RemoveEmptyDirectory(path)) leftBecause = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
      return;
    }
  }
  char original[kMaxPath];
  std::memcpy(original, path, kMaxPath);
  RenameRandomly();
  if (platform->RemoveEmptyDirectory(path)) return;
  const LeftBecause refusal = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
  // Something came in between the look and the removal, or the system refused: the directory
  // goes back to its own name rather than stay hidden under a number.
  if (std::strcmp(original, path) != 0 && platform->MovePath(path, original)) std::memcpy(path, original, kMaxPath);
  leftBecause = ContentsOf(*platform, path) == Contents::kNotEmpty ? LeftBecause::kFolderNotEmpty : refusal;
}

}  // namespace varnolt
