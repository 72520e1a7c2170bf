// The random decimal name an item takes just before it is removed.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "engine/FileShredder.h"
#include "engine/ItemNames.h"
#include "engine/Random.h"
#include "engine/DirectoryShredder.h"
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

// The names a shredded file takes before its number: beside the entry listed before it, as
// long as its own name in UTF-16 units, and holding none of it.
TEST(NamesBeside, FollowTheEntryListedBeforeAndAreAsLongAsTheOwnName) {
  SeedRandom(7);
  const std::string own = "Salaire-CONFIDENTIEL-2026.xlsx";  // 30 units
  const std::string after = NameBeside("autre-fichier-9.txt", own);
  EXPECT_TRUE(std::regex_match(after, std::regex(R"(autre-fichier-9\.txt~[a-z]{10})"))) << after;
  const std::string first = NameBeside("", own);
  EXPECT_TRUE(std::regex_match(first, std::regex(R"(![a-z]{29})"))) << first;
  EXPECT_NE(NameBeside("", own), first);
  // One letter after a neighbour longer than the own name; "!" when the neighbour leaves no room.
  EXPECT_TRUE(std::regex_match(NameBeside("a-much-longer-name", "x"), std::regex(R"(a-much-longer-name~[a-z])")));
  EXPECT_TRUE(std::regex_match(NameBeside(std::string(254, 'n'), "x"), std::regex(R"(![a-z])")));
  // Characters past one byte count once, those past U+FFFF twice: "é" x 10 and one emoji.
  std::string wide;
  for (int i = 0; i < 10; ++i) wide += "\xC3\xA9";
  wide += "\xF0\x9F\x98\x80";
  EXPECT_EQ(NameBeside("", wide).size(), 12u);
  EXPECT_EQ(NameBeside("", std::string(300, 'z')).size(), 255u);
}

TEST(NamesBeside, EntryListedBeforeStopsAtTheName) {
  FakePlatform os;
  os.MakeDirectory("C:\\d");
  for (const char* name : {"alpha", "Beta", "gamma"}) os.MakeFile(std::string("C:\\d\\") + name, 1);
  EXPECT_EQ(EntryListedBefore(os, "C:\\d\\", "alpha"), "");
  EXPECT_EQ(EntryListedBefore(os, "C:\\d\\", "beta"), "alpha");  // ASCII case aside
  EXPECT_EQ(EntryListedBefore(os, "C:\\d", "gamma"), "Beta");
  EXPECT_EQ(EntryListedBefore(os, "C:\\d\\", "delta"), "");  // not listed
  os.RefuseListing("C:\\d");
  EXPECT_EQ(EntryListedBefore(os, "C:\\d\\", "gamma"), "");
}

TEST(NamesBeside, AShreddedFileGoesBesideItsNeighbourTwiceThenToANumber) {
  FakePlatform os;
  os.MakeDirectory("C:\\d");
  os.MakeFile("C:\\d\\autre.txt", 1);
  os.MakeFile("C:\\d\\Salaire-2026.xlsx", 100);
  os.MakeFile("C:\\d\\zz-taken", 1);
  FileShredder(os, "C:\\d\\Salaire-2026.xlsx").Shred();

  const auto moves = os.CallsOf(CallKind::kMove);
  ASSERT_EQ(moves.size(), 3u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(std::regex_match(moves[i].target, std::regex(R"(C:\\d\\autre\.txt~[a-z]{7})"))) << moves[i].target;
  }
  EXPECT_TRUE(std::regex_match(moves[2].target, std::regex(R"(C:\\d\\\d{1,10})")));
  EXPECT_EQ(os.List("C:\\d"), (std::vector<std::string>{"autre.txt", "zz-taken"}));
}

TEST(NamesBeside, AShreddedFolderGoesBesideItsNeighbourTwiceThenToANumber) {
  FakePlatform os;
  os.MakeDirectory("C:\\d");
  os.MakeDirectory("C:\\d\\Archives");
  os.MakeDirectory("C:\\d\\Dossiers-CONFIDENTIELS");
  os.MakeFile("C:\\d\\zz-autre", 1);
  DirectoryShredder(os, "C:\\d\\Dossiers-CONFIDENTIELS").Shred();

  const auto moves = os.CallsOf(CallKind::kMove);
  ASSERT_EQ(moves.size(), 3u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(std::regex_match(moves[i].target, std::regex(R"(C:\\d\\Archives~[a-z]{13})"))) << moves[i].target;
  }
  EXPECT_TRUE(std::regex_match(moves[2].target, std::regex(R"(C:\\d\\\d{1,10})"))) << moves[2].target;
  EXPECT_EQ(os.List("C:\\d"), (std::vector<std::string>{"Archives", "zz-autre"}));
}

TEST(NamesBeside, AMoveRefusedOnTheWayLeavesTheRestToGoOn) {
  FakePlatform os;
  os.MakeFile("C:\\held.txt", 10);
  os.RefuseMove("C:\\held.txt");
  FileShredder shredder(os, "C:\\held.txt");
  shredder.Shred();
  // Every move refused: the file is deleted under its own name, overwritten.
  EXPECT_EQ(os.CallsOf(CallKind::kMove).size(), 3u);
  EXPECT_FALSE(os.Exists("C:\\held.txt"));
  EXPECT_EQ(os.CallsOf(CallKind::kDelete).back().path, "C:\\held.txt");
}

}  // namespace
}  // namespace varnolt
