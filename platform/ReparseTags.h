// Which reparse points are links, which are ordinary items with their data in place, and which
// are of a kind not known.
//
// A reparse point either stands for another name (symbolic links, junctions, mount points:
// following it leads outside what was chosen; their tags carry the name-surrogate bit) or keeps
// the item's own data here, handled by a filter (cloud files such as OneDrive's, deduplicated
// files, system-compressed files, files of a storage tier). The second kind is erased like any
// other item; leaving it unwritten would leave its contents readable. Any other tag belongs to
// a filter whose behaviour is not known (projected file systems, sync services, container
// layers): opening or removing such an item may reach data elsewhere, so it is left alone.
#pragma once

#include <cstdint>

namespace varnolt {

enum class ReparseKind : std::uint8_t { kNone, kLink, kKeepsData, kUnknown };

inline constexpr std::uint32_t kNameSurrogateBit = 0x20000000;

// A file an online service keeps (OneDrive and the other clients of the cloud filter):
// IO_REPARSE_TAG_CLOUD and its sixteen variants differ only in bits 12..15.
inline constexpr bool IsCloudTag(std::uint32_t reparseTag) {
  constexpr std::uint32_t kCloud = 0x9000001A, kCloudVariantBits = 0x0000F000;
  return (reparseTag & ~kCloudVariantBits) == kCloud;
}

// Data kept here, but not where a sweep through the file lands: deduplicated chunks shared in a
// store, files compressed by the system (WOF, CompactOS), files a storage manager moved away.
inline constexpr bool KeepsDataAside(std::uint32_t reparseTag) {
  constexpr std::uint32_t kHsm = 0xC0000004, kHsm2 = 0x80000006, kSis = 0x80000007,
                          kDedup = 0x80000013, kWof = 0x80000017;
  return reparseTag == kHsm || reparseTag == kHsm2 || reparseTag == kSis || reparseTag == kDedup || reparseTag == kWof;
}

inline constexpr bool KeepsItsOwnData(std::uint32_t reparseTag) {
  return KeepsDataAside(reparseTag) || IsCloudTag(reparseTag);
}

// The kind of a reparse point from its tag.
inline constexpr ReparseKind KindOfReparseTag(std::uint32_t reparseTag) {
  if (reparseTag & kNameSurrogateBit) return ReparseKind::kLink;
  return KeepsItsOwnData(reparseTag) ? ReparseKind::kKeepsData : ReparseKind::kUnknown;
}

}  // namespace varnolt
