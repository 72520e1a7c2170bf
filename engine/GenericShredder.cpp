#include "engine/GenericShredder.h"

#include <cstdio>
#include <cstring>

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

GenericShredder::GenericShredder(Platform& platform, const char* path) : platform(&platform) {
  std::strncpy(this->path, path, kMaxPath - 1);
  this->path[kMaxPath - 1] = '\0';
}

void GenericShredder::RenameRandomly() {
  const char* lastBackslash = std::strrchr(path, '\\');
  const std::size_t directoryLength = lastBackslash ? lastBackslash - path + 1 : 0;

  char digits[16];
  const int digitCount = std::snprintf(digits, sizeof digits, "%u", NextRandom());

  // A directory part near the limit leaves no room for the digits: keep the old name rather
  // than cut the new one or write past the field.
  if (directoryLength + digitCount + 1 > kMaxPath) return;

  char newPath[kMaxPath];
  std::memcpy(newPath, path, directoryLength);
  std::memcpy(newPath + directoryLength, digits, digitCount + 1);
  if (platform->MovePath(path, newPath)) std::memcpy(path, newPath, directoryLength + digitCount + 1);
}

}  // namespace varnolt
