// TCGauge: the gauge of the progress windows. A windowless control that shows a value within a
// range as a bar (or as text, a pie or a needle), drawn off-screen and shown in one copy.
// Portable: it draws only through the layer's canvas.
#pragma once

#include <cstdint>
#include <string>

#include "ui/Controls.h"
#include "ui/Graphics.h"

namespace varnolt {

enum TCGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

// A bitmap that can take another's size, filled with the window-frame colour (its image is made
// anew only when the size changes).
class TBltBitmap : public ui::TBitmap {
 public:
  void MakeLike(ui::TBitmap& other);
};

// Whole percentage of `progress` within min..max, rounded down; 0 for an empty range.
std::int32_t GaugePercent(std::int32_t minValue, std::int32_t maxValue, std::int32_t progress);
// Filled width of a horizontal bar at `percent` in `paintRect`; the rectangle's width plus one
// is the full length.
int HorizontalBarFill(int percent, const ui::TRect& paintRect);
// Filled height of a vertical bar, at most the rectangle's height.
int VerticalBarFill(int percent, const ui::TRect& paintRect);

class TCGauge : public ui::TGraphicControl {
 public:
  explicit TCGauge(ui::TComponent* owner);

  std::int32_t MinValue() const { return minValue; }
  std::int32_t MaxValue() const { return maxValue; }
  std::int32_t Progress() const { return progress; }
  TCGaugeKind Kind() const { return kind; }
  bool ShowText() const { return showText; }
  ui::TBorderStyle BorderStyle() const { return borderStyle; }
  ui::TColor ForeColor() const { return foreColor; }
  ui::TColor BackColor() const { return backColor; }
  std::int32_t PercentDone() const { return GetPercentDone(); }
  std::int32_t GetPercentDone() const;

  // Out-of-order bounds raise ui::Exception and change nothing.
  void SetMinValue(std::int32_t value);
  void SetMaxValue(std::int32_t value);
  // Clamps to the range; repaints only when the whole percentage changes.
  void SetProgress(std::int32_t value);
  // SetProgress(Progress + delta), then a repaint whatever happened.
  void AddProgress(std::int32_t delta);
  void SetKind(TCGaugeKind value);
  void SetShowText(bool value);
  void SetBorderStyle(ui::TBorderStyle value);
  void SetForeColor(ui::TColor value);
  void SetBackColor(ui::TColor value);

  void Paint(ui::TCanvas& canvas) override;
  bool SetProperty(const ui::TLayoutProperty& property, ui::TReader& reader) override;

 private:
  void PaintBackground(ui::TBitmap& image);
  void PaintAsText(ui::TBitmap& image, const ui::TRect& paintRect);
  void PaintAsNothing(ui::TBitmap& image, const ui::TRect& paintRect);
  void PaintAsBar(ui::TBitmap& image, const ui::TRect& paintRect);
  void PaintAsPie(ui::TBitmap& image, const ui::TRect& paintRect);
  void PaintAsNeedle(ui::TBitmap& image, const ui::TRect& paintRect);

  std::int32_t minValue = 0;
  std::int32_t maxValue = 100;
  std::int32_t progress = 0;
  TCGaugeKind kind = gkHorizontalBar;
  bool showText = true;
  ui::TBorderStyle borderStyle = ui::TBorderStyle::bsSingle;
  ui::TColor foreColor = ui::clBlack;
  ui::TColor backColor = ui::clWhite;
  // Off-screen: the gauge, its bar or figure, its text.
  ui::TBitmap gaugeImage;
  TBltBitmap figureImage;
  TBltBitmap textImage;
};

// Makes TCGauge known to the layouts (once is enough; more calls do nothing).
void RegisterCgauges();

}  // namespace varnolt
