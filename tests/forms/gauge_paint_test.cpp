// What the gauge draws: the bar's geometry, the exclusive-or combination of its off-screen
// images, the frame, the percentage text, and the outline of the other kinds.
#include <gtest/gtest.h>

#include "forms/Cgauges.h"
#include "support/PixelCanvas.h"

namespace varnolt {
namespace {

using testing::PixelImage;
using testing::ResolveColor;
using testing::ScopedPixelBackend;

constexpr ui::TColor kFore = 16763541;  // RGB 149, 202, 255
constexpr ui::TColor kBack = 14406346;  // RGB 202, 210, 219

TEST(BarGeometryTest, A273PixelBarIsOneLongerThanItsWidth) {
  const ui::TRect whole = ui::Rect(0, 0, 273, 25);
  EXPECT_EQ(HorizontalBarFill(0, whole), 0);
  EXPECT_EQ(HorizontalBarFill(1, whole), 2);  // 2.74
  EXPECT_EQ(HorizontalBarFill(50, whole), 137);
  EXPECT_EQ(HorizontalBarFill(99, whole), 271);  // 271.26, not 270
  EXPECT_EQ(HorizontalBarFill(100, whole), 274);
  const ui::TRect framed = ui::Rect(1, 1, 272, 24);
  EXPECT_EQ(HorizontalBarFill(100, framed), 272);
  EXPECT_EQ(VerticalBarFill(100, ui::Rect(0, 0, 10, 25)), 25);  // at most H - 1 of H = 26
  EXPECT_EQ(VerticalBarFill(50, ui::Rect(0, 0, 10, 25)), 13);
}

class GaugePaintTest : public ::testing::Test {
 protected:
  GaugePaintTest() : gauge(nullptr), surface(273, 25) {
    gauge.SetBounds(16, 16, 273, 25);
    gauge.SetShowText(false);
    gauge.SetBorderStyle(ui::TBorderStyle::bsNone);
    gauge.SetForeColor(kFore);
    gauge.SetBackColor(kBack);
  }
  // Columns of row `y` in the fore colour, which must all lie at the left.
  int FilledColumns(int y) {
    int filled = 0;
    while (filled < surface.Width() && surface.Pixel(filled, y) == kFore) ++filled;
    for (int x = filled; x < surface.Width(); ++x) {
      EXPECT_EQ(surface.Pixel(x, y), kBack) << "column " << x;
    }
    return filled;
  }
  ScopedPixelBackend backend;
  TCGauge gauge;
  PixelImage surface;
};

TEST_F(GaugePaintTest, BarWithoutBorderFillsFromTheLeftOverTheWholeHeight) {
  struct Case {
    int progress;
    int columns;
  };
  for (const Case c : {Case{0, 0}, Case{50, 137}, Case{99, 271}, Case{100, 273}}) {
    gauge.SetProgress(c.progress);
    gauge.Paint(surface);
    for (int y = 0; y < 25; ++y) ASSERT_EQ(FilledColumns(y), c.columns) << c.progress << "% row " << y;
  }
}

TEST_F(GaugePaintTest, EachPaintStartsAfreshAtAnyValueAndAnyNewSize) {
  // The off-screen images are kept between paints: nothing of a fuller bar or of the text may
  // stay, and a new size is followed.
  gauge.SetBounds(16, 16, 100, 25);
  PixelImage narrow(100, 25);
  gauge.SetShowText(true);
  gauge.SetProgress(100);
  gauge.Paint(narrow);
  gauge.SetShowText(false);
  gauge.SetProgress(50);
  gauge.Paint(narrow);
  const int filled = HorizontalBarFill(50, ui::Rect(0, 0, 100, 25));
  for (int y = 0; y < 25; ++y) {
    ASSERT_EQ(narrow.CountInRow(y, kFore), filled) << "row " << y;
    ASSERT_EQ(narrow.CountInRow(y, kBack), 100 - filled) << "row " << y;
  }

  gauge.SetBounds(16, 16, 273, 25);
  surface.Brush.Color = ui::clRed;
  surface.FillRect(ui::Rect(0, 0, 273, 25));
  gauge.Paint(surface);
  for (int y = 0; y < 25; ++y) ASSERT_EQ(FilledColumns(y), 137) << "row " << y;
}

TEST_F(GaugePaintTest, SingleBorderLeavesABlackFrameAroundTheBar) {
  gauge.SetBorderStyle(ui::TBorderStyle::bsSingle);
  gauge.SetProgress(50);
  gauge.Paint(surface);
  for (int x = 0; x < 273; ++x) {
    EXPECT_EQ(surface.Pixel(x, 0), ui::clBlack);
    EXPECT_EQ(surface.Pixel(x, 24), ui::clBlack);
  }
  for (int y = 0; y < 25; ++y) {
    EXPECT_EQ(surface.Pixel(0, y), ui::clBlack);
    EXPECT_EQ(surface.Pixel(272, y), ui::clBlack);
  }
  // Inside: W = 272, so 136 filled columns starting at x = 1 reach x = 135 (the fill's right
  // edge is at x = 136 in control coordinates); the fill's bottom edge (H = 24) is the frame.
  EXPECT_EQ(surface.Pixel(1, 1), kFore);
  EXPECT_EQ(surface.Pixel(135, 23), kFore);
  EXPECT_EQ(surface.Pixel(136, 12), kBack);
  EXPECT_EQ(surface.Pixel(271, 23), kBack);
}

TEST_F(GaugePaintTest, PaintingReplacesWhatWasBeneath) {
  surface.Brush.Color = ui::clRed;
  surface.FillRect(ui::Rect(0, 0, 273, 25));
  gauge.SetProgress(50);
  gauge.Paint(surface);
  EXPECT_EQ(surface.CountInRow(10, ui::clRed), 0);
  EXPECT_EQ(surface.CountInRow(10, ResolveColor(ui::clWindowFrame)), 0);
  EXPECT_EQ(surface.CountInRow(10, kFore), 137);
}

TEST_F(GaugePaintTest, TextIsCentredAndInvertsWhatLiesBeneath) {
  gauge.SetShowText(true);
  gauge.SetProgress(50);
  gauge.Paint(surface);
  // "50%" is 18 by 13 in the test canvas: at x = (273 + 1 - 18) / 2, y = (25 + 1 - 13) / 2.
  const int x = (274 - 18) / 2;
  const int y = (26 - 13) / 2;
  EXPECT_EQ(x, 128);
  EXPECT_EQ(surface.Pixel(x, y), kFore ^ ui::clWhite);             // over the filled part
  EXPECT_EQ(surface.Pixel(x + 17, y + 12), kBack ^ ui::clWhite);   // over the rest
  EXPECT_EQ(surface.Pixel(x - 1, y), kFore);
  EXPECT_EQ(surface.Pixel(x + 18, y), kBack);
  EXPECT_EQ(surface.Pixel(x, y + 13), kFore);
}

TEST_F(GaugePaintTest, TextKindShowsTheBackgroundAndTheText) {
  gauge.SetKind(gkText);
  gauge.SetShowText(true);
  gauge.SetProgress(7);
  gauge.Paint(surface);
  EXPECT_EQ(surface.CountInRow(0, kBack), 273);
  EXPECT_EQ(surface.Pixel(273 / 2, 12), kBack ^ ui::clWhite);
}

TEST_F(GaugePaintTest, VerticalBarFillsFromTheBottom) {
  gauge.SetKind(gkVerticalBar);
  gauge.SetProgress(50);
  gauge.Paint(surface);
  // H = 26: 13 rows filled, from y = 13 down to the bottom.
  EXPECT_EQ(surface.CountInRow(12, kFore), 0);
  EXPECT_EQ(surface.CountInRow(13, kFore), 273);
  EXPECT_EQ(surface.CountInRow(24, kFore), 273);
}

class GaugeCurvesTest : public ::testing::Test {
 protected:
  GaugeCurvesTest() : gauge(nullptr), surface(101, 51) {
    gauge.SetBounds(0, 0, 101, 51);
    gauge.SetShowText(false);
    gauge.SetBorderStyle(ui::TBorderStyle::bsNone);
    gauge.SetForeColor(ui::clRed);
    gauge.SetBackColor(ui::clBlue);
  }
  ScopedPixelBackend backend;
  TCGauge gauge;
  PixelImage surface;
};

TEST_F(GaugeCurvesTest, PieGrowsClockwiseFromTheTop) {
  gauge.SetKind(gkPie);
  gauge.SetProgress(0);
  gauge.Paint(surface);
  // The control's colour behind an ellipse in the back colour outlined in the fore colour.
  EXPECT_EQ(surface.Pixel(0, 0), ResolveColor(ui::clBtnFace));
  ASSERT_EQ(backend.Calls().size(), 1u);
  EXPECT_EQ(backend.Calls()[0], "Ellipse 0,0,101,51 pen=255 brush=16711680");

  backend.Calls().clear();
  gauge.SetProgress(25);
  gauge.Paint(surface);
  ASSERT_EQ(backend.Calls().size(), 2u);
  // A quarter: from the right end of the horizontal axis back to the top, counter-clockwise.
  EXPECT_EQ(backend.Calls()[1], "Pie 0,0,101,51 from 101,25 to 50,0 pen=255 brush=255");

  backend.Calls().clear();
  gauge.SetProgress(100);
  gauge.Paint(surface);
  ASSERT_EQ(backend.Calls().size(), 2u);
  EXPECT_EQ(backend.Calls()[1], "Ellipse 0,0,101,51 pen=255 brush=255");
}

TEST_F(GaugeCurvesTest, NeedleTurnsFromTheLeftOverAHalfEllipse) {
  gauge.SetKind(gkNeedle);
  gauge.SetProgress(50);
  gauge.Paint(surface);
  ASSERT_EQ(backend.Calls().size(), 2u);
  // The upper half of an ellipse centred on the last row; at 50 percent the needle stands up.
  EXPECT_EQ(backend.Calls()[0], "Pie 0,0,101,101 from 101,50 to 0,50 pen=255 brush=16711680");
  EXPECT_EQ(backend.Calls()[1], "Line 50,50 to 50,0 pen=255");

  backend.Calls().clear();
  gauge.SetProgress(0);
  gauge.Paint(surface);
  EXPECT_EQ(backend.Calls().size(), 1u);
}

}  // namespace
}  // namespace varnolt
