#include "engine/ShreddingManager.h"

namespace varnolt {

ShreddingManager::ShreddingManager(Platform& platform) : platform(&platform) {}

void ShreddingManager::AddFile(const char* fullPath) {
  files.push_back(FileShredder(*platform, fullPath));
  totalBytes += files.back().GetSize();
  files.back().SetManager(this);
}

void ShreddingManager::Run() {
  proceed = 1;
  doneBytes = 0;
  itemsDone = 0;
  for (FileShredder& file : files) {
    if (!proceed) break;
    const std::uint64_t size = file.GetSize();  // measured before: afterwards the file is gone
    file.Shred();
    doneBytes += size;
    ++itemsDone;
  }
}

std::uint8_t ShreddingManager::RelayProgress(float itemFraction, std::uint64_t itemBytes) {
  const std::int32_t itemCount = FileCount();
  float overallFraction;
  if (totalBytes != 0) {
    overallFraction = static_cast<float>(static_cast<double>(doneBytes + itemBytes) /
                                         static_cast<double>(totalBytes));
  } else {
    // Every item was empty when counted (one grew since): there are no bytes to divide by, so
    // the share of items done stands in for the share of bytes.
    overallFraction = itemCount == 0 ? 1.0f : (static_cast<float>(itemsDone) + itemFraction) / itemCount;
  }
  proceed = callback ? callback(itemFraction, itemsDone, itemCount, overallFraction) : 1;
  return proceed;
}

}  // namespace varnolt
