// The one seam between the engine and the operating system.
//
// Everything the shredders and the manager ask of the OS goes through this interface, so the
// same engine code runs against the real Win32 calls (Win32Platform) and against an in-memory
// volume with fault injection (FakePlatform). No Windows header is included here: the types are
// portable, and the constants carry the Win32 values so the real backend passes them through.
//
// Method names deliberately differ from the Win32 function names: <windows.h> defines most of
// those as macros (CreateFile -> CreateFileA, ...), which would rename our methods too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ReparseTags.h"

namespace varnolt {

// An open file. The value is the Win32 HANDLE in the real backend.
using FileHandle = std::uintptr_t;
inline constexpr FileHandle kInvalidFile = ~static_cast<FileHandle>(0);

// An open directory enumeration.
using FindHandle = std::uintptr_t;
inline constexpr FindHandle kInvalidFind = ~static_cast<FindHandle>(0);

// Paths cross the seam as UTF-8, of any length the system takes (32,767 UTF-16 units); the
// real backend converts them at its calls.

// File attributes, Win32 values.
inline constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrNormal = 0x80;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;
inline constexpr std::uint32_t kAttrOffline = 0x1000;
// Items an online service keeps (OneDrive and other cloud files): opening or writing them may
// fetch their data or send it away.
inline constexpr std::uint32_t kAttrRecallOnOpen = 0x40000;
inline constexpr std::uint32_t kAttrPinned = 0x80000;
inline constexpr std::uint32_t kAttrUnpinned = 0x100000;
inline constexpr std::uint32_t kAttrRecallOnDataAccess = 0x400000;
inline constexpr std::uint32_t kAttrKeptOnline =
    kAttrOffline | kAttrRecallOnOpen | kAttrPinned | kAttrUnpinned | kAttrRecallOnDataAccess;
// Of those, a file whose data is not on this PC: opening it (or reading it) fetches the data.
inline constexpr std::uint32_t kAttrDataNotHere = kAttrOffline | kAttrRecallOnOpen | kAttrRecallOnDataAccess;
// Data the file system keeps transformed: a sweep lands in new clusters, not on the old ones.
inline constexpr std::uint32_t kAttrCompressed = 0x800;
inline constexpr std::uint32_t kAttrEncrypted = 0x4000;

// Asking a drive to discard ranges of a file (Windows 8 and later, no rights needed beyond a
// handle open for writing): the control code and its input and output, as the system reads
// them. MinGW-w64 10 lacks all three; the Win32 backend sends these as they are.
inline constexpr std::uint32_t kFsctlFileLevelTrim = 0x00098208;
struct FileLevelTrimRange {
  std::uint64_t offset;
  std::uint64_t length;
};
struct FileLevelTrim {
  std::uint32_t key;         // 0: no key
  std::uint32_t rangeCount;
  FileLevelTrimRange ranges[1];
};
struct FileLevelTrimOutput {
  std::uint32_t rangesProcessed;
};

// Drive types, Win32 values.
inline constexpr std::uint32_t kDriveUnknown = 0;
inline constexpr std::uint32_t kDriveNoRootDir = 1;
inline constexpr std::uint32_t kDriveRemovable = 2;
inline constexpr std::uint32_t kDriveFixed = 3;
inline constexpr std::uint32_t kDriveRemote = 4;
inline constexpr std::uint32_t kDriveCdRom = 5;
inline constexpr std::uint32_t kDriveRamDisk = 6;

// What keeps a volume's data, as far as the system tells. Solid-state and flash storage put
// every write where they choose: a sweep lands on new cells, and the old ones keep the data
// until the drive itself erases them, out of any program's reach.
enum class StorageKind : std::uint8_t {
  kUnknown,     // the device did not say (Wine, some bridges and virtual disks)
  kRotating,    // a hard disk: a sweep lands where the data was
  kSolidState,  // an SSD
  kFlash,       // a USB stick, a memory card, a removable drive
};
// Storage that writes where it chooses: solid-state or flash.
inline constexpr bool WritesWhereItChooses(StorageKind kind) {
  return kind == StorageKind::kSolidState || kind == StorageKind::kFlash;
}

// Why a call failed, in the terms the end-of-run report uses. Read with LastFailure() right
// after the failed call, before any other call of the platform.
enum class FailureKind : std::uint8_t {
  kNone,
  kInUse,             // another program has it open without sharing, or locked
  kAccessDenied,      // the user may not do this here (rights, read-only medium)
  kGone,              // no such item (any more), or the drive is not ready
  kDiskFull,          // no room left on the volume
  kDiskError,         // the device failed the write or the flush
  kNameNotSupported,  // the name or path is not valid or too long for the system
  kOther,
};

// What makes an item itself, whatever it is called: its volume's serial number and its file ID
// (128 bits; NTFS's 64 come zero-extended). Two names that open items of one identity open the
// same item. All zero: not known.
struct ItemIdentity {
  std::uint64_t volume = 0;
  std::uint64_t fileLow = 0;
  std::uint64_t fileHigh = 0;
  bool Known() const { return volume != 0 || fileLow != 0 || fileHigh != 0; }
  friend bool operator==(const ItemIdentity&, const ItemIdentity&) = default;
};

// An item's times, as the system counts them (100 ns units since 1601).
struct ItemTimes {
  std::uint64_t created = 0;
  std::uint64_t accessed = 0;
  std::uint64_t written = 0;
  friend bool operator==(const ItemTimes&, const ItemTimes&) = default;
};

// The answer to a question the system may not be able to answer.
enum class Answer : std::uint8_t { kNo, kYes, kUnknown };

// One named data stream of a file, as its listing returns it.
struct StreamEntry {
  std::string name;  // UTF-8, as the system writes it: ":Zone.Identifier:$DATA"
  std::uint64_t size = 0;
};

// One directory entry, as an enumeration returns it.
struct FindData {
  std::uint32_t attributes = 0;
  std::uint64_t size = 0;
  std::uint32_t reparseTag = 0;  // with kAttrReparsePoint; 0: not told
  std::string name;  // UTF-8
};

// Each method's contract says what it returns on success and on failure. Unless it says
// otherwise: a call that fails returns false, kInvalidFile, kInvalidFind, kInvalidAttributes or
// 0, leaves its out-parameters as they were, and LastFailure() then says why; paths are UTF-8
// (a path that is no UTF-8 fails as kNameNotSupported). Handles are closed with CloseFile or
// FindEnd (OpenItem closes one itself); every handle a call returns is closed exactly once.
class Platform {
 public:
  virtual ~Platform() = default;

