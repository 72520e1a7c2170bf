#include "platform/FakePlatform.h"

namespace varnolt {

// --- Faults ----------------------------------------------------------------------------------

void FakePlatform::RefuseOpen(const std::string& path, FailureKind kind) {
  refusedOpens.insert(Key(path));
  openRefusalKinds[Key(path)] = kind;
}
void FakePlatform::RefuseNewFiles(const std::string& directory) { refusedNewFiles.insert(Key(directory)); }
void FakePlatform::RefuseNewFolders(const std::string& directory) { refusedNewFolders.insert(Key(directory)); }
void FakePlatform::HoldOpen(const std::string& path) { Find(Key(path))->openCount++; }
void FakePlatform::Release(const std::string& path) { Find(Key(path))->openCount--; }
void FakePlatform::FailWrite(int nth, std::uint32_t accepted) {
  writeFailCountdown = nth;
  writeFailAccepted = accepted;
}
void FakePlatform::FailFlush(int nth) { flushFailCountdown = nth; }
void FakePlatform::ReplaceFolderByLinkAtOpen(int nth, const std::string& folder, const std::string& target,
                                             bool afterTheOpen) {
  swapCountdown = nth;
  swapFolder = folder;
  swapTarget = target;
  swapAfterTheOpen = afterTheOpen;
}
void FakePlatform::TakeRoomAtCreation(int nth, std::uint64_t bytes) {
  creationRoomCountdown = nth;
  creationRoomBytes = bytes;
}
void FakePlatform::RefuseMove(const std::string& path) { refusedMoves.insert(Key(path)); }
void FakePlatform::RefuseDelete(const std::string& path) { refusedDeletes.insert(Key(path)); }
void FakePlatform::RefuseRemoveDirectory(const std::string& path) {
  refusedRemovals.insert(Key(path));
}
void FakePlatform::RefuseChangeDirectory(const std::string& path) {
  refusedDirectoryChanges.insert(Key(path));
}
void FakePlatform::RefuseListing(const std::string& path) { refusedListings.insert(Key(path)); }

bool FakePlatform::Consume(int& countdown) {
  if (countdown <= 0) return false;
  return --countdown == 0;
}

}  // namespace varnolt
