// Image, bevel and panel.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Controls.h"
#include "ui/WinControl.h"

namespace varnolt::ui {

// A bitmap of the program's resources, drawn unscaled from the top-left corner or centred; when
// transparent, the colour of its bottom-left pixel lets what lies beneath show.
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
  // Where the picture's top-left corner lies in the control.
  TPoint PictureOrigin() const;

  void Paint(TCanvas& canvas) override;
  bool SetProperty(const TLayoutProperty& property, TReader& reader) override;

 private:
  HBITMAP picture = nullptr;
  TSize pictureSize;
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
