// PNG files of true-colour pictures: the package's logos, and the screenshots the tests save. Uncompressed (stored
// deflate blocks): simple, and any viewer reads them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnolt {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);
std::uint32_t Adler32(const std::uint8_t* data, std::size_t size);

// `rgb` holds width x height pixels, three bytes each, rows top first.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace varnolt
