// A whole run through the manager: the order files, directories, drives; stops; failures that
// leave items standing; the progress the callback sees.
#include <gtest/gtest.h>

#include <regex>
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
using Bytes = std::vector<std::uint8_t>;
constexpr std::uint64_t kMiB = 1 << 20;


class ManagerRunTest : public ::testing::Test {
 protected:
  ManagerRunTest() : manager(os) {
    os.SetTicks(1000);
    os.SetTickStep(30);  // every report is made
    manager.SetCallback(RecordingCallback);
  }
  // Index in the call log of the first call of `kind`, or of the last one.
  std::size_t FirstIndexOf(CallKind kind) const {
    const auto& calls = os.Calls();
    for (std::size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].kind == kind) return i;
    }
    return calls.size();
  }
  // Index of the first call of `kind` naming `path`, or the log's size.
  std::size_t IndexOf(CallKind kind, const std::string& path) const {
    const auto& calls = os.Calls();
    for (std::size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].kind == kind && calls[i].path == path) return i;
    }
    return calls.size();
  }
  std::size_t LastIndexOf(CallKind kind) const {
    const auto& calls = os.Calls();
    for (std::size_t i = calls.size(); i-- > 0;) {
      if (calls[i].kind == kind) return i;
    }
    return calls.size();
  }
  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(ManagerRunTest, FilesThenDirectoriesDeepestFirstThenDrives) {
  os.AddVolume('E', kDriveRemovable, 2 * kMiB);
  os.MakeDirectory("C:\\D");
  os.MakeFile("C:\\D\\a", 100);
  os.MakeDirectory("C:\\D\\S");
  os.MakeDirectory("C:\\D\\S\\T");
  os.MakeFile("C:\\D\\S\\T\\b", 200);
  os.MakeFile("C:\\loose", 300);
  manager.AddItem("E", true);  // added first, cleaned last
  manager.AddItem("C:\\D", true);
  manager.AddItem("C:\\loose", true);
  manager.Run();

  EXPECT_FALSE(os.Exists("C:\\D"));
  EXPECT_FALSE(os.Exists("C:\\loose"));
  EXPECT_EQ(os.List("C:\\"), std::vector<std::string>{});
  EXPECT_EQ(os.List("E:\\"), std::vector<std::string>{});
  EXPECT_EQ(os.CallsOf(CallKind::kDelete).size(), 3u);
  EXPECT_LT(LastIndexOf(CallKind::kDelete), FirstIndexOf(CallKind::kRemoveDirectory));
  EXPECT_LT(LastIndexOf(CallKind::kRemoveDirectory), IndexOf(CallKind::kCreateNew, "E:\\VARNOLT.TMP"));
  // Each directory was removed under its random name, T before S before D.
  const auto moves = os.CallsOf(CallKind::kMove);
  std::vector<std::string> movedDirectories;
  for (const auto& move : moves) {
    if (move.path == "C:\\D\\S\\T" || move.path == "C:\\D\\S" || move.path == "C:\\D") {
      movedDirectories.push_back(move.path);
    }
  }
  EXPECT_EQ(movedDirectories, (std::vector<std::string>{"C:\\D\\S\\T", "C:\\D\\S", "C:\\D"}));
  const auto removals = os.CallsOf(CallKind::kRemoveDirectory);
  ASSERT_EQ(removals.size(), 3u);
  EXPECT_TRUE(std::regex_match(removals[2].path, std::regex(R"(C:\\\d{1,10})"))) << removals[2].path;
  for (const auto& directory : manager.Directories()) EXPECT_EQ(directory.Status(), 2);
}

TEST_F(ManagerRunTest, EmptyDirectoryAloneIsRenamedAndRemovedWithoutReports) {
  os.MakeDirectory("C:\\lonely");
  manager.AddItem("C:\\lonely", true);
  manager.SetCallback(nullptr);  // a run of directories only has no window
  manager.Run();
  EXPECT_FALSE(os.Exists("C:\\lonely"));
  // Two names beside its own, then a number.
  ASSERT_EQ(os.CallsOf(CallKind::kMove).size(), 3u);
  EXPECT_TRUE(std::regex_match(os.CallsOf(CallKind::kMove)[2].target, std::regex(R"(C:\\\d{1,10})")));
  EXPECT_TRUE(recorder->reports.empty());
}

