// The canvas and off-screen bitmaps of the window layer on GDI.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/Graphics.h"

namespace varnolt::ui {

// A colour as GDI takes it: system colours read from the system.
COLORREF ColorToRGB(TColor color);
// A new GDI font for `font`; the caller deletes it.
HFONT CreateFontHandle(const TFont& font);

// Draws on a device context it does not own.
class TGdiCanvas : public TCanvas {
 public:
  explicit TGdiCanvas(HDC dc) : dc(dc) {}
  ~TGdiCanvas() override;
  TGdiCanvas(const TGdiCanvas&) = delete;
  TGdiCanvas& operator=(const TGdiCanvas&) = delete;

  HDC Handle() const { return dc; }
  // Puts Font into the device context, for GDI text calls made on Handle().
  void SelectFont();

  void FillRect(const TRect& rect) override;
  void Ellipse(const TRect& bounds) override;
  void Pie(const TRect& bounds, TPoint start, TPoint end) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  TSize TextExtent(const std::string& text) override;
  void TextRect(const TRect& clip, int x, int y, const std::string& text) override;
  void Draw(int x, int y, TBitmap& bitmap) override;

 private:
  // Pen and brush of the moment, selected for one call.
  class Tools;
  HDC dc;
  HFONT font = nullptr;
  TFont fontMade;
  HGDIOBJ originalFont = nullptr;
};

// A 32-bit top-down DIB section in a memory device context.
class TGdiBitmapImage : public TBitmapImage {
 public:
  TGdiBitmapImage(int width, int height);
  ~TGdiBitmapImage() override;

  TCanvas& Canvas() override { return *canvas; }
  HDC DC() const { return dc; }
  int Width() const { return width; }
  int Height() const { return height; }
  // The pixel at (x, y) as 0x00BBGGRR; 0 outside.
  TColor Pixel(int x, int y) const;

 private:
  int width;
  int height;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ original = nullptr;
  std::uint32_t* bits = nullptr;
  std::unique_ptr<TGdiCanvas> canvas;
};

class TGdiBackend : public TGraphicsBackend {
 public:
  std::unique_ptr<TBitmapImage> NewImage(int width, int height) override;
};

TGdiBackend& GdiBackend();

}  // namespace varnolt::ui
