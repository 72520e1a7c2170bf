#include "engine/FreeSpaceShredder.h"

#include <cstdio>
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
  FillFolder(Platform& platform, const std::string& root)
      : platform(platform), folderPath(root + FreeSpaceShredder::kFillFolderName) {}
  ~FillFolder() {
    if (inUse) platform.RemoveEmptyDirectory(folderPath.c_str());
  }
  FillFolder(const FillFolder&) = delete;
  FillFolder& operator=(const FillFolder&) = delete;

  // True when the folder stands ready. Only a plain directory is taken over: a link there would
  // lead the fill file off the drive.
  bool Prepare() {
    if (!platform.MakeFolder(folderPath.c_str())) {
      const std::uint32_t attributes = platform.AttributesOf(folderPath.c_str());
      if (attributes == kInvalidAttributes || !(attributes & kAttrDirectory) ||
          (attributes & kAttrReparsePoint) || platform.ReparseKindOf(folderPath.c_str()) != ReparseKind::kNone) {
        return false;
      }
    }
    inUse = true;
    return true;
  }

  // `name` inside the folder.
  std::string PathOf(const char* name) const { return folderPath + '\\' + name; }

 private:
  Platform& platform;
  std::string folderPath;
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
  if (!fillPath.empty()) fill.file = OpenFillFile(fillPath.c_str(), &creationRefused);
  if (fill.file == kInvalidFile && creationRefused && folder.Prepare()) {
    fill.file = OpenFillFile(folder.PathOf(kFillFileName).c_str(), &creationRefused);
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
