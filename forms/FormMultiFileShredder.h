// The progress window of a run that erases several files: the current file, the files done and
// the overall size, and Annuler.
#pragma once

#include <cstdint>

#include "forms/ProgressForm.h"

namespace varnolt {

class TfrmMultiFileShredder : public TProgressForm {
 public:
  explicit TfrmMultiFileShredder(ui::TComponent* owner);

  TCGauge* gCurrentFile = nullptr;
  TCGauge* gShreddedFiles = nullptr;
  ui::TBevel* bvlCurrentFile = nullptr;
  ui::TBevel* bvlShreddedFiles = nullptr;
  ui::TLabel* lblCurrentFile = nullptr;
  ui::TLabel* lblShreddedFiles = nullptr;
};

// The window the entry point made, which the callback drives.
extern TfrmMultiFileShredder* frmMultiFileShredder;

// A ProgressCallback: shows all three shares, handles pending messages, answers go on/stop.
std::uint8_t MultiFileShredderProgress(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                                       float overallFraction);

}  // namespace varnolt
