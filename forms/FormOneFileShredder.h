// The progress window of a run that erases exactly one file: the overall gauge and Annuler.
#pragma once

#include <cstdint>

#include "forms/Cgauges.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace varnolt {

class TfrmOneFileShredder : public ui::TForm {
 public:
  explicit TfrmOneFileShredder(ui::TComponent* owner);

  ui::TImage* imgTop = nullptr;
  ui::TImage* Image1 = nullptr;
  ui::TPanel* pnlBottom = nullptr;
  TCGauge* gShreddedSize = nullptr;
  ui::TBevel* bvlShreddedSize = nullptr;
  ui::TLabel* lblShreddedSize = nullptr;
  ui::TButton* btnCancel = nullptr;

  // What the progress callback answers: true until Annuler or a close request.
  bool proceed = false;

  void btnCancelClick(ui::TObject* sender);
  void FormCloseQuery(ui::TObject* sender, bool& canClose);
};

// The window the entry point made, which the callback drives.
extern TfrmOneFileShredder* frmOneFileShredder;

// A ProgressCallback: shows the overall fraction, handles pending messages, answers go on/stop.
std::uint8_t OneFileShredderProgress(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                                     float overallFraction);

}  // namespace varnolt
