#include "platform/Win32Platform.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <sddl.h>
#include <aclapi.h>

#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "common/WideWin32.h"
#include "platform/ReparseTags.h"

namespace varnolt {
namespace {

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kInvalidFile : reinterpret_cast<FileHandle>(handle);
}

// A path of the seam as the W calls take it; false for no path or bytes that are no UTF-8.
bool WideOf(const char* text, std::wstring& wide) {
  wide.clear();
  return text != nullptr && WideFromUtf8(text, wide);
}

// GetFullPathNameW into a string as long as it needs; empty on failure.
std::wstring FullPathOf(const std::wstring& name) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return {};
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);  // the size needed, its zero included
  }
}

// The form of a UTF-8 path the W calls are given: as it is below MAX_PATH characters; from
// there on its "\\?\" form (UNC paths "\\?\UNC\server\share\..."), which the system takes
// up to 32,767 characters. That form is taken literally, so the path is first made full and
// normal as the system would make it (".", "..", "/" folded, trailing dots and spaces of the
// last component dropped): a long path names what the same path would name if it were short.
bool SystemPath(const char* path, std::wstring& wide) {
  // Bytes that are no UTF-8 name nothing: the caller's failure reads as a name not supported.
  if (!WideOf(path, wide)) return SetLastError(ERROR_INVALID_NAME), false;
  if (wide.size() < MAX_PATH) return true;
  if (wide.rfind(L"\\\\?\\", 0) == 0 || wide.rfind(L"\\\\.\\", 0) == 0) return true;
  std::wstring full = FullPathOf(wide);
  if (full.empty()) return false;
  if (full.rfind(L"\\\\", 0) == 0) {
    wide = L"\\\\?\\UNC\\" + full.substr(2);
  } else {
    wide = L"\\\\?\\" + full;
  }
  return true;
}

// Wine (8.0) carries out MoveFile, RemoveDirectory and DeleteFile on a Unix symbolic link's
// target instead of the link: the target would be renamed or removed, outside what was chosen.
// There a link is left where it is. Windows acts on the link itself, as the engine expects.
bool RunningOnWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

// The NT name of an open item, through ntdll's NtQueryObject (ObjectNameInformation).
bool ObjectNameOf(HANDLE item, std::wstring* name) {
  using QueryObject = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
  static const auto query =
      reinterpret_cast<QueryObject>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject"));
  if (query == nullptr) return false;
  struct CountedText {
    USHORT length;  // bytes
    USHORT capacity;
    wchar_t* text;
  };
  // Asked three times a file: most names fit on the stack; only a longer one takes the room of
  // the longest (an allocation of 128 KiB at each call made the time a file grow with the run).
  constexpr int kObjectNameInformation = 1;
  alignas(8) std::uint8_t small[sizeof(CountedText) + 2048 * sizeof(wchar_t)];
  std::vector<std::uint8_t> large;
  const std::uint8_t* data = small;
  ULONG got = 0;
  if (query(item, kObjectNameInformation, small, sizeof small, &got) != 0) {
    large.resize(sizeof(CountedText) + 65536 * sizeof(wchar_t));
    if (query(item, kObjectNameInformation, large.data(), static_cast<ULONG>(large.size()), &got) != 0) return false;
    data = large.data();
  }
  const auto* counted = reinterpret_cast<const CountedText*>(data);
  if (counted->text == nullptr || counted->length == 0) return false;
  name->assign(counted->text, counted->length / sizeof(wchar_t));
  return true;
}

// The path the system reaches when it opens `path`, every link on the way followed, as its NT
// name ("\\??\\C:\\..."). Only Wine asks (see below): its GetFinalPathNameByHandleW (8.0)
// answers only below MAX_PATH, its object names have no such limit.
bool FinalPathOf(const std::wstring& path, std::wstring* finalPath) {
  const HANDLE item = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (item == INVALID_HANDLE_VALUE) return false;
  const bool named = ObjectNameOf(item, finalPath);
  CloseHandle(item);
  return named;
}

