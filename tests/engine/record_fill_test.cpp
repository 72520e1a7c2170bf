// The free records of an NTFS file table, overwritten by small resident files once the fill
// holds every cluster, against the in-memory platform's model of a file table.
#include "engine/RecordFill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
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
using testing::FillFileCreations;
using Bytes = std::vector<std::uint8_t>;
constexpr std::uint64_t kMiB = 1 << 20;
const Bytes kStale(420, 'M');  // what a deleted small file left in its record

bool HoldsStale(const Bytes& record) {
  return std::search(record.begin(), record.end(), kStale.begin(), kStale.begin() + 16) != record.end();
}

bool Under(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '\\';
}

// The records' folder in E:\ while it stands (its name marked, OwnNames.h); empty when none.
std::string RecordFolder(const FakePlatform& os) {
  if (!os.Exists("E:\\")) return {};
  for (const std::string& name : os.List("E:\\")) {
    if (name.rfind("VARNOLT-", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".REC") == 0) {
      return "E:\\" + name;
    }
  }
  return {};
}

class RecordFillTest : public ::testing::Test {
 protected:
  RecordFillTest() : manager(os) {
    os.AddVolume('E', kDriveFixed, 2 * kMiB + kMiB / 2);
    os.SetTicks(1000);
    os.SetTickStep(30);  // every report is made
    manager.SetCallback(RecordingCallback);
  }
  void MakeNtfs(std::uint32_t freeRecords) {
    os.SetFileSystem('E', "NTFS");
    os.SetFileRecords('E', freeRecords, kStale);
    os.SetFolderEntryLimit('E', 5);  // an index that stays inside its folder's record
  }
  void CleanE() {
    manager.AddItem("E", true);
    manager.Run();
  }
  // The small files made once the fill file was open, each with the writes and flushes it was
  // given, in order; a creation refused has its call alone.
  std::map<std::string, std::vector<FakePlatform::Call>> CallsOfSmallFiles() const {
    std::map<std::string, std::vector<FakePlatform::Call>> calls;
    bool fillOpen = false;
    std::string folder;
    for (const auto& call : os.Calls()) {
      if (folder.empty() && call.kind == CallKind::kMakeFolder) folder = call.path;
      fillOpen = fillOpen || (call.kind == CallKind::kCreateNew && call.path == "E:\\VARNOLT.TMP");
      if (!fillOpen || !Under(call.path, folder)) continue;
      // Writes and flushes name the file as the fake keys it, in capitals.
      std::string key = call.path;
      std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
      if (call.kind == CallKind::kCreateNew) calls[key].clear();
      if (call.kind == CallKind::kCreateNew || call.kind == CallKind::kWrite || call.kind == CallKind::kFlush) {
        calls[key].push_back(call);
      }
    }
    return calls;
  }
  void ExpectNothingLeft() {
    EXPECT_EQ(RecordFolder(os), "");
    EXPECT_FALSE(os.Exists("E:\\VARNOLT.TMP"));
    EXPECT_EQ(os.List("E:\\"), std::vector<std::string>{});
    EXPECT_EQ(os.OpenHandleCount(), 0);
    EXPECT_EQ(os.LiveBufferCount(), 0);
  }

  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(RecordFillTest, EveryFreeRecordIsSweptThriceWhileTheFillHoldsTheClustersThenAllGoes) {
  MakeNtfs(40);
  std::vector<std::uint32_t> freeDuringRecords;
  bool fillOpenDuringRecords = true;
  recorder->answer = [&](std::size_t) {
    const std::string folder = RecordFolder(os);
    if (!folder.empty() && !os.List(folder).empty()) {
      fillOpenDuringRecords = fillOpenDuringRecords && os.Exists("E:\\VARNOLT.TMP");
      freeDuringRecords.push_back(os.FreeRecordCount('E'));
    }
    return true;
  };
  CleanE();

  ASSERT_EQ(manager.Outcomes().size(), 1u);
  EXPECT_EQ(manager.Outcomes()[0].left, LeftBecause::kNotLeft);
  EXPECT_TRUE(fillOpenDuringRecords);
  ASSERT_FALSE(freeDuringRecords.empty());
  EXPECT_EQ(freeDuringRecords.back(), 0u);  // the last file took the last free record
  // Every record but those of the fill file and of the folder, both made before the fill (the
  // model keeps a record's old bytes under them; on a real volume their own attributes and the
  // folder's index lie there), now holds what the sweeps left, the stale bytes gone.
  const auto records = os.RecordContents('E');
  ASSERT_EQ(records.size(), 40u);
  EXPECT_LE(std::count_if(records.begin(), records.end(), HoldsStale), 2);
  for (std::size_t record = 2; record < records.size(); ++record) EXPECT_FALSE(HoldsStale(records[record])) << record;
  // Each small file: created, then the pattern, its complement and random bytes over its whole
  // data, each flushed, before the next file.
  const auto files = CallsOfSmallFiles();
  EXPECT_GE(files.size(), 30u);
  for (const auto& [path, calls] : files) {
    if (calls.size() == 1) continue;  // refused: the folder was full
    ASSERT_EQ(calls.size(), 7u) << path;
    for (int sweep = 0; sweep < 3; ++sweep) {
      EXPECT_EQ(calls[1 + 2 * sweep].kind, CallKind::kWrite) << path;
      EXPECT_EQ(calls[1 + 2 * sweep].size, RecordFill::kDataBytes) << path;
      EXPECT_EQ(calls[1 + 2 * sweep].offset, 0u) << path;
      EXPECT_EQ(calls[2 + 2 * sweep].kind, CallKind::kFlush) << path;
    }
  }
  // Folders of five entries: the first one's last files made way for two subfolders. The first,
  // in the root, is private and marked as ours.
  const auto made = os.CallsOf(CallKind::kMakeFolder);
  ASSERT_FALSE(made.empty());
  const std::string folder = made[0].path;
  EXPECT_TRUE(IsMarkedFolderName(folder.substr(3)));
  EXPECT_TRUE(std::any_of(made.begin(), made.end(), [&](const auto& call) { return call.path == folder + "\\a"; }));
  EXPECT_TRUE(std::any_of(made.begin(), made.end(), [&](const auto& call) { return call.path == folder + "\\a\\b"; }));
  EXPECT_EQ(os.FreeRecordCount('E'), 40u);
  ExpectNothingLeft();
}

// On a FUSE volume a file deleted while open is first renamed beside itself, which a full folder
// refuses: closing it there leaves it. Every file still there at the end is deleted by name, so
// the folders go too and nothing of ours stays on the drive.
TEST_F(RecordFillTest, FilesThatStayWhenClosedInAFullFolderAreDeletedByName) {
  MakeNtfs(40);
  os.SetDeleteOnCloseNeedsAnEntry(true);
  CleanE();

  ASSERT_EQ(manager.Outcomes().size(), 1u);
  EXPECT_EQ(manager.Outcomes()[0].left, LeftBecause::kNotLeft);
  EXPECT_FALSE(os.CallsOf(CallKind::kMakeFolder).empty());
  ExpectNothingLeft();
}

TEST_F(RecordFillTest, TheRecordsTakeTheLastPartOfTheProgressWhichMovesOnToTheWhole) {
  MakeNtfs(40);
  std::size_t firstRecordReport = 0;
  recorder->answer = [&](std::size_t index) {
    const std::string folder = RecordFolder(os);
    if (firstRecordReport == 0 && !folder.empty() && !os.List(folder).empty()) firstRecordReport = index;
    return true;
  };
  CleanE();

  const auto& reports = recorder->reports;
  ASSERT_GT(firstRecordReport, 0u);
  ASSERT_GT(reports.size(), firstRecordReport + 30);
  // The fill's own reports end short of the whole; each record moves the gauge on.
  EXPECT_FLOAT_EQ(reports[firstRecordReport - 1].itemFraction, 0.95f);
  for (std::size_t i = firstRecordReport; i + 1 < reports.size(); ++i) {
    EXPECT_GT(reports[i].itemFraction, reports[i - 1].itemFraction) << i;
    EXPECT_LT(reports[i].itemFraction, 1.0f) << i;
  }
  EXPECT_FLOAT_EQ(reports.back().itemFraction, 1.0f);
  EXPECT_FLOAT_EQ(reports.back().overallFraction, 1.0f);
}

TEST_F(RecordFillTest, NotOnAnotherFileSystem) {
  os.SetFileRecords('E', 40, kStale);  // FAT32, as every volume starts
  CleanE();
  EXPECT_TRUE(os.CallsOf(CallKind::kMakeFolder).empty());
  EXPECT_EQ(FillFileCreations(os).size(), 1u);  // no record files
  EXPECT_FLOAT_EQ(recorder->reports.back().itemFraction, 1.0f);
  ExpectNothingLeft();
}

// Wine calls a drive that is a plain directory "NTFS": there small files take room, and the
// third whose room shows ends it before the fill.
TEST_F(RecordFillTest, AVolumeCalledNtfsWithoutAFileTableEndsAtTheThirdSmallFile) {
  os.SetFileSystem('E', "NTFS");
  CleanE();
  std::size_t smallFiles = 0;
  const std::string folder = os.CallsOf(CallKind::kMakeFolder).at(0).path;
  for (const auto& call : os.CallsOf(CallKind::kCreateNew)) smallFiles += Under(call.path, folder) ? 1 : 0;
  EXPECT_EQ(smallFiles, 3u);
  EXPECT_EQ(os.CallsOf(CallKind::kMakeFolder).size(), 1u);  // no subfolder: no record fill
  EXPECT_EQ(manager.Outcomes()[0].left, LeftBecause::kNotLeft);
  EXPECT_FLOAT_EQ(recorder->reports.back().itemFraction, 1.0f);
  ExpectNothingLeft();
}

// Wine tells free bytes in 4096-byte units over an ext4 of 1024-byte blocks: one small file's
// room may not show. Several are made; on a true file table the same count shows nothing.
TEST(RecordFillAlone, FreeBytesInWholeUnitsStillShowSmallFilesTakingRoom) {
  for (const bool table : {false, true}) {
    FakePlatform os;
    os.AddVolume('E', kDriveFixed, 4 * kMiB + 3000);  // 640 bytes more in use leave the count as it is
    os.SetFileSystem('E', "NTFS");
    os.SetFreeBytesUnit('E', 4096);
    if (table) os.SetFileRecords('E', 100, kStale);
    {
      RecordFill fill(os, "E:\\");
      EXPECT_EQ(fill.Prepare(), table ? RecordFill::Readiness::kReady : RecordFill::Readiness::kNotHere) << table;
      EXPECT_EQ(os.OpenHandleCount(), 0);
      if (table) {
        EXPECT_GT(fill.Prepared(), 99u);
      }
    }
    EXPECT_LE(os.CallsOf(CallKind::kCreateNew).size(), table ? 101u + 64 : 24u) << table;
    EXPECT_EQ(RecordFolder(os), "");
  }
}

TEST_F(RecordFillTest, AStopAmongTheRecordsLeavesNothingBehind) {
  MakeNtfs(40);
  int records = 0;
  recorder->answer = [&](std::size_t) {
    const std::string folder = RecordFolder(os);
    return !(!folder.empty() && !os.List(folder).empty() && ++records == 10);
  };
  CleanE();
  EXPECT_EQ(manager.Outcomes()[0].left, LeftBecause::kStopped);
  EXPECT_EQ(os.FreeRecordCount('E'), 40u);
  ExpectNothingLeft();
}

// The index is grown with up to a million files on a large volume before the fill starts: a
// stop is heard there too, and nothing of it stays.
TEST_F(RecordFillTest, AStopWhileTheIndexIsGrownLeavesNothingBehind) {
  MakeNtfs(40);
  os.SetFolderEntryLimit('E', 0);  // an index that grows with its entries
  recorder->answer = [&](std::size_t) {
    const std::string folder = RecordFolder(os);
    return folder.empty() || os.List(folder).empty();
  };
  CleanE();
  EXPECT_EQ(manager.Outcomes()[0].left, LeftBecause::kStopped);
  for (const auto& call : os.CallsOf(CallKind::kWrite)) EXPECT_NE(call.path, "E:\\VARNOLT.TMP") << "no fill was written";
  ExpectNothingLeft();
}

// Straight on the class: the folder's index is grown beforehand past the free records (the
// table grew once among the small files that show they stay in their records, and once more
// ends the growing), and a table that has to grow during the fill (the volume still has
// room) takes room of the volume, which ends it: it never grows the table to the volume's end.
TEST(RecordFillAlone, ATableThatGrowsEndsTheFill) {
  FakePlatform os;
  os.AddVolume('E', kDriveFixed, 4 * kMiB);
  os.SetFileSystem('E', "NTFS");
  os.SetFileRecords('E', 4, kStale);  // the folder takes one, three are left for files
  {
    RecordFill fill(os, "E:\\");
    ASSERT_EQ(fill.Prepare(), RecordFill::Readiness::kReady);
    EXPECT_EQ(os.OpenHandleCount(), 0);
    // Grown by the small files, then by the empty ones twice: the second step, before the
    // records of the first were used up, is the one that tells a table from an index.
    EXPECT_EQ(os.FreeRecordCount('E'), 3u + 3 * 64);
    EXPECT_EQ(fill.Prepared(), 24u + 43 + 64 + 1);
    std::vector<std::uint64_t> reported;
    EXPECT_EQ(fill.Run(0xAA, [&](std::uint64_t done) { return reported.push_back(done), true; }),
              RecordFill::End::kNotResident);
    ASSERT_EQ(reported.size(), 3u + 3 * 64);
    EXPECT_EQ(reported.back(), 3u + 3 * 64);
    EXPECT_EQ(fill.Records(), 3u + 3 * 64);
    EXPECT_EQ(os.OpenHandleCount(), 3 + 3 * 64 + 1);  // the one in the table grown again is held too
    // What the three files' records hold last: random bytes, not the stale ones nor a pattern.
    const auto records = os.RecordContents('E');
    for (int record = 1; record <= 3; ++record) {
      EXPECT_FALSE(HoldsStale(records[record])) << record;
      ASSERT_EQ(records[record].size(), RecordFill::kDataBytes) << record;
      EXPECT_FALSE(std::all_of(records[record].begin(), records[record].begin() + 16,
                               [](std::uint8_t b) { return b == 0xAA || b == 0x55; }))
          << record;
    }
  }
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_EQ(RecordFolder(os), "");
}

// An index that takes a table's step of room at once, far from the table's growth, does not end
// the preparation: the index is grown for every free record, not for the few before the step.
TEST(RecordFillAlone, AnIndexStepAloneDoesNotEndThePreparation) {
  FakePlatform os;
  os.AddVolume('E', kDriveFixed, 4 * kMiB);
  os.SetFileSystem('E', "NTFS");
  os.SetFileRecords('E', 200, kStale);  // the folder takes one
  os.TakeRoomAtCreation(50, 20 * 1024);  // the folder, 24 small files, then the 25th empty one
  RecordFill fill(os, "E:\\");
  ASSERT_EQ(fill.Prepare(), RecordFill::Readiness::kReady);
  // Every free record took a file; the table grew twice, the second time ending it.
  EXPECT_EQ(fill.Prepared(), 199u + 64 + 1);
  EXPECT_EQ(os.FreeRecordCount('E'), 199u + 2 * 64);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

// A user's folder under the old name, holding files named as ours, is neither entered nor
// emptied: the records go in a new folder beside it. One whose name stands is passed over too,
// never taken; and where no folder can be made at all the cleaning says it was done in part.
TEST(RecordFillAlone, ANameThatStandsIsNeverTakenAndNoFolderMeansCleanedInPart) {
  FakePlatform os;
  os.AddVolume('E', kDriveFixed, 4 * kMiB);
  os.SetFileSystem('E', "NTFS");
  os.SetFileRecords('E', 10, kStale);
  os.MakeDirectory("E:\\VARNOLT.REC");
  os.MakeFileWithContent("E:\\VARNOLT.REC\\0", Bytes(10, 0x42));
  {
    RecordFill fill(os, "E:\\");
    ASSERT_EQ(fill.Prepare(), RecordFill::Readiness::kReady);
    fill.Run(0xAA, [](std::uint64_t) { return true; });
    EXPECT_GT(fill.Records(), 0u);
  }
  EXPECT_EQ(os.Content("E:\\VARNOLT.REC\\0"), Bytes(10, 0x42));
  EXPECT_EQ(os.List("E:\\"), std::vector<std::string>{"VARNOLT.REC"});
  EXPECT_EQ(os.OpenHandleCount(), 0);

  os.RefuseNewFolders("E:\\");
  ShreddingManager manager(os);
  manager.AddItem("E", true);
  manager.Run();
  const auto outcomes = manager.Outcomes();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[0].left, LeftBecause::kFreeSpaceInPart);
  EXPECT_EQ(outcomes[1].path, "E:\\VARNOLT.REC");
  EXPECT_EQ(outcomes[1].left, LeftBecause::kNotOurs);
  EXPECT_EQ(outcomes[1].measuredBytes, 10u);
  EXPECT_EQ(os.Content("E:\\VARNOLT.REC\\0"), Bytes(10, 0x42));
}

TEST(RecordFillAlone, ALinkUnderAnOldNameOfOursIsNotFollowed) {
  FakePlatform os;
  os.AddVolume('E', kDriveFixed, 4 * kMiB);
  os.SetFileSystem('E', "NTFS");
  os.SetFileRecords('E', 10, kStale);
  os.MakeDirectory("C:\\elsewhere");
  os.MakeDirectoryLink("E:\\VARNOLT.REC", "C:\\elsewhere");
  ShreddingManager manager(os);
  manager.AddItem("E", true);
  manager.Run();
  EXPECT_TRUE(os.List("C:\\elsewhere").empty());
  EXPECT_TRUE(os.IsDirectory("E:\\VARNOLT.REC"));
  ASSERT_EQ(manager.Outcomes().size(), 2u);
  EXPECT_EQ(manager.Outcomes()[0].left, LeftBecause::kNotLeft);
  EXPECT_EQ(manager.Outcomes()[1].left, LeftBecause::kNotOurs);
}

}  // namespace
}  // namespace varnolt
