// The progress windows at work: their callbacks drive gauges, labels and the title; Annuler and
// close requests stop the run from inside the next callback; the gauge and its overlay as drawn;
// the free-space window maximised; screenshots at a mid-run state.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "FormFixture.h"
#include "WindowTestSupport.h"
#include "ui/GdiGraphics.h"

namespace varnolt::testing {
namespace {

constexpr ui::TColor kSizeFore = ui::RGBColor(149, 202, 255);
constexpr ui::TColor kSizeBack = ui::RGBColor(202, 210, 219);

std::string ApplicationTitle() {
  char text[256] = {};
  GetWindowTextA(ui::Application().Handle(), text, sizeof text);
  return text;
}

ui::TColor System(int index) { return static_cast<ui::TColor>(GetSysColor(index)); }

// Within one step per channel: the banner's pixels may come back one step off.
::testing::AssertionResult Near(ui::TColor actual, ui::TColor expected) {
  if (std::abs(ui::RedOf(actual) - ui::RedOf(expected)) <= 1 &&
      std::abs(ui::GreenOf(actual) - ui::GreenOf(expected)) <= 1 &&
      std::abs(ui::BlueOf(actual) - ui::BlueOf(expected)) <= 1) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << std::hex << actual << " is not " << expected;
}

// Filled columns of a gauge drawn into an off-screen bitmap, every row checked.
int RenderedFill(TCGauge& gauge, ui::TColor fore, ui::TColor back) {
  ui::TBitmap bitmap;
  bitmap.SetSize(gauge.Width(), gauge.Height());
  gauge.Paint(bitmap.Canvas());
  auto& image = dynamic_cast<ui::TGdiBitmapImage&>(bitmap.Image());
  int fill = 0;
  while (fill < gauge.Width() && image.Pixel(fill, 0) == fore) ++fill;
  for (int y = 0; y < gauge.Height(); ++y) {
    for (int x = 0; x < gauge.Width(); ++x) {
      const ui::TColor wanted = x < fill ? fore : back;
      if (image.Pixel(x, y) != wanted) {
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << image.Pixel(x, y);
        return -1;
      }
    }
  }
  return fill;
}

// Presses and releases the left button over a window, through the thread's message queue.
void PostClick(HWND window) {
  RECT area;
  GetClientRect(window, &area);
  const LPARAM centre = MAKELPARAM(area.right / 2, area.bottom / 2);
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  PostMessageA(window, WM_LBUTTONUP, 0, centre);
}

// --- callbacks ------------------------------------------------------------------------------

using OneFileWindowTest = FormFixture<TfrmOneFileShredder>;
using MultiFileWindowTest = FormFixture<TfrmMultiFileShredder>;
using OneFreeSpaceWindowTest = FormFixture<TfrmOneFreeSpaceShredder>;

TEST_F(OneFileWindowTest, CallbackShowsTheOverallShareOnly) {
  form->Show();
  EXPECT_EQ(OneFileShredderProgress(0.9f, 5, 9, 0.0f), 1);
  EXPECT_EQ(form->lblShreddedSize->Caption(), "0%");  // the loaded "Total 0%" is gone
  EXPECT_EQ(form->gShreddedSize->Progress(), 0);
  EXPECT_EQ(OneFileShredderProgress(0.1f, 0, 1, 0.37f), 1);
  EXPECT_EQ(form->gShreddedSize->Progress(), 37);
  EXPECT_EQ(form->lblShreddedSize->Caption(), "37%");
  EXPECT_EQ(ApplicationTitle(), "Broyage : 37%");
  EXPECT_EQ(ui::Application().Title(), "Broyage : 37%");
  OneFileShredderProgress(0, 0, 1, 0.999f);
  EXPECT_EQ(form->lblShreddedSize->Caption(), "99%");
  EXPECT_EQ(form->gShreddedSize->Progress(), 99);
  EXPECT_EQ(ApplicationTitle(), "Broyage : 99%");
  OneFileShredderProgress(0, 0, 1, 1.5f);  // labels show the number, the gauge clamps it
  EXPECT_EQ(form->lblShreddedSize->Caption(), "150%");
  EXPECT_EQ(form->gShreddedSize->Progress(), 100);
}

TEST_F(MultiFileWindowTest, CallbackShowsCurrentFileFilesDoneAndTotal) {
  form->Show();
  EXPECT_EQ(MultiFileShredderProgress(0.0f, 0, 12, 0.0f), 1);
  EXPECT_EQ(form->lblCurrentFile->Caption(), "Fichier courant : 0%");
  EXPECT_EQ(form->lblShreddedFiles->Caption(), "Fichiers broy\xE9s : 0/12");
  EXPECT_EQ(form->lblShreddedSize->Caption(), "Total : 0%");
  EXPECT_EQ(MultiFileShredderProgress(0.62f, 3, 12, 0.37f), 1);
  EXPECT_EQ(form->gCurrentFile->Progress(), 62);
  EXPECT_EQ(form->gShreddedFiles->Progress(), 25);
  EXPECT_EQ(form->gShreddedSize->Progress(), 37);
  EXPECT_EQ(form->lblCurrentFile->Caption(), "Fichier courant : 62%");
  EXPECT_EQ(form->lblShreddedFiles->Caption(), "Fichiers broy\xE9s : 3/12");
  EXPECT_EQ(form->lblShreddedSize->Caption(), "Total : 37%");
  EXPECT_EQ(ApplicationTitle(), "Broyage : 37%");
  MultiFileShredderProgress(0.999f, 1, 3, 0.999f);
  EXPECT_EQ(form->gShreddedFiles->Progress(), 33);
  EXPECT_EQ(form->lblCurrentFile->Caption(), "Fichier courant : 99%");
  EXPECT_EQ(form->lblShreddedSize->Caption(), "Total : 99%");
}

TEST_F(OneFreeSpaceWindowTest, CallbackShowsTheOverallShareAndKeepsTheMessage) {
  form->Show();
  const std::string message = form->lblMessage->Caption();
  EXPECT_EQ(OneFreeSpaceShredderProgress(0.3f, 0, 2, 0.6f), 1);
  EXPECT_EQ(form->gShreddedSize->Progress(), 60);
  EXPECT_EQ(form->lblShreddedSize->Caption(), "60%");
  EXPECT_EQ(ApplicationTitle(), "Broyage : 60%");
  // 0.58 as a single-precision float is a little less: truncated, it shows 57.
  OneFreeSpaceShredderProgress(0.3f, 0, 2, 0.58f);
  EXPECT_EQ(form->lblShreddedSize->Caption(), "57%");
  EXPECT_EQ(form->lblMessage->Caption(), message);
}

// --- stopping -------------------------------------------------------------------------------

TEST_F(OneFileWindowTest, AnnulerClickedStopsAtTheNextReport) {
  form->Show();
  ASSERT_EQ(OneFileShredderProgress(0, 0, 1, 0.2f), 1);
  PostClick(form->btnCancel->Handle());
  EXPECT_TRUE(form->proceed) << "the click waits in the queue until a report handles it";
  EXPECT_EQ(OneFileShredderProgress(0, 0, 1, 0.25f), 0);
  EXPECT_FALSE(form->proceed);
  EXPECT_EQ(OneFileShredderProgress(0, 0, 1, 0.3f), 0) << "and every later one";
  EXPECT_TRUE(IsWindowEnabled(form->btnCancel->Handle()));
  EXPECT_EQ(form->lblShreddedSize->Caption(), "30%");
}

TEST_F(MultiFileWindowTest, AnnulerClickedStopsAtTheNextReport) {
  form->Show();
  ASSERT_EQ(MultiFileShredderProgress(0.5f, 1, 4, 0.2f), 1);
  PostClick(form->btnCancel->Handle());
  EXPECT_EQ(MultiFileShredderProgress(0.6f, 1, 4, 0.25f), 0);
  EXPECT_FALSE(form->proceed);
}

TEST_F(OneFreeSpaceWindowTest, AnnulerClickedStopsAtTheNextReport) {
  form->Show();
  ASSERT_EQ(OneFreeSpaceShredderProgress(0, 0, 1, 0.2f), 1);
  PostClick(form->btnCancel->Handle());
  EXPECT_EQ(OneFreeSpaceShredderProgress(0, 0, 1, 0.25f), 0);
  EXPECT_FALSE(form->proceed);
}

// Each way of asking a window to close: its close command (the title-bar button), Alt+F4, and
// the plain request. None is refused, each stops the run, and the window stays on screen.
struct CloseRoute {
  const char* name;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
const CloseRoute kCloseRoutes[] = {
    {"close command", WM_SYSCOMMAND, SC_CLOSE, 0},
    {"Alt+F4", WM_SYSKEYDOWN, VK_F4, static_cast<LPARAM>(1 | (1u << 29))},
    {"close request", WM_CLOSE, 0, 0},
};

template <class Form>
void CheckCloseRoutes(std::uint8_t (*progress)(float, std::int32_t, std::int32_t, float)) {
  for (const CloseRoute& route : kCloseRoutes) {
    SCOPED_TRACE(route.name);
    Form* form = nullptr;
    ui::Application().CreateForm(form);
    GlobalOf<Form>() = form;
    bool closed = false;
    form->OnClose = [&closed](ui::TObject*, ui::TCloseAction&) { closed = true; };
    form->Show();
    ASSERT_EQ(progress(0.5f, 0, 2, 0.5f), 1);
    PostMessageA(form->Handle(), route.message, route.wParam, route.lParam);
    EXPECT_EQ(progress(0.5f, 0, 2, 0.51f), 0);
    EXPECT_FALSE(form->proceed);
    EXPECT_TRUE(closed) << "the close was refused";
    EXPECT_TRUE(ui::Application().Terminated()) << "closing the main form ends the application";
    EXPECT_TRUE(IsWindowVisible(form->Handle())) << "the window stays until the program ends";
    delete form;
    GlobalOf<Form>() = nullptr;
  }
}

TEST(CloseRequestTest, OneFileWindow) { CheckCloseRoutes<TfrmOneFileShredder>(OneFileShredderProgress); }
TEST(CloseRequestTest, MultiFileWindow) { CheckCloseRoutes<TfrmMultiFileShredder>(MultiFileShredderProgress); }
TEST(CloseRequestTest, OneFreeSpaceWindow) {
  CheckCloseRoutes<TfrmOneFreeSpaceShredder>(OneFreeSpaceShredderProgress);
}

// --- drawing --------------------------------------------------------------------------------

TEST_F(OneFileWindowTest, GaugeRenderedIntoABitmapFillsWholeColumns) {
  TCGauge& gauge = *form->gShreddedSize;
  struct Case {
    int percent;
    int columns;
  };
  for (const Case c : {Case{0, 0}, Case{50, 137}, Case{99, 271}, Case{100, 273}}) {
    gauge.SetProgress(c.percent);
    EXPECT_EQ(RenderedFill(gauge, kSizeFore, kSizeBack), c.columns) << c.percent << "%";
  }
}

TEST_F(MultiFileWindowTest, GaugesRenderedInTheirOwnColours) {
  form->gCurrentFile->SetProgress(50);
  EXPECT_EQ(RenderedFill(*form->gCurrentFile, ui::RGBColor(170, 255, 170), ui::RGBColor(200, 220, 200)), 137);
  form->gShreddedFiles->SetProgress(99);
  EXPECT_EQ(RenderedFill(*form->gShreddedFiles, ui::RGBColor(255, 255, 170), ui::RGBColor(220, 220, 200)), 271);
  form->gShreddedSize->SetProgress(100);
  EXPECT_EQ(RenderedFill(*form->gShreddedSize, kSizeFore, kSizeBack), 273);
}

TEST_F(OneFileWindowTest, BevelAndLabelLieOverTheBarOnScreen) {
  form->Show();
  OneFileShredderProgress(0, 0, 1, 0.5f);
  PumpFor(150);
  HWND panel = form->pnlBottom->Handle();
  // The bevel frames the gauge: shadow at the top and left, highlight at the bottom and right.
  EXPECT_EQ(ClientPixel(panel, 100, 16), System(COLOR_BTNSHADOW));
  EXPECT_EQ(ClientPixel(panel, 16, 30), System(COLOR_BTNSHADOW));
  EXPECT_EQ(ClientPixel(panel, 100, 40), System(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(ClientPixel(panel, 288, 30), System(COLOR_BTNHIGHLIGHT));
  // Inside, above the text: 137 filled columns from x = 16, the frame covering the first.
  EXPECT_EQ(ClientPixel(panel, 17, 18), kSizeFore);
  EXPECT_EQ(ClientPixel(panel, 16 + 136, 18), kSizeFore);
  EXPECT_EQ(ClientPixel(panel, 16 + 137, 18), kSizeBack);
  EXPECT_EQ(ClientPixel(panel, 287, 18), kSizeBack);
  // The label's text, in the window-text colour, in the middle rows over the bar.
  int text = 0;
  for (int y = 22; y < 36; ++y) {
    for (int x = 130; x < 176; ++x) text += ClientPixel(panel, x, y) == System(COLOR_WINDOWTEXT) ? 1 : 0;
  }
  EXPECT_GT(text, 15);
}

TEST_F(OneFileWindowTest, ALabelChangedBeforeItsGaugeIsPaintedWithIt) {
  // The callbacks set the labels before the gauges: the gauge's repaint at once draws the label
  // over it, so the report leaves nothing there to paint a second time.
  form->Show();
  PumpFor(150);
  HWND panel = form->pnlBottom->Handle();
  ASSERT_FALSE(GetUpdateRect(panel, nullptr, FALSE));
  form->lblShreddedSize->SetCaption("40%");
  EXPECT_TRUE(GetUpdateRect(panel, nullptr, FALSE)) << "the caption waits for a paint";
  form->gShreddedSize->SetProgress(40);
  EXPECT_FALSE(GetUpdateRect(panel, nullptr, FALSE));
  // A caption alone, its gauge unchanged, is still painted at the next messages.
  form->lblShreddedSize->SetCaption("41%");
  form->gShreddedSize->SetProgress(40);
  EXPECT_TRUE(GetUpdateRect(panel, nullptr, FALSE));
}

TEST_F(OneFileWindowTest, WastebasketLetsTheBannerShowThrough) {
  form->Show();
  OneFileShredderProgress(0, 0, 1, 0.1f);
  PumpFor(150);
  HWND window = form->Handle();
  // Image1 lies at 320,0 and centres its 32 x 32 picture: the picture starts at 332,8.
  const ui::TColor background = ClientPixel(window, 332, 39);  // the picture's bottom-left
  EXPECT_NE(background, ui::RGBColor(4, 4, 4));
  EXPECT_EQ(ui::RedOf(background), 255) << "the banner's gradient";
  EXPECT_EQ(ClientPixel(window, 331, 39), background);
  int basket = 0;
  for (int y = 8; y < 40; ++y) {
    for (int x = 332; x < 364; ++x) {
      const ui::TColor c = ClientPixel(window, x, y);
      basket += ui::BlueOf(c) > ui::RedOf(c) ? 1 : 0;
    }
  }
  EXPECT_GT(basket, 200);
  EXPECT_TRUE(Near(ClientPixel(window, 0, 2), ui::RGBColor(255, 211, 84)));
}

TEST_F(OneFreeSpaceWindowTest, MaximisedTheBannerAreaGrowsAndThePanelStaysBelow) {
  form->Show();
  OneFreeSpaceShredderProgress(0, 0, 1, 0.6f);
  ShowWindow(form->Handle(), SW_MAXIMIZE);
  PumpFor(200);
  RECT client;
  GetClientRect(form->Handle(), &client);
  ASSERT_GT(client.right, 377);
  ASSERT_GT(client.bottom, 158);
  const RECT panel = RectInParent(form->pnlBottom->Handle());
  EXPECT_EQ(panel.left, 0);
  EXPECT_EQ(panel.top, client.bottom - 108);
  EXPECT_EQ(panel.right, client.right);
  EXPECT_EQ(panel.bottom, client.bottom);
  EXPECT_EQ(form->imgTop->BoundsRect(), ui::Rect(0, 0, client.right, client.bottom - 108));
  EXPECT_EQ(form->gShreddedSize->BoundsRect(), ui::Bounds(16, 72, 273, 25));
  EXPECT_EQ(form->lblMessage->BoundsRect(), ui::Bounds(16, 16, 273, 49));
  const RECT button = RectInParent(form->btnCancel->Handle());
  EXPECT_EQ(button.left, 304);
  EXPECT_EQ(button.top, 72);
  // The banner is drawn unscaled from the top-left corner: beyond its 400 pixels, the window.
  EXPECT_TRUE(Near(ClientPixel(form->Handle(), 0, 2), ui::RGBColor(255, 211, 84)));
  EXPECT_EQ(ClientPixel(form->Handle(), 420, 10), System(COLOR_BTNFACE));
  EXPECT_EQ(ClientPixel(form->Handle(), 10, 60), System(COLOR_BTNFACE));

  if (!ScreenshotDirectory().empty()) {
    EXPECT_NE(SaveScreenshot(form->Handle(), "TfrmOneFreeSpaceShredder-maximised"), "");
  }
}

// --- screenshots at a mid-run state ---------------------------------------------------------

template <class Form>
void ShootMidRun(Form& form, const char* name, ui::TControl& gauge) {
  if (ScreenshotDirectory().empty()) GTEST_SKIP() << "no screenshot directory (VARNOLT_SCREENSHOTS)";
  SetForegroundWindow(form.Handle());
  PumpFor(300);
  // What the screen shows is the window as drawn: the overall gauge's fill at its place.
  POINT at{gauge.Left() + 3, gauge.Top() + 3};
  MapWindowPoints(dynamic_cast<ui::TWinControl&>(gauge.Parent()->AsControl()).Handle(), nullptr, &at, 1);
  EXPECT_EQ(ScreenPixel(at.x, at.y), kSizeFore);
  const std::string path = SaveScreenshot(form.Handle(), name);
  EXPECT_NE(path, "");
  std::printf("screenshot: %s\n", path.c_str());
}

TEST_F(OneFileWindowTest, ScreenshotMidRun) {
  form->Show();
  OneFileShredderProgress(0.4f, 0, 1, 0.37f);
  ShootMidRun(*form, "TfrmOneFileShredder", *form->gShreddedSize);
}

TEST_F(MultiFileWindowTest, ScreenshotMidRun) {
  form->Show();
  MultiFileShredderProgress(0.62f, 3, 12, 0.37f);
  ShootMidRun(*form, "TfrmMultiFileShredder", *form->gShreddedSize);
}

TEST_F(OneFreeSpaceWindowTest, ScreenshotMidRun) {
  form->Show();
  OneFreeSpaceShredderProgress(0.5f, 0, 1, 0.6f);
  ShootMidRun(*form, "TfrmOneFreeSpaceShredder", *form->gShreddedSize);
}

}  // namespace
}  // namespace varnolt::testing
