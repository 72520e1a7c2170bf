#include "resources/ResourceArt.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace varnolt::art {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Point {
  double x;
  double y;
};

using Polyline = std::vector<Point>;

double DistanceToSegment(Point p, Point a, Point b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
  t = std::clamp(t, 0.0, 1.0);
  const double ex = a.x + t * dx - p.x;
  const double ey = a.y + t * dy - p.y;
  return std::sqrt(ex * ex + ey * ey);
}

// Points along an elliptical arc, angles in degrees counter-clockwise with y up.
Polyline Arc(double cx, double cy, double rx, double ry, double from, double to, int steps = 24) {
  Polyline points;
  for (int i = 0; i <= steps; ++i) {
    const double angle = (from + (to - from) * i / steps) * kPi / 180.0;
    points.push_back({cx + rx * std::cos(angle), cy + ry * std::sin(angle)});
  }
  return points;
}

// The centre lines of the product name's letters, in pixels with y up from the baseline.
std::vector<Polyline> NameStrokes() {
  constexpr double capHeight = 29;
  constexpr double xHeight = 19;
  constexpr double gap = 10.5;
  std::vector<Polyline> strokes;
  double x = 0;
  auto shifted = [&strokes, &x](Polyline line) {
    for (Point& p : line) p.x += x;
    strokes.push_back(std::move(line));
  };
  // V
  shifted({{0, capHeight}, {10, 0}, {20, capHeight}});
  x += 20 + gap;
  // a: a round bowl and its stem on the right
  shifted(Arc(7, xHeight / 2, 7, xHeight / 2, 0, 360, 40));
  shifted({{14, xHeight}, {14, 0}});
  x += 14 + gap;
  // r: stem and shoulder
  shifted({{0, 0}, {0, xHeight}});
  shifted(Arc(8, xHeight - 8, 8, 8, 180, 70));
  x += 11 + gap;
  // n: stem, arch, stem
  shifted({{0, 0}, {0, xHeight}});
  Polyline arch = Arc(7, xHeight - 7, 7, 7, 180, 0);
  arch.push_back({14, 0});
  shifted(arch);
  x += 14 + gap;
  // o
  shifted(Arc(7.5, xHeight / 2, 7.5, xHeight / 2, 0, 360, 40));
  x += 15 + gap;
  // l
  shifted({{0, 0}, {0, capHeight + 1}});
  x += gap;
  // t: stem ending in a hook, and its bar
  Polyline stem{{0, capHeight - 5}};
  for (const Point& p : Arc(4, 4, 4, 4, 180, 270, 8)) stem.push_back(p);
  stem.push_back({7, 0});
  shifted(stem);
  shifted({{-4, xHeight}, {7, xHeight}});
  return strokes;
}

Rgb Mix(Rgb a, Rgb b, double t) {
  auto channel = [t](int from, int to) {
    return static_cast<std::uint8_t>(std::lround(from + (to - from) * t));
  };
  return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

Rgb Scale(Rgb colour, double factor) {
  auto channel = [factor](int value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value * factor), 0L, 255L));
  };
  return {channel(colour.r), channel(colour.g), channel(colour.b)};
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutInfoHeader(std::vector<std::uint8_t>& out, int width, int height, int bits,
                   std::uint32_t imageSize, std::uint32_t coloursUsed) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bits));
  Put32(out, 0);  // no compression
  Put32(out, imageSize);
  Put32(out, 3780);  // 96 pixels per inch
  Put32(out, 3780);
  Put32(out, coloursUsed);
  Put32(out, 0);
}

void PutFileHeader(std::vector<std::uint8_t>& out, std::uint32_t fileSize, std::uint32_t pixelOffset) {
  out.push_back('B');
  out.push_back('M');
  Put32(out, fileSize);
  Put32(out, 0);
  Put32(out, pixelOffset);
}

