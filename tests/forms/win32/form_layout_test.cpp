// Each progress window as its stored layout makes it: the window's frame and client size, every
// component's class, parent, bounds, drawing order and settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FormFixture.h"
#include "WindowTestSupport.h"

namespace varnolt::testing {
namespace {

struct Placed {
  const char* name;
  const char* parent;  // "" for the window itself
  int left;
  int top;
  int width;
  int height;
};

const std::vector<Placed> kOneFile = {
    {"imgTop", "", 0, 0, 377, 50},
    {"Image1", "", 320, 0, 57, 49},
    {"pnlBottom", "", 0, 50, 377, 54},
    {"gShreddedSize", "pnlBottom", 16, 16, 273, 25},
    {"bvlShreddedSize", "pnlBottom", 16, 16, 273, 25},
    {"lblShreddedSize", "pnlBottom", 16, 16, 273, 25},
    {"btnCancel", "pnlBottom", 304, 16, 59, 25},
};

const std::vector<Placed> kMultiFile = {
    {"imgTop", "", 0, 0, 377, 50},
    {"pnlBottom", "", 0, 50, 377, 108},
    {"gCurrentFile", "pnlBottom", 16, 16, 273, 17},
    {"gShreddedFiles", "pnlBottom", 16, 48, 273, 17},
    {"gShreddedSize", "pnlBottom", 16, 80, 273, 17},
    {"Image1", "pnlBottom", 304, 16, 57, 49},
    {"bvlCurrentFile", "pnlBottom", 16, 16, 273, 17},
    {"bvlShreddedFiles", "pnlBottom", 16, 48, 273, 17},
    {"bvlShreddedSize", "pnlBottom", 16, 80, 273, 17},
    {"lblCurrentFile", "pnlBottom", 16, 16, 273, 17},
    {"lblShreddedFiles", "pnlBottom", 16, 48, 273, 17},
    {"lblShreddedSize", "pnlBottom", 16, 80, 273, 17},
    {"btnCancel", "pnlBottom", 304, 72, 59, 25},
};

const std::vector<Placed> kOneFreeSpace = {
    {"imgTop", "", 0, 0, 377, 50},
    {"pnlBottom", "", 0, 50, 377, 108},
    {"gShreddedSize", "pnlBottom", 16, 72, 273, 25},
    {"bvlShreddedSize", "pnlBottom", 16, 72, 273, 25},
    {"Image1", "pnlBottom", 304, 16, 57, 49},
    {"lblShreddedSize", "pnlBottom", 16, 72, 273, 25},
    {"lblMessage", "pnlBottom", 16, 16, 273, 49},
    {"btnCancel", "pnlBottom", 304, 72, 59, 25},
};

// Window frame, client size, placement on the screen, and every component where it belongs.
void CheckWindow(ui::TForm& form, const char* className, int clientHeight, bool maximizeBox,
                 const std::vector<Placed>& expected) {
  HWND window = form.Handle();
  char text[256] = {};
  GetClassNameA(window, text, sizeof text);
  EXPECT_STREQ(text, className);
  GetWindowTextA(window, text, sizeof text);
  EXPECT_STREQ(text, "Broyage...");
  EXPECT_TRUE(IsWindowUnicode(window)) << "texts set through the wide calls, whatever the code page";

  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 377);
  EXPECT_EQ(client.bottom, clientHeight);

  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_EQ((style & WS_MAXIMIZEBOX) != 0, maximizeBox);
  EXPECT_FALSE(style & WS_THICKFRAME) << "a fixed single border";
  EXPECT_EQ(GetWindow(window, GW_OWNER), ui::Application().Handle());

  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_NEAR((outer.left + outer.right) / 2.0, GetSystemMetrics(SM_CXSCREEN) / 2.0, 1.0);
  EXPECT_NEAR((outer.top + outer.bottom) / 2.0, GetSystemMetrics(SM_CYSCREEN) / 2.0, 1.0);

  EXPECT_EQ(form.Color(), ui::clBtnFace);
  EXPECT_EQ(form.Font().Name, "MS Sans Serif");
  EXPECT_EQ(form.Font().Height, -11);
  EXPECT_EQ(form.Font().Color, ui::clWindowText);
  EXPECT_EQ(form.Font().Charset, ui::DEFAULT_CHARSET_VALUE);
  EXPECT_EQ(form.Font().Style, 0u);
  EXPECT_EQ(form.Position(), ui::TPosition::poScreenCenter);
  EXPECT_TRUE(form.OnCloseQuery);

