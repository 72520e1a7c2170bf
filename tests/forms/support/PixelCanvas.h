// A canvas over plain memory for native tests: rectangles, copies and exclusive-or combination
// are drawn exactly; curves, lines and text are recorded (text is drawn as a solid block of its
// extent, so that its combination with what lies beneath can be checked).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/Graphics.h"

namespace varnolt::testing {

// What system colours resolve to here: distinct values, so that a stray one shows.
ui::TColor ResolveColor(ui::TColor color);

class PixelImage : public ui::TBitmapImage, public ui::TCanvas {
 public:
  PixelImage(int width, int height);

  ui::TCanvas& Canvas() override { return *this; }

  void FillRect(const ui::TRect& rect) override;
  void Ellipse(const ui::TRect& bounds) override;
  void Pie(const ui::TRect& bounds, ui::TPoint start, ui::TPoint end) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  ui::TSize TextExtent(const std::string& text) override;
  void TextRect(const ui::TRect& clip, int x, int y, const std::string& text) override;
  void Draw(int x, int y, ui::TBitmap& bitmap) override;

  int Width() const { return width; }
  int Height() const { return height; }
  // The 0x00BBGGRR value at (x, y).
  ui::TColor Pixel(int x, int y) const;
  // Number of pixels of `color` in row `y`.
  int CountInRow(int y, ui::TColor color) const;

  // One line per recorded call ("Ellipse 0,0,100,100 pen=... brush=..."), kept by the image or,
  // for the images a backend makes, by the backend.
  std::vector<std::string>& Calls() { return *log; }
  void RecordInto(std::vector<std::string>* shared) { log = shared; }

  static constexpr int kCharWidth = 6;
  static constexpr int kTextHeight = 13;

 private:
  void Fill(const ui::TRect& rect, ui::TColor color);
  int width;
  int height;
  std::vector<ui::TColor> pixels;
  ui::TPoint position;
  std::vector<std::string> ownCalls;
  std::vector<std::string>* log = &ownCalls;
};

class PixelBackend : public ui::TGraphicsBackend {
 public:
  std::unique_ptr<ui::TBitmapImage> NewImage(int width, int height) override;
  // What was drawn on the backend's images, in order.
  std::vector<std::string> calls;
};

// Installs the pixel backend for the life of the object.
class ScopedPixelBackend {
 public:
  ScopedPixelBackend() { ui::SetGraphicsBackend(&backend); }
  ~ScopedPixelBackend() { ui::SetGraphicsBackend(nullptr); }
  std::vector<std::string>& Calls() { return backend.calls; }

 private:
  PixelBackend backend;
};

}  // namespace varnolt::testing
