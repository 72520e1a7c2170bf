#include "engine/GenericShredder.h"

#include <cstdio>
#include <cstring>

#include "engine/ItemNames.h"
#include "engine/Random.h"

namespace varnolt {

LeftBecause LeftFor(FailureKind failure, LeftBecause otherwise) {
  switch (failure) {
    case FailureKind::kInUse: return LeftBecause::kInUse;
    case FailureKind::kAccessDenied: return LeftBecause::kAccessDenied;
    case FailureKind::kGone: return LeftBecause::kGone;
    case FailureKind::kDiskFull: return LeftBecause::kDiskFull;
    case FailureKind::kDiskError: return LeftBecause::kWriteFailed;
    case FailureKind::kNameNotSupported: return LeftBecause::kNameNotSupported;
    case FailureKind::kNone:
    case FailureKind::kOther: break;
  }
  return otherwise;
}

GenericShredder::GenericShredder(Platform& platform, const char* path) : path(path), platform(&platform) {}

bool GenericShredder::MoveTo(FileHandle item, const std::string& newPath) {
  const bool moved = item != kInvalidFile ? platform->RenameOpen(item, newPath.c_str())
                                          : platform->MovePath(path.c_str(), newPath.c_str());
  if (moved) path = newPath;
  return moved;
}

bool GenericShredder::IsTheOneCollected(FileHandle item) {
  if (!identity.Known()) return true;
  ItemIdentity opened;
  return platform->OpenIdentity(item, &opened) && opened == identity;
}

bool GenericShredder::NameLeadsToTheOneCollected() {
  if (!identity.Known()) return true;
  ItemIdentity now;
  return platform->IdentityOf(path.c_str(), &now) && now == identity;
}

void GenericShredder::CoverOwnName(FileHandle item) {
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return;
  const std::string directory = path.substr(0, slash + 1);
  const std::string own = path.substr(slash + 1);
  const std::string before = nameBefore != nullptr ? *nameBefore : EntryListedBefore(*platform, directory, own);
  // A move that fails (the name taken, the item held) leaves the item where it was; the next
  // one works from there.
  for (int move = 0; move < 2; ++move) MoveTo(item, directory + NameBeside(before, own));
}

void GenericShredder::RenameRandomly(FileHandle item) {
  const std::size_t lastBackslash = path.rfind('\\');
  const std::size_t directoryLength = lastBackslash == std::string::npos ? 0 : lastBackslash + 1;

  char digits[16];
  const int digitCount = std::snprintf(digits, sizeof digits, "%u", NextRandom());

  std::string newPath = path.substr(0, directoryLength);
  newPath.append(digits, static_cast<std::size_t>(digitCount));
  MoveTo(item, newPath);
}

}  // namespace varnolt
