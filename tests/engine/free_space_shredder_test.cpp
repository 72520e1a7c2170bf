// Cleaning a drive's free space with the fill file, against the in-memory platform.
#include "engine/FreeSpaceShredder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/OwnNames.h"
#include "engine/Random.h"
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
using Sizes = std::vector<std::uint64_t>;
constexpr std::uint64_t kMiB = 1 << 20;
constexpr std::uint64_t kHalf = kMiB / 2;
constexpr const char* kFill = "E:\\VARNOLT.TMP";
// A drive of these tests keeps its names in slots (FAT): the fill's reports come first, the
// cover of its directories' slots after.
constexpr float kFillShare = static_cast<float>(1 - FreeSpaceShredder::kNamesShare);

bool AllEqual(const Bytes& bytes, std::size_t from, std::size_t to, std::uint8_t value) {
  return std::all_of(bytes.begin() + from, bytes.begin() + to,
                     [value](std::uint8_t b) { return b == value; });
}

class FreeSpaceShredderTest : public ::testing::Test {
 protected:
  FreeSpaceShredderTest() : manager(os) {
    os.AddVolume('E', kDriveRemovable, 0);
    os.SetTicks(1000);
    os.SetTickStep(30);  // every report is made
    manager.SetCallback(RecordingCallback);
  }
  // Cleans E:\ through the manager, as a run does.
  void CleanE() {
    manager.AddItem("E", true);
    manager.Run();
  }
  std::vector<float> ItemFractions() {
    std::vector<float> fractions;
    for (const auto& report : recorder->reports) fractions.push_back(report.itemFraction);
    return fractions;
  }
  std::vector<std::uint64_t> WriteOffsets() const {
    std::vector<std::uint64_t> offsets;
    for (const auto& call : os.CallsOf(CallKind::kWrite)) offsets.push_back(call.offset);
    return offsets;
  }
  // The drive is as it was: no fill file, no handle, no buffer.
  void ExpectNothingLeft() {
    EXPECT_FALSE(os.Exists(kFill));
    EXPECT_EQ(os.OpenHandleCount(), 0);
    EXPECT_EQ(os.LiveBufferCount(), 0);
    for (const auto& drive : manager.Drives()) EXPECT_FALSE(drive.HoldsBuffers());
  }

  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(FreeSpaceShredderTest, FreeSpaceOfTwoAndAHalfMebibytesInThreeSweeps) {
  os.SetCapacity('E', 5 * kHalf);
  std::vector<Bytes> afterSweep;
  recorder->answer = [&](std::size_t index) {
    if (index % 3 == 2 && index < 9) afterSweep.push_back(os.Content(kFill));
    return true;
  };
  CleanE();

  EXPECT_EQ(os.WriteSizes(), (Sizes{kMiB, kMiB, kHalf, kMiB, kMiB, kHalf, kMiB, kMiB, kHalf}));
  EXPECT_EQ(WriteOffsets(), (Sizes{0, kMiB, 2 * kMiB, 0, kMiB, 2 * kMiB, 0, kMiB, 2 * kMiB}));
  // The fill's reports, then those of the deleted names' cover, which end the whole.
  const float size = 5 * kHalf;
  std::vector<float> expected;
  for (std::uint64_t done : {2, 4, 5, 7, 9, 10, 12, 14, 15}) expected.push_back(kFillShare * done * kHalf / (3 * size));
  const std::vector<float> fractions = ItemFractions();
  ASSERT_GT(fractions.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_FLOAT_EQ(fractions[i], expected[i]) << i;
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_FLOAT_EQ(recorder->reports.back().itemFraction, 1.0f);
  EXPECT_FLOAT_EQ(recorder->reports.back().overallFraction, 1.0f);

  ASSERT_EQ(afterSweep.size(), 3u);
  EXPECT_TRUE(AllEqual(afterSweep[0], 0, 5 * kHalf, 0xAA));
  EXPECT_TRUE(AllEqual(afterSweep[1], 0, 5 * kHalf, 0x55));
  const Bytes& random = afterSweep[2];
  ASSERT_EQ(random.size(), 5 * kHalf);
  EXPECT_LT(std::count(random.begin(), random.end(), 0x55), static_cast<long>(kMiB / 64));
  // The buffer is refilled before every chunk, the short last one too.
  EXPECT_FALSE(std::equal(random.begin(), random.begin() + kHalf, random.begin() + kMiB));
  EXPECT_FALSE(std::equal(random.begin() + kMiB, random.begin() + kMiB + kHalf, random.begin() + 2 * kMiB));
  // Each sweep is on the disk before the next starts.
  std::vector<CallKind> order;
  for (const auto& call : os.Calls()) {
    if (call.kind == CallKind::kSeek || call.kind == CallKind::kFlush) order.push_back(call.kind);
  }
  EXPECT_EQ(order, (std::vector<CallKind>{CallKind::kSeek, CallKind::kFlush, CallKind::kSeek,
                                          CallKind::kFlush, CallKind::kSeek, CallKind::kFlush}));
  ExpectNothingLeft();
  EXPECT_EQ(os.UsedBytes('E'), 0u);
}

TEST_F(FreeSpaceShredderTest, RandomSweepWritesTheGeneratorsWordsAWholeFreshBufferPerChunk) {
  os.SetSeconds(1700000456);
  os.SetCapacity('E', 5 * kHalf);
  Bytes random;
  recorder->answer = [&](std::size_t index) {
    if (index == 8) random = os.Content(kFill);
    return true;
  };
  CleanE();

  // The run seeded the generator from the seconds; the short last chunk takes the first half
  // of a buffer drawn whole.
  SeedRandom(1700000456);
  Bytes expected(3 * kMiB);
  for (int chunk = 0; chunk < 3; ++chunk) FillRandomWords(expected.data() + chunk * kMiB, kMiB / 2);
  expected.resize(5 * kHalf);
  EXPECT_EQ(random, expected);
  ExpectNothingLeft();
}

// A write the system takes only in part (a device error, or Wine's short "success") is asked
// again for the rest, in halves: the sweep still covers the whole area.
TEST_F(FreeSpaceShredderTest, AWriteTakenInPartIsAskedAgainInHalves) {
  os.SetCapacity('E', 5 * kHalf);
  for (bool shortWriteSucceeds : {false, true}) {
    SCOPED_TRACE(shortWriteSucceeds);
    os.ClearCalls();
    recorder->reports.clear();
    os.SetShortWritesSucceed(shortWriteSucceeds);
    os.FailWrite(3, 1000);
    ShreddingManager fresh(os);
    fresh.SetCallback(RecordingCallback);
    fresh.AddItem("E", true);
    fresh.Run();

    const Sizes sweep{kMiB, kMiB, kHalf};
    Sizes expected{kMiB, kMiB, kHalf, kHalf / 2, kHalf / 2 - 1000};
    expected.insert(expected.end(), sweep.begin(), sweep.end());
    expected.insert(expected.end(), sweep.begin(), sweep.end());
    EXPECT_EQ(os.WriteSizes(), expected);
    EXPECT_EQ(WriteOffsets()[3], 2 * kMiB + 1000);  // where the short write left off
    ASSERT_GT(recorder->reports.size(), 9u);
    EXPECT_FLOAT_EQ(recorder->reports[2].itemFraction, kFillShare / 3);
    EXPECT_FLOAT_EQ(recorder->reports.back().itemFraction, 1.0f);
    EXPECT_TRUE(fresh.Outcomes().at(0).Erased());
    ExpectNothingLeft();
  }
}

// Windows takes nothing of a write that does not fit. When the free space measured at the
// start is not all there at the end (the volume's own records of the growing file take some),
// the last 1 MiB write fails whole: the halves go on down to the cluster size, so the last
// clusters are covered too.
TEST_F(FreeSpaceShredderTest, TheLastClustersAreCoveredByWritesDownToTheClusterSize) {
  os.SetWholeWritesOnly('E');
  os.SetClusterSize('E', 4096);
  os.SetCapacity('E', 3 * kMiB);
  recorder->answer = [&](std::size_t index) {
    if (index == 0) os.SetCapacity('E', 2 * kMiB + 3 * 4096);
    return true;
  };
  CleanE();
  Sizes firstSweep{kMiB, kMiB, kMiB};
  for (std::uint64_t piece = kHalf; piece > 8192; piece /= 2) firstSweep.push_back(piece);  // refused
  // 3 clusters left: 8 KiB fits, the next 8 KiB does not, 4 KiB does, and then nothing.
  firstSweep.insert(firstSweep.end(), {8192, 8192, 4096, 4096});
  const Sizes writes = os.WriteSizes();
  ASSERT_GE(writes.size(), firstSweep.size());
  EXPECT_EQ(Sizes(writes.begin(), writes.begin() + firstSweep.size()), firstSweep);
  // The other sweeps rewrite what the first reached, which fits: the last write is 3 clusters.
  EXPECT_EQ(Sizes(writes.begin() + firstSweep.size(), writes.end()),
            (Sizes{kMiB, kMiB, 3 * 4096, kMiB, kMiB, 3 * 4096}));
  EXPECT_EQ(os.FurthestWriteEnd(), 2 * kMiB + 3 * 4096);
  EXPECT_EQ(FillFileCreations(os).size(), 1u);  // no room was left for another file
  EXPECT_TRUE(manager.Outcomes().at(0).Erased());
  EXPECT_FLOAT_EQ(recorder->reports.back().itemFraction, 1.0f);
  ExpectNothingLeft();
  EXPECT_EQ(os.UsedBytes('E'), 0u);
}

// A file-size cap (FAT32's 4 GiB, here 2.5 MiB) stops the fill file with room left: more fill
// files beside it take the rest, each made new, and every sweep rewrites them all. The
// progress counts the whole area and reaches its end only with the last sweep.
TEST_F(FreeSpaceShredderTest, AFileSizeCapIsMetWithMoreFillFilesUntilTheVolumeIsFull) {
  os.SetCapacity('E', 10 * kMiB);
  os.SetFileSizeCap('E', 5 * kHalf);
  const std::vector<std::string> names{kFill, "E:\\VARNOLT1.TMP", "E:\\VARNOLT2.TMP", "E:\\VARNOLT3.TMP"};
  std::vector<std::vector<Bytes>> afterSweep;  // per sweep, each file's bytes
  recorder->answer = [&](std::size_t index) {
    const float fraction = recorder->reports[index].itemFraction;
    for (float end : {kFillShare / 3, 2 * kFillShare / 3, kFillShare}) {
      if (fraction == end && afterSweep.size() < 3) {
        afterSweep.emplace_back();
        for (const std::string& name : names) afterSweep.back().push_back(os.Content(name));
      }
    }
    return true;
  };
  CleanE();

  const auto creations = FillFileCreations(os);
  ASSERT_EQ(creations.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(creations[i].path, names[i]);
  ASSERT_EQ(afterSweep.size(), 3u);
  const std::uint8_t sweepValue[2] = {0xAA, 0x55};
  for (std::size_t sweep = 0; sweep < 3; ++sweep) {
    for (std::size_t file = 0; file < names.size(); ++file) {
      SCOPED_TRACE(names[file] + " sweep " + std::to_string(sweep + 1));
      const Bytes& bytes = afterSweep[sweep][file];
      ASSERT_EQ(bytes.size(), 5 * kHalf);
      if (sweep < 2) {
        EXPECT_TRUE(AllEqual(bytes, 0, bytes.size(), sweepValue[sweep]));
      } else {
        EXPECT_LT(std::count(bytes.begin(), bytes.end(), 0x55), static_cast<long>(kMiB / 64));
      }
    }
  }
  // Every file is rewound and flushed in every sweep.
  EXPECT_EQ(os.CallsOf(CallKind::kSeek).size(), 12u);
  EXPECT_EQ(os.CallsOf(CallKind::kFlush).size(), 12u);
  // Rising, and whole only at the very end.
  const std::vector<float> fractions = ItemFractions();
  ASSERT_FALSE(fractions.empty());
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_FLOAT_EQ(fractions.back(), 1.0f);
  EXPECT_LT(fractions[fractions.size() - 2], 1.0f);
  EXPECT_TRUE(manager.Outcomes().at(0).Erased());
  for (const std::string& name : names) EXPECT_FALSE(os.Exists(name)) << name;
  ExpectNothingLeft();
  EXPECT_EQ(os.UsedBytes('E'), 0u);
}

// A numbered name that stands already is someone else's file (or one a crash left): it is
// neither truncated nor written, and the next number is taken; the end of the run names it,
// with its size. In a root that takes no new file, the numbered files go into our folder (its
// name marked as ours, private) beside the first.
TEST_F(FreeSpaceShredderTest, NumberedFillFilesNeverTakeOverAFileAndFollowTheFirstIntoOurFolder) {
  os.SetCapacity('E', 6 * kMiB);
  os.SetFileSizeCap('E', 2 * kMiB);
  os.MakeFile("E:\\VARNOLT1.TMP", 1000, 0x42);
  os.MakeFileLink("E:\\VARNOLT2.TMP", "E:\\VARNOLT1.TMP");
  CleanE();
  EXPECT_EQ(os.Content("E:\\VARNOLT1.TMP"), Bytes(1000, 0x42));
  EXPECT_TRUE(os.IsLink("E:\\VARNOLT2.TMP"));
  std::set<std::string> written;
  for (const auto& call : os.CallsOf(CallKind::kWrite)) written.insert(call.path);
  // 6 MiB less the other file's 1000 bytes: 2 MiB, 2 MiB and what is left.
  EXPECT_EQ(written, (std::set<std::string>{"E:\\VARNOLT.TMP", "E:\\VARNOLT3.TMP", "E:\\VARNOLT4.TMP"}));
  EXPECT_EQ(os.FurthestWriteEnd(), 2 * kMiB);
  const std::vector<ItemOutcome> outcomes = manager.Outcomes();
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_TRUE(outcomes[0].Erased());
  EXPECT_EQ(outcomes[1].path, "E:\\VARNOLT1.TMP");
  EXPECT_EQ(outcomes[1].left, LeftBecause::kNotOurs);
  EXPECT_EQ(outcomes[1].measuredBytes, 1000u);
  EXPECT_EQ(outcomes[2].path, "E:\\VARNOLT2.TMP");
  EXPECT_EQ(outcomes[2].left, LeftBecause::kNotOurs);
  // Our folder, where the root refuses files.
  FakePlatform folderOs;
  folderOs.AddVolume('E', kDriveFixed, 5 * kMiB);
  folderOs.SetFileSizeCap('E', 2 * kMiB);
  folderOs.RefuseNewFiles("E:\\");
  ShreddingManager inFolder(folderOs);
  inFolder.AddItem("E", true);
  inFolder.Run();
  written.clear();
  for (const auto& call : folderOs.CallsOf(CallKind::kWrite)) written.insert(call.path);
  const auto folders = folderOs.CallsOf(CallKind::kMakeFolder);
  ASSERT_EQ(folders.size(), 1u);
  const std::string folder = folders[0].path;
  EXPECT_TRUE(IsMarkedFolderName(folder.substr(3))) << folder;
  EXPECT_TRUE(folder.size() > 5 && folder.compare(folder.size() - 5, 5, ".FILL") == 0) << folder;
  // Writes name the file as the fake keys it, in capitals.
  std::string key = folder;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
  EXPECT_EQ(written, (std::set<std::string>{key + "\\VARNOLT.TMP", key + "\\VARNOLT1.TMP", key + "\\VARNOLT2.TMP"}));
  EXPECT_TRUE(inFolder.Outcomes().at(0).Erased());
  EXPECT_TRUE(folderOs.List("E:\\").empty());
  EXPECT_EQ(folderOs.OpenHandleCount(), 0);
}

// A stop, a failing flush or an exception from the callback while several fill files are open:
// every one is closed (and so deleted) on the way out.
TEST_F(FreeSpaceShredderTest, EveryFillFileGoesOnEveryWayOut) {
  os.SetCapacity('E', 6 * kMiB);
  os.SetFileSizeCap('E', 2 * kMiB);
  const auto expectNone = [&](const char* how) {
    SCOPED_TRACE(how);
    EXPECT_EQ(os.OpenHandleCount(), 0);
    EXPECT_EQ(os.LiveBufferCount(), 0);
    EXPECT_EQ(os.List("E:\\"), std::vector<std::string>{});
  };
  // Reports 0-1 fill VARNOLT.TMP, 2-3 VARNOLT1.TMP: stop in the second file.
  recorder->answer = [](std::size_t index) { return index < 2; };
  CleanE();
  EXPECT_EQ(manager.Outcomes().at(0).left, LeftBecause::kStopped);
  EXPECT_EQ(os.CallsOf(CallKind::kCreateNew).size(), 2u);
  expectNone("stopped");

  recorder->answer = [](std::size_t) { return true; };
  os.FailFlush(3);  // the first sweep's third file
  ShreddingManager flushing(os);
  flushing.AddItem("E", true);
  flushing.Run();
  EXPECT_EQ(flushing.Outcomes().at(0).left, LeftBecause::kFreeSpaceInPart);
  expectNone("failed flush");

  recorder->answer = [](std::size_t index) -> bool {
    if (index == 4) throw std::runtime_error("window gone");
    return true;
  };
  ShreddingManager throwing(os);
  throwing.SetCallback(RecordingCallback);
  throwing.AddItem("E", true);
  EXPECT_THROW(throwing.Run(), std::runtime_error);
  expectNone("exception");
}

TEST_F(FreeSpaceShredderTest, FailingFlushSkipsTheRemainingSweeps) {
  os.SetCapacity('E', 2 * kMiB);
  os.FailFlush(1);
  CleanE();
  EXPECT_EQ(os.WriteSizes(), (Sizes{kMiB, kMiB}));
  EXPECT_EQ(os.CallsOf(CallKind::kFlush).size(), 1u);
  const auto closes = os.CallsOf(CallKind::kClose);
  EXPECT_EQ(std::count_if(closes.begin(), closes.end(), [](const auto& call) { return call.path == kFill; }), 1);
  ExpectNothingLeft();
}

TEST_F(FreeSpaceShredderTest, NoFreeSpaceOrAFailedQueryCreatesAndDeletesTheFileOnly) {
  os.SetCapacity('E', kMiB);
  os.MakeFile("E:\\full", kMiB, 0x33);
  os.AddVolume('F', kDriveFixed, kMiB);
  os.FailFreeSpaceQuery('F');
  manager.AddItem("E", true);
  manager.AddItem("F", true);
  EXPECT_EQ(manager.TotalBytes(), 0u);
  manager.Run();

  EXPECT_EQ(FillFileCreations(os).size(), 2u);
  EXPECT_TRUE(os.WriteSizes().empty());
  // No sweep reports: only the cover of E's directories (F's free bytes cannot be read, so
  // a directory of F that grew would not be seen: it is not covered).
  for (const auto& report : recorder->reports) EXPECT_GE(report.itemFraction, kFillShare);
  for (const auto& call : os.CallsOf(CallKind::kCreateNew)) EXPECT_EQ(call.path[0], call.path == "F:\\VARNOLT.TMP" ? 'F' : 'E');
  EXPECT_EQ(os.CallsOf(CallKind::kFlush).size(), 6u);
  EXPECT_FALSE(os.Exists("F:\\VARNOLT.TMP"));
  EXPECT_EQ(os.Content("E:\\full"), Bytes(kMiB, 0x33));
  ExpectNothingLeft();
}

// A fill file a power cut left (or a user's file of that name) is nothing provably ours: it
// stays as it is, the free space is cleaned beside it, and the end of the run names it.
TEST_F(FreeSpaceShredderTest, AnOldFillFileStaysAndIsNamedWithItsSize) {
  os.SetCapacity('E', 3 * kMiB);
  os.MakeFile(kFill, kMiB, 0x77);
  manager.AddItem("E", true);
  EXPECT_EQ(manager.TotalBytes(), 2 * kMiB);
  manager.Run();
  EXPECT_EQ(os.WriteSizes(), (Sizes{kMiB, kMiB, kMiB, kMiB, kMiB, kMiB}));
  for (const auto& call : os.CallsOf(CallKind::kWrite)) EXPECT_EQ(call.path, "E:\\VARNOLT1.TMP");
  EXPECT_EQ(os.Content(kFill), Bytes(kMiB, 0x77));
  const std::vector<ItemOutcome> outcomes = manager.Outcomes();
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_TRUE(outcomes[0].Erased());
  EXPECT_EQ(outcomes[1].path, kFill);
  EXPECT_EQ(outcomes[1].left, LeftBecause::kNotOurs);
  EXPECT_EQ(outcomes[1].measuredBytes, kMiB);
  EXPECT_EQ(os.List("E:\\"), std::vector<std::string>{"VARNOLT.TMP"});
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(FreeSpaceShredderTest, FillFileThatCannotBeCreatedSkipsTheDrive) {
  os.SetCapacity('E', 2 * kMiB);
  os.AddVolume('F', kDriveFixed, kMiB);
  os.RefuseOpen(kFill);  // a write-protected medium: no new file, no new folder
  os.RefuseNewFolders("E:\\");
  manager.AddItem("E", true);
  manager.AddItem("F", true);
  manager.Run();
  EXPECT_EQ(os.WriteSizes(), (Sizes{kMiB, kMiB, kMiB}));  // F only
  for (const auto& call : os.CallsOf(CallKind::kWrite)) EXPECT_EQ(call.path, "F:\\VARNOLT.TMP");
  ExpectNothingLeft();
}

TEST_F(FreeSpaceShredderTest, BuffersThatCannotBeObtainedSkipTheDriveBeforeAnythingExists) {
  os.SetCapacity('E', kMiB);
  os.AddVolume('F', kDriveFixed, kMiB);
  for (int failing : {1, 2, 3}) {
    SCOPED_TRACE(failing);
    os.ClearCalls();
    os.FailBufferObtain(failing);
    FreeSpaceShredder shredder(os, "E:\\");
    shredder.Shred();
    EXPECT_TRUE(os.Calls().empty());
    EXPECT_FALSE(shredder.HoldsBuffers());
    EXPECT_EQ(os.LiveBufferCount(), 0);
  }
  // Through the manager, the next drive is still cleaned.
  os.FailBufferObtain(1);
  manager.AddItem("E", true);
  manager.AddItem("F", true);
  manager.Run();
  EXPECT_EQ(FillFileCreations(os).size(), 1u);
  EXPECT_EQ(os.WriteSizes().size(), 3u);
  ExpectNothingLeft();
}

// Whatever stands at the fill file's name is never opened, moved or removed, whatever it is: a
// link to a file or to a folder (which would lead the fill elsewhere), a file with another
// name (its data is that name's too), a reparse point of a kind not known, a file that would
// gain a name once opened. The fill file takes the next free name, and the drive is cleaned.
TEST_F(FreeSpaceShredderTest, WhateverStandsAtTheFillFileNameIsLeftAndTheNextNameTaken) {
  os.SetCapacity('E', 4 * kMiB);
  os.MakeFile("E:\\keep.doc", 1000, 0x42);
  os.MakeDirectory("E:\\folder");
  os.MakeFile("E:\\folder\\inside", 10, 0x42);
  os.MakeFileLink(kFill, "E:\\keep.doc");
  os.MakeDirectoryLink("E:\\VARNOLT1.TMP", "E:\\folder");
  os.MakeFile("E:\\VARNOLT2.TMP", 1000, 0x43);
  os.SetNameCount("E:\\VARNOLT2.TMP", 2);
  os.MakeFile("E:\\VARNOLT3.TMP", 1000, 0x44);
  os.SetReparseTag("E:\\VARNOLT3.TMP", 0x80000021);  // no name surrogate, not known to keep its data
  os.MakeFile("E:\\VARNOLT4.TMP", 1000, 0x45);
  os.GainNameWhenOpened("E:\\VARNOLT4.TMP");
  CleanE();
  for (const auto& call : os.CallsOf(CallKind::kWrite)) EXPECT_EQ(call.path, "E:\\VARNOLT5.TMP");
  EXPECT_EQ(os.WriteSizes().size(), 12u);  // 4 MiB less what stands: four chunks a sweep
  EXPECT_EQ(os.Content("E:\\keep.doc"), Bytes(1000, 0x42));
  EXPECT_EQ(os.List("E:\\folder"), std::vector<std::string>{"inside"});
  EXPECT_TRUE(os.IsLink(kFill));
  EXPECT_TRUE(os.IsLink("E:\\VARNOLT1.TMP"));
  EXPECT_EQ(os.Content("E:\\VARNOLT2.TMP"), Bytes(1000, 0x43));
  EXPECT_EQ(os.Content("E:\\VARNOLT3.TMP"), Bytes(1000, 0x44));
  EXPECT_EQ(os.NameCountOf("E:\\VARNOLT4.TMP"), 1u) << "never opened";
  EXPECT_TRUE(os.CallsOf(CallKind::kDelete).empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kMove).empty());
  const std::vector<ItemOutcome> outcomes = manager.Outcomes();
  ASSERT_EQ(outcomes.size(), 6u);
  EXPECT_TRUE(outcomes[0].Erased());
  for (std::size_t i = 1; i < outcomes.size(); ++i) EXPECT_EQ(outcomes[i].left, LeftBecause::kNotOurs) << outcomes[i].path;
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_EQ(os.LiveBufferCount(), 0);
}

}  // namespace
}  // namespace varnolt
