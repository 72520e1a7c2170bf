#include "PixelCanvas.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace varnolt::testing {

ui::TColor ResolveColor(ui::TColor color) {
  if (!ui::IsSystemColor(color)) return color & 0xFFFFFF;
  return 0x010203 * (ui::SystemColorIndex(color) + 1);
}

PixelImage::PixelImage(int width, int height)
    : width(width), height(height), pixels(static_cast<std::size_t>(width) * height, 0) {}

void PixelImage::Fill(const ui::TRect& rect, ui::TColor color) {
  const int left = std::max(rect.Left, 0);
  const int top = std::max(rect.Top, 0);
  const int right = std::min(rect.Right, width);
  const int bottom = std::min(rect.Bottom, height);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) pixels[static_cast<std::size_t>(y) * width + x] = color;
  }
}

void PixelImage::FillRect(const ui::TRect& rect) { Fill(rect, ResolveColor(Brush.Color)); }

namespace {
std::string RectText(const ui::TRect& r) {
  std::ostringstream out;
  out << r.Left << ',' << r.Top << ',' << r.Right << ',' << r.Bottom;
  return out.str();
}
}  // namespace

void PixelImage::Ellipse(const ui::TRect& bounds) {
  std::ostringstream out;
  out << "Ellipse " << RectText(bounds) << " pen=" << ResolveColor(Pen.Color)
      << " brush=" << ResolveColor(Brush.Color);
  log->push_back(out.str());
}

void PixelImage::Pie(const ui::TRect& bounds, ui::TPoint start, ui::TPoint end) {
  std::ostringstream out;
  out << "Pie " << RectText(bounds) << " from " << start.X << ',' << start.Y << " to " << end.X
      << ',' << end.Y << " pen=" << ResolveColor(Pen.Color) << " brush=" << ResolveColor(Brush.Color);
  log->push_back(out.str());
}

void PixelImage::MoveTo(int x, int y) { position = {x, y}; }

void PixelImage::LineTo(int x, int y) {
  std::ostringstream out;
  out << "Line " << position.X << ',' << position.Y << " to " << x << ',' << y
      << " pen=" << ResolveColor(Pen.Color);
  log->push_back(out.str());
  position = {x, y};
}

ui::TSize PixelImage::TextExtent(const std::string& text) {
  return {kCharWidth * static_cast<int>(text.size()), kTextHeight};
}

void PixelImage::TextRect(const ui::TRect& clip, int x, int y, const std::string& text) {
  log->push_back("Text " + text + " at " + std::to_string(x) + ',' + std::to_string(y) +
                  " clip " + RectText(clip));
  const ui::TSize extent = TextExtent(text);
  ui::TRect block = ui::Bounds(x, y, extent.cx, extent.cy);
  block = ui::Rect(std::max(block.Left, clip.Left), std::max(block.Top, clip.Top),
                   std::min(block.Right, clip.Right), std::min(block.Bottom, clip.Bottom));
  Fill(block, ResolveColor(Font.Color));
}

void PixelImage::Draw(int x, int y, ui::TBitmap& bitmap) {
  auto* source = dynamic_cast<PixelImage*>(&bitmap.Image());
  if (source == nullptr) throw std::logic_error("a bitmap of another backend");
  for (int sy = 0; sy < source->height; ++sy) {
    for (int sx = 0; sx < source->width; ++sx) {
      const int tx = x + sx;
      const int ty = y + sy;
      if (tx < 0 || ty < 0 || tx >= width || ty >= height) continue;
      ui::TColor& target = pixels[static_cast<std::size_t>(ty) * width + tx];
      const ui::TColor value = source->pixels[static_cast<std::size_t>(sy) * source->width + sx];
      target = CopyMode == ui::TCopyMode::cmSrcInvert ? (target ^ value) : value;
    }
  }
}

ui::TColor PixelImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) throw std::out_of_range("pixel outside");
  return pixels[static_cast<std::size_t>(y) * width + x];
}

int PixelImage::CountInRow(int y, ui::TColor color) const {
  int count = 0;
  for (int x = 0; x < width; ++x) count += Pixel(x, y) == color ? 1 : 0;
  return count;
}

std::unique_ptr<ui::TBitmapImage> PixelBackend::NewImage(int width, int height) {
  auto image = std::make_unique<PixelImage>(width, height);
  image->RecordInto(&calls);
  return image;
}

}  // namespace varnolt::testing
