// Overwriting, renaming and deleting one file, against the in-memory platform.
#include "engine/FileShredder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "engine/Random.h"
#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"
#include "shred_test_support.h"

namespace varnolt {
namespace {

using CallKind = FakePlatform::CallKind;
using testing::RecordingCallback;
using testing::ScopedRecorder;
using Bytes = std::vector<std::uint8_t>;

bool AllEqual(const Bytes& bytes, std::size_t from, std::size_t to, std::uint8_t value) {
  return std::all_of(bytes.begin() + from, bytes.begin() + to,
                     [value](std::uint8_t b) { return b == value; });
}

class FileShredderTest : public ::testing::Test {
 protected:
  FileShredderTest() : manager(os) {
    os.MakeDirectory("C:\\dir");
    os.SetTicks(1000);
    os.SetTickStep(30);  // every block's report is made
    manager.SetCallback(RecordingCallback);
  }

  // A shredder linked to the manager, as the manager's own list holds them.
  FileShredder Linked(const char* path) {
    FileShredder shredder(os, path);
    shredder.SetManager(&manager);
    return shredder;
  }

  std::string DeletedName() const {
    auto deletes = os.CallsOf(CallKind::kDelete);
    return deletes.empty() ? "" : deletes.back().path;
  }

  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(FileShredderTest, ThreeSweepsThenRandomNameThenDeletion) {
  os.MakeFile("C:\\dir\\a.txt", 3 * 8192, 0x11);
  std::vector<Bytes> afterEachSweep;
  recorder->answer = [&](std::size_t index) {
    if (index % 3 == 2) afterEachSweep.push_back(os.Content(os.CallsOf(CallKind::kWrite).back().path));
    return true;
  };
  FileShredder shredder = Linked("C:\\dir\\a.txt");
  shredder.Shred();

  ASSERT_EQ(afterEachSweep.size(), 3u);
  EXPECT_TRUE(AllEqual(afterEachSweep[0], 0, 3 * 8192, 0xAA));
  EXPECT_TRUE(AllEqual(afterEachSweep[1], 0, 3 * 8192, 0x55));
  const Bytes& random = afterEachSweep[2];
  EXPECT_EQ(random.size(), 3u * 8192);
  EXPECT_GT(std::count_if(random.begin(), random.end(), [](std::uint8_t b) { return b != 0x55 && b != 0xAA && b != 0x11; }),
            3 * 8192 * 9 / 10);
  // The three random blocks are drawn afresh, not one block written three times.
  EXPECT_FALSE(std::equal(random.begin(), random.begin() + 8192, random.begin() + 8192));

  EXPECT_FALSE(os.Exists("C:\\dir\\a.txt"));
  EXPECT_TRUE(os.List("C:\\dir").empty());
  // Two names beside its own (nothing is listed before it: "!" leads), as long as "a.txt" at
  // least, then the random decimal name, each move from where the last one left it.
  const auto moves = os.CallsOf(CallKind::kMove);
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves[0].path, "C:\\dir\\a.txt");
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(std::regex_match(moves[i].target, std::regex(R"(C:\\dir\\![a-z]{4})"))) << moves[i].target;
    EXPECT_EQ(moves[i + 1].path, moves[i].target);
  }
  EXPECT_NE(moves[0].target, moves[1].target);
  EXPECT_TRUE(std::regex_match(moves[2].target, std::regex(R"(C:\\dir\\\d{1,10})"))) << moves[2].target;
  EXPECT_EQ(DeletedName(), moves[2].target);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(FileShredderTest, BlockPatternOfEachSweep) {
  os.MakeFile("C:\\dir\\exact", 8192);
  os.MakeFile("C:\\dir\\plus1", 8193);
  Linked("C:\\dir\\exact").Shred();
  EXPECT_EQ(os.WriteSizes(), (std::vector<std::uint64_t>{8192, 8192, 8192}));

  os.ClearCalls();
  Linked("C:\\dir\\plus1").Shred();
  EXPECT_EQ(os.WriteSizes(), (std::vector<std::uint64_t>{8192, 1, 8192, 1, 8192, 1}));
  // Each sweep rewinds, writes from offset 0 and is flushed before the next begins.
  std::vector<CallKind> sequence;
  for (const auto& call : os.Calls()) {
    if (call.kind == CallKind::kSeek || call.kind == CallKind::kWrite || call.kind == CallKind::kFlush) {
      sequence.push_back(call.kind);
    }
  }
  const std::vector<CallKind> sweep = {CallKind::kSeek, CallKind::kWrite, CallKind::kWrite, CallKind::kFlush};
  std::vector<CallKind> expected;
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), sweep.begin(), sweep.end());
  EXPECT_EQ(sequence, expected);
  const auto writes = os.CallsOf(CallKind::kWrite);
  EXPECT_EQ(writes[0].offset, 0u);
  EXPECT_EQ(writes[1].offset, 8192u);
  EXPECT_EQ(writes[2].offset, 0u);
}

