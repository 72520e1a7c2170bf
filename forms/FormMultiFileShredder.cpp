#include "forms/FormMultiFileShredder.h"

#include <type_traits>

#include "engine/ProgressCallback.h"
#include "forms/ProgressTexts.h"

namespace varnolt {

static_assert(std::is_same_v<decltype(&MultiFileShredderProgress), ProgressCallback>);

TfrmMultiFileShredder* frmMultiFileShredder = nullptr;

TfrmMultiFileShredder::TfrmMultiFileShredder(ui::TComponent* owner)
    : TProgressForm(owner, "TfrmMultiFileShredder", "TFRMMULTIFILESHREDDER") {
  gCurrentFile = Component<TCGauge>("gCurrentFile");
  gShreddedFiles = Component<TCGauge>("gShreddedFiles");
  bvlCurrentFile = Component<ui::TBevel>("bvlCurrentFile");
  bvlShreddedFiles = Component<ui::TBevel>("bvlShreddedFiles");
  lblCurrentFile = Component<ui::TLabel>("lblCurrentFile");
  lblShreddedFiles = Component<ui::TLabel>("lblShreddedFiles");
}

std::uint8_t MultiFileShredderProgress(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                                       float overallFraction) {
  TfrmMultiFileShredder& form = *frmMultiFileShredder;
  const std::int32_t itemPercent = PercentOf(itemFraction);
  const std::int32_t percent = PercentOf(overallFraction);
  // The labels first: each gauge's repaint draws its label too, and then nothing is left to
  // paint again.
  form.lblCurrentFile->SetCaption(CurrentFileText(itemPercent));
  form.lblShreddedFiles->SetCaption(ShreddedFilesText(itemsDone, itemCount));
  form.lblShreddedSize->SetCaption(TotalText(percent));
  form.gCurrentFile->SetProgress(itemPercent);
  form.gShreddedFiles->SetProgress(ItemsPercent(itemsDone, itemCount));
  form.gShreddedSize->SetProgress(percent);
  return form.ShowRunAndAnswer(percent);
}

}  // namespace varnolt
