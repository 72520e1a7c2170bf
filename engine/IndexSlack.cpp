#include "engine/IndexSlack.h"

#include <map>
#include <unordered_map>
#include <unordered_set>

#include "engine/ItemNames.h"
#include "engine/OwnNames.h"
#include "engine/Random.h"

namespace varnolt {
CoverFiles::~CoverFiles() { Close(); }

namespace {

// The directory part of `path`, its backslash included; empty when there is none.
std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A name as NTFS and FAT match it here (SameIgnoringAsciiCase): ASCII letters in lower case.
std::string MatchKey(const std::string& name) {
  std::string key = name;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

// The names listed in `directory` (ending with a backslash), as match keys; false when it
// cannot be listed.
bool ListedNames(Platform& platform, const std::string& directory, std::unordered_set<std::string>* names) {
  FindData entry;
  const FindHandle find = platform.FindFirst((directory + '*').c_str(), &entry);
  if (find == kInvalidFind) return false;
  do {
    if (entry.name != "." && entry.name != "..") names->insert(MatchKey(entry.name));
  } while (platform.FindNext(find, &entry));
  platform.FindEnd(find);
  return true;
}

}  // namespace

void CoverFiles::Close() {
  for (const FileHandle file : files) platform.CloseFile(file);
  // Which of them outlived their close: for many in one directory, one listing of it says
  // (a lookup of a name that is gone costs as much as a listing under Wine, which scans the
  // directory for it); for a few, a lookup each.
  std::unordered_set<std::string> listed;
  const std::string directory = paths.empty() ? std::string() : DirectoryOf(paths.front());
  bool oneListing = paths.size() >= kListedAtOnce && !directory.empty();
  for (std::size_t i = 0; oneListing && i < paths.size(); ++i) oneListing = paths[i].compare(0, directory.size(), directory) == 0;
  oneListing = oneListing && ListedNames(platform, directory, &listed);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (oneListing && listed.count(MatchKey(paths[i].substr(directory.size()))) == 0) continue;
    if (outlived == nullptr) {
      DeleteIfStillOurs(platform, paths[i], identities[i]);
    } else if (platform.AttributesOf(paths[i].c_str()) != kInvalidAttributes) {
      outlived->push_back(MadeFile{paths[i], identities[i]});
    }
  }
  files.clear();
  paths.clear();
  identities.clear();
}

FailureKind CoverFiles::Make(const std::string& path) {
  const FileHandle file = platform.CreateNewDeleteOnClose(path.c_str());
  if (file == kInvalidFile) return platform.LastFailure() == FailureKind::kNone ? FailureKind::kOther : platform.LastFailure();
  files.push_back(file);
  paths.push_back(path);
  // Read by name, not on the handle held: Wine keeps the Unix descriptor of a handle whose
  // information was read open until after the file is deleted on close, and a FUSE volume then
  // hides the file under a new name, which a full directory (what these files make) refuses.
  identities.emplace_back();
  if (!platform.IdentityOf(path.c_str(), &identities.back())) identities.back() = ItemIdentity{};
  return FailureKind::kNone;
}

std::vector<SlackPlace> SlackPlacesOf(Platform& platform, const std::vector<std::string>& chosen) {
  // directory -> chosen names there (match key -> index in `chosen`)
  std::map<std::string, std::unordered_map<std::string, std::size_t>> namesOf;
  for (std::size_t index = 0; index < chosen.size(); ++index) {
    const std::string& path = chosen[index];
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos || slash + 1 == path.size()) continue;
    namesOf[path.substr(0, slash + 1)].emplace(MatchKey(path.substr(slash + 1)), index);
  }
  std::vector<SlackPlace> places;
  std::string key;
  for (const auto& [directory, names] : namesOf) {
    // Drive-letter paths only ("E:\\..."): not over the network.
    if (directory.size() < 3 || directory[1] != ':') continue;
    FindData entry;
    const FindHandle find = platform.FindFirst((directory + '*').c_str(), &entry);
    if (find == kInvalidFind) continue;
    std::string before;
    bool inRun = false;
    do {
      if (entry.name == "." || entry.name == "..") continue;
      key = MatchKey(entry.name);
      const auto match = names.find(key);
      if (match == names.end()) {
        before = entry.name;
        inRun = false;
        continue;
      }
      if (!inRun) places.push_back(SlackPlace{directory, before, {}});
      places.back().items.push_back(match->second);
      inRun = true;
    } while (platform.FindNext(find, &entry));
    platform.FindEnd(find);
  }
  return places;
}

std::uint64_t FatSlotsOf(const std::string& name) { return 1 + (Utf16Length(name) + 12) / 13; }

void CoverSlack(Platform& platform, std::span<const SlackPlace> places, const std::vector<std::string>& chosen,
                bool fatSlots) {
  std::uint64_t slotsGone = 0;
  for (const SlackPlace& place : places) {
    bool oneIsGone = false;
    for (const std::size_t item : place.items) {
      const std::string& path = chosen[item];
      if (platform.AttributesOf(path.c_str()) != kInvalidAttributes) continue;
      oneIsGone = true;
      slotsGone += FatSlotsOf(path.substr(path.rfind('\\') + 1));
    }
    if (oneIsGone && !fatSlots) MakeCoverFiles(platform, place.directory, place.before, kSlackCoverFiles);
  }
  if (slotsGone != 0) MakeShortCoverFiles(platform, places.front().directory, kShortCoverFiles + slotsGone);
}

std::string ShortCoverName() {
  std::string name = "V";
  for (int letter = 0; letter < 7; ++letter) name += static_cast<char>('A' + NextRandom() % 26);
  return name + ".TMP";
}

void MakeShortCoverFiles(Platform& platform, const std::string& directory, std::uint64_t count) {
  CoverFiles cover(platform);
  for (std::uint64_t made = 0; made < count; ++made) {
    const FailureKind failure = cover.Make(directory + ShortCoverName());
    if (failure == FailureKind::kAccessDenied || failure == FailureKind::kDiskFull) break;
    // Otherwise made, or the name is taken: another one.
  }
}

std::uint64_t IndexEntryBytes(const std::string& name) { return 82 + 2 * Utf16Length(name); }

std::uint64_t CoverFilesFor(std::uint64_t heldEntryBytes) {
  return kSlackCoverFiles + (2 * heldEntryBytes + kCoverEntryBytes - 1) / kCoverEntryBytes;
}

void MakeCoverFiles(Platform& platform, const std::string& directory, const std::string& before, std::uint64_t count) {
  static const std::string kLongest(255, 'x');
  CoverFiles cover(platform);
  for (std::uint64_t made = 0; made < count; ++made) {
    if (cover.Make(directory + NameBeside(before, kLongest)) != FailureKind::kNone) break;
  }
}

}  // namespace varnolt
