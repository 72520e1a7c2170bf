#include "engine/ShreddingManager.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <span>
#include <string>
#include <type_traits>

#include "engine/IndexSlack.h"
#include "engine/ItemNames.h"

namespace varnolt {
namespace {

// The lists grow by moving their shredders; a copy at each growth would hold every path twice.
static_assert(std::is_nothrow_move_constructible_v<FileShredder>);
static_assert(std::is_nothrow_move_constructible_v<DirectoryShredder>);
static_assert(std::is_nothrow_move_constructible_v<FreeSpaceShredder>);

bool EndsWithBackslash(const char* path) {
  const std::size_t length = std::strlen(path);
  return length > 0 && path[length - 1] == '\\';
}

}  // namespace

ShreddingManager::ShreddingManager(Platform& platform) : platform(&platform) {}

void ShreddingManager::AddItem(const char* name, bool maybeDrive) {
  if (name == nullptr) return;
  char root[4];
  // A chosen drive, by its letter or its root in any spelling, means its free space; never a
  // directory to empty. At top level, a one-character name is never looked up as a file or
  // directory name. A volume's root by another name is not taken at all.
  const ChosenRoot chosenRoot = maybeDrive ? ChosenRootOf(*platform, name, root) : ChosenRoot::kNone;
  if (chosenRoot == ChosenRoot::kRefused) return Drop(name, LeftBecause::kDriveNotSupported);
  if (chosenRoot == ChosenRoot::kDrive) {
    if (IsLocalDrive(*platform, root)) {
      AddDrive(root);
    } else {
      Drop(root, LeftBecause::kDriveNotSupported);
    }
    return;
  }

  std::string fullPath;
  // An empty name, or one that cannot be resolved (bytes that are no UTF-8), is skipped.
  if (!platform->ResolveFullPath(name, fullPath) || fullPath.empty()) return Drop(name, LeftBecause::kNameNotSupported);
  // A chosen name that the path functions read as another one ("Rapport " as "Rapport") would
  // erase that other item: it is not taken. Entries met in a directory are checked as they
  // are listed (AddContents).
  if (maybeDrive && !KeepsItsName(*platform, name)) {
    refusedNames.emplace_back(name);
    return Drop(name, LeftBecause::kNameNotSupported);
  }
  const std::uint32_t attributes = platform->AttributesOf(fullPath.c_str());
  if (attributes == kInvalidAttributes) {
    return Drop(fullPath.c_str(), LeftFor(platform->LastFailure(), LeftBecause::kGone));
  }
  const std::uint32_t reparseTag = (attributes & kAttrReparsePoint) ? platform->ReparseTagOf(fullPath.c_str()) : 0;
  AddFound(fullPath, attributes, reparseTag, nullptr, maybeDrive);
}

void ShreddingManager::AddFound(std::string& fullPath, std::uint32_t attributes, std::uint32_t reparseTag,
                                const std::uint64_t* size, bool maybeDrive) {
  const VolumeFacts* facts = NoteLimits(fullPath, attributes, reparseTag);
  if (!(attributes & kAttrDirectory)) {
    if (maybeDrive && MayMakeFilesIn(fullPath)) {
      chosen.push_back(fullPath);
      chosenShredders.push_back(static_cast<std::int64_t>(files.size()));
    }
    AddFile(fullPath.c_str(), size);  // a file symbolic link too: its shredder removes only the link
    files.back().SetTrimAfterSweeps(facts != nullptr && facts->Flash());
    return;
  }

  // "D:\dir\" names the same directory as "D:\dir"; without the backslash its random name
  // lands beside it instead of inside it. A drive root keeps its backslash.
  if (fullPath.size() > 3 && fullPath.back() == '\\') fullPath.pop_back();
  const bool isChosen = maybeDrive && fullPath.size() > 3 && MayMakeFilesIn(fullPath);
  if (isChosen) chosen.push_back(fullPath);
  // A directory link or junction, chosen or met below a chosen directory, is not entered:
  // its target lies outside the selection. Only the link is collected and later removed.
  // A directory that is a reparse point keeping its own entries (a cloud folder) is entered;
  // one of a kind not known is not, and its shredder leaves it alone.
  const ReparseKind reparse = platform->ReparseKindOf(fullPath.c_str());
  std::uint64_t heldEntryBytes = 0;
  if (reparse == ReparseKind::kNone || reparse == ReparseKind::kKeepsData) heldEntryBytes = AddContents(fullPath.c_str());
  AddDirectory(fullPath.c_str());
  if (isChosen) chosenShredders.push_back(~static_cast<std::int64_t>(directories.size() - 1));
  if (MayMakeFilesIn(fullPath)) directories.back().SetHeldEntryBytes(heldEntryBytes);
}

namespace {

// The drive letter's place (0 for A) of a full path "X:\..." (or "\\?\X:\..." with
// `devicePrefix`); -1 for any other path, a share's among them.
int DriveSlotOf(const std::string& fullPath, bool devicePrefix) {
  const std::size_t at = devicePrefix && fullPath.rfind("\\\\?\\", 0) == 0 ? 4 : 0;
  if (fullPath.size() < at + 3 || fullPath[at + 1] != ':' || fullPath[at + 2] != '\\') return -1;
  const int letter = std::toupper(static_cast<unsigned char>(fullPath[at]));
  return letter >= 'A' && letter <= 'Z' ? letter - 'A' : -1;
}

}  // namespace

bool ShreddingManager::MayMakeFilesIn(const std::string& fullPath) {
  // "X:\..." only: over the network the server keeps its own names.
  const int slot = DriveSlotOf(fullPath, false);
  if (slot < 0) return false;
  std::int8_t& known = volumeFacts[slot].local;
  if (known < 0) {
    const char root[4] = {static_cast<char>('A' + slot), ':', '\\', '\0'};
    known = IsLocalDrive(*platform, root) ? 1 : 0;
  }
  return known == 1;
}

const ShreddingManager::VolumeFacts* ShreddingManager::FactsOf(const std::string& fullPath) {
  const int slot = DriveSlotOf(fullPath, true);
  if (slot < 0) return nullptr;
  VolumeFacts& facts = volumeFacts[slot];
  if (facts.asked) return &facts;
  facts.asked = true;
  const char root[4] = {static_cast<char>('A' + slot), ':', '\\', '\0'};
  facts.storage = platform->StorageKindOf(root);
  std::string fileSystem;
  const bool named = platform->VolumeFileSystem(root, fileSystem);
  facts.refs = named && fileSystem == "ReFS";
  // Shadow copies are taken of local NTFS and ReFS volumes only.
  if (named && (fileSystem == "NTFS" || facts.refs) && platform->DriveTypeOf(root) == kDriveFixed) {
    if (!shadowCopiesAsked) {
      shadowCopiesAsked = true;
      shadowCopies = platform->ShadowCopiesExist();
    }
    facts.shadowed = shadowCopies == Answer::kYes;
  }
  return &facts;
}

const ShreddingManager::VolumeFacts* ShreddingManager::NoteLimits(const std::string& fullPath, std::uint32_t attributes,
                                                                  std::uint32_t reparseTag) {
  const VolumeFacts* facts = FactsOf(fullPath);
  if (facts != nullptr) {
    limits.itemsOnFlash |= facts->Flash();
    limits.itemsUnderShadowCopies |= facts->shadowed;
  }
  if ((attributes & kAttrKeptOnline) || IsCloudTag(reparseTag)) limits.keptOnline = true;
  if (attributes & kAttrDirectory) return facts;
  if (attributes & kAttrDataNotHere) limits.dataNotHere = true;
  if ((attributes & (kAttrCompressed | kAttrEncrypted)) || KeepsDataAside(reparseTag) || (facts != nullptr && facts->refs)) {
    limits.storedAside = true;
  }
  return facts;
}

std::uint64_t ShreddingManager::AddContents(const char* fullPath) {
  // Listing by full path leaves the working directory alone, and a directory that cannot be
  // listed contributes no entries, never those of another directory.
  std::string directory = fullPath;
  if (!EndsWithBackslash(fullPath)) directory += '\\';
  const std::string pattern = directory + '*';

  FindData entry;
  const FindHandle find = platform->FindFirst(pattern.c_str(), &entry);
  if (find == kInvalidFind) return 0;
  std::uint64_t entryBytes = 0;
  // One buffer each for the child and its resolved form, reused for every entry.
  std::string child;
  std::string resolved;
  // What each item will have listed before it when it is erased, read from this listing: the
  // files go first, in this order, so a file has before it the last entry that is no file of
  // the run (a folder, which goes later, or what stays); a folder, the last entry that stays.
  static const std::string kFirstOfAll;
  const std::string* beforeFiles = &kFirstOfAll;
  const std::string* beforeFolders = &kFirstOfAll;
  do {
    if (entry.name == "." || entry.name == "..") continue;
    entryBytes += IndexEntryBytes(entry.name);
    child.assign(directory).append(entry.name);
    const std::size_t filesBefore = files.size();
    const std::size_t foldersBefore = directories.size();
    // An entry is collected only when its path reads back as itself. A listed name that the
    // path functions read otherwise leads elsewhere: "..\x" or "a\b", which a listing that
    // replaced characters (fullwidth dots and backslash) would give, would step out of the
    // chosen directory; "..." or "x. " (trailing dots and spaces are dropped) would
    // name the directory itself again, without end, or a sibling. Such an entry stays.
    if (!platform->ResolveFullPath(child.c_str(), resolved) || resolved != child) {
      Drop(child.c_str(), LeftBecause::kNameNotSupported);
      beforeFiles = beforeFolders = KeepNameBefore(entry.name);
      continue;
    }
    // What the listing says of the entry stands for a look of its own: one lookup less a file.
    AddFound(child, entry.attributes, entry.reparseTag, &entry.size, false);
    if (files.size() == filesBefore + 1 && directories.size() == foldersBefore && child == files.back().Path()) {
      files.back().SetNameBefore(beforeFiles);
    } else if (directories.size() > foldersBefore && child == directories.back().Path()) {
      directories.back().SetNameBefore(beforeFolders);
      beforeFiles = KeepNameBefore(entry.name);
    } else {
      beforeFiles = beforeFolders = KeepNameBefore(entry.name);
    }
  } while (platform->FindNext(find, &entry));
  platform->FindEnd(find);
  return entryBytes;
}

const std::string* ShreddingManager::KeepNameBefore(const std::string& name) {
  namesBefore.push_back(name);
  return &namesBefore.back();
}

// What the item at `fullPath` is now: the erase later takes only that item.
ItemIdentity ShreddingManager::IdentityAt(const char* fullPath) {
  ItemIdentity identity;
  if (!platform->IdentityOf(fullPath, &identity)) identity = ItemIdentity{};
  return identity;
}

void ShreddingManager::AddFile(const char* fullPath, const std::uint64_t* size) {
  files.push_back(FileShredder(*platform, fullPath));
  files.back().SetIdentity(IdentityAt(fullPath));
  files.back().SetCountedSize(size != nullptr ? *size : files.back().GetSize());
  totalBytes += files.back().CountedSize();
  files.back().SetManager(this);
}

void ShreddingManager::AddDirectory(const char* fullPath) {
  directories.push_back(DirectoryShredder(*platform, fullPath));
  directories.back().SetIdentity(IdentityAt(fullPath));
}

void ShreddingManager::AddDrive(const char* root) {
  drives.push_back(FreeSpaceShredder(*platform, root));
  if (const VolumeFacts* facts = FactsOf(root)) {
    drives.back().SetStorage(facts->storage);
    limits.freeSpaceOnFlash |= facts->Flash();
    limits.freeSpaceUnderShadowCopies |= facts->shadowed;
  }
  totalBytes += drives.back().GetFreeSpace();
  drives.back().SetManager(this);
}

void ShreddingManager::Run() {
  proceed = 1;
  reportedInRun = false;
  lastReportTick = platform->TickCount();
  doneBytes = 0;
  itemsDone = 0;
  filesRun = directoriesRun = drivesRun = 0;
  // Where the chosen items stand, read while they still do: one listing of each of their
  // directories, which tells each item the name before it too.
  const std::vector<SlackPlace> places = SlackPlacesOf(*platform, chosen);
  for (const SlackPlace& place : places) {
    for (const std::size_t item : place.items) {
      const std::int64_t shredder = chosenShredders[item];
      if (shredder >= 0) {
        files[static_cast<std::size_t>(shredder)].SetNameBefore(&place.before);
      } else {
        directories[static_cast<std::size_t>(~shredder)].SetNameBefore(&place.before);
      }
    }
  }
  for (FileShredder& file : files) {
    if (!proceed) break;
    const std::uint64_t size = file.CountedSize();  // what the total counted
    ++filesRun;
    file.Shred();
    doneBytes += size;
    ++itemsDone;
  }
  for (DirectoryShredder& directory : directories) {
    if (!proceed || !GoOn()) break;
    ++directoriesRun;
    directory.Shred();
  }
  // Also after a stop: the items erased until then left their names in the slack too. One
  // step for each directory, its places together.
  std::string fileSystem;
  for (std::size_t first = 0; first < places.size();) {
    std::size_t end = first + 1;
    while (end < places.size() && places[end].directory == places[first].directory) ++end;
    const std::string root = places[first].directory.substr(0, 3);
    const bool fatSlots = platform->VolumeFileSystem(root.c_str(), fileSystem) && fileSystem.find("FAT") != std::string::npos;
    CoverSlack(*platform, std::span<const SlackPlace>(places.data() + first, end - first), chosen, fatSlots);
    if (proceed) GoOn();
    first = end;
  }
  for (FreeSpaceShredder& drive : drives) {
    if (!proceed) break;
    const std::uint64_t freeBytes = drive.GetFreeSpace();
    ++drivesRun;
    drive.Shred();
    doneBytes += freeBytes;
    ++itemsDone;
  }
}

bool ShreddingManager::ReportDue(std::uint32_t now, std::uint32_t interval, bool atOnce) {
  // Unsigned 32-bit difference: still the elapsed time when the tick counter wraps.
  if (reportedInRun && !atOnce && static_cast<std::uint32_t>(now - lastReportTick) < interval) return false;
  reportedInRun = true;
  lastReportTick = now;
  return true;
}

bool ShreddingManager::GoOn() {
  // Only once the interval has passed since the last report (or the run's start): the report
  // is there for the answer. Between items the last one is done (its bytes are in doneBytes).
  const std::uint32_t now = platform->TickCount();
  if (static_cast<std::uint32_t>(now - lastReportTick) < kReportInterval) return proceed != 0;
  reportedInRun = true;
  lastReportTick = now;
  RelayProgress(itemsDone > 0 ? 1.0f : 0.0f, 0);
  return proceed != 0;
}

std::vector<ItemOutcome> ShreddingManager::Outcomes() const {
  return CollectOutcomes(*this, [](const GenericShredder& item) { return std::string(item.Path()); });
}

std::vector<ItemOutcome> ShreddingManager::TakeOutcomes() {
  return CollectOutcomes(*this, [](GenericShredder& item) { return item.TakePath(); });
}

template <typename Manager, typename PathOf>
std::vector<ItemOutcome> ShreddingManager::CollectOutcomes(Manager& manager, PathOf pathOf) {
  auto& files = manager.files;
  auto& directories = manager.directories;
  auto& drives = manager.drives;
  std::vector<ItemOutcome> outcomes;
  outcomes.reserve(manager.dropped.size() + files.size() + directories.size() + drives.size());
  outcomes.assign(manager.dropped.begin(), manager.dropped.end());
  const std::size_t filesRun = manager.filesRun, directoriesRun = manager.directoriesRun, drivesRun = manager.drivesRun;
  auto add = [&outcomes, &pathOf](auto& item, bool reached) {
    outcomes.push_back(ItemOutcome{pathOf(item), reached ? item.Left() : LeftBecause::kNotReached});
  };
  for (std::size_t index = 0; index < files.size(); ++index) add(files[index], index < filesRun);
  for (std::size_t index = 0; index < directories.size(); ++index) add(directories[index], index < directoriesRun);
  for (std::size_t index = 0; index < drives.size(); ++index) {
    add(drives[index], index < drivesRun);
    outcomes.back().coveredBytes = drives[index].CoveredBytes();
    outcomes.back().measuredBytes = drives[index].MeasuredBytes();
    if (drives[index].OwnFoldersNotCovered() != 0) {
      ItemOutcome names{std::string(outcomes.back().path), LeftBecause::kNamesInFolders};
      names.folders = drives[index].OwnFoldersNotCovered();
      outcomes.push_back(names);
    }
    for (const Leftover& leftover : drives[index].Leftovers()) {
      outcomes.push_back(ItemOutcome{leftover.path, LeftBecause::kNotOurs, 0, leftover.bytes});
    }
  }
  return outcomes;
}

std::uint8_t ShreddingManager::RelayProgress(float itemFraction, std::uint64_t itemBytes) {
  const std::int32_t itemCount = FileCount() + DriveCount();
  float overallFraction;
  if (totalBytes != 0) {
    overallFraction = static_cast<float>(static_cast<double>(doneBytes + itemBytes) /
                                         static_cast<double>(totalBytes));
  } else {
    // Every item was empty when counted (one grew since): there are no bytes to divide by, so
    // the share of items done stands in for the share of bytes.
    overallFraction = itemCount == 0 ? 1.0f : std::min(1.0f, (static_cast<float>(itemsDone) + itemFraction) / itemCount);
  }
  proceed = callback ? callback(itemFraction, itemsDone, itemCount, overallFraction) : 1;
  return proceed;
}

}  // namespace varnolt
