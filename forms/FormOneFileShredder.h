// The progress window of a run that erases exactly one file: the overall gauge and Annuler.
#pragma once

#include <cstdint>

#include "forms/ProgressForm.h"

namespace varnolt {

class TfrmOneFileShredder : public TProgressForm {
 public:
  explicit TfrmOneFileShredder(ui::TComponent* owner);
};

// The window the entry point made, which the callback drives.
extern TfrmOneFileShredder* frmOneFileShredder;

// A ProgressCallback: shows the overall fraction, handles pending messages, answers go on/stop.
std::uint8_t OneFileShredderProgress(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                                     float overallFraction);

}  // namespace varnolt
