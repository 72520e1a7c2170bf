// What an overwrite through the file system may not reach among a run's items, as far as the
// system tells: each kind met is told to the user before anything is erased, since only there
// can it change the choice.
#pragma once

namespace varnolt {

struct OverwriteLimits {
  // Files or folders on solid-state or flash storage, whose cells a sweep never reaches.
  bool itemsOnFlash = false;
  // A drive's free space on such storage: swept once, with random data.
  bool freeSpaceOnFlash = false;
  // The system keeps shadow copies (restore points, previous versions), which may hold the
  // files as they were, or the deleted ones of a cleaned drive; a full drive may lose them.
  bool itemsUnderShadowCopies = false;
  bool freeSpaceUnderShadowCopies = false;
  // Files an online service keeps, whose copy, versions and recycle bin there stay.
  bool keptOnline = false;
  // Among them, files whose data is not on this PC: never opened (that would download them).
  bool dataNotHere = false;
  // Files compressed, encrypted, deduplicated or on ReFS: a sweep lands in other clusters.
  bool storedAside = false;
};

}  // namespace varnolt
