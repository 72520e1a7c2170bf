// An in-memory Platform for tests: volumes, directories and files that exist only in this
// object, with faults a test can inject and clocks a test drives. It records the calls made to
// it so a test can check block patterns (sizes of writes, flushes, rewinds).
//
// Paths are Windows-like and case-insensitive ("C:\dir\file"). File contents are stored up to
// a limit; beyond it only sizes are kept, so multi-gigabyte files cost no memory.
//
// Symbolic links and junctions behave as on Windows: a link met inside a path is followed; as
// the last component it is followed by opening, creating, listing and SetAttributesOf (the
// pessimistic reading), and not by AttributesOf, moving or removal, which act on the link.
//
// One class in four files: FakePlatform.cpp the platform calls, FakePaths.cpp the path model
// and case rules, FakeNodes.cpp the node store and volumes, FakeFaults.cpp fault injection.
#pragma once

#include <cctype>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Platform.h"

namespace varnolt {

class FakePlatform : public Platform {
 public:
  enum class CallKind {
    kOpen, kCreateDeleteOnClose, kOpenFileSize, kSeek, kWrite, kFlush, kClose,
    kSetAttributes, kMove, kDelete, kRemoveDirectory, kChangeDirectory, kFindFirst, kMakeFolder,
    kCreateNew, kTrim,
  };
  struct Call {
    CallKind kind;
    std::string path;          // the path named in the call, or the open file's path
    std::uint64_t offset = 0;  // kWrite: file position before the write; kTrim: the range's start
    std::uint64_t size = 0;    // kWrite: bytes asked; kSetAttributes: the attributes; kTrim: the range's length
    std::string target;        // kMove: the new name
  };

