#include "platform/FakePaths.h"

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

// --- Paths -----------------------------------------------------------------------------------

std::string FakePlatform::FullPath(const std::string& name) const {
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

  // Split into components and fold "." and "..".
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 3; i <= combined.size(); ++i) {
    if (i == combined.size() || IsSeparator(combined[i])) {
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += combined[i];
    }
  }
  // As on Windows, the last component loses its trailing dots and spaces ("x. " is "x").
  if (!parts.empty() && !IsSeparator(combined.back())) {
    std::string& last = parts.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty()) parts.pop_back();
  }
  std::string full = std::string(1, static_cast<char>(std::toupper(combined[0]))) + ":\\";
  for (std::size_t i = 0; i < parts.size(); ++i) full += (i ? "\\" : "") + parts[i];
  if (!parts.empty() && !name.empty() && IsSeparator(name.back())) full += '\\';
  return full;
}

std::string FakePlatform::Key(const std::string& name, bool followLast) const {
  std::string key = Upper(FullPath(name));
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
