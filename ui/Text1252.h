// The window layer's texts are Windows-1252 bytes (see app/Texts.h). They are shown through the
// wide functions, converted from that code page, so they read the same on any system code page.
#pragma once

#include <windows.h>

#include <string>

namespace varnolt::ui {

inline std::wstring WideFrom1252(const char* text, int length = -1) {
  if (length == 0 || text == nullptr) return std::wstring();
  const int units = MultiByteToWideChar(1252, 0, text, length, nullptr, 0);
  if (units <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(1252, 0, text, length, wide.data(), units);
  if (length < 0 && !wide.empty()) wide.pop_back();  // the zero counted with the text
  return wide;
}

inline std::wstring WideFrom1252(const std::string& text) {
  return WideFrom1252(text.data(), static_cast<int>(text.size()));
}

}  // namespace varnolt::ui
