// Shared by the engine tests: a callback that records every report it receives and answers
// from a script, and a manager wired to it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/ProgressCallback.h"
#include "platform/FakePlatform.h"

namespace varnolt::testing {

struct Report {
  float itemFraction;
  std::int32_t itemsDone;
  std::int32_t itemCount;
  float overallFraction;
};

// The callback is a plain function, so the recorder it feeds is a single global, reset by
// each test through a ScopedRecorder.
struct ProgressRecorder {
  std::vector<Report> reports;
  // Called with the report's index (0-based) after recording it; the default goes on.
  std::function<bool(std::size_t)> answer = [](std::size_t) { return true; };
};

ProgressRecorder& Recorder();
std::uint8_t RecordingCallback(float itemFraction, std::int32_t itemsDone,
                               std::int32_t itemCount, float overallFraction);

class ScopedRecorder {
 public:
  ScopedRecorder() { Recorder() = ProgressRecorder{}; }
  ~ScopedRecorder() { Recorder() = ProgressRecorder{}; }
  ProgressRecorder* operator->() { return &Recorder(); }
};

// The creations of fill files (VARNOLT.TMP, VARNOLT1.TMP...), in order, without the cover
// files a cleaning makes besides.
std::vector<FakePlatform::Call> FillFileCreations(const FakePlatform& os);

}  // namespace varnolt::testing
