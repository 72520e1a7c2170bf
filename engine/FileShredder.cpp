#include "engine/FileShredder.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/ItemNames.h"
#include "engine/Random.h"
#include "platform/OpenItem.h"

namespace varnolt {
namespace {

// Shared by all file shredders; only one runs at a time. No memory is taken per file or block.
std::uint8_t patternBlock[FileShredder::kBlockSize];
std::uint8_t complementBlock[FileShredder::kBlockSize];
std::uint8_t randomBlock[FileShredder::kBlockSize];

// The file and its named streams, swept together. The streams are closed on every way out of
// the overwrite, an exception from the progress callback among them; the file itself is held
// by its caller, who goes on with it.
class FileAndStreams final : public SweepArea {
 public:
  FileAndStreams(Platform& platform, FileHandle file) : platform(platform), main{file, 0, 0} {}
  ~FileAndStreams() { CloseStreams(); }
  FileAndStreams(const FileAndStreams&) = delete;
  FileAndStreams& operator=(const FileAndStreams&) = delete;

  std::size_t FileCount() const override { return 1 + streams.size(); }
  SweepTarget& File(std::size_t index) override { return index == 0 ? main : streams[index - 1]; }
  void SetMainSize(std::uint64_t size) { main.size = size; }
  // Opens each named stream of `path` for writing. False, with the reason in `why`, when they
  // cannot all be listed, opened and measured: the file's data would not all be overwritten.
  // The file is open already, sharing nothing: Windows renames no folder that holds it, so its
  // path still leads to it.
  bool OpenStreams(const std::string& path, LeftBecause* why);
  std::uint64_t Bytes() const {
    std::uint64_t bytes = main.size;
    for (const SweepTarget& stream : streams) bytes += stream.size;
    return bytes;
  }
  void CloseStreams() {
    for (const SweepTarget& stream : streams) platform.CloseFile(stream.file);
    streams.clear();
  }

 private:
  Platform& platform;
  SweepTarget main;
  std::vector<SweepTarget> streams;  // allocated only for a file that has some
};

bool FileAndStreams::OpenStreams(const std::string& path, LeftBecause* why) {
  std::vector<StreamEntry> named;
  if (!platform.NamedStreamsOf(path.c_str(), named)) {
    *why = LeftFor(platform.LastFailure(), LeftBecause::kNotRemoved);
    return false;
  }
  streams.reserve(named.size());
  for (const StreamEntry& entry : named) {
    const FileHandle stream = platform.OpenExistingForWriting((path + entry.name).c_str());
    if (stream == kInvalidFile) {
      *why = LeftFor(platform.LastFailure(), LeftBecause::kNotRemoved);
      return false;
    }
    streams.push_back(SweepTarget{stream, 0, 0});
    if (!platform.OpenFileSize(stream, &streams.back().size)) {
      *why = LeftFor(platform.LastFailure(), LeftBecause::kNotRemoved);
      return false;
    }
  }
  return true;
}

}  // namespace

FileShredder::FileShredder(Platform& platform, const char* path)
    : ReportingShredder(platform, path) {
  SeedRandom(platform.SecondsNow());
  FillPatternBlocks();
}

void FileShredder::FillPatternBlocks() {
  const std::uint8_t complement = static_cast<std::uint8_t>(~pattern);
  if (patternBlock[0] == pattern && complementBlock[0] == complement) return;
  varnolt::FillPatternBlocks(pattern, patternBlock, complementBlock, kBlockSize);
}

const std::uint8_t* FileShredder::PatternBlock() { return patternBlock; }
const std::uint8_t* FileShredder::ComplementBlock() { return complementBlock; }
const std::uint8_t* FileShredder::RandomBlock() { return randomBlock; }

std::uint64_t FileShredder::GetSize() const {
  std::uint64_t size = 0;
  return platform->SizeFromAttributes(path.c_str(), &size) ? size : 0;
}

FileShredder::OverwriteResult FileShredder::LeaveAlone(LeftBecause reason) {
  leftBecause = reason;
  return OverwriteResult::kLeftAlone;
}

FileShredder::OverwriteResult FileShredder::Overwrite() {
  OpenItem file;
  return Overwrite(file);
}

FileShredder::OverwriteResult FileShredder::Overwrite(OpenItem& file) {
  proceed = 1;

  // A symbolic link is neither opened nor given new attributes: both would reach its target.
  // A reparse point that keeps the file's own data (a cloud file, say) is no link: it is
  // overwritten like any file. One of a kind not known is not touched at all.
  const ReparseKind reparse = platform->ReparseKindOf(path.c_str());
  if (reparse == ReparseKind::kLink) return OverwriteResult::kLink;
  if (reparse == ReparseKind::kUnknown) return LeaveAlone(LeftBecause::kUnknownReparsePoint);
  // Read-only, hidden and system files are overwritten like any other: a read-only file would
  // otherwise refuse to open for writing and escape the sweeps. The attributes are changed by
  // name, so only once that name is seen to lead to the item collected; and not for a file
  // with another name, whose data (and attributes) belong to that name too, outside the
  // selection. Any file's names are counted again on the open file.
  const std::uint32_t attributes = platform->AttributesOf(path.c_str());
  // A file whose data an online service keeps away from this PC is not opened: the open would
  // download it, to overwrite a copy that was never here. Its online copy is the service's.
  if (attributes != kInvalidAttributes && (attributes & kAttrDataNotHere)) return LeaveAlone(LeftBecause::kDataNotHere);
  const bool special = attributes != kInvalidAttributes && (attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem));
  if (special) {
    if (platform->NameCountOf(path.c_str()) > 1) return LeaveAlone(LeftBecause::kHardLink);
    if (!NameLeadsToTheOneCollected()) return LeaveAlone(LeftBecause::kReplaced);
    platform->SetAttributesOf(path.c_str(), kAttrNormal);
  }
  // A file that stays where it is keeps the attributes its owner gave it.
  const auto restore = [&] {
    if (special) platform->SetAttributesOf(path.c_str(), attributes);
  };
  file = OpenItem(*platform, platform->OpenFileForErasure(path.c_str()));
  if (!file.IsOpen()) {
    leftBecause = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
    restore();
    return OverwriteResult::kFailed;
  }
  // The item opened must be the one collected: a folder on its path replaced since (by a link
  // to a folder never chosen) would have the name lead to another program's file.
  if (!IsTheOneCollected(file.Handle())) {
    file.Close();
    return LeaveAlone(LeftBecause::kReplaced);
  }
  // Again on the open file, which is what gets written: a name may have been added meanwhile.
  // A count that cannot be read is no proof of a single name either.
  if (platform->OpenFileNameCount(file.Handle()) != 1) {
    file.Close();
    restore();
    return LeaveAlone(LeftBecause::kHardLink);
  }

