#include "engine/OwnNames.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/ItemNames.h"
#include "engine/Random.h"
#include "platform/OpenItem.h"

namespace varnolt {
namespace {

constexpr char kPrefix[] = "VARNOLT-";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr std::size_t kDigits = 32;

// A hash of `text` under a key of ours (FNV-1a, then a 64-bit finaliser): not a secret, only
// a pattern no name falls into by chance.
std::uint64_t KeyedHash(const std::string& text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (const char c : std::string("varnolt/own/1:") + text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ull;
  }
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdull;
  hash ^= hash >> 33;
  return hash;
}

std::string Hex(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool EndsWith(const std::string& text, const char* end) {
  const std::size_t length = std::strlen(end);
  return text.size() >= length && text.compare(text.size() - length, length, end) == 0;
}

// The entries of `folder` (ending with a backslash), "." and ".." left out; false when it
// cannot be listed.
bool ListFolder(Platform& platform, const std::string& folder, std::vector<FindData>& entries) {
  entries.clear();
  FindData entry;
  const FindHandle find = platform.FindFirst((folder + '*').c_str(), &entry);
  if (find == kInvalidFind) return false;
  do {
    if (entry.name != "." && entry.name != "..") entries.push_back(entry);
  } while (platform.FindNext(find, &entry));
  platform.FindEnd(find);
  return true;
}

// The bytes of the files `entry` (listed at `path`) holds: its own size for a file, as its
// listing gave it; those below it for a folder (links not followed).
std::uint64_t BytesIn(Platform& platform, const std::string& path, const FindData& entry, int depth) {
  if (!(entry.attributes & kAttrDirectory)) return entry.size;
  std::vector<FindData> entries;
  if ((entry.attributes & kAttrReparsePoint) || depth > 8 || !ListFolder(platform, path + '\\', entries)) return 0;
  std::uint64_t bytes = 0;
  for (const FindData& child : entries) bytes += BytesIn(platform, path + '\\' + child.name, child, depth + 1);
  return bytes;
}

// Everything in a folder of ours, then the folder: files and folders only, each through its
// own handle. False at the first thing that is neither, or that does not go.
bool EmptyAndRemove(Platform& platform, const std::string& folder, int depth) {
  std::vector<FindData> entries;
  if (depth > 8 || !ListFolder(platform, folder + '\\', entries)) return false;
  for (const FindData& entry : entries) {
    const std::string child = folder + '\\' + entry.name;
    if ((entry.attributes & kAttrReparsePoint) || platform.ReparseKindOf(child.c_str()) != ReparseKind::kNone) return false;
    if (entry.attributes & kAttrDirectory) {
      if (!EmptyAndRemove(platform, child, depth + 1)) return false;
      continue;
    }
    OpenItem file(platform, platform.OpenFileForErasure(child.c_str()));
    if (!file.IsOpen() || !platform.DeleteOpen(file.Handle())) return false;
  }
  ItemIdentity identity;
  return platform.IdentityOf(folder.c_str(), &identity) && RemoveOurFolder(platform, folder, identity);
}

}  // namespace

std::string FillFileName(std::uint32_t number) {
  return number == 0 ? "VARNOLT.TMP" : "VARNOLT" + std::to_string(number) + ".TMP";
}

std::string MarkedFolderName(const char* suffix) {
  const std::uint64_t random = static_cast<std::uint64_t>(NextRandom()) << 33 ^
                               static_cast<std::uint64_t>(NextRandom()) << 2 ^ NextRandom();
  const std::string head = Hex(random);
  return kPrefix + head + Hex(KeyedHash(head + Upper(suffix))) + suffix;
}

bool IsMarkedFolderName(const std::string& name) {
  const std::string upper = Upper(name);
  if (upper.size() < kPrefixLength + kDigits || upper.compare(0, kPrefixLength, kPrefix) != 0) return false;
  const std::string suffix = upper.substr(kPrefixLength + kDigits);
  if (suffix != ".REC" && suffix != ".FILL") return false;
  const std::string head = name.substr(kPrefixLength, 16);
  const std::string check = name.substr(kPrefixLength + 16, 16);
  for (const char c : head + check) {
    if (!std::isxdigit(static_cast<unsigned char>(c)) || std::isupper(static_cast<unsigned char>(c))) return false;
  }
  return Hex(KeyedHash(head + suffix)) == check;
}

bool IsNameOfOurs(const std::string& name) {
  const std::string upper = Upper(name);
  if (upper == "VARNOLT.REC" || upper == "VARNOLT.FILL") return true;
  if (upper.compare(0, kPrefixLength, kPrefix) == 0 && (EndsWith(upper, ".REC") || EndsWith(upper, ".FILL"))) return true;
  if (upper.compare(0, 7, "VARNOLT") != 0 || !EndsWith(upper, ".TMP")) return false;
  const std::string number = upper.substr(7, upper.size() - 11);
  for (const char c : number) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::vector<Leftover> ClearLeftovers(Platform& platform, const std::string& root) {
  std::vector<Leftover> left;
  std::vector<FindData> entries;
  if (!ListFolder(platform, root, entries)) return left;
  for (const FindData& entry : entries) {
    if (!IsNameOfOurs(entry.name)) continue;
    const std::string path = root + entry.name;
    const bool ours = (entry.attributes & kAttrDirectory) && !(entry.attributes & kAttrReparsePoint) &&
                      IsMarkedFolderName(entry.name);
    if (ours && EmptyAndRemove(platform, path, 0)) continue;
    left.push_back(Leftover{path, BytesIn(platform, path, entry, 0)});
  }
  return left;
}

void DeleteIfStillOurs(Platform& platform, const std::string& path, const ItemIdentity& identity) {
  if (platform.AttributesOf(path.c_str()) == kInvalidAttributes || !identity.Known()) return;
  OpenItem file(platform, platform.OpenFileForErasure(path.c_str()));
  ItemIdentity opened;
  if (file.IsOpen() && platform.OpenIdentity(file.Handle(), &opened) && opened == identity) {
    platform.DeleteOpen(file.Handle());
  }
}

bool RemoveOurFolder(Platform& platform, const std::string& path, const ItemIdentity& identity) {
  OpenItem folder(platform, platform.OpenFolderForRemoval(path.c_str()));
  ItemIdentity opened;
  if (!folder.IsOpen() || !platform.OpenIdentity(folder.Handle(), &opened) || opened != identity ||
      !platform.DeleteOpen(folder.Handle())) {
    return false;
  }
  folder.Close();
  return platform.AttributesOf(path.c_str()) == kInvalidAttributes;
}

}  // namespace varnolt
