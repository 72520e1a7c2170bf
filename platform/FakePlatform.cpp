#include "platform/FakePlatform.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/FakePaths.h"

namespace varnolt {

using fake::HasDrive;

FakePlatform::FakePlatform() { AddVolume('C', kDriveFixed, 1ull << 30); }

FakePlatform::~FakePlatform() {
  for (void* buffer : buffers) ::operator delete(buffer);
}

// --- Calls made ------------------------------------------------------------------------------

std::vector<FakePlatform::Call> FakePlatform::CallsOf(CallKind kind) const {
  std::vector<Call> matching;
  for (const Call& call : calls) {
    if (call.kind == kind) matching.push_back(call);
  }
  return matching;
}

std::vector<std::uint64_t> FakePlatform::WriteSizes() const {
  std::vector<std::uint64_t> sizes;
  for (const Call& call : calls) {
    if (call.kind == CallKind::kWrite) sizes.push_back(call.size);
  }
  return sizes;
}

void FakePlatform::Log(CallKind kind, const std::string& path, std::uint64_t offset,
                       std::uint64_t size, const std::string& target) {
  if (recordCalls) calls.push_back(Call{kind, path, offset, size, target});
}

// --- Open files ------------------------------------------------------------------------------

FileHandle FakePlatform::OpenExistingForWriting(const char* path) {
  const std::string key = Key(path, true);
  Log(CallKind::kOpen, path);
  Node* node = Find(key);
  if (!node) return FailOpen(FailureKind::kGone);
  if (node->openCount > 0) return FailOpen(FailureKind::kInUse);
  if (refusedOpens.count(key)) return FailOpen(openRefusalKinds[key]);
  if (node->directory || (node->attributes & kAttrReadOnly)) return FailOpen(FailureKind::kAccessDenied);
  node->openCount++;
  if (node->gainsNameWhenOpened) node->nameCount++, node->gainsNameWhenOpened = false;
  const FileHandle handle = nextHandle += 4;
  handles[handle] = OpenFile{key, 0, false};
  return handle;
}

FileHandle FakePlatform::OpenFileForErasure(const char* path) {
  if (!swapAfterTheOpen && Consume(swapCountdown)) SwapFolderForLink();
  const FileHandle handle = OpenExistingForWriting(path);
  if (handle != kInvalidFile) handles[handle].path = path;
  if (swapAfterTheOpen && Consume(swapCountdown)) SwapFolderForLink();
  return handle;
}

FileHandle FakePlatform::OpenFolderForRemoval(const char* path) {
  if (!swapAfterTheOpen && Consume(swapCountdown)) SwapFolderForLink();
  // The item itself, a link at its end not followed.
  const std::string key = Key(path);
  const Node* node = Find(key);
  FileHandle handle = kInvalidFile;
  if (!node) {
    lastFailure = FailureKind::kGone;
  } else if (!node->directory) {
    lastFailure = FailureKind::kNameNotSupported;  // ERROR_DIRECTORY
  } else {
    handle = nextHandle += 4;
    handles[handle] = OpenFile{key, 0, false, true, path};
  }
  if (swapAfterTheOpen && Consume(swapCountdown)) SwapFolderForLink();
  return handle;
}

FileHandle FakePlatform::OpenFolderForTimes(const char* path) {
  const std::string key = Key(path);  // a link at the end is opened itself
  const Node* node = Find(key);
  if (!node) return FailOpen(FailureKind::kGone);
  if (!node->directory) return FailOpen(FailureKind::kNameNotSupported);  // ERROR_DIRECTORY
  if (refusedOpens.count(key)) return FailOpen(openRefusalKinds[key]);
  const FileHandle handle = nextHandle += 4;
  handles[handle] = OpenFile{key, 0, false, true, path};
  return handle;
}

bool FakePlatform::OpenTimes(FileHandle item, ItemTimes* times, std::uint32_t* attributes) {
  auto it = handles.find(item);
  if (it != handles.end()) it->second.used = true;
  const Node* node = it == handles.end() ? nullptr : Find(it->second.key);
  if (!node) return Fail(FailureKind::kOther);
  *times = node->times;
  *attributes = node->attributes;
  return true;
}

bool FakePlatform::SetOpenTimes(FileHandle item, const ItemTimes& times) {
  auto it = handles.find(item);
  if (it != handles.end()) it->second.used = true;
  Node* node = it == handles.end() ? nullptr : Find(it->second.key);
  if (!node) return Fail(FailureKind::kOther);
  node->times = times;
  return true;
}

Answer FakePlatform::OpenOwnedByUser(FileHandle item) {
  auto it = handles.find(item);
  if (it != handles.end()) it->second.used = true;
  const Node* node = it == handles.end() ? nullptr : Find(it->second.key);
  if (!node) return Answer::kUnknown;
  return node->ownedByOthers ? Answer::kNo : Answer::kYes;
}

void FakePlatform::SetOwnedByOthers(const std::string& path) {
  if (Node* node = Find(Key(path))) node->ownedByOthers = true;
}

ItemTimes FakePlatform::TimesOf(const std::string& path) const {
  const Node* node = Find(Key(path));
  return node ? node->times : ItemTimes{};
}

ItemIdentity FakePlatform::IdentityOfNode(const std::string& key, const Node& node) {
  return ItemIdentity{0x5EED0000u + static_cast<unsigned char>(key[0]), node.id, 0};
}

bool FakePlatform::OpenIdentity(FileHandle item, ItemIdentity* identity) {
  auto it = handles.find(item);
  if (it != handles.end()) it->second.used = true;
  const Node* node = it == handles.end() ? nullptr : Find(it->second.key);
  if (!node) return Fail(FailureKind::kOther);
  *identity = IdentityOfNode(it->second.key, *node);
  return true;
}

bool FakePlatform::IdentityOf(const char* path, ItemIdentity* identity) {
  const std::string key = Key(path);
  const Node* node = Find(key);
  if (!node) return Fail(FailureKind::kGone);
  *identity = IdentityOfNode(key, *node);
  return true;
}

bool FakePlatform::RenameOpen(FileHandle item, const char* newPath) {
  auto it = handles.find(item);
  if (it != handles.end()) it->second.used = true;
  if (it == handles.end()) return Fail(FailureKind::kOther);
  const std::string from = it->second.path;
  const bool moved = MoveItem(it->second.key, newPath, it->second.folder ? 0 : 1);
  Log(CallKind::kMove, from, 0, 0, newPath);
  if (moved) handles[item].path = newPath;
  return moved;
}

bool FakePlatform::DeleteOpen(FileHandle item) {
  auto it = handles.find(item);
  if (it != handles.end()) it->second.used = true;
  if (it == handles.end()) return Fail(FailureKind::kOther);
  OpenFile& open = it->second;
  Node* node = Find(open.key);
  Log(open.folder ? CallKind::kRemoveDirectory : CallKind::kDelete, open.path);
  if (!node) return Fail(FailureKind::kGone);
  if (open.folder) {
    if (Key(workingDirectory) == open.key) return Fail(FailureKind::kInUse);
    if (refusedRemovals.count(open.key)) return Fail(FailureKind::kAccessDenied);
    if (!node->children.empty() || open.key.size() <= 3) return Fail(FailureKind::kOther);  // ERROR_DIR_NOT_EMPTY
  } else if ((node->attributes & kAttrReadOnly) || refusedDeletes.count(open.key)) {
    return Fail(FailureKind::kAccessDenied);
  }
  open.deleteOnClose = true;
  return true;
}

void FakePlatform::SwapFolderForLink() {
  const bool record = recordCalls;
  recordCalls = false;  // another program's doing, not a call of the engine
  MoveItem(Key(swapFolder), (swapFolder + "~").c_str(), 0);
  MakeDirectoryLink(swapFolder, swapTarget);
  recordCalls = record;
}

FileHandle FakePlatform::CreateDeleteOnClose(const char* path) {
  const std::string key = Key(path, true);
  Log(CallKind::kCreateDeleteOnClose, path);
  if (refusedOpens.count(key)) return FailOpen(openRefusalKinds[key]);
  Node* node = Find(key);
  if (node) {
    if (node->openCount > 0) return FailOpen(FailureKind::kInUse);
    // CREATE_ALWAYS refuses a hidden or system file unless the caller asks for those
    // attributes, and the fill file asks for none.
    if (node->directory || (node->attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem))) {
      return FailOpen(FailureKind::kAccessDenied);
    }
    Resize(key, *node, 0);  // an existing file is truncated and taken over
  } else {
    Node* parent = Find(ParentKey(key));
    if (!parent || !parent->directory) return FailOpen(FailureKind::kGone);
    if (refusedNewFiles.count(ParentKey(key))) return FailOpen(FailureKind::kAccessDenied);
    const FailureKind refusal = CheckNewItem(key);
    if (refusal != FailureKind::kNone) return FailOpen(refusal);
    // Through a dangling link the target is created, as CreateFile does.
    node = &AddNode(key == Key(path) ? std::string(path) : key, false, kAttrArchive);
    TakeRecord(key, *node);
  }
  node->openCount++;
  if (node->gainsNameWhenOpened) node->nameCount++, node->gainsNameWhenOpened = false;
  const FileHandle handle = nextHandle += 4;
  handles[handle] = OpenFile{key, 0, true};
  return handle;
}