  // --- Open files -------------------------------------------------------------------------
  // Opens an existing file for writing only, shared with nobody, no flags.
  virtual FileHandle OpenExistingForWriting(const char* path) = 0;
  // Creates (or truncates and takes over) a file for writing only, shared with nobody, that the
  // system deletes when its last handle closes, even if the process dies. The engine makes
  // nothing this way (everything of ours is made new): the seam keeps it for its tests.
  virtual FileHandle CreateDeleteOnClose(const char* path) = 0;
  // The same, but only as a new file: fails when anything stands at `path` (CREATE_NEW), a
  // link included, so nothing of anyone else's is ever taken over.
  virtual FileHandle CreateNewDeleteOnClose(const char* path) = 0;
  // Opens an existing file (not a directory) to erase it: writing, renaming and deleting
  // through the handle, shared with nobody. kInvalidFile on failure (LastFailure says why).
  virtual FileHandle OpenFileForErasure(const char* path) = 0;
  // Opens an existing directory to rename and remove it through the handle, shared with
  // everyone (its listing goes on by name). kInvalidFile on failure, a file at `path` included.
  virtual FileHandle OpenFolderForRemoval(const char* path) = 0;
  // The identity of what an open handle holds; false (and nothing written) when the system
  // does not tell it.
  virtual bool OpenIdentity(FileHandle item, ItemIdentity* identity) = 0;
  // The identity of the item at `path`, opened for that alone (a link at its end is not
  // followed where the system can tell: Windows; Wine opens a Unix link's target). False when
  // it cannot be opened or the system does not tell.
  virtual bool IdentityOf(const char* path, ItemIdentity* identity) = 0;
  // Renames the item an OpenFileForErasure or OpenFolderForRemoval handle holds to `newPath`,
  // a full path in the same directory, wherever its old name now leads: the item itself moves.
  // False when something stands at `newPath` or the system refuses (LastFailure says why).
  virtual bool RenameOpen(FileHandle item, const char* newPath) = 0;
  // Marks the item such a handle holds for deletion when the handle closes; a directory must be
  // empty (false otherwise). False when the system refuses.
  virtual bool DeleteOpen(FileHandle item) = 0;
  // Opens an existing directory to read its times and put them back, shared with everyone (its
  // listing and new entries in it go on by name). A link or other reparse point at `path` is
  // opened itself, never followed. kInvalidFile on failure, a file at `path` included.
  virtual FileHandle OpenFolderForTimes(const char* path) = 0;
  // The times and attributes of what an OpenFolderForTimes handle holds; false when they
  // cannot be read.
  virtual bool OpenTimes(FileHandle item, ItemTimes* times, std::uint32_t* attributes) = 0;
  // Puts the three `times` back on what such a handle holds; false when the system refuses.
  virtual bool SetOpenTimes(FileHandle item, const ItemTimes& times) = 0;
  // Whether the account running the program owns what such a handle holds; kUnknown when the
  // system does not tell.
  virtual Answer OpenOwnedByUser(FileHandle item) = 0;
  // Size of an open file; false if it cannot be read.
  virtual bool OpenFileSize(FileHandle file, std::uint64_t* size) = 0;
  // Moves the file position to 0; false when the system refuses.
  virtual bool SeekToStart(FileHandle file) = 0;
  // Writes `count` bytes at the file position; `*written` receives the bytes actually written,
  // which may be fewer (a full disk) even when the call reports success.
  virtual bool WriteBytes(FileHandle file, const void* data, std::uint32_t count,
                          std::uint32_t* written) = 0;
  // Forces what was written out to the device; false when the device failed (kDiskError).
  virtual bool FlushToDisk(FileHandle file) = 0;
  // Asks the drive to discard `length` bytes from `offset` of a file open for writing (TRIM):
  // a hint it may ignore, never an erasure, and the range reads as undefined afterwards. False
  // when the system or the file refuses (compressed and encrypted files, most file systems
  // under Wine: kOther); nothing changes then.
  virtual bool TrimRange(FileHandle file, std::uint64_t offset, std::uint64_t length) = 0;
  // Closes a handle of any of the calls above; a file deleted on close goes now. Never fails.
  virtual void CloseFile(FileHandle file) = 0;