  // Made in the stored order, each on its parent at its bounds.
  std::vector<std::string> made;
  for (ui::TComponent* component : form.Components()) made.push_back(component->Name());
  std::vector<std::string> wanted;
  for (const Placed& placed : expected) wanted.push_back(placed.name);
  EXPECT_EQ(made, wanted);

  for (const Placed& placed : expected) {
    SCOPED_TRACE(placed.name);
    auto* control = dynamic_cast<ui::TControl*>(form.FindComponent(placed.name));
    ASSERT_NE(control, nullptr);
    ui::TControlParent* parent = &form;
    if (*placed.parent != '\0') parent = dynamic_cast<ui::TControlParent*>(form.FindComponent(placed.parent));
    EXPECT_EQ(control->Parent(), parent);
    EXPECT_EQ(control->BoundsRect(), ui::Bounds(placed.left, placed.top, placed.width, placed.height));
    if (auto* windowed = dynamic_cast<ui::TWinControl*>(control)) {
      const RECT area = RectInParent(windowed->Handle());
      EXPECT_EQ(area.left, placed.left);
      EXPECT_EQ(area.top, placed.top);
      EXPECT_EQ(area.right - area.left, placed.width);
      EXPECT_EQ(area.bottom - area.top, placed.height);
      EXPECT_EQ(GetParent(windowed->Handle()), dynamic_cast<ui::TWinControl&>(parent->AsControl()).Handle());
    }
  }

  // Within each parent, the drawing order (bottom first) is the stored order.
  for (ui::TControlParent* parent : {static_cast<ui::TControlParent*>(&form),
                                     dynamic_cast<ui::TControlParent*>(form.FindComponent("pnlBottom"))}) {
    std::vector<std::string> order;
    for (ui::TControl* child : parent->Controls()) order.push_back(child->Name());
    std::vector<std::string> stored;
    for (const Placed& placed : expected) {
      const bool here = parent == &form ? *placed.parent == '\0' : std::string(placed.parent) == "pnlBottom";
      if (here) stored.push_back(placed.name);
    }
    EXPECT_EQ(order, stored);
  }
}

void CheckGauge(const TCGauge& gauge, int progress, ui::TColor fore, ui::TColor back, bool enabled = true) {
  SCOPED_TRACE(gauge.Name());
  EXPECT_EQ(gauge.Progress(), progress);
  EXPECT_EQ(gauge.ForeColor(), fore);
  EXPECT_EQ(gauge.BackColor(), back);
  EXPECT_EQ(gauge.Kind(), gkHorizontalBar);
  EXPECT_EQ(gauge.MinValue(), 0);
  EXPECT_EQ(gauge.MaxValue(), 100);
  EXPECT_FALSE(gauge.ShowText());
  EXPECT_EQ(gauge.BorderStyle(), ui::TBorderStyle::bsNone);
  EXPECT_EQ(gauge.Color(), ui::clBtnFace);
  EXPECT_FALSE(gauge.ParentColor());
  EXPECT_EQ(gauge.Enabled(), enabled);
}

void CheckOverlay(const ui::TBevel& bevel, const ui::TLabel& label, const char* caption) {
  SCOPED_TRACE(label.Name());
  EXPECT_EQ(bevel.Shape(), ui::TBevelShape::bsBox);
  EXPECT_EQ(bevel.Style(), ui::TBevelStyle::bsLowered);
  EXPECT_EQ(label.Caption(), caption);
  EXPECT_FALSE(label.AutoSize());
  EXPECT_EQ(label.Alignment(), ui::TAlignment::taCenter);
  EXPECT_EQ(label.Layout(), ui::TTextLayout::tlCenter);
  EXPECT_TRUE(label.Transparent());
  EXPECT_FALSE(label.WordWrap());
}

void CheckCommonParts(ui::TImage& imgTop, ui::TImage& image1, ui::TPanel& panel, ui::TButton& cancel) {
  EXPECT_EQ(imgTop.Align(), ui::TAlign::alClient);
  EXPECT_EQ(imgTop.PictureSize(), (ui::TSize{400, 50}));
  EXPECT_EQ(imgTop.PictureOrigin(), (ui::TPoint{0, 0}));
  EXPECT_FALSE(imgTop.Transparent());
  EXPECT_EQ(image1.PictureSize(), (ui::TSize{32, 32}));
  EXPECT_TRUE(image1.Center());
  EXPECT_TRUE(image1.Transparent());
  EXPECT_EQ(image1.PictureOrigin(), (ui::TPoint{12, 8}));
  BITMAP picture{};
  GetObjectA(imgTop.Picture(), sizeof picture, &picture);
  EXPECT_EQ(picture.bmBitsPixel, 24);
  GetObjectA(image1.Picture(), sizeof picture, &picture);
  EXPECT_EQ(picture.bmBitsPixel, 8);

  EXPECT_EQ(panel.Align(), ui::TAlign::alBottom);
  EXPECT_EQ(panel.BevelOuter(), ui::TPanelBevel::bvNone);
  EXPECT_EQ(panel.TabOrder(), 0);
  EXPECT_EQ(panel.Caption(), "");

  HWND button = cancel.Handle();
  char text[64] = {};
  GetClassNameA(button, text, sizeof text);
  EXPECT_STREQ(text, "Button");
  GetWindowTextA(button, text, sizeof text);
  EXPECT_STREQ(text, "Annuler");
  EXPECT_TRUE(IsWindowUnicode(button));
  const LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
  EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON) << "not the default button";
  EXPECT_FALSE(style & WS_TABSTOP);
  EXPECT_TRUE(IsWindowEnabled(button));
  EXPECT_FALSE(cancel.Cancel());
  EXPECT_FALSE(cancel.Default());
  EXPECT_EQ(cancel.TabOrder(), 0);
  EXPECT_TRUE(cancel.OnClick);
}

