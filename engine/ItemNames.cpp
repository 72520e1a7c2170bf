#include "engine/ItemNames.h"

#include <cctype>
#include <cstring>
#include <string>

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

bool ChosenDriveRoot(Platform& platform, const char* name, char (&root)[4]) {
  if (DriveRootOf(name, root)) return true;
  std::string full;
  if (!platform.ResolveFullPath(name, full)) return false;
  if (full.size() != 3 || !IsDriveLetter(full[0]) || full[1] != ':' || full[2] != '\\' || !KeepsItsName(platform, name)) {
    return false;
  }
  std::memcpy(root, full.c_str(), 4);
  return true;
}

}  // namespace varnolt
