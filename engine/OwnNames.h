// The names a cleaning gives what it makes in a drive's root, and how a later cleaning tells
// what an interrupted one left from what merely bears such a name (a user's file, a fill file a
// power cut left, an older version's folder): only the first is ever removed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace varnolt {

// The fill files: "VARNOLT.TMP" for number 0, then "VARNOLT1.TMP", "VARNOLT2.TMP"...
std::string FillFileName(std::uint32_t number);

// A folder of ours: "VARNOLT-", 32 hexadecimal digits, then `suffix` (".REC", ".FILL"). The
// first 16 digits are random, the last 16 a keyed hash of them and of the suffix, which a name
// given by anyone else has by a chance of one in 2^64. The mark is in the name from the
// folder's first instant: whatever moment a run is killed at, what it left is known for ours.
std::string MarkedFolderName(const char* suffix);
bool IsMarkedFolderName(const std::string& name);

// A name a cleaning uses in a root, marked or not ("VARNOLT.TMP", "VARNOLT7.TMP", "VARNOLT.REC",
// "VARNOLT.FILL", "VARNOLT-....REC"), in any case.
bool IsNameOfOurs(const std::string& name);

// What stands in a root under a name of ours and is left as it is: its path and the bytes of
// the files it holds.
struct Leftover {
  std::string path;
  std::uint64_t bytes = 0;
};

// Looks through `root` ("E:\") for what earlier cleanings left. A marked folder goes with what
// it holds (files and folders, deleted through their handles); one holding anything else (a
// link) or that cannot be emptied is told. Anything else under a name of ours stays and is told.
std::vector<Leftover> ClearLeftovers(Platform& platform, const std::string& root);

// A file of ours: where it was made, and what it was (read on its handle when made).
struct MadeFile {
  std::string path;
  ItemIdentity identity;
};

// A file of ours made at `path` and closed: if it outlived its close (a FUSE volume renames a
// file deleted while open, which a full folder refuses) and the name still leads to it (its
// `identity`, read on its handle at creation), it is reopened and deleted through that handle.
// Never by name alone.
void DeleteIfStillOurs(Platform& platform, const std::string& path, const ItemIdentity& identity);

// A folder of ours made at `path` (its `identity` read when made): removed through a handle
// when it is empty and still the one made; true when it is gone.
bool RemoveOurFolder(Platform& platform, const std::string& path, const ItemIdentity& identity);

}  // namespace varnolt
