#include "common/WideText.h"

namespace varnolt {
namespace {

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string Utf8FromUtf16(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t at = 0; at < units.size(); ++at) {
    const char32_t unit = units[at];
    if (IsHighSurrogate(unit) && at + 1 < units.size() && IsLowSurrogate(units[at + 1])) {
      const char32_t low = units[++at];
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
    } else {
      AppendUtf8(unit, out);  // a lone surrogate too, in its three-byte form
    }
  }
  return out;
}

bool Utf16FromUtf8(std::string_view bytes, std::u16string& units) {
  units.clear();
  units.reserve(bytes.size());
  bool lastWasLoneHigh = false;
  for (std::size_t at = 0; at < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    std::size_t length = 0;
    char32_t code = 0;
    char32_t smallest = 0;
    if (lead < 0x80) {
      length = 1, code = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07, smallest = 0x10000;
    } else {
      units.clear();
      return false;
    }
    if (at + length > bytes.size()) {
      units.clear();
      return false;
    }
    for (std::size_t follow = 1; follow < length; ++follow) {
      const auto next = static_cast<unsigned char>(bytes[at + follow]);
      if ((next & 0xC0) != 0x80) {
        units.clear();
        return false;
      }
      code = code << 6 | (next & 0x3F);
    }
    // A low surrogate right after a lone high one would read back as a pair: another spelling.
    if (code < smallest || code > 0x10FFFF || (lastWasLoneHigh && IsLowSurrogate(code))) {
      units.clear();
      return false;
    }
    lastWasLoneHigh = IsHighSurrogate(code);
    if (code >= 0x10000) {
      units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
    at += length;
  }
  return true;
}

}  // namespace varnolt
