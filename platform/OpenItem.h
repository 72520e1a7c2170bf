// An open file or directory of the platform that closes itself: whatever way a scope is left,
// an exception from a progress callback among them, the handle goes with it.
#pragma once

#include <utility>

#include "platform/Platform.h"

namespace varnolt {

class OpenItem {
 public:
  OpenItem() = default;
  // Takes `handle` over (kInvalidFile: nothing open).
  OpenItem(Platform& platform, FileHandle handle) : platform(&platform), handle(handle) {}
  ~OpenItem() { Close(); }
  OpenItem(const OpenItem&) = delete;
  OpenItem& operator=(const OpenItem&) = delete;
  OpenItem(OpenItem&& other) noexcept : platform(other.platform), handle(std::exchange(other.handle, kInvalidFile)) {}
  OpenItem& operator=(OpenItem&& other) noexcept {
    if (this != &other) {
      Close();
      platform = other.platform;
      handle = std::exchange(other.handle, kInvalidFile);
    }
    return *this;
  }

  bool IsOpen() const { return handle != kInvalidFile; }
  FileHandle Handle() const { return handle; }
  // Closes now (an item marked for deletion goes now); nothing when nothing is open.
  void Close() {
    if (handle != kInvalidFile) platform->CloseFile(handle);
    handle = kInvalidFile;
  }

 private:
  Platform* platform = nullptr;
  FileHandle handle = kInvalidFile;
};

}  // namespace varnolt
