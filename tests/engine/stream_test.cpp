// Named streams of a file (a download's Zone.Identifier, data hidden beside a file) are swept
// with it and go with it; a stream that cannot be overwritten keeps the file where it is, with
// the reason. On the in-memory platform: Wine's drives have no streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
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

constexpr const char* kFile = "C:\\dl\\facture.pdf";
constexpr const char* kZone = ":Zone.Identifier:$DATA";
constexpr const char* kHidden = ":cache:$DATA";
const std::string kZonePath = std::string(kFile) + kZone;
const std::string kHiddenPath = std::string(kFile) + kHidden;

bool AllAre(const Bytes& bytes, std::uint8_t value) {
  return !bytes.empty() && std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
}

class StreamTest : public ::testing::Test {
 protected:
  StreamTest() : manager(os) {
    os.SetTicks(1000);
    os.SetTickStep(30);  // every block's report is made
    manager.SetCallback(RecordingCallback);
    os.MakeDirectory("C:\\dl");
    os.MakeFile(kFile, 2 * 8192, 0x11, kAttrReadOnly);
    const std::string zone = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://example.org/facture.pdf\r\n";
    os.AddStream(kFile, kZone, Bytes(zone.begin(), zone.end()));
    os.AddStream(kFile, kHidden, Bytes(8192 + 100, 0x22));
  }
  void Run() {
    manager.AddItem(kFile, true);
    manager.Run();
  }
  ItemOutcome Outcome() const { return manager.Outcomes().at(0); }

  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(StreamTest, EachStreamGetsTheThreeSweepsAndGoesWithTheFile) {
  const std::size_t zoneSize = os.SizeOf(kZonePath);
  std::vector<std::vector<Bytes>> atSweepEnd;  // the file and both streams, after each sweep
  recorder->answer = [&](std::size_t index) {
    const float fraction = recorder->reports[index].itemFraction;
    // The file's own reports; the one after it, between items, holds no more of it.
    if (recorder->reports[index].itemsDone == 0 && (fraction == 1.0f / 3 || fraction == 2.0f / 3 || fraction == 1.0f)) {
      atSweepEnd.push_back({os.Content(kFile), os.Content(kZonePath), os.Content(kHiddenPath)});
    }
    return true;
  };
  Run();

  EXPECT_TRUE(Outcome().Erased());
  ASSERT_EQ(atSweepEnd.size(), 3u);
  for (std::size_t part = 0; part < 3; ++part) {
    SCOPED_TRACE(part);
    EXPECT_TRUE(AllAre(atSweepEnd[0][part], 0xAA));
    EXPECT_TRUE(AllAre(atSweepEnd[1][part], 0x55));
    const Bytes& random = atSweepEnd[2][part];
    EXPECT_FALSE(AllAre(random, 0x55));
    EXPECT_FALSE(AllAre(random, 0xAA));
  }
  EXPECT_EQ(atSweepEnd[0][1].size(), zoneSize);  // overwritten in place, not grown
  // Per sweep: the file's two blocks, then each stream as listed (":cache" before ":Zone").
  std::vector<std::uint64_t> sizes = os.WriteSizes();
  const std::vector<std::uint64_t> sweep{8192, 8192, 8192, 100, zoneSize};
  ASSERT_EQ(sizes.size(), 15u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(std::vector<std::uint64_t>(sizes.begin() + 5 * i, sizes.begin() + 5 * i + 5), sweep);
  }
  // The progress counts the streams: rising, and whole only at the end.
  std::vector<float> fractions;
  for (const auto& report : recorder->reports) {
    if (report.itemsDone == 0) fractions.push_back(report.itemFraction);
  }
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_FLOAT_EQ(fractions.back(), 1.0f);
  EXPECT_LT(fractions[fractions.size() - 2], 1.0f);
  // The file went under its random name, and its streams with it.
  EXPECT_TRUE(os.List("C:\\dl").empty());
  EXPECT_EQ(os.UsedBytes('C'), 0u);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

// The manager's total counts the files without their streams: a small file with a large
// stream still reports its whole run within 100 %, and the run ends at 100 %.
TEST_F(StreamTest, ALargeStreamBesideASmallFileKeepsTheOverallProgressWithinTheWhole) {
  os.MakeFile("C:\\dl\\small.txt", 100, 0x44);
  os.AddStream("C:\\dl\\small.txt", ":big:$DATA", Bytes(5 * 8192, 0x55));
  manager.AddItem("C:\\dl\\small.txt", true);
  manager.AddItem(kFile, true);
  manager.Run();
  ASSERT_FALSE(recorder->reports.empty());
  float highest = 0;
  for (const auto& report : recorder->reports) highest = std::max(highest, report.overallFraction);
  EXPECT_LE(highest, 1.0f);
  EXPECT_FLOAT_EQ(recorder->reports.back().overallFraction, 1.0f);
  EXPECT_TRUE(os.List("C:\\dl").empty());
}

// A stream that cannot be opened, written or listed: the file keeps its name and its
// attributes, and the outcome says why, as for the file itself.
TEST_F(StreamTest, AStreamThatCannotBeOverwrittenKeepsTheFileAndSaysWhy) {
  struct Case {
    const char* what;
    void (*arrange)(FakePlatform&);
    LeftBecause left;
  };
  const Case cases[] = {
      {"held", [](FakePlatform& os) { os.HoldOpen(kHiddenPath); }, LeftBecause::kInUse},
      {"refused", [](FakePlatform& os) { os.RefuseOpen(kZonePath); }, LeftBecause::kAccessDenied},
      {"write fails", [](FakePlatform& os) { os.FailWrite(4); }, LeftBecause::kWriteFailed},  // a stream's
      {"not listed", [](FakePlatform& os) { os.FailStreamListing(kFile, FailureKind::kAccessDenied); },
       LeftBecause::kAccessDenied},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform world;
    world.MakeDirectory("C:\\dl");
    world.MakeFile(kFile, 2 * 8192, 0x11, kAttrReadOnly);
    world.AddStream(kFile, kZone, Bytes(80, 0x33));
    world.AddStream(kFile, kHidden, Bytes(8192 + 100, 0x22));
    c.arrange(world);
    ShreddingManager run(world);
    run.AddItem(kFile, true);
    run.Run();
    EXPECT_EQ(run.Outcomes().at(0).left, c.left);
    EXPECT_TRUE(world.Exists(kFile));
    EXPECT_EQ(world.AttributesOf(kFile), kAttrReadOnly);
    EXPECT_TRUE(world.CallsOf(CallKind::kMove).empty());
    EXPECT_TRUE(world.CallsOf(CallKind::kDelete).empty());
    EXPECT_EQ(world.OpenHandleCount(), 0);
  }
}

// A file without streams, and one on a file system without them, is erased as before; the
// callback throwing in the middle of a stream leaves no handle open (the file would stay locked).
TEST_F(StreamTest, NoStreamsChangeNothingAndAnExceptionLeavesNoHandleOpen) {
  os.MakeFile("C:\\dl\\plain.txt", 8192, 0x44);
  manager.AddItem("C:\\dl\\plain.txt", true);
  manager.Run();
  EXPECT_TRUE(manager.Outcomes().at(0).Erased());
  EXPECT_EQ(os.WriteSizes(), (std::vector<std::uint64_t>{8192, 8192, 8192}));

  recorder->reports.clear();
  recorder->answer = [](std::size_t index) -> bool {
    if (index == 2) throw std::runtime_error("window gone");  // in the first stream's first sweep
    return true;
  };
  ShreddingManager throwing(os);
  throwing.SetCallback(RecordingCallback);
  throwing.AddItem(kFile, true);
  EXPECT_THROW(throwing.Run(), std::runtime_error);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

}  // namespace
}  // namespace varnolt
