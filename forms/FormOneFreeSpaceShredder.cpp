#include "forms/FormOneFreeSpaceShredder.h"

#include <type_traits>

#include "engine/ProgressCallback.h"
#include "forms/ProgressTexts.h"

namespace varnolt {

static_assert(std::is_same_v<decltype(&OneFreeSpaceShredderProgress), ProgressCallback>);

TfrmOneFreeSpaceShredder* frmOneFreeSpaceShredder = nullptr;

TfrmOneFreeSpaceShredder::TfrmOneFreeSpaceShredder(ui::TComponent* owner)
    : TProgressForm(owner, "TfrmOneFreeSpaceShredder", "TFRMONEFREESPACESHREDDER") {
  lblMessage = Component<ui::TLabel>("lblMessage");
}

std::uint8_t OneFreeSpaceShredderProgress(float, std::int32_t, std::int32_t, float overallFraction) {
  const std::int32_t percent = PercentOf(overallFraction);
  // The label first: the gauge's repaint draws it too, and then nothing is left to paint again.
  frmOneFreeSpaceShredder->lblShreddedSize->SetCaption(PercentText(percent));
  frmOneFreeSpaceShredder->gShreddedSize->SetProgress(percent);
  return frmOneFreeSpaceShredder->ShowRunAndAnswer(percent);
}

}  // namespace varnolt
