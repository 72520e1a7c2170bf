// The wchar_t strings of the W calls and the UTF-8 the rest of the code keeps, through the one
// codec of WideText.h. For the Windows builds: there a wchar_t is one UTF-16 unit.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "common/WideText.h"

namespace varnolt {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the W calls take UTF-16 units");

// False (and `wide` empty) for bytes that are no UTF-8: they then name nothing rather than a
// near miss.
inline bool WideFromUtf8(std::string_view text, std::wstring& wide) {
  wide.clear();
  std::u16string units;
  if (!Utf16FromUtf8(text, units)) return false;
  wide.assign(units.begin(), units.end());
  return true;
}

inline std::string Utf8FromWide(std::wstring_view wide) {
  return Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

// The whole path of a loaded module (nullptr: the program), however long its folder's: the
// buffer grows until the path fits, up to the system's 32,767 characters, since a cut path
// would name another file. Empty when it cannot be read.
inline std::wstring ModuleFileName(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() > 32767) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace varnolt
