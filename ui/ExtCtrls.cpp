#include "ui/ExtCtrls.h"

#include "ui/Text1252.h"

#include "ui/Exception.h"
#include "ui/Reader.h"

namespace varnolt::ui {

TImage::~TImage() {
  if (picture != nullptr) DeleteObject(picture);
}

namespace {

HBITMAP LoadBitmapResource(const std::string& name) {
  return static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), WideFrom1252(name).c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

}  // namespace

void TImage::LoadPicture(const std::string& name) {
  resourceName = name;
  LoadForDpi();
}

void TImage::LoadForDpi() {
  HBITMAP loaded = nullptr;
  bool drawnForDpi = pixelsPerInch == kDesignDpi;
  if (!drawnForDpi) {
    loaded = LoadBitmapResource(resourceName + "_" + std::to_string(pixelsPerInch));
    drawnForDpi = loaded != nullptr;
  }
  if (loaded == nullptr) loaded = LoadBitmapResource(resourceName);
  if (loaded == nullptr) throw Exception::CreateFmt("Ressource %s introuvable.", resourceName.c_str());
  if (picture != nullptr) DeleteObject(picture);
  picture = loaded;
  BITMAP info{};
  GetObjectW(picture, sizeof(info), &info);
  pictureSize = {info.bmWidth, info.bmHeight};
  drawnSize = drawnForDpi ? pictureSize
                          : TSize{ScaleLength(info.bmWidth, pixelsPerInch, kDesignDpi),
                                  ScaleLength(info.bmHeight, pixelsPerInch, kDesignDpi)};
  Invalidate();
}

void TImage::ScaleBy(int multiplier, int divisor) {
  TGraphicControl::ScaleBy(multiplier, divisor);
  pixelsPerInch = ScaleLength(pixelsPerInch, multiplier, divisor);
  if (picture != nullptr) LoadForDpi();
}

TPoint TImage::PictureOrigin() const {
  if (!center) return {0, 0};
  return {(Width() - drawnSize.cx) / 2, (Height() - drawnSize.cy) / 2};
}

void TImage::Paint(TCanvas& canvas) {
  if (picture == nullptr) return;
  HDC target = dynamic_cast<TGdiCanvas&>(canvas).Handle();
  HDC source = CreateCompatibleDC(target);
  HGDIOBJ original = SelectObject(source, picture);
  const TPoint at = PictureOrigin();
  if (transparent) {
    const COLORREF background = GetPixel(source, 0, pictureSize.cy - 1);
    TransparentBlt(target, at.X, at.Y, drawnSize.cx, drawnSize.cy, source, 0, 0, pictureSize.cx,
                   pictureSize.cy, background);
  } else if (drawnSize == pictureSize) {
    BitBlt(target, at.X, at.Y, pictureSize.cx, pictureSize.cy, source, 0, 0, SRCCOPY);
  } else {
    const int mode = SetStretchBltMode(target, HALFTONE);
    SetBrushOrgEx(target, 0, 0, nullptr);
    StretchBlt(target, at.X, at.Y, drawnSize.cx, drawnSize.cy, source, 0, 0, pictureSize.cx, pictureSize.cy,
               SRCCOPY);
    SetStretchBltMode(target, mode);
  }
  SelectObject(source, original);
  DeleteDC(source);
}

bool TImage::SetProperty(const TLayoutProperty& property, TReader& reader) {
  if (property.name == "Picture.Resource") {
    LoadPicture(reader.String(property));
  } else if (property.name == "Center") {
    center = reader.Boolean(property);
  } else if (property.name == "Transparent") {
    transparent = reader.Boolean(property);
  } else {
    return TGraphicControl::SetProperty(property, reader);
  }
  Invalidate();
  return true;
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 50, 50); }

void TBevel::Paint(TCanvas& canvas) {
  const TColor first = style == TBevelStyle::bsLowered ? clBtnShadow : clBtnHighlight;
  const TColor second = style == TBevelStyle::bsLowered ? clBtnHighlight : clBtnShadow;
  // Lines include their start and leave out their end point: each corner is drawn once.
  auto frame = [&canvas](int left, int top, int right, int bottom, TColor topLeft, TColor bottomRight) {
    canvas.Pen.Color = topLeft;
    canvas.MoveTo(left, bottom);
    canvas.LineTo(left, top);
    canvas.LineTo(right, top);
    canvas.Pen.Color = bottomRight;
    canvas.LineTo(right, bottom);
    canvas.LineTo(left, bottom);
  };
  canvas.Pen.Width = 1;
  if (shape == TBevelShape::bsBox) {
    frame(0, 0, Width() - 1, Height() - 1, first, second);
  } else {
    frame(0, 0, Width() - 2, Height() - 2, first, first);
    frame(1, 1, Width() - 1, Height() - 1, second, second);
  }
}

bool TBevel::SetProperty(const TLayoutProperty& property, TReader& reader) {
  if (property.name == "Shape") {
    shape = static_cast<TBevelShape>(reader.Enumeration(property, {"bsBox", "bsFrame"}));
  } else if (property.name == "Style") {
    style = static_cast<TBevelStyle>(reader.Enumeration(property, {"bsLowered", "bsRaised"}));
  } else {
    return TGraphicControl::SetProperty(property, reader);
  }
  Invalidate();
  return true;
}

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
  parentColor = false;
  SetBounds(0, 0, 185, 41);
}

void TPanel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.className = "TPanel";
}

void TPanel::PaintWindow(TGdiCanvas& canvas) {
  const TRect client = ClientRect();
  if (bevelOuter != TPanelBevel::bvNone) {
    const bool raised = bevelOuter == TPanelBevel::bvRaised;
    canvas.Pen.Width = 1;
    canvas.Pen.Color = raised ? clBtnHighlight : clBtnShadow;
    canvas.MoveTo(0, client.Bottom - 1);
    canvas.LineTo(0, 0);
    canvas.LineTo(client.Right - 1, 0);
    canvas.Pen.Color = raised ? clBtnShadow : clBtnHighlight;
    canvas.LineTo(client.Right - 1, client.Bottom - 1);
    canvas.LineTo(0, client.Bottom - 1);
  }
  if (!Caption().empty()) {
    canvas.SelectFont();
    SetBkMode(canvas.Handle(), TRANSPARENT);
    SetTextColor(canvas.Handle(), ColorToRGB(Font().Color));
    RECT area{client.Left, client.Top, client.Right, client.Bottom};
    DrawTextW(canvas.Handle(), WideFrom1252(Caption()).c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

bool TPanel::SetProperty(const TLayoutProperty& property, TReader& reader) {
  if (property.name == "BevelOuter") {
    bevelOuter = static_cast<TPanelBevel>(reader.Enumeration(property, {"bvNone", "bvLowered", "bvRaised"}));
    Invalidate();
    return true;
  }
  return TWinControl::SetProperty(property, reader);
}

}  // namespace varnolt::ui
