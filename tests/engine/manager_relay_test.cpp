// How a running file's reports reach the window's callback through the manager.
#include <gtest/gtest.h>

#include "engine/ShreddingManager.h"
#include "platform/FakePlatform.h"
#include "shred_test_support.h"

namespace varnolt {
namespace {

using testing::RecordingCallback;
using testing::ScopedRecorder;

class ManagerRelayTest : public ::testing::Test {
 protected:
  ManagerRelayTest() : manager(os) {
    os.SetTicks(1000);
    os.SetTickStep(30);
    manager.SetCallback(RecordingCallback);
  }
  // The file grows in place after it was counted (another program writes to it): the same
  // file, which the run still erases.
  void GrowTo(const char* path, std::uint32_t size) {
    const FileHandle file = os.OpenExistingForWriting(path);
    ASSERT_NE(file, kInvalidFile);
    const std::vector<std::uint8_t> bytes(size, 0x42);
    std::uint32_t written = 0;
    ASSERT_TRUE(os.WriteBytes(file, bytes.data(), size, &written));
    os.CloseFile(file);
    os.ClearCalls();
  }
  FakePlatform os;
  ScopedRecorder recorder;
  ShreddingManager manager;
};

TEST_F(ManagerRelayTest, OneBlockFileReportsTruncatedByteEquivalents) {
  os.MakeFile("C:\\one", 8192);
  manager.AddFile("C:\\one");
  EXPECT_EQ(manager.TotalBytes(), 8192u);
  manager.Run();

  ASSERT_EQ(recorder->reports.size(), 3u);
  // itemBytes runs 2730, 5461, 8192 (done / 3, truncated) over a total of 8192.
  EXPECT_FLOAT_EQ(recorder->reports[0].overallFraction, 2730.0f / 8192);
  EXPECT_FLOAT_EQ(recorder->reports[1].overallFraction, 5461.0f / 8192);
  EXPECT_FLOAT_EQ(recorder->reports[2].overallFraction, 1.0f);
  for (const auto& report : recorder->reports) {
    EXPECT_EQ(report.itemsDone, 0);
    EXPECT_EQ(report.itemCount, 1);
  }
}

TEST_F(ManagerRelayTest, ItemsDoneAndOverallFractionAcrossFiles) {
  os.MakeFile("C:\\a", 8192);
  os.MakeFile("C:\\b", 3 * 8192);
  manager.AddFile("C:\\a");
  manager.AddFile("C:\\b");
  EXPECT_EQ(manager.TotalBytes(), 4u * 8192);
  manager.Run();

  ASSERT_EQ(recorder->reports.size(), 3u + 9u);
  EXPECT_EQ(recorder->reports[2].itemsDone, 0);
  EXPECT_EQ(recorder->reports[3].itemsDone, 1);
  EXPECT_EQ(recorder->reports[3].itemCount, 2);
  EXPECT_FLOAT_EQ(recorder->reports[3].itemFraction, 1.0f / 9);
  EXPECT_FLOAT_EQ(recorder->reports[3].overallFraction, (8192.0f + 2730) / (4 * 8192));  // 8192 / 3, truncated
  EXPECT_FLOAT_EQ(recorder->reports.back().overallFraction, 1.0f);
  EXPECT_FALSE(os.Exists("C:\\a"));
  EXPECT_FALSE(os.Exists("C:\\b"));
}

TEST_F(ManagerRelayTest, StopDuringTheFirstFileSkipsTheRest) {
  os.MakeFile("C:\\first", 4 * 8192);
  os.MakeFile("C:\\second", 8192);
  manager.AddFile("C:\\first");
  manager.AddFile("C:\\second");
  recorder->answer = [](std::size_t index) { return index < 1; };
  manager.Run();

  EXPECT_EQ(recorder->reports.size(), 2u);
  EXPECT_TRUE(os.Exists("C:\\first"));   // stopped: stays under its name
  EXPECT_TRUE(os.Exists("C:\\second"));  // never started
  EXPECT_EQ(os.Content("C:\\second"), std::vector<std::uint8_t>(8192, 0));
}

TEST_F(ManagerRelayTest, AStopBetweenDroppedReportsTakesEffectAtTheNextReportMade) {
  os.MakeFile("C:\\slow", 4 * 8192);
  manager.AddFile("C:\\slow");
  os.SetTickStep(10);  // only every third block's report is made
  recorder->answer = [](std::size_t index) { return index < 1; };
  manager.Run();

  ASSERT_EQ(recorder->reports.size(), 2u);
  // Reports are made after blocks 1 and 4 (0, 30 ms): the stop lands after the fourth block.
  EXPECT_EQ(os.WriteSizes().size(), 4u);
  EXPECT_TRUE(os.Exists("C:\\slow"));
}

TEST_F(ManagerRelayTest, FileThatGrewAfterACountOfZeroGivesAFiniteFraction) {
  os.MakeFile("C:\\grows", 0);
  manager.AddFile("C:\\grows");
  EXPECT_EQ(manager.TotalBytes(), 0u);
  GrowTo("C:\\grows", 2 * 8192);
  manager.Run();

  ASSERT_EQ(recorder->reports.size(), 6u);
  for (const auto& report : recorder->reports) {
    EXPECT_GE(report.overallFraction, 0.0f);
    EXPECT_LE(report.overallFraction, 1.0f);
  }
  EXPECT_FLOAT_EQ(recorder->reports.back().overallFraction, 1.0f);
}

TEST_F(ManagerRelayTest, FileThatGrewBeyondItsCountGoesAboveOneWithoutFault) {
  os.MakeFile("C:\\grew", 8192);
  manager.AddFile("C:\\grew");
  GrowTo("C:\\grew", 2 * 8192);
  manager.Run();
  ASSERT_FALSE(recorder->reports.empty());
  EXPECT_FLOAT_EQ(recorder->reports.back().overallFraction, 2.0f);
}

TEST_F(ManagerRelayTest, EmptyManagerRunsWithoutReports) {
  manager.Run();
  EXPECT_TRUE(recorder->reports.empty());
}

}  // namespace
}  // namespace varnolt
