// The random decimal name an item takes just before it is removed.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "engine/FileShredder.h"
#include "engine/Random.h"
#include "platform/FakePlatform.h"

namespace varnolt {
namespace {

using CallKind = FakePlatform::CallKind;

TEST(RenameRandomly, MovesToOneToTenDigitsInTheSameDirectory) {
  FakePlatform os;
  os.MakeDirectory("C:\\dir");
  os.MakeFile("C:\\dir\\report.txt", 10);
  FileShredder shredder(os, "C:\\dir\\report.txt");
  shredder.RenameRandomly();

  const std::string newPath = shredder.Path();
  EXPECT_TRUE(std::regex_match(newPath, std::regex(R"(C:\\dir\\[1-9][0-9]{0,9}|C:\\dir\\0)")))
      << newPath;
  EXPECT_TRUE(os.Exists(newPath));
  EXPECT_FALSE(os.Exists("C:\\dir\\report.txt"));
  EXPECT_EQ(os.SizeOf(newPath), 10u);
}

TEST(RenameRandomly, KeepsTheNameWhenTheNewNameIsTaken) {
  FakePlatform os;
  os.MakeFile("C:\\report.txt", 10);
  FileShredder shredder(os, "C:\\report.txt");

  SeedRandom(99);
  const std::string taken = "C:\\" + std::to_string(NextRandom());
  os.MakeFile(taken, 1);
  SeedRandom(99);  // the rename draws the same value
  shredder.RenameRandomly();

  EXPECT_STREQ(shredder.Path(), "C:\\report.txt");
  EXPECT_TRUE(os.Exists("C:\\report.txt"));
  EXPECT_EQ(os.SizeOf(taken), 1u);  // the other item is untouched
}

TEST(RenameRandomly, KeepsTheNameWhenTheMoveIsRefused) {
  FakePlatform os;
  os.MakeFile("C:\\busy.txt", 1);
  os.HoldOpen("C:\\busy.txt");
  FileShredder shredder(os, "C:\\busy.txt");
  shredder.RenameRandomly();
  EXPECT_STREQ(shredder.Path(), "C:\\busy.txt");
}

TEST(RenameRandomly, PathsPastTheOldLimitTakeTheirRandomNameWhole) {
  FakePlatform os;
  // A directory part of 254 characters: the ten digits drawn below make a path of 264, which
  // the old 260-byte field could not hold. Now the name is taken, whole.
  std::string directory = "C:\\" + std::string(250, 'd');
  os.MakeDirectory(directory);
  const std::string file = directory + "\\f";
  os.MakeFile(file, 1);
  FileShredder shredder(os, file.c_str());
  std::uint32_t seed = 0;
  for (;; ++seed) {  // find a seed whose first draw has ten digits
    SeedRandom(seed);
    if (NextRandom() >= 1000000000u) break;
  }
  SeedRandom(seed);
  const std::string expected = directory + "\\" + std::to_string(NextRandom());
  os.ClearCalls();
  SeedRandom(seed);
  shredder.RenameRandomly();

  EXPECT_EQ(std::string(shredder.Path()), expected);
  EXPECT_EQ(expected.size(), 264u);
  ASSERT_EQ(os.CallsOf(CallKind::kMove).size(), 1u);
  EXPECT_FALSE(os.Exists(file));
  EXPECT_TRUE(os.Exists(expected));
}

TEST(GenericShredder, LongPathIsKeptWhole) {
  FakePlatform os;
  const std::string longPath = "C:\\" + std::string(400, 'x') + "\\" + std::string(30000, 'y');
  FileShredder shredder(os, longPath.c_str());
  EXPECT_EQ(std::string(shredder.Path()), longPath);
  EXPECT_EQ(shredder.Status(), 0);
}

}  // namespace
}  // namespace varnolt
