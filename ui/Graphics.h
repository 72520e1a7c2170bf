// Drawing surfaces of the window layer. A canvas is an abstract drawing target; the Windows build
// draws through GDI, tests can draw into plain memory. Controls that paint only through this
// interface (the gauge) are portable, off-screen bitmaps included.
#pragma once

#include <memory>
#include <string>

#include "ui/Types.h"

namespace varnolt::ui {

struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = -11;  // negative: character height in pixels, as Win32 takes it
  TColor Color = clWindowText;
  int Charset = DEFAULT_CHARSET_VALUE;
  unsigned Style = 0;  // TFontStyle bits
  friend bool operator==(const TFont&, const TFont&) = default;
};

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
};

enum class TBrushStyle { bsSolid, bsClear };

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = TBrushStyle::bsSolid;
};

// How Draw combines a bitmap with what lies beneath: replace it, or exclusive-or the pixel values.
enum class TCopyMode { cmSrcCopy, cmSrcInvert };

class TBitmap;

class TCanvas {
 public:
  virtual ~TCanvas() = default;

  TPen Pen;
  TBrush Brush;
  TFont Font;
  TCopyMode CopyMode = TCopyMode::cmSrcCopy;

  // Fills with Brush.Color; right and bottom edges excluded.
  virtual void FillRect(const TRect& rect) = 0;
  // Outlined with Pen, filled with Brush unless its style is clear.
  virtual void Ellipse(const TRect& bounds) = 0;
  // The slice of the ellipse in `bounds` from the radial through `start` counter-clockwise to
  // the radial through `end`; outlined and filled like Ellipse.
  virtual void Pie(const TRect& bounds, TPoint start, TPoint end) = 0;
  virtual void MoveTo(int x, int y) = 0;
  // A line with Pen from the current position, the end point excluded.
  virtual void LineTo(int x, int y) = 0;
  // Size of `text` in Font.
  virtual TSize TextExtent(const std::string& text) = 0;
  // `text` in Font at (x, y), clipped to `clip`; its cells filled with Brush.Color unless the
  // brush style is clear.
  virtual void TextRect(const TRect& clip, int x, int y, const std::string& text) = 0;
  // The bitmap's pixels at (x, y), combined as CopyMode says.
  virtual void Draw(int x, int y, TBitmap& bitmap) = 0;
};

// The pixels behind a TBitmap, made by the graphics backend of the program.
class TBitmapImage {
 public:
  virtual ~TBitmapImage() = default;
  virtual TCanvas& Canvas() = 0;
};

class TGraphicsBackend {
 public:
  virtual ~TGraphicsBackend() = default;
  // A new image of the given size, every pixel black (value 0).
  virtual std::unique_ptr<TBitmapImage> NewImage(int width, int height) = 0;
};

// The backend bitmaps are made with. The Windows layer installs GDI's when the application object
// is made; until one is installed, making a bitmap raises Exception.
void SetGraphicsBackend(TGraphicsBackend* backend);
TGraphicsBackend& GraphicsBackend();

// An off-screen bitmap. A new size gives new pixels, all black.
class TBitmap {
 public:
  TBitmap() = default;
  virtual ~TBitmap() = default;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  int Width() const { return width; }
  int Height() const { return height; }
  void SetSize(int newWidth, int newHeight);
  TCanvas& Canvas();
  TBitmapImage& Image();

 private:
  int width = 0;
  int height = 0;
  std::unique_ptr<TBitmapImage> image;
};

}  // namespace varnolt::ui
