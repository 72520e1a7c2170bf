#include "ui/StdCtrls.h"

#include "ui/Text1252.h"

#include "ui/Reader.h"

namespace varnolt::ui {

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 65, 17); }

UINT TLabel::DrawFlags() const {
  UINT flags = DT_EXPANDTABS | (wordWrap ? DT_WORDBREAK : 0);
  if (alignment == TAlignment::taCenter) flags |= DT_CENTER;
  if (alignment == TAlignment::taRightJustify) flags |= DT_RIGHT;
  return flags;
}

void TLabel::Paint(TCanvas& canvas) {
  auto& gdi = dynamic_cast<TGdiCanvas&>(canvas);
  HDC dc = gdi.Handle();
  if (!transparent) {
    canvas.Brush.Color = Color();
    canvas.FillRect(ClientRect());
  }
  gdi.Font = Font();
  gdi.SelectFont();
  SetBkMode(dc, TRANSPARENT);
  RECT area{0, 0, Width(), Height()};
  if (layout != TTextLayout::tlTop) {
    RECT measured = area;
    DrawTextW(dc, WideFrom1252(Caption()).c_str(), -1, &measured, DrawFlags() | DT_CALCRECT);
    const int textHeight = measured.bottom - measured.top;
    area.top = layout == TTextLayout::tlCenter ? (Height() - textHeight) / 2 : Height() - textHeight;
  }
  if (Enabled()) {
    SetTextColor(dc, ColorToRGB(Font().Color));
    DrawTextW(dc, WideFrom1252(Caption()).c_str(), -1, &area, DrawFlags());
  } else {
    OffsetRect(&area, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawTextW(dc, WideFrom1252(Caption()).c_str(), -1, &area, DrawFlags());
    OffsetRect(&area, -1, -1);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
    DrawTextW(dc, WideFrom1252(Caption()).c_str(), -1, &area, DrawFlags());
  }
}

void TLabel::AdjustSize() {
  if (!autoSize) return;
  HDC dc = GetDC(nullptr);
  {
    TGdiCanvas canvas(dc);
    canvas.Font = Font();
    canvas.SelectFont();
    RECT area{0, 0, wordWrap ? Width() : 0, 0};
    DrawTextW(dc, WideFrom1252(Caption()).c_str(), -1, &area, DrawFlags() | DT_CALCRECT);
    SetBounds(Left(), Top(), area.right, area.bottom);
  }
  ReleaseDC(nullptr, dc);
}

void TLabel::TextChanged() {
  AdjustSize();
  Invalidate();
}

void TLabel::FontChanged() {
  AdjustSize();
  Invalidate();
}

bool TLabel::SetProperty(const TLayoutProperty& property, TReader& reader) {
  const std::string& name = property.name;
  if (name == "AutoSize") {
    autoSize = reader.Boolean(property);
    AdjustSize();
  } else if (name == "Alignment") {
    alignment = static_cast<TAlignment>(
        reader.Enumeration(property, {"taLeftJustify", "taRightJustify", "taCenter"}));
  } else if (name == "Layout") {
    layout = static_cast<TTextLayout>(reader.Enumeration(property, {"tlTop", "tlCenter", "tlBottom"}));
  } else if (name == "Transparent") {
    transparent = reader.Boolean(property);
  } else if (name == "WordWrap") {
    wordWrap = reader.Boolean(property);
  } else {
    return TGraphicControl::SetProperty(property, reader);
  }
  Invalidate();
  return true;
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  parentColor = false;
  tabStop = true;
  SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.className = "BUTTON";
  params.systemClass = true;
  params.style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
  params.style |= isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::Click() {
  if (OnClick) OnClick(this);
}

void TButton::CommandNotify(WORD code) {
  if (code == BN_CLICKED) Click();
}

bool TButton::SetProperty(const TLayoutProperty& property, TReader& reader) {
  if (property.name == "OnClick") {
    OnClick = reader.NotifyEvent(property);
  } else if (property.name == "Cancel") {
    cancel = reader.Boolean(property);
  } else if (property.name == "Default") {
    isDefault = reader.Boolean(property);
  } else {
    return TWinControl::SetProperty(property, reader);
  }
  return true;
}

}  // namespace varnolt::ui