bool FakePlatform::OpenFileSize(FileHandle file, std::uint64_t* size) {
  auto it = handles.find(file);
  if (it != handles.end()) it->second.used = true;
  Log(CallKind::kOpenFileSize, it == handles.end() ? "" : it->second.key);
  if (it == handles.end()) return Fail(FailureKind::kOther);
  *size = Find(it->second.key)->size;
  return true;
}

bool FakePlatform::SeekToStart(FileHandle file) {
  auto it = handles.find(file);
  if (it != handles.end()) it->second.used = true;
  Log(CallKind::kSeek, it == handles.end() ? "" : it->second.key);
  if (it == handles.end()) return Fail(FailureKind::kOther);
  it->second.position = 0;
  return true;
}

bool FakePlatform::WriteBytes(FileHandle file, const void* data, std::uint32_t count,
                              std::uint32_t* written) {
  *written = 0;
  auto it = handles.find(file);
  if (it != handles.end()) it->second.used = true;
  if (it == handles.end()) {
    Log(CallKind::kWrite, "", 0, count);
    return Fail(FailureKind::kOther);
  }
  OpenFile& open = it->second;
  Log(CallKind::kWrite, open.key, open.position, count);
  Node& node = *Find(open.key);
  Volume& volume = *VolumeOf(open.key);

  // How much of the write fits: the injected fault, the per-file cap, the volume's room.
  std::uint64_t accepted = count;
  FailureKind shortBecause = FailureKind::kNone;
  const bool injected = Consume(writeFailCountdown);
  if (injected) accepted = std::min<std::uint64_t>(accepted, writeFailAccepted), shortBecause = FailureKind::kDiskError;
  const std::uint64_t end = open.position + accepted;
  if (end > volume.fileSizeCap) {
    accepted = open.position >= volume.fileSizeCap ? 0 : volume.fileSizeCap - open.position;
    shortBecause = FailureKind::kDiskError;  // what Wine reports at a file-size cap
  }
  const std::uint64_t newSize = std::max(node.size, open.position + accepted);
  const std::uint64_t growth = RoomOf(volume, node, newSize) - RoomOf(volume, node, node.size);
  const std::uint64_t room = volume.capacity > volume.used ? volume.capacity - volume.used : 0;
  if (growth > room) {
    // Data that leaves its record takes room all at once: none of it fits then.
    accepted = RoomOf(volume, node, node.size) == 0 && node.record >= 0 ? 0 : accepted - (growth - room);
    shortBecause = FailureKind::kDiskFull;
  }
  if (shortBecause == FailureKind::kDiskFull && WritesWholeOnly(open.key)) accepted = 0;

  if (open.position + accepted > node.size) Resize(open.key, node, open.position + accepted);
  if (node.contentStored && accepted > 0) {
    std::memcpy(node.content.data() + open.position, data, accepted);
  }
  if (node.record >= 0 && accepted > 0 && RoomOf(volume, node, node.size) == 0) {
    std::vector<std::uint8_t>& bytes = volume.records[node.record].bytes;
    if (bytes.size() < open.position + accepted) bytes.resize(open.position + accepted);
    std::memcpy(bytes.data() + open.position, data, accepted);
  }
  open.position += accepted;
  bytesWritten += accepted;
  furthestWriteEnd = std::max(furthestWriteEnd, open.position);
  *written = static_cast<std::uint32_t>(accepted);
  if (accepted == count || shortWritesSucceed) return true;
  return Fail(shortBecause);
}