  // Starts with one fixed drive C: of 1 GiB holding only its root, the working directory.
  FakePlatform();
  ~FakePlatform() override;
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  // --- Building the world -------------------------------------------------------------------
  void AddVolume(char letter, std::uint32_t driveType, std::uint64_t capacity);
  void SetDriveType(char letter, std::uint32_t driveType);
  // The drive is a subst drive: another name for a folder of another drive.
  void SetSubstituted(char letter) { substituted.insert(static_cast<char>(std::toupper(letter))); }
  // The most bytes the volume's files may hold together; writes beyond it come up short.
  void SetCapacity(char letter, std::uint64_t capacity);
  // The largest size one file on the volume may reach (FAT32 stops just under 4 GiB).
  void SetFileSizeCap(char letter, std::uint64_t cap);
  void FailFreeSpaceQuery(char letter);
  // What StorageKindOf answers for the volume; every volume starts as kUnknown.
  void SetStorageKind(char letter, StorageKind kind);
  // TrimRange on the volume's files fails (kOther), as on most file systems under Wine. It
  // fails on compressed and encrypted files anywhere; where it succeeds it is only logged
  // (kTrim): the bytes stay, as a drive that ignores the hint keeps them.
  void RefuseTrim(char letter);
  // What ShadowCopiesExist answers; kNo at first.
  void SetShadowCopies(Answer answer) { shadowCopies = answer; }
  // The free bytes are told in whole units of `bytes`, rounded down, as Wine tells them in
  // 4096-byte units over file systems of smaller blocks. 0: to the byte.
  void SetFreeBytesUnit(char letter, std::uint32_t bytes);
  // The name VolumeFileSystem answers; every volume starts as "FAT32".
  void SetFileSystem(char letter, const std::string& name);
  // A file table as NTFS keeps one: `freeRecords` free records, each holding `stale` (what a
  // deleted small file left there). Every file and folder made on the volume from now on takes
  // the first free record; a file of at most `residentBytes` keeps its data in its record, so
  // its bytes take none of the volume's room and overwrite the record's own. With no record
  // free the table grows by `growthRecords` records of kRecordBytes, taken from the room, and a
  // creation without that room fails as a full disk. A deleted item's record keeps its bytes.
  static constexpr std::uint64_t kRecordBytes = 1024;
  void SetFileRecords(char letter, std::uint32_t freeRecords, const std::vector<std::uint8_t>& stale,
                      std::uint32_t residentBytes = 700, std::uint32_t growthRecords = 64);
  // On a volume without a file table (SetFileRecords), a folder's first 32 entries take no
  // room; each 32 more take a block of 4096 bytes of its
  // volume, given when an entry made through the platform needs it and given back when
  // the folder shrinks: on a full volume a new entry fails as a full disk once its folder's blocks are full.
  // A folder of the volume takes at most `entries` entries (an index kept in its own record,
  // with no room to grow on a full disk): one more fails as a full disk. 0: no limit.
  void SetFolderEntryLimit(char letter, std::uint32_t entries);
  void MakeDirectory(const std::string& path, std::uint32_t attributes = kAttrDirectory);
  void MakeFile(const std::string& path, std::uint64_t size, std::uint8_t fill = 0x00,
                std::uint32_t attributes = kAttrArchive);
  void MakeFileWithContent(const std::string& path, const std::vector<std::uint8_t>& content,
                           std::uint32_t attributes = kAttrArchive);
  // A file symbolic link / a directory symbolic link or junction at `path`, pointing at
  // `target` (which need not exist). Both carry kAttrReparsePoint.
  void MakeFileLink(const std::string& path, const std::string& target);
  void MakeDirectoryLink(const std::string& path, const std::string& target);
  // Files and directories made with kAttrReparsePoint but not by the two calls above stand for
  // reparse points that keep their own data (cloud files and the like): they are no links.
  // Makes the item at `path` a reparse point of that tag (see ReparseTags.h for what counts as
  // a link, as keeping its data, or as not known).
  void SetReparseTag(const std::string& path, std::uint32_t tag);
  // The item belongs to another account: OpenOwnedByUser answers no.
  void SetOwnedByOthers(const std::string& path);
  // An item's times. Every item starts with times of its own, and a folder's written and
  // accessed times move on whenever an entry is added to it or removed from it.
  ItemTimes TimesOf(const std::string& path) const;
  // The file has `count` names (hard links), the others outside anything the test looks at.
  void SetNameCount(const std::string& path, std::uint32_t count);
  // The file gains a name the moment it is opened, as when another program links it then.
  void GainNameWhenOpened(const std::string& path);
  // Directory listings show the item at `path` as `shownName`, as the ANSI listing shows a name
  // its code page cannot hold ("．．＼x" is listed as "..\x"). The item keeps its real name.
  void ListUnder(const std::string& path, const std::string& shownName);
  // The GUID path Windows gives the volume of `letter` ("\\\\?\\Volume{...}\\"). These name the
  // same volume too, as on Windows: "\\\\?\\GLOBALROOT\\Device\\HarddiskVolumeN\\" (N: 1 for A,
  // 2 for B...) and the administrative share "\\\\localhost\\E$\\".
  static std::string VolumeGuidPath(char letter);
  // Files larger than this keep only their size, not their bytes.
  void SetStoredContentLimit(std::uint64_t bytes) { storedContentLimit = bytes; }

