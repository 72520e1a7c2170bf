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

TEST(RenameRandomly, NameThatWouldNotFitLeavesThePathAlone) {
  FakePlatform os;
  // A directory part of 254 characters leaves room for at most 5 digits and the zero; the
  // draw below is 10 digits long.
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
  os.ClearCalls();
  SeedRandom(seed);
  shredder.RenameRandomly();

  EXPECT_EQ(std::string(shredder.Path()), file);
  EXPECT_TRUE(os.CallsOf(CallKind::kMove).empty());
  EXPECT_TRUE(os.Exists(file));
}

TEST(GenericShredder, OverlongPathIsCutToTheFieldWithItsTerminator) {
  FakePlatform os;
  const std::string longPath = "C:\\" + std::string(400, 'x');
  FileShredder shredder(os, longPath.c_str());
  EXPECT_EQ(std::string(shredder.Path()).size(), kMaxPath - 1);
  EXPECT_EQ(shredder.Status(), 0);
}

}  // namespace
}  // namespace varnolt
