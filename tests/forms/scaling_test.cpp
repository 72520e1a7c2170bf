// Layouts taken from 96 DPI to another: lengths rounded to the nearest pixel, edges scaled so
// that controls that met still meet, own fonts scaled and parents' fonts followed, and a gauge
// drawn at its scaled size filling in proportion.
#include <gtest/gtest.h>

#include "forms/Cgauges.h"
#include "support/PixelCanvas.h"
#include "support/TestParent.h"
#include "ui/Controls.h"

namespace varnolt {
namespace {

TEST(ScaleLengthTest, RoundsToTheNearestPixelHalvesAwayFromZero) {
  EXPECT_EQ(ui::ScaleLength(377, 96, 96), 377);
  EXPECT_EQ(ui::ScaleLength(377, 120, 96), 471);  // 471.25
  EXPECT_EQ(ui::ScaleLength(377, 144, 96), 566);  // 565.5
  EXPECT_EQ(ui::ScaleLength(377, 192, 96), 754);
  EXPECT_EQ(ui::ScaleLength(-11, 144, 96), -17);  // font heights are negative: -16.5
  EXPECT_EQ(ui::ScaleLength(-11, 120, 96), -14);  // -13.75
  EXPECT_EQ(ui::ScaleLength(0, 192, 96), 0);
  EXPECT_EQ(ui::ScaleLength(566, 96, 144), 377);  // and back
  // No overflow on the way: 2^30 * 2 does not fit an int.
  EXPECT_EQ(ui::ScaleLength(1 << 30, 2, 4), 1 << 29);
}

class Plain : public ui::TControl {
 public:
  explicit Plain(ui::TComponent* owner) : ui::TControl(owner) {}
};

TEST(ControlScaleTest, NeighboursThatMetStillMeetAtEveryDpi) {
  for (const int dpi : {120, 144, 192, 168}) {
    testing::TestParent parent;
    Plain gauge(nullptr);
    Plain button(nullptr);
    gauge.SetParent(&parent);
    button.SetParent(&parent);
    gauge.SetBounds(16, 16, 273, 25);
    button.SetBounds(289, 16, 59, 25);  // starts where the gauge ends
    gauge.ScaleBy(dpi, 96);
    button.ScaleBy(dpi, 96);
    EXPECT_EQ(gauge.BoundsRect().Right, button.Left()) << dpi;
    EXPECT_EQ(gauge.Left(), ui::ScaleLength(16, dpi, 96)) << dpi;
    EXPECT_EQ(button.BoundsRect().Right, ui::ScaleLength(289 + 59, dpi, 96)) << dpi;
    EXPECT_EQ(gauge.Height(), button.Height()) << dpi;
    gauge.SetParent(nullptr);
    button.SetParent(nullptr);
  }
}

TEST(ControlScaleTest, OwnFontScalesAndAParentsFontIsFollowed) {
  testing::TestParent parent;
  ui::TFont font;
  font.Height = -11;
  parent.SetFont(font);
  Plain inheriting(nullptr);
  Plain own(nullptr);
  inheriting.SetParent(&parent);
  own.SetParent(&parent);
  ui::TFont large;
  large.Height = -20;
  own.SetFont(large);
  parent.ScaleBy(144, 96);
  inheriting.ScaleBy(144, 96);
  own.ScaleBy(144, 96);
  EXPECT_EQ(parent.Font().Height, -17);
  EXPECT_EQ(inheriting.Font().Height, -17) << "scaled once, with its parent";
  EXPECT_EQ(own.Font().Height, -30);
  inheriting.SetParent(nullptr);
  own.SetParent(nullptr);
}

TEST(ControlScaleTest, GaugeScaledTwiceTheSizeFillsTwiceTheColumns) {
  testing::ScopedPixelBackend backend;
  testing::TestParent parent;
  TCGauge gauge(nullptr);
  gauge.SetParent(&parent);
  gauge.SetBounds(16, 16, 273, 25);
  gauge.SetBorderStyle(ui::TBorderStyle::bsNone);
  gauge.SetShowText(false);
  gauge.SetProgress(40);
  gauge.ScaleBy(192, 96);
  ASSERT_EQ(gauge.Width(), 546);
  ASSERT_EQ(gauge.Height(), 50);
  testing::PixelImage image(gauge.Width(), gauge.Height());
  gauge.Paint(image);
  const ui::TColor fore = gauge.ForeColor();
  int filled = 0;
  for (int x = 0; x < gauge.Width(); ++x) filled += image.Pixel(x, 25) == fore ? 1 : 0;
  EXPECT_NEAR(filled, 546 * 0.4, 1.0);
  EXPECT_EQ(image.Pixel(0, gauge.Height() - 1), fore) << "the last row is filled too";
  gauge.SetParent(nullptr);
}

}  // namespace
}  // namespace varnolt