TEST_F(FileShredderTest, RandomSweepWritesTheGeneratorsWordsAWholeFreshBlockPerWrite) {
  os.SetSeconds(1700000123);
  os.MakeFile("C:\\dir\\r", 2 * 8192 + 100, 0x11);
  Bytes afterRandomSweep;
  recorder->answer = [&](std::size_t index) {
    if (index == 8) afterRandomSweep = os.Content("C:\\dir\\r");
    return true;
  };
  FileShredder shredder = Linked("C:\\dir\\r");
  shredder.Shred();

  // The construction seeded the generator from the seconds: replay it, three whole blocks,
  // of which the short last write takes the first 100 bytes.
  SeedRandom(1700000123);
  Bytes expected(3 * 8192);
  for (int block = 0; block < 3; ++block) FillRandomWords(expected.data() + block * 8192, 4096);
  expected.resize(2 * 8192 + 100);
  EXPECT_EQ(afterRandomSweep, expected);
  // The decimal name is the draw after the sweep's blocks and the letters of the two names
  // beside "r" ("!" and one letter each).
  const auto moves = os.CallsOf(CallKind::kMove);
  ASSERT_EQ(moves.size(), 3u);
  NextRandom();
  NextRandom();
  EXPECT_EQ(moves[2].target, "C:\\dir\\" + std::to_string(NextRandom()));
}

TEST_F(FileShredderTest, EmptyFileIsRewoundFlushedAndDeletedWithoutReports) {
  os.MakeFile("C:\\dir\\empty", 0);
  Linked("C:\\dir\\empty").Shred();
  EXPECT_TRUE(os.WriteSizes().empty());
  EXPECT_EQ(os.CallsOf(CallKind::kSeek).size(), 3u);
  EXPECT_EQ(os.CallsOf(CallKind::kFlush).size(), 3u);
  EXPECT_TRUE(recorder->reports.empty());
  EXPECT_FALSE(os.Exists("C:\\dir\\empty"));
  EXPECT_TRUE(os.List("C:\\dir").empty());
}

TEST_F(FileShredderTest, FileBeyondFourGibibytesIsWrittenToItsLastByte) {
  const std::uint64_t size = (4ull << 30) + 8193;
  os.SetCapacity('C', 8ull << 30);
  os.MakeFile("C:\\dir\\huge", size);
  os.SetRecordCalls(false);
  os.SetTickStep(0);  // one report a block would cost more than the writing
  FileShredder shredder = Linked("C:\\dir\\huge");
  EXPECT_EQ(shredder.GetSize(), size);

  EXPECT_EQ(shredder.Overwrite(), FileShredder::OverwriteResult::kCompleted);
  EXPECT_EQ(os.BytesWritten(), 3 * size);
  EXPECT_EQ(os.FurthestWriteEnd(), size);
  EXPECT_EQ(os.SizeOf("C:\\dir\\huge"), size);  // never extended
}

