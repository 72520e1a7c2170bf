#include "shred_test_support.h"

namespace varnolt::testing {

ProgressRecorder& Recorder() {
  static ProgressRecorder recorder;
  return recorder;
}

std::uint8_t RecordingCallback(float itemFraction, std::int32_t itemsDone,
                               std::int32_t itemCount, float overallFraction) {
  ProgressRecorder& recorder = Recorder();
  recorder.reports.push_back(Report{itemFraction, itemsDone, itemCount, overallFraction});
  return recorder.answer(recorder.reports.size() - 1) ? 1 : 0;
}

}  // namespace varnolt::testing
