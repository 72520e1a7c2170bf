#include "engine/DirectoryShredder.h"

namespace varnolt {

void DirectoryShredder::Shred() {
  RenameRandomly();
  // Fails on a directory that still holds something (a file that could not be erased): the
  // directory then stays, so nothing left inside it loses its place. On a link or junction
  // it removes the link, never the target.
  platform->RemoveEmptyDirectory(path);
  status = kStatusRemovalAttempted;
}

}  // namespace varnolt
