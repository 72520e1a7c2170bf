// Stored layouts: the text form, and reading it into components (the gauge's properties, the
// nesting of parents, the handlers a layout names, and the errors of a broken layout).
#include <gtest/gtest.h>

#include "forms/Cgauges.h"
#include "support/TestParent.h"
#include "ui/Exception.h"
#include "ui/Layout.h"
#include "ui/Reader.h"

namespace varnolt {
namespace {

using ui::TLayoutValue;

TEST(LayoutParseTest, ObjectsPropertiesAndValues) {
  const ui::TLayoutObject root = ui::ParseLayout(
      "object frmTest: TfrmTest\n"
      "  Caption = 'Fichiers broy'#233's : 0/?'\n"
      "  Quote = 'l''espace'\n"
      "  Long = 'L''espace libre de votre disque a '#233't'#233' r'#233'serv'#233' ' +\n"
      "    'par Varnolt'\n"
      "  Font.Height = -11\n"
      "  Color = 16763541\n"
      "  BorderIcons = [biSystemMenu, biMinimize]\n"
      "  Style = []\n"
      "  OnCloseQuery = FormCloseQuery\n"
      "  object pnlBottom: TPanel\n"
      "    Top = 50\n"
      "    object btnCancel: TButton\n"
      "    end\n"
      "  end\n"
      "  object lbl: TLabel\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(root.name, "frmTest");
  EXPECT_EQ(root.className, "TfrmTest");
  ASSERT_EQ(root.properties.size(), 8u);
  EXPECT_EQ(root.properties[0].value.kind, TLayoutValue::Kind::kString);
  EXPECT_EQ(root.properties[0].value.text, "Fichiers broy\xE9s : 0/?");
  EXPECT_EQ(root.properties[1].value.text, "l'espace");
  EXPECT_EQ(root.properties[2].value.text,
            "L'espace libre de votre disque a \xE9t\xE9 r\xE9serv\xE9 par Varnolt");
  EXPECT_EQ(root.properties[3].name, "Font.Height");
  EXPECT_EQ(root.properties[3].value.integer, -11);
  EXPECT_EQ(root.properties[4].value.integer, 16763541);
  EXPECT_EQ(root.properties[5].value.kind, TLayoutValue::Kind::kSet);
  EXPECT_EQ(root.properties[5].value.items, (std::vector<std::string>{"biSystemMenu", "biMinimize"}));
  EXPECT_TRUE(root.properties[6].value.items.empty());
  EXPECT_EQ(root.properties[7].value.kind, TLayoutValue::Kind::kIdentifier);
  EXPECT_EQ(root.properties[7].value.text, "FormCloseQuery");
  EXPECT_EQ(root.properties[7].line, 10);
  ASSERT_EQ(root.children.size(), 2u);
  EXPECT_EQ(root.children[0].className, "TPanel");
  EXPECT_EQ(root.children[0].line, 11);
  ASSERT_EQ(root.children[0].children.size(), 1u);
  EXPECT_EQ(root.children[0].children[0].name, "btnCancel");
  EXPECT_EQ(root.children[1].name, "lbl");
}

TEST(LayoutParseTest, MalformedTextNamesItsLine) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"object a: TA\n  Caption = 'open\nend\n", "ligne 2 : cha\xEEne non termin\xE9" "e"},
      {"object a: TA\n  Left 5\nend\n", "ligne 2 : \xAB = \xBB attendu"},
      {"object a: TA\n  Left = 5\n", "ligne 3 : \xAB end \xBB manquant"},
      {"object a TA\nend\n", "ligne 1 : \xAB : \xBB attendu"},
      {"object a: TA\n  Caption = #300\nend\n", "ligne 2 : code de caract\xE8re hors de 0..255"},
      {"object a: TA\nend\nend\n", "ligne 3 : texte en trop"},
      {"object a: TA\n  Set = [x y]\nend\n", "ligne 2 : \xAB , \xBB ou \xAB ] \xBB attendu"},
  };
  for (const Case& c : cases) {
    try {
      ui::ParseLayout(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ui::Exception& error) {
      EXPECT_NE(error.Message().find(c.message), std::string::npos)
          << error.Message() << " for " << c.text;
    }
  }
}

// A root for layouts in native tests: a parent that records handler calls.
class TestForm : public testing::TestParent {
 public:
  bool SetProperty(const ui::TLayoutProperty& property, ui::TReader& reader) override {
    if (property.name == "OnCloseQuery") {
      onCloseQuery = reader.CloseQueryEvent(property);
      return true;
    }
    return TestParent::SetProperty(property, reader);
  }
  void Loaded() override { loaded = true; }
  ui::TCloseQueryEvent onCloseQuery;
  bool loaded = false;
};

class LayoutReadTest : public ::testing::Test {
 protected:
  LayoutReadTest() {
    RegisterCgauges();
    classes.Register("TCGauge", [](ui::TComponent* owner) -> ui::TComponent* { return new TCGauge(owner); });
    events.closeQuery["FormCloseQuery"] = [this](ui::TObject* sender, bool& canClose) {
      closeSender = sender;
      canClose = false;
    };
  }
  void Read(const char* text) {
    ui::TReader reader(form, classes, events);
    reader.ReadRoot(ui::ParseLayout(text));
  }
  testing::ScopedPixelBackend backend;
  ui::TClassRegistry classes;
  ui::TEventTable events;
  TestForm form;
  ui::TObject* closeSender = nullptr;
};

TEST_F(LayoutReadTest, GaugeTakesItsStoredSettingsOverItsDefaults) {
  Read("object frmTest: TfrmTest\n"
       "  Caption = 'Broyage...'\n"
       "  Color = clBtnFace\n"
       "  OnCloseQuery = FormCloseQuery\n"
       "  object gCurrentFile: TCGauge\n"
       "    Left = 16\n"
       "    Top = 16\n"
       "    Width = 273\n"
       "    Height = 17\n"
       "    BorderStyle = bsNone\n"
       "    Color = clBtnFace\n"
       "    Enabled = False\n"
       "    ForeColor = 11206570\n"
       "    BackColor = 13163720\n"
       "    ParentColor = False\n"
       "    Progress = 47\n"
       "    ShowText = False\n"
       "  end\n"
       "end\n");
  EXPECT_EQ(form.Name(), "frmTest");
  EXPECT_EQ(form.Caption(), "Broyage...");
  EXPECT_TRUE(form.loaded);
  auto* gauge = dynamic_cast<TCGauge*>(form.FindComponent("gCurrentFile"));
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(gauge->Owner(), &form);
  EXPECT_EQ(gauge->Parent(), &form);
  EXPECT_EQ(gauge->BoundsRect(), ui::Bounds(16, 16, 273, 17));
  EXPECT_EQ(gauge->BorderStyle(), ui::TBorderStyle::bsNone);
  EXPECT_EQ(gauge->ForeColor(), ui::RGBColor(170, 255, 170));
  EXPECT_EQ(gauge->BackColor(), ui::RGBColor(200, 220, 200));
  EXPECT_EQ(gauge->Color(), ui::clBtnFace);
  EXPECT_FALSE(gauge->ParentColor());
  EXPECT_FALSE(gauge->Enabled());
  EXPECT_EQ(gauge->Progress(), 47);
  EXPECT_FALSE(gauge->ShowText());
  EXPECT_EQ(gauge->Kind(), gkHorizontalBar);
  EXPECT_EQ(gauge->MaxValue(), 100);

  bool canClose = true;
  ASSERT_TRUE(form.onCloseQuery);
  form.onCloseQuery(&form, canClose);
  EXPECT_FALSE(canClose);
  EXPECT_EQ(closeSender, &form);
}

TEST_F(LayoutReadTest, ChildrenKeepTheirStoredOrderAndInheritFont) {
  Read("object f: TF\n"
       "  Font.Name = 'MS Sans Serif'\n"
       "  Font.Height = -11\n"
       "  Font.Style = [fsBold]\n"
       "  object a: TCGauge\n"
       "  end\n"
       "  object b: TCGauge\n"
       "    Font.Height = -20\n"
       "  end\n"
       "  object c: TCGauge\n"
       "  end\n"
       "end\n");
  ASSERT_EQ(form.Controls().size(), 3u);
  EXPECT_EQ(form.Controls()[0]->Name(), "a");
  EXPECT_EQ(form.Controls()[1]->Name(), "b");
  EXPECT_EQ(form.Controls()[2]->Name(), "c");
  EXPECT_EQ(form.Controls()[0]->Font().Height, -11);
  EXPECT_EQ(form.Controls()[0]->Font().Style, unsigned{ui::fsBold});
  EXPECT_EQ(form.Controls()[1]->Font().Height, -20);
  EXPECT_EQ(form.Controls()[1]->Font().Name, "MS Sans Serif");
}

TEST_F(LayoutReadTest, BrokenLayoutsFailNamingLineAndProperty) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"object f: TF\n  object g: TCGauge\n    Colour = 5\n  end\nend\n",
       "ligne 3 : Colour n'est pas une propri\xE9t\xE9 connue"},
      {"object f: TF\n  object g: TNothing\n  end\nend\n", "Classe TNothing introuvable"},
      {"object f: TF\n  object g: TCGauge\n    Progress = 'x'\n  end\nend\n",
       "ligne 3 : Progress attend un nombre"},
      {"object f: TF\n  object g: TCGauge\n    Kind = gkSpiral\n  end\nend\n",
       "ligne 3 : Kind a une valeur inconnue"},
      {"object f: TF\n  OnCloseQuery = Nowhere\nend\n", "ligne 2 : OnCloseQuery nomme une m\xE9thode inconnue"},
      {"object f: TF\n  object g: TCGauge\n  end\n  object g: TCGauge\n  end\nend\n",
       "ligne 4 : le nom g est d\xE9j\xE0 pris"},
      {"object f: TF\n  object g: TCGauge\n    MinValue = 200\n  end\nend\n",
       "La valeur doit \xEAtre comprise entre -2147483647 et 99"},
  };
  for (const Case& c : cases) {
    TestForm fresh;
    ui::TReader reader(fresh, classes, events);
    try {
      reader.ReadRoot(ui::ParseLayout(c.text));
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ui::Exception& error) {
      EXPECT_NE(error.Message().find(c.message), std::string::npos) << error.Message();
    }
  }
}

}  // namespace
}  // namespace varnolt
