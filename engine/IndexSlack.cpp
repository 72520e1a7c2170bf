#include "engine/IndexSlack.h"

#include <map>

#include "engine/ItemNames.h"
#include "engine/OwnNames.h"
#include "engine/Random.h"

namespace varnolt {
CoverFiles::~CoverFiles() { Close(); }

void CoverFiles::Close() {
  for (const FileHandle file : files) platform.CloseFile(file);
  for (std::size_t i = 0; i < paths.size(); ++i) {
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
  std::map<std::string, std::vector<std::string>> namesOf;  // directory -> chosen names there
  for (const std::string& path : chosen) {
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos || slash + 1 == path.size()) continue;
    namesOf[path.substr(0, slash + 1)].push_back(path.substr(slash + 1));
  }
  std::vector<SlackPlace> places;
  for (const auto& [directory, names] : namesOf) {
    // Drive-letter paths only ("E:\..."): not over the network.
    if (directory.size() < 3 || directory[1] != ':') continue;
    FindData entry;
    const FindHandle find = platform.FindFirst((directory + '*').c_str(), &entry);
    if (find == kInvalidFind) continue;
    std::string before;
    bool inRun = false;
    do {
      if (entry.name == "." || entry.name == "..") continue;
      const std::string* match = nullptr;
      for (const std::string& name : names) {
        if (SameIgnoringAsciiCase(entry.name, name)) match = &name;
      }
      if (match == nullptr) {
        before = entry.name;
        inRun = false;
        continue;
      }
      if (!inRun) places.push_back(SlackPlace{directory, before, {}});
      places.back().paths.push_back(directory + *match);
      inRun = true;
    } while (platform.FindNext(find, &entry));
    platform.FindEnd(find);
  }
  return places;
}

void CoverSlack(Platform& platform, const SlackPlace& place) {
  bool oneIsGone = false;
  for (const std::string& path : place.paths) {
    oneIsGone = oneIsGone || platform.AttributesOf(path.c_str()) == kInvalidAttributes;
  }
  if (!oneIsGone) return;
  MakeCoverFiles(platform, place.directory, place.before, kSlackCoverFiles);
  MakeShortCoverFiles(platform, place.directory, kShortCoverFiles);
}

std::string ShortCoverName() {
  std::string name = "V";
  for (int letter = 0; letter < 7; ++letter) name += static_cast<char>('A' + NextRandom() % 26);
  return name + ".TMP";
}

void MakeShortCoverFiles(Platform& platform, const std::string& directory, int count) {
  CoverFiles cover(platform);
  for (int made = 0; made < count; ++made) {
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
