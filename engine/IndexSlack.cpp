#include "engine/IndexSlack.h"

#include <map>

#include "engine/ItemNames.h"

namespace varnolt {

std::vector<SlackPlace> SlackPlacesOf(Platform& platform, const std::vector<std::string>& chosen) {
  std::map<std::string, std::vector<std::string>> namesOf;  // directory -> chosen names there
  for (const std::string& path : chosen) {
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos || slash + 1 == path.size()) continue;
    namesOf[path.substr(0, slash + 1)].push_back(path.substr(slash + 1));
  }
  std::vector<SlackPlace> places;
  for (const auto& [directory, names] : namesOf) {
    // Drive-letter paths only ("E:\..."): the volume is asked by its root.
    std::string system;
    if (directory.size() < 3 || directory[1] != ':' ||
        !platform.VolumeFileSystem(directory.substr(0, 3).c_str(), system) || system != "NTFS") {
      continue;
    }
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
  static const std::string kLongest(255, 'x');
  std::vector<FileHandle> files;
  for (int made = 0; made < kSlackCoverFiles; ++made) {
    const std::string path = place.directory + NameBeside(place.before, kLongest);
    // Made new only: a name taken already (however unlikely) is never opened nor emptied.
    const FileHandle file = platform.CreateNewDeleteOnClose(path.c_str());
    if (file == kInvalidFile) break;
    files.push_back(file);
  }
  for (const FileHandle file : files) platform.CloseFile(file);
}

}  // namespace varnolt
