#include "common/WideText.h"

#include <gtest/gtest.h>

#include <string>

namespace varnolt {
namespace {

std::u16string Units(const std::string& bytes) {
  std::u16string units;
  EXPECT_TRUE(Utf16FromUtf8(bytes, units)) << bytes;
  return units;
}

bool Refused(const std::string& bytes) {
  std::u16string units = u"left over";
  return !Utf16FromUtf8(bytes, units) && units.empty();
}

TEST(WideText, NamesOfEveryScriptGoBothWaysUnchanged) {
  const std::u16string names[] = {u"\u0141\u00F3d\u017A.txt",             // Łódź
                                  u"\u65E5\u672C\u8A9E\u306E\u30E1\u30E2",  // 日本語のメモ
                                  u"vacances \U0001F600.jpg",              // a pair of surrogates
                                  u"caf\u00E9", u"\u03A9mega", u"\uFF0E\uFF0E\uFF3Cx", u""};
  for (const std::u16string& name : names) {
    const std::string bytes = Utf8FromUtf16(name);
    EXPECT_EQ(Units(bytes), name);
  }
  EXPECT_EQ(Utf8FromUtf16(u"\u0141\u00F3d\u017A"), "\xC5\x81\xC3\xB3" "d\xC5\xBA");
  EXPECT_EQ(Utf8FromUtf16(u"\U0001F600"), "\xF0\x9F\x98\x80");
  // The East Asian trap: 表 (U+8868) is 0x95 0x5C in Shift-JIS; in UTF-8 no byte of it is '\'.
  EXPECT_EQ(Utf8FromUtf16(u"\u8868").find('\\'), std::string::npos);
}

TEST(WideText, LoneSurrogatesAnNtfsNameMayHoldKeepTheirOwnSpelling) {
  // Never U+FFFD in their place: that would name another file.
  const std::u16string loneHigh = {u'a', 0xD83D, u'b'};
  const std::u16string loneLow = {0xDE00, u'c'};
  const std::u16string reversed = {0xDE00, 0xD83D};
  for (const std::u16string& name : {loneHigh, loneLow, reversed}) {
    const std::string bytes = Utf8FromUtf16(name);
    EXPECT_EQ(bytes.find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(Units(bytes), name);
  }
  EXPECT_EQ(Utf8FromUtf16(loneHigh), "a\xED\xA0\xBD" "b");
}

TEST(WideText, BytesThatAreNoShortestUtf8NameNothing) {
  EXPECT_TRUE(Refused("caf\xE9"));             // Windows-1252 "é"
  EXPECT_TRUE(Refused("\xC3"));                // cut short
  EXPECT_TRUE(Refused("\xE6\x97"));            // cut short
  EXPECT_TRUE(Refused("\xC0\xAF"));            // overlong "/"
  EXPECT_TRUE(Refused("\xE0\x80\xAF"));        // overlong "/"
  EXPECT_TRUE(Refused("\xF0\x80\x80\xAF"));    // overlong "/"
  EXPECT_TRUE(Refused("\xF4\x90\x80\x80"));    // past U+10FFFF
  EXPECT_TRUE(Refused("\x80x"));               // a follower alone
  EXPECT_TRUE(Refused("\xFF"));
  // A pair spelled as two halves would read back in the four-byte form: a second spelling.
  EXPECT_TRUE(Refused("\xED\xA0\xBD\xED\xB8\x80"));
  EXPECT_TRUE(Refused(std::string("a\xC3", 2) + "b"));
}

}  // namespace
}  // namespace varnolt
