#include "platform/Win32Platform.h"

#include <windows.h>

#include <cstring>
#include <ctime>
#include <string>

#include "platform/ReparseTags.h"

namespace varnolt {
namespace {

HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kInvalidFile : reinterpret_cast<FileHandle>(handle);
}

// Wine (8.0) carries out MoveFile, RemoveDirectory and DeleteFile on a Unix symbolic link's
// target instead of the link: the target would be renamed or removed, outside what was chosen.
// There a link is left where it is. Windows acts on the link itself, as the engine expects.
bool RunningOnWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

// The path the system reaches when it opens `path`, every link on the way followed.
bool FinalPathOf(const char* path, std::string* finalPath) {
  const HANDLE item = CreateFileA(path, FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (item == INVALID_HANDLE_VALUE) return false;
  char buffer[1024];
  const DWORD length = GetFinalPathNameByHandleA(item, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
  CloseHandle(item);
  if (length == 0 || length >= sizeof buffer) return false;
  finalPath->assign(buffer, length);
  return true;
}

// Wine shows a Unix symbolic link to a file as a plain file, without the reparse-point
// attribute it gives links to directories. Such a link is told by where opening it leads: its
// folder's own path and its entry's name, or somewhere else. When that cannot be found out, the
// item counts as a link, which is left alone.
bool IsFileLinkOnWine(const char* path) {
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA(path, &entry);
  if (find == INVALID_HANDLE_VALUE) return false;  // nothing there, or a drive root
  FindClose(find);
  const char* const slash = std::strrchr(path, '\\');
  if (slash == nullptr) return true;
  // The folder keeps its backslash when it is a drive root ("C:\\").
  const std::string folder(path, slash - path + (slash - path == 2 ? 1 : 0));
  std::string finalFolder, finalItem;
  if (!FinalPathOf(folder.c_str(), &finalFolder) || !FinalPathOf(path, &finalItem)) return true;
  if (finalFolder.empty() || finalFolder.back() != '\\') finalFolder += '\\';
  return lstrcmpiA((finalFolder + entry.cFileName).c_str(), finalItem.c_str()) != 0;
}

bool IsLinkOnWine(const char* path, DWORD attributes) {
  if (!RunningOnWine() || attributes == INVALID_FILE_ATTRIBUTES) return false;
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || IsFileLinkOnWine(path);
}

bool IsLinkOnWine(const char* path) { return RunningOnWine() && IsLinkOnWine(path, GetFileAttributesA(path)); }

void CopyFindData(const WIN32_FIND_DATAA& data, FindData* entry) {
  entry->attributes = data.dwFileAttributes;
  entry->size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  std::memcpy(entry->name, data.cFileName, kMaxPath);
  entry->name[kMaxPath - 1] = '\0';
}

}  // namespace

FileHandle Win32Platform::OpenExistingForWriting(const char* path) {
  return FromHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
}

FileHandle Win32Platform::CreateDeleteOnClose(const char* path) {
  return FromHandle(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_FLAG_DELETE_ON_CLOSE, nullptr));
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

void Win32Platform::CloseFile(FileHandle file) { CloseHandle(ToHandle(file)); }

std::uint32_t Win32Platform::AttributesOf(const char* path) { return GetFileAttributesA(path); }

ReparseKind Win32Platform::ReparseKindOf(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return ReparseKind::kNone;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return IsLinkOnWine(path, attributes) ? ReparseKind::kLink : ReparseKind::kNone;
  }
  // The tag comes with the directory entry (dwReserved0 of a reparse point); the item is not
  // opened, so a cloud placeholder is not fetched just to be looked at.
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA(path, &entry);
  if (find == INVALID_HANDLE_VALUE) return ReparseKind::kUnknown;
  FindClose(find);
  if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) return ReparseKind::kNone;
  // Wine's reparse points are its Unix symbolic links, listed without a tag.
  if (entry.dwReserved0 == 0 && RunningOnWine()) return ReparseKind::kLink;
  return KindOfReparseTag(entry.dwReserved0);
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
  const HANDLE item = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr);
  if (item == INVALID_HANDLE_VALUE) return 0;
  const std::uint32_t count = NameCountOfHandle(item);
  CloseHandle(item);
  return count;
}

std::uint32_t Win32Platform::OpenFileNameCount(FileHandle file) { return NameCountOfHandle(ToHandle(file)); }

bool Win32Platform::SetAttributesOf(const char* path, std::uint32_t attributes) {
  return SetFileAttributesA(path, attributes) != FALSE;
}

bool Win32Platform::SizeFromAttributes(const char* path, std::uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  *size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  return true;
}

bool Win32Platform::MovePath(const char* from, const char* to) {
  if (IsLinkOnWine(from)) return SetLastError(ERROR_NOT_SUPPORTED), false;
  return MoveFileA(from, to) != FALSE;
}

bool Win32Platform::DeleteFilePath(const char* path) {
  if (IsLinkOnWine(path)) return SetLastError(ERROR_NOT_SUPPORTED), false;
  return DeleteFileA(path) != FALSE;
}

bool Win32Platform::RemoveEmptyDirectory(const char* path) {
  if (IsLinkOnWine(path)) return SetLastError(ERROR_NOT_SUPPORTED), false;
  return RemoveDirectoryA(path) != FALSE;
}

std::uint32_t Win32Platform::ResolveFullPath(const char* name, std::uint32_t capacity, char* buffer) {
  return GetFullPathNameA(name, capacity, buffer, nullptr);
}

std::uint32_t Win32Platform::WorkingDirectory(std::uint32_t capacity, char* buffer) {
  return GetCurrentDirectoryA(capacity, buffer);
}

bool Win32Platform::ChangeWorkingDirectory(const char* path) {
  return SetCurrentDirectoryA(path) != FALSE;
}

FindHandle Win32Platform::FindFirst(const char* pattern, FindData* entry) {
  WIN32_FIND_DATAA data;
  const HANDLE find = FindFirstFileA(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return kInvalidFind;
  CopyFindData(data, entry);
  return reinterpret_cast<FindHandle>(find);
}

bool Win32Platform::FindNext(FindHandle find, FindData* entry) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(reinterpret_cast<HANDLE>(find), &data)) return false;
  CopyFindData(data, entry);
  return true;
}

void Win32Platform::FindEnd(FindHandle find) { FindClose(reinterpret_cast<HANDLE>(find)); }

std::uint32_t Win32Platform::DriveTypeOf(const char* root) { return GetDriveTypeA(root); }

bool Win32Platform::VolumeFreeBytes(const char* root, std::uint64_t* freeBytes) {
  ULARGE_INTEGER availableToCaller, totalBytes, totalFree;
  if (!GetDiskFreeSpaceExA(root, &availableToCaller, &totalBytes, &totalFree)) return false;
  *freeBytes = totalFree.QuadPart;
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

bool Win32Platform::MakeFolder(const char* path) { return CreateDirectoryA(path, nullptr) != FALSE; }

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
