// The progress windows at the DPI this run's Wine gives (LogPixels; VARNOLT_EXPECTED_DPI says
// which, 96 unless set): the program is aware of each monitor's DPI, every component's edges are
// its stored ones scaled, the window and its child windows are that size on the screen, no text
// is cut off, the pictures are the ones drawn for that DPI, the gauges fill in proportion, and
// a screenshot of each window is kept (NAME-DPIdpi.png). run-at-dpis.sh runs them at 96, 120,
// 144 and 192 DPI.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "FormFixture.h"
#include "WindowTestSupport.h"
#include "ui/GdiGraphics.h"
#include "ui/Layout.h"

namespace varnolt::testing {
namespace {

int ExpectedDpi() {
  const char* value = std::getenv("VARNOLT_EXPECTED_DPI");
  return value != nullptr && *value != '\0' ? std::atoi(value) : 96;
}

int Scaled(int length) { return ui::ScaleLength(length, ExpectedDpi(), ui::kDesignDpi); }

template <class Function>
Function User32(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

TEST(DpiAwarenessTest, ProgramIsPerMonitorAwareAndSeesTheDpiOfThisRun) {
  using GetContext = HANDLE(WINAPI*)();
  using AwarenessOf = int(WINAPI*)(HANDLE);
  const auto context = User32<GetContext>("GetThreadDpiAwarenessContext");
  const auto awareness = User32<AwarenessOf>("GetAwarenessFromDpiAwarenessContext");
  ASSERT_NE(context, nullptr);
  ASSERT_NE(awareness, nullptr);
  EXPECT_EQ(awareness(context()), 2) << "DPI_AWARENESS_PER_MONITOR_AWARE, from the manifest";
  EXPECT_EQ(ui::DpiOf(nullptr), ExpectedDpi()) << "LogPixels did not reach this program";
}

// What each window's test needs to know of it.
template <class Form>
struct WindowOf;
template <>
struct WindowOf<TfrmOneFileShredder> {
  static constexpr const char* kLayout = "TFRMONEFILESHREDDER";
  static constexpr const char* kName = "TfrmOneFileShredder";
  static std::uint8_t Progress(float item, std::int32_t done, std::int32_t count, float overall) {
    return OneFileShredderProgress(item, done, count, overall);
  }
};
template <>
struct WindowOf<TfrmMultiFileShredder> {
  static constexpr const char* kLayout = "TFRMMULTIFILESHREDDER";
  static constexpr const char* kName = "TfrmMultiFileShredder";
  static std::uint8_t Progress(float item, std::int32_t done, std::int32_t count, float overall) {
    return MultiFileShredderProgress(item, done, count, overall);
  }
};
template <>
struct WindowOf<TfrmOneFreeSpaceShredder> {
  static constexpr const char* kLayout = "TFRMONEFREESPACESHREDDER";
  static constexpr const char* kName = "TfrmOneFreeSpaceShredder";
  static std::uint8_t Progress(float item, std::int32_t done, std::int32_t count, float overall) {
    return OneFreeSpaceShredderProgress(item, done, count, overall);
  }
};

// The stored layout, as the program carries it.
ui::TLayoutObject StoredLayout(const char* resource) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, resource, RT_RCDATA);
  if (found == nullptr) throw std::runtime_error(std::string("no layout ") + resource);
  const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  return ui::ParseLayout(std::string_view(data, SizeofResource(module, found)));
}

int IntegerOf(const ui::TLayoutObject& object, const char* name, int otherwise = 0) {
  for (const ui::TLayoutProperty& property : object.properties) {
    if (property.name == name) return static_cast<int>(property.value.integer);
  }
  return otherwise;
}

// Every component the layout places, with its stored edges scaled to this run's DPI.
template <class Visit>
void ForEachStored(const ui::TLayoutObject& object, Visit visit) {
  for (const ui::TLayoutObject& child : object.children) {
    const int left = IntegerOf(child, "Left");
    const int top = IntegerOf(child, "Top");
    visit(child.name, ui::Rect(Scaled(left), Scaled(top), Scaled(left + IntegerOf(child, "Width")),
                               Scaled(top + IntegerOf(child, "Height"))));
    ForEachStored(child, visit);
  }
}

// The text of a label or button with its font, measured as GDI draws it, fits its bounds.
::testing::AssertionResult TextFits(ui::TControl& control, bool wordWrap) {
  HDC screen = GetDC(nullptr);
  HFONT font = ui::CreateFontHandle(control.Font());
  HGDIOBJ previous = SelectObject(screen, font);
  RECT needed{0, 0, control.Width(), 0};
  DrawTextA(screen, control.Caption().c_str(), -1, &needed,
            DT_CALCRECT | (wordWrap ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(screen, previous);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  if (needed.right <= control.Width() && needed.bottom <= control.Height()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << control.Name() << " '" << control.Caption() << "' needs " << needed.right
                                       << " x " << needed.bottom << ", has " << control.Width() << " x "
                                       << control.Height();
}

template <class Form>
class ScaledWindowTest : public FormFixture<Form> {
 protected:
  // A mid-run state: every label shows a text of its own.
  void ShowMidRun() {
    this->form->Show();
    WindowOf<Form>::Progress(0.62f, 3, 12, 0.5f);
    PumpFor(200);
  }
};

using Windows = ::testing::Types<TfrmOneFileShredder, TfrmMultiFileShredder, TfrmOneFreeSpaceShredder>;
TYPED_TEST_SUITE(ScaledWindowTest, Windows);

TYPED_TEST(ScaledWindowTest, EveryEdgeIsTheStoredOneScaled) {
  TypeParam& form = *this->form;
  const ui::TLayoutObject layout = StoredLayout(WindowOf<TypeParam>::kLayout);
  EXPECT_EQ(form.PixelsPerInch(), ExpectedDpi());
  EXPECT_EQ(form.ClientWidth(), Scaled(IntegerOf(layout, "ClientWidth")));
  EXPECT_EQ(form.ClientHeight(), Scaled(IntegerOf(layout, "ClientHeight")));
  EXPECT_EQ(form.Font().Height, Scaled(IntegerOf(layout, "Font.Height")));
  int placed = 0;
  ForEachStored(layout, [&](const std::string& name, const ui::TRect& expected) {
    auto* control = dynamic_cast<ui::TControl*>(form.FindComponent(name));
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(control->BoundsRect(), expected) << name;
    ++placed;
  });
  EXPECT_GE(placed, 7);

  // On the screen: the client area, and the child windows where their bounds say.
  this->ShowMidRun();
  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, form.ClientWidth());
  EXPECT_EQ(client.bottom, form.ClientHeight());
  for (ui::TWinControl* windowed : {static_cast<ui::TWinControl*>(form.pnlBottom),
                                    static_cast<ui::TWinControl*>(form.btnCancel)}) {
    const RECT at = RectInParent(windowed->Handle());
    EXPECT_EQ(ui::Rect(at.left, at.top, at.right, at.bottom), windowed->BoundsRect()) << windowed->Name();
  }
}

TYPED_TEST(ScaledWindowTest, NothingIsCutOff) {
  TypeParam& form = *this->form;
  this->ShowMidRun();
  std::function<void(ui::TWinControl&)> check = [&](ui::TWinControl& parent) {
    const ui::TRect area = parent.ClientRect();
    for (ui::TControl* child : parent.Controls()) {
      const ui::TRect bounds = child->BoundsRect();
      EXPECT_TRUE(bounds.Left >= area.Left && bounds.Top >= area.Top && bounds.Right <= area.Right &&
                  bounds.Bottom <= area.Bottom)
          << child->Name() << " reaches out of " << parent.Name();
      if (auto* label = dynamic_cast<ui::TLabel*>(child)) {
        EXPECT_TRUE(TextFits(*label, label->WordWrap()));
      }
      if (auto* button = dynamic_cast<ui::TButton*>(child)) {
        EXPECT_TRUE(TextFits(*button, false));
      }
      if (auto* windowed = dynamic_cast<ui::TWinControl*>(child)) check(*windowed);
    }
  };
  check(form);
}

TYPED_TEST(ScaledWindowTest, PicturesAreDrawnForTheDpiAndGaugesFillInProportion) {
  TypeParam& form = *this->form;
  // The pictures drawn for this DPI (not the 96-DPI ones stretched), the wastebasket centred.
  EXPECT_EQ(form.imgTop->DrawnSize(), (ui::TSize{Scaled(400), Scaled(50)}));
  EXPECT_EQ(form.imgTop->PictureSize(), form.imgTop->DrawnSize());
  EXPECT_EQ(form.Image1->DrawnSize(), (ui::TSize{Scaled(32), Scaled(32)}));
  EXPECT_EQ(form.Image1->PictureSize(), form.Image1->DrawnSize());
  EXPECT_EQ(form.Image1->PictureOrigin().X, (form.Image1->Width() - Scaled(32)) / 2);

  // The overall gauge at half: half its scaled width filled, every row.
  TCGauge& gauge = *form.gShreddedSize;
  gauge.SetProgress(50);
  ui::TBitmap bitmap;
  bitmap.SetSize(gauge.Width(), gauge.Height());
  gauge.Paint(bitmap.Canvas());
  auto& image = dynamic_cast<ui::TGdiBitmapImage&>(bitmap.Image());
  const ui::TColor fore = gauge.ForeColor();
  int fill = 0;
  while (fill < gauge.Width() && image.Pixel(fill, gauge.Height() / 2) == fore) ++fill;
  EXPECT_NEAR(fill, gauge.Width() / 2.0, 1.0) << "of " << gauge.Width();
  EXPECT_EQ(image.Pixel(fill - 1, gauge.Height() - 1), fore);
  EXPECT_NE(image.Pixel(fill, gauge.Height() - 1), fore);
}

TYPED_TEST(ScaledWindowTest, ScreenshotAtThisDpi) {
  if (ScreenshotDirectory().empty()) GTEST_SKIP() << "no screenshot directory (VARNOLT_SCREENSHOTS)";
  TypeParam& form = *this->form;
  this->ShowMidRun();
  SetForegroundWindow(form.Handle());
  PumpFor(300);
  // What the screen shows is the scaled window: the gauge's fill ends at half its scaled width...
  TCGauge& gauge = *form.gShreddedSize;
  const ui::TColor fore = static_cast<ui::TColor>(gauge.ForeColor());
  POINT filled{gauge.Left() + gauge.Width() / 2 - Scaled(3), gauge.Top() + Scaled(3)};
  POINT empty{gauge.Left() + gauge.Width() / 2 + Scaled(3), gauge.Top() + Scaled(3)};
  HWND panel = form.pnlBottom->Handle();
  MapWindowPoints(panel, nullptr, &filled, 1);
  MapWindowPoints(panel, nullptr, &empty, 1);
  EXPECT_EQ(ScreenPixel(filled.x, filled.y), fore);
  EXPECT_NE(ScreenPixel(empty.x, empty.y), fore);
  // ...and, below the gauge, the panel's face: the gauge ends where its scaled bounds say.
  POINT below{gauge.Left() + Scaled(3), gauge.Top() + gauge.Height() + 1};
  MapWindowPoints(panel, nullptr, &below, 1);
  EXPECT_NE(ScreenPixel(below.x, below.y), fore);
  const std::string path =
      SaveScreenshot(form.Handle(), std::string(WindowOf<TypeParam>::kName) + "-" + std::to_string(ExpectedDpi()) + "dpi");
  EXPECT_NE(path, "");
  std::printf("screenshot: %s\n", path.c_str());
}

// Moved to a monitor of another DPI (Windows says so with WM_DPICHANGED and a suggested window
// rectangle), the window takes that DPI's layout and the place suggested; moved back, the
// layout it had, give or take the pixel that rounding twice may cost.
TYPED_TEST(ScaledWindowTest, FollowsAChangeOfMonitorDpi) {
  TypeParam& form = *this->form;
  this->ShowMidRun();
  HWND window = form.Handle();
  const int dpi = ExpectedDpi();
  const int other = dpi == 120 ? 144 : 120;  // a window that still fits the 1024 x 768 screen
  const int width = form.ClientWidth();
  const int height = form.ClientHeight();
  const ui::TRect button = form.btnCancel->BoundsRect();
  auto moveTo = [&](int newDpi, int clientWidth, int clientHeight) {
    RECT suggested{40, 30, 40 + clientWidth, 30 + clientHeight};
    AdjustWindowRectEx(&suggested, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi), reinterpret_cast<LPARAM>(&suggested));
    PumpFor(100);
    RECT now;
    GetWindowRect(window, &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
  };
  auto scaled = [&](int length) { return ui::ScaleLength(length, other, dpi); };
  moveTo(other, scaled(width), scaled(height));
  EXPECT_EQ(form.PixelsPerInch(), other);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, scaled(width));
  EXPECT_EQ(client.bottom, scaled(height));
  EXPECT_EQ(form.ClientWidth(), scaled(width));
  EXPECT_EQ(form.btnCancel->BoundsRect(),
            ui::Rect(scaled(button.Left), scaled(button.Top), scaled(button.Right), scaled(button.Bottom)));
  EXPECT_EQ(form.Image1->DrawnSize(), (ui::TSize{ui::ScaleLength(32, other, 96), ui::ScaleLength(32, other, 96)}));
  EXPECT_EQ(form.Image1->PictureSize(), form.Image1->DrawnSize()) << "the picture drawn for " << other;
  moveTo(dpi, width, height);
  EXPECT_EQ(form.PixelsPerInch(), dpi);
  EXPECT_EQ(form.ClientWidth(), width);
  const ui::TRect back = form.btnCancel->BoundsRect();
  EXPECT_NEAR(back.Left, button.Left, 1);
  EXPECT_NEAR(back.Right, button.Right, 1);
  EXPECT_NEAR(back.Bottom, button.Bottom, 1);
}

}  // namespace
}  // namespace varnolt::testing
