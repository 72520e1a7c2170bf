#include "forms/FormMultiFileShredder.h"

#include <type_traits>

#include "engine/ProgressCallback.h"
#include "forms/ProgressTexts.h"

namespace varnolt {

static_assert(std::is_same_v<decltype(&MultiFileShredderProgress), ProgressCallback>);

TfrmMultiFileShredder* frmMultiFileShredder = nullptr;

TfrmMultiFileShredder::TfrmMultiFileShredder(ui::TComponent* owner)
    : ui::TForm(owner, "TfrmMultiFileShredder") {
  RegisterCgauges();
  Publish("btnCancelClick", [this](ui::TObject* sender) { btnCancelClick(sender); });
  Publish("FormCloseQuery", [this](ui::TObject* sender, bool& canClose) { FormCloseQuery(sender, canClose); });
  ReadLayout("TFRMMULTIFILESHREDDER");
  imgTop = Component<ui::TImage>("imgTop");
  pnlBottom = Component<ui::TPanel>("pnlBottom");
  gCurrentFile = Component<TCGauge>("gCurrentFile");
  gShreddedFiles = Component<TCGauge>("gShreddedFiles");
  gShreddedSize = Component<TCGauge>("gShreddedSize");
  Image1 = Component<ui::TImage>("Image1");
  bvlCurrentFile = Component<ui::TBevel>("bvlCurrentFile");
  bvlShreddedFiles = Component<ui::TBevel>("bvlShreddedFiles");
  bvlShreddedSize = Component<ui::TBevel>("bvlShreddedSize");
  lblCurrentFile = Component<ui::TLabel>("lblCurrentFile");
  lblShreddedFiles = Component<ui::TLabel>("lblShreddedFiles");
  lblShreddedSize = Component<ui::TLabel>("lblShreddedSize");
  btnCancel = Component<ui::TButton>("btnCancel");
  proceed = true;
}

void TfrmMultiFileShredder::btnCancelClick(ui::TObject*) { proceed = false; }

void TfrmMultiFileShredder::FormCloseQuery(ui::TObject*, bool&) { proceed = false; }

std::uint8_t MultiFileShredderProgress(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                                       float overallFraction) {
  TfrmMultiFileShredder& form = *frmMultiFileShredder;
  const std::int32_t itemPercent = PercentOf(itemFraction);
  const std::int32_t percent = PercentOf(overallFraction);
  form.gCurrentFile->SetProgress(itemPercent);
  form.gShreddedFiles->SetProgress(ItemsPercent(itemsDone, itemCount));
  form.gShreddedSize->SetProgress(percent);
  form.lblCurrentFile->SetCaption(CurrentFileText(itemPercent));
  form.lblShreddedFiles->SetCaption(ShreddedFilesText(itemsDone, itemCount));
  form.lblShreddedSize->SetCaption(TotalText(percent));
  ui::Application().SetTitle(RunTitle(percent));
  ui::Application().ProcessMessages();
  return form.proceed ? 1 : 0;
}

}  // namespace varnolt
