#include "platform/FakePlatform.h"

#include "common/WideText.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>
#include <stdexcept>

namespace varnolt {
namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

}  // namespace

FakePlatform::FakePlatform() { AddVolume('C', kDriveFixed, 1ull << 30); }

FakePlatform::~FakePlatform() {
  for (void* buffer : buffers) ::operator delete(buffer);
}

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

void FakePlatform::MakeDirectory(const std::string& path, std::uint32_t attributes) {
  AddNode(path, true, attributes | kAttrDirectory);
}

void FakePlatform::MakeFile(const std::string& path, std::uint64_t size, std::uint8_t fill,
                            std::uint32_t attributes) {
  Node& node = AddNode(path, false, attributes);
  const std::string key = Key(path);
  node.contentStored = size <= storedContentLimit;
  if (node.contentStored) node.content.assign(size, fill);
  node.size = size;
  VolumeOf(key)->used += size;
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
  VolumeOf(Key(path))->used += content.size();
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
  parent->children.push_back(key);
  return nodes[key] = node;
}

void FakePlatform::RemoveNode(const std::string& key) {
  Node* node = Find(key);
  if (!node) return;
  if (!node->directory) VolumeOf(key)->used -= node->size;
  if (Node* parent = Find(ParentKey(key))) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), key), siblings.end());
  }
  nodes.erase(key);
}

void FakePlatform::Resize(const std::string& key, Node& node, std::uint64_t size) {
  Volume* volume = VolumeOf(key);
  volume->used = volume->used - node.size + size;
  node.size = size;
  if (node.contentStored && size > storedContentLimit) {
    node.contentStored = false;
    node.content.clear();
    node.content.shrink_to_fit();
  }
  if (node.contentStored) node.content.resize(size);
}

// --- Faults ----------------------------------------------------------------------------------

void FakePlatform::RefuseOpen(const std::string& path, FailureKind kind) {
  refusedOpens.insert(Key(path));
  openRefusalKinds[Key(path)] = kind;
}
void FakePlatform::RefuseNewFiles(const std::string& directory) { refusedNewFiles.insert(Key(directory)); }
void FakePlatform::RefuseNewFolders(const std::string& directory) { refusedNewFolders.insert(Key(directory)); }
void FakePlatform::HoldOpen(const std::string& path) { Find(Key(path))->openCount++; }
void FakePlatform::Release(const std::string& path) { Find(Key(path))->openCount--; }
void FakePlatform::FailWrite(int nth, std::uint32_t accepted) {
  writeFailCountdown = nth;
  writeFailAccepted = accepted;
}
void FakePlatform::FailFlush(int nth) { flushFailCountdown = nth; }
void FakePlatform::RefuseMove(const std::string& path) { refusedMoves.insert(Key(path)); }
void FakePlatform::RefuseDelete(const std::string& path) { refusedDeletes.insert(Key(path)); }
void FakePlatform::RefuseRemoveDirectory(const std::string& path) {
  refusedRemovals.insert(Key(path));
}
void FakePlatform::RefuseChangeDirectory(const std::string& path) {
  refusedDirectoryChanges.insert(Key(path));
}
void FakePlatform::RefuseListing(const std::string& path) { refusedListings.insert(Key(path)); }

bool FakePlatform::Consume(int& countdown) {
  if (countdown <= 0) return false;
  return --countdown == 0;
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

// --- Paths -----------------------------------------------------------------------------------

std::string FakePlatform::FullPath(const std::string& name) const {
  std::string combined;
  if (HasDrive(name) && name.size() >= 3 && IsSeparator(name[2])) {
    combined = name;
  } else if (HasDrive(name)) {
    // "X:rest": relative to the current directory of drive X, which is its root unless X is
    // the drive of the working directory.
    const bool sameDrive = std::toupper(static_cast<unsigned char>(name[0])) ==
                           std::toupper(static_cast<unsigned char>(workingDirectory[0]));
    combined = (sameDrive ? workingDirectory : std::string(1, name[0]) + ":\\") + "\\" + name.substr(2);
  } else if (!name.empty() && IsSeparator(name[0])) {
    combined = workingDirectory.substr(0, 2) + name;
  } else {
    combined = workingDirectory + "\\" + name;
  }

  // Split into components and fold "." and "..".
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 3; i <= combined.size(); ++i) {
    if (i == combined.size() || IsSeparator(combined[i])) {
      if (part == "..") {
        if (!parts.empty()) parts.pop_back();
      } else if (!part.empty() && part != ".") {
        parts.push_back(part);
      }
      part.clear();
    } else {
      part += combined[i];
    }
  }
  // As on Windows, the last component loses its trailing dots and spaces ("x. " is "x").
  if (!parts.empty() && !IsSeparator(combined.back())) {
    std::string& last = parts.back();
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (last.empty()) parts.pop_back();
  }
  std::string full = std::string(1, static_cast<char>(std::toupper(combined[0]))) + ":\\";
  for (std::size_t i = 0; i < parts.size(); ++i) full += (i ? "\\" : "") + parts[i];
  if (!parts.empty() && !name.empty() && IsSeparator(name.back())) full += '\\';
  return full;
}

std::string FakePlatform::Key(const std::string& name, bool followLast) const {
  std::string key = Upper(FullPath(name));
  if (key.size() > 3 && key.back() == '\\') key.pop_back();
  return Follow(key, followLast, 0);
}

std::string FakePlatform::Follow(const std::string& key, bool followLast, int depth) const {
  if (depth > 31 || key.size() <= 3) return key;  // a loop of links ends somewhere, as on NTFS
  std::string resolved = key.substr(0, 3);
  std::size_t start = 3;
  while (start < key.size()) {
    std::size_t end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    if (resolved.size() > 3) resolved += '\\';
    resolved += key.substr(start, end - start);
    const Node* node = Find(resolved);
    if (node && !node->linkTarget.empty() && (end < key.size() || followLast)) {
      resolved = Follow(node->linkTarget, true, depth + 1);
    }
    start = end + 1;
  }
  return resolved;
}

