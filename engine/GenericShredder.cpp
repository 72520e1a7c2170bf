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

GenericShredder::GenericShredder(Platform& platform, const char* path) : path(path), platform(&platform) {}

void GenericShredder::RenameRandomly() {
  const std::size_t lastBackslash = path.rfind('\\');
  const std::size_t directoryLength = lastBackslash == std::string::npos ? 0 : lastBackslash + 1;

  char digits[16];
  const int digitCount = std::snprintf(digits, sizeof digits, "%u", NextRandom());

  std::string newPath = path.substr(0, directoryLength);
  newPath.append(digits, static_cast<std::size_t>(digitCount));
  if (platform->MovePath(path.c_str(), newPath.c_str())) path.swap(newPath);
}

}  // namespace varnolt
