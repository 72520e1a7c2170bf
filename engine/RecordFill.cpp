#include "engine/RecordFill.h"

#include <algorithm>
#include <deque>
#include <utility>

#include "engine/OwnNames.h"
#include "engine/Random.h"
#include "engine/ReportingShredder.h"

namespace varnolt {

RecordFill::RecordFill(Platform& platform, const std::string& root) : platform(platform), root(root) {}

RecordFill::~RecordFill() { Release(); }

RecordFill::Readiness RecordFill::Prepare(const std::function<bool()>& goOn) {
  std::string system;
  if (!platform.VolumeFileSystem(root.c_str(), system) || system != "NTFS") return Readiness::kNotHere;
  bool made = false;
  for (int attempt = 0; attempt < 4 && !made; ++attempt) {
    made = MakeOurFolder(root + MarkedFolderName(kFolderSuffix), true);
  }
  if (!made) return Readiness::kFailed;
  FillPatternBlocks(0xAA, patternBlock, complementBlock, kDataBytes);
  std::uint32_t name = 0;
  const bool resident = ProbeResidency(&name);
  bool stopped = false;
  if (resident && PrepareIndex(name, goOn, &stopped)) return Readiness::kReady;
  Release();
  if (stopped) return Readiness::kStopped;
  return resident ? Readiness::kFailed : Readiness::kNotHere;
}

bool RecordFill::ProbeResidency(std::uint32_t* name) {
  const std::string& folder = folders[0].path;
  // Free bytes come in whole units of the count (Wine counts in 4096 bytes whatever the file
  // system's blocks), so one small file's room may not show: several are made, one at a time,
  // each written and flushed. Where their data stays in their records the free bytes drop only
  // when the folder's index (once, at its first block) or the file table grows; where each takes
  // room of its own, the drops keep coming. A drop larger than a unit is the table's growth.
  std::uint64_t unit = platform.ClusterSizeOf(root.c_str());
  if (unit == 0) unit = 4096;
  std::uint32_t drops = 0, made = 0;
  for (; made < kProbes && *name < kProbes + 64; ++*name) {
    const std::string path = folder + '\\' + std::to_string(*name);
    std::uint64_t before = 0, after = 0;
    if (!FreeBytes(&before)) return false;
    const FileHandle probe = platform.CreateNewDeleteOnClose(path.c_str());
    // A folder whose index takes no more entries ends the probing with the files it took: the
    // fill itself ends at the first one that takes room.
    if (probe == kInvalidFile) break;
    Hold(probe, path);
    ++made;
    if (!Sweep(probe, patternBlock) || !FreeBytes(&after)) return false;
    if (after < before && before - after <= unit && ++drops > kProbeDropsAllowed) return false;
  }
  return made != 0;
}

bool RecordFill::PrepareIndex(std::uint32_t name, const std::function<bool()>& goOn, bool* stopped) {
  std::uint64_t after = 0;
  if (!FreeBytes(&after)) return false;

  // The folder's index is grown now, while the volume has room, to more entries than there are
  // free records: once the fill holds every cluster it could not grow, and would refuse new files
  // long before the records run out. Empty files are made until the file table has to grow,
  // then they go and their index blocks stay. Their names are longer than those of the fill's
  // files, so the same blocks take the fill's files and more.
  //
  // The table grows by a step at once, when no record is free; an index now and then takes as
  // much at once too (ntfs-3g, splitting a block at a new level, 12 KiB and more). A step alone
  // does not tell which it was: a second one before the records the first would have added
  // are used up does. An index's steps come hundreds of files apart.
  std::size_t tableStepEnds = 0;  // 0: no step seen yet
  for (std::uint64_t previous = after; files.size() < kMostPrepared; ++name) {
    const std::string path = PreparedName(name);
    const FileHandle file = platform.CreateNewDeleteOnClose(path.c_str());
    if (file == kInvalidFile) break;
    Hold(file, path);
    std::uint64_t now = 0;
    if (!FreeBytes(&now)) break;
    if (previous > now && previous - now >= kTableGrowthBytes) {
      if (tableStepEnds != 0 && files.size() <= tableStepEnds) break;
      tableStepEnds = files.size() + (previous - now) / kSmallestRecordBytes + kTableStepSlack;
    }
    previous = now;
    if (goOn && !goOn()) {
      *stopped = true;
      return false;
    }
  }
  prepared = files.size();
  while (!files.empty()) CloseLast();
  return true;
}

std::string RecordFill::PreparedName(std::uint32_t number) const {
  std::string name = std::to_string(number);
  return folders[0].path + '\\' + std::string(kPreparedNameLength - name.size(), '0') + name;
}

void RecordFill::Hold(FileHandle file, const std::string& path) {
  files.push_back(file);
  made.push_back(Made{path, {}});
  if (!platform.OpenIdentity(file, &made.back().identity)) made.back().identity = ItemIdentity{};
}

void RecordFill::CloseLast() {
  platform.CloseFile(files.back());
  files.pop_back();
  closedFiles.push_back(std::move(made.back()));
  made.pop_back();
}

bool RecordFill::MakeOurFolder(const std::string& path, bool inRoot) {
  // Made new only: a name that stands is someone else's.
  if (!(inRoot ? platform.MakePrivateFolder(path.c_str()) : platform.MakeFolder(path.c_str()))) return false;
  Folder folder{path, {}};
  if (!platform.IdentityOf(path.c_str(), &folder.identity)) {
    platform.RemoveEmptyDirectory(path.c_str());  // just made, empty: ours beyond doubt
    return false;
  }
  folders.push_back(std::move(folder));
  return true;
}

bool RecordFill::FreeBytes(std::uint64_t* freeBytes) { return platform.VolumeFreeBytes(root.c_str(), freeBytes); }

bool RecordFill::Sweep(FileHandle file, const std::uint8_t* block) {
  std::uint32_t written = 0;
  return platform.SeekToStart(file) && platform.WriteBytes(file, block, kDataBytes, &written) &&
         written == kDataBytes && platform.FlushToDisk(file);
}

RecordFill::Added RecordFill::AddFile(const std::string& path, std::uint64_t freeBefore) {
  const FileHandle file = platform.CreateNewDeleteOnClose(path.c_str());
  if (file == kInvalidFile) return Added::kRefused;
  Hold(file, path);
  // The first sweep on the disk shows where the data went: into the record, or into room of
  // the volume (its free bytes drop, or the write fails on a full one).
  std::uint64_t freeNow = 0;
  if (!Sweep(file, patternBlock) || !FreeBytes(&freeNow) || freeNow < freeBefore) return Added::kNotResident;
  FillRandomWords(randomBlock, kDataBytes / 2);
  if (!Sweep(file, complementBlock) || !Sweep(file, randomBlock)) return Added::kNotResident;
  return Added::kAdded;
}

RecordFill::End RecordFill::Run(std::uint8_t pattern, const std::function<bool(std::uint64_t)>& report) {
  FillPatternBlocks(pattern, patternBlock, complementBlock, kDataBytes);
  std::uint64_t freeBefore = 0;
  if (folders.empty()) return End::kRefused;
  if (!FreeBytes(&freeBefore)) return End::kNotResident;

  std::deque<std::size_t> queue{0};
  while (!queue.empty()) {
    const Folder folder = folders[queue.front()];
    queue.pop_front();
    const std::size_t firstFile = files.size();
    for (std::uint32_t name = 0;; ++name) {
      const std::string path = folder.path + '\\' + std::to_string(name);
      const Added added = AddFile(path, freeBefore);
      if (added == Added::kNotResident) return End::kNotResident;
      if (added == Added::kRefused) break;
      ++records;
      if (!report(records)) return End::kStopped;
    }
    const std::size_t count = files.size() - firstFile;
    // Not one more file, in a folder that had room for its first: no record is left.
    if (count == 0) return End::kRefused;
    // The folder's index is full (or the records are all taken): its last files make way for
    // the subfolders, whose entries are as long, and whose records those files swept.
    const std::size_t children = std::min<std::size_t>(kChildFolders, count);
    for (std::size_t child = 0; child < children; ++child) CloseLast();
    for (std::size_t child = 0; child < children; ++child) {
      const std::string path = folder.path + '\\' + static_cast<char>('a' + child);
      if (!MakeOurFolder(path, false)) continue;
      queue.push_back(folders.size() - 1);
    }
  }
  return End::kRefused;
}

void RecordFill::Release() {
  while (!files.empty()) CloseLast();
  // A file closed on the full volume may have stayed; there is room again now.
  for (const Made& file : closedFiles) DeleteIfStillOurs(platform, file.path, file.identity);
  closedFiles.clear();
  while (!folders.empty()) {
    RemoveOurFolder(platform, folders.back().path, folders.back().identity);
    folders.pop_back();
  }
}

}  // namespace varnolt
