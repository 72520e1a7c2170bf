// The wchar_t strings of the W calls and the UTF-8 the rest of the code keeps, through the one
// codec of WideText.h. For the Windows builds: there a wchar_t is one UTF-16 unit.
#pragma once

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

}  // namespace varnolt
