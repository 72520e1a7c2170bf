// A parent for windowless controls in native tests: counts what it is asked to draw and, when a
// repaint is asked for, draws the control into a fresh pixel image of the control's size.
#pragma once

#include <memory>

#include "PixelCanvas.h"
#include "ui/Controls.h"

namespace varnolt::testing {

class TestParent : public ui::TControl, public ui::TControlParent {
 public:
  TestParent() : ui::TControl(nullptr) { SetBounds(0, 0, 400, 200); }
  ~TestParent() override { ReleaseControls(); }

  ui::TControl& AsControl() override { return *this; }
  void InvalidateControl(ui::TControl&) override { ++invalidations; }
  void RepaintControl(ui::TControl& control) override {
    ++repaints;
    if (auto* graphic = dynamic_cast<ui::TGraphicControl*>(&control)) {
      lastPaint = std::make_unique<PixelImage>(control.Width(), control.Height());
      graphic->Paint(*lastPaint);
    }
  }

  int invalidations = 0;
  int repaints = 0;
  std::unique_ptr<PixelImage> lastPaint;
};

}  // namespace varnolt::testing