// Wine shows a Unix symbolic link to a file as a plain file, without the reparse-point
// attribute it gives links to directories. Such a link is told by where opening it leads: its
// folder's own path and its entry's name, or somewhere else. When that cannot be found out, the
// item counts as a link, which is left alone.
//
// Every file of a folder is asked in turn, each lookup a round trip to Wine's server: the
// folder's own path is kept from one file to the next (a folder replaced since by a link only
// makes its files look like links, which are then checked for being the ones collected), and
// the entry's name is read from the folder only when it may be an 8.3 alias of its long name.
bool IsFileLinkOnWine(const char* path) {
  std::wstring widePath;
  if (!SystemPath(path, widePath)) return true;
  const char* const slash = std::strrchr(path, '\\');
  if (slash == nullptr) return true;
  if (slash[1] == '\0') return false;  // a drive root
  std::wstring name;
  if (std::strchr(slash + 1, '~') != nullptr) {
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW(widePath.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return false;  // nothing there
    FindClose(find);
    name = entry.cFileName;
  } else if (!WideOf(slash + 1, name)) {
    return true;
  }
  // The folder keeps its backslash when it is a drive root ("C:\\").
  const std::string folder(path, slash - path + (slash - path == 2 ? 1 : 0));
  // Kept for the process, not a thread: MinGW's thread-local objects with destructors are not
  // safe to end with a thread of std::thread.
  static std::mutex lastMutex;
  static std::string lastFolder;
  static std::wstring lastFinalFolder;
  std::wstring finalFolder;
  {
    const std::lock_guard<std::mutex> lock(lastMutex);
    if (folder == lastFolder) finalFolder = lastFinalFolder;
  }
  if (finalFolder.empty()) {
    std::wstring wideFolder;
    if (!SystemPath(folder.c_str(), wideFolder) || !FinalPathOf(wideFolder, &finalFolder)) return true;
    if (finalFolder.empty() || finalFolder.back() != L'\\') finalFolder += L'\\';
    const std::lock_guard<std::mutex> lock(lastMutex);
    lastFolder = folder;
    lastFinalFolder = finalFolder;
  }
  std::wstring finalItem;
  if (!FinalPathOf(widePath, &finalItem)) return true;
  return lstrcmpiW((finalFolder + name).c_str(), finalItem.c_str()) != 0;
}

bool IsLinkOnWine(const char* path, DWORD attributes) {
  if (!RunningOnWine() || attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || IsFileLinkOnWine(path);
}

DWORD AttributesOfPath(const char* path) {
  std::wstring wide;
  return SystemPath(path, wide) ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool IsLinkOnWine(const char* path) { return RunningOnWine() && IsLinkOnWine(path, AttributesOfPath(path)); }

void CopyFindData(const WIN32_FIND_DATAW& data, FindData* entry) {
  entry->attributes = data.dwFileAttributes;
  entry->size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  entry->name = Utf8FromWide(std::wstring_view(data.cFileName, wcsnlen(data.cFileName, MAX_PATH)));
  entry->reparseTag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0;
}

}  // namespace

FileHandle Win32Platform::OpenExistingForWriting(const char* path) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return kInvalidFile;
  return FromHandle(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

FileHandle Win32Platform::CreateDeleteOnClose(const char* path) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return kInvalidFile;
  return FromHandle(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

FileHandle Win32Platform::CreateNewDeleteOnClose(const char* path) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return kInvalidFile;
  return FromHandle(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

FileHandle Win32Platform::OpenFileForErasure(const char* path) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return kInvalidFile;
  // Without FILE_FLAG_BACKUP_SEMANTICS a directory does not open: only a file is taken.
  return FromHandle(CreateFileW(wide.c_str(), GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                0, nullptr));
}

namespace {

// Opens the directory at `path` itself (a reparse point there is not followed) with `access`,
// shared with everyone; INVALID_HANDLE_VALUE for anything that is no directory.
HANDLE OpenFolderItself(const std::wstring& path, DWORD access) {
  const HANDLE folder = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return folder;
  FILE_BASIC_INFO basic;
  if (!GetFileInformationByHandleEx(folder, FileBasicInfo, &basic, sizeof basic) ||
      !(basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(folder);
    SetLastError(ERROR_DIRECTORY);
    return INVALID_HANDLE_VALUE;
  }
  return folder;
}

}  // namespace

FileHandle Win32Platform::OpenFolderForRemoval(const char* path) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return kInvalidFile;
  return FromHandle(OpenFolderItself(wide, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE));
}

namespace {

// Wine answers FileIdInfo's volume serial from its mount manager, a round trip to another
// process (0.4 ms a call, against 0.4 us for the rest): there the serial is asked once for each
// drive, that of the drive the item's name lies on once every link is followed (its NT name,
// "\??\E:\..."), and the file ID is the index FileInternalInformation gives, which is what
// Wine's FileIdInfo holds (the inode). The same values, without the round trip.
bool WineIdentityOf(HANDLE item, ItemIdentity* identity) {
  std::wstring name;
  if (!ObjectNameOf(item, &name) || name.size() < 7 || name.compare(0, 4, L"\\??\\") != 0 || name[5] != L':') return false;
  const wchar_t letter = static_cast<wchar_t>(towupper(name[4]));
  if (letter < L'A' || letter > L'Z') return false;
  // Per letter: the serial, with bit 32 set once it is known.
  static std::atomic<std::uint64_t> serials[26];
  std::uint64_t known = serials[letter - L'A'].load();
  if (known == 0) {
    const wchar_t root[4] = {letter, L':', L'\\', L'\0'};
    DWORD serial = 0;
    if (!GetVolumeInformationW(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return false;
    known = (std::uint64_t{1} << 32) | serial;
    serials[letter - L'A'].store(known);
  }
  using QueryFile = LONG(WINAPI*)(HANDLE, void*, void*, ULONG, ULONG);
  static const auto query =
      reinterpret_cast<QueryFile>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
  if (query == nullptr) return false;
  struct { void* status; ULONG_PTR information; } io{};
  LARGE_INTEGER index{};
  constexpr ULONG kFileInternalInformation = 6;
  if (query(item, &io, &index, sizeof index, kFileInternalInformation) != 0) return false;
  identity->volume = static_cast<std::uint32_t>(known);
  identity->fileLow = static_cast<std::uint64_t>(index.QuadPart);
  identity->fileHigh = 0;
  return identity->Known();
}

}  // namespace

bool Win32Platform::OpenIdentity(FileHandle item, ItemIdentity* identity) {
  if (RunningOnWine() && WineIdentityOf(ToHandle(item), identity)) return true;
  // FileIdInfo (Windows 8 on, Wine) has the whole 128-bit ID; where a file system does not
  // answer it, the 64-bit index and 32-bit serial every one gives stand in. The same call
  // serves the collection and the check, so both read one kind of identity.
  FILE_ID_INFO id;
  if (GetFileInformationByHandleEx(ToHandle(item), FileIdInfo, &id, sizeof id)) {
    identity->volume = id.VolumeSerialNumber;
    std::memcpy(&identity->fileLow, id.FileId.Identifier, 8);
    std::memcpy(&identity->fileHigh, id.FileId.Identifier + 8, 8);
    return identity->Known();
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(ToHandle(item), &information)) return false;
  identity->volume = information.dwVolumeSerialNumber;
  identity->fileLow = static_cast<std::uint64_t>(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
  identity->fileHigh = 0;
  return identity->Known();
}

bool Win32Platform::IdentityOf(const char* path, ItemIdentity* identity) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return false;
  const HANDLE item = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr);
  if (item == INVALID_HANDLE_VALUE) return false;
  const bool known = OpenIdentity(FromHandle(item), identity);
  CloseHandle(item);
  return known;
}

bool Win32Platform::RenameOpen(FileHandle item, const char* newPath) {
  // The whole new path: Wine (8.0) resolves a bare name against the working directory and
  // moves the item there, and refuses a RootDirectory here (87).
  std::wstring wide;
  if (!SystemPath(newPath, wide)) return false;
  std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + wide.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
  std::memcpy(rename->FileName, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
  return SetFileInformationByHandle(ToHandle(item), FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool Win32Platform::DeleteOpen(FileHandle item) {
  // FileDispositionInfo, not its Ex form, which Wine (8.0) refuses.
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(ToHandle(item), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool Win32Platform::OpenFileSize(FileHandle file, std::uint64_t* size) {
  DWORD high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(ToHandle(file), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  *size = static_cast<std::uint64_t>(high) << 32 | low;
  return true;
}

bool Win32Platform::SeekToStart(FileHandle file) {
  SetLastError(NO_ERROR);
  const DWORD result = SetFilePointer(ToHandle(file), 0, nullptr, FILE_BEGIN);
  return !(result == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool Win32Platform::WriteBytes(FileHandle file, const void* data, std::uint32_t count,
                               std::uint32_t* written) {
  DWORD bytes = 0;
  const BOOL ok = WriteFile(ToHandle(file), data, count, &bytes, nullptr);
  *written = bytes;
  return ok != FALSE;
}

bool Win32Platform::FlushToDisk(FileHandle file) { return FlushFileBuffers(ToHandle(file)) != FALSE; }

bool Win32Platform::TrimRange(FileHandle file, std::uint64_t offset, std::uint64_t length) {
  FileLevelTrim trim{};
  trim.rangeCount = 1;
  trim.ranges[0] = FileLevelTrimRange{offset, length};
  FileLevelTrimOutput output{};
  DWORD returned = 0;
  if (!DeviceIoControl(ToHandle(file), kFsctlFileLevelTrim, &trim, sizeof trim, &output, sizeof output, &returned,
                       nullptr)) {
    return false;
  }
  // A range the file system passed over was not asked of the drive.
  if (returned < sizeof output || output.rangesProcessed != 1) return SetLastError(ERROR_NOT_SUPPORTED), false;
  return true;
}

void Win32Platform::CloseFile(FileHandle file) { CloseHandle(ToHandle(file)); }

std::uint32_t Win32Platform::AttributesOf(const char* path) { return AttributesOfPath(path); }

namespace {

// The item's entry in its directory. The tag of a reparse point comes with it (dwReserved0); the
// item is not opened, so a cloud placeholder is not fetched just to be looked at.
bool DirectoryEntryOf(const char* path, WIN32_FIND_DATAW& entry) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return false;
  const HANDLE find = FindFirstFileW(wide.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

}  // namespace

ReparseKind Win32Platform::ReparseKindOf(const char* path) {
  const DWORD attributes = AttributesOfPath(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return ReparseKind::kNone;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return IsLinkOnWine(path, attributes) ? ReparseKind::kLink : ReparseKind::kNone;
  }
  WIN32_FIND_DATAW entry;
  if (!DirectoryEntryOf(path, entry)) return ReparseKind::kUnknown;
  if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return ReparseKind::kNone;
  // Wine's reparse points are its Unix symbolic links, listed without a tag.
  if (entry.dwReserved0 == 0 && RunningOnWine()) return ReparseKind::kLink;
  return KindOfReparseTag(entry.dwReserved0);
}

std::uint32_t Win32Platform::ReparseTagOf(const char* path) {
  WIN32_FIND_DATAW entry;
  if (!DirectoryEntryOf(path, entry) || !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return 0;
  return entry.dwReserved0;
}

namespace {

// The standard information needs no access right beyond the handle's own, so a file opened for
// writing only answers too.
std::uint32_t NameCountOfHandle(HANDLE file) {
  FILE_STANDARD_INFO information;
  if (!GetFileInformationByHandleEx(file, FileStandardInfo, &information, sizeof information)) return 0;
  return information.NumberOfLinks;
}

}  // namespace

std::uint32_t Win32Platform::NameCountOf(const char* path) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return 0;
  const HANDLE item = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr);
  if (item == INVALID_HANDLE_VALUE) return 0;
  const std::uint32_t count = NameCountOfHandle(item);
  CloseHandle(item);
  return count;
}

std::uint32_t Win32Platform::OpenFileNameCount(FileHandle file) { return NameCountOfHandle(ToHandle(file)); }

bool Win32Platform::SetAttributesOf(const char* path, std::uint32_t attributes) {
  std::wstring wide;
  return SystemPath(path, wide) && SetFileAttributesW(wide.c_str(), attributes) != FALSE;
}

bool Win32Platform::SizeFromAttributes(const char* path, std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  std::wstring wide;
  if (!SystemPath(path, wide) || !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
  *size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  return true;
}

bool Win32Platform::MovePath(const char* from, const char* to) {
  if (IsLinkOnWine(from)) return SetLastError(ERROR_NOT_SUPPORTED), false;
  std::wstring wideFrom, wideTo;
  if (!SystemPath(from, wideFrom) || !SystemPath(to, wideTo)) return false;
  return MoveFileW(wideFrom.c_str(), wideTo.c_str()) != FALSE;
}

bool Win32Platform::DeleteFilePath(const char* path) {
  if (IsLinkOnWine(path)) return SetLastError(ERROR_NOT_SUPPORTED), false;
  std::wstring wide;
  return SystemPath(path, wide) && DeleteFileW(wide.c_str()) != FALSE;
}

bool Win32Platform::RemoveEmptyDirectory(const char* path) {
  if (IsLinkOnWine(path)) return SetLastError(ERROR_NOT_SUPPORTED), false;
  std::wstring wide;
  return SystemPath(path, wide) && RemoveDirectoryW(wide.c_str()) != FALSE;
}

bool Win32Platform::ResolveFullPath(const char* name, std::string& full) {
  full.clear();
  std::wstring wide;
  if (!WideOf(name, wide) || wide.empty()) return false;
  const std::wstring resolved = FullPathOf(wide);
  if (resolved.empty()) return false;
  full = Utf8FromWide(resolved);
  return true;
}

Answer Win32Platform::OpensAVolumeRoot(const char* path) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return Answer::kUnknown;
  const HANDLE item = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (item == INVALID_HANDLE_VALUE) return Answer::kUnknown;
  // The path within its volume, without the volume's name: "\" alone for its root (Windows and
  // Wine 8 alike). A longer answer does not fit in the buffer and is no root.
  wchar_t within[4];
  const DWORD length = GetFinalPathNameByHandleW(item, within, 4, FILE_NAME_NORMALIZED | VOLUME_NAME_NONE);
  CloseHandle(item);
  if (length == 0) return Answer::kUnknown;
  return length == 1 && within[0] == L'\\' ? Answer::kYes : Answer::kNo;
}

bool Win32Platform::WorkingDirectory(std::string& directory) {
  directory.clear();
  const DWORD needed = GetCurrentDirectoryW(0, nullptr);
  if (needed == 0) return false;
  std::wstring wide(needed, L'\0');
  const DWORD length = GetCurrentDirectoryW(needed, wide.data());
  if (length == 0 || length >= needed) return false;
  wide.resize(length);
  directory = Utf8FromWide(wide);
  return true;
}

bool Win32Platform::ChangeWorkingDirectory(const char* path) {
  std::wstring wide;
  return WideOf(path, wide) && SetCurrentDirectoryW(wide.c_str()) != FALSE;
}

bool Win32Platform::NamedStreamsOf(const char* path, std::vector<StreamEntry>& streams) {
  streams.clear();
  std::wstring wide;
  if (!SystemPath(path, wide)) return false;
  WIN32_FIND_STREAM_DATA data;
  const HANDLE find = FindFirstStreamW(wide.c_str(), FindStreamInfoStandard, &data, 0);
  if (find == INVALID_HANDLE_VALUE) {
    switch (GetLastError()) {
      // No stream at all, or a file system (FAT) or a system (Wine) without streams.
      case ERROR_HANDLE_EOF:
      case ERROR_CALL_NOT_IMPLEMENTED:
      case ERROR_NOT_SUPPORTED:
      case ERROR_INVALID_FUNCTION:
      case ERROR_INVALID_PARAMETER:
        return true;
      default:
        return false;
    }
  }
  do {
    // The file's own data ("::$DATA") is the file; only data streams are listed, but a name of
    // another kind would not open as one either.
    const std::wstring_view name(data.cStreamName, wcsnlen(data.cStreamName, MAX_PATH + 36));
    constexpr std::wstring_view kData = L":$DATA";
    if (name == L"::$DATA" || name.size() <= kData.size() || name.substr(name.size() - kData.size()) != kData) continue;
    streams.push_back(StreamEntry{Utf8FromWide(name), static_cast<std::uint64_t>(data.StreamSize.QuadPart)});
  } while (FindNextStreamW(find, &data));
  const DWORD end = GetLastError();
  FindClose(find);
  SetLastError(end);  // why the listing stopped, for LastFailure
  return end == ERROR_HANDLE_EOF;
}

FindHandle Win32Platform::FindFirst(const char* pattern, FindData* entry) {
  std::wstring wide;
  if (!SystemPath(pattern, wide)) return kInvalidFind;
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW(wide.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return kInvalidFind;
  CopyFindData(data, entry);
  return reinterpret_cast<FindHandle>(find);
}

bool Win32Platform::FindNext(FindHandle find, FindData* entry) {
  WIN32_FIND_DATAW data;
  if (!FindNextFileW(reinterpret_cast<HANDLE>(find), &data)) return false;
  CopyFindData(data, entry);
  return true;
}

void Win32Platform::FindEnd(FindHandle find) { FindClose(reinterpret_cast<HANDLE>(find)); }

std::uint32_t Win32Platform::DriveTypeOf(const char* root) {
  std::wstring wide;
  return WideOf(root, wide) ? GetDriveTypeW(wide.c_str()) : kDriveUnknown;
}

bool Win32Platform::IsSubstitutedDrive(const char* root) {
  // A subst drive's device is the folder it stands for, "\??\C:\dossier"; a drive of its
  // own is a device ("\Device\HarddiskVolume3"; Wine 8 answers the same way).
  if (root == nullptr || root[0] == '\0' || root[1] != ':') return false;
  const wchar_t drive[3] = {static_cast<wchar_t>(static_cast<unsigned char>(root[0])), L':', L'\0'};
  std::vector<wchar_t> target(1024);
  if (QueryDosDeviceW(drive, target.data(), static_cast<DWORD>(target.size())) == 0) return false;
  return std::wstring_view(target.data()).rfind(L"\\??\\", 0) == 0;
}

bool Win32Platform::VolumeFreeBytes(const char* root, std::uint64_t* freeBytes) {
  ULARGE_INTEGER availableToCaller, totalBytes, totalFree;
  std::wstring wide;
  if (!WideOf(root, wide) || !GetDiskFreeSpaceExW(wide.c_str(), &availableToCaller, &totalBytes, &totalFree)) {
    return false;
  }
  *freeBytes = totalFree.QuadPart;
  return true;
}

std::uint32_t Win32Platform::ClusterSizeOf(const char* root) {
  std::wstring wide;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (!WideOf(root, wide) || !GetDiskFreeSpaceW(wide.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
    return 0;
  }
  return sectorsPerCluster * bytesPerSector;
}

bool Win32Platform::VolumeFileSystem(const char* root, std::string& name) {
  name.clear();
  std::wstring wide;
  wchar_t system[MAX_PATH + 1];
  if (!WideOf(root, wide) ||
      !GetVolumeInformationW(wide.c_str(), nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1)) {
    return false;
  }
  name = Utf8FromWide(std::wstring_view(system, wcsnlen(system, MAX_PATH)));
  return true;
}

void* Win32Platform::ObtainBuffer(std::size_t bytes) {
  // Whole pages, committed now: a shortage shows here and not at the first write.
  return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void Win32Platform::ReleaseBuffer(void* buffer) {
  if (buffer != nullptr) VirtualFree(buffer, 0, MEM_RELEASE);
}

std::uint32_t Win32Platform::TickCount() { return GetTickCount(); }

std::uint32_t Win32Platform::SecondsNow() { return static_cast<std::uint32_t>(std::time(nullptr)); }

}  // namespace varnolt

namespace varnolt {

bool Win32Platform::MakeFolder(const char* path) {
  std::wstring wide;
  return SystemPath(path, wide) && CreateDirectoryW(wide.c_str(), nullptr) != FALSE;
}

namespace {

// The TOKEN_USER of the user running the program; empty when it cannot be read.
std::vector<std::uint8_t> CurrentTokenUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  std::vector<std::uint8_t> buffer(256);
  DWORD needed = 0;
  bool got = GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
  if (!got && needed > buffer.size()) {
    buffer.resize(needed);
    got = GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed);
  }
  CloseHandle(token);
  if (!got) buffer.clear();
  return buffer;
}

// The user running the program, as a SID string ("S-1-5-21-..."); empty when not known.
std::wstring CurrentUserSid() {
  std::vector<std::uint8_t> user = CurrentTokenUser();
  wchar_t* text = nullptr;
  if (user.empty() || !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) return {};
  std::wstring sid = text;
  LocalFree(text);
  return sid;
}

}  // namespace

bool Win32Platform::MakePrivateFolder(const char* path) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return false;
  const std::wstring user = CurrentUserSid();
  if (user.empty()) return false;
  // A protected DACL (P: nothing inherited from the root): full access, for this folder and what
  // it will hold, to SYSTEM, the administrators and the user, and to no one else.
  const std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
    return false;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const BOOL made = CreateDirectoryW(wide.c_str(), &attributes);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  SetLastError(error);
  return made != FALSE;
}

FileHandle Win32Platform::OpenFolderForTimes(const char* path) {
  std::wstring wide;
  if (!SystemPath(path, wide)) return kInvalidFile;
  // READ_CONTROL for the owner; no DELETE, which Wine takes as reason not to list the folder.
  return FromHandle(OpenFolderItself(wide, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | READ_CONTROL));
}

namespace {

std::uint64_t TimeValue(const FILETIME& time) {
  return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}
FILETIME TimeOf(std::uint64_t value) {
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

}  // namespace

bool Win32Platform::OpenTimes(FileHandle item, ItemTimes* times, std::uint32_t* attributes) {
  FILE_BASIC_INFO basic;
  FILETIME created, accessed, written;
  if (!GetFileInformationByHandleEx(ToHandle(item), FileBasicInfo, &basic, sizeof basic) ||
      !GetFileTime(ToHandle(item), &created, &accessed, &written)) {
    return false;
  }
  *times = ItemTimes{TimeValue(created), TimeValue(accessed), TimeValue(written)};
  *attributes = basic.FileAttributes;
  return true;
}

bool Win32Platform::SetOpenTimes(FileHandle item, const ItemTimes& times) {
  const FILETIME created = TimeOf(times.created), accessed = TimeOf(times.accessed), written = TimeOf(times.written);
  return SetFileTime(ToHandle(item), &created, &accessed, &written) != FALSE;
}

Answer Win32Platform::OpenOwnedByUser(FileHandle item) {
  std::vector<std::uint8_t> user = CurrentTokenUser();
  if (user.empty()) return Answer::kUnknown;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(ToHandle(item), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return Answer::kUnknown;
  }
  const bool same = owner != nullptr && EqualSid(owner, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
  LocalFree(descriptor);
  return same ? Answer::kYes : Answer::kNo;
}

// The calls above leave their error code as the system set it: it is read here, untouched.
FailureKind Win32Platform::LastFailure() {
  switch (GetLastError()) {
    case NO_ERROR:
      return FailureKind::kNone;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_BUSY:
      return FailureKind::kInUse;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return FailureKind::kAccessDenied;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_INVALID_DRIVE:
      return FailureKind::kGone;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return FailureKind::kDiskFull;
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_IO_DEVICE:
    case ERROR_FILE_TOO_LARGE:
      return FailureKind::kDiskError;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return FailureKind::kNameNotSupported;
    default:
      return FailureKind::kOther;
  }
}

}  // namespace varnolt