TEST_F(ManagerRunTest, StopDuringTheFirstFileSkipsEveryRemainingItem) {
  os.AddVolume('E', kDriveFixed, 2 * kMiB);
  os.MakeDirectory("C:\\D");
  os.MakeFile("C:\\D\\first", 4 * 8192, 0x11);
  os.MakeDirectory("C:\\D\\S");
  os.MakeFile("C:\\D\\S\\second", 8192, 0x22);
  manager.AddItem("C:\\D", true);
  manager.AddItem("E", true);
  recorder->answer = [](std::size_t index) { return index < 1; };
  manager.Run();

  EXPECT_EQ(recorder->reports.size(), 2u);
  EXPECT_EQ(os.CallsOf(CallKind::kWrite).size(), 2u);
  EXPECT_TRUE(os.Exists("C:\\D\\first"));
  EXPECT_EQ(os.Content("C:\\D\\S\\second"), Bytes(8192, 0x22));
  EXPECT_TRUE(os.CallsOf(CallKind::kMove).empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kRemoveDirectory).empty());
  EXPECT_EQ(IndexOf(CallKind::kCreateNew, "E:\\VARNOLT.TMP"), os.Calls().size());  // no fill file
}

TEST_F(ManagerRunTest, CancelDuringFreeSpaceSweepOneDeletesTheFillFileAndSkipsTheNextDrive) {
  os.AddVolume('E', kDriveFixed, 3 * kMiB);
  os.AddVolume('F', kDriveRemovable, 3 * kMiB);
  manager.AddItem("E", true);
  manager.AddItem("F", true);
  recorder->answer = [](std::size_t index) { return index < 1; };
  manager.Run();

  EXPECT_EQ(os.WriteSizes(), (std::vector<std::uint64_t>{kMiB, kMiB}));  // no chunk after the stop
  EXPECT_FALSE(os.Exists("E:\\VARNOLT.TMP"));
  EXPECT_EQ(os.UsedBytes('E'), 0u);
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_EQ(os.LiveBufferCount(), 0);
  const auto creations = os.CallsOf(CallKind::kCreateNew);
  ASSERT_EQ(creations.size(), 1u);
  EXPECT_EQ(creations[0].path, "E:\\VARNOLT.TMP");
}

TEST_F(ManagerRunTest, ItemCountIsFilesAndDrivesAndItemsDoneAdvancesPerItem) {
  os.AddVolume('E', kDriveFixed, kMiB);
  os.MakeDirectory("C:\\D");
  os.MakeDirectory("C:\\D\\S");
  os.MakeFile("C:\\D\\one", 8192);
  os.MakeFile("C:\\D\\S\\two", 8192);
  manager.AddItem("C:\\D", true);
  manager.AddItem("E", true);
  EXPECT_EQ(manager.DirectoryCount(), 2);
  manager.Run();

  // Three sweeps of each file, then the drive's: three sweeps and the cover of its directories.
  ASSERT_GT(recorder->reports.size(), 3u + 3u + 3u);
  std::vector<std::int32_t> itemsDone;
  for (const auto& report : recorder->reports) {
    EXPECT_EQ(report.itemCount, 3);
    itemsDone.push_back(report.itemsDone);
  }
  itemsDone.resize(9);
  EXPECT_EQ(itemsDone, (std::vector<std::int32_t>{0, 0, 0, 1, 1, 1, 2, 2, 2}));
  EXPECT_EQ(recorder->reports.back().itemsDone, 2);
  // Bytes: 8192 + 8192 + 1 MiB; the last report of the drive closes the whole job.
  EXPECT_FLOAT_EQ(recorder->reports[5].overallFraction, 16384.0f / (16384 + kMiB));
  EXPECT_FLOAT_EQ(recorder->reports.back().overallFraction, 1.0f);
}

TEST_F(ManagerRunTest, DriveThatGrewAfterItWasCountedGivesFiniteFractionsWithoutFault) {
  // Counted with no free space at all, run with 1 MiB free: the total is zero.
  os.AddVolume('E', kDriveFixed, kMiB);
  os.MakeFile("E:\\filler", kMiB);
  manager.AddItem("E", true);
  EXPECT_EQ(manager.TotalBytes(), 0u);
  os.DeleteFilePath("E:\\filler");
  manager.Run();
  ASSERT_GT(recorder->reports.size(), 3u);
  EXPECT_FLOAT_EQ(recorder->reports.back().overallFraction, 1.0f);

  // Counted with 1 MiB free, run with 2 MiB free: the fraction ends at 2.
  ScopedRecorder again;
  os.AddVolume('F', kDriveFixed, 2 * kMiB);
  os.MakeFile("F:\\filler", kMiB);
  ShreddingManager grown(os);
  grown.SetCallback(RecordingCallback);
  grown.AddItem("F", true);
  os.DeleteFilePath("F:\\filler");
  grown.Run();
  ASSERT_GT(again->reports.size(), 6u);
  EXPECT_FLOAT_EQ(again->reports.back().overallFraction, 2.0f);
  EXPECT_FLOAT_EQ(again->reports.back().itemFraction, 1.0f);
}

