// The progress window of a run that only cleans drives' free space: the overall gauge, a note
// that the space is held until the end, and Annuler.
#pragma once

#include <cstdint>

#include "forms/Cgauges.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace varnolt {

class TfrmOneFreeSpaceShredder : public ui::TForm {
 public:
  explicit TfrmOneFreeSpaceShredder(ui::TComponent* owner);

  ui::TImage* imgTop = nullptr;
  ui::TPanel* pnlBottom = nullptr;
  TCGauge* gShreddedSize = nullptr;
  ui::TBevel* bvlShreddedSize = nullptr;
  ui::TImage* Image1 = nullptr;
  ui::TLabel* lblShreddedSize = nullptr;
  ui::TLabel* lblMessage = nullptr;
  ui::TButton* btnCancel = nullptr;

  // What the progress callback answers: true until Annuler or a close request.
  bool proceed = false;

  void btnCancelClick(ui::TObject* sender);
  void FormCloseQuery(ui::TObject* sender, bool& canClose);
};

// The window the entry point made, which the callback drives.
extern TfrmOneFreeSpaceShredder* frmOneFreeSpaceShredder;

// A ProgressCallback: shows the overall fraction, handles pending messages, answers go on/stop.
std::uint8_t OneFreeSpaceShredderProgress(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                                     float overallFraction);

}  // namespace varnolt
