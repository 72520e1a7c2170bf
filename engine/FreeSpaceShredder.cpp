#include "engine/FreeSpaceShredder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

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

  // `name` inside the folder; with an empty name, the folder's path and a backslash.
  std::string PathOf(const char* name) const { return folderPath + '\\' + name; }

 private:
  Platform& platform;
  std::string folderPath;
  bool inUse = false;
};

// The fill files of one cleaning: VARNOLT.TMP, then, while a file-size cap stops each one with
// room left on the volume, VARNOLT1.TMP, VARNOLT2.TMP... beside it, each made new. All are
// closed (and so deleted by the system) on every way out of the cleaning, an exception from the
// progress callback among them, and before the folder they may be in goes.
class FillFiles final : public SweepArea {
 public:
  FillFiles(Platform& platform, const FreeSpaceShredder& shredder) : platform(platform), shredder(shredder) {}
  ~FillFiles() { Close(); }
  FillFiles(const FillFiles&) = delete;
  FillFiles& operator=(const FillFiles&) = delete;

  // `first`, open, in `directory` (ending in a backslash); `areaBytes`: the free space to cover.
  void Start(FileHandle first, std::string directory, std::uint64_t areaBytes, std::uint32_t cluster) {
    this->directory = std::move(directory);
    this->areaBytes = areaBytes;
    this->cluster = cluster;
    targets.assign(1, SweepTarget{first, areaBytes, 0});
  }
  std::size_t FileCount() const override { return targets.size(); }
  SweepTarget& File(std::size_t index) override { return targets[index]; }
  bool Grow(FailureKind why) override;
  // Why the last fill file stopped short of the area in the first sweep; kNone when it did not.
  FailureKind EndedBy() const { return endedBy; }
  void Close() {
    for (const SweepTarget& target : targets) platform.CloseFile(target.file);
    targets.clear();
  }

 private:
  Platform& platform;
  const FreeSpaceShredder& shredder;
  std::vector<SweepTarget> targets;
  std::string directory;
  std::uint64_t areaBytes = 0;
  std::uint32_t cluster = 0;
  std::uint32_t nextNumber = 1;
  FailureKind endedBy = FailureKind::kNone;
};

bool FillFiles::Grow(FailureKind why) {
  endedBy = why;
  // A file the volume gave nothing says it takes no more, whatever its free space reads.
  if (targets.back().reach == 0 || targets.size() >= FreeSpaceShredder::kMostFillFiles) return false;
  std::uint64_t covered = 0;
  for (const SweepTarget& target : targets) covered += target.reach;
  if (covered >= areaBytes || shredder.GetFreeSpace() < cluster) return false;
  targets.reserve(targets.size() + 1);  // so that the file, once open, is sure to be held
  while (nextNumber < FreeSpaceShredder::kMostFillFiles) {
    const std::string name = directory + FreeSpaceShredder::NumberedFillName(nextNumber++);
    // Made new, never taken over: a file of that name is someone else's, or one a crash left.
    const FileHandle file = platform.CreateNewDeleteOnClose(name.c_str());
    if (file == kInvalidFile) {
      if (platform.AttributesOf(name.c_str()) != kInvalidAttributes) continue;  // the name is taken
      return false;
    }
    if (platform.OpenFileNameCount(file) != 1) {
      platform.CloseFile(file);
      return false;
    }
    targets.push_back(SweepTarget{file, areaBytes - covered, 0});
    endedBy = FailureKind::kNone;
    return true;
  }
  return false;
}

}  // namespace

std::string FreeSpaceShredder::NumberedFillName(std::uint32_t number) {
  return "VARNOLT" + std::to_string(number) + ".TMP";
}

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

  // Declared before the files: on the way out the files close first, then the folder goes.
  FillFolder folder(*platform, path);
  // Declared before the fill: the records' files go once the fill has, when the volume has
  // room again (FUSE file systems rename a file deleted while open, which a full index refuses).
  RecordFill records(*platform, path);
  FillFiles fills(*platform, *this);
  // Only a root that refuses to create the file sends it into the folder: one where a check
  // here kept it from the name (a link, another name) leaves the drive as it is.
  bool creationRefused = false;
  std::string directory = path;
  FileHandle first = kInvalidFile;
  if (!fillPath.empty()) first = OpenFillFile(fillPath.c_str(), &creationRefused);
  if (first == kInvalidFile && creationRefused && folder.Prepare()) {
    first = OpenFillFile(folder.PathOf(kFillFileName).c_str(), &creationRefused);
    directory = folder.PathOf("");
  }
  if (first == kInvalidFile) {
    leftBecause = LeftBecause::kFillFileNotCreated;
    return;
  }

  // The records' folder is made while the volume still has room for its index.
  const bool fillRecords = records.Prepare();
  progressFrom = 0;
  progressShare = fillRecords ? 1 - kRecordShare : 1;

  // Measured with the fill file open, so the space of a truncated old fill file counts as free.
  const std::uint64_t size = GetFreeSpace();
  measuredBytes = size;
  std::uint32_t cluster = platform->ClusterSizeOf(path.c_str());
  if (cluster == 0) cluster = 512;  // the smallest sector there is: no cluster is left out
  fills.Start(first, directory, size, cluster);
  // A failed flush (or rewind) ends the sweeps: the files are closed all the same.
  std::uint8_t* const sources[3] = {patternBuffer, complementBuffer, randomBuffer};
  const bool swept = RunSweeps(fills, size, sources, kChunkSize, ShortWrite::kEndsTheSweep, cluster);
  coveredBytes = sweepReach;
  if (!proceed) {
    leftBecause = LeftBecause::kStopped;
  } else if (!swept) {
    leftBecause = LeftBecause::kFreeSpaceInPart;
  } else if (sweepReach < size && fills.EndedBy() != FailureKind::kDiskFull) {
    // The last fill file stopped for another reason than a full disk (some file systems report
    // a full disk as a device error) and no other could follow it: what is still free with the
    // fill files open says whether the free space was covered.
    if (GetFreeSpace() >= cluster) leftBecause = LeftBecause::kFreeSpaceInPart;
  }
  if (leftBecause == LeftBecause::kNotLeft) coveredBytes = size;
  if (fillRecords && leftBecause == LeftBecause::kNotLeft) FillFreeRecords(records, size);
  fills.Close();  // the system deletes the fill files now
}

void FreeSpaceShredder::FillFreeRecords(RecordFill& records, std::uint64_t size) {
  // How many free records there are is not known beforehand: each one moves the gauge on by a
  // part of what is left, and the end reports the whole.
  const std::uint64_t sweeps = static_cast<std::uint64_t>(passCount) * 3;
  size = std::max<std::uint64_t>(size, 1);  // a volume full from the start still reports
  progressFrom = 1 - kRecordShare;
  progressShare = kRecordShare;
  const RecordFill::End end = records.Run(pattern, [&](std::uint64_t done) {
    const double part = static_cast<double>(done) / static_cast<double>(done + 1024);
    ReportProgress(static_cast<std::uint64_t>(part * static_cast<double>(size * sweeps)), size);
    return proceed != 0;
  });
  if (end == RecordFill::End::kStopped) {
    leftBecause = LeftBecause::kStopped;
    return;
  }
  lastReportTick = platform->TickCount() - reportInterval;
  ReportProgress(size * sweeps, size);
}

}  // namespace varnolt
