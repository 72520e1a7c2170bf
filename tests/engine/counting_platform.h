// A layer over any backend that counts the calls the engine makes of the file system, by
// name: the platform calls per small file, on the fake and on real files under Wine alike.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "platform/PlatformWrapper.h"

namespace varnolt::testing {

class CountingPlatform : public PlatformWrapper {
 public:
  using PlatformWrapper::PlatformWrapper;

  // Calls that reach the file system: not the reading of the last error, the clocks or memory.
  std::uint64_t FileSystemCalls() const {
    std::uint64_t total = 0;
    for (const auto& [name, count] : counts) total += count;
    return total;
  }
  std::uint64_t CountOf(const std::string& method) const {
    const auto it = counts.find(method);
    return it == counts.end() ? 0 : it->second;
  }
  // "Name=count ..." sorted by name, each count divided by `per` to one decimal.
  std::string Breakdown(double per) const {
    std::ostringstream text;
    text.precision(3);
    for (const auto& [name, count] : counts) text << name << '=' << static_cast<double>(count) / per << ' ';
    return text.str();
  }
  void Reset() { counts.clear(); }

 protected:
  void OnCall(const char* method) override {
    for (const char* other : {"LastFailure", "TickCount", "SecondsNow", "ObtainBuffer", "ReleaseBuffer"}) {
      if (std::strcmp(method, other) == 0) return;
    }
    ++counts[method];
  }

 private:
  std::map<std::string, std::uint64_t> counts;
};

}  // namespace varnolt::testing
