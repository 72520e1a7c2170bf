#include "engine/FreeSpaceShredder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/Random.h"
#include "platform/OpenItem.h"

namespace varnolt {

FreeSpaceShredder::FreeSpaceShredder(Platform& platform, const char* root)
    : ReportingShredder(platform, root) {}

void FreeSpaceShredder::SetStorage(StorageKind kind) {
  const bool flash = WritesWhereItChooses(kind);
  sweepsPerPass = flash ? 1 : 3;
  trimAfterSweeps = flash;
}

std::string FreeSpaceShredder::FillPath() const { return path + FillFileName(0); }

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

namespace {

// The folder of ours in a root that refuses new files: made new under a marked name, private,
// and removed when this object goes (through a handle, once empty). More fill files may share it.
class FillFolder {
 public:
  FillFolder(Platform& platform, const std::string& root) : platform(platform), root(root) {}
  ~FillFolder() {
    if (!folderPath.empty()) RemoveOurFolder(platform, folderPath, identity);
  }
  FillFolder(const FillFolder&) = delete;
  FillFolder& operator=(const FillFolder&) = delete;

  // True when the folder stands ready.
  bool Prepare() {
    for (int attempt = 0; attempt < 4 && folderPath.empty(); ++attempt) {
      const std::string path = root + MarkedFolderName(FreeSpaceShredder::kFillFolderSuffix);
      if (platform.MakePrivateFolder(path.c_str())) {
        if (platform.IdentityOf(path.c_str(), &identity)) {
          folderPath = path;
          return true;
        }
        platform.RemoveEmptyDirectory(path.c_str());  // just made, empty: ours beyond doubt
        return false;
      }
      if (platform.AttributesOf(path.c_str()) == kInvalidAttributes) return false;  // refused, not taken
    }
    return false;
  }

  // The folder's path and a backslash.
  std::string Directory() const { return folderPath + '\\'; }

 private:
  Platform& platform;
  std::string root;
  std::string folderPath;
  ItemIdentity identity;
};

// Makes the first free fill file in `directory` (ending with a backslash), from number `*next`
// on; `*next` ends past it. Made new only: a name that stands (a file of someone else's, one a
// power cut left, a link) is passed over, never opened. kInvalidFile when the system refuses
// (`*refused`: it refused the access, as a root that takes no new file does) or no name is free.
FileHandle CreateFillFile(Platform& platform, const std::string& directory, std::uint32_t* next, bool* refused) {
  *refused = false;
  while (*next < FreeSpaceShredder::kMostFillFiles) {
    const std::string name = directory + FillFileName((*next)++);
    const FileHandle file = platform.CreateNewDeleteOnClose(name.c_str());
    if (file != kInvalidFile) {
      // A name added to it in between would hold data of someone else's: closed unwritten.
      if (platform.OpenFileNameCount(file) == 1) return file;
      platform.CloseFile(file);
      return kInvalidFile;
    }
    const FailureKind failure = platform.LastFailure();
    if (platform.AttributesOf(name.c_str()) != kInvalidAttributes) continue;  // the name is taken
    *refused = failure == FailureKind::kAccessDenied;
    return kInvalidFile;
  }
  return kInvalidFile;
}

// The fill files of one cleaning: the first free of VARNOLT.TMP, VARNOLT1.TMP..., then, while a
// file-size cap stops each one with room left on the volume, the next free ones beside it. All are
// closed (and so deleted by the system) on every way out of the cleaning, an exception from the
// progress callback among them, and before the folder they may be in goes.
class FillFiles final : public SweepArea {
 public:
  FillFiles(Platform& platform, const FreeSpaceShredder& shredder) : platform(platform), shredder(shredder) {}
  ~FillFiles() { Close(); }
  FillFiles(const FillFiles&) = delete;
  FillFiles& operator=(const FillFiles&) = delete;

