// Writes the program's pictures into the directory given: banner.bmp, wastebasket.bmp and
// varnolt.ico, and banner-DPI.bmp, wastebasket-DPI.bmp for each of the other DPIs they are drawn
// for. Run by the build; the same sources always give the same bytes.
#include <cstdio>
#include <fstream>
#include <string>

#include "resources/ResourceArt.h"

namespace {

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "make_resources: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_resources OUTPUT_DIRECTORY\n");
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
