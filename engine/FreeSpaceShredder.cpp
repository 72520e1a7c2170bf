#include "engine/FreeSpaceShredder.h"

#include <cstring>

#include "engine/Random.h"

namespace varnolt {

FreeSpaceShredder::FreeSpaceShredder(Platform& platform, const char* root)
    : ReportingShredder(platform, root) {
  // A root is three characters: "E:\" and the name.
  fillPath = path + kFillFileName;
}

std::uint64_t FreeSpaceShredder::GetFreeSpace() const {
  std::uint64_t freeBytes = 0;
  return platform->VolumeFreeBytes(path.c_str(), &freeBytes) ? freeBytes : 0;
}

bool FreeSpaceShredder::AllocateBuffers() {
  patternBuffer = static_cast<std::uint8_t*>(platform->ObtainBuffer(kChunkSize));
  complementBuffer = static_cast<std::uint8_t*>(platform->ObtainBuffer(kChunkSize));
  randomBuffer = static_cast<std::uint8_t*>(platform->ObtainBuffer(kChunkSize));
  if (!patternBuffer || !complementBuffer || !randomBuffer) {
    ReleaseBuffers();
    return false;
  }
  SeedRandom(platform->SecondsNow());
  FillPatternBuffers();
  return true;
}

void FreeSpaceShredder::ReleaseBuffers() {
  platform->ReleaseBuffer(patternBuffer);
  platform->ReleaseBuffer(complementBuffer);
  platform->ReleaseBuffer(randomBuffer);
  patternBuffer = complementBuffer = randomBuffer = nullptr;
}

void FreeSpaceShredder::FillPatternBuffers() {
  FillPatternBlocks(pattern, patternBuffer, complementBuffer, kChunkSize);
}

void FreeSpaceShredder::Shred() {
  proceed = 1;
  // Without its buffers the drive is skipped before anything exists on it.
  if (!AllocateBuffers()) return;

  // A link under the fill file's name would have the system truncate, overwrite and delete
  // whatever it points at. Only the link itself goes; if it cannot, the drive is skipped. A
  // reparse point of a kind not known is not touched: the drive is skipped.
  const std::uint32_t existing = platform->AttributesOf(fillPath.c_str());
  const ReparseKind reparse = existing == kInvalidAttributes ? ReparseKind::kNone : platform->ReparseKindOf(fillPath.c_str());
  if (reparse == ReparseKind::kUnknown) {
    ReleaseBuffers();
    return;
  }
  if (existing != kInvalidAttributes && ((existing & kAttrReparsePoint) || reparse == ReparseKind::kLink)) {
    platform->DeleteFilePath(fillPath.c_str());
    if (platform->AttributesOf(fillPath.c_str()) != kInvalidAttributes) {
      ReleaseBuffers();
      return;
    }
  }

  // A file of that name with another name too holds data of that other name: taking it over
  // would truncate and overwrite it. The drive is skipped.
  if (existing != kInvalidAttributes && platform->AttributesOf(fillPath.c_str()) != kInvalidAttributes &&
      platform->NameCountOf(fillPath.c_str()) > 1) {
    ReleaseBuffers();
    return;
  }

  const FileHandle file = platform->CreateDeleteOnClose(fillPath.c_str());
  if (file == kInvalidFile) {
    ReleaseBuffers();
    return;
  }
  // The same on the open file, should a name have been added in between: closed unwritten (only
  // the fill file's own name goes with it) and the drive skipped.
  if (platform->OpenFileNameCount(file) != 1) {
    platform->CloseFile(file);
    ReleaseBuffers();
    return;
  }
  // Measured with the fill file open, so the space of a truncated old fill file counts as free.
  const std::uint64_t size = GetFreeSpace();
  // A failed flush (or rewind) ends the sweeps: the file is closed all the same.
  std::uint8_t* const sources[3] = {patternBuffer, complementBuffer, randomBuffer};
  RunSweeps(file, size, sources, kChunkSize, ShortWrite::kEndsTheSweep);
  platform->CloseFile(file);  // the system deletes the fill file now
  ReleaseBuffers();
}

}  // namespace varnolt