using OneFileLayoutTest = FormFixture<TfrmOneFileShredder>;
using MultiFileLayoutTest = FormFixture<TfrmMultiFileShredder>;
using OneFreeSpaceLayoutTest = FormFixture<TfrmOneFreeSpaceShredder>;

TEST_F(OneFileLayoutTest, WindowAndComponentsAsStored) {
  EXPECT_EQ(ui::Application().MainForm(), form);
  EXPECT_TRUE(form->proceed);
  CheckWindow(*form, "TfrmOneFileShredder", 104, false, kOneFile);
  CheckCommonParts(*form->imgTop, *form->Image1, *form->pnlBottom, *form->btnCancel);
  CheckGauge(*form->gShreddedSize, 60, ui::RGBColor(149, 202, 255), ui::RGBColor(202, 210, 219));
  CheckOverlay(*form->bvlShreddedSize, *form->lblShreddedSize, "Total 0%");
}

TEST_F(MultiFileLayoutTest, WindowAndComponentsAsStored) {
  EXPECT_TRUE(form->proceed);
  CheckWindow(*form, "TfrmMultiFileShredder", 158, false, kMultiFile);
  CheckCommonParts(*form->imgTop, *form->Image1, *form->pnlBottom, *form->btnCancel);
  CheckGauge(*form->gCurrentFile, 47, ui::RGBColor(170, 255, 170), ui::RGBColor(200, 220, 200), false);
  CheckGauge(*form->gShreddedFiles, 80, ui::RGBColor(255, 255, 170), ui::RGBColor(220, 220, 200));
  CheckGauge(*form->gShreddedSize, 60, ui::RGBColor(149, 202, 255), ui::RGBColor(202, 210, 219));
  CheckOverlay(*form->bvlCurrentFile, *form->lblCurrentFile, "Fichier courant : 0%");
  CheckOverlay(*form->bvlShreddedFiles, *form->lblShreddedFiles, "Fichiers broy\xE9s : 0/?");
  CheckOverlay(*form->bvlShreddedSize, *form->lblShreddedSize, "Total 0%");
}

TEST_F(OneFreeSpaceLayoutTest, WindowAndComponentsAsStored) {
  EXPECT_TRUE(form->proceed);
  CheckWindow(*form, "TfrmOneFreeSpaceShredder", 158, true, kOneFreeSpace);
  CheckCommonParts(*form->imgTop, *form->Image1, *form->pnlBottom, *form->btnCancel);
  CheckGauge(*form->gShreddedSize, 60, ui::RGBColor(149, 202, 255), ui::RGBColor(202, 210, 219));
  CheckOverlay(*form->bvlShreddedSize, *form->lblShreddedSize, "Total 0%");
  const ui::TLabel& message = *form->lblMessage;
  EXPECT_EQ(message.Caption(),
            "L'espace libre de votre disque a \xE9t\xE9 r\xE9serv\xE9 par Varnolt afin d'\xEAtre broy\xE9, "
            "il sera restitu\xE9 \xE0 la fin de l'opp\xE9ration.");
  EXPECT_FALSE(message.AutoSize());
  EXPECT_TRUE(message.WordWrap());
  EXPECT_TRUE(message.Transparent());
  EXPECT_EQ(message.Alignment(), ui::TAlignment::taLeftJustify);
  EXPECT_EQ(message.Layout(), ui::TTextLayout::tlTop);
}

}  // namespace
}  // namespace varnolt::testing
