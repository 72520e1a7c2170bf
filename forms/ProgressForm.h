// What the three progress windows share: the parts every one of their layouts has (banner,
// wastebasket, bottom panel, the overall gauge and its label, Annuler), the answer their
// progress callbacks give, and the two ways to stop a run, Annuler and a close request.
#pragma once

#include <cstdint>
#include <string>

#include "forms/Cgauges.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace varnolt {

class TProgressForm : public ui::TForm {
 public:
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
  // A close request stops the run as Annuler does.
  void FormCloseQuery(ui::TObject* sender, bool& canClose);

  // The end of every progress callback: the run's share in the taskbar title, the pending
  // messages handled (Annuler, a close request), then 1 to go on or 0 to stop.
  std::uint8_t ShowRunAndAnswer(std::int32_t overallPercent);
  // The stop was asked and the run is still inside a call: the caption says it is ending,
  // and Annuler, heard already, is greyed.
  void ShowStopping();

 protected:
  // Reads the layout `layoutName` (the handlers it names published first) into a window of
  // class `windowClass`, and finds the shared parts.
  TProgressForm(ui::TComponent* owner, std::string windowClass, const char* layoutName);
};

}  // namespace varnolt
