// The program's pictures, drawn by code so that the build makes them the same every time: the
// banner of the progress windows, the small wastebasket bitmap and the program's icon. Plain
// C++ with no system header; make_resources writes them as .bmp and .ico files for the resource
// script.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace varnolt::art {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A true-colour picture, rows top first.
struct TrueColorImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// A picture of palette indices, rows top first.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::array<Rgb, 256> palette{};
  std::vector<std::uint8_t> indices;
  std::uint8_t At(int x, int y) const { return indices[static_cast<std::size_t>(y) * width + x]; }
};

inline constexpr Rgb kBannerYellow{255, 211, 84};
inline constexpr Rgb kLetterOutline{64, 64, 64};
// The wastebasket's background, palette entry 0: almost black, shown as transparent.
inline constexpr Rgb kTransparentKey{4, 4, 4};

// The DPIs the pictures are drawn for besides 96: a window at one of them shows its own size
// of each picture; at any other, the nearest is stretched.
inline constexpr int kPictureDpis[] = {120, 144, 192};
// A length of a 96-DPI picture at `dpi`, rounded to the nearest pixel.
int ScaledSize(int size96, int dpi);

// 400 x 50 at 96 DPI (and in proportion at others): warm yellow fading to white toward the
// right, "Varnolt" in large bold italic white letters outlined in dark grey on the left.
TrueColorImage DrawBanner(int dpi = 96);
// 32 x 32 at 96 DPI: a grey-blue wastebasket with a blue emblem of two circular arrows, on
// palette entry 0.
IndexedImage DrawWastebasket(int dpi = 96);

// File images: a 24-bit .bmp, an 8-bit .bmp with its 256-entry palette, and a one-picture .ico
// (32 x 32, 256 colours) whose mask makes palette entry 0 transparent.
std::vector<std::uint8_t> EncodeBmp24(const TrueColorImage& image);
std::vector<std::uint8_t> EncodeBmp8(const IndexedImage& image);
std::vector<std::uint8_t> EncodeIcon(const IndexedImage& image);

}  // namespace varnolt::art