bool FakePlatform::FlushToDisk(FileHandle file) {
  auto it = handles.find(file);
  if (it != handles.end()) it->second.used = true;
  Log(CallKind::kFlush, it == handles.end() ? "" : it->second.key);
  if (it == handles.end()) return Fail(FailureKind::kOther);
  return !Consume(flushFailCountdown) || Fail(FailureKind::kDiskError);
}

bool FakePlatform::TrimRange(FileHandle file, std::uint64_t offset, std::uint64_t length) {
  auto it = handles.find(file);
  Log(CallKind::kTrim, it == handles.end() ? "" : it->second.key, offset, length);
  if (it == handles.end() || it->second.folder) return Fail(FailureKind::kOther);
  const Node* node = Find(it->second.key);
  const Volume* volume = VolumeOf(it->second.key);
  if (node == nullptr || volume == nullptr) return Fail(FailureKind::kGone);
  if (volume->trimRefused || (node->attributes & (kAttrCompressed | kAttrEncrypted))) return Fail(FailureKind::kOther);
  return true;
}

void FakePlatform::CloseFile(FileHandle file) {
  auto it = handles.find(file);
  Log(CallKind::kClose, it == handles.end() ? "" : it->second.key);
  if (it == handles.end()) return;
  const OpenFile open = it->second;
  handles.erase(it);
  Node* node = Find(open.key);
  if (!node) return;
  if (open.folder) {
    if (open.deleteOnClose && node->children.empty()) RemoveNode(open.key);
    return;
  }
  node->openCount--;
  if (!open.deleteOnClose || node->openCount != 0) return;
  // The FUSE volume's passing name needs an entry, which a full folder gives only once the
  // volume has room for its index to grow again.
  if (deleteOnCloseNeedsAnEntry && open.used && FolderIsFull(open.key) && RoomOf(*VolumeOf(open.key)) < kIndexBlockBytes) return;
  RemoveNode(open.key);
}