void PutPalette(std::vector<std::uint8_t>& out, const std::array<Rgb, 256>& palette) {
  for (const Rgb& entry : palette) {
    out.push_back(entry.b);
    out.push_back(entry.g);
    out.push_back(entry.r);
    out.push_back(0);
  }
}

int RowBytes(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

// Bottom row first, as bitmaps store them.
void PutIndexRows(std::vector<std::uint8_t>& out, const IndexedImage& image) {
  const int padding = RowBytes(image.width, 8) - image.width;
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) out.push_back(image.At(x, y));
    out.insert(out.end(), static_cast<std::size_t>(padding), 0);
  }
}

}  // namespace

int ScaledSize(int size96, int dpi) { return (size96 * dpi + 48) / 96; }

TrueColorImage DrawBanner(int dpi) {
  // Drawn at the size a window of that DPI shows it, from the same shapes: crisp, not stretched.
  const double scale = dpi / 96.0;
  TrueColorImage image;
  image.width = ScaledSize(400, dpi);
  image.height = ScaledSize(50, dpi);
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      image.pixels[static_cast<std::size_t>(y) * image.width + x] =
          Mix(kBannerYellow, Rgb{255, 255, 255}, static_cast<double>(x) / (image.width - 1));
    }
  }

  const std::vector<Polyline> strokes = NameStrokes();
  constexpr double originX = 14;
  constexpr double baseline = 40;
  constexpr double slant = 0.21;       // italic
  constexpr double halfStroke = 3.3;   // bold
  constexpr double outline = 1.7;
  constexpr int samples = 4;           // per side of a pixel, for smooth edges
  const Rgb white{255, 255, 255};
  for (int py = 0; py < image.height; ++py) {
    for (int px = 0; px < image.width / 2; ++px) {
      Rgb& pixel = image.pixels[static_cast<std::size_t>(py) * image.width + px];
      double r = 0;
      double g = 0;
      double b = 0;
      bool touched = false;
      for (int j = 0; j < samples; ++j) {
        for (int i = 0; i < samples; ++i) {
          const double up = baseline - (py + (j + 0.5) / samples) / scale;
          const Point p{(px + (i + 0.5) / samples) / scale - originX - slant * up, up};
          double distance = 1e9;
          for (const Polyline& line : strokes) {
            for (std::size_t k = 1; k < line.size(); ++k) {
              distance = std::min(distance, DistanceToSegment(p, line[k - 1], line[k]));
            }
          }
          Rgb sample = pixel;
          if (distance <= halfStroke) {
            sample = white;
            touched = true;
          } else if (distance <= halfStroke + outline) {
            sample = kLetterOutline;
            touched = true;
          }
          r += sample.r;
          g += sample.g;
          b += sample.b;
        }
      }
      if (touched) {
        constexpr double count = samples * samples;
        pixel = {static_cast<std::uint8_t>(std::lround(r / count)),
                 static_cast<std::uint8_t>(std::lround(g / count)),
                 static_cast<std::uint8_t>(std::lround(b / count))};
      }
    }
  }
  return image;
}

