// The slack of a directory's index, where NTFS leaves copies of names that are gone. Removing
// an entry moves the entries after it down, and the bytes of the last one stay past the new end
// of its block: each entry removed before it, by this run or long before it (the user deleting
// a neighbour), leaves one more copy of that name. Once the chosen items are gone, empty files
// of long names are made where they stood, enough to fill a whole block, so the entries after
// them move up over all the slack; then they go, leaving only their own random names.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace varnolt {

// Where chosen items stood in a directory's listing: the directory (ending with a backslash)
// and the name listed before them (empty: first of all), and the chosen paths in that place.
struct SlackPlace {
  std::string directory;
  std::string before;
  std::vector<std::string> paths;
};

// The places of `chosen` (full paths of files and directories) in their directories, each run
// of chosen items listed one after another being one place; each directory is listed once.
// Only on NTFS, whose indexes move their entries; directories that cannot be listed have none.
std::vector<SlackPlace> SlackPlacesOf(Platform& platform, const std::vector<std::string>& chosen);

// Covers the slack at `place` when one of its items is gone: kSlackCoverFiles empty files
// named beside `place.before`, made new (never over a file that stands there), all open at
// once, deleted on close. One that cannot be made ends the cover; nothing of it stays.
inline constexpr int kSlackCoverFiles = 8;  // 8 entries of 255 characters: more than a 4 KiB block
void CoverSlack(Platform& platform, const SlackPlace& place);

}  // namespace varnolt
