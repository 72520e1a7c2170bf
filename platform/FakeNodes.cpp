#include "platform/FakePlatform.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "platform/FakePaths.h"

namespace varnolt {

using fake::HasDrive;
using fake::IsSeparator;
using fake::Upper;

// --- Building the world ----------------------------------------------------------------------

void FakePlatform::AddVolume(char letter, std::uint32_t driveType, std::uint64_t capacity) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  Volume& volume = volumes[letter];
  volume.driveType = driveType;
  volume.capacity = capacity;
  const std::string root = std::string(1, letter) + ":\\";
  if (!Find(root)) {
    Node node;
    node.name = root;
    node.id = 5;  // NTFS numbers its root 5
    node.directory = true;
    node.attributes = kAttrDirectory;
    nodes[root] = node;
  }
}

void FakePlatform::SetDriveType(char letter, std::uint32_t driveType) {
  volumes.at(static_cast<char>(std::toupper(letter))).driveType = driveType;
}

void FakePlatform::SetCapacity(char letter, std::uint64_t capacity) {
  volumes.at(static_cast<char>(std::toupper(letter))).capacity = capacity;
}

void FakePlatform::SetFileSizeCap(char letter, std::uint64_t cap) {
  volumes.at(static_cast<char>(std::toupper(letter))).fileSizeCap = cap;
}

void FakePlatform::FailFreeSpaceQuery(char letter) {
  volumes.at(static_cast<char>(std::toupper(letter))).freeSpaceQueryFails = true;
}

void FakePlatform::SetStorageKind(char letter, StorageKind kind) {
  volumes.at(static_cast<char>(std::toupper(letter))).storage = kind;
}

void FakePlatform::RefuseTrim(char letter) { volumes.at(static_cast<char>(std::toupper(letter))).trimRefused = true; }

void FakePlatform::SetFreeBytesUnit(char letter, std::uint32_t bytes) {
  volumes.at(static_cast<char>(std::toupper(letter))).freeBytesUnit = bytes;
}

void FakePlatform::SetFileSystem(char letter, const std::string& name) {
  volumes.at(static_cast<char>(std::toupper(letter))).fileSystem = name;
}

void FakePlatform::SetFileRecords(char letter, std::uint32_t freeRecords, const std::vector<std::uint8_t>& stale,
                                  std::uint32_t residentBytes, std::uint32_t growthRecords) {
  Volume& volume = volumes.at(static_cast<char>(std::toupper(letter)));
  volume.hasRecords = true;
  volume.residentBytes = residentBytes;
  volume.growthRecords = growthRecords;
  for (std::uint32_t i = 0; i < freeRecords; ++i) volume.records.push_back(Record{false, stale});
}

void FakePlatform::SetFolderEntryLimit(char letter, std::uint32_t entries) {
  volumes.at(static_cast<char>(std::toupper(letter))).folderEntryLimit = entries;
}

std::uint64_t FakePlatform::RoomOf(const Volume& volume, const Node& node, std::uint64_t size) {
  return node.record >= 0 && !node.directory && size <= volume.residentBytes ? 0 : size;
}

bool FakePlatform::FolderIsFull(const std::string& key) {
  const Volume& volume = *VolumeOf(key);
  const Node* parent = Find(ParentKey(key));
  return parent && volume.folderEntryLimit != 0 && parent->children.size() >= volume.folderEntryLimit;
}

FailureKind FakePlatform::CheckNewItem(const std::string& key) {
  Volume& volume = *VolumeOf(key);
  if (FolderIsFull(key)) return FailureKind::kDiskFull;
  // Without a file table, the folder's entries past its first block take room by whole blocks,
  // taken as it grows (and given back as it shrinks): on a full volume a folder takes new
  // entries only where its blocks have some free.
  Node* parent = volume.hasRecords ? nullptr : Find(ParentKey(key));
  if (parent != nullptr) {
    const std::uint64_t blocks = parent->children.size() / kEntriesPerBlock;
    if (blocks > parent->entryBlocks) {
      const std::uint64_t bytes = (blocks - parent->entryBlocks) * kIndexBlockBytes;
      if (bytes > RoomOf(volume)) return FailureKind::kDiskFull;
      volume.used += bytes;
      parent->entryBlocks = blocks;
    }
  }
  if (Consume(creationRoomCountdown)) {
    const std::uint64_t room = volume.capacity > volume.used ? volume.capacity - volume.used : 0;
    volume.used += std::min(room, creationRoomBytes);
  }
  if (!volume.hasRecords) return FailureKind::kNone;
  for (const Record& record : volume.records) {
    if (!record.inUse) return FailureKind::kNone;
  }
  const std::uint64_t growth = static_cast<std::uint64_t>(volume.growthRecords) * kRecordBytes;
  const std::uint64_t room = volume.capacity > volume.used ? volume.capacity - volume.used : 0;
  if (volume.growthRecords == 0 || growth > room) return FailureKind::kDiskFull;
  volume.used += growth;
  volume.records.resize(volume.records.size() + volume.growthRecords);
  return FailureKind::kNone;
}

