#include "engine/Random.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

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

// The words that `words` draws of NextRandom give, after `skip` draws, from `seed`.
std::vector<std::uint8_t> DrawnOneByOne(std::uint32_t seed, std::size_t skip, std::size_t words) {
  SeedRandom(seed);
  for (std::size_t i = 0; i < skip; ++i) NextRandom();
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i < words; ++i) {
    const std::uint32_t value = NextRandom();
    EXPECT_LE(value, kRandomMax);
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  return bytes;
}

// Every fill routine this processor runs; the one the generator chose is restored afterwards.
class RandomFill : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ASSERT_TRUE(UseRandomFillVariant(GetParam().c_str())); }
  void TearDown() override { UseRandomFillVariant(RandomFillVariants()[0]); }
};

std::vector<std::string> Variants() {
  std::vector<std::string> names;
  for (const char* const* name = RandomFillVariants(); *name; ++name) names.emplace_back(*name);
  return names;
}

TEST_P(RandomFill, GivesTheValuesDrawnOneByOneAndHandsTheSequenceOn) {
  // Starting points off the vector grid and counts that end mid-vector, cross the ring's end
  // and its near lag, and span whole sweeps' blocks.
  for (const std::size_t skip : {0u, 1u, 7u, 591u, 1007u, 1599u, 1600u}) {
    for (const std::size_t words : {1u, 15u, 17u, 592u, 1008u, 1601u, 4096u, 524288u}) {
      const std::vector<std::uint8_t> expected = DrawnOneByOne(2024, skip, words + 1);
      SeedRandom(2024);
      for (std::size_t i = 0; i < skip; ++i) NextRandom();
      std::vector<std::uint8_t> block(2 * words + 2, 0xEE);
      FillRandomWords(block.data(), words);
      EXPECT_EQ(block[2 * words], 0xEE) << "a byte past the block was written";
      const std::uint32_t next = NextRandom();  // the draw after the block
      block[2 * words] = static_cast<std::uint8_t>(next);
      block[2 * words + 1] = static_cast<std::uint8_t>(next >> 8);
      ASSERT_EQ(block, expected) << "skip " << skip << ", words " << words;
    }
  }
}

TEST_P(RandomFill, ConsecutiveBlocksContinueOneSequence) {
  const std::vector<std::uint8_t> expected = DrawnOneByOne(77, 0, 3 * 4096);
  SeedRandom(77);
  std::vector<std::uint8_t> blocks(3 * 8192);
  for (int i = 0; i < 3; ++i) FillRandomWords(blocks.data() + i * 8192, 4096);
  EXPECT_EQ(blocks, expected);
}

INSTANTIATE_TEST_SUITE_P(Variants, RandomFill, ::testing::ValuesIn(Variants()),
                         [](const auto& info) { return info.param; });

TEST(Random, EveryLaneVariesAndNoTwoLanesRunTogether) {
  // Value k of a block belongs to lane k mod 16. A lane seeded all even, or two lanes seeded
  // alike, would show as a constant lowest bit or as two equal columns of words.
  for (const std::uint32_t seed : {0u, 1u, 1700000000u}) {
    SeedRandom(seed);
    std::vector<std::uint8_t> block(2 * 16 * 256);
    FillRandomWords(block.data(), block.size() / 2);
    std::vector<std::vector<std::uint16_t>> lanes(16);
    for (std::size_t k = 0; k < block.size() / 2; ++k) {
      lanes[k % 16].push_back(static_cast<std::uint16_t>(block[2 * k] | block[2 * k + 1] << 8));
    }
    for (std::size_t lane = 0; lane < 16; ++lane) {
      int odd = 0;
      for (const std::uint16_t word : lanes[lane]) odd += word & 1;
      EXPECT_GT(odd, 64) << "lane " << lane << ", seed " << seed;
      EXPECT_LT(odd, 192) << "lane " << lane << ", seed " << seed;
      EXPECT_GT(std::set<std::uint16_t>(lanes[lane].begin(), lanes[lane].end()).size(), 240u);
      for (std::size_t other = 0; other < lane; ++other) EXPECT_NE(lanes[lane], lanes[other]);
    }
  }
}

TEST(Random, EveryBlockIsFreshAndSeedsApartStartApart) {
  SeedRandom(1700000000);
  std::vector<std::uint8_t> first(8192), second(8192);
  FillRandomWords(first.data(), 4096);
  FillRandomWords(second.data(), 4096);
  EXPECT_NE(first, second);
  std::set<std::uint16_t> words;
  for (std::size_t i = 0; i < first.size(); i += 2) words.insert(static_cast<std::uint16_t>(first[i] | first[i + 1] << 8));
  EXPECT_GT(words.size(), 3900u);

  SeedRandom(1700000001);
  std::vector<std::uint8_t> nextSecond(8192);
  FillRandomWords(nextSecond.data(), 4096);
  std::size_t same = 0;
  for (std::size_t i = 0; i < first.size(); ++i) same += first[i] == nextSecond[i];
  EXPECT_LT(same, 8192u / 64);  // about 1 in 256 by chance
}

TEST(Random, AnUnknownFillRoutineIsRefused) {
  const std::vector<std::string> before = Variants();
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(before.back(), "portable");  // the one every processor runs
  EXPECT_FALSE(UseRandomFillVariant("mmx9000"));
  EXPECT_EQ(Variants(), before);
}

}  // namespace
}  // namespace varnolt
