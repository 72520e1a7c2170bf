#include "engine/FreeSpaceShredder.h"

#include <cstdio>
#include <cstring>

#include "engine/Random.h"

namespace varnolt {

FreeSpaceShredder::FreeSpaceShredder(Platform& platform, const char* root)
    : ReportingShredder(platform, root) {
  std::memset(fillPath, 0, sizeof fillPath);
  // A root is three characters; anything too long to take the name leaves the path empty, so
  // no cut name is ever created.
  const std::size_t rootLength = std::strlen(path);
  const std::size_t nameLength = std::strlen(kFillFileName);
  if (rootLength + nameLength < kMaxPath) {
    std::memcpy(fillPath, path, rootLength);
    std::memcpy(fillPath + rootLength, kFillFileName, nameLength);
  }
}

std::uint64_t FreeSpaceShredder::GetFreeSpace() const {
  std::uint64_t freeBytes = 0;
  return platform->VolumeFreeBytes(path, &freeBytes) ? freeBytes : 0;
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

FileHandle FreeSpaceShredder::OpenFillFile(const char* at, bool* creationRefused) {
  *creationRefused = false;
  // A link under the fill file's name would have the system truncate, overwrite and delete
  // whatever it points at. Only the link itself goes; if it cannot, the place is not used. A
  // reparse point of a kind not known is not touched.
  const std::uint32_t existing = platform->AttributesOf(at);
  const ReparseKind reparse = existing == kInvalidAttributes ? ReparseKind::kNone : platform->ReparseKindOf(at);
  if (reparse == ReparseKind::kUnknown) return kInvalidFile;
  if (existing != kInvalidAttributes && ((existing & kAttrReparsePoint) || reparse == ReparseKind::kLink)) {
    platform->DeleteFilePath(at);
    if (platform->AttributesOf(at) != kInvalidAttributes) return kInvalidFile;
  }

  // A file of that name with another name too holds data of that other name: taking it over
  // would truncate and overwrite it.
  if (existing != kInvalidAttributes && platform->AttributesOf(at) != kInvalidAttributes &&
      platform->NameCountOf(at) > 1) {
    return kInvalidFile;
  }

  const FileHandle file = platform->CreateDeleteOnClose(at);
  if (file == kInvalidFile) {
    *creationRefused = true;
    return kInvalidFile;
  }
  // The same on the open file, should a name have been added in between: closed unwritten (only
  // the fill file's own name goes with it).
  if (platform->OpenFileNameCount(file) != 1) {
    platform->CloseFile(file);
    return kInvalidFile;
  }
  return file;
}

namespace {

// The folder of ours in a root that refuses new files: made, or taken over when a run that
// crashed left it, and removed when this object goes. More fill files may share it.
class FillFolder {
 public:
  FillFolder(Platform& platform, const char* root) : platform(platform) {
    const int length = std::snprintf(folderPath, sizeof folderPath, "%s%s", root, FreeSpaceShredder::kFillFolderName);
    if (length < 0 || length >= static_cast<int>(sizeof folderPath)) folderPath[0] = '\0';
  }
  ~FillFolder() {
    if (inUse) platform.RemoveEmptyDirectory(folderPath);
  }
  FillFolder(const FillFolder&) = delete;
  FillFolder& operator=(const FillFolder&) = delete;

  // True when the folder stands ready. Only a plain directory is taken over: a link there would
  // lead the fill file off the drive.
  bool Prepare() {
    if (folderPath[0] == '\0') return false;
    if (!platform.MakeFolder(folderPath)) {
      const std::uint32_t attributes = platform.AttributesOf(folderPath);
      if (attributes == kInvalidAttributes || !(attributes & kAttrDirectory) ||
          (attributes & kAttrReparsePoint) || platform.ReparseKindOf(folderPath) != ReparseKind::kNone) {
        return false;
      }
    }
    inUse = true;
    return true;
  }

  // `name` inside the folder; false when it does not fit the path field.
  bool PathOf(const char* name, char (&path)[kMaxPath]) const {
    const int length = std::snprintf(path, kMaxPath, "%s\\%s", folderPath, name);
    return length > 0 && length < static_cast<int>(kMaxPath);
  }

 private:
  Platform& platform;
  char folderPath[kMaxPath] = {};
  bool inUse = false;
};

// Closes the fill file (which the system then deletes) and hands the buffers back on every way
// out of the cleaning, an exception from the progress callback among them.
class OpenFill {
 public:
  explicit OpenFill(Platform& platform) : platform(platform) {}
  ~OpenFill() { Close(); }
  OpenFill(const OpenFill&) = delete;
  OpenFill& operator=(const OpenFill&) = delete;
  void Close() {
    if (file != kInvalidFile) platform.CloseFile(file);
    file = kInvalidFile;
  }
  FileHandle file = kInvalidFile;

 private:
  Platform& platform;
};

}  // namespace

void FreeSpaceShredder::Shred() {
  proceed = 1;
  leftBecause = LeftBecause::kNotLeft;
  coveredBytes = 0;
  measuredBytes = GetFreeSpace();
  // Without its buffers the drive is left before anything exists on it: none of it covered.
  if (!AllocateBuffers()) {
    leftBecause = LeftBecause::kFreeSpaceInPart;
    return;
  }
  struct BufferRelease {
    FreeSpaceShredder* shredder;
    ~BufferRelease() { shredder->ReleaseBuffers(); }
  } bufferRelease{this};

  // Declared before the file: on the way out the file closes first, then the folder goes.
  FillFolder folder(*platform, path);
  OpenFill fill(*platform);
  // Only a root that refuses to create the file sends it into the folder: one where a check
  // here kept it from the name (a link, another name) leaves the drive as it is.
  bool creationRefused = false;
  if (fillPath[0] != '\0') fill.file = OpenFillFile(fillPath, &creationRefused);
  char folderFillPath[kMaxPath];
  if (fill.file == kInvalidFile && creationRefused && folder.Prepare() &&
      folder.PathOf(kFillFileName, folderFillPath)) {
    fill.file = OpenFillFile(folderFillPath, &creationRefused);
  }
  if (fill.file == kInvalidFile) {
    leftBecause = LeftBecause::kFillFileNotCreated;
    return;
  }

  // Measured with the fill file open, so the space of a truncated old fill file counts as free.
  const std::uint64_t size = GetFreeSpace();
  measuredBytes = size;
  // A failed flush (or rewind) ends the sweeps: the file is closed all the same.
  std::uint8_t* const sources[3] = {patternBuffer, complementBuffer, randomBuffer};
  const bool swept = RunSweeps(fill.file, size, sources, kChunkSize, ShortWrite::kEndsTheSweep);
  coveredBytes = sweepReach;
  if (!proceed) {
    leftBecause = LeftBecause::kStopped;
  } else if (!swept) {
    leftBecause = LeftBecause::kFreeSpaceInPart;
  } else if (sweepReach < size && sweepFailure != FailureKind::kDiskFull) {
    // A write failed before the end for another reason than a full disk (some file systems
    // report a full disk as a device error, a file-size cap stops the file): what is still free
    // with the fill file open says whether the free space was covered.
    if (GetFreeSpace() >= kChunkSize) leftBecause = LeftBecause::kFreeSpaceInPart;
  }
  if (leftBecause == LeftBecause::kNotLeft) coveredBytes = size;
  fill.Close();  // the system deletes the fill file now
}

}  // namespace varnolt