TEST_F(ManagerRunTest, FileLeftInPlaceKeepsItsChainOfDirectories) {
  // D holds a, S (holding b and T with c) and U (holding d). b cannot be erased.
  os.MakeDirectory("C:\\D");
  os.MakeFile("C:\\D\\a", 10);
  os.MakeDirectory("C:\\D\\S");
  os.MakeFile("C:\\D\\S\\b", 10, 0x42);
  os.MakeDirectory("C:\\D\\S\\T");
  os.MakeFile("C:\\D\\S\\T\\c", 10);
  os.MakeDirectory("C:\\D\\U");
  os.MakeFile("C:\\D\\U\\d", 10);

  // Held open by another program: the file cannot be opened, and the system does not let its
  // directories move either.
  os.HoldOpen("C:\\D\\S\\b");
  manager.AddItem("C:\\D", true);
  manager.Run();
  os.Release("C:\\D\\S\\b");
  EXPECT_EQ(os.List("C:\\D"), std::vector<std::string>{"S"});
  EXPECT_EQ(os.List("C:\\D\\S"), std::vector<std::string>{"b"});
  EXPECT_EQ(os.Content("C:\\D\\S\\b"), Bytes(10, 0x42));
}

// What is left of the user's files stays where it was: no directory above it takes a number.
TEST_F(ManagerRunTest, FileWhoseOverwriteFailedKeepsItsDirectoriesUnderTheirNames) {
  os.MakeDirectory("C:\\D", kAttrDirectory | kAttrHidden);
  os.MakeDirectory("C:\\D\\S");
  os.MakeFile("C:\\D\\S\\b", 3 * 8192);
  os.MakeFile("C:\\D\\e", 10);
  os.MakeDirectory("C:\\D\\empty");
  os.FailWrite(2);  // the second block of b
  manager.AddItem("C:\\D", true);
  manager.Run();

  EXPECT_EQ(os.List("C:\\"), std::vector<std::string>{"D"});
  EXPECT_EQ(os.List("C:\\D"), std::vector<std::string>{"S"});
  EXPECT_EQ(os.List("C:\\D\\S"), std::vector<std::string>{"b"});
  EXPECT_EQ(os.AttributesOf("C:\\D"), kAttrDirectory | kAttrHidden);
  // e and empty (each two names beside its own, then a number), nothing else.
  EXPECT_EQ(os.CallsOf(CallKind::kMove).size(), 6u);
  const auto& directories = manager.Directories();
  ASSERT_EQ(directories.size(), 3u);
  EXPECT_EQ(directories[0].Left(), LeftBecause::kFolderNotEmpty);  // S
  EXPECT_EQ(directories[1].Left(), LeftBecause::kNotLeft);         // empty
  EXPECT_EQ(directories[2].Left(), LeftBecause::kFolderNotEmpty);  // D
}

// A directory that fills up between the look and the removal goes back to its own name.
TEST_F(ManagerRunTest, DirectoryThatCannotBeRemovedAfterItsRenameTakesItsNameBack) {
  os.MakeDirectory("C:\\D");
  os.RefuseRemoveDirectory("C:\\D");
  manager.AddItem("C:\\D", true);
  manager.Run();
  EXPECT_EQ(os.List("C:\\"), std::vector<std::string>{"D"});
  ASSERT_EQ(os.CallsOf(CallKind::kMove).size(), 4u);  // two names beside, a number, and back
  EXPECT_EQ(manager.Directories()[0].Left(), LeftBecause::kAccessDenied);  // the refusal, as the system gave it
}

TEST_F(ManagerRunTest, FileNamedTwiceIsErasedOnceAndTheSecondFindsNothing) {
  os.MakeFile("C:\\twice", 8192);
  manager.AddItem("C:\\twice", true);
  manager.AddItem("C:\\twice", true);
  EXPECT_EQ(manager.TotalBytes(), 2u * 8192);
  manager.Run();
  EXPECT_FALSE(os.Exists("C:\\twice"));
  EXPECT_EQ(os.WriteSizes().size(), 3u);
  // The first file's reports reach half the whole; the second, gone already, writes nothing
  // and counts as done.
  float firstFileEnd = 0;
  for (const auto& report : recorder->reports) {
    if (report.itemsDone == 0) firstFileEnd = report.overallFraction;
    EXPECT_NE(report.itemsDone, 1);
  }
  EXPECT_FLOAT_EQ(firstFileEnd, 0.5f);
  EXPECT_FLOAT_EQ(recorder->reports.back().overallFraction, 1.0f);
}

}  // namespace
}  // namespace varnolt
