#include "ui/Graphics.h"

#include <algorithm>

#include "ui/Exception.h"

namespace varnolt::ui {
namespace {
TGraphicsBackend* installedBackend = nullptr;
}

void SetGraphicsBackend(TGraphicsBackend* backend) { installedBackend = backend; }

TGraphicsBackend& GraphicsBackend() {
  if (installedBackend == nullptr) throw Exception("Aucun moyen de dessiner n'est install\xE9.");
  return *installedBackend;
}

void TBitmap::SetSize(int newWidth, int newHeight) {
  width = std::max(newWidth, 0);
  height = std::max(newHeight, 0);
  image = GraphicsBackend().NewImage(width, height);
}

TBitmapImage& TBitmap::Image() {
  if (!image) image = GraphicsBackend().NewImage(width, height);
  return *image;
}

TCanvas& TBitmap::Canvas() { return Image().Canvas(); }

}  // namespace varnolt::ui
