// How the manager turns names into items: drive letters, files, whole trees in erase order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"

namespace varnolt {
namespace {

using CallKind = FakePlatform::CallKind;

template <typename Shredders>
std::vector<std::string> PathsOf(const Shredders& shredders) {
  std::vector<std::string> paths;
  for (const auto& shredder : shredders) paths.emplace_back(shredder.Path());
  return paths;
}
using Paths = std::vector<std::string>;

class ManagerCollectTest : public ::testing::Test {
 protected:
  ManagerCollectTest() : manager(os) {}
  std::string WorkingDirectory() {
    std::string directory;
    EXPECT_TRUE(os.WorkingDirectory(directory));
    return directory;
  }
  FakePlatform os;
  ShreddingManager manager;
};

TEST_F(ManagerCollectTest, DepthFirstInEnumerationOrderEachDirectoryAfterItsContents) {
  // Entries come in creation order: a, S (holding b), c.
  os.MakeDirectory("C:\\D");
  os.MakeFile("C:\\D\\a", 10);
  os.MakeDirectory("C:\\D\\S");
  os.MakeFile("C:\\D\\S\\b", 20);
  os.MakeFile("C:\\D\\c", 30);
  os.ChangeWorkingDirectory("C:\\D\\S");
  const std::string before = WorkingDirectory();
  manager.AddItem("C:\\D", true);

  EXPECT_EQ(PathsOf(manager.Files()), (Paths{"C:\\D\\a", "C:\\D\\S\\b", "C:\\D\\c"}));
  EXPECT_EQ(PathsOf(manager.Directories()), (Paths{"C:\\D\\S", "C:\\D"}));
  EXPECT_EQ(manager.DriveCount(), 0);
  EXPECT_EQ(manager.TotalBytes(), 60u);
  EXPECT_EQ(WorkingDirectory(), before);
}

TEST_F(ManagerCollectTest, OneLetterNamesAreDrivesOnlyWhenFixedOrRemovable) {
  os.AddVolume('E', kDriveFixed, 5000);
  os.MakeFile("E:\\used", 1000);
  os.AddVolume('F', kDriveRemovable, 7000);
  for (auto [letter, type] : {std::pair{'G', kDriveCdRom}, {'H', kDriveRemote}, {'I', kDriveRamDisk},
                              {'J', kDriveUnknown}}) {
    os.AddVolume(letter, type, 1000);
  }
  for (const char* name : {"E", "F", "G", "H", "I", "J", "K" /* no such drive */}) {
    manager.AddItem(name, true);
  }
  EXPECT_EQ(PathsOf(manager.Drives()), (Paths{"E:\\", "F:\\"}));
  EXPECT_EQ(manager.Drives()[0].FillPath(), "E:\\VARNOLT.TMP");
  EXPECT_EQ(manager.TotalBytes(), 4000u + 7000u);
  EXPECT_EQ(manager.FileCount() + manager.DirectoryCount(), 0);
  // A drive letter is never looked up as a name: nothing was listed or read.
  EXPECT_TRUE(os.CallsOf(CallKind::kFindFirst).empty());
}

TEST_F(ManagerCollectTest, OneLetterNameIsAFileWhenItCannotBeADrive) {
  os.AddVolume('E', kDriveFixed, 5000);
  os.MakeDirectory("C:\\work");
  os.MakeFile("C:\\work\\E", 12);
  os.ChangeWorkingDirectory("C:\\work");
  manager.AddItem("E", false);
  EXPECT_EQ(PathsOf(manager.Files()), (Paths{"C:\\work\\E"}));
  EXPECT_EQ(manager.DriveCount(), 0);
}

// A chosen drive root means the drive's free space, as in Explorer: never a directory whose
// whole content would be erased.
TEST_F(ManagerCollectTest, DriveRootsInEverySpellingAreTheDrive) {
  os.AddVolume('E', kDriveRemovable, 1 << 20);
  os.AddVolume('F', kDriveCdRom, 1 << 20);
  os.MakeFile("E:\\top", 5);
  os.MakeDirectory("E:\\sub");
  os.MakeFile("E:\\sub\\inner", 7);
  for (const char* name : {"E", "E:", "E:\\", "E:/", "e:", "e:\\", "E:\\.", "E:\\sub\\.."}) {
    SCOPED_TRACE(name);
    ShreddingManager fresh(os);
    fresh.AddItem(name, true);
    EXPECT_EQ(fresh.FileCount(), 0);
    EXPECT_EQ(fresh.DirectoryCount(), 0);
    ASSERT_EQ(fresh.DriveCount(), 1);
    const std::string root = fresh.Drives()[0].Path();  // the letter as typed
    EXPECT_TRUE(root == "E:\\" || root == "e:\\") << root;
    EXPECT_EQ(fresh.TotalBytes(), (1u << 20) - 12);
  }
  // A drive we do not clean, in any spelling: nothing at all.
  for (const char* name : {"F", "F:", "F:\\", "f:/"}) {
    SCOPED_TRACE(name);
    ShreddingManager fresh(os);
    fresh.AddItem(name, true);
    EXPECT_EQ(fresh.FileCount() + fresh.DirectoryCount() + fresh.DriveCount(), 0);
  }
  // Met inside a walk (not chosen), a name is only ever a name.
  os.MakeFile("C:\\E", 3);
  manager.AddItem("E", false);
  EXPECT_EQ(PathsOf(manager.Files()), Paths{"C:\\E"});
}

// The path functions drop trailing dots and spaces: "Rapport " would read "Rapport", a sibling
// never chosen. Such a chosen name is refused, and noted; its sibling is not collected.
TEST_F(ManagerCollectTest, ChosenNamesThatResolvingChangesAreRefused) {
  os.MakeDirectory("C:\\area");
  os.MakeDirectory("C:\\area\\Rapport");
  os.MakeFile("C:\\area\\Rapport\\r.doc", 10);
  os.MakeFile("C:\\area\\notes", 20);
  os.MakeFile("C:\\area\\kept.txt", 30);
  const std::vector<std::string> refused = {"C:\\area\\Rapport ", "C:\\area\\notes.", "C:\\area\\notes. ",
                                            "C:\\area\\Rapport.\\r.doc", "C:\\area\\...", "C:/area/notes."};
  for (const std::string& name : refused) manager.AddItem(name.c_str(), true);
  EXPECT_EQ(manager.FileCount() + manager.DirectoryCount() + manager.DriveCount(), 0);
  EXPECT_EQ(manager.RefusedNames(), refused);

  // Names that keep themselves: relative, forward slashes, "." and "..", a trailing separator.
  ASSERT_TRUE(os.ChangeWorkingDirectory("C:\\area"));
  for (const char* name : {"kept.txt", "C:/area/notes", "Rapport\\..\\notes", "./kept.txt"}) {
    manager.AddItem(name, true);
  }
  manager.AddItem("Rapport\\", true);
  manager.AddItem("Rapport\\.", true);
  EXPECT_EQ(PathsOf(manager.Files()), (Paths{"C:\\area\\kept.txt", "C:\\area\\notes", "C:\\area\\notes",
                                             "C:\\area\\kept.txt", "C:\\area\\Rapport\\r.doc",
                                             "C:\\area\\Rapport\\r.doc"}));
  EXPECT_EQ(PathsOf(manager.Directories()), (Paths{"C:\\area\\Rapport", "C:\\area\\Rapport"}));
  EXPECT_EQ(manager.RefusedNames().size(), refused.size());
}

TEST_F(ManagerCollectTest, DuplicatesAreCollectedAndCountedTwice) {
  os.MakeDirectory("C:\\D");
  os.MakeFile("C:\\D\\f", 100);
  os.AddVolume('E', kDriveFixed, 3000);
  manager.AddItem("C:\\D\\f", true);
  manager.AddItem("C:\\D\\f", true);
  manager.AddItem("C:\\D", true);
  manager.AddItem("E", true);
  manager.AddItem("E", true);
  EXPECT_EQ(PathsOf(manager.Files()), (Paths{"C:\\D\\f", "C:\\D\\f", "C:\\D\\f"}));
  EXPECT_EQ(manager.DriveCount(), 2);
  EXPECT_EQ(manager.TotalBytes(), 300u + 6000u);
}

TEST_F(ManagerCollectTest, EmptyDirectoryAndEveryKindOfEntryAreCollected) {
  os.MakeDirectory("C:\\empty");
  manager.AddItem("C:\\empty", true);
  EXPECT_EQ(manager.DirectoryCount(), 1);
  EXPECT_EQ(manager.FileCount(), 0);
  EXPECT_EQ(manager.TotalBytes(), 0u);

  os.MakeDirectory("C:\\odd", kAttrHidden | kAttrSystem);
  os.MakeFile("C:\\odd\\ro", 1, 0, kAttrReadOnly);
  os.MakeFile("C:\\odd\\hs", 2, 0, kAttrHidden | kAttrSystem);
  os.MakeDirectory("C:\\odd\\hidden", kAttrHidden | kAttrReadOnly);
  manager.AddItem("C:\\odd", true);
  EXPECT_EQ(PathsOf(manager.Files()), (Paths{"C:\\odd\\ro", "C:\\odd\\hs"}));
  EXPECT_EQ(PathsOf(manager.Directories()), (Paths{"C:\\empty", "C:\\odd\\hidden", "C:\\odd"}));
}

TEST_F(ManagerCollectTest, NamesThatCannotBeResolvedOrReadAreSkipped) {
  // Bytes that are no UTF-8 (a Windows-1252 "\xE9" for "é", half a sequence) name nothing.
  os.MakeFile("C:\\caf\xC3\xA9.txt", 1);
  for (const std::string& name : {std::string(), std::string("C:\\missing"), std::string("C:\\*"),
                                  std::string("C:\\caf\xE9.txt"), std::string("C:\\caf\xC3")}) {
    manager.AddItem(name.c_str(), true);
  }
  EXPECT_EQ(manager.FileCount() + manager.DirectoryCount() + manager.DriveCount(), 0);
}

TEST_F(ManagerCollectTest, PathsPastTheOldLimitAreCollectedWhole) {
  // 253, 256, 264 and 259 characters: the 260-byte field kept only some of them, and one cut
  // to 259 would have named another. Every one is collected now, under its own name.
  std::string longDirectory = "C:\\" + std::string(250, 'x');
  os.MakeDirectory(longDirectory);
  os.MakeFile(longDirectory + "\\ab", 1);
  os.MakeFile(longDirectory + "\\abcdefghij", 1);
  os.MakeFile(longDirectory + "\\abcde", 1);
  std::string deep = longDirectory;
  for (int level = 0; level < 120; ++level) {  // past 32,000 characters
    deep += "\\" + std::string(255, static_cast<char>('a' + level % 26));
    os.MakeDirectory(deep);
  }
  os.MakeFile(deep + "\\end.txt", 5);
  manager.AddItem(longDirectory.c_str(), true);
  EXPECT_EQ(PathsOf(manager.Files()), (Paths{longDirectory + "\\ab", longDirectory + "\\abcdefghij",
                                              longDirectory + "\\abcde", deep + "\\end.txt"}));
  EXPECT_EQ(manager.DirectoryCount(), 121);
  EXPECT_EQ(PathsOf(manager.Directories()).back(), longDirectory);
  EXPECT_EQ(manager.TotalBytes(), 8u);
}

TEST_F(ManagerCollectTest, DirectoryThatCannotBeListedContributesOnlyItself) {
  os.MakeDirectory("C:\\D");
  os.MakeDirectory("C:\\D\\locked");
  os.MakeFile("C:\\D\\locked\\inside", 10);
  os.MakeFile("C:\\D\\after", 10);
  os.RefuseListing("C:\\D\\locked");
  os.ChangeWorkingDirectory("C:\\D");  // its entries must not stand in for the locked ones
  manager.AddItem("C:\\D", true);
  EXPECT_EQ(PathsOf(manager.Files()), (Paths{"C:\\D\\after"}));
  EXPECT_EQ(PathsOf(manager.Directories()), (Paths{"C:\\D\\locked", "C:\\D"}));
}

TEST_F(ManagerCollectTest, RelativeNamesAndTrailingBackslashesResolveToTheSameDirectory) {
  os.MakeDirectory("C:\\work");
  os.MakeDirectory("C:\\work\\sub");
  os.MakeFile("C:\\work\\sub\\f", 3);
  os.ChangeWorkingDirectory("C:\\work");
  manager.AddItem("sub", true);
  manager.AddItem("C:\\work\\sub\\", true);
  manager.AddItem("..\\work\\.\\sub", true);
  EXPECT_EQ(PathsOf(manager.Directories()), (Paths{"C:\\work\\sub", "C:\\work\\sub", "C:\\work\\sub"}));
  EXPECT_EQ(manager.FileCount(), 3);
}

// A listed name is followed only when its path reads back as itself. The ANSI listing shows
// "．．＼outside.txt" as "..\outside.txt"; a Linux-made USB stick can hold "..." and "notes.".
TEST_F(ManagerCollectTest, ListedNamesThatReadAsAnotherPathAreLeftAlone) {
  os.MakeDirectory("C:\\D");
  os.MakeFile("C:\\outside.txt", 10);
  os.MakeFile("C:\\D\\escape", 20);
  os.ListUnder("C:\\D\\escape", "..\\outside.txt");
  os.MakeDirectory("C:\\D\\up");
  os.ListUnder("C:\\D\\up", "..\\..");
  os.MakeDirectory("C:\\D\\dots");
  os.ListUnder("C:\\D\\dots", "...");  // would name C:\D again, and again
  os.MakeFile("C:\\D\\notes", 30);
  os.MakeFile("C:\\D\\notes-dotted", 40);
  os.ListUnder("C:\\D\\notes-dotted", "notes.");  // would name its sibling
  os.MakeFile("C:\\D\\kept", 50);
  manager.AddItem("C:\\D", true);
  EXPECT_EQ(PathsOf(manager.Files()), (Paths{"C:\\D\\notes", "C:\\D\\kept"}));
  EXPECT_EQ(PathsOf(manager.Directories()), (Paths{"C:\\D"}));
  EXPECT_EQ(manager.TotalBytes(), 80u);

  manager.Run();
  EXPECT_EQ(os.Content("C:\\outside.txt"), std::vector<std::uint8_t>(10, 0));
  // D stays under its own name, holding just the entries left alone.
  EXPECT_EQ(os.List("C:\\"), (Paths{"D", "outside.txt"}));
  EXPECT_EQ(os.List("C:\\D"), (Paths{"escape", "up", "dots", "notes-dotted"}));
}

}  // namespace
}  // namespace varnolt