IndexedImage DrawWastebasket(int dpi) {
  // The shapes are in units of the 32-pixel picture; each pixel samples them at its centre.
  const double scale = dpi / 96.0;
  const int size = ScaledSize(32, dpi);
  std::vector<Rgb> colours(size * size, kTransparentKey);
  std::vector<bool> drawn(size * size, false);
  auto set = [&](int x, int y, Rgb colour) {
    colours[static_cast<std::size_t>(y) * size + x] = colour;
    drawn[static_cast<std::size_t>(y) * size + x] = true;
  };

  constexpr double centreX = 16;
  constexpr double bodyTop = 9;
  constexpr double bodyBottom = 29.5;
  auto halfWidth = [](double y) { return 10.5 - (y - bodyTop) * (2.5 / (bodyBottom - bodyTop)); };
  auto inBody = [&](double x, double y) {
    if (y < bodyTop || y > bodyBottom) return false;
    const double hw = halfWidth(y);
    if (std::abs(x - centreX) > hw) return false;
    if (y > bodyBottom - 1.5) {  // rounded bottom
      const double u = (x - centreX) / hw;
      const double v = (y - (bodyBottom - 1.5)) / 1.5;
      return u * u + v * v <= 1;
    }
    return true;
  };
  auto inEllipse = [](double x, double y, double cx, double cy, double rx, double ry) {
    const double u = (x - cx) / rx;
    const double v = (y - cy) / ry;
    return u * u + v * v <= 1;
  };

  const Rgb body{118, 138, 168};  // grey-blue
  const Rgb edge{58, 68, 92};
  const Rgb rib{88, 104, 132};
  const Rgb rim{176, 190, 210};
  const Rgb opening{52, 60, 80};
  const Rgb blue{25, 85, 215};
  const Rgb lightBlue{90, 150, 250};

  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double cx = (x + 0.5) / scale;
      const double cy = (y + 0.5) / scale;
      if (inBody(cx, cy)) {
        const double hw = halfWidth(cy);
        const double u = (cx - centreX) / hw;
        // Lit from the upper left, like a cylinder.
        const double light = std::clamp(0.72 + 0.38 * (1 - (u + 0.35) * (u + 0.35)), 0.55, 1.12);
        Rgb colour = Scale(body, light);
        for (double ribAt : {-0.62, -0.22, 0.22, 0.62}) {
          if (std::abs(cx - (centreX + ribAt * hw)) < 0.5) colour = Scale(rib, light);
        }
        const bool border = !inBody(cx - 1, cy) || !inBody(cx + 1, cy) || !inBody(cx, cy + 1);
        set(x, y, border ? edge : colour);
      }
      if (inEllipse(cx, cy, centreX, bodyTop, 11.6, 3.3)) {
        const bool inside = inEllipse(cx, cy, centreX, bodyTop + 0.3, 9.6, 2.1);
        const bool outer = !inEllipse(cx, cy, centreX, bodyTop, 10.8, 2.7);
        set(x, y, inside ? opening : (outer ? edge : rim));
      }
    }
  }

  // The emblem: two arrows chasing each other clockwise around a circle.
  constexpr double emblemX = 16;
  constexpr double emblemY = 19.5;
  constexpr double radius = 5.2;
  struct ArcSpan {
    double from;
    double to;
  };
  const ArcSpan arcs[] = {{200, 320}, {20, 140}};  // degrees, clockwise on screen (y down)
  auto inArrowHead = [&](double px, double py, double endAngle) {
    const double a = endAngle * kPi / 180;
    const Point end{emblemX + radius * std::cos(a), emblemY + radius * std::sin(a)};
    const Point along{-std::sin(a), std::cos(a)};  // clockwise on screen
    const Point out{std::cos(a), std::sin(a)};
    const Point tip{end.x + along.x * 3.4, end.y + along.y * 3.4};
    const Point left{end.x + out.x * 2.7 - along.x * 0.3, end.y + out.y * 2.7 - along.y * 0.3};
    const Point right{end.x - out.x * 2.7 - along.x * 0.3, end.y - out.y * 2.7 - along.y * 0.3};
    auto side = [](Point p, Point a1, Point b1) {
      return (b1.x - a1.x) * (p.y - a1.y) - (b1.y - a1.y) * (p.x - a1.x);
    };
    const Point p{px, py};
    const double s1 = side(p, tip, left);
    const double s2 = side(p, left, right);
    const double s3 = side(p, right, tip);
    return (s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0);
  };
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double px = (x + 0.5) / scale;
      const double py = (y + 0.5) / scale;
      const double dx = px - emblemX;
      const double dy = py - emblemY;
      const double distance = std::sqrt(dx * dx + dy * dy);
      double angle = std::atan2(dy, dx) * 180 / kPi;
      if (angle < 0) angle += 360;
      bool onArc = false;
      for (const ArcSpan& span : arcs) onArc = onArc || (angle >= span.from && angle <= span.to);
      if (onArc && std::abs(distance - radius) <= 1.15) {
        set(x, y, distance < radius - 0.3 ? lightBlue : blue);
      }
      for (const ArcSpan& span : arcs) {
        if (inArrowHead(px, py, span.to)) set(x, y, blue);
      }
    }
  }

  IndexedImage image;
  image.width = size;
  image.height = size;
  image.palette[0] = kTransparentKey;
  std::map<std::uint32_t, std::uint8_t> indexOf;
  int next = 1;
  image.indices.resize(size * size, 0);
  for (int i = 0; i < size * size; ++i) {
    if (!drawn[i]) continue;
    const Rgb c = colours[i];
    const std::uint32_t key = (c.r << 16) | (c.g << 8) | c.b;
    auto found = indexOf.find(key);
    if (found == indexOf.end()) {
      // Far fewer colours than 255 are drawn; a picture that needed more would need quantising.
      if (next > 255) continue;
      image.palette[next] = c;
      found = indexOf.emplace(key, static_cast<std::uint8_t>(next++)).first;
    }
    image.indices[i] = found->second;
  }
  return image;
}

