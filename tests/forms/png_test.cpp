// The screenshots' PNG files: check values of the two checksums, and a picture read back chunk
// by chunk and block by block.
#include <gtest/gtest.h>

#include <cstring>

#include "resources/Png.h"

namespace varnolt::testing {
namespace {

std::uint32_t Big32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
         (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

TEST(PngChecksumTest, StandardCheckValues) {
  const char* digits = "123456789";
  EXPECT_EQ(Crc32(reinterpret_cast<const std::uint8_t*>(digits), 9), 0xCBF43926u);
  const char* word = "Wikipedia";
  EXPECT_EQ(Adler32(reinterpret_cast<const std::uint8_t*>(word), 9), 0x11E60398u);
  EXPECT_EQ(Adler32(nullptr, 0), 1u);
}

TEST(PngEncodeTest, ChunksAndStoredBlocksReadBack) {
  // 200 x 120 pixels: 72,120 bytes of rows, more than one stored block.
  const int width = 200;
  const int height = 120;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7 + i / 600);
  const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);

  const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  ASSERT_GE(png.size(), 8u);
  EXPECT_EQ(std::memcmp(png.data(), signature, 8), 0);

  std::vector<std::string> types;
  std::vector<std::uint8_t> header;
  std::vector<std::uint8_t> zlib;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = Big32(png, at);
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4), png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    ASSERT_LE(at + 12 + length, png.size());
    EXPECT_EQ(Big32(png, at + 8 + length), Crc32(png.data() + at + 4, length + 4)) << type;
    const auto data = png.begin() + static_cast<std::ptrdiff_t>(at + 8);
    if (type == "IHDR") header.assign(data, data + length);
    if (type == "IDAT") zlib.insert(zlib.end(), data, data + length);
    types.push_back(type);
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  ASSERT_EQ(header.size(), 13u);
  EXPECT_EQ(Big32(header, 0), 200u);
  EXPECT_EQ(Big32(header, 4), 120u);
  EXPECT_EQ(header[8], 8);  // bit depth
  EXPECT_EQ(header[9], 2);  // true colour

  // A zlib header whose check bits hold, stored blocks, and the Adler-32 of what they hold.
  ASSERT_GE(zlib.size(), 6u);
  EXPECT_EQ((zlib[0] * 256 + zlib[1]) % 31, 0);
  std::vector<std::uint8_t> inflated;
  std::size_t pos = 2;
  int blocks = 0;
  for (;;) {
    ASSERT_LT(pos + 5, zlib.size());
    const std::uint8_t flags = zlib[pos];
    EXPECT_EQ(flags & 6, 0) << "not a stored block";
    const unsigned length = zlib[pos + 1] | (zlib[pos + 2] << 8);
    const unsigned complement = zlib[pos + 3] | (zlib[pos + 4] << 8);
    EXPECT_EQ(length ^ 0xFFFFu, complement);
    inflated.insert(inflated.end(), zlib.begin() + static_cast<std::ptrdiff_t>(pos + 5),
                    zlib.begin() + static_cast<std::ptrdiff_t>(pos + 5 + length));
    pos += 5 + length;
    ++blocks;
    if (flags & 1) break;
  }
  EXPECT_EQ(blocks, 2);
  ASSERT_EQ(pos + 4, zlib.size());
  EXPECT_EQ(Big32(zlib, pos), Adler32(inflated.data(), inflated.size()));

  ASSERT_EQ(inflated.size(), static_cast<std::size_t>(height) * (1 + width * 3));
  for (int y = 0; y < height; ++y) {
    const std::size_t row = static_cast<std::size_t>(y) * (1 + width * 3);
    ASSERT_EQ(inflated[row], 0) << "filter of row " << y;
    ASSERT_EQ(std::memcmp(inflated.data() + row + 1, rgb.data() + static_cast<std::size_t>(y) * width * 3, width * 3), 0);
  }
}

}  // namespace
}  // namespace varnolt::testing
