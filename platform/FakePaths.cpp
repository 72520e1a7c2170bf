#include "platform/FakePaths.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "common/WideText.h"
#include "platform/FakePlatform.h"

namespace varnolt {
namespace fake {

// One UTF-16 unit at a time, as Windows compares names: "\u0141\u00D3D\u0179" names the same
// file as "\u0142\u00F3d\u017A", "\u00DF" stays itself (never "SS"), and a character outside
// the BMP (a surrogate pair) is kept as it is. The bytes are walked in place: a BMP character
// is one to three bytes, re-encoded after mapping (its capital may be longer or shorter); any
// other byte is copied.
std::string Upper(std::string text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) {
    text[i] = static_cast<char>(UpcaseUnit(static_cast<unsigned char>(text[i])));
    ++i;
  }
  if (i == text.size()) return text;  // ASCII, as nearly every path is
  std::string upper = text.substr(0, i);
  upper.reserve(text.size());
  while (i < text.size()) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const auto follows = [&](std::size_t at) { return at < text.size() && (byte(at) & 0xC0) == 0x80; };
    unsigned unit = byte(i);
    std::size_t length = 1;
    if (unit < 0x80) {
      upper += static_cast<char>(UpcaseUnit(static_cast<char16_t>(unit)));
      ++i;
      continue;
    }
    if ((byte(i) & 0xE0) == 0xC0 && follows(i + 1)) {
      unit = (byte(i) & 0x1Fu) << 6 | (byte(i + 1) & 0x3Fu);
      length = 2;
    } else if ((byte(i) & 0xF0) == 0xE0 && follows(i + 1) && follows(i + 2)) {
      unit = (byte(i) & 0x0Fu) << 12 | (byte(i + 1) & 0x3Fu) << 6 | (byte(i + 2) & 0x3Fu);
      length = 3;
    }
    if (length == 1 || (length == 2 && unit < 0x80) || (length == 3 && unit < 0x800)) {
      upper += text[i++];  // a four-byte character, a byte of no character, an overlong form
      continue;
    }
    const unsigned mapped = UpcaseUnit(static_cast<char16_t>(unit));
    if (mapped == unit) {
      upper.append(text, i, length);
    } else if (mapped < 0x80) {
      upper += static_cast<char>(mapped);
    } else if (mapped < 0x800) {
      upper += static_cast<char>(0xC0 | mapped >> 6);
      upper += static_cast<char>(0x80 | (mapped & 0x3F));
    } else {
      upper += static_cast<char>(0xE0 | mapped >> 12);
      upper += static_cast<char>(0x80 | (mapped >> 6 & 0x3F));
      upper += static_cast<char>(0x80 | (mapped & 0x3F));
    }
    i += length;
  }
  return upper;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

}  // namespace fake

using fake::HasDrive;
using fake::IsSeparator;
using fake::Upper;

namespace {

// "\\?\", "\\.\", "//?/" and the like: a device path follows.
bool HasDevicePrefix(const std::string& path) {
  return path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == '?' || path[2] == '.') &&
         IsSeparator(path[3]);
}

bool IsUncPath(const std::string& path) {
  return path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]) && !HasDevicePrefix(path);
}

// The components of `text` from `from` on, "." and ".." folded (".." never above the start), the
// last one without its trailing dots and spaces, as Windows normalises a path.
std::vector<std::string> FoldedComponents(const std::string& text, std::size_t from) {
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = from; i <= text.size(); ++i) {
    if (i == text.size() || IsSeparator(text[i])) {
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += text[i];
    }
  }
  if (!parts.empty() && !text.empty() && !IsSeparator(text.back())) {
    std::string& last = parts.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty()) parts.pop_back();
  }
  return parts;
}

std::string Joined(std::string head, const std::vector<std::string>& parts) {
  for (std::size_t i = 0; i < parts.size(); ++i) head += (i ? "\\" : "") + parts[i];
  return head;
}

}  // namespace

// --- Paths -----------------------------------------------------------------------------------

std::string FakePlatform::VolumeGuidPath(char letter) {
  static constexpr char kHex[] = "0123456789abcdef";
  const unsigned char code = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(letter)));
  return std::string("\\\\?\\Volume{5c1e0d7a-0000-4000-8000-0000000000") + kHex[code >> 4] + kHex[code & 15] + "}\\";
}

std::string FakePlatform::DrivePathOf(const std::string& full) const {
  std::string rest;
  if (HasDevicePrefix(full)) {
    rest = full.substr(4);
    if (HasDrive(rest)) return rest.size() == 2 ? rest + '\\' : rest;
    if (Upper(rest.substr(0, 4)) == "UNC\\") return DrivePathOf("\\\\" + rest.substr(4));
    for (const auto& [letter, volume] : volumes) {
      const std::string guid = VolumeGuidPath(letter).substr(4);
      const std::string device = "GLOBALROOT\\DEVICE\\HARDDISKVOLUME" + std::to_string(letter - 'A' + 1) + "\\";
      for (const std::string& name : {guid, device}) {
        const std::string head = Upper(name.substr(0, name.size() - 1));
        if (Upper(rest.substr(0, head.size())) == head && (rest.size() == head.size() || IsSeparator(rest[head.size()]))) {
          return std::string(1, letter) + ":\\" + rest.substr(std::min(rest.size(), head.size() + 1));
        }
      }
    }
    return full;
  }
  // An administrative share of this machine: "\\localhost\E$\..." is E:'s root.
  if (IsUncPath(full)) {
    const std::size_t shareAt = full.find('\\', 2);
    if (shareAt == std::string::npos) return full;
    const std::string host = Upper(full.substr(2, shareAt - 2));
    const std::size_t shareEnd = std::min(full.find('\\', shareAt + 1), full.size());
    const std::string share = full.substr(shareAt + 1, shareEnd - shareAt - 1);
    if ((host == "LOCALHOST" || host == "127.0.0.1") && share.size() == 2 && share[1] == '$' &&
        volumes.count(static_cast<char>(std::toupper(static_cast<unsigned char>(share[0]))))) {
      return std::string(1, share[0]) + ":\\" + full.substr(std::min(full.size(), shareEnd + 1));
    }
  }
  return full;
}