// --- Names -----------------------------------------------------------------------------------

std::uint32_t FakePlatform::AttributesOf(const char* path) {
  const Node* node = Find(Key(path));
  if (!node) lastFailure = FailureKind::kGone;
  return node ? node->attributes : kInvalidAttributes;
}

ReparseKind FakePlatform::ReparseKindOf(const char* path) {
  const Node* node = Find(Key(path));
  if (node == nullptr || !(node->attributes & kAttrReparsePoint)) return ReparseKind::kNone;
  if (!node->linkTarget.empty()) return ReparseKind::kLink;
  return node->reparseTag == 0 ? ReparseKind::kKeepsData : KindOfReparseTag(node->reparseTag);
}

std::uint32_t FakePlatform::ReparseTagOf(const char* path) {
  const Node* node = Find(Key(path));
  return node == nullptr ? 0 : node->ListedTag();
}

std::uint32_t FakePlatform::NameCountOf(const char* path) {
  const Node* node = Find(Key(path));
  return node ? node->nameCount : 0;
}

std::uint32_t FakePlatform::OpenFileNameCount(FileHandle file) {
  auto it = handles.find(file);
  if (it != handles.end()) it->second.used = true;
  if (it == handles.end()) return 0;
  const Node* node = Find(it->second.key);
  return node ? node->nameCount : 0;
}

bool FakePlatform::SetAttributesOf(const char* path, std::uint32_t attributes) {
  Log(CallKind::kSetAttributes, path, 0, attributes);
  Node* node = Find(Key(path, true));
  if (!node) return Fail(FailureKind::kGone);
  if (node->directory) attributes = (attributes & ~kAttrNormal) | kAttrDirectory;
  node->attributes = attributes;
  return true;
}

bool FakePlatform::SizeFromAttributes(const char* path, std::uint64_t* size) {
  const Node* node = Find(Key(path));
  if (!node) return false;
  *size = node->directory ? 0 : node->size;
  return true;
}

bool FakePlatform::MovePath(const char* from, const char* to) {
  Log(CallKind::kMove, from, 0, 0, to);
  return MoveItem(Key(from), to, 0);
}

