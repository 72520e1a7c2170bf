#include "engine/Random.h"

#include <gtest/gtest.h>

#include <set>

#include "engine/FileShredder.h"
#include "platform/FakePlatform.h"

namespace varnolt {
namespace {

TEST(Random, StaysInRangeAndVaries) {
  SeedRandom(12345);
  std::set<std::uint32_t> seen;
  std::uint32_t highest = 0;
  for (int i = 0; i < 100000; ++i) {
    const std::uint32_t value = NextRandom();
    EXPECT_LE(value, kRandomMax);
    highest = std::max(highest, value);
    seen.insert(value);
  }
  EXPECT_GT(seen.size(), 99000u);       // no short cycle
  EXPECT_GT(highest, kRandomMax / 2 + kRandomMax / 4);  // the top of the range is reached
}

TEST(Random, LowSixteenBitsAreNotConstant) {
  // The overwrite blocks use only the low 16 bits of each draw.
  SeedRandom(7);
  std::set<std::uint32_t> lowWords;
  for (int i = 0; i < 4096; ++i) lowWords.insert(NextRandom() & 0xFFFF);
  EXPECT_GT(lowWords.size(), 3900u);
}

TEST(Random, FileShredderReseedsFromTheSecondsClock) {
  FakePlatform os;
  os.SetSeconds(1700000000);
  FileShredder first(os, "C:\\a");
  const std::uint32_t afterFirst = NextRandom();
  NextRandom();
  FileShredder second(os, "C:\\b");
  EXPECT_EQ(NextRandom(), afterFirst);  // same second, same sequence

  os.SetSeconds(1700000001);
  FileShredder third(os, "C:\\c");
  EXPECT_NE(NextRandom(), afterFirst);
}

}  // namespace
}  // namespace varnolt
