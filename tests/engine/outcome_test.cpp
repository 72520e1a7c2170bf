// What the manager says became of each item after a run: erased, or left and why, for every
// reason the platform can give and every way the run can end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/OwnNames.h"
#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"
#include "shred_test_support.h"

namespace varnolt {
namespace {

using CallKind = FakePlatform::CallKind;
using testing::RecordingCallback;
using testing::ScopedRecorder;
constexpr std::uint64_t kMiB = 1 << 20;

class OutcomeTest : public ::testing::Test {
 protected:
  OutcomeTest() : manager(os) {
    os.SetTicks(1000);
    os.SetTickStep(30);  // every report is made
    manager.SetCallback(RecordingCallback);
    os.MakeDirectory("C:\\w");
  }
  // The outcome of the item at `path`; fails the test when there is none.
  ItemOutcome Of(const std::string& path) const {
    for (const ItemOutcome& outcome : manager.Outcomes()) {
      if (outcome.path == path) return outcome;
    }
    ADD_FAILURE() << "no outcome for " << path;
    return ItemOutcome{path, LeftBecause::kNotLeft};
  }
  void Run(const std::vector<std::string>& names) {
    for (const std::string& name : names) manager.AddItem(name.c_str(), true);
    manager.Run();
  }
  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(OutcomeTest, EachFileSaysWhyTheSystemKeptIt) {
  for (const char* name : {"held", "denied", "gone", "erased", "undeletable"}) {
    os.MakeFile(std::string("C:\\w\\") + name, 10000);
  }
  os.HoldOpen("C:\\w\\held");
  os.RefuseOpen("C:\\w\\denied");
  os.RefuseDelete("C:\\w\\undeletable");
  manager.AddItem("C:\\w", true);
  // Gone between the intake and the run.
  ASSERT_TRUE(os.DeleteFilePath("C:\\w\\gone"));
  manager.Run();

  EXPECT_EQ(Of("C:\\w\\held").left, LeftBecause::kInUse);
  EXPECT_EQ(Of("C:\\w\\denied").left, LeftBecause::kAccessDenied);
  EXPECT_EQ(Of("C:\\w\\gone").left, LeftBecause::kGone);
  EXPECT_EQ(Of("C:\\w").left, LeftBecause::kFolderNotEmpty);
  const std::vector<ItemOutcome> outcomes = manager.Outcomes();
  ASSERT_EQ(outcomes.size(), 6u);
  EXPECT_TRUE(outcomes[3].Erased());  // under the random name it was deleted by
  EXPECT_FALSE(os.Exists("C:\\w\\erased"));
  // Overwritten, then the deletion refused: it stays under its random name, and says so.
  EXPECT_EQ(outcomes[4].left, LeftBecause::kAccessDenied);
  EXPECT_NE(outcomes[4].path, "C:\\w\\undeletable");
  EXPECT_TRUE(os.Exists(outcomes[4].path));
  EXPECT_FALSE(manager.Stopped());
}

TEST_F(OutcomeTest, AFailedWriteOrFlushIsAWriteFailure) {
  os.MakeFile("C:\\w\\write", 3 * 8192);
  os.MakeFile("C:\\w\\flush", 8192);
  os.MakeFile("C:\\w\\short", 8192);
  os.FailWrite(2);  // the second write of the first file
  Run({"C:\\w\\write"});
  EXPECT_EQ(Of("C:\\w\\write").left, LeftBecause::kWriteFailed);

  ShreddingManager second(os);
  os.FailFlush(1);
  second.AddItem("C:\\w\\flush", true);
  second.Run();
  EXPECT_EQ(second.Outcomes().at(0).left, LeftBecause::kWriteFailed);

  // A write that comes up short but reports success is the disk's room running out.
  ShreddingManager third(os);
  os.SetShortWritesSucceed(true);
  os.FailWrite(1, 100);
  third.AddItem("C:\\w\\short", true);
  third.Run();
  EXPECT_EQ(third.Outcomes().at(0).left, LeftBecause::kDiskFull);
  EXPECT_TRUE(os.Exists("C:\\w\\write") && os.Exists("C:\\w\\flush") && os.Exists("C:\\w\\short"));
}

TEST_F(OutcomeTest, ItemsLeftOnPurposeSayWhy) {
  os.MakeFile("C:\\w\\linked", 100);
  os.SetNameCount("C:\\w\\linked", 2);
  os.MakeFile("C:\\w\\odd", 100, 0, kAttrArchive | kAttrReparsePoint);
  os.SetReparseTag("C:\\w\\odd", 0x80000021);
  os.MakeDirectory("C:\\w\\odd-dir", kAttrDirectory | kAttrReparsePoint);
  os.SetReparseTag("C:\\w\\odd-dir", 0x80000021);
  Run({"C:\\w\\linked", "C:\\w\\odd", "C:\\w\\odd-dir"});
  EXPECT_EQ(Of("C:\\w\\linked").left, LeftBecause::kHardLink);
  EXPECT_EQ(Of("C:\\w\\odd").left, LeftBecause::kUnknownReparsePoint);
  EXPECT_EQ(Of("C:\\w\\odd-dir").left, LeftBecause::kUnknownReparsePoint);
}

// What the intake could not take is kept with its reason, first, in the order given.
TEST_F(OutcomeTest, ItemsNotTakenInAreReportedToo) {
  os.AddVolume('N', kDriveRemote, kMiB);
  os.AddVolume('R', kDriveCdRom, kMiB);
  os.MakeFile("C:\\w\\notes", 10);
  os.MakeDirectory("C:\\w\\dir");
  os.MakeFile("C:\\w\\dir\\ok", 10);
  os.MakeFile("C:\\w\\dir\\x", 10);
  os.ListUnder("C:\\w\\dir\\x", "..\\notes");  // a listed name that would lead elsewhere
  const std::string tooLong = "C:\\w\\" + std::string(33000, 'a');  // past the system's 32,767
  Run({"N", "R:\\", "C:\\w\\missing", "C:\\w\\notes.", tooLong, "C:\\w\\dir"});

  const std::vector<ItemOutcome> outcomes = manager.Outcomes();
  ASSERT_GE(outcomes.size(), 6u);
  EXPECT_EQ(outcomes[0].path, "N:\\");
  EXPECT_EQ(outcomes[0].left, LeftBecause::kDriveNotSupported);
  EXPECT_EQ(outcomes[1].left, LeftBecause::kDriveNotSupported);
  EXPECT_EQ(outcomes[2].path, "C:\\w\\missing");
  EXPECT_EQ(outcomes[2].left, LeftBecause::kGone);
  EXPECT_EQ(outcomes[3].path, "C:\\w\\notes.");
  EXPECT_EQ(outcomes[3].left, LeftBecause::kNameNotSupported);
  EXPECT_EQ(outcomes[4].path, tooLong);
  EXPECT_EQ(outcomes[4].left, LeftBecause::kNameNotSupported);
  EXPECT_EQ(outcomes[5].path, "C:\\w\\dir\\..\\notes");
  EXPECT_EQ(outcomes[5].left, LeftBecause::kNameNotSupported);
  EXPECT_FALSE(os.Exists("C:\\w\\dir\\ok"));
  EXPECT_TRUE(outcomes[6].Erased());
  EXPECT_EQ(Of("C:\\w\\dir").left, LeftBecause::kFolderNotEmpty);
  EXPECT_TRUE(os.Exists("C:\\w\\notes"));
}

TEST_F(OutcomeTest, AStopLeavesTheCurrentFilePartlyOverwrittenAndTheRestNotReached) {
  os.MakeFile("C:\\w\\first", 4 * 8192);
  os.MakeFile("C:\\w\\second", 8192);
  os.AddVolume('E', kDriveRemovable, kMiB);
  recorder->answer = [](std::size_t index) { return index < 2; };
  Run({"C:\\w\\first", "C:\\w\\second", "C:\\w", "E"});
  EXPECT_TRUE(manager.Stopped());
  EXPECT_EQ(Of("C:\\w\\first").left, LeftBecause::kStopped);
  EXPECT_EQ(Of("C:\\w\\second").left, LeftBecause::kNotReached);
  EXPECT_EQ(Of("C:\\w").left, LeftBecause::kNotReached);
  EXPECT_EQ(Of("E:\\").left, LeftBecause::kNotReached);

  // A run that goes to its end is no stop.
  recorder->answer = [](std::size_t) { return true; };
  manager.Run();
  EXPECT_FALSE(manager.Stopped());
}

class FreeSpaceOutcomeTest : public OutcomeTest {
 protected:
  FreeSpaceOutcomeTest() { os.AddVolume('E', kDriveFixed, 2 * kMiB); }
};

TEST_F(FreeSpaceOutcomeTest, ACleanedDriveIsErasedAndCoversItsFreeSpace) {
  os.MakeFile("E:\\keep", 1000);
  Run({"E"});
  const ItemOutcome drive = Of("E:\\");
  EXPECT_TRUE(drive.Erased());
  EXPECT_EQ(drive.measuredBytes, 2 * kMiB - 1000);
  EXPECT_EQ(drive.coveredBytes, 2 * kMiB - 1000);
}

// A root that takes no new file (a standard user's C:\): the fill file goes into a folder of
// ours, private, made new under a name marked as ours, and gone afterwards; only the fill
// file's writes reach the drive.
TEST_F(FreeSpaceOutcomeTest, ARootThatRefusesFilesIsCleanedThroughOurFolder) {
  os.MakeFile("E:\\keep", 1000, 0x42);
  os.RefuseNewFiles("E:\\");
  std::string folder;
  recorder->answer = [&](std::size_t) {
    const auto made = os.CallsOf(CallKind::kMakeFolder);
    if (folder.empty() && !made.empty()) folder = made[0].path;
    EXPECT_TRUE(os.IsPrivateFolder(folder)) << folder;
    return true;
  };
  Run({"E"});
  EXPECT_TRUE(Of("E:\\").Erased());
  ASSERT_FALSE(os.CallsOf(CallKind::kWrite).empty());
  // Writes name the file as the fake keys it, in capitals.
  std::string key = folder;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
  for (const auto& call : os.CallsOf(CallKind::kWrite)) EXPECT_EQ(call.path, key + "\\VARNOLT.TMP");
  EXPECT_EQ(os.FurthestWriteEnd(), 2 * kMiB - 1000);
  EXPECT_EQ(os.List("E:\\"), std::vector<std::string>{"keep"});
  EXPECT_EQ(os.OpenHandleCount(), 0);
  // The folder goes after the fill file, never before.
  const auto removals = os.CallsOf(CallKind::kRemoveDirectory);
  ASSERT_EQ(removals.size(), 1u);
  EXPECT_EQ(removals[0].path, folder);
}

// What a killed run left, a folder of ours (its name marked) with what it held, goes at the next
// cleaning; a user's folder under the old name, empty or not, and a file in it, stay, named.
TEST_F(FreeSpaceOutcomeTest, AFolderOfOursLeftByAKilledRunGoesAndAUsersFolderStays) {
  const std::string ours = "E:\\" + MarkedFolderName(".REC");
  os.MakeDirectory(ours);
  os.MakeDirectory(ours + "\\a");
  os.MakeFile(ours + "\\a\\7", 640, 0x11);
  os.MakeFile(ours + "\\00000000000000000000000000000012", 0);
  os.MakeDirectory("E:\\VARNOLT.FILL");
  os.MakeFile("E:\\VARNOLT.FILL\\VARNOLT.TMP", 3000, 0x42);
  os.MakeDirectory("E:\\VARNOLT.REC");
  Run({"E"});
  EXPECT_TRUE(Of("E:\\").Erased());
  EXPECT_FALSE(os.Exists(ours));
  EXPECT_EQ(os.Content("E:\\VARNOLT.FILL\\VARNOLT.TMP"), std::vector<std::uint8_t>(3000, 0x42));
  EXPECT_TRUE(os.IsDirectory("E:\\VARNOLT.REC"));
  EXPECT_EQ(Of("E:\\VARNOLT.FILL").left, LeftBecause::kNotOurs);
  EXPECT_EQ(Of("E:\\VARNOLT.FILL").measuredBytes, 3000u);
  EXPECT_EQ(Of("E:\\VARNOLT.REC").left, LeftBecause::kNotOurs);
  // A name that only looks marked (its check digits wrong) is no folder of ours either.
  std::string forged = ours;
  forged[forged.size() - 5] = forged[forged.size() - 5] == '0' ? '1' : '0';
  EXPECT_FALSE(IsMarkedFolderName(forged.substr(3)));
}

// No folder either (a write-protected medium): the drive is reported, nothing was written, and
// nothing of ours is left.
TEST_F(FreeSpaceOutcomeTest, WhenTheFolderCannotBeHadEitherTheDriveIsReported) {
  os.RefuseNewFiles("E:\\");
  os.RefuseNewFolders("E:\\");
  Run({"E"});
  EXPECT_EQ(Of("E:\\").left, LeftBecause::kFillFileNotCreated);
  EXPECT_TRUE(os.CallsOf(CallKind::kWrite).empty());
  EXPECT_TRUE(os.List("E:\\").empty());
}

// A file-size cap stops the fill file while the volume still has room, and no other fill file
// can follow it: cleaned in part, and by how much. When more fill files can follow, the drive
// is cleaned. A write that failed once and was asked again is no such case either.
TEST_F(FreeSpaceOutcomeTest, FreeSpaceCoveredOnlyInPartSaysHowMuch) {
  os.SetFileSizeCap('E', kMiB / 2);
  os.RefuseOpen("E:\\VARNOLT1.TMP");
  Run({"E"});
  ItemOutcome drive = Of("E:\\");
  EXPECT_EQ(drive.left, LeftBecause::kFreeSpaceInPart);
  EXPECT_EQ(drive.coveredBytes, kMiB / 2);
  EXPECT_EQ(drive.measuredBytes, 2 * kMiB);

  FakePlatform capped;
  capped.AddVolume('E', kDriveFixed, 2 * kMiB);
  capped.SetFileSizeCap('E', kMiB / 2);
  ShreddingManager filled(capped);
  filled.AddItem("E", true);
  filled.Run();
  EXPECT_TRUE(filled.Outcomes().at(0).Erased());
  EXPECT_EQ(filled.Outcomes().at(0).coveredBytes, 2 * kMiB);

  os.SetFileSizeCap('E', ~0ull);
  os.FailWrite(2);  // the second chunk of the first sweep
  ShreddingManager second(os);
  second.AddItem("E", true);
  second.Run();
  drive = second.Outcomes().at(0);
  EXPECT_TRUE(drive.Erased());
  EXPECT_EQ(drive.coveredBytes, 2 * kMiB);

  ShreddingManager third(os);
  os.FailFlush(2);
  third.AddItem("E", true);
  third.Run();
  EXPECT_EQ(third.Outcomes().at(0).left, LeftBecause::kFreeSpaceInPart);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(FreeSpaceOutcomeTest, AStoppedCleaningIsStoppedAndItsFolderGoes) {
  os.RefuseNewFiles("E:\\");
  recorder->answer = [](std::size_t index) { return index < 1; };
  Run({"E"});
  EXPECT_EQ(Of("E:\\").left, LeftBecause::kStopped);
  EXPECT_TRUE(os.List("E:\\").empty());
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

// The progress callback may throw (memory exhausted in the window): the fill file is closed,
// the folder removed and the buffers handed back on the way out.
TEST_F(FreeSpaceOutcomeTest, AnExceptionFromTheCallbackLeavesNothingOfOurs) {
  os.RefuseNewFiles("E:\\");
  recorder->answer = [](std::size_t) -> bool { throw std::runtime_error("window gone"); };
  manager.AddItem("E", true);
  EXPECT_THROW(manager.Run(), std::runtime_error);
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_EQ(os.LiveBufferCount(), 0);
  EXPECT_TRUE(os.List("E:\\").empty());
}

}  // namespace
}  // namespace varnolt
