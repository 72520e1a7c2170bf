// The throttled progress report shared by the writing shredders.
#include <gtest/gtest.h>

#include "engine/FileShredder.h"
#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"
#include "shred_test_support.h"

namespace varnolt {
namespace {

using testing::RecordingCallback;
using testing::ScopedRecorder;

class ReportProgressTest : public ::testing::Test {
 protected:
  ReportProgressTest() : manager(os), shredder(os, "C:\\file.bin") {
    manager.SetCallback(RecordingCallback);
    shredder.SetManager(&manager);
  }
  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
  FileShredder shredder;
};

TEST_F(ReportProgressTest, ReportsAreAtLeastThirtyMillisecondsApart) {
  os.SetTicks(5000);
  shredder.ReportProgress(100, 1000);
  EXPECT_EQ(recorder->reports.size(), 1u);  // the first report is made at once

  os.SetTicks(5029);
  recorder->answer = [](std::size_t) { return false; };
  shredder.ReportProgress(200, 1000);
  EXPECT_EQ(recorder->reports.size(), 1u);  // 29 ms: dropped...
  EXPECT_TRUE(shredder.Proceed());          // ...and its would-be answer never read
  EXPECT_EQ(shredder.LastReportTick(), 5000u);

  os.SetTicks(5030);
  shredder.ReportProgress(300, 1000);
  EXPECT_EQ(recorder->reports.size(), 2u);  // exactly 30 ms is enough
  EXPECT_FALSE(shredder.Proceed());
  EXPECT_EQ(shredder.LastReportTick(), 5030u);
}

TEST_F(ReportProgressTest, TickCounterWrapStillMeasuresElapsedTime) {
  os.SetTicks(0xFFFFFFF0u);
  shredder.ReportProgress(1, 10);
  os.SetTicks(13);  // 29 ms later, across the wrap
  shredder.ReportProgress(2, 10);
  EXPECT_EQ(recorder->reports.size(), 1u);
  os.SetTicks(14);  // 30 ms later
  shredder.ReportProgress(3, 10);
  EXPECT_EQ(recorder->reports.size(), 2u);
}

TEST_F(ReportProgressTest, ShredderWithoutManagerReportsNothingButKeepsTheClock) {
  FileShredder loose(os, "C:\\loose.bin");
  os.SetTicks(9000);
  loose.ReportProgress(10, 10);
  EXPECT_TRUE(recorder->reports.empty());
  EXPECT_TRUE(loose.Proceed());
  EXPECT_EQ(loose.LastReportTick(), 9000u);
}

TEST_F(ReportProgressTest, FractionsAndByteEquivalentOfOneSweepBlockEach) {
  // One pass over 8192 bytes: done runs 8192, 16384, 24576.
  os.SetTicks(1000);
  os.SetTickStep(30);
  for (std::uint64_t done : {8192u, 16384u, 24576u}) shredder.ReportProgress(done, 8192);
  ASSERT_EQ(recorder->reports.size(), 3u);
  EXPECT_FLOAT_EQ(recorder->reports[0].itemFraction, 1.0f / 3);
  EXPECT_FLOAT_EQ(recorder->reports[1].itemFraction, 2.0f / 3);
  EXPECT_FLOAT_EQ(recorder->reports[2].itemFraction, 1.0f);
}

TEST_F(ReportProgressTest, LargeCountsKeepTheirPrecision) {
  // 6 GiB per sweep, half way through sweep 2: beyond what 32 bits can hold.
  const std::uint64_t size = 6ull << 30;
  os.SetTicks(1000);
  shredder.ReportProgress(size + size / 2, size);
  ASSERT_EQ(recorder->reports.size(), 1u);
  EXPECT_FLOAT_EQ(recorder->reports[0].itemFraction, 0.5f);
}

}  // namespace
}  // namespace varnolt
