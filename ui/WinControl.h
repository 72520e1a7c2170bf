// Controls with a window of their own. They parent other controls: windowed children are child
// windows, windowless children are drawn by their parent in the order they were added.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Controls.h"
#include "ui/GdiGraphics.h"

namespace varnolt::ui {

class TWinControl : public TControl, public TControlParent {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window, made on first need together with its parent's and its children's.
  HWND Handle();
  bool HandleAllocated() const { return handle != nullptr; }
  void HandleNeeded();
  void DestroyHandle();
  // The control a window of this layer belongs to, or null.
  static TWinControl* FromHandle(HWND window);

  int TabOrder() const { return tabOrder; }
  bool TabStop() const { return tabStop; }

  // Places the children that have an alignment: top ones, then bottom ones, then the one
  // that fills what is left.
  void AlignControls();

  TControl& AsControl() override { return *this; }
  void InvalidateControl(TControl& control) override;
  void RepaintControl(TControl& control) override;
  void ControlChanged(TControl& control) override;

  void SetParent(TControlParent* newParent) override;
  void SetBounds(int newLeft, int newTop, int newWidth, int newHeight) override;
  void SetVisible(bool value) override;
  void SetEnabled(bool value) override;
  void Invalidate() override;
  void Repaint() override;
  void ScaleBy(int multiplier, int divisor) override;
  bool SetProperty(const TLayoutProperty& property, TReader& reader) override;
  void Loaded() override;

 protected:
  struct TCreateParams {
    std::string className;  // a class of this layer's, registered on first use...
    bool systemClass = false;  // ...or a system class (BUTTON), used as it is
    DWORD style = 0;
    DWORD exStyle = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;
  };
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  // Messages of this layer's own window classes.
  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  // A notification sent to the parent (WM_COMMAND) about this control.
  virtual void CommandNotify(WORD /*code*/) {}
  // Own drawing, before the windowless children are drawn over it.
  virtual void PaintWindow(TGdiCanvas& /*canvas*/) {}
  // Draws the windowless children from `first` on (all when null) that meet `area`.
  void PaintControls(HDC dc, TControl* first, const RECT& area);

  // What ScaleBy does to the control itself (its edges and own font), before its children.
  virtual void ScaleSelf(int multiplier, int divisor) { TControl::ScaleBy(multiplier, divisor); }

  void FontChanged() override;
  void ColorChanged() override;
  void TextChanged() override;
  HFONT FontHandle();
  TWinControl* ParentWindow() const;

  bool tabStop = false;
  // Puts the window where the bounds say.
  virtual void MoveHandle();
  // The window's client size changed on its own (a form maximised): take it over.
  void TakeClientSize(int newWidth, int newHeight);

 private:
  void CreateHandle();
  static LRESULT CALLBACK StandardWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle = nullptr;
  HFONT fontHandle = nullptr;
  TFont fontOfHandle;
  int tabOrder = -1;
  bool aligning = false;
  bool takingSize = false;
};

}  // namespace varnolt::ui