  // --- Names ------------------------------------------------------------------------------
  // The item's own attributes, kInvalidAttributes on failure. A symbolic link or junction is
  // not followed: its attributes carry kAttrReparsePoint. The calls that open or list (files
  // opened for writing, the fill file, enumeration) do follow links, as the system does.
  virtual std::uint32_t AttributesOf(const char* path) = 0;
  // What a reparse point at `path` is (see ReparseTags.h): none, a link standing for another
  // name (symbolic link, junction, mount point), an item that keeps its own data here (cloud,
  // deduplicated, compressed files), or a kind not known. Links are removed, never opened,
  // entered or given attributes; items that keep their data are erased as usual; a kind not
  // known is left as it is, since what reaching into it does is not known either.
  virtual ReparseKind ReparseKindOf(const char* path) = 0;
  // The tag of the reparse point at `path` (ReparseTags.h), read from its directory entry
  // without opening it; 0 when it is none or the tag cannot be read.
  virtual std::uint32_t ReparseTagOf(const char* path) = 0;
  bool IsLink(const char* path) { return ReparseKindOf(path) == ReparseKind::kLink; }
  // How many names (hard links) the file has; 0 when that cannot be read. The named form does
  // not follow a link at `path`; the open form counts the names of the file the handle holds.
  virtual std::uint32_t NameCountOf(const char* path) = 0;
  virtual std::uint32_t OpenFileNameCount(FileHandle file) = 0;
  // Sets the attributes of what `path` leads to (a link at its end followed); false when the
  // system refuses.
  virtual bool SetAttributesOf(const char* path, std::uint32_t attributes) = 0;
  // Size from the file's attributes, without opening it; false when they cannot be read.
  virtual bool SizeFromAttributes(const char* path, std::uint64_t* size) = 0;
  // By name, for links (which are never opened) and for items of no handle: moves the item
  // (a link itself, not its target) to `to`; false when something stands there or the system
  // refuses. Wine (8.0) would act on a Unix link's target: there a link is refused (kOther).
  virtual bool MovePath(const char* from, const char* to) = 0;
  // Deletes the file (or file link) at `path` by name; false when the system refuses.
  virtual bool DeleteFilePath(const char* path) = 0;
  // Removes the empty directory (or directory link) at `path` by name; false when it is not
  // empty or the system refuses.
  virtual bool RemoveEmptyDirectory(const char* path) = 0;
  // Makes one directory; false when it cannot be made, or something stands at that name.
  virtual bool MakeFolder(const char* path) = 0;
  // The same, for a folder of ours in a drive's root, where any account may make folders (and
  // rename what inherits their rights): only the user, SYSTEM and the administrators have any
  // right in it, none inherited from the root, so no other account can plant a link in it.
  // False as MakeFolder, or when those rights cannot be given (nothing is made then).
  virtual bool MakePrivateFolder(const char* path) = 0;
  // Resolves `name` against the working directory into `full`; false (and `full` empty) when
  // it cannot be resolved.
  virtual bool ResolveFullPath(const char* name, std::string& full) = 0;
  // The working directory, full; false when it cannot be read.
  virtual bool WorkingDirectory(std::string& directory) = 0;
  // Whether opening `path` as the system opens it (links on the way and at its end followed)
  // reaches the root of a volume, whatever the spelling: kYes, kNo, or kUnknown when it cannot
  // be opened or the system does not say.
  virtual Answer OpensAVolumeRoot(const char* path) = 0;
  // Makes `path` the working directory; false when it is no directory or cannot be entered.
  virtual bool ChangeWorkingDirectory(const char* path) = 0;

