#include "ui/GdiGraphics.h"

#include "ui/Text1252.h"

#include <cstring>

#include "ui/Exception.h"

namespace varnolt::ui {

COLORREF ColorToRGB(TColor color) {
  if (IsSystemColor(color)) return GetSysColor(SystemColorIndex(color));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

HFONT CreateFontHandle(const TFont& font) {
  return CreateFontW(font.Height, 0, 0, 0, (font.Style & fsBold) ? FW_BOLD : FW_NORMAL,
                     (font.Style & fsItalic) ? TRUE : FALSE, (font.Style & fsUnderline) ? TRUE : FALSE,
                     (font.Style & fsStrikeOut) ? TRUE : FALSE, static_cast<BYTE>(font.Charset),
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                     WideFrom1252(font.Name).c_str());
}

// Selects a pen and a brush made from the canvas's settings, and puts the old ones back.
class TGdiCanvas::Tools {
 public:
  explicit Tools(TGdiCanvas& canvas) : dc(canvas.dc) {
    pen = CreatePen(PS_SOLID, canvas.Pen.Width, ColorToRGB(canvas.Pen.Color));
    brush = canvas.Brush.Style == TBrushStyle::bsClear
                ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                : CreateSolidBrush(ColorToRGB(canvas.Brush.Color));
    ownBrush = canvas.Brush.Style != TBrushStyle::bsClear;
    oldPen = SelectObject(dc, pen);
    oldBrush = SelectObject(dc, brush);
  }
  ~Tools() {
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    if (ownBrush) DeleteObject(brush);
  }
  Tools(const Tools&) = delete;
  Tools& operator=(const Tools&) = delete;

 private:
  HDC dc;
  HPEN pen;
  HBRUSH brush;
  bool ownBrush;
  HGDIOBJ oldPen;
  HGDIOBJ oldBrush;
};

TGdiCanvas::~TGdiCanvas() {
  if (font != nullptr) {
    SelectObject(dc, originalFont);
    DeleteObject(font);
  }
}

void TGdiCanvas::SelectFont() {
  if (font != nullptr && fontMade == Font) return;
  HFONT made = CreateFontHandle(Font);
  HGDIOBJ previous = SelectObject(dc, made);
  if (font == nullptr) {
    originalFont = previous;
  } else {
    DeleteObject(font);
  }
  font = made;
  fontMade = Font;
}

void TGdiCanvas::FillRect(const TRect& rect) {
  RECT area{rect.Left, rect.Top, rect.Right, rect.Bottom};
  HBRUSH brush = CreateSolidBrush(ColorToRGB(Brush.Color));
  ::FillRect(dc, &area, brush);
  DeleteObject(brush);
}

void TGdiCanvas::Ellipse(const TRect& bounds) {
  Tools tools(*this);
  ::Ellipse(dc, bounds.Left, bounds.Top, bounds.Right, bounds.Bottom);
}

void TGdiCanvas::Pie(const TRect& bounds, TPoint start, TPoint end) {
  Tools tools(*this);
  ::Pie(dc, bounds.Left, bounds.Top, bounds.Right, bounds.Bottom, start.X, start.Y, end.X, end.Y);
}

void TGdiCanvas::MoveTo(int x, int y) { MoveToEx(dc, x, y, nullptr); }

void TGdiCanvas::LineTo(int x, int y) {
  Tools tools(*this);
  ::LineTo(dc, x, y);
}

TSize TGdiCanvas::TextExtent(const std::string& text) {
  SelectFont();
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return {size.cx, size.cy};
}

void TGdiCanvas::TextRect(const TRect& clip, int x, int y, const std::string& text) {
  SelectFont();
  RECT area{clip.Left, clip.Top, clip.Right, clip.Bottom};
  SetTextColor(dc, ColorToRGB(Font.Color));
  UINT options = ETO_CLIPPED;
  if (Brush.Style == TBrushStyle::bsClear) {
    SetBkMode(dc, TRANSPARENT);
  } else {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ColorToRGB(Brush.Color));
    options |= ETO_OPAQUE;
  }
  const std::wstring wide = WideFrom1252(text);
  ExtTextOutW(dc, x, y, options, &area, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
}

void TGdiCanvas::Draw(int x, int y, TBitmap& bitmap) {
  auto* source = dynamic_cast<TGdiBitmapImage*>(&bitmap.Image());
  if (source == nullptr) throw Exception("Image d'un autre moyen de dessin.");
  BitBlt(dc, x, y, source->Width(), source->Height(), source->DC(), 0, 0,
         CopyMode == TCopyMode::cmSrcInvert ? SRCINVERT : SRCCOPY);
}

TGdiBitmapImage::TGdiBitmapImage(int width, int height) : width(width), height(height) {
  dc = CreateCompatibleDC(nullptr);
  if (width > 0 && height > 0) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    if (bitmap == nullptr) throw Exception("Image hors m\xE9moire.");
    bits = static_cast<std::uint32_t*>(memory);
    std::memset(bits, 0, static_cast<std::size_t>(width) * height * 4);
    original = SelectObject(dc, bitmap);
  }
  canvas = std::make_unique<TGdiCanvas>(dc);
}

TGdiBitmapImage::~TGdiBitmapImage() {
  canvas.reset();
  if (bitmap != nullptr) {
    SelectObject(dc, original);
    DeleteObject(bitmap);
  }
  DeleteDC(dc);
}

TColor TGdiBitmapImage::Pixel(int x, int y) const {
  if (bits == nullptr || x < 0 || y < 0 || x >= width || y >= height) return 0;
  GdiFlush();
  const std::uint32_t value = bits[static_cast<std::size_t>(y) * width + x];  // 0x00RRGGBB
  return static_cast<TColor>(((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF));
}

std::unique_ptr<TBitmapImage> TGdiBackend::NewImage(int width, int height) {
  return std::make_unique<TGdiBitmapImage>(width, height);
}

TGdiBackend& GdiBackend() {
  static TGdiBackend backend;
  return backend;
}

}  // namespace varnolt::ui
