// The program keeps its own texts as Windows-1252 bytes; what it shows is UTF-8, the form the
// paths it reports take too, so one message can carry both.
#pragma once

#include <string>

namespace varnolt {

// Every byte as its Windows-1252 character: ASCII as it is, 0xE9 as "é", 0x85 as "…". The five
// bytes the code page leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control
// characters of the same number, as Windows' own conversion does.
std::string Utf8FromWindows1252(const std::string& text);

}  // namespace varnolt
