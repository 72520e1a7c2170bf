#include "forms/FormOneFileShredder.h"

#include <type_traits>

#include "engine/ProgressCallback.h"
#include "forms/ProgressTexts.h"

namespace varnolt {

static_assert(std::is_same_v<decltype(&OneFileShredderProgress), ProgressCallback>);

TfrmOneFileShredder* frmOneFileShredder = nullptr;

TfrmOneFileShredder::TfrmOneFileShredder(ui::TComponent* owner) : ui::TForm(owner, "TfrmOneFileShredder") {
  RegisterCgauges();
  Publish("btnCancelClick", [this](ui::TObject* sender) { btnCancelClick(sender); });
  Publish("FormCloseQuery", [this](ui::TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); });
  ReadLayout("TFRMONEFILESHREDDER");
  imgTop = Component<ui::TImage>("imgTop");
  Image1 = Component<ui::TImage>("Image1");
  pnlBottom = Component<ui::TPanel>("pnlBottom");
  gShreddedSize = Component<TCGauge>("gShreddedSize");
  bvlShreddedSize = Component<ui::TBevel>("bvlShreddedSize");
  lblShreddedSize = Component<ui::TLabel>("lblShreddedSize");
  btnCancel = Component<ui::TButton>("btnCancel");
  proceed = true;
}

void TfrmOneFileShredder::btnCancelClick(ui::TObject*) { proceed = false; }

void TfrmOneFileShredder::FormCloseQuery(ui::TObject*, bool&) { proceed = false; }

std::uint8_t OneFileShredderProgress(float, std::int32_t, std::int32_t, float overallFraction) {
  const std::int32_t percent = PercentOf(overallFraction);
  frmOneFileShredder->gShreddedSize->SetProgress(percent);
  frmOneFileShredder->lblShreddedSize->SetCaption(PercentText(percent));
  ui::Application().SetTitle(RunTitle(percent));
  ui::Application().ProcessMessages();
  return frmOneFileShredder->proceed ? 1 : 0;
}

}  // namespace varnolt
