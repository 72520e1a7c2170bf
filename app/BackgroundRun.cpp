#include "app/BackgroundRun.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

namespace varnolt {
namespace {

// What the two threads share during one run.
struct Shared {
  std::mutex mutex;
  ProgressFigures figures;  // under `mutex`
  std::atomic<bool> stop{false};
  std::atomic<bool> ended{false};
};

// The engine's callback is a plain function: the run at hand is found here.
Shared* current = nullptr;

std::uint8_t KeepForTheWindow(float itemFraction, std::int32_t itemsDone, std::int32_t itemCount,
                              float overallFraction) {
  {
    const std::lock_guard<std::mutex> lock(current->mutex);
    current->figures = ProgressFigures{itemFraction, itemsDone, itemCount, overallFraction};
  }
  return current->stop ? 0 : 1;
}

ProgressFigures Latest(Shared& shared) {
  const std::lock_guard<std::mutex> lock(shared.mutex);
  return shared.figures;
}

}  // namespace

void RunBesideWindow(const std::function<void(ProgressCallback)>& run, RunWindow& window) {
  Shared shared;
  current = &shared;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      run(KeepForTheWindow);
    } catch (...) {
      failure = std::current_exception();
    }
    shared.ended = true;
    window.WorkEnded();
  });
  bool stoppingShown = false;
  while (!shared.ended) {
    window.Wait(kWindowPollMilliseconds);
    if (window.Show(Latest(shared)) == 0) shared.stop = true;
    if (shared.stop && !stoppingShown && !shared.ended) {
      window.ShowStopping();
      stoppingShown = true;
    }
  }
  worker.join();
  current = nullptr;
  window.Show(Latest(shared));
  if (failure) std::rethrow_exception(failure);
}

}  // namespace varnolt
