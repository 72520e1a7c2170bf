#include "forms/Cgauges.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ui/Exception.h"
#include "ui/Reader.h"

namespace varnolt {

using ui::TBitmap;
using ui::TCanvas;
using ui::TRect;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void TBltBitmap::MakeLike(TBitmap& other) {
  if (Width() != other.Width() || Height() != other.Height()) SetSize(other.Width(), other.Height());
  TCanvas& canvas = Canvas();
  canvas.Brush.Color = ui::clWindowFrame;
  canvas.Brush.Style = ui::TBrushStyle::bsSolid;
  canvas.FillRect(ui::Rect(0, 0, Width(), Height()));
}

std::int32_t GaugePercent(std::int32_t minValue, std::int32_t maxValue, std::int32_t progress) {
  // In 64 bits: the widest ranges would overflow a 32-bit difference.
  const std::int64_t span = static_cast<std::int64_t>(maxValue) - minValue;
  if (span == 0) return 0;
  const std::int64_t part = static_cast<std::int64_t>(progress) - minValue;
  return static_cast<std::int32_t>(std::floor(static_cast<double>(part) * 100.0 / static_cast<double>(span)));
}

int HorizontalBarFill(int percent, const TRect& paintRect) {
  const int full = paintRect.Right - paintRect.Left + 1;
  const int fill = static_cast<int>(std::floor(percent * 0.01 * full));
  return std::min(fill, full);
}

int VerticalBarFill(int percent, const TRect& paintRect) {
  const int full = paintRect.Bottom - paintRect.Top + 1;
  const int fill = static_cast<int>(std::floor(percent * 0.01 * full));
  return std::min(fill, full - 1);
}

TCGauge::TCGauge(ui::TComponent* owner) : ui::TGraphicControl(owner) {
  controlStyle |= ui::csFramed | ui::csOpaque;
  SetBounds(0, 0, 100, 100);
}

std::int32_t TCGauge::GetPercentDone() const { return GaugePercent(minValue, maxValue, progress); }

void TCGauge::SetMinValue(std::int32_t value) {
  if (value == minValue) return;
  if (value > maxValue) {
    throw ui::Exception::CreateFmt("La valeur doit \xEAtre comprise entre %d et %lld", -2147483647,
                                   static_cast<long long>(maxValue) - 1);
  }
  minValue = value;
  if (progress < value) progress = value;
  Repaint();
}

void TCGauge::SetMaxValue(std::int32_t value) {
  if (value == maxValue) return;
  if (value < minValue) {
    throw ui::Exception::CreateFmt("La valeur doit \xEAtre comprise entre %lld et %d",
                                   static_cast<long long>(minValue) + 1, 2147483647);
  }
  maxValue = value;
  if (progress > value) progress = value;
  Repaint();
}

void TCGauge::SetProgress(std::int32_t value) {
  const std::int32_t before = GetPercentDone();
  value = std::clamp(value, minValue, maxValue);
  if (value == progress) return;
  progress = value;
  if (GetPercentDone() != before) Repaint();
}

void TCGauge::AddProgress(std::int32_t delta) {
  SetProgress(ClampToInt32(static_cast<std::int64_t>(progress) + delta));
  Repaint();
}

void TCGauge::SetKind(TCGaugeKind value) {
  if (value == kind) return;
  kind = value;
  Repaint();
}

void TCGauge::SetShowText(bool value) {
  if (value == showText) return;
  showText = value;
  Repaint();
}

void TCGauge::SetBorderStyle(ui::TBorderStyle value) {
  if (value == borderStyle) return;
  borderStyle = value;
  Repaint();
}

void TCGauge::SetForeColor(ui::TColor value) {
  if (value == foreColor) return;
  foreColor = value;
  Repaint();
}

void TCGauge::SetBackColor(ui::TColor value) {
  if (value == backColor) return;
  backColor = value;
  Repaint();
}

void TCGauge::Paint(TCanvas& canvas) {
  if (Width() <= 0 || Height() <= 0) return;
  // The off-screen images are kept from one paint to the next and made anew only for another
  // size: each paint covers every pixel of them again, and making them cost the run a mapping
  // of memory apiece at every report.
  TBitmap& image = gaugeImage;
  if (image.Width() != Width() || image.Height() != Height()) image.SetSize(Width(), Height());
  PaintBackground(image);
  TRect paintRect = ClientRect();
  if (borderStyle == ui::TBorderStyle::bsSingle) paintRect = ui::InflateRect(paintRect, -1, -1);

  TBltBitmap& overlay = figureImage;
  overlay.MakeLike(image);
  PaintBackground(overlay);
  switch (kind) {
    case gkText: PaintAsNothing(overlay, paintRect); break;
    case gkHorizontalBar:
    case gkVerticalBar: PaintAsBar(overlay, paintRect); break;
    case gkPie: PaintAsPie(overlay, paintRect); break;
    case gkNeedle: PaintAsNeedle(overlay, paintRect); break;
  }
  // The image is black, so this leaves the overlay itself, and black (the frame) wherever the
  // paint rectangle left a margin.
  image.Canvas().CopyMode = ui::TCopyMode::cmSrcInvert;
  image.Canvas().Draw(0, 0, overlay);
  image.Canvas().CopyMode = ui::TCopyMode::cmSrcCopy;
  if (showText) PaintAsText(image, paintRect);

  canvas.CopyMode = ui::TCopyMode::cmSrcCopy;
  canvas.Draw(0, 0, image);
}

void TCGauge::PaintBackground(TBitmap& image) {
  TCanvas& canvas = image.Canvas();
  canvas.CopyMode = ui::TCopyMode::cmSrcCopy;
  canvas.Brush.Color = ui::clBlack;
  canvas.Brush.Style = ui::TBrushStyle::bsSolid;
  canvas.FillRect(ui::Rect(0, 0, image.Width(), image.Height()));
}

// The percentage in white on black, combined by exclusive-or: each letter shows in the inverse
// of what lies beneath it.
void TCGauge::PaintAsText(TBitmap& image, const TRect& paintRect) {
  const std::string text = std::to_string(GetPercentDone()) + "%";
  textImage.MakeLike(image);
  PaintBackground(textImage);
  TCanvas& canvas = textImage.Canvas();
  canvas.Font = Font();
  canvas.Font.Color = ui::clWhite;
  canvas.Brush.Style = ui::TBrushStyle::bsClear;
  const ui::TSize extent = canvas.TextExtent(text);
  const int x = (paintRect.Width() + 1 - extent.cx) / 2;
  const int y = (paintRect.Height() + 1 - extent.cy) / 2;
  canvas.TextRect(paintRect, x, y, text);
  image.Canvas().CopyMode = ui::TCopyMode::cmSrcInvert;
  image.Canvas().Draw(0, 0, textImage);
  image.Canvas().CopyMode = ui::TCopyMode::cmSrcCopy;
}

void TCGauge::PaintAsNothing(TBitmap& image, const TRect& paintRect) {
  TCanvas& canvas = image.Canvas();
  canvas.Brush.Color = backColor;
  canvas.FillRect(paintRect);
}

void TCGauge::PaintAsBar(TBitmap& image, const TRect& paintRect) {
  const int percent = GetPercentDone();
  const int fullWidth = paintRect.Right - paintRect.Left + 1;
  const int fullHeight = paintRect.Bottom - paintRect.Top + 1;
  TCanvas& canvas = image.Canvas();
  canvas.Brush.Color = backColor;
  canvas.FillRect(paintRect);
  canvas.Brush.Color = foreColor;
  if (kind == gkHorizontalBar) {
    const int fill = HorizontalBarFill(percent, paintRect);
    if (fill > 0) canvas.FillRect(ui::Rect(paintRect.Left, paintRect.Top, fill, fullHeight));
  } else {
    const int fill = VerticalBarFill(percent, paintRect);
    if (fill > 0) canvas.FillRect(ui::Rect(paintRect.Left, fullHeight - fill, fullWidth, fullHeight));
  }
}

void TCGauge::PaintAsPie(TBitmap& image, const TRect& paintRect) {
  const int percent = GetPercentDone();
  TCanvas& canvas = image.Canvas();
  canvas.Brush.Color = Color();
  canvas.FillRect(paintRect);
  canvas.Pen.Color = foreColor;
  canvas.Pen.Width = 1;
  canvas.Brush.Color = backColor;
  canvas.Ellipse(paintRect);
  if (percent <= 0) return;
  canvas.Brush.Color = foreColor;
  if (percent >= 100) {
    canvas.Ellipse(paintRect);
    return;
  }
  // Clockwise from the top is counter-clockwise from the slice's end back to the top.
  const double angle = percent / 100.0 * 2 * kPi;
  const int centreX = (paintRect.Left + paintRect.Right) / 2;
  const int centreY = (paintRect.Top + paintRect.Bottom) / 2;
  const ui::TPoint top{centreX, paintRect.Top};
  const ui::TPoint end{centreX + static_cast<int>(std::lround(paintRect.Width() / 2.0 * std::sin(angle))),
                       centreY - static_cast<int>(std::lround(paintRect.Height() / 2.0 * std::cos(angle)))};
  canvas.Pie(paintRect, end, top);
}

void TCGauge::PaintAsNeedle(TBitmap& image, const TRect& paintRect) {
  const int percent = GetPercentDone();
  TCanvas& canvas = image.Canvas();
  canvas.Brush.Color = Color();
  canvas.FillRect(paintRect);
  canvas.Pen.Color = foreColor;
  canvas.Pen.Width = 1;
  canvas.Brush.Color = backColor;
  // The upper half of an ellipse centred on the last row, whose radials make the base line.
  const int baseY = paintRect.Bottom - 1;
  const TRect whole = ui::Rect(paintRect.Left, paintRect.Top, paintRect.Right, 2 * baseY - paintRect.Top + 1);
  canvas.Pie(whole, {paintRect.Right, baseY}, {paintRect.Left, baseY});
  if (percent <= 0) return;
  const double angle = percent * 1.8 * kPi / 180.0;
  const int centreX = (paintRect.Left + paintRect.Right) / 2;
  const double radiusX = paintRect.Width() / 2.0;
  const double radiusY = baseY - paintRect.Top;
  canvas.MoveTo(centreX, baseY);
  canvas.LineTo(centreX - static_cast<int>(std::lround(radiusX * std::cos(angle))),
                baseY - static_cast<int>(std::lround(radiusY * std::sin(angle))));
}

bool TCGauge::SetProperty(const ui::TLayoutProperty& property, ui::TReader& reader) {
  const std::string& name = property.name;
  if (name == "MinValue") {
    SetMinValue(reader.Integer(property));
  } else if (name == "MaxValue") {
    SetMaxValue(reader.Integer(property));
  } else if (name == "Progress") {
    SetProgress(reader.Integer(property));
  } else if (name == "Kind") {
    SetKind(static_cast<TCGaugeKind>(reader.Enumeration(
        property, {"gkText", "gkHorizontalBar", "gkVerticalBar", "gkPie", "gkNeedle"})));
  } else if (name == "ShowText") {
    SetShowText(reader.Boolean(property));
  } else if (name == "BorderStyle") {
    SetBorderStyle(static_cast<ui::TBorderStyle>(reader.Enumeration(property, {"bsNone", "bsSingle"})));
  } else if (name == "ForeColor") {
    SetForeColor(reader.Color(property));
  } else if (name == "BackColor") {
    SetBackColor(reader.Color(property));
  } else {
    return TGraphicControl::SetProperty(property, reader);
  }
  return true;
}

void RegisterCgauges() {
  ui::ComponentClasses().Register(
      "TCGauge", [](ui::TComponent* owner) -> ui::TComponent* { return new TCGauge(owner); });
}

}  // namespace varnolt