std::string FakePlatform::FullPath(const std::string& name) const {
  // Device paths as Windows reads them: exactly "\\?\" is taken as it stands, "." and ".."
  // included (which then name nothing); another prefix ("\\.\", "//?/") is written with
  // backslashes and what follows it is normalised.
  if (HasDevicePrefix(name)) {
    if (name.compare(0, 4, "\\\\?\\") == 0) return name;
    const std::string prefix = std::string("\\\\") + name[2] + '\\';
    const std::string rest = name.substr(4);
    if (HasDrive(rest)) return prefix + FullPath(rest);
    return Joined(prefix, FoldedComponents(rest, 0)) + (IsSeparator(name.back()) ? "\\" : "");
  }
  // A share: "\\host\share" stays, what follows is normalised below it (".." never leaves it).
  if (IsUncPath(name)) {
    std::size_t shareEnd = name.size();
    for (std::size_t i = 2, separators = 0; i < name.size(); ++i) {
      if (IsSeparator(name[i]) && ++separators == 2) {
        shareEnd = i;
        break;
      }
    }
    std::string full = "\\\\" + name.substr(2, shareEnd - 2);
    std::replace(full.begin(), full.end(), '/', '\\');
    const std::vector<std::string> parts = FoldedComponents(name, shareEnd);
    if (!parts.empty()) full = Joined(full + '\\', parts);
    return IsSeparator(name.back()) ? full + '\\' : full;
  }
  std::string combined;
  if (HasDrive(name) && name.size() >= 3 && IsSeparator(name[2])) {
    combined = name;
  } else if (HasDrive(name)) {
    // "X:rest": relative to the current directory of drive X, which is its root unless X is
    // the drive of the working directory.
    const bool sameDrive = std::toupper(static_cast<unsigned char>(name[0])) ==
                           std::toupper(static_cast<unsigned char>(workingDirectory[0]));
    combined = (sameDrive ? workingDirectory : std::string(1, name[0]) + ":\\") + "\\" + name.substr(2);
  } else if (!name.empty() && IsSeparator(name[0])) {
    combined = workingDirectory.substr(0, 2) + name;
  } else {
    combined = workingDirectory + "\\" + name;
  }

  // As on Windows, the last component loses its trailing dots and spaces ("x. " is "x").
  const std::vector<std::string> parts = FoldedComponents(combined, 3);
  std::string full = Joined(std::string(1, static_cast<char>(std::toupper(combined[0]))) + ":\\", parts);
  if (!parts.empty() && !name.empty() && IsSeparator(name.back())) full += '\\';
  return full;
}

std::string FakePlatform::Key(const std::string& name, bool followLast) const {
  std::string key = Upper(DrivePathOf(FullPath(name)));
  if (key.size() > 3 && key.back() == '\\') key.pop_back();
  return Follow(key, followLast, 0);
}

std::string FakePlatform::Follow(const std::string& key, bool followLast, int depth) const {
  if (depth > 31 || key.size() <= 3) return key;  // a loop of links ends somewhere, as on NTFS
  std::string resolved = key.substr(0, 3);
  std::size_t start = 3;
  while (start < key.size()) {
    std::size_t end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    if (resolved.size() > 3) resolved += '\\';
    resolved += key.substr(start, end - start);
    const Node* node = Find(resolved);
    if (node && !node->linkTarget.empty() && (end < key.size() || followLast)) {
      resolved = Follow(node->linkTarget, true, depth + 1);
    }
    start = end + 1;
  }
  return resolved;
}

std::string FakePlatform::ParentKey(const std::string& key) {
  if (key.size() <= 3) return key;
  const std::size_t slash = key.find_last_of('\\');
  return slash <= 2 ? key.substr(0, 3) : key.substr(0, slash);
}

bool FakePlatform::ResolveFullPath(const char* name, std::string& full) {
  full.clear();
  if (name == nullptr || name[0] == '\0') return false;
  // As the real backend: bytes that are no UTF-8 name nothing.
  std::u16string units;
  if (!Utf16FromUtf8(name, units)) return false;
  full = FullPath(name);
  // The system's limit: 32,767 UTF-16 units.
  if (!Utf16FromUtf8(full, units) || units.size() > 32767) {
    full.clear();
    return false;
  }
  return true;
}

Answer FakePlatform::OpensAVolumeRoot(const char* path) {
  std::u16string units;
  if (path == nullptr || path[0] == '\0' || !Utf16FromUtf8(path, units)) return Answer::kUnknown;
  const std::string key = Key(path, true);
  if (!Find(key)) return Answer::kUnknown;
  return key.size() == 3 ? Answer::kYes : Answer::kNo;
}

bool FakePlatform::WorkingDirectory(std::string& directory) {
  directory = workingDirectory;
  return true;
}

bool FakePlatform::ChangeWorkingDirectory(const char* path) {
  const std::string key = Key(path, true);
  Log(CallKind::kChangeDirectory, path);
  const Node* node = Find(key);
  if (!node || !node->directory || refusedDirectoryChanges.count(key)) return false;
  std::string full = FullPath(path);
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  workingDirectory = full;
  return true;
}

}  // namespace varnolt