  // --- Faults -------------------------------------------------------------------------------
  // Refusals of these calls fail as access denied, unless another kind is given.
  void RefuseOpen(const std::string& path, FailureKind kind = FailureKind::kAccessDenied);
  // As if another program had the file open without sharing: no open, move or delete; the
  // calls fail as in use.
  void HoldOpen(const std::string& path);
  void Release(const std::string& path);
  // The `nth` write from now (1 = the next one) fails after taking `accepted` bytes.
  void FailWrite(int nth, std::uint32_t accepted = 0);
  // Short writes (full disk, size cap, FailWrite) report success with the smaller count, as
  // Wine does, instead of failing.
  void SetShortWritesSucceed(bool succeed) { shortWritesSucceed = succeed; }
  // A file deleted on close stays where it is when a new file could not be made beside it
  // (its folder's entry limit reached, and no room on the volume for its index to grow), as on
  // a FUSE volume under Wine, which first renames such a file when it is still open: Wine
  // keeps the Unix descriptor of a handle that was read or written through until after the
  // deletion. A file merely made and closed goes.
  void SetDeleteOnCloseNeedsAnEntry(bool needs) { deleteOnCloseNeedsAnEntry = needs; }
  // The `nth` flush from now fails.
  void FailFlush(int nth);
  // The `nth` new file or folder from now (1 = the next one) also takes `bytes` of its volume's
  // room, as a folder's index that grows by several blocks at once.
  void TakeRoomAtCreation(int nth, std::uint64_t bytes);
  void RefuseMove(const std::string& path);
  void RefuseDelete(const std::string& path);
  void RefuseRemoveDirectory(const std::string& path);
  void RefuseChangeDirectory(const std::string& path);
  // The directory cannot be listed (access denied): FindFirst on it fails.
  void RefuseListing(const std::string& path);
  // The directory takes no new file (access denied), as a standard user's C:\ does; new
  // folders still can be made in it unless RefuseNewFolders says otherwise.
  void RefuseNewFiles(const std::string& directory);
  void RefuseNewFolders(const std::string& directory);
  // The `nth` ObtainBuffer from now (1 = the next one) finds no memory.
  void FailBufferObtain(int nth) { bufferFailCountdown = nth; }
  // Another program (any account may, in a folder under C:\) swaps a folder of the selection
  // for a link to another folder, at the `nth` opening of an item to erase it from now: before
  // that opening, or right after it. The folder itself goes aside, to `folder` and "~".
  void ReplaceFolderByLinkAtOpen(int nth, const std::string& folder, const std::string& target,
                                 bool afterTheOpen = false);

  // --- Clocks -------------------------------------------------------------------------------
  void SetTicks(std::uint32_t ticks) { this->ticks = ticks; }
  void AdvanceTicks(std::uint32_t ms) { ticks += ms; }
  // Every TickCount() call moves the clock on by `ms` after answering (time passing per block).
  void SetTickStep(std::uint32_t ms) { tickStep = ms; }
  void SetSeconds(std::uint32_t seconds) { this->seconds = seconds; }

  // --- Looking at the world -----------------------------------------------------------------
  bool Exists(const std::string& path) const;
  bool IsDirectory(const std::string& path) const;
  std::uint64_t SizeOf(const std::string& path) const;
  // The file's bytes; empty when the file is missing or larger than the stored-content limit.
  std::vector<std::uint8_t> Content(const std::string& path) const;
  // Entry names of a directory, in the order enumeration returns them (creation order).
  std::vector<std::string> List(const std::string& directory) const;
  std::uint64_t UsedBytes(char letter) const;
  // The bytes of every record of the volume's file table (SetFileRecords), in use or free, and
  // how many are free.
  std::vector<std::vector<std::uint8_t>> RecordContents(char letter) const;
  std::uint32_t FreeRecordCount(char letter) const;
  int OpenHandleCount() const { return static_cast<int>(handles.size()); }
  int LiveBufferCount() const { return static_cast<int>(buffers.size()); }

  // Keeping every call costs memory on multi-gigabyte runs; the counters below are kept always.
  void SetRecordCalls(bool record) { recordCalls = record; }
  std::uint64_t BytesWritten() const { return bytesWritten; }
  std::uint64_t FurthestWriteEnd() const { return furthestWriteEnd; }

  const std::vector<Call>& Calls() const { return calls; }
  void ClearCalls() { calls.clear(); }
  std::vector<Call> CallsOf(CallKind kind) const;
  // Sizes of all writes made, in order.
  std::vector<std::uint64_t> WriteSizes() const;