TEST_F(FileShredderTest, StopDuringSecondSweepLeavesTheSplitAndTheName) {
  os.MakeFile("C:\\dir\\doc", 5 * 8192, 0x00);
  // Reports 0-4 are sweep 1; the answer to report 6 (second block of sweep 2) is stop.
  recorder->answer = [](std::size_t index) { return index != 6; };
  Linked("C:\\dir\\doc").Shred();

  const Bytes content = os.Content("C:\\dir\\doc");
  ASSERT_EQ(content.size(), 5u * 8192);
  EXPECT_TRUE(AllEqual(content, 0, 2 * 8192, 0x55));
  EXPECT_TRUE(AllEqual(content, 2 * 8192, 5 * 8192, 0xAA));
  EXPECT_EQ(os.WriteSizes().size(), 7u);
  // The rest of the pass still rewinds and flushes, writing nothing.
  EXPECT_EQ(os.CallsOf(CallKind::kSeek).size(), 3u);
  EXPECT_EQ(os.CallsOf(CallKind::kFlush).size(), 3u);
  EXPECT_TRUE(os.CallsOf(CallKind::kMove).empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kDelete).empty());
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(FileShredderTest, ReadOnlyHiddenAndSystemFilesAreOverwrittenThenDeleted) {
  for (std::uint32_t attributes : {kAttrReadOnly, kAttrHidden, kAttrSystem,
                                   kAttrReadOnly | kAttrHidden | kAttrSystem}) {
    SCOPED_TRACE(attributes);
    os.ClearCalls();
    os.MakeFile("C:\\dir\\guarded", 100, 0x00, attributes);
    Linked("C:\\dir\\guarded").Shred();
    EXPECT_EQ(os.WriteSizes(), (std::vector<std::uint64_t>{100, 100, 100}));
    EXPECT_TRUE(os.List("C:\\dir").empty());
  }
}

TEST_F(FileShredderTest, StoppedReadOnlyFileKeepsItsAttributes) {
  os.MakeFile("C:\\dir\\kept", 3 * 8192, 0x00, kAttrReadOnly | kAttrHidden);
  recorder->answer = [](std::size_t) { return false; };
  Linked("C:\\dir\\kept").Shred();
  EXPECT_TRUE(os.Exists("C:\\dir\\kept"));
  EXPECT_EQ(os.AttributesOf("C:\\dir\\kept"), kAttrReadOnly | kAttrHidden);
  EXPECT_EQ(os.WriteSizes().size(), 1u);
}

TEST_F(FileShredderTest, FileThatCannotBeOpenedStaysUntouchedUnderItsName) {
  os.MakeFile("C:\\dir\\busy", 100, 0x42, kAttrHidden);
  os.HoldOpen("C:\\dir\\busy");
  FileShredder shredder = Linked("C:\\dir\\busy");
  shredder.Shred();
  os.Release("C:\\dir\\busy");

  EXPECT_TRUE(os.WriteSizes().empty());
  EXPECT_TRUE(recorder->reports.empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kMove).empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kDelete).empty());
  EXPECT_EQ(os.Content("C:\\dir\\busy"), Bytes(100, 0x42));
  EXPECT_EQ(os.AttributesOf("C:\\dir\\busy"), kAttrHidden);
  EXPECT_STREQ(shredder.Path(), "C:\\dir\\busy");
}

TEST_F(FileShredderTest, FailedOrShortWriteLeavesTheFileInPlace) {
  for (bool shortWriteSucceeds : {false, true}) {
    SCOPED_TRACE(shortWriteSucceeds);
    os.ClearCalls();
    os.MakeFile("C:\\dir\\partial", 3 * 8192, 0x00);
    os.SetShortWritesSucceed(shortWriteSucceeds);
    os.FailWrite(2, 100);  // the second block of sweep 1 takes 100 bytes only
    Linked("C:\\dir\\partial").Shred();

    EXPECT_TRUE(os.Exists("C:\\dir\\partial"));
    EXPECT_EQ(os.WriteSizes().size(), 2u);
    EXPECT_TRUE(os.CallsOf(CallKind::kFlush).empty());
    EXPECT_TRUE(os.CallsOf(CallKind::kMove).empty());
    EXPECT_TRUE(os.CallsOf(CallKind::kDelete).empty());
    EXPECT_EQ(os.OpenHandleCount(), 0);
    EXPECT_TRUE(os.DeleteFilePath("C:\\dir\\partial"));
  }
}

