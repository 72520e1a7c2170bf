#include "engine/DeletedNames.h"

#include <utility>

#include "engine/ItemNames.h"
#include "engine/OwnNames.h"
#include "engine/Random.h"
#include "platform/OpenItem.h"

namespace varnolt {
namespace {

// exFAT gives a name 2 + ceil(length / 15) slots: one length for each count, from the longest
// name down. Taken longest first, each run of free slots left after a length is shorter than
// it, so the next count fills it whole. FAT (1 + ceil(length / 13)) ends with 8.3 names, which
// take one slot each: whatever is left.
constexpr std::size_t kLongestName = 255;
constexpr std::size_t kSlotLengthStep = 15;
static_assert(kLongestName % kSlotLengthStep == 0);
// NTFS: an entry takes 82 + 2 bytes a character, rounded up to 8: from 592 bytes down to 88.
constexpr std::size_t kIndexLengths[] = {255, 64, 16, 1};
// Creations that fail for no reason of room nor rights (a name taken) before a directory is
// given up.
constexpr std::uint32_t kMostOddFailures = 4;

std::string RandomLetters(std::size_t count) {
  std::string name;
  for (std::size_t i = 0; i < count; ++i) name += static_cast<char>('a' + NextRandom() % 26);
  return name;
}

bool KeptOnlineOrReparse(std::uint32_t attributes) {
  return (attributes & (kAttrReparsePoint | kAttrKeptOnline)) != 0;
}

}  // namespace

DeletedNamesCover::DeletedNamesCover(Platform& platform, std::string root)
    : platform(platform), root(std::move(root)) {}

bool DeletedNamesCover::Run(Layout layout, const std::function<bool(std::uint64_t, std::uint64_t)>& report) {
  this->layout = layout;
  this->report = report;
  done = found = covered = notCovered = ownNotCovered = skipped = 0;
  pending.assign(1, root);
  found = 1;
  while (!pending.empty()) {
    const std::string directory = std::move(pending.back());
    pending.pop_back();
    OpenItem folder(platform, platform.OpenFolderForTimes(directory.c_str()));
    ++done;
    // Gone since it was listed: nothing to cover. Not opened otherwise: left, its owner not known.
    if (!folder.IsOpen() && platform.LastFailure() == FailureKind::kGone) continue;
    const Outcome outcome = folder.IsOpen() ? CoverDirectory(directory, folder.Handle()) : Outcome::kFailed;
    if (outcome == Outcome::kCovered) {
      ++covered;
    } else if (outcome == Outcome::kSkipped) {
      ++skipped;
    } else if (outcome != Outcome::kStopped) {
      ++notCovered;
      // A drive's root is the system's (C:\) or keeps no owner (FAT): counted, never told.
      if (folder.IsOpen() && directory != root && platform.OpenOwnedByUser(folder.Handle()) == Answer::kYes) {
        ++ownNotCovered;
      }
    }
    if (outcome == Outcome::kStopped || !GoOn()) return false;
  }
  return true;
}

void DeletedNamesCover::Finish() {
  for (const MadeFile& file : outlived) DeleteIfStillOurs(platform, file.path, file.identity);
  outlived.clear();
  for (const Revisit& revisit : revisits) {
    OpenItem folder(platform, platform.OpenFolderForTimes(revisit.path.c_str()));
    ItemIdentity opened;
    if (folder.IsOpen() && platform.OpenIdentity(folder.Handle(), &opened) && opened == revisit.identity) {
      platform.SetOpenTimes(folder.Handle(), revisit.times);
    }
  }
  revisits.clear();
}

bool DeletedNamesCover::GoOn() { return !report || report(done, found); }

DeletedNamesCover::Outcome DeletedNamesCover::CoverDirectory(const std::string& directory, FileHandle folder) {
  ItemTimes times;
  std::uint32_t attributes = 0;
  if (!platform.OpenTimes(folder, &times, &attributes)) return Outcome::kFailed;
  // Replaced by a link since it was listed, or kept online: not ours to enter.
  if (KeptOnlineOrReparse(attributes) || !(attributes & kAttrDirectory)) return Outcome::kSkipped;
  // One listing: the names the index points stand beside, and the folders to enter.
  std::vector<std::string> names;
  FindData entry;
  const FindHandle find = platform.FindFirst((directory + '*').c_str(), &entry);
  if (find == kInvalidFind) return Outcome::kFailed;
  do {
    if (entry.name == "." || entry.name == "..") continue;
    names.push_back(entry.name);
    if (!(entry.attributes & kAttrDirectory)) continue;
    if (KeptOnlineOrReparse(entry.attributes) || (directory == root && IsNameOfOurs(entry.name))) {
      ++skipped;
      continue;
    }
    pending.push_back(directory + entry.name + '\\');
    ++found;
  } while (platform.FindNext(find, &entry));
  platform.FindEnd(find);

  // Put back once every file of ours is gone (they go first, on every way out, an exception
  // from the report among them): the times the entries changed.
  struct TimesBack {
    DeletedNamesCover& cover;
    FileHandle folder;
    const ItemTimes& times;
    std::uint64_t madeBefore;
    std::size_t outlivedBefore;
    const std::string& directory;
    ~TimesBack() {
      // Not the root's: a FAT or exFAT root keeps no times, and fusefat crashes when asked to
      // set them.
      if (cover.filesMade == madeBefore || directory == cover.root) return;
      cover.platform.SetOpenTimes(folder, times);
      ItemIdentity identity;
      if (cover.outlived.size() != outlivedBefore && cover.platform.OpenIdentity(folder, &identity)) {
        cover.revisits.push_back(Revisit{directory, identity, times});
      }
    }
  } timesBack{*this, folder, times, filesMade, outlived.size(), directory};
  oddFailures = 0;
  denied = false;
  attempts = 0;
  current = &directory;
  if (!platform.VolumeFreeBytes(root.c_str(), &freeBytes)) freeBytes = ~0ull;
  Outcome outcome = Outcome::kCovered;
  if (layout != Layout::kSlots) outcome = CoverIndex(directory, names);
  if (outcome == Outcome::kCovered && layout != Layout::kIndex) outcome = CoverSlots(directory);
  // Denied all along: refused only if nothing at all was taken.
  if (outcome == Outcome::kCovered && denied && filesMade == timesBack.madeBefore) outcome = Outcome::kRefused;
  return outcome;
}

bool DeletedNamesCover::VolumeGrewSinceMeasured() {
  std::uint64_t now = 0;
  if (!platform.VolumeFreeBytes(root.c_str(), &now) || now >= freeBytes) return false;
  freeBytes = now;
  return true;
}

DeletedNamesCover::Step DeletedNamesCover::MakeOne(CoverFiles& cover, const std::string& path) {
  ++attempts;
  switch (cover.Make(path)) {
    case FailureKind::kNone:
      ++filesMade;
      return VolumeGrewSinceMeasured() ? Step::kGrew : Step::kMade;
    case FailureKind::kDiskFull:
      return Step::kFull;
    case FailureKind::kAccessDenied:
      // fusefat tells a directory without a run of free slots that long as access denied.
      // Where the first name is denied, an 8.3 name, one slot, tells a full directory from
      // one the user may not write (that one is left at once, as most of C: is).
      denied = true;
      if (attempts == 1) {
        const FailureKind second = cover.Make(*current + ShortCoverName());
        if (second == FailureKind::kAccessDenied) return Step::kRefused;
        if (second == FailureKind::kNone) ++filesMade;
      }
      return Step::kFull;
    default:
      return ++oddFailures >= kMostOddFailures ? Step::kFailed : Step::kMade;
  }
}

DeletedNamesCover::Outcome DeletedNamesCover::CoverIndex(const std::string& directory,
                                                         const std::vector<std::string>& names) {
  // A point before every entry (first of all), then one each kPointBytes of entries.
  std::vector<const std::string*> points{nullptr};
  std::uint64_t bytes = 0;
  for (const std::string& name : names) {
    bytes += IndexEntryBytes(name);
    if (bytes >= kPointBytes) {
      points.push_back(&name);
      bytes = 0;
    }
  }
  static const std::string kNone;
  for (const std::string* point : points) {
    const std::string& before = point ? *point : kNone;
    // Closed after each point: on NTFS every file takes a record, and few may be free.
    CoverFiles cover(platform, &outlived);
    std::uint64_t made = 0;
    bool grew = false;
    for (const std::size_t length : kIndexLengths) {
      while (!grew && made < kMostBytesAtAPoint) {
        const std::string name = NameBeside(before, std::string(length, 'x'));
        const Step step = MakeOne(cover, directory + name);
        if (step == Step::kRefused) return Outcome::kRefused;
        if (step == Step::kFailed) return Outcome::kFailed;
        if (step == Step::kFull) break;
        // The block split: it was full, its slack covered.
        grew = step == Step::kGrew;
        made += IndexEntryBytes(name);
      }
    }
    cover.Close();
    if (!GoOn()) return Outcome::kStopped;
  }
  return Outcome::kCovered;
}

DeletedNamesCover::Outcome DeletedNamesCover::CoverSlots(const std::string& directory) {
  // Held open together to the end: each length takes the slots the longer ones left.
  CoverFiles cover(platform, &outlived);
  // 255 (17 times 15), every multiple of 15 below it, then the 8.3 names (length 0 here).
  std::uint32_t slots = 0;
  for (std::size_t length = kLongestName;; length -= kSlotLengthStep) {
    // FAT: a slot for every 13 characters, and one for the 8.3 name.
    const std::uint32_t slotsOfOne = static_cast<std::uint32_t>(1 + (length + 12) / 13);
    while (slots + slotsOfOne <= kMostSlots) {
      const Step step = MakeOne(cover, directory + (length == 0 ? ShortCoverName() : RandomLetters(length)));
      if (step == Step::kRefused) return Outcome::kRefused;
      if (step == Step::kFailed) return Outcome::kFailed;
      if (step == Step::kFull || step == Step::kGrew) break;
      slots += slotsOfOne;
    }
    if (!GoOn()) return Outcome::kStopped;
    if (length == 0) break;
  }
  cover.Close();
  return Outcome::kCovered;
}

}  // namespace varnolt
