// The portable core of the window layer: components with an owner, controls with bounds and a
// parent, and windowless (graphic) controls that their parent paints. Windowed controls, forms
// and the application object are the Windows part (ui/WinControl.h, ui/Forms.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Graphics.h"
#include "ui/Types.h"

namespace varnolt::ui {

class TReader;
struct TLayoutProperty;

// The DPI the stored layouts are drawn for.
inline constexpr int kDesignDpi = 96;

// `value` * multiplier / divisor, rounded to the nearest whole number (halves away from zero):
// how lengths of a layout drawn at one DPI are taken to another.
int ScaleLength(int value, int multiplier, int divisor);

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// A component belongs to its owner, which destroys it; destroying a component first destroys
// what it owns, the last made first.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner; }
  const std::string& Name() const { return name; }
  void SetName(std::string newName) { name = std::move(newName); }
  const std::vector<TComponent*>& Components() const { return components; }
  TComponent* FindComponent(std::string_view componentName) const;

  // Applies one property of a stored layout; false if this class has no such property.
  virtual bool SetProperty(const TLayoutProperty& property, TReader& reader);
  // Called once the whole layout has been read.
  virtual void Loaded() {}

 private:
  TComponent* owner;
  std::string name;
  std::vector<TComponent*> components;
};

class TControl;

// What a control asks of its parent. Windowed controls are parents; tests supply their own.
class TControlParent {
 public:
  virtual ~TControlParent() = default;
  // The parent as a control, for the font and colour its children inherit.
  virtual TControl& AsControl() = 0;
  // The child's area is to be drawn again when the parent next paints.
  virtual void InvalidateControl(TControl& control) = 0;
  // Draws the child now, and the children that lie over it (made after it), before returning.
  virtual void RepaintControl(TControl& control) = 0;
  // A child's place or visibility changed.
  virtual void ControlChanged(TControl& /*control*/) {}

  // The children in the order they were added: the drawing order, bottom first.
  const std::vector<TControl*>& Controls() const { return controls; }

 protected:
  // Children that outlive their parent lose it first.
  void ReleaseControls();

 private:
  friend class TControl;
  std::vector<TControl*> controls;
};

enum TControlStyle : unsigned { csOpaque = 1, csFramed = 2 };

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TControlParent* Parent() const { return parent; }
  virtual void SetParent(TControlParent* newParent);

  int Left() const { return left; }
  int Top() const { return top; }
  int Width() const { return width; }
  int Height() const { return height; }
  TRect BoundsRect() const { return Bounds(left, top, width, height); }
  TRect ClientRect() const { return Rect(0, 0, width, height); }
  virtual void SetBounds(int newLeft, int newTop, int newWidth, int newHeight);

  TAlign Align() const { return align; }
  void SetAlign(TAlign value);
  bool Visible() const { return visible; }
  virtual void SetVisible(bool value);
  bool Enabled() const { return enabled; }
  virtual void SetEnabled(bool value);
  const std::string& Caption() const { return caption; }
  virtual void SetCaption(const std::string& value);

  // Colour and font, the parent's while ParentColor / ParentFont hold.
  TColor Color() const;
  void SetColor(TColor value);
  bool ParentColor() const { return parentColor; }
  const TFont& Font() const;
  void SetFont(const TFont& value);
  bool ParentFont() const { return parentFont; }

  unsigned ControlStyle() const { return controlStyle; }

  // Draws again later (Invalidate) or at once (Repaint).
  virtual void Invalidate();
  virtual void Repaint();

  // Takes the control from one DPI to another (multiplier/divisor, e.g. 144/96): its edges
  // (so that controls that met still meet) and its own font; a parent's children with it.
  virtual void ScaleBy(int multiplier, int divisor);

  bool SetProperty(const TLayoutProperty& property, TReader& reader) override;

 protected:
  // The font or colour that children and drawing see changed.
  virtual void FontChanged() {}
  virtual void ColorChanged() { Invalidate(); }
  virtual void TextChanged() { Invalidate(); }

  unsigned controlStyle = 0;
  bool parentColor = true;
  bool parentFont = true;

 private:
  friend class TControlParent;
  TControlParent* parent = nullptr;
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  TAlign align = TAlign::alNone;
  bool visible = true;
  bool enabled = true;
  std::string caption;
  TColor color = clBtnFace;
  TFont font;
};

// A control without a window of its own: its parent draws it on its own surface, with the
// canvas's origin at the control's top-left corner and drawing clipped to its bounds.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
  virtual void Paint(TCanvas& canvas) = 0;
};

}  // namespace varnolt::ui