std::vector<std::uint8_t> EncodeBmp24(const TrueColorImage& image) {
  const int rowBytes = RowBytes(image.width, 24);
  const std::uint32_t pixelBytes = static_cast<std::uint32_t>(rowBytes * image.height);
  std::vector<std::uint8_t> out;
  PutFileHeader(out, 14 + 40 + pixelBytes, 14 + 40);
  PutInfoHeader(out, image.width, image.height, 24, pixelBytes, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgb c = image.At(x, y);
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
    }
    out.insert(out.end(), static_cast<std::size_t>(rowBytes - image.width * 3), 0);
  }
  return out;
}

std::vector<std::uint8_t> EncodeBmp8(const IndexedImage& image) {
  const std::uint32_t pixelBytes = static_cast<std::uint32_t>(RowBytes(image.width, 8) * image.height);
  const std::uint32_t offset = 14 + 40 + 256 * 4;
  std::vector<std::uint8_t> out;
  PutFileHeader(out, offset + pixelBytes, offset);
  PutInfoHeader(out, image.width, image.height, 8, pixelBytes, 256);
  PutPalette(out, image.palette);
  PutIndexRows(out, image);
  return out;
}

std::vector<std::uint8_t> EncodeIcon(const IndexedImage& image) {
  const int maskRow = RowBytes(image.width, 1);
  const std::uint32_t colourBytes = static_cast<std::uint32_t>(RowBytes(image.width, 8) * image.height);
  const std::uint32_t maskBytes = static_cast<std::uint32_t>(maskRow * image.height);
  const std::uint32_t pictureBytes = 40 + 256 * 4 + colourBytes + maskBytes;
  std::vector<std::uint8_t> out;
  // Directory: one 32 x 32 picture of 256 colours.
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(static_cast<std::uint8_t>(image.width));
  out.push_back(static_cast<std::uint8_t>(image.height));
  out.push_back(0);  // 256 colours
  out.push_back(0);
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, pictureBytes);
  Put32(out, 6 + 16);
  // The picture: twice the height, colours then mask. Transparent pixels are black in the
  // colour part and set in the mask, so the screen shows through unchanged.
  PutInfoHeader(out, image.width, image.height * 2, 8, colourBytes + maskBytes, 256);
  std::array<Rgb, 256> palette = image.palette;
  palette[0] = Rgb{0, 0, 0};
  PutPalette(out, palette);
  PutIndexRows(out, image);
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(maskRow), 0);
    for (int x = 0; x < image.width; ++x) {
      if (image.At(x, y) == 0) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace varnolt::art
