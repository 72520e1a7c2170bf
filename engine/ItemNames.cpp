#include "engine/ItemNames.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "engine/Random.h"

namespace varnolt {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0 && static_cast<unsigned char>(c) < 0x80; }

// The part after the last separator, separators at the end left out.
std::string LastComponent(const char* path) {
  std::size_t end = std::strlen(path);
  while (end > 0 && IsSeparator(path[end - 1])) --end;
  std::size_t start = end;
  while (start > 0 && !IsSeparator(path[start - 1])) --start;
  return std::string(path + start, end - start);
}

}  // namespace

bool DriveRootOf(const char* name, char (&root)[4]) {
  const std::size_t length = std::strlen(name);
  const bool letterAlone = length == 1;
  const bool rootSpelled = (length == 2 || (length == 3 && IsSeparator(name[2]))) && IsDriveLetter(name[0]) &&
                           name[1] == ':';
  if (!letterAlone && !rootSpelled) return false;
  root[0] = name[0];
  root[1] = ':';
  root[2] = '\\';
  root[3] = '\0';
  return true;
}

bool KeepsItsName(Platform& platform, const char* name) {
  std::string full;
  if (!platform.ResolveFullPath(name, full) || full.empty()) return false;

  // Every component as typed: one ending in a dot or a space loses it on the way to the file
  // system, wherever it stands, and then names another item.
  const char* text = name;
  if (IsDriveLetter(text[0]) && text[1] == ':') text += 2;
  std::string component;
  for (const char* at = text;; ++at) {
    if (*at == '\0' || IsSeparator(*at)) {
      if (!component.empty() && component != "." && component != ".." &&
          (component.back() == '.' || component.back() == ' ')) {
        return false;
      }
      component.clear();
      if (*at == '\0') break;
    } else {
      component += *at;
    }
  }

  // The item itself must come out under its own name, byte for byte.
  const std::string typed = LastComponent(text);
  if (typed.empty() || typed == "." || typed == "..") return true;
  return LastComponent(full.c_str()) == typed;
}

bool IsLocalDrive(Platform& platform, const char* root) {
  const std::uint32_t type = platform.DriveTypeOf(root);
  return (type == kDriveFixed || type == kDriveRemovable) && !platform.IsSubstitutedDrive(root);
}

namespace {

// "\\?\", "\\.\", "//?/" and their mixtures: a device path follows.
bool HasDevicePrefix(const char* name) {
  return IsSeparator(name[0]) && IsSeparator(name[1]) && (name[2] == '?' || name[2] == '.') && IsSeparator(name[3]);
}

// "\??\": the system's own namespace, which CreateFileW hands on as it stands.
bool HasNtPrefix(const char* name) {
  return IsSeparator(name[0]) && name[1] == '?' && name[2] == '?' && IsSeparator(name[3]);
}

bool IsUncPath(const char* name) {
  return IsSeparator(name[0]) && IsSeparator(name[1]) && name[2] != '\0' && !IsSeparator(name[2]) && !HasDevicePrefix(name);
}

// The components of `text`, split at either separator; an empty one where two meet, none for
// a separator at the end.
std::vector<std::string> ComponentsOf(const char* text) {
  std::vector<std::string> components(1);
  for (const char* at = text; *at != '\0'; ++at) {
    if (IsSeparator(*at)) {
      components.emplace_back();
    } else {
      components.back() += *at;
    }
  }
  if (components.back().empty()) components.pop_back();
  return components;
}

bool HasDotOrEmptyComponent(const std::vector<std::string>& components, std::size_t from) {
  for (std::size_t i = from; i < components.size(); ++i) {
    if (components[i].empty() || components[i] == "." || components[i] == "..") return true;
  }
  return false;
}

}  // namespace

ChosenRoot ChosenRootOf(Platform& platform, const char* name, char (&root)[4]) {
  if (DriveRootOf(name, root)) return ChosenRoot::kDrive;
  if (HasNtPrefix(name)) return ChosenRoot::kRefused;
  const bool device = HasDevicePrefix(name);
  const char* unc = IsUncPath(name) ? name + 2 : nullptr;
  if (device) {
    const char* rest = name + 4;
    if (std::strlen(rest) >= 2 && DriveRootOf(rest, root)) return ChosenRoot::kDrive;
    const std::vector<std::string> components = ComponentsOf(rest);
    if (SameIgnoringAsciiCase(components.front(), "UNC") && components.size() > 1) {
      unc = rest + 4;
    } else if (components.front().size() != 2 || !IsDriveLetter(components.front()[0]) || components.front()[1] != ':' ||
               HasDotOrEmptyComponent(components, 1)) {
      // A volume's GUID path, GLOBALROOT, a device; or a path the systems read apart.
      return ChosenRoot::kRefused;
    }
  }
  // A share: its root, or a path that "." and ".." could bring back to it, is refused.
  if (unc != nullptr) {
    const std::vector<std::string> components = ComponentsOf(unc);
    if (components.size() < 3 || HasDotOrEmptyComponent(components, 0)) return ChosenRoot::kRefused;
  }

  std::string full;
  if (!platform.ResolveFullPath(name, full)) return ChosenRoot::kNone;
  if (full.size() == 3 && IsDriveLetter(full[0]) && full[1] == ':' && full[2] == '\\' && KeepsItsName(platform, name)) {
    std::memcpy(root, full.c_str(), 4);
    return ChosenRoot::kDrive;
  }
  // What a device or share spelling opens is asked last: a volume's root there is no folder.
  // (Under a drive letter a link to a root is a link, removed as one.)
  if ((device || unc != nullptr) && platform.OpensAVolumeRoot(name) == Answer::kYes) return ChosenRoot::kRefused;
  return ChosenRoot::kNone;
}

namespace {

constexpr std::size_t kLongestName = 255;  // UTF-16 units, NTFS and FAT alike

}  // namespace

std::size_t Utf16Length(const std::string& name) {
  std::size_t units = 0;
  for (unsigned char c : name) {
    if ((c & 0xC0) != 0x80) ++units;  // a character starts here
    if (c >= 0xF0) ++units;           // a surrogate pair
  }
  return units;
}

bool SameIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

std::string NameBeside(const std::string& before, const std::string& own) {
  // After `before` with a '~', which collates above the letters, digits and most punctuation.
  std::string name = before.empty() || Utf16Length(before) + 2 > kLongestName ? "!" : before + '~';
  std::size_t length = Utf16Length(name);
  const std::size_t wanted = std::max<std::size_t>(std::min(Utf16Length(own), kLongestName), length + 1);
  for (; length < wanted; ++length) name += static_cast<char>('a' + NextRandom() % 26);
  return name;
}

std::string EntryListedBefore(Platform& platform, const std::string& directory, const std::string& name) {
  std::string pattern = directory;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  FindData entry;
  const FindHandle find = platform.FindFirst(pattern.c_str(), &entry);
  if (find == kInvalidFind) return {};
  std::string previous;
  bool found = false;
  do {
    if (entry.name == "." || entry.name == "..") continue;
    if (entry.name == name || SameIgnoringAsciiCase(entry.name, name)) {
      found = true;
      break;
    }
    previous = entry.name;
  } while (platform.FindNext(find, &entry));
  platform.FindEnd(find);
  return found ? previous : std::string();
}

}  // namespace varnolt
