#include "forms/ProgressForm.h"

#include <utility>

#include "forms/ProgressTexts.h"

namespace varnolt {

TProgressForm::TProgressForm(ui::TComponent* owner, std::string windowClass, const char* layoutName)
    : ui::TForm(owner, std::move(windowClass)) {
  RegisterCgauges();
  Publish("btnCancelClick", [this](ui::TObject* sender) { btnCancelClick(sender); });
  Publish("FormCloseQuery", [this](ui::TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); });
  ReadLayout(layoutName);
  imgTop = Component<ui::TImage>("imgTop");
  Image1 = Component<ui::TImage>("Image1");
  pnlBottom = Component<ui::TPanel>("pnlBottom");
  gShreddedSize = Component<TCGauge>("gShreddedSize");
  bvlShreddedSize = Component<ui::TBevel>("bvlShreddedSize");
  lblShreddedSize = Component<ui::TLabel>("lblShreddedSize");
  btnCancel = Component<ui::TButton>("btnCancel");
  proceed = true;
}

void TProgressForm::btnCancelClick(ui::TObject*) { proceed = false; }

void TProgressForm::FormCloseQuery(ui::TObject*, bool&) { proceed = false; }

std::uint8_t TProgressForm::ShowRunAndAnswer(std::int32_t overallPercent) {
  // Set only when it changes: each setting costs the window system a round trip and a redraw
  // of the taskbar entry, at every report.
  const std::string title = RunTitle(overallPercent);
  if (ui::Application().Title() != title) ui::Application().SetTitle(title);
  ui::Application().ProcessMessages();
  return proceed ? 1 : 0;
}

}  // namespace varnolt

namespace varnolt {

void TProgressForm::ShowStopping() {
  SetCaption(kStoppingCaption);
  btnCancel->SetEnabled(false);
}

}  // namespace varnolt