void FakePlatform::TakeRecord(const std::string& key, Node& node) {
  Volume& volume = *VolumeOf(key);
  if (!volume.hasRecords) return;
  for (std::size_t index = 0; index < volume.records.size(); ++index) {
    if (volume.records[index].inUse) continue;
    volume.records[index].inUse = true;
    node.record = static_cast<std::int64_t>(index);
    return;
  }
}

std::vector<std::vector<std::uint8_t>> FakePlatform::RecordContents(char letter) const {
  std::vector<std::vector<std::uint8_t>> contents;
  for (const Record& record : volumes.at(static_cast<char>(std::toupper(letter))).records) contents.push_back(record.bytes);
  return contents;
}

std::uint32_t FakePlatform::FreeRecordCount(char letter) const {
  std::uint32_t count = 0;
  for (const Record& record : volumes.at(static_cast<char>(std::toupper(letter))).records) count += record.inUse ? 0 : 1;
  return count;
}

void FakePlatform::MakeDirectory(const std::string& path, std::uint32_t attributes) {
  TakeRecord(Key(path), AddNode(path, true, attributes | kAttrDirectory));
}

void FakePlatform::MakeFile(const std::string& path, std::uint64_t size, std::uint8_t fill,
                            std::uint32_t attributes) {
  Node& node = AddNode(path, false, attributes);
  const std::string key = Key(path);
  TakeRecord(key, node);
  node.contentStored = size <= storedContentLimit;
  if (node.contentStored) node.content.assign(size, fill);
  node.size = size;
  VolumeOf(key)->used += RoomOf(*VolumeOf(key), node, size);
}

void FakePlatform::ListUnder(const std::string& path, const std::string& shownName) {
  Node* node = Find(Key(path));
  if (node) node->listedName = shownName;
}

void FakePlatform::MakeFileLink(const std::string& path, const std::string& target) {
  MakeLink(path, target, false);
}

void FakePlatform::MakeDirectoryLink(const std::string& path, const std::string& target) {
  MakeLink(path, target, true);
}

void FakePlatform::MakeLink(const std::string& path, const std::string& target, bool directory) {
  std::string targetKey = Upper(FullPath(target));
  if (targetKey.size() > 3 && targetKey.back() == '\\') targetKey.pop_back();
  Node& node = AddNode(path, directory,
                       (directory ? kAttrDirectory : kAttrArchive) | kAttrReparsePoint);
  node.linkTarget = targetKey;
}

void FakePlatform::SetReparseTag(const std::string& path, std::uint32_t tag) {
  Node& node = *Find(Key(path));
  node.attributes |= kAttrReparsePoint;
  node.reparseTag = tag;
}

void FakePlatform::SetNameCount(const std::string& path, std::uint32_t count) {
  Find(Key(path))->nameCount = count;
}

void FakePlatform::GainNameWhenOpened(const std::string& path) {
  Find(Key(path))->gainsNameWhenOpened = true;
}

void FakePlatform::MakeFileWithContent(const std::string& path,
                                       const std::vector<std::uint8_t>& content,
                                       std::uint32_t attributes) {
  MakeFile(path, 0, 0, attributes);
  Node& node = *Find(Key(path));
  node.content = content;
  node.size = content.size();
  Volume& volume = *VolumeOf(Key(path));
  volume.used += RoomOf(volume, node, content.size());
  if (RoomOf(volume, node, content.size()) == 0 && node.record >= 0) volume.records[node.record].bytes = content;
}

FakePlatform::Node& FakePlatform::AddNode(const std::string& path, bool directory,
                                          std::uint32_t attributes) {
  const std::string full = FullPath(path);
  const std::string key = Key(path);
  if (Find(key)) throw std::logic_error("fake: already exists: " + full);
  Node* parent = Find(ParentKey(key));
  if (!parent || !parent->directory) throw std::logic_error("fake: no parent directory: " + full);
  Node node;
  node.name = full.substr(full.find_last_of('\\', full.size() - 2) + 1);
  if (!node.name.empty() && node.name.back() == '\\') node.name.pop_back();
  node.directory = directory;
  node.attributes = attributes;
  node.id = nextNodeId++;
  node.times.created = node.times.accessed = node.times.written = ++timeCounter;
  parent->children.push_back(key);
  Touch(*parent);
  return nodes[key] = node;
}

