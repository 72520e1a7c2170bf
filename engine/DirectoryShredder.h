// Removes one directory once its contents are gone: a random decimal name, then removal. It
// looks at nothing inside the directory; the manager has collected and erased that already.
#pragma once

#include "engine/GenericShredder.h"

namespace varnolt {

class DirectoryShredder : public GenericShredder {
 public:
  static constexpr std::uint8_t kStatusRemovalAttempted = 2;

  // `path`: full path of a directory, or of a directory link or junction (only the link goes).
  using GenericShredder::GenericShredder;

  // Renames and removes the directory only when it is empty at that moment; otherwise, or when
  // the removal fails, it keeps its own name and attributes. Failures are silent. Never touches
  // what is inside.
  void Shred() override;

  // What the entries the directory held took in its index (IndexEntryBytes summed), for the
  // cover files it gets once empty (IndexSlack.h), which push over the names left there.
  void SetHeldEntryBytes(std::uint64_t bytes) { heldEntryBytes = bytes; }

 private:
  std::uint64_t heldEntryBytes = 0;
};

}  // namespace varnolt