std::string FakePlatform::ParentKey(const std::string& key) {
  if (key.size() <= 3) return key;
  const std::size_t slash = key.find_last_of('\\');
  return slash <= 2 ? key.substr(0, 3) : key.substr(0, slash);
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
    // Through a dangling link the target is created, as CreateFile does.
    node = &AddNode(key == Key(path) ? std::string(path) : key, false, kAttrArchive);
  }
  node->openCount++;
  if (node->gainsNameWhenOpened) node->nameCount++, node->gainsNameWhenOpened = false;
  const FileHandle handle = nextHandle += 4;
  handles[handle] = OpenFile{key, 0, true};
  return handle;
}

bool FakePlatform::OpenFileSize(FileHandle file, std::uint64_t* size) {
  auto it = handles.find(file);
  Log(CallKind::kOpenFileSize, it == handles.end() ? "" : it->second.key);
  if (it == handles.end()) return Fail(FailureKind::kOther);
  *size = Find(it->second.key)->size;
  return true;
}

bool FakePlatform::SeekToStart(FileHandle file) {
  auto it = handles.find(file);
  Log(CallKind::kSeek, it == handles.end() ? "" : it->second.key);
  if (it == handles.end()) return Fail(FailureKind::kOther);
  it->second.position = 0;
  return true;
}

bool FakePlatform::WriteBytes(FileHandle file, const void* data, std::uint32_t count,
                              std::uint32_t* written) {
  *written = 0;
  auto it = handles.find(file);
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
  const std::uint64_t growth = open.position + accepted > node.size ? open.position + accepted - node.size : 0;
  const std::uint64_t room = volume.capacity > volume.used ? volume.capacity - volume.used : 0;
  if (growth > room) accepted -= growth - room, shortBecause = FailureKind::kDiskFull;

  if (open.position + accepted > node.size) Resize(open.key, node, open.position + accepted);
  if (node.contentStored && accepted > 0) {
    std::memcpy(node.content.data() + open.position, data, accepted);
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
  Log(CallKind::kFlush, it == handles.end() ? "" : it->second.key);
  if (it == handles.end()) return Fail(FailureKind::kOther);
  return !Consume(flushFailCountdown) || Fail(FailureKind::kDiskError);
}

void FakePlatform::CloseFile(FileHandle file) {
  auto it = handles.find(file);
  Log(CallKind::kClose, it == handles.end() ? "" : it->second.key);
  if (it == handles.end()) return;
  const OpenFile open = it->second;
  handles.erase(it);
  Node* node = Find(open.key);
  if (!node) return;
  node->openCount--;
  if (open.deleteOnClose && node->openCount == 0) RemoveNode(open.key);
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

std::uint32_t FakePlatform::NameCountOf(const char* path) {
  const Node* node = Find(Key(path));
  return node ? node->nameCount : 0;
}

std::uint32_t FakePlatform::OpenFileNameCount(FileHandle file) {
  auto it = handles.find(file);
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
  const std::string fromKey = Key(from);
  const std::string toKey = Key(to);
  Log(CallKind::kMove, from, 0, 0, to);
  Node* node = Find(fromKey);
  Node* newParent = Find(ParentKey(toKey));
  if (!node || !newParent || !newParent->directory) return Fail(FailureKind::kGone);
  if (node->openCount > 0) return Fail(FailureKind::kInUse);
  if (refusedMoves.count(fromKey)) return Fail(FailureKind::kAccessDenied);
  if (Find(toKey) || fromKey.size() <= 3) return Fail(FailureKind::kOther);
  // A directory that holds an open file, or the working directory, cannot move.
  const std::string prefix = fromKey + "\\";
  for (const auto& [key, other] : nodes) {
    if (key.compare(0, prefix.size(), prefix) == 0 && other.openCount > 0) return Fail(FailureKind::kInUse);
  }
  if (Key(workingDirectory) == fromKey || Key(workingDirectory).compare(0, prefix.size(), prefix) == 0) {
    return Fail(FailureKind::kInUse);
  }

  // Re-key the node and everything below it, keeping each directory's order.
  std::vector<std::pair<std::string, Node>> moved;
  for (auto it = nodes.begin(); it != nodes.end();) {
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
    if (open.key == fromKey || open.key.compare(0, prefix.size(), prefix) == 0) {
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
  AddNode(path, true, kAttrDirectory);
  return true;
}

bool FakePlatform::ResolveFullPath(const char* name, std::string& full) {
  full.clear();
  if (name == nullptr || name[0] == '\0') return false;
  // As the real backend: bytes that are no UTF-8 name nothing.
  std::u16string units;
  if (!Utf16FromUtf8(name, units)) return false;
  full = FullPath(name);
  // The system's limit: 32,767 UTF-16 units.
  if (!Utf16FromUtf8(full, units) || units.size() > 32767) {
    full.clear();
    return false;
  }
  return true;
}

bool FakePlatform::WorkingDirectory(std::string& directory) {
  directory = workingDirectory;
  return true;
}

bool FakePlatform::ChangeWorkingDirectory(const char* path) {
  const std::string key = Key(path, true);
  Log(CallKind::kChangeDirectory, path);
  const Node* node = Find(key);
  if (!node || !node->directory || refusedDirectoryChanges.count(key)) return false;
  std::string full = FullPath(path);
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  workingDirectory = full;
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

// --- Volumes and clocks ----------------------------------------------------------------------

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
  return true;
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

}  // namespace varnolt
