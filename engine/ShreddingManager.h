// Owns all the work of one run: one shredder per item, the byte totals, and the relay of the
// running shredder's progress to the window's callback.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/FileShredder.h"
#include "engine/ProgressCallback.h"
#include "platform/Platform.h"

namespace varnolt {

class ShreddingManager {
 public:
  explicit ShreddingManager(Platform& platform);
  virtual ~ShreddingManager() = default;

  // Shredders link back to the manager: it must stay where it is while it holds them.
  ShreddingManager(const ShreddingManager&) = delete;
  ShreddingManager& operator=(const ShreddingManager&) = delete;

  void AddFile(const char* fullPath);

  std::int32_t FileCount() const { return static_cast<std::int32_t>(files.size()); }
  std::uint64_t TotalBytes() const { return totalBytes; }
  void SetCallback(ProgressCallback callback) { this->callback = callback; }

  void Run();

  // Called by a running shredder's ReportProgress; returns the callback's answer.
  std::uint8_t RelayProgress(float itemFraction, std::uint64_t itemBytes);

 private:
  Platform* platform;
  std::vector<FileShredder> files;
  std::uint8_t proceed = 1;
  std::uint64_t totalBytes = 0;
  std::uint64_t doneBytes = 0;
  std::int32_t itemsDone = 0;
  ProgressCallback callback = nullptr;
};

}  // namespace varnolt