void FakePlatform::RemoveNode(const std::string& key) {
  Node* node = Find(key);
  if (!node) return;
  Volume& volume = *VolumeOf(key);
  if (!node->directory) volume.used -= RoomOf(volume, *node, node->size), RemoveStreamsOf(key);
  if (node->record >= 0) volume.records[node->record].inUse = false;
  if (Node* parent = Find(ParentKey(key))) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), key), siblings.end());
    Touch(*parent);
    const std::uint64_t blocks = siblings.size() / kEntriesPerBlock;
    if (blocks < parent->entryBlocks) {
      volume.used -= (parent->entryBlocks - blocks) * kIndexBlockBytes;
      parent->entryBlocks = blocks;
    }
  }
  nodes.erase(key);
}

void FakePlatform::Resize(const std::string& key, Node& node, std::uint64_t size) {
  Volume* volume = VolumeOf(key);
  volume->used = volume->used - RoomOf(*volume, node, node.size) + RoomOf(*volume, node, size);
  node.size = size;
  if (node.contentStored && size > storedContentLimit) {
    node.contentStored = false;
    node.content.clear();
    node.content.shrink_to_fit();
  }
  if (node.contentStored) node.content.resize(size);
}

// --- Looking at the world --------------------------------------------------------------------

bool FakePlatform::Exists(const std::string& path) const { return Find(Key(path)) != nullptr; }

bool FakePlatform::IsDirectory(const std::string& path) const {
  const Node* node = Find(Key(path));
  return node && node->directory;
}

std::uint64_t FakePlatform::SizeOf(const std::string& path) const {
  const Node* node = Find(Key(path));
  return node ? node->size : 0;
}

std::vector<std::uint8_t> FakePlatform::Content(const std::string& path) const {
  const Node* node = Find(Key(path));
  return node && node->contentStored ? node->content : std::vector<std::uint8_t>{};
}

std::vector<std::string> FakePlatform::List(const std::string& directory) const {
  std::vector<std::string> names;
  if (const Node* node = Find(Key(directory))) {
    for (const std::string& child : node->children) names.push_back(nodes.at(child).name);
  }
  return names;
}

std::uint64_t FakePlatform::UsedBytes(char letter) const {
  return volumes.at(static_cast<char>(std::toupper(letter))).used;
}

FakePlatform::Node* FakePlatform::Find(const std::string& key) {
  auto it = nodes.find(key);
  return it == nodes.end() ? nullptr : &it->second;
}

const FakePlatform::Node* FakePlatform::Find(const std::string& key) const {
  auto it = nodes.find(key);
  return it == nodes.end() ? nullptr : &it->second;
}

FakePlatform::Volume* FakePlatform::VolumeOf(const std::string& key) {
  auto it = volumes.find(key[0]);
  return it == volumes.end() ? nullptr : &it->second;
}

// --- Volumes ---------------------------------------------------------------------------------

std::uint32_t FakePlatform::DriveTypeOf(const char* root) {
  const std::string text = root ? root : "";
  if (!HasDrive(text) || text.size() > 3 || (text.size() == 3 && !IsSeparator(text[2]))) {
    return kDriveNoRootDir;
  }
  auto it = volumes.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))));
  return it == volumes.end() ? kDriveNoRootDir : it->second.driveType;
}

bool FakePlatform::VolumeFreeBytes(const char* root, std::uint64_t* freeBytes) {
  const std::string text = root ? root : "";
  if (!HasDrive(text)) return false;
  auto it = volumes.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))));
  if (it == volumes.end() || it->second.freeSpaceQueryFails) return false;
  const Volume& volume = it->second;
  *freeBytes = volume.capacity > volume.used ? volume.capacity - volume.used : 0;
  if (volume.freeBytesUnit != 0) *freeBytes -= *freeBytes % volume.freeBytesUnit;
  return true;
}

// A volume's cluster: 4096 bytes unless a test sets another.
void FakePlatform::SetClusterSize(char letter, std::uint32_t bytes) {
  clusterSizes[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = bytes;
}

std::uint32_t FakePlatform::ClusterSizeOf(const char* root) {
  const std::string text = root ? root : "";
  if (!HasDrive(text)) return 0;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  if (!volumes.count(letter)) return 0;
  auto it = clusterSizes.find(letter);
  return it == clusterSizes.end() ? 4096 : it->second;
}

}  // namespace varnolt
