// The erasure on a thread of its own, the window on the thread that made it: however long one
// call of the erasure blocks (a flush of gigabytes, a slow stick, a file fetched from a cloud),
// the window keeps answering, and "Annuler" is heard. The engine knows nothing of it: its
// callback keeps the latest figures for the window's thread and answers stop once the window
// asked for it, which the run hears at its next report.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/ProgressCallback.h"

namespace varnolt {

// What a progress report said last.
struct ProgressFigures {
  float itemFraction = 0;
  std::int32_t itemsDone = 0;
  std::int32_t itemCount = 0;
  float overallFraction = 0;
};

// The window's side, called on the window's thread only (but WorkEnded).
class RunWindow {
 public:
  virtual ~RunWindow() = default;
  // Waits at most `milliseconds`, and less when input for the window comes or the run ends.
  virtual void Wait(std::uint32_t milliseconds) = 0;
  // Called on the run's thread when it has ended: wakes Wait.
  virtual void WorkEnded() = 0;
  // Shows `figures` and handles the window's pending input; 1 to go on, 0 once stop was asked.
  virtual std::uint8_t Show(const ProgressFigures& figures) = 0;
  // The stop was asked and the run has not ended yet (it is inside a call that cannot be
  // interrupted): the window says it is finishing. Once.
  virtual void ShowStopping() = 0;
};

// The longest the window's thread waits between two looks at the run.
inline constexpr std::uint32_t kWindowPollMilliseconds = 30;

// Runs `run` on a thread of its own, handing it the callback to give the engine, while this
// thread shows the figures in `window` and answers it, until the run has ended; the last
// figures are shown then. One run at a time. An exception the run throws is thrown here, once
// it has ended.
void RunBesideWindow(const std::function<void(ProgressCallback)>& run, RunWindow& window);

}  // namespace varnolt
