// Image, bevel and panel.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Controls.h"
#include "ui/WinControl.h"

namespace varnolt::ui {

// A bitmap of the program's resources, drawn from the top-left corner or centred; when
// transparent, the colour of its bottom-left pixel lets what lies beneath show. Scaled to
// another DPI, it takes the resource drawn for that DPI (NAME_144) where there is one, and
// otherwise shows the 96-DPI picture stretched to the size that DPI gives it.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner) : TGraphicControl(owner) {}
  ~TImage() override;

  // Takes the named BITMAP resource of the program; raises Exception if there is none.
  void LoadPicture(const std::string& resourceName);
  HBITMAP Picture() const { return picture; }
  TSize PictureSize() const { return pictureSize; }
  bool Center() const { return center; }
  bool Transparent() const { return transparent; }
  // The size the picture is drawn at: its own, or stretched when no resource fits the DPI.
  TSize DrawnSize() const { return drawnSize; }
  int PixelsPerInch() const { return pixelsPerInch; }
  // Where the picture's top-left corner lies in the control.
  TPoint PictureOrigin() const;

  void Paint(TCanvas& canvas) override;
  void ScaleBy(int multiplier, int divisor) override;
  bool SetProperty(const TLayoutProperty& property, TReader& reader) override;

 private:
  // Loads the resource for `pixelsPerInch`, or the 96-DPI one.
  void LoadForDpi();

  HBITMAP picture = nullptr;
  std::string resourceName;
  int pixelsPerInch = kDesignDpi;
  TSize pictureSize;
  TSize drawnSize;
  bool center = false;
  bool transparent = false;
};

// A box frame: lowered, the top and left edges in the shadow colour and the others in the
// highlight colour; raised, the other way round.
class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return shape; }
  TBevelStyle Style() const { return style; }
  void Paint(TCanvas& canvas) override;
  bool SetProperty(const TLayoutProperty& property, TReader& reader) override;

 private:
  TBevelShape shape = TBevelShape::bsBox;
  TBevelStyle style = TBevelStyle::bsLowered;
};

class TPanel : public TWinControl {
 public:
  explicit TPanel(TComponent* owner);
  TPanelBevel BevelOuter() const { return bevelOuter; }
  bool SetProperty(const TLayoutProperty& property, TReader& reader) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void PaintWindow(TGdiCanvas& canvas) override;

 private:
  TPanelBevel bevelOuter = TPanelBevel::bvRaised;
};

}  // namespace varnolt::ui
