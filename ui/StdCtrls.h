// Label and push button.
#pragma once

#include "ui/Controls.h"
#include "ui/WinControl.h"

namespace varnolt::ui {

// Text drawn by its parent: aligned within the label's bounds, wrapped or on one line, over
// what lies beneath when transparent.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);
  bool AutoSize() const { return autoSize; }
  TAlignment Alignment() const { return alignment; }
  TTextLayout Layout() const { return layout; }
  bool Transparent() const { return transparent; }
  bool WordWrap() const { return wordWrap; }

  void Paint(TCanvas& canvas) override;
  bool SetProperty(const TLayoutProperty& property, TReader& reader) override;

 protected:
  void TextChanged() override;
  void FontChanged() override;

 private:
  UINT DrawFlags() const;
  void AdjustSize();
  bool autoSize = true;
  TAlignment alignment = TAlignment::taLeftJustify;
  TTextLayout layout = TTextLayout::tlTop;
  bool transparent = false;
  bool wordWrap = false;
};

// A real BUTTON window. Clicking it calls OnClick.
class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);
  bool Cancel() const { return cancel; }
  bool Default() const { return isDefault; }
  void Click();
  TNotifyEvent OnClick;

  bool SetProperty(const TLayoutProperty& property, TReader& reader) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CommandNotify(WORD code) override;

 private:
  bool cancel = false;
  bool isDefault = false;
};

}  // namespace varnolt::ui
