// Windows-1252 texts as the UTF-8 the desktop shows.
#include "common/TextEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace varnolt {
namespace {

TEST(TextEncoding, AsciiStaysAndLatinLettersTakeTwoBytes) {
  EXPECT_EQ(Utf8FromWindows1252(""), "");
  EXPECT_EQ(Utf8FromWindows1252("C:\\dossier\\a.txt : 12 Mo"), "C:\\dossier\\a.txt : 12 Mo");
  EXPECT_EQ(Utf8FromWindows1252("broy\xE9s"), "broy\xC3\xA9s");
  EXPECT_EQ(Utf8FromWindows1252("n\xB0" "1 \xAB \xBB \xEA\xE8\xE0\xFF"),
            "n\xC2\xB0" "1 \xC2\xAB \xC2\xBB \xC3\xAA\xC3\xA8\xC3\xA0\xC3\xBF");
}

// The 0x80-0x9F row is where the code page is not Latin-1: "…", "€", quotes and dashes.
TEST(TextEncoding, TheRowOfPunctuationBecomesItsOwnCharacters) {
  EXPECT_EQ(Utf8FromWindows1252("\x85 et 3"), "\xE2\x80\xA6 et 3");
  EXPECT_EQ(Utf8FromWindows1252("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(Utf8FromWindows1252("l\x92\x9C" "uvre \x96\x97"), "l\xE2\x80\x99\xC5\x93uvre \xE2\x80\x93\xE2\x80\x94");
  EXPECT_EQ(Utf8FromWindows1252("\x9F\x83"), "\xC5\xB8\xC6\x92");
  // Bytes the code page leaves unassigned become the control character of that number.
  EXPECT_EQ(Utf8FromWindows1252("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
}

// Every byte gives one character: 1 byte below 0x80, 2 from 0xA0, 2 or 3 in between; never a
// zero, so a text cut at a zero is cut the same way.
TEST(TextEncoding, EveryByteGivesOneWholeCharacter) {
  for (int byte = 1; byte < 256; ++byte) {
    SCOPED_TRACE(byte);
    const std::string utf8 = Utf8FromWindows1252(std::string(1, static_cast<char>(byte)));
    ASSERT_FALSE(utf8.empty());
    const auto lead = static_cast<unsigned char>(utf8[0]);
    const std::size_t expected = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    EXPECT_EQ(utf8.size(), expected);
    EXPECT_EQ(utf8.find('\0'), std::string::npos);
    if (byte >= 0xA0) EXPECT_EQ(utf8.size(), 2u);
  }
}

}  // namespace
}  // namespace varnolt
