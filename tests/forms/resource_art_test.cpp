// The program's pictures as the build draws them, and their file formats read back by the
// layout of the BMP and ICO headers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "resources/ResourceArt.h"

namespace varnolt::art {
namespace {

std::uint32_t Little32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (std::uint32_t{bytes[at + 3]} << 24);
}
std::uint16_t Little16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

TEST(BannerTest, YellowFadingToWhiteWithTheNameOnTheLeft) {
  const TrueColorImage banner = DrawBanner();
  ASSERT_EQ(banner.width, 400);
  ASSERT_EQ(banner.height, 50);
  EXPECT_EQ(banner.At(0, 0), kBannerYellow);
  EXPECT_EQ(banner.At(399, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(banner.At(399, 49), (Rgb{255, 255, 255}));
  // Fading: green and blue rise along the top row (no letters there).
  for (int x = 1; x < 400; ++x) {
    ASSERT_GE(banner.At(x, 1).b, banner.At(x - 1, 1).b);
    ASSERT_EQ(banner.At(x, 1).r, 255);
  }
  int white = 0;
  int outline = 0;
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 400; ++x) {
      const Rgb c = banner.At(x, y);
      const bool isWhite = c == Rgb{255, 255, 255};
      const bool isOutline = c == kLetterOutline;
      if (x >= 200) {
        ASSERT_FALSE(isOutline) << x << "," << y;  // the name lies on the left part
      } else {
        white += isWhite ? 1 : 0;
        outline += isOutline ? 1 : 0;
      }
    }
  }
  EXPECT_GT(white, 1000);   // large letters
  EXPECT_GT(outline, 300);  // outlined
}

TEST(WastebasketTest, GreyBlueBasketWithABlueEmblemOnEntryZero) {
  const IndexedImage basket = DrawWastebasket();
  ASSERT_EQ(basket.width, 32);
  ASSERT_EQ(basket.height, 32);
  EXPECT_EQ(basket.palette[0], kTransparentKey);
  EXPECT_EQ(basket.At(0, 31), 0);  // the bottom-left pixel is the background
  EXPECT_EQ(basket.At(0, 0), 0);
  EXPECT_EQ(basket.At(31, 31), 0);
  for (int i = 1; i < 256; ++i) {
    if (basket.palette[i] == kTransparentKey) ADD_FAILURE() << "entry " << i << " repeats the background";
  }
  int blue = 0;
  int greyBlue = 0;
  for (std::uint8_t index : basket.indices) {
    if (index == 0) continue;
    const Rgb c = basket.palette[index];
    if (c.b > c.r + 100) ++blue;
    if (c.b > c.r && c.b - c.r < 80 && c.r > 60) ++greyBlue;
  }
  EXPECT_GT(blue, 30);
  EXPECT_GT(greyBlue, 150);
}

TEST(PictureFilesTest, Bmp24HeaderAndBottomUpRows) {
  const TrueColorImage banner = DrawBanner();
  const std::vector<std::uint8_t> file = EncodeBmp24(banner);
  ASSERT_EQ(file.size(), 14u + 40 + 400 * 3 * 50);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(Little32(file, 2), file.size());
  EXPECT_EQ(Little32(file, 10), 54u);
  EXPECT_EQ(Little32(file, 14), 40u);
  EXPECT_EQ(Little32(file, 18), 400u);
  EXPECT_EQ(Little32(file, 22), 50u);
  EXPECT_EQ(Little16(file, 28), 24);
  // The first stored row is the bottom one, blue-green-red.
  EXPECT_EQ(file[54], banner.At(0, 49).b);
  EXPECT_EQ(file[56], banner.At(0, 49).r);
  const std::size_t topRow = 54 + 49 * 1200;
  EXPECT_EQ(file[topRow + 3 * 399 + 0], banner.At(399, 0).b);
}

TEST(PictureFilesTest, Bmp8CarriesAllTwoHundredFiftySixEntries) {
  const IndexedImage basket = DrawWastebasket();
  const std::vector<std::uint8_t> file = EncodeBmp8(basket);
  ASSERT_EQ(file.size(), 14u + 40 + 1024 + 32 * 32);
  EXPECT_EQ(Little32(file, 10), 14u + 40 + 1024);
  EXPECT_EQ(Little16(file, 28), 8);
  EXPECT_EQ(Little32(file, 46), 256u);
  EXPECT_EQ(file[54 + 0], kTransparentKey.b);
  EXPECT_EQ(file[54 + 2], kTransparentKey.r);
  EXPECT_EQ(file[14 + 40 + 1024], basket.At(0, 31));
  EXPECT_EQ(file[14 + 40 + 1024 + 31 * 32 + 16], basket.At(16, 0));
}

TEST(PictureFilesTest, IconMaskHidesExactlyTheBackground) {
  const IndexedImage basket = DrawWastebasket();
  const std::vector<std::uint8_t> file = EncodeIcon(basket);
  EXPECT_EQ(Little16(file, 0), 0);
  EXPECT_EQ(Little16(file, 2), 1);  // icon
  EXPECT_EQ(Little16(file, 4), 1);  // one picture
  EXPECT_EQ(file[6], 32);
  EXPECT_EQ(file[7], 32);
  EXPECT_EQ(Little16(file, 12), 8);
  const std::uint32_t size = Little32(file, 14);
  const std::uint32_t offset = Little32(file, 18);
  ASSERT_EQ(offset + size, file.size());
  EXPECT_EQ(Little32(file, offset + 4), 32u);
  EXPECT_EQ(Little32(file, offset + 8), 64u);  // colours and mask
  EXPECT_EQ(Little16(file, offset + 14), 8);
  // Entry 0 is black here, so transparent pixels leave the screen as it is.
  EXPECT_EQ(file[offset + 40 + 0], 0);
  EXPECT_EQ(file[offset + 40 + 1], 0);
  EXPECT_EQ(file[offset + 40 + 2], 0);
  const std::size_t colours = offset + 40 + 1024;
  const std::size_t mask = colours + 32 * 32;
  ASSERT_EQ(mask + 32 * 4, file.size());
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const std::size_t row = static_cast<std::size_t>(31 - y);
      const bool masked = file[mask + row * 4 + x / 8] & (0x80 >> (x % 8));
      ASSERT_EQ(file[colours + row * 32 + x], basket.At(x, y));
      ASSERT_EQ(masked, basket.At(x, y) == 0) << x << "," << y;
    }
  }
}

