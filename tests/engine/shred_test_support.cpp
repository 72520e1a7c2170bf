#include "shred_test_support.h"

#include "engine/OwnNames.h"

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

std::vector<FakePlatform::Call> FillFileCreations(const FakePlatform& os) {
  std::vector<FakePlatform::Call> fills;
  for (const auto& call : os.CallsOf(FakePlatform::CallKind::kCreateNew)) {
    const std::string name = call.path.substr(call.path.rfind('\\') + 1);
    if (IsNameOfOurs(name) && name.find('-') == std::string::npos) fills.push_back(call);
  }
  return fills;
}

}  // namespace varnolt::testing
