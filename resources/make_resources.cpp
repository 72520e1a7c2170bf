// Writes the program's pictures into the directory given: banner.bmp, wastebasket.bmp and
// varnolt.ico, and banner-DPI.bmp, wastebasket-DPI.bmp for each of the other DPIs they are drawn
// for. With --logos, writes instead the logos the Windows 11 identity package's manifest names
// (StoreLogo.png, Square44x44Logo.png, Square150x150Logo.png). Run by the build; the same
// sources always give the same bytes.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "resources/ResourceArt.h"
#include "resources/Png.h"

namespace {

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "make_resources: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

// The wastebasket, `inner` pixels wide, centred on a square plate of the banner's yellow `size`
// pixels wide. Opaque: the PNG encoder writes true colour without alpha, and a plate reads well
// on both the light and the dark theme.
std::vector<std::uint8_t> DrawLogo(int size, int inner) {
  using namespace varnolt::art;
  const IndexedImage basket = DrawWastebasket(inner * 3);  // ScaledSize(32, 3 * inner) == inner
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(size) * size * 3);
  const int offset = (size - basket.width) / 2;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const int bx = x - offset;
      const int by = y - offset;
      const bool onBasket = bx >= 0 && by >= 0 && bx < basket.width && by < basket.height;
      const std::uint8_t index = onBasket ? basket.At(bx, by) : 0;
      const Rgb colour = index == 0 ? kBannerYellow : basket.palette[index];
      rgb.insert(rgb.end(), {colour.r, colour.g, colour.b});
    }
  }
  return varnolt::EncodePng(size, size, rgb);
}

bool WriteLogos(const std::string& directory) {
  return Write(directory + "/StoreLogo.png", DrawLogo(50, 44)) &&
         Write(directory + "/Square44x44Logo.png", DrawLogo(44, 40)) &&
         Write(directory + "/Square150x150Logo.png", DrawLogo(150, 96));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--logos") == 0) return WriteLogos(argv[2]) ? 0 : 1;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_resources [--logos] OUTPUT_DIRECTORY\n");
    return 2;
  }
  using namespace varnolt::art;
  const std::string directory = argv[1];
  const IndexedImage wastebasket = DrawWastebasket();
  const bool written = Write(directory + "/banner.bmp", EncodeBmp24(DrawBanner())) &&
                       Write(directory + "/wastebasket.bmp", EncodeBmp8(wastebasket)) &&
                       Write(directory + "/varnolt.ico", EncodeIcon(wastebasket));
  bool scaledWritten = true;
  for (const int dpi : kPictureDpis) {
    const std::string suffix = "-" + std::to_string(dpi) + ".bmp";
    scaledWritten = scaledWritten && Write(directory + "/banner" + suffix, EncodeBmp24(DrawBanner(dpi))) &&
                    Write(directory + "/wastebasket" + suffix, EncodeBmp8(DrawWastebasket(dpi)));
  }
  return written && scaledWritten ? 0 : 1;
}