  // `first`, open, in `directory` (ending in a backslash), the next fill files from number
  // `nextNumber` on; `areaBytes`: the free space to cover.
  void Start(FileHandle first, std::string directory, std::uint32_t nextNumber, std::uint64_t areaBytes,
             std::uint32_t cluster) {
    this->directory = std::move(directory);
    this->nextNumber = nextNumber;
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
  bool refused = false;
  const FileHandle file = CreateFillFile(platform, directory, &nextNumber, &refused);
  if (file == kInvalidFile) return false;
  targets.push_back(SweepTarget{file, areaBytes - covered, 0});
  endedBy = FailureKind::kNone;
  return true;
}

}  // namespace

void FreeSpaceShredder::Shred() {
  proceed = 1;
  leftBecause = LeftBecause::kNotLeft;
  coveredBytes = 0;
  namesNotCovered = ownFoldersNotCovered = 0;
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

  // An NTFS root's times, put back once everything of ours in it is gone, whatever way the
  // cleaning ends (declared before all of it): the fill files and our folders changed them.
  // Read now, set only once the record probe says NTFS: a FAT or exFAT root keeps no times,
  // and fusefat crashes when asked to set them.
  struct RootTimes {
    Platform& platform;
    OpenItem root;
    ItemTimes times;
    bool read = false;
    bool putBack = false;
    ~RootTimes() {
      if (read && putBack) platform.SetOpenTimes(root.Handle(), times);
    }
  } rootTimes{*platform, OpenItem(*platform, platform->OpenFolderForTimes(path.c_str())), {}};
  std::uint32_t rootAttributes = 0;
  rootTimes.read = rootTimes.root.IsOpen() && platform->OpenTimes(rootTimes.root.Handle(), &rootTimes.times, &rootAttributes);

  // What earlier runs left: ours goes, the rest is told.
  leftovers = ClearLeftovers(*platform, path);

  // Declared before the files: on the way out the files close first, then the folder goes.
  FillFolder folder(*platform, path);
  // Declared before the fill: the records' files go once the fill has, when the volume has
  // room again (FUSE file systems rename a file deleted while open, which a full index refuses).
  RecordFill records(*platform, path);
  // The same for cover files of deleted names that outlive their close in a full directory.
  DeletedNamesCover names(*platform, path);
  FillFiles fills(*platform, *this);
  // Only a root that refuses to create the file sends it into the folder.
  bool creationRefused = false;
  std::string directory = path;
  std::uint32_t number = 0;
  FileHandle first = CreateFillFile(*platform, directory, &number, &creationRefused);
  if (first == kInvalidFile && creationRefused && folder.Prepare()) {
    directory = folder.Directory();
    number = 0;
    first = CreateFillFile(*platform, directory, &number, &creationRefused);
  }
  if (first == kInvalidFile) {
    leftBecause = LeftBecause::kFillFileNotCreated;
    return;
  }

  // The records' folder is made while the volume still has room for its index. Where the
  // records should be filled and cannot be, the cleaning is told as done in part.
  const RecordFill::Readiness readiness = records.Prepare([this] {
    ReportProgress(0, std::max<std::uint64_t>(measuredBytes, 1));
    return proceed != 0;
  });
  if (readiness == RecordFill::Readiness::kStopped) {
    platform->CloseFile(first);  // not in the fill's hands yet; deleted on close
    leftBecause = LeftBecause::kStopped;
    return;
  }
  const bool fillRecords = readiness == RecordFill::Readiness::kReady;
  rootTimes.putBack = fillRecords;
  const DeletedNamesCover::Layout layout = NamesLayout(readiness);
  // The progress: the fill, the cover of the deleted names, the records.
  const double fillShare = 1 - kNamesShare - (fillRecords ? kRecordShare : 0);

  // Measured with the fill file open: the records' folder and its index are already made.
  const std::uint64_t size = GetFreeSpace();
  measuredBytes = size;
  std::uint32_t cluster = platform->ClusterSizeOf(path.c_str());
  if (cluster == 0) cluster = 512;  // the smallest sector there is: no cluster is left out
  fills.Start(first, directory, number, size, cluster);
  progressFrom = 0;
  progressShare = fillShare;
  // A failed flush (or rewind) ends the sweeps: the files are closed all the same.
  std::uint8_t* const sources[3] = {patternBuffer, complementBuffer, randomBuffer};
  const bool swept = RunSweeps(fills, size, sources, kChunkSize, ShortWrite::kEndsTheSweep, cluster);
  coveredBytes = sweepReach;
  // What the fill reached is asked of the drive to discard too: the whole free space, which
  // otherwise takes administrator rights to ask.
  if (trimAfterSweeps) TrimSwept(fills);
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
  // The deleted names are covered while the fill holds every cluster, so that no directory can
  // grow (a FAT directory never gives a cluster back) and each takes entries until it is full;
  // before the records, which take every free record a cover file needs. Only where the volume
  // tells its free bytes, so that a directory that grows all the same is seen to.
  std::uint64_t freeNow = 0;
  if (leftBecause == LeftBecause::kNotLeft && platform->VolumeFreeBytes(path.c_str(), &freeNow) &&
      !CoverDeletedNames(names, layout, fillShare, kNamesShare)) {
    leftBecause = LeftBecause::kStopped;
  }
  if (fillRecords && leftBecause == LeftBecause::kNotLeft) FillFreeRecords(records, size);
  if (readiness == RecordFill::Readiness::kFailed && leftBecause == LeftBecause::kNotLeft) {
    leftBecause = LeftBecause::kFreeSpaceInPart;
  }
  fills.Close();  // the system deletes the fill files now
  names.Finish();
}

DeletedNamesCover::Layout FreeSpaceShredder::NamesLayout(RecordFill::Readiness readiness) {
  // Small files kept inside their records say NTFS, whatever the volume is called (Wine calls
  // every drive NTFS); a drive whose records were not found, or that says it is FAT or exFAT,
  // keeps its names in slots; one that refused the probe may be either.
  std::string fileSystem;
  if (readiness == RecordFill::Readiness::kReady) return DeletedNamesCover::Layout::kIndex;
  if (readiness == RecordFill::Readiness::kNotHere ||
      (platform->VolumeFileSystem(path.c_str(), fileSystem) && fileSystem.find("FAT") != std::string::npos)) {
    return DeletedNamesCover::Layout::kSlots;
  }
  return DeletedNamesCover::Layout::kUnknown;
}

bool FreeSpaceShredder::CoverDeletedNames(DeletedNamesCover& cover, DeletedNamesCover::Layout layout,
                                          double from, double share) {
  // How many directories there are is learnt on the way: the gauge moves by the share done of
  // those found so far, never back. Its unit is the free space, as the fill's.
  const std::uint64_t sweeps = SweepCount();
  const std::uint64_t size = std::max<std::uint64_t>(measuredBytes, 1);
  progressFrom = from;
  progressShare = share;
  double shown = 0;
  const bool whole = cover.Run(layout, [&](std::uint64_t done, std::uint64_t found) {
    shown = std::max(shown, static_cast<double>(done) / static_cast<double>(found + 1));
    ReportProgress(static_cast<std::uint64_t>(shown * static_cast<double>(size * sweeps)), size);
    return proceed != 0;
  });
  namesNotCovered = cover.NotCovered();
  ownFoldersNotCovered = cover.OwnNotCovered();
  if (whole) {
    ReportNextAtOnce();
    ReportProgress(size * sweeps, size);
  }
  return whole && proceed != 0;
}

void FreeSpaceShredder::FillFreeRecords(RecordFill& records, std::uint64_t size) {
  // How many free records there are is not known beforehand: each one moves the gauge on by a
  // part of what is left, and the end reports the whole.
  const std::uint64_t sweeps = SweepCount();
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
  ReportNextAtOnce();
  ReportProgress(size * sweeps, size);
}

}  // namespace varnolt
