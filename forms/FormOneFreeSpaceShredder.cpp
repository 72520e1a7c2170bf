#include "forms/FormOneFreeSpaceShredder.h"

#include <type_traits>

#include "engine/ProgressCallback.h"
#include "forms/ProgressTexts.h"

namespace varnolt {

static_assert(std::is_same_v<decltype(&OneFreeSpaceShredderProgress), ProgressCallback>);

TfrmOneFreeSpaceShredder* frmOneFreeSpaceShredder = nullptr;

TfrmOneFreeSpaceShredder::TfrmOneFreeSpaceShredder(ui::TComponent* owner) : ui::TForm(owner, "TfrmOneFreeSpaceShredder") {
  RegisterCgauges();
  Publish("btnCancelClick", [this](ui::TObject* sender) { btnCancelClick(sender); });
  Publish("FormCloseQuery", [this](ui::TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); });
  ReadLayout("TFRMONEFREESPACESHREDDER");
  imgTop = Component<ui::TImage>("imgTop");
  pnlBottom = Component<ui::TPanel>("pnlBottom");
  gShreddedSize = Component<TCGauge>("gShreddedSize");
  bvlShreddedSize = Component<ui::TBevel>("bvlShreddedSize");
  Image1 = Component<ui::TImage>("Image1");
  lblShreddedSize = Component<ui::TLabel>("lblShreddedSize");
  lblMessage = Component<ui::TLabel>("lblMessage");
  btnCancel = Component<ui::TButton>("btnCancel");
  proceed = true;
}

void TfrmOneFreeSpaceShredder::btnCancelClick(ui::TObject*) { proceed = false; }

void TfrmOneFreeSpaceShredder::FormCloseQuery(ui::TObject*, bool&) { proceed = false; }

std::uint8_t OneFreeSpaceShredderProgress(float, std::int32_t, std::int32_t, float overallFraction) {
  const std::int32_t percent = PercentOf(overallFraction);
  frmOneFreeSpaceShredder->gShreddedSize->SetProgress(percent);
  frmOneFreeSpaceShredder->lblShreddedSize->SetCaption(PercentText(percent));
  ui::Application().SetTitle(RunTitle(percent));
  ui::Application().ProcessMessages();
  return frmOneFreeSpaceShredder->proceed ? 1 : 0;
}

}  // namespace varnolt
