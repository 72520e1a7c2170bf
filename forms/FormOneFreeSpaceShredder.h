// The progress window of a run that only cleans drives' free space: the overall gauge, a note
// that the space is held until the end, and Annuler.
#pragma once

#include <cstdint>

#include "forms/ProgressForm.h"

namespace varnolt {

class TfrmOneFreeSpaceShredder : public TProgressForm {
 public:
  explicit TfrmOneFreeSpaceShredder(ui::TComponent* owner);

  ui::TLabel* lblMessage = nullptr;
};

// The window the entry point made, which the callback drives.
extern TfrmOneFreeSpaceShredder* frmOneFreeSpaceShredder;

// A ProgressCallback: shows the overall fraction, handles pending messages, answers go on/stop.
std::uint8_t OneFreeSpaceShredderProgress(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                                          float overallFraction);

}  // namespace varnolt
