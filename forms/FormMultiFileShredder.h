// The progress window of a run that erases several files: the current file, the files done and
// the overall size, and Annuler.
#pragma once

#include <cstdint>

#include "forms/Cgauges.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace varnolt {

class TfrmMultiFileShredder : public ui::TForm {
 public:
  explicit TfrmMultiFileShredder(ui::TComponent* owner);

  ui::TImage* imgTop = nullptr;
  ui::TPanel* pnlBottom = nullptr;
  TCGauge* gCurrentFile = nullptr;
  TCGauge* gShreddedFiles = nullptr;
  TCGauge* gShreddedSize = nullptr;
  ui::TImage* Image1 = nullptr;
  ui::TBevel* bvlCurrentFile = nullptr;
  ui::TBevel* bvlShreddedFiles = nullptr;
  ui::TBevel* bvlShreddedSize = nullptr;
  ui::TLabel* lblCurrentFile = nullptr;
  ui::TLabel* lblShreddedFiles = nullptr;
  ui::TLabel* lblShreddedSize = nullptr;
  ui::TButton* btnCancel = nullptr;

  // What the progress callback answers: true until Annuler or a close request.
  bool proceed = false;

  void btnCancelClick(ui::TObject* sender);
  void FormCloseQuery(ui::TObject* sender, bool& canClose);
};

// The window the entry point made, which the callback drives.
extern TfrmMultiFileShredder* frmMultiFileShredder;

// A ProgressCallback: shows all three shares, handles pending messages, answers go on/stop.
std::uint8_t MultiFileShredderProgress(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                                       float overallFraction);

}  // namespace varnolt