  // --- Platform -----------------------------------------------------------------------------
  FileHandle OpenExistingForWriting(const char* path) override;
  FileHandle OpenFileForErasure(const char* path) override;
  FileHandle OpenFolderForRemoval(const char* path) override;
  FileHandle OpenFolderForTimes(const char* path) override;
  bool OpenTimes(FileHandle item, ItemTimes* times, std::uint32_t* attributes) override;
  bool SetOpenTimes(FileHandle item, const ItemTimes& times) override;
  Answer OpenOwnedByUser(FileHandle item) override;
  bool OpenIdentity(FileHandle item, ItemIdentity* identity) override;
  bool IdentityOf(const char* path, ItemIdentity* identity) override;
  bool RenameOpen(FileHandle item, const char* newPath) override;
  bool DeleteOpen(FileHandle item) override;
  FileHandle CreateDeleteOnClose(const char* path) override;
  bool OpenFileSize(FileHandle file, std::uint64_t* size) override;
  bool SeekToStart(FileHandle file) override;
  bool WriteBytes(FileHandle file, const void* data, std::uint32_t count,
                  std::uint32_t* written) override;
  bool FlushToDisk(FileHandle file) override;
  bool TrimRange(FileHandle file, std::uint64_t offset, std::uint64_t length) override;
  void CloseFile(FileHandle file) override;
  std::uint32_t AttributesOf(const char* path) override;
  ReparseKind ReparseKindOf(const char* path) override;
  std::uint32_t ReparseTagOf(const char* path) override;
  std::uint32_t NameCountOf(const char* path) override;
  std::uint32_t OpenFileNameCount(FileHandle file) override;
  bool SetAttributesOf(const char* path, std::uint32_t attributes) override;
  bool SizeFromAttributes(const char* path, std::uint64_t* size) override;
  bool MovePath(const char* from, const char* to) override;
  bool DeleteFilePath(const char* path) override;
  bool RemoveEmptyDirectory(const char* path) override;
  bool MakeFolder(const char* path) override;
  bool MakePrivateFolder(const char* path) override;
  // Made by MakePrivateFolder (and not moved since).
  bool IsPrivateFolder(const std::string& path) const { return privateFolders.count(Key(path)) != 0; }
  FailureKind LastFailure() override { return lastFailure; }
  bool ResolveFullPath(const char* name, std::string& full) override;
  bool WorkingDirectory(std::string& directory) override;
  Answer OpensAVolumeRoot(const char* path) override;
  bool ChangeWorkingDirectory(const char* path) override;
  FindHandle FindFirst(const char* pattern, FindData* entry) override;
  bool FindNext(FindHandle find, FindData* entry) override;
  void FindEnd(FindHandle find) override;
  std::uint32_t DriveTypeOf(const char* root) override;
  bool IsSubstitutedDrive(const char* root) override {
    return root != nullptr && substituted.count(static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])))) != 0;
  }
  bool VolumeFreeBytes(const char* root, std::uint64_t* freeBytes) override;
  bool VolumeFileSystem(const char* root, std::string& name) override;
  StorageKind StorageKindOf(const char* root) override;
  Answer ShadowCopiesExist() override { return shadowCopies; }
  void* ObtainBuffer(std::size_t bytes) override;
  void ReleaseBuffer(void* buffer) override;
  std::uint32_t TickCount() override;
  std::uint32_t SecondsNow() override { return seconds; }

 private:
  struct Node {
    std::string name;  // as created, for enumeration
    std::string listedName;  // shown by enumeration instead of `name` when not empty
    bool directory = false;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    bool contentStored = true;
    std::vector<std::uint8_t> content;
    std::vector<std::string> children;  // keys, in creation order
    std::string linkTarget;             // key of what a link points at; empty if no link
    std::uint32_t reparseTag = 0;       // 0 with kAttrReparsePoint: keeps its own data
    std::uint32_t nameCount = 1;
    bool gainsNameWhenOpened = false;
    int openCount = 0;
    std::vector<std::string> streamSuffixes;  // ":NAME:$DATA" keys of its named streams
    std::int64_t record = -1;  // its record in the volume's file table, if it has one
    std::uint64_t id = 0;      // its file ID, kept through renames
    ItemTimes times;
    bool ownedByOthers = false;
    std::uint64_t entryBlocks = 0;  // a folder's: the blocks of room its entries were given
    // The tag its directory entry shows: a link's is a symbolic link's; 0 for no reparse point.
    std::uint32_t ListedTag() const {
      if (!(attributes & kAttrReparsePoint)) return 0;
      constexpr std::uint32_t kSymbolicLinkTag = 0xA000000C;
      return linkTarget.empty() ? reparseTag : kSymbolicLinkTag;
    }
  };
  struct Record {
    bool inUse = false;
    std::vector<std::uint8_t> bytes;
  };
  struct Volume {
    std::uint32_t driveType = kDriveFixed;
    std::uint64_t capacity = 0;
    std::uint64_t used = 0;
    std::uint64_t fileSizeCap = ~0ull;
    bool freeSpaceQueryFails = false;
    std::uint32_t freeBytesUnit = 0;
    std::string fileSystem = "FAT32";
    StorageKind storage = StorageKind::kUnknown;
    bool trimRefused = false;
    bool hasRecords = false;
    std::uint32_t residentBytes = 0;
    std::uint32_t growthRecords = 0;
    std::uint32_t folderEntryLimit = 0;
    std::vector<Record> records;
  };
  struct OpenFile {
    std::string key;
    std::uint64_t position = 0;
    bool deleteOnClose = false;
    bool folder = false;  // an OpenFolderForRemoval handle: shared, counts in no openCount
    std::string path;     // as the caller named the item, for the calls' log
    bool used = false;    // read or written through, besides its making
  };
  struct Enumeration {
    std::vector<FindData> entries;
    std::size_t next = 0;
  };

  // The full, normalised form of `name` (Windows rules: relative to the working directory,
  // "X:" alone is that drive's current directory, "\x" is rooted on the current drive).
  std::string FullPath(const std::string& name) const;
  // The drive path ("E:\\...") a full path names when it is a device or share spelling of a
  // drive (VolumeGuidPath); the path itself otherwise.
  std::string DrivePathOf(const std::string& full) const;
  // The map key of a path: full, without trailing backslash (but for a root), upper case,
  // with the links inside it followed, and the last component's too when `followLast`.
  std::string Key(const std::string& name, bool followLast = false) const;
  std::string Follow(const std::string& key, bool followLast, int depth) const;
  void MakeLink(const std::string& path, const std::string& target, bool directory);
  static std::string ParentKey(const std::string& key);
  Node* Find(const std::string& key);
  const Node* Find(const std::string& key) const;
  Volume* VolumeOf(const std::string& key);
  Node& AddNode(const std::string& path, bool directory, std::uint32_t attributes);
  void RemoveNode(const std::string& key);
  void Resize(const std::string& key, Node& node, std::uint64_t size);
  // The room a file of `size` bytes takes: none while its data stays in its record.
  static std::uint64_t RoomOf(const Volume& volume, const Node& node, std::uint64_t size);
  // The bytes the volume has free.
  static std::uint64_t RoomOf(const Volume& volume) { return volume.capacity > volume.used ? volume.capacity - volume.used : 0; }
  static constexpr std::uint64_t kIndexBlockBytes = 4096;
  static constexpr std::uint64_t kEntriesPerBlock = 32;
  // Gives the item about to be made at `key` a record (when its volume keeps a file table) and
  // checks its folder takes one more entry; kNone, or why the creation fails.
  FailureKind CheckNewItem(const std::string& key);
  // True when the folder that holds `key` has reached its volume's entry limit.
  bool FolderIsFull(const std::string& key);
  void TakeRecord(const std::string& key, Node& node);
  void Log(CallKind kind, const std::string& path, std::uint64_t offset = 0,
           std::uint64_t size = 0, const std::string& target = {});
  static bool Consume(int& countdown);
  // Records why the call that returns this failed.
  bool Fail(FailureKind kind) {
    lastFailure = kind;
    return false;
  }
  FileHandle FailOpen(FailureKind kind) {
    lastFailure = kind;
    return kInvalidFile;
  }

  // By key, hashed: a sorted map of full paths costs a long comparison per level of a tree of
  // millions, for every component of every path looked up.
  std::unordered_map<std::string, Node> nodes;
  std::map<char, Volume> volumes;
  std::map<FileHandle, OpenFile> handles;
  std::map<FindHandle, Enumeration> enumerations;
  FileHandle nextHandle = 0x100;
  std::string workingDirectory = "C:\\";
  std::uint64_t storedContentLimit = 64ull << 20;

  std::set<std::string> refusedOpens, refusedMoves, refusedDeletes, refusedRemovals,
      refusedDirectoryChanges, refusedListings, refusedNewFiles, refusedNewFolders;
  std::map<std::string, FailureKind> openRefusalKinds;
  FailureKind lastFailure = FailureKind::kNone;
  std::set<void*> buffers;
  int bufferFailCountdown = 0;
  int writeFailCountdown = 0;
  std::uint32_t writeFailAccepted = 0;
  int flushFailCountdown = 0;
  int creationRoomCountdown = 0;
  std::uint64_t creationRoomBytes = 0;
  bool shortWritesSucceed = false;
  std::uint64_t nextNodeId = 16;
  std::uint64_t timeCounter = 132000000000000000ull;  // 2019, in 100 ns units since 1601
  // A folder's entries changed: its written and accessed times move on.
  void Touch(Node& folder) { folder.times.written = folder.times.accessed = ++timeCounter; }
  std::set<std::string> privateFolders;
  std::set<char> substituted;
  Answer shadowCopies = Answer::kNo;
  int swapCountdown = 0;
  bool swapAfterTheOpen = false;
  std::string swapFolder, swapTarget;
  // The swap of ReplaceFolderByLinkAtOpen, when its opening has come.
  void SwapFolderForLink();
  // ItemIdentity of a node: its volume's serial (from its letter) and its ID.
  static ItemIdentity IdentityOfNode(const std::string& key, const Node& node);
  // Moves the item at `fromKey` to `to` (MovePath's rules); `ownHandles` of its openings are
  // the caller's own and do not hold it.
  bool MoveItem(std::string fromKey, const char* to, int ownHandles);  // a copy: handles keyed by it move too
  bool deleteOnCloseNeedsAnEntry = false;

  std::uint32_t ticks = 0;
  std::uint32_t tickStep = 0;
  std::uint32_t seconds = 1000000;

  std::vector<Call> calls;
  bool recordCalls = true;
  std::uint64_t bytesWritten = 0;
  std::uint64_t furthestWriteEnd = 0;

  // === Clusters, whole writes, new-only creation and named streams ===========================
  // Named streams are nodes of their own, keyed by their file's key and name (FakeStreams.cpp).
 public:
  void SetClusterSize(char letter, std::uint32_t bytes);
  // A write that does not fit in the room left takes nothing and fails as a full disk, as
  // Windows does, instead of taking what fits.
  void SetWholeWritesOnly(char letter) { wholeWritesOnly.insert(static_cast<char>(std::toupper(letter))); }
  // `name` as the system writes it: ":Zone.Identifier:$DATA".
  void AddStream(const std::string& file, const std::string& name, const std::vector<std::uint8_t>& content);
  // Listing the file's streams fails for that reason.
  void FailStreamListing(const std::string& file, FailureKind kind) { streamListingFailures[Key(file)] = kind; }

  FileHandle CreateNewDeleteOnClose(const char* path) override;
  bool NamedStreamsOf(const char* path, std::vector<StreamEntry>& streams) override;
  std::uint32_t ClusterSizeOf(const char* root) override;

 private:
  bool WritesWholeOnly(const std::string& key) const { return wholeWritesOnly.count(key[0]) != 0; }
  // Removes the streams of the file `key` / gives them the file's new key.
  void RemoveStreamsOf(const std::string& key);
  static bool IsStreamOf(const std::string& key, const std::string& fileKey) {
    return key.size() > fileKey.size() && key.compare(0, fileKey.size(), fileKey) == 0 && key[fileKey.size()] == ':';
  }

  std::map<char, std::uint32_t> clusterSizes;
  std::set<char> wholeWritesOnly;
  std::map<std::string, FailureKind> streamListingFailures;
};

}  // namespace varnolt
