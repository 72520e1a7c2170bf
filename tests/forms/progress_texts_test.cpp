// The numbers and texts the progress windows show for a report.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "forms/ProgressTexts.h"

namespace varnolt {
namespace {

TEST(PercentOfTest, TruncatesTowardZeroNeverRoundingUp) {
  EXPECT_EQ(PercentOf(0.0f), 0);
  EXPECT_EQ(PercentOf(0.37f), 37);
  EXPECT_EQ(PercentOf(0.999f), 99);
  EXPECT_EQ(PercentOf(0.9999999f), 99);
  EXPECT_EQ(PercentOf(1.0f), 100);
  EXPECT_EQ(PercentOf(0.005f), 0);
  EXPECT_EQ(PercentOf(-0.015f), -1);  // toward zero, not down
  EXPECT_EQ(PercentOf(1.5f), 150);    // the texts show it; the gauges clamp it
}

TEST(PercentOfTest, UnrepresentablePercentagesSaturate) {
  EXPECT_EQ(PercentOf(std::numeric_limits<float>::infinity()), 2147483647);
  EXPECT_EQ(PercentOf(-1e30f), -2147483647 - 1);
  EXPECT_EQ(PercentOf(std::nanf("")), 0);
}

TEST(ItemsPercentTest, ShareOfItemsDoneTruncated) {
  EXPECT_EQ(ItemsPercent(3, 12), 25);
  EXPECT_EQ(ItemsPercent(1, 3), 33);
  EXPECT_EQ(ItemsPercent(2, 3), 66);
  EXPECT_EQ(ItemsPercent(29, 100), 29);
  EXPECT_EQ(ItemsPercent(12, 12), 100);
  EXPECT_EQ(ItemsPercent(0, 0), 0);
  // Counts are unsigned: -1 done is 4294967295, far beyond the count.
  EXPECT_GT(ItemsPercent(-1, 2), 100);
}

TEST(ProgressTextsTest, LabelsAndTitle) {
  EXPECT_EQ(PercentText(37), "37%");
  EXPECT_EQ(PercentText(0), "0%");
  EXPECT_EQ(PercentText(-1), "-1%");
  EXPECT_EQ(TotalText(37), "Total : 37%");
  EXPECT_EQ(CurrentFileText(37), "Fichier courant : 37%");
  EXPECT_EQ(ShreddedFilesText(3, 12), "Fichiers broy\xE9s : 3/12");
  EXPECT_EQ(ShreddedFilesText(-1, 2), "Fichiers broy\xE9s : 4294967295/2");
  EXPECT_EQ(RunTitle(37), "Broyage : 37%");
  EXPECT_EQ(RunTitle(PercentOf(0.999f)), "Broyage : 99%");
}

}  // namespace
}  // namespace varnolt
