// Covering the slack of the index of a directory the chosen items stood in: where, when, and
// that nothing of it stays.
#include "engine/IndexSlack.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"
#include "shred_test_support.h"

namespace varnolt {
namespace {

using CallKind = FakePlatform::CallKind;
using testing::RecordingCallback;
using testing::ScopedRecorder;
constexpr std::uint64_t kMiB = 1 << 20;

class IndexSlackTest : public ::testing::Test {
 protected:
  IndexSlackTest() : manager(os) {
    os.AddVolume('E', kDriveFixed, 64 * kMiB);
    os.SetFileSystem('E', "NTFS");
    os.SetTicks(1000);
    os.SetTickStep(30);
    manager.SetCallback(RecordingCallback);
    os.MakeDirectory("E:\\docs");
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d", "e.txt"}) {
      if (std::string(name) == "d") {
        os.MakeDirectory("E:\\docs\\d");
        os.MakeFile("E:\\docs\\d\\inner.txt", 100);
      } else {
        os.MakeFile(std::string("E:\\docs\\") + name, 1000);
      }
    }
  }
  void Run(const std::vector<std::string>& names) {
    for (const std::string& name : names) manager.AddItem(name.c_str(), true);
    manager.Run();
  }
  // The files the covers made directly in `directory` (ending with a backslash), in order: of
  // long names, or of 8.3 ones.
  static std::vector<std::string> CoverFiles(const FakePlatform& os, bool shortNames,
                                             const std::string& directory) {
    std::vector<std::string> made;
    for (const auto& call : os.CallsOf(CallKind::kCreateNew)) {
      if (call.path.rfind(directory, 0) != 0 || call.path.find('\\', directory.size()) != std::string::npos) continue;
      if ((call.path.size() - directory.size() == 12) == shortNames) made.push_back(call.path);
    }
    return made;
  }
  std::vector<std::string> CoverFiles(const std::string& directory = "E:\\docs\\") const {
    return CoverFiles(os, false, directory);
  }

  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(IndexSlackTest, EachRunOfChosenItemsIsCoveredOnceBesideTheNameBeforeItThenNothingStays) {
  // a.txt and b.txt stand first, one after the other; d (a folder) and e.txt after c.txt.
  Run({"E:\\docs\\b.txt", "E:\\docs\\a.txt", "E:\\docs\\e.txt", "E:\\docs\\d"});

  const std::vector<std::string> made = CoverFiles();
  ASSERT_EQ(made.size(), 2u * kSlackCoverFiles);
  for (int file = 0; file < kSlackCoverFiles; ++file) {
    // Nothing listed before a.txt: the names lead the listing. Then after c.txt, where d and
    // e.txt stood. Each as long as a name may be, so that a few fill a whole index block.
    const std::string& first = made[file];
    const std::string& second = made[kSlackCoverFiles + file];
    EXPECT_EQ(first.rfind("E:\\docs\\!", 0), 0u) << first;
    EXPECT_EQ(second.rfind("E:\\docs\\c.txt~", 0), 0u) << second;
    EXPECT_EQ(first.size() - 8, 255u);
    EXPECT_EQ(second.size() - 8, 255u);
  }
  // The emptied folder got its own, first of all in it, more for more names it held: after its
  // file was gone, before it went.
  const std::vector<std::string> inner = CoverFiles("E:\\docs\\d\\");
  EXPECT_EQ(inner.size(), CoverFilesFor(IndexEntryBytes("inner.txt")));
  EXPECT_EQ(CoverFilesFor(IndexEntryBytes("inner.txt")), kSlackCoverFiles + 1u);
  EXPECT_EQ(CoverFilesFor(100 * kCoverEntryBytes), kSlackCoverFiles + 200u);
  for (const std::string& path : inner) EXPECT_EQ(path.rfind("E:\\docs\\d\\!", 0), 0u) << path;
  std::size_t innerGone = 0, firstInner = 0, folderGone = 0, index = 0;
  for (const auto& call : os.Calls()) {
    ++index;
    if (call.kind == CallKind::kDelete && call.path.rfind("E:\\docs\\d\\", 0) == 0 && innerGone == 0) innerGone = index;
    if (call.kind == CallKind::kCreateNew && call.path.rfind("E:\\docs\\d\\!", 0) == 0 && firstInner == 0) firstInner = index;
    if (call.kind == CallKind::kRemoveDirectory && folderGone == 0) folderGone = index;
  }
  ASSERT_NE(innerGone, 0u);
  EXPECT_LT(innerGone, firstInner);
  EXPECT_LT(firstInner, folderGone);
  // The cover came after every item was gone, and went itself.
  EXPECT_EQ(os.List("E:\\docs"), std::vector<std::string>{"c.txt"});
  EXPECT_EQ(os.SizeOf("E:\\docs\\c.txt"), 1000u);
  EXPECT_EQ(os.OpenHandleCount(), 0);
  for (const ItemOutcome& outcome : manager.Outcomes()) EXPECT_TRUE(outcome.Erased()) << outcome.path;
  // And for FAT, once for the folder, files of one slot each, which take the holes first: as
  // many as the names gone took, and more.
  const std::vector<std::string> slots = CoverFiles(os, true, "E:\\docs\\");
  ASSERT_EQ(slots.size(), kShortCoverFiles + FatSlotsOf("a.txt") + FatSlotsOf("b.txt") + FatSlotsOf("d") + FatSlotsOf("e.txt"));
  EXPECT_EQ(FatSlotsOf("e.txt"), 2u);
  EXPECT_EQ(FatSlotsOf(std::string(27, 'x')), 4u);
  for (const std::string& path : slots) {
    EXPECT_EQ(path.rfind("E:\\docs\\V", 0), 0u) << path;
    EXPECT_EQ(path.substr(path.size() - 4), ".TMP") << path;
  }
}

TEST_F(IndexSlackTest, NotWhereNothingWentAndOnFatToo) {
  // Held by another program: the file stays under its own name, nothing moved in the index.
  os.HoldOpen("E:\\docs\\c.txt");
  Run({"E:\\docs\\c.txt"});
  EXPECT_TRUE(os.Exists("E:\\docs\\c.txt"));
  EXPECT_TRUE(CoverFiles().empty());

  // FAT keeps a removed entry's slots where they were, names intact: they get covered.
  FakePlatform fat;
  fat.AddVolume('F', kDriveFixed, 64 * kMiB);
  fat.MakeDirectory("F:\\docs");
  fat.MakeFile("F:\\docs\\a.txt", 1000);
  ShreddingManager fatManager(fat);
  fatManager.SetCallback(RecordingCallback);
  fatManager.AddItem("F:\\docs\\a.txt", true);
  fatManager.Run();
  EXPECT_FALSE(fat.Exists("F:\\docs\\a.txt"));
  // A FAT directory keeps no index in name order: only the files of one slot.
  EXPECT_TRUE(CoverFiles(fat, false, "F:\\docs\\").empty());
  EXPECT_EQ(CoverFiles(fat, true, "F:\\docs\\").size(), kShortCoverFiles + FatSlotsOf("a.txt"));
  EXPECT_EQ(fat.List("F:\\docs"), std::vector<std::string>{});
  EXPECT_EQ(fat.OpenHandleCount(), 0);
}

TEST_F(IndexSlackTest, AStopStillCoversWhatWentAndACoverFileThatCannotBeMadeEndsTheCover) {
  // The first file erased, then the answer is stop: the second stays, the place is covered.
  recorder->answer = [&](std::size_t) { return os.Exists("E:\\docs\\a.txt"); };
  os.RefuseNewFiles("E:\\docs");  // and the folder takes no new file: the cover ends at once
  Run({"E:\\docs\\a.txt", "E:\\docs\\b.txt"});
  EXPECT_FALSE(os.Exists("E:\\docs\\a.txt"));
  EXPECT_TRUE(os.Exists("E:\\docs\\b.txt"));
  EXPECT_EQ(CoverFiles().size(), 1u);  // tried once, refused; the same for the 8.3 names
  EXPECT_EQ(CoverFiles(os, true, "E:\\docs\\").size(), 1u);
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_EQ(os.List("E:\\docs"), (std::vector<std::string>{"b.txt", "c.txt", "d", "e.txt"}));
}

// Items picked here and there out of a large folder: the folder is listed once for the places,
// which tells each item the name before it, and once after its cover; each place gets its cover, and the 8.3 cover is
// made once for the folder, after every item there is gone.
TEST_F(IndexSlackTest, ItemsPickedOutOfALargeFolderCostOneListingAndOneCoverStep) {
  constexpr int kEntries = 200;
  os.MakeDirectory("E:\\big");
  std::vector<std::string> picked;
  std::uint64_t slots = 0;
  for (int i = 0; i < kEntries; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "photo-%03d.jpg", i);
    os.MakeFile(std::string("E:\\big\\") + name, 100);
    if (i % 4 == 1) {
      picked.push_back(std::string("E:\\big\\") + name);
      slots += FatSlotsOf(name);
    }
  }
  // In an order of their own, not the listing's.
  std::reverse(picked.begin(), picked.end());
  Run(picked);