bool FakePlatform::MoveItem(const std::string fromKey, const char* to, int ownHandles) {
  const std::string toKey = Key(to);
  Node* node = Find(fromKey);
  Node* newParent = Find(ParentKey(toKey));
  if (!node || !newParent || !newParent->directory) return Fail(FailureKind::kGone);
  if (node->openCount > ownHandles) return Fail(FailureKind::kInUse);
  if (refusedMoves.count(fromKey)) return Fail(FailureKind::kAccessDenied);
  if (Find(toKey) || fromKey.size() <= 3) return Fail(FailureKind::kOther);
  // A directory that holds an open file, or the working directory, cannot move. Only what
  // has contents is searched for them: renaming each of a million files stays linear.
  const std::string prefix = fromKey + "\\";
  const bool withContents = node->directory && !node->children.empty();
  if (withContents) {
    for (const auto& [key, other] : nodes) {
      if (key.compare(0, prefix.size(), prefix) == 0 && other.openCount > 0) return Fail(FailureKind::kInUse);
    }
  }
  if (Key(workingDirectory) == fromKey || Key(workingDirectory).compare(0, prefix.size(), prefix) == 0) {
    return Fail(FailureKind::kInUse);
  }

  // Re-key the node and everything below it, keeping each directory's order.
  std::vector<std::pair<std::string, Node>> moved;
  if (!withContents) {
    for (const std::string& suffix : node->streamSuffixes) {
      auto stream = nodes.find(fromKey + suffix);
      if (stream == nodes.end()) continue;
      moved.emplace_back(toKey + suffix, std::move(stream->second));
      nodes.erase(stream);
    }
    moved.emplace_back(toKey, std::move(*node));
    nodes.erase(fromKey);
  }
  for (auto it = nodes.begin(); withContents && it != nodes.end();) {
    if (it->first == fromKey || it->first.compare(0, prefix.size(), prefix) == 0) {
      moved.emplace_back(toKey + it->first.substr(fromKey.size()), std::move(it->second));
      it = nodes.erase(it);
    } else {
      ++it;
    }
  }
  for (auto& [key, moving] : moved) {
    for (std::string& child : moving.children) child = toKey + child.substr(fromKey.size());
    if (key == toKey) {
      const std::string full = FullPath(to);
      moving.name = full.substr(full.find_last_of('\\', full.size() - 2) + 1);
      if (!moving.name.empty() && moving.name.back() == '\\') moving.name.pop_back();
    }
    nodes[key] = std::move(moving);
  }
  // Refusals belong to the item, not to its name: they follow it to the new one.
  for (auto* refused : {&refusedOpens, &refusedMoves, &refusedDeletes, &refusedRemovals}) {
    if (refused->erase(fromKey)) refused->insert(toKey);
  }
  for (auto& [handle, open] : handles) {
    if (open.key == fromKey || open.key.compare(0, prefix.size(), prefix) == 0 || IsStreamOf(open.key, fromKey)) {
      open.key = toKey + open.key.substr(fromKey.size());
    }
  }
  Node* oldParent = Find(ParentKey(fromKey));
  auto& siblings = oldParent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), fromKey), siblings.end());
  Find(ParentKey(toKey))->children.push_back(toKey);
  return true;
}

bool FakePlatform::DeleteFilePath(const char* path) {
  const std::string key = Key(path);
  Log(CallKind::kDelete, path);
  Node* node = Find(key);
  if (!node) return Fail(FailureKind::kGone);
  if (node->openCount > 0) return Fail(FailureKind::kInUse);
  if (node->directory || (node->attributes & kAttrReadOnly) || refusedDeletes.count(key)) {
    return Fail(FailureKind::kAccessDenied);
  }
  RemoveNode(key);
  return true;
}

bool FakePlatform::RemoveEmptyDirectory(const char* path) {
  const std::string key = Key(path);
  Log(CallKind::kRemoveDirectory, path);
  Node* node = Find(key);
  if (!node) return Fail(FailureKind::kGone);
  if (Key(workingDirectory) == key) return Fail(FailureKind::kInUse);
  if (refusedRemovals.count(key)) return Fail(FailureKind::kAccessDenied);
  if (!node->directory || !node->children.empty() || key.size() <= 3) return Fail(FailureKind::kOther);
  RemoveNode(key);
  return true;
}

bool FakePlatform::MakeFolder(const char* path) {
  const std::string key = Key(path);
  Log(CallKind::kMakeFolder, path);
  if (Find(key)) return Fail(FailureKind::kOther);  // something stands there already
  const Node* parent = Find(ParentKey(key));
  if (!parent || !parent->directory) return Fail(FailureKind::kGone);
  if (refusedNewFolders.count(ParentKey(key))) return Fail(FailureKind::kAccessDenied);
  const FailureKind refusal = CheckNewItem(key);
  if (refusal != FailureKind::kNone) return Fail(refusal);
  TakeRecord(key, AddNode(path, true, kAttrDirectory));
  return true;
}


bool FakePlatform::MakePrivateFolder(const char* path) {
  if (!MakeFolder(path)) return false;
  privateFolders.insert(Key(path));
  return true;
}

// --- Enumeration -----------------------------------------------------------------------------

