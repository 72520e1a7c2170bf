// Which reparse points are links and which are ordinary items with their data in place.
//
// A reparse point either stands for another name (symbolic links, junctions, mount points:
// following it leads outside what was chosen) or keeps the item's own data here, handled by a
// filter (cloud files such as OneDrive's, deduplicated files, system-compressed files, files of
// a storage tier). The second kind is erased like any other item; leaving it unwritten would
// leave its contents readable. Only the tags known to keep their data count as ordinary: a tag
// that is not known, or none at all, is taken for a link, which is removed and never followed.
#pragma once

#include <cstdint>

namespace varnolt {

inline constexpr bool KeepsItsOwnData(std::uint32_t reparseTag) {
  constexpr std::uint32_t kHsm = 0xC0000004, kHsm2 = 0x80000006, kSis = 0x80000007,
                          kDedup = 0x80000013, kWof = 0x80000017;
  // IO_REPARSE_TAG_CLOUD and its sixteen variants differ only in bits 12..15.
  constexpr std::uint32_t kCloud = 0x9000001A, kCloudVariantBits = 0x0000F000;
  return reparseTag == kHsm || reparseTag == kHsm2 || reparseTag == kSis ||
         reparseTag == kDedup || reparseTag == kWof || (reparseTag & ~kCloudVariantBits) == kCloud;
}

}  // namespace varnolt