  std::size_t listings = 0;
  for (const auto& call : os.CallsOf(CallKind::kFindFirst)) listings += call.path == "E:\\big\\*" ? 1 : 0;
  EXPECT_EQ(listings, 2u);  // once for the places, once to see the 8.3 cover files gone
  // Each went beside the entry listed before it when it was picked.
  for (const auto& call : os.CallsOf(CallKind::kMove)) {
    const std::string from = call.path.substr(8), to = call.target.substr(8);
    if (from.rfind("photo-", 0) != 0) continue;
    char before[32];
    std::snprintf(before, sizeof before, "photo-%03d.jpg~", std::atoi(from.c_str() + 6) - 1);
    EXPECT_EQ(to.rfind(before, 0), 0u) << from << " -> " << to;
  }
  const std::vector<std::string> made = CoverFiles("E:\\big\\");
  ASSERT_EQ(made.size(), picked.size() * kSlackCoverFiles);
  const std::vector<std::string> slotFiles = CoverFiles(os, true, "E:\\big\\");
  EXPECT_EQ(slotFiles.size(), kShortCoverFiles + slots);
  std::size_t lastDelete = 0, firstCover = 0, index = 0;
  for (const auto& call : os.Calls()) {
    ++index;
    if (call.kind == CallKind::kDelete && call.path.rfind("E:\\big\\", 0) == 0 && firstCover == 0) lastDelete = index;
    if (call.kind == CallKind::kCreateNew && call.path.rfind("E:\\big\\", 0) == 0 && firstCover == 0) firstCover = index;
  }
  EXPECT_LT(lastDelete, firstCover);
  EXPECT_EQ(os.List("E:\\big").size(), static_cast<std::size_t>(kEntries) - picked.size());
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

// A network drive keeps its names on its server, and a subst drive is a folder of another
// drive by another name: no file of ours is made on either (not to cover a place, not in an
// emptied folder), and the subst drive's free space is not cleaned. The items still go.
TEST(CoverFilesAlone, NoneOnANetworkOrASubstDrive) {
  FakePlatform os;
  os.AddVolume('N', kDriveRemote, 4 * kMiB);
  os.AddVolume('S', kDriveFixed, 4 * kMiB);
  os.SetSubstituted('S');
  for (const std::string drive : {"N:", "S:"}) {
    os.MakeDirectory(drive + "\\docs");
    os.MakeFile(drive + "\\docs\\a.txt", 1000);
    os.MakeFile(drive + "\\docs\\b.txt", 1000);
  }
  ShreddingManager manager(os);
  manager.AddItem("N:\\docs\\a.txt", true);
  manager.AddItem("S:\\docs", true);
  manager.AddItem("S", true);
  EXPECT_EQ(manager.DriveCount(), 0);
  manager.Run();
  EXPECT_EQ(os.List("N:\\docs"), std::vector<std::string>{"b.txt"});
  EXPECT_FALSE(os.Exists("S:\\docs"));
  EXPECT_TRUE(os.CallsOf(CallKind::kCreateNew).empty());
  const std::vector<ItemOutcome> outcomes = manager.Outcomes();
  ASSERT_FALSE(outcomes.empty());
  EXPECT_EQ(outcomes[0].path, "S:\\");
  EXPECT_EQ(outcomes[0].left, LeftBecause::kDriveNotSupported);
}

}  // namespace
}  // namespace varnolt
