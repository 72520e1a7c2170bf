// Covering the slack of the index of a directory the chosen items stood in: where, when, and
// that nothing of it stays.
#include "engine/IndexSlack.h"

#include <gtest/gtest.h>

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
  // The files the cover made, in order.
  std::vector<std::string> CoverFiles() const {
    std::vector<std::string> made;
    for (const auto& call : os.CallsOf(CallKind::kCreateNew)) made.push_back(call.path);
    return made;
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
  // The cover came after every item was gone, and went itself.
  EXPECT_EQ(os.List("E:\\docs"), std::vector<std::string>{"c.txt"});
  EXPECT_EQ(os.SizeOf("E:\\docs\\c.txt"), 1000u);
  EXPECT_EQ(os.OpenHandleCount(), 0);
  for (const ItemOutcome& outcome : manager.Outcomes()) EXPECT_TRUE(outcome.Erased()) << outcome.path;
}

TEST_F(IndexSlackTest, NotWhereNothingWentNorOnAVolumeWhoseIndexesDoNotMove) {
  // Held by another program: the file stays under its own name, nothing moved in the index.
  os.HoldOpen("E:\\docs\\c.txt");
  Run({"E:\\docs\\c.txt"});
  EXPECT_TRUE(os.Exists("E:\\docs\\c.txt"));
  EXPECT_TRUE(CoverFiles().empty());

  // FAT keeps a removed entry where it was, marked free: nothing moves over it.
  FakePlatform fat;
  fat.AddVolume('F', kDriveFixed, 64 * kMiB);
  fat.MakeDirectory("F:\\docs");
  fat.MakeFile("F:\\docs\\a.txt", 1000);
  ShreddingManager fatManager(fat);
  fatManager.SetCallback(RecordingCallback);
  fatManager.AddItem("F:\\docs\\a.txt", true);
  fatManager.Run();
  EXPECT_FALSE(fat.Exists("F:\\docs\\a.txt"));
  EXPECT_TRUE(fat.CallsOf(CallKind::kCreateNew).empty());
}

TEST_F(IndexSlackTest, AStopStillCoversWhatWentAndACoverFileThatCannotBeMadeEndsTheCover) {
  // The first file erased, then the answer is stop: the second stays, the place is covered.
  recorder->answer = [&](std::size_t) { return os.Exists("E:\\docs\\a.txt"); };
  os.RefuseNewFiles("E:\\docs");  // and the folder takes no new file: the cover ends at once
  Run({"E:\\docs\\a.txt", "E:\\docs\\b.txt"});
  EXPECT_FALSE(os.Exists("E:\\docs\\a.txt"));
  EXPECT_TRUE(os.Exists("E:\\docs\\b.txt"));
  EXPECT_EQ(CoverFiles().size(), 1u);  // tried once, refused
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_EQ(os.List("E:\\docs"), (std::vector<std::string>{"b.txt", "c.txt", "d", "e.txt"}));
}

}  // namespace
}  // namespace varnolt