  FileAndStreams area(*platform, file.Handle());
  OverwriteResult result = OverwriteResult::kCompleted;
  std::uint64_t size = 0;
  if (!platform->OpenFileSize(file.Handle(), &size)) {
    leftBecause = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
    result = OverwriteResult::kFailed;
  }
  area.SetMainSize(size);
  // Named streams (a download's Zone.Identifier holds the address it came from) are the file's
  // data too, and go with it: each is swept with the file.
  if (result == OverwriteResult::kCompleted && !area.OpenStreams(path, &leftBecause)) {
    result = OverwriteResult::kFailed;
  }

  std::uint8_t* const sweepBlocks[3] = {patternBlock, complementBlock, randomBlock};
  countedBytes = size;  // the manager's total knows the file's own size only
  if (result == OverwriteResult::kCompleted &&
      !RunSweeps(area, area.Bytes(), sweepBlocks, kBlockSize, ShortWrite::kEndsTheOverwrite)) {
    leftBecause = LeftFor(sweepFailure, LeftBecause::kWriteFailed);
    result = OverwriteResult::kFailed;
  }
  countedBytes = ~0ull;
  // Only a file that goes: the ranges of one that stays would read as anything afterwards.
  if (result == OverwriteResult::kCompleted && proceed && trimAfterSweeps) TrimSwept(area);
  area.CloseStreams();

  if (result == OverwriteResult::kCompleted && !proceed) {
    leftBecause = LeftBecause::kStopped;
    result = OverwriteResult::kStopped;
  }
  if (result != OverwriteResult::kCompleted) {
    file.Close();
    restore();
  }
  return result;
}

void FileShredder::Shred() {
  // A file whose content was not wholly overwritten is left under its own name: deleting it
  // would pass unerased data off as erased.
  OpenItem file;
  const OverwriteResult result = Overwrite(file);
  if (result == OverwriteResult::kLink) {
    if (!NameLeadsToTheOneCollected()) {
      leftBecause = LeftBecause::kReplaced;
      return;
    }
    RenameRandomly();  // moves and deletes the link itself; the target keeps its name
    if (!platform->DeleteFilePath(path.c_str())) leftBecause = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
    return;
  }
  if (result != OverwriteResult::kCompleted) return;  // kLeftAlone among them
  // Through the handle the sweeps went through: whatever its names lead to meanwhile, the
  // item overwritten is the one renamed and deleted.
  CoverOwnName(file.Handle());
  RenameRandomly(file.Handle());
  // Overwritten already; what stays is a file of random bytes under a number, still reported.
  if (!platform->DeleteOpen(file.Handle())) leftBecause = LeftFor(platform->LastFailure(), LeftBecause::kNotRemoved);
}

}  // namespace varnolt
