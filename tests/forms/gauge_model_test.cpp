// The gauge's value model: range, clamping, the percentage, and when it asks to be drawn again.
#include <gtest/gtest.h>

#include "forms/Cgauges.h"
#include "support/TestParent.h"
#include "ui/Exception.h"

namespace varnolt {
namespace {

using testing::ScopedPixelBackend;
using testing::TestParent;

class GaugeModelTest : public ::testing::Test {
 protected:
  GaugeModelTest() {
    gauge = new TCGauge(&parent);
    gauge->SetParent(&parent);
    parent.repaints = 0;
  }
  ScopedPixelBackend backend;
  TestParent parent;
  TCGauge* gauge;
};

TEST_F(GaugeModelTest, StartsAsAHundredSquareBarFromZeroToAHundred) {
  EXPECT_EQ(gauge->MinValue(), 0);
  EXPECT_EQ(gauge->MaxValue(), 100);
  EXPECT_EQ(gauge->Progress(), 0);
  EXPECT_EQ(gauge->Kind(), gkHorizontalBar);
  EXPECT_TRUE(gauge->ShowText());
  EXPECT_EQ(gauge->BorderStyle(), ui::TBorderStyle::bsSingle);
  EXPECT_EQ(gauge->ForeColor(), ui::clBlack);
  EXPECT_EQ(gauge->BackColor(), ui::clWhite);
  EXPECT_EQ(gauge->Width(), 100);
  EXPECT_EQ(gauge->Height(), 100);
  EXPECT_TRUE(gauge->ControlStyle() & ui::csOpaque);
  EXPECT_TRUE(gauge->ControlStyle() & ui::csFramed);
}

TEST_F(GaugeModelTest, ProgressIsClampedToTheRange) {
  gauge->SetProgress(150);
  EXPECT_EQ(gauge->Progress(), 100);
  gauge->SetProgress(-5);
  EXPECT_EQ(gauge->Progress(), 0);
  gauge->SetMinValue(10);
  gauge->SetMaxValue(20);
  gauge->SetProgress(-2147483647 - 1);
  EXPECT_EQ(gauge->Progress(), 10);
  gauge->SetProgress(2147483647);
  EXPECT_EQ(gauge->Progress(), 20);
}

TEST_F(GaugeModelTest, RepaintsOnlyWhenTheWholePercentageChanges) {
  gauge->SetMaxValue(1000);
  gauge->SetProgress(3);
  parent.repaints = 0;

  gauge->SetProgress(9);  // 0 percent before and after
  EXPECT_EQ(gauge->Progress(), 9);
  EXPECT_EQ(parent.repaints, 0);

  gauge->SetProgress(10);  // 1 percent
  EXPECT_EQ(parent.repaints, 1);
  ASSERT_TRUE(parent.lastPaint);

  gauge->SetProgress(10);  // the same value: nothing at all
  EXPECT_EQ(parent.repaints, 1);
  gauge->SetProgress(5000);  // clamped to 1000: 100 percent
  EXPECT_EQ(parent.repaints, 2);
  gauge->SetProgress(1001);  // clamped to the stored value
  EXPECT_EQ(parent.repaints, 2);
}

TEST_F(GaugeModelTest, PercentageIsRoundedDownWithinAnyRange) {
  gauge->SetMaxValue(3);
  gauge->SetProgress(2);
  EXPECT_EQ(gauge->PercentDone(), 66);
  gauge->SetMinValue(-100);
  gauge->SetMaxValue(100);
  gauge->SetProgress(-99);  // 1 of 200
  EXPECT_EQ(gauge->PercentDone(), 0);
  gauge->SetProgress(99);  // 199 of 200
  EXPECT_EQ(gauge->PercentDone(), 99);
  gauge->SetMinValue(-2147483647 - 1);
  gauge->SetMaxValue(2147483647);
  gauge->SetProgress(0);
  EXPECT_EQ(gauge->PercentDone(), 50);
  EXPECT_EQ(GaugePercent(0, 7, 7), 100);
}

TEST_F(GaugeModelTest, AnEmptyRangeIsZeroPercent) {
  gauge->SetProgress(40);
  gauge->SetMinValue(100);  // reaches the maximum: an empty range
  EXPECT_EQ(gauge->Progress(), 100);
  EXPECT_EQ(gauge->PercentDone(), 0);
  gauge->SetProgress(7);
  EXPECT_EQ(gauge->Progress(), 100);
  EXPECT_EQ(gauge->PercentDone(), 0);
}

TEST_F(GaugeModelTest, BoundsPullProgressAlongAndRepaint) {
  gauge->SetProgress(50);
  parent.repaints = 0;
  gauge->SetMinValue(60);
  EXPECT_EQ(gauge->Progress(), 60);
  EXPECT_EQ(parent.repaints, 1);
  gauge->SetMaxValue(70);
  EXPECT_EQ(gauge->Progress(), 60);
  gauge->SetProgress(70);
  gauge->SetMaxValue(65);
  EXPECT_EQ(gauge->Progress(), 65);
  parent.repaints = 0;
  gauge->SetMinValue(60);  // unchanged: nothing
  gauge->SetMaxValue(65);
  EXPECT_EQ(parent.repaints, 0);
}

TEST_F(GaugeModelTest, OutOfOrderBoundsFailWithTheirMessageAndChangeNothing) {
  gauge->SetProgress(30);
  try {
    gauge->SetMinValue(101);
    FAIL() << "no error";
  } catch (const ui::Exception& error) {
    EXPECT_EQ(error.Message(), "La valeur doit \xEAtre comprise entre -2147483647 et 99");
  }
  try {
    gauge->SetMaxValue(-1);
    FAIL() << "no error";
  } catch (const ui::Exception& error) {
    EXPECT_EQ(error.Message(), "La valeur doit \xEAtre comprise entre 1 et 2147483647");
  }
  gauge->SetMinValue(20);
  EXPECT_THROW(gauge->SetMaxValue(19), ui::Exception);
  try {
    gauge->SetMaxValue(5);
  } catch (const ui::Exception& error) {
    EXPECT_EQ(error.Message(), "La valeur doit \xEAtre comprise entre 21 et 2147483647");
  }
  EXPECT_EQ(gauge->MinValue(), 20);
  EXPECT_EQ(gauge->MaxValue(), 100);
  EXPECT_EQ(gauge->Progress(), 30);
}

TEST_F(GaugeModelTest, AddProgressRepaintsEvenWithoutChange) {
  gauge->SetProgress(100);
  parent.repaints = 0;
  gauge->AddProgress(5);
  EXPECT_EQ(gauge->Progress(), 100);
  EXPECT_EQ(parent.repaints, 1);
  gauge->AddProgress(-30);
  EXPECT_EQ(gauge->Progress(), 70);
  EXPECT_EQ(parent.repaints, 3);  // one for the new percentage, one of its own
  gauge->AddProgress(-2147483647);
  EXPECT_EQ(gauge->Progress(), 0);
}

TEST_F(GaugeModelTest, AppearanceSettersRepaintOnlyOnChange) {
  gauge->SetKind(gkHorizontalBar);
  gauge->SetShowText(true);
  gauge->SetBorderStyle(ui::TBorderStyle::bsSingle);
  gauge->SetForeColor(ui::clBlack);
  gauge->SetBackColor(ui::clWhite);
  EXPECT_EQ(parent.repaints, 0);
  gauge->SetKind(gkPie);
  gauge->SetShowText(false);
  gauge->SetBorderStyle(ui::TBorderStyle::bsNone);
  gauge->SetForeColor(ui::clRed);
  gauge->SetBackColor(ui::clBlue);
  EXPECT_EQ(parent.repaints, 5);
  EXPECT_EQ(gauge->Kind(), gkPie);
  EXPECT_FALSE(gauge->ShowText());
  EXPECT_EQ(gauge->BorderStyle(), ui::TBorderStyle::bsNone);
  EXPECT_EQ(gauge->ForeColor(), ui::clRed);
  EXPECT_EQ(gauge->BackColor(), ui::clBlue);
}

}  // namespace
}  // namespace varnolt