TEST(PictureFilesTest, DrawingIsReproducible) {
  EXPECT_EQ(EncodeBmp24(DrawBanner()), EncodeBmp24(DrawBanner()));
  EXPECT_EQ(EncodeIcon(DrawWastebasket()), EncodeIcon(DrawWastebasket()));
}

// At another DPI the same pictures are drawn anew at that size: the same picture, where a pixel
// of the 96-DPI one and the pixels it becomes agree but for the edges of shapes.
TEST(ScaledArtTest, EachDpiDrawsTheSamePictureAtItsSize) {
  for (const int dpi : kPictureDpis) {
    const TrueColorImage banner = DrawBanner(dpi);
    const IndexedImage basket = DrawWastebasket(dpi);
    EXPECT_EQ(banner.width, ScaledSize(400, dpi));
    EXPECT_EQ(banner.height, ScaledSize(50, dpi));
    EXPECT_EQ(basket.width, ScaledSize(32, dpi));
    EXPECT_EQ(basket.height, basket.width);
  }
  EXPECT_EQ(ScaledSize(32, 120), 40);
  EXPECT_EQ(ScaledSize(50, 144), 75);
  EXPECT_EQ(ScaledSize(400, 192), 800);

  const TrueColorImage small = DrawBanner(96);
  const TrueColorImage large = DrawBanner(192);
  const IndexedImage smallBasket = DrawWastebasket(96);
  const IndexedImage largeBasket = DrawWastebasket(192);
  int bannerAgree = 0;
  int basketAgree = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const bool transparentSmall = smallBasket.At(x, y) == 0;
      const bool transparentLarge = largeBasket.At(2 * x + 1, 2 * y + 1) == 0;
      basketAgree += transparentSmall == transparentLarge ? 1 : 0;
    }
  }
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 400; ++x) {
      // A pixel against the average of the four it becomes.
      const Rgb a = small.At(x, y);
      int r = 0, g = 0, b = 0;
      for (int j = 0; j < 2; ++j) {
        for (int i = 0; i < 2; ++i) {
          const Rgb c = large.At(2 * x + i, 2 * y + j);
          r += c.r;
          g += c.g;
          b += c.b;
        }
      }
      bannerAgree += std::abs(4 * a.r - r) + std::abs(4 * a.g - g) + std::abs(4 * a.b - b) <= 4 * 30 ? 1 : 0;
    }
  }
  EXPECT_GT(basketAgree, 32 * 32 * 95 / 100) << "the wastebasket's outline";
  EXPECT_GT(bannerAgree, 400 * 50 * 95 / 100) << "the banner's gradient and letters";
  // The letters' white strokes cover four times the pixels at twice the size.
  auto whiteOnTheLeft = [](const TrueColorImage& image) {
    int count = 0;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width / 2; ++x) count += image.At(x, y) == Rgb{255, 255, 255} ? 1 : 0;
    }
    return count;
  };
  const int smallWhite = whiteOnTheLeft(small);
  ASSERT_GT(smallWhite, 300);
  EXPECT_NEAR(whiteOnTheLeft(large), 4.0 * smallWhite, 0.15 * 4 * smallWhite);
}

}  // namespace
}  // namespace varnolt::art