  // The named data streams of the file at `path` (its main data not among them), each opened
  // as `path` followed by its name. True with none when the file has none or its file system
  // keeps no streams (FAT, Wine's drives); false when they could not be listed.
  virtual bool NamedStreamsOf(const char* path, std::vector<StreamEntry>& streams) = 0;

  // --- Enumeration ------------------------------------------------------------------------
  // The first entry matching `pattern` ("D:\dir\*": ".", ".." among them) into `entry`, and a
  // handle for the next ones; kInvalidFind when the directory cannot be listed or nothing
  // matches. A link on the way is followed.
  virtual FindHandle FindFirst(const char* pattern, FindData* entry) = 0;
  // The next entry; false at the end of the listing (or when it fails).
  virtual bool FindNext(FindHandle find, FindData* entry) = 0;
  virtual void FindEnd(FindHandle find) = 0;

  // --- Volumes ----------------------------------------------------------------------------
  // The drive type of `root` ("E:\"), kDriveNoRootDir when there is no such drive.
  virtual std::uint32_t DriveTypeOf(const char* root) = 0;
  // True when the drive of `root` ("E:\") is another name for a folder of another drive (subst):
  // its type is that drive's. False for a drive of its own, or when it cannot be told.
  virtual bool IsSubstitutedDrive(const char* root) = 0;
  // Total free bytes of the volume (not the caller's quota share); false when not known.
  virtual bool VolumeFreeBytes(const char* root, std::uint64_t* freeBytes) = 0;
  // The volume's allocation unit in bytes (sectors per cluster times bytes per sector); 0 when
  // unknown.
  virtual std::uint32_t ClusterSizeOf(const char* root) = 0;
  // The name of the volume's file system ("NTFS", "FAT32", "exFAT"...); false when it cannot
  // be read. Wine answers "NTFS" for every drive that is a plain directory, whatever holds it.
  virtual bool VolumeFileSystem(const char* root, std::string& name) = 0;
  // What keeps the data of the volume of `root` ("E:\"), asked of its device without opening
  // any data, as a standard user may: a removable drive or one on a USB, SD or MMC bus is
  // flash; otherwise the device's seek penalty tells a hard disk from an SSD. kUnknown when the
  // device answers neither (Wine 8: error 50).
  virtual StorageKind StorageKindOf(const char* root) = 0;
  // Whether the system holds shadow copies of any volume (restore points, "previous versions",
  // backups): kUnknown when it cannot be told. Which volumes they copy takes rights a standard
  // user lacks.
  virtual Answer ShadowCopiesExist() = 0;

  // --- Memory -----------------------------------------------------------------------------
  // Large write buffers (the free-space chunks), page-aligned in the real backend. nullptr when
  // the memory cannot be had; every buffer obtained is handed back with ReleaseBuffer.
  virtual void* ObtainBuffer(std::size_t bytes) = 0;
  // Hands a buffer back (nullptr: nothing). Never fails.
  virtual void ReleaseBuffer(void* buffer) = 0;

  // --- Failures ---------------------------------------------------------------------------
  // Why the last call that failed did; meaningful only right after a call that failed.
  virtual FailureKind LastFailure() = 0;

  // --- Clocks -----------------------------------------------------------------------------
  virtual std::uint32_t TickCount() = 0;    // milliseconds, wraps at 2^32
  virtual std::uint32_t SecondsNow() = 0;   // whole seconds of the calendar clock
};

}  // namespace varnolt