FindHandle FakePlatform::FindFirst(const char* pattern, FindData* entry) {
  Log(CallKind::kFindFirst, pattern);
  // Only "*" as the last component is understood: list the whole directory.
  const std::string text = pattern;
  const std::size_t slash = text.find_last_of("\\/");
  const std::string wildcard = slash == std::string::npos ? text : text.substr(slash + 1);
  if (wildcard != "*") return kInvalidFind;
  std::string directory = slash == std::string::npos ? "." : text.substr(0, slash + 1);
  if (HasDrive(text) && slash == 1) directory = text.substr(0, 2);
  const std::string key = Key(directory, true);
  const Node* node = Find(key);
  if (!node || !node->directory || refusedListings.count(key)) return kInvalidFind;

  Enumeration enumeration;
  if (key.size() > 3) {  // like NTFS, a directory other than a root lists "." and ".." first
    for (const char* dots : {".", ".."}) {
      FindData data;
      data.attributes = kAttrDirectory;
      data.name = dots;
      enumeration.entries.push_back(data);
    }
  }
  for (const std::string& childKey : node->children) {
    const Node& child = nodes.at(childKey);
    FindData data;
    data.attributes = child.attributes;
    data.size = child.directory ? 0 : child.size;
    data.reparseTag = child.ListedTag();
    const std::string& shown = child.listedName.empty() ? child.name : child.listedName;
    data.name = shown;
    enumeration.entries.push_back(data);
  }
  if (enumeration.entries.empty()) return kInvalidFind;
  *entry = enumeration.entries[0];
  enumeration.next = 1;
  const FindHandle handle = nextHandle += 4;
  enumerations[handle] = std::move(enumeration);
  return handle;
}

bool FakePlatform::FindNext(FindHandle find, FindData* entry) {
  auto it = enumerations.find(find);
  if (it == enumerations.end() || it->second.next >= it->second.entries.size()) return false;
  *entry = it->second.entries[it->second.next++];
  return true;
}

void FakePlatform::FindEnd(FindHandle find) { enumerations.erase(find); }

// --- Buffers and clocks ----------------------------------------------------------------------

bool FakePlatform::VolumeFileSystem(const char* root, std::string& name) {
  name.clear();
  const std::string text = root ? root : "";
  if (!HasDrive(text)) return false;
  auto it = volumes.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))));
  if (it == volumes.end()) return false;
  name = it->second.fileSystem;
  return true;
}

StorageKind FakePlatform::StorageKindOf(const char* root) {
  const std::string text = root ? root : "";
  if (!HasDrive(text)) return StorageKind::kUnknown;
  auto it = volumes.find(static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))));
  return it == volumes.end() ? StorageKind::kUnknown : it->second.storage;
}

void* FakePlatform::ObtainBuffer(std::size_t bytes) {
  if (Consume(bufferFailCountdown)) return nullptr;
  void* buffer = ::operator new(bytes, std::nothrow);
  if (buffer != nullptr) buffers.insert(buffer);
  return buffer;
}

void FakePlatform::ReleaseBuffer(void* buffer) {
  if (buffer == nullptr) return;
  if (buffers.erase(buffer) == 0) throw std::logic_error("fake: buffer released twice or never obtained");
  ::operator delete(buffer);
}

std::uint32_t FakePlatform::TickCount() {
  const std::uint32_t now = ticks;
  ticks += tickStep;
  return now;
}

FileHandle FakePlatform::CreateNewDeleteOnClose(const char* path) {
  // The name itself, not what a link there leads to: a link is something standing there.
  const std::string key = Key(path);
  Log(CallKind::kCreateNew, path);
  if (refusedOpens.count(key)) return FailOpen(openRefusalKinds[key]);
  if (Find(key)) return FailOpen(FailureKind::kOther);  // ERROR_FILE_EXISTS
  const Node* parent = Find(ParentKey(key));
  if (!parent || !parent->directory) return FailOpen(FailureKind::kGone);
  if (refusedNewFiles.count(ParentKey(key))) return FailOpen(FailureKind::kAccessDenied);
  const FailureKind refusal = CheckNewItem(key);
  if (refusal != FailureKind::kNone) return FailOpen(refusal);
  Node& node = AddNode(path, false, kAttrArchive);
  TakeRecord(key, node);
  node.openCount++;
  const FileHandle handle = nextHandle += 4;
  handles[handle] = OpenFile{key, 0, true};
  return handle;
}

}  // namespace varnolt
