// The App Paths value rules, against every kind of value a registry can hold.
#include "contextmenu/ProgramPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace varnolt::menu {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A key as RegOpenKeyEx and RegQueryValueEx present it (texts in UTF-8).
class FakeKey : public AppPathsKey {
 public:
  bool exists = true;
  bool hasValue = true;
  std::uint32_t type = kRegSz;
  Bytes data;
  int opens = 0, closes = 0;

  bool Open() override {
    ++opens;
    return exists;
  }
  long QueryDefaultValue(std::uint32_t* valueType, std::uint8_t* buffer, std::uint32_t* size) override {
    if (!hasValue) return 2;  // ERROR_FILE_NOT_FOUND
    *valueType = type;
    const std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(data.size());
    if (data.size() > room) return 234;  // ERROR_MORE_DATA
    std::copy(data.begin(), data.end(), buffer);
    return 0;
  }
  void Close() override { ++closes; }
};

Bytes Text(const std::string& text, int zeros = 1) {
  Bytes bytes(text.begin(), text.end());
  bytes.insert(bytes.end(), zeros, 0);
  return bytes;
}

std::string PathFor(std::uint32_t type, const Bytes& data) {
  FakeKey key;
  key.type = type;
  key.data = data;
  const std::string path = GetProgramPath(key);
  EXPECT_EQ(key.closes, 1);
  return path;
}

const std::string kPath = "C:\\Program Files\\Varnolt\\Varnolt.exe";

TEST(ProgramPath, StringValuesEndingWithAZero) {
  EXPECT_EQ(PathFor(kRegSz, Text(kPath)), kPath);
  // Used as stored: the environment reference stays.
  EXPECT_EQ(PathFor(kRegExpandSz, Text("%ProgramFiles%\\Varnolt\\Varnolt.exe")), "%ProgramFiles%\\Varnolt\\Varnolt.exe");
  // Up to the first zero.
  EXPECT_EQ(PathFor(kRegSz, Text(kPath + std::string(1, '\0') + "junk")), kPath);
  // Without the zero ending: refused.
  EXPECT_EQ(PathFor(kRegSz, Text(kPath, 0)), "");
  EXPECT_EQ(PathFor(kRegExpandSz, Text(kPath, 0)), "");
}

TEST(ProgramPath, MultiStringValuesNeedTwoZeros) {
  EXPECT_EQ(PathFor(kRegMultiSz, Text(kPath + std::string(1, '\0') + "second", 2)), kPath);
  EXPECT_EQ(PathFor(kRegMultiSz, Text(kPath, 2)), kPath);
  EXPECT_EQ(PathFor(kRegMultiSz, Text(kPath, 1)), "");
  EXPECT_EQ(PathFor(kRegMultiSz, Bytes{0}), "");
  EXPECT_EQ(PathFor(kRegMultiSz, Bytes{0, 0}), "");
}

TEST(ProgramPath, EmptyOrForeignValuesGiveNoPath) {
  EXPECT_EQ(PathFor(kRegSz, Bytes{}), "");
  EXPECT_EQ(PathFor(kRegMultiSz, Bytes{}), "");
  EXPECT_EQ(PathFor(3 /* REG_BINARY */, Text(kPath)), "");
  EXPECT_EQ(PathFor(4 /* REG_DWORD */, Bytes{1, 0, 0, 0}), "");
  EXPECT_EQ(PathFor(0 /* REG_NONE */, Text(kPath)), "");
}

// The install folder may lie past 260 characters and be named in any script: the longest path
// the system allows is taken whole, in UTF-8 up to three bytes a character; past it, nothing.
TEST(ProgramPath, PathsUpToTheSystemsLimitAreTakenWhole) {
  const std::string past260 = "C:\\" + std::string(300, 'a') + "\\Varnolt.exe";
  EXPECT_EQ(PathFor(kRegSz, Text(past260)), past260);
  std::string longest = "C:\\";
  while (longest.size() < 3 * 32767) longest += "\xE6\x97\xA5";  // U+65E5, three bytes
  ASSERT_EQ(longest.size(), 3u * 32767) << "the most bytes 32,767 units can take";
  EXPECT_EQ(PathFor(kRegSz, Text(longest)), longest);
  EXPECT_EQ(PathFor(kRegExpandSz, Text(longest)), longest);
  EXPECT_EQ(PathFor(kRegMultiSz, Text(longest, 2)), longest) << "the second zero fits too";
  EXPECT_EQ(PathFor(kRegSz, Text(longest + "b", 2)), "") << "one byte more than the buffer";
  EXPECT_EQ(PathFor(kRegSz, Text(std::string(200000, 'x'))), "");
}

TEST(ProgramPath, MissingKeyOrValue) {
  FakeKey noKey;
  noKey.exists = false;
  EXPECT_EQ(GetProgramPath(noKey), "");
  EXPECT_EQ(noKey.closes, 0) << "a key that was not opened is not closed";

  FakeKey noValue;
  noValue.hasValue = false;
  EXPECT_EQ(GetProgramPath(noValue), "");
  EXPECT_EQ(noValue.closes, 1);
}

TEST(ProgramPath, DataLeftByAFailedReadIsNotUsed) {
  const Bytes data = Text(kPath);
  EXPECT_EQ(ProgramPathFromValue(234, kRegSz, data.data(), static_cast<std::uint32_t>(data.size())), "");
  EXPECT_EQ(ProgramPathFromValue(5, kRegSz, data.data(), static_cast<std::uint32_t>(data.size())), "");
  EXPECT_EQ(ProgramPathFromValue(0, kRegSz, data.data(), static_cast<std::uint32_t>(data.size())), kPath);
}

}  // namespace
}  // namespace varnolt::menu
