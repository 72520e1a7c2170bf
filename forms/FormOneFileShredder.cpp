#include "forms/FormOneFileShredder.h"

#include <type_traits>

#include "engine/ProgressCallback.h"
#include "forms/ProgressTexts.h"

namespace varnolt {

static_assert(std::is_same_v<decltype(&OneFileShredderProgress), ProgressCallback>);

TfrmOneFileShredder* frmOneFileShredder = nullptr;

TfrmOneFileShredder::TfrmOneFileShredder(ui::TComponent* owner)
    : TProgressForm(owner, "TfrmOneFileShredder", "TFRMONEFILESHREDDER") {}

std::uint8_t OneFileShredderProgress(float, std::int32_t, std::int32_t, float overallFraction) {
  const std::int32_t percent = PercentOf(overallFraction);
  // The label first: the gauge's repaint draws it too, and then nothing is left to paint again.
  frmOneFileShredder->lblShreddedSize->SetCaption(PercentText(percent));
  frmOneFileShredder->gShreddedSize->SetProgress(percent);
  return frmOneFileShredder->ShowRunAndAnswer(percent);
}

}  // namespace varnolt