TEST_F(FileShredderTest, FailedFlushLeavesTheFileInPlace) {
  os.MakeFile("C:\\dir\\unflushed", 8192);
  os.FailFlush(2);  // sweep 2 cannot be put on the disk
  Linked("C:\\dir\\unflushed").Shred();
  EXPECT_TRUE(os.Exists("C:\\dir\\unflushed"));
  EXPECT_EQ(os.WriteSizes().size(), 2u);  // sweep 3 never starts
  EXPECT_TRUE(os.CallsOf(CallKind::kDelete).empty());
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(FileShredderTest, RefusedMoveDeletesUnderTheOldName) {
  os.MakeFile("C:\\dir\\stay", 10);
  os.RefuseMove("C:\\dir\\stay");
  Linked("C:\\dir\\stay").Shred();
  EXPECT_EQ(DeletedName(), "C:\\dir\\stay");
  EXPECT_FALSE(os.Exists("C:\\dir\\stay"));
}

TEST_F(FileShredderTest, RefusedDeletionLeavesTheOverwrittenFileUnderItsRandomName) {
  os.MakeFile("C:\\dir\\undeletable", 10, 0x00);
  os.RefuseDelete("C:\\dir\\undeletable");  // the refusal follows the file when it moves
  FileShredder shredder = Linked("C:\\dir\\undeletable");
  shredder.Shred();

  const auto names = os.List("C:\\dir");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(std::regex_match(names[0], std::regex(R"(\d{1,10})"))) << names[0];
  EXPECT_EQ(std::string(shredder.Path()), "C:\\dir\\" + names[0]);
  EXPECT_FALSE(AllEqual(os.Content(shredder.Path()), 0, 10, 0x00));
}

TEST_F(FileShredderTest, RenameCollisionStillDeletesUnderTheOldName) {
  os.MakeFile("C:\\dir\\x", 10);
  FileShredder shredder = Linked("C:\\dir\\x");
  // Take every name the rename could draw next: the seconds clock reseeds at construction,
  // so replay the generator from the same seed.
  SeedRandom(os.SecondsNow());
  for (int i = 0; i < 4096 + 2; ++i) NextRandom();  // the random sweep's one block, the names beside
  os.MakeFile("C:\\dir\\" + std::to_string(NextRandom()), 1);
  SeedRandom(os.SecondsNow());
  shredder.Shred();
  // Deleted under the name it had before the decimal one: the second name beside its own.
  const auto moves = os.CallsOf(CallKind::kMove);
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(DeletedName(), moves[1].target);
  EXPECT_EQ(os.List("C:\\dir").size(), 1u);  // only the other item is left
}

// A file with a second name (a hard link) shares its data with a name outside the selection:
// it is not written, renamed, deleted, nor are its attributes touched, whether the second name
// is there before or comes when the file is opened.
TEST_F(FileShredderTest, AFileWithAnotherNameIsLeftAsItWas) {
  os.MakeFile("C:\\dir\\linked", 9000, 0x42, kAttrReadOnly);
  os.SetNameCount("C:\\dir\\linked", 2);
  FileShredder before = Linked("C:\\dir\\linked");
  before.Shred();
  EXPECT_TRUE(os.CallsOf(CallKind::kOpen).empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kSetAttributes).empty());
  EXPECT_EQ(before.Left(), LeftBecause::kHardLink);

  os.SetNameCount("C:\\dir\\linked", 1);
  os.GainNameWhenOpened("C:\\dir\\linked");
  FileShredder meanwhile = Linked("C:\\dir\\linked");
  meanwhile.Shred();
  EXPECT_EQ(os.CallsOf(CallKind::kOpen).size(), 1u);
  EXPECT_EQ(meanwhile.Left(), LeftBecause::kHardLink);

  for (const FileShredder* shredder : {&before, &meanwhile}) EXPECT_STREQ(shredder->Path(), "C:\\dir\\linked");
  EXPECT_TRUE(os.WriteSizes().empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kMove).empty());
  EXPECT_TRUE(os.CallsOf(CallKind::kDelete).empty());
  EXPECT_EQ(os.Content("C:\\dir\\linked"), Bytes(9000, 0x42));
  EXPECT_EQ(os.AttributesOf("C:\\dir\\linked"), kAttrReadOnly);
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_TRUE(recorder->reports.empty());
}

}  // namespace
}  // namespace varnolt
