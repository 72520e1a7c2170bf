// UTF-8 inside, UTF-16 at the Windows calls. Names on NTFS are sequences of 16-bit units that
// need not be valid UTF-16: a lone surrogate is a legal name character. Such a unit is carried
// in the three-byte form UTF-8 would give it (the "WTF-8" convention), so every name the system
// lists converts to bytes and back to exactly itself, and a name is never replaced by U+FFFD,
// which would name another file. Portable: no Windows header.
#pragma once

#include <string>
#include <string_view>

namespace varnolt {

// UTF-16 units to UTF-8 bytes; lone surrogates in their three-byte form. Never fails.
std::string Utf8FromUtf16(std::u16string_view units);

// UTF-8 bytes to UTF-16 units. False for bytes that are not a shortest-form encoding: a
// truncated or overlong sequence, a value past U+10FFFF, or a surrogate pair spelled as two
// three-byte halves (its one true spelling is the four-byte form, so that one name has one
// spelling). `units` is left empty then.
bool Utf16FromUtf8(std::string_view bytes, std::u16string& units);

}  // namespace varnolt
