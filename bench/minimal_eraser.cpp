// The benchmark's yardstick for runs over many files: per file only what an erase that leaves
// no name needs, and nothing more. A file is opened for writing without sharing, overwritten in
// three sweeps of 8192-byte blocks (0xAA, 0x55, 0xAA), each flushed (FlushFileBuffers), closed,
// renamed twice to random names of its own name's length (so that no copy of its name stays in
// the folder's index), then to a random decimal number, and deleted. A folder is listed once.
// A folder it empties then gets its cover files, 8 + ceil(2 * S / 592) empty files of
// 255-character random names, where S is the sum over the entries it held of (82 + 2 * the
// name's length in UTF-16 units), what those entries took in an NTFS index: each made new
// (CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE), all held open together, then closed (and so
// deleted). Last the folder is renamed to a random decimal number once and removed. No window,
// no progress, no check of what an item is beyond its listing, no report beyond the counts.
//
//   minimal_eraser FOLDER             erases FOLDER and everything below it, FOLDER included
//   minimal_eraser --list LIST_FILE   erases the files named in LIST_FILE (UTF-8, one path a
//                                     line), those only: no listing, no folder, no cover file
// Prints "files=N folders=N cover_files=N" and exits with 0 when everything given is gone; on
// the first failure it says which call failed on which path and exits with 1 (2: bad usage).
// bench/many_files.sh runs it (target bench_many_files) beside Varnolt.exe on the same files.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/WideWin32.h"

namespace {

constexpr DWORD kBlockSize = 8192;
constexpr int kCoverFilesBase = 8;
constexpr std::uint64_t kEntryBytesBase = 82;
constexpr std::uint64_t kCoverEntryBytes = 82 + 2 * 255;
constexpr std::size_t kCoverNameLength = 255;

unsigned char blocks[2][kBlockSize];
long long filesErased = 0, foldersRemoved = 0, coverFilesMade = 0;
std::uint64_t state = 0;

std::uint64_t NextRandom() {  // xorshift64: names only, no secret
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

std::string Utf8(const std::wstring& wide) { return varnolt::Utf8FromWide(wide); }

bool Fail(const char* call, const std::wstring& path) {
  std::printf("FAILED: %s %s (error %lu)\n", call, Utf8(path).c_str(), GetLastError());
  return false;
}

// "\\?\" and the full path: a cover file's 255-character name takes any path past MAX_PATH.
bool LongPath(const std::wstring& path, std::wstring& full) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return Fail("GetFullPathNameW", path);
  std::wstring buffer(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, buffer.data(), nullptr);
  if (length == 0 || length >= size) return Fail("GetFullPathNameW", path);
  buffer.resize(length);
  full = buffer.compare(0, 4, L"\\\\?\\") == 0 ? buffer : L"\\\\?\\" + buffer;
  return true;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }
std::wstring NameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

std::wstring Letters(std::size_t count) {
  std::wstring name;
  for (std::size_t i = 0; i < count; ++i) name += static_cast<wchar_t>(L'a' + NextRandom() % 26);
  return name;
}

std::wstring Number() { return std::to_wstring(static_cast<std::uint32_t>(NextRandom())); }

// Moves `path` to a new name in its folder, never over one that stands (another is drawn then).
bool RenameTo(std::wstring& path, bool digits) {
  const std::size_t length = NameOf(path).size();
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::wstring target = FolderOf(path) + (digits ? Number() : Letters(length));
    if (MoveFileExW(path.c_str(), target.c_str(), 0)) {
      path = target;
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
  }
  return Fail("MoveFileExW", path);
}

bool Overwrite(const std::wstring& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail("CreateFileW", path);
  LARGE_INTEGER size{}, zero{};
  bool done = GetFileSizeEx(file, &size) != 0;
  const unsigned char* const sweeps[3] = {blocks[0], blocks[1], blocks[0]};
  for (int sweep = 0; sweep < 3 && done; ++sweep) {
    done = SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) != 0;
    for (std::uint64_t offset = 0; done && offset < static_cast<std::uint64_t>(size.QuadPart); offset += kBlockSize) {
      const std::uint64_t left = static_cast<std::uint64_t>(size.QuadPart) - offset;
      const DWORD count = left < kBlockSize ? static_cast<DWORD>(left) : kBlockSize;
      DWORD written = 0;
      done = WriteFile(file, sweeps[sweep], count, &written, nullptr) && written == count;
    }
    done = done && FlushFileBuffers(file);
  }
  if (!done) Fail("writing", path);
  CloseHandle(file);
  return done;
}

bool EraseFile(std::wstring path) {
  if (!Overwrite(path) || !RenameTo(path, false) || !RenameTo(path, false) || !RenameTo(path, true)) return false;
  if (!DeleteFileW(path.c_str())) return Fail("DeleteFileW", path);
  ++filesErased;
  return true;
}

// The cover files of a folder just emptied whose entries took `heldBytes` in its index.
bool Cover(const std::wstring& folder, std::uint64_t heldBytes) {
  const std::uint64_t count = kCoverFilesBase + (2 * heldBytes + kCoverEntryBytes - 1) / kCoverEntryBytes;
  std::vector<HANDLE> made;
  bool done = true;
  while (done && made.size() < count) {
    const std::wstring path = folder + L'\\' + Letters(kCoverNameLength);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE,
                                    nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      made.push_back(file);
    } else if (GetLastError() != ERROR_FILE_EXISTS) {
      done = Fail("CreateFileW(CREATE_NEW)", path);
    }
  }
  for (const HANDLE file : made) CloseHandle(file);
  coverFilesMade += static_cast<long long>(made.size());
  return done;
}

bool EraseFolder(std::wstring folder) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return Fail("FindFirstFileW", folder);
  std::vector<std::wstring> files, folders;
  std::uint64_t heldBytes = 0;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    heldBytes += kEntryBytesBase + 2 * name.size();
    ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? folders : files).push_back(folder + L'\\' + name);
  } while (FindNextFileW(find, &entry));
  const DWORD ended = GetLastError();
  FindClose(find);
  if (ended != ERROR_NO_MORE_FILES) return Fail("FindNextFileW", folder);
  for (const std::wstring& file : files) {
    if (!EraseFile(file)) return false;
  }
  for (const std::wstring& inner : folders) {
    if (!EraseFolder(inner)) return false;
  }
  if (heldBytes != 0 && !Cover(folder, heldBytes)) return false;
  if (!RenameTo(folder, true)) return false;
  if (!RemoveDirectoryW(folder.c_str())) return Fail("RemoveDirectoryW", folder);
  ++foldersRemoved;
  return true;
}

bool EraseList(const std::wstring& list) {
  const HANDLE file = CreateFileW(list.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail("CreateFileW", list);
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(file);
  // Every path read before the first is erased: the list is read as a whole, as the program
  // reads its pipe before it begins.
  std::vector<std::wstring> paths;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    if (stop > start) {
      const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + start,
                                             static_cast<int>(stop - start), nullptr, 0);
      std::wstring path(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
      if (length <= 0 || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + start,
                                             static_cast<int>(stop - start), path.data(), length) != length) {
        return Fail("reading a UTF-8 line of", list);
      }
      std::wstring full;
      if (!LongPath(path, full)) return false;
      paths.push_back(full);
    }
    start = end + 1;
  }
  for (const std::wstring& path : paths) {
    if (!EraseFile(path)) return false;
  }
  return true;
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return 2;
  const bool fromList = count == 3 && std::wstring(arguments[1]) == L"--list";
  if (count != 2 && !fromList) {
    std::printf("usage: minimal_eraser FOLDER | minimal_eraser --list LIST_FILE\n");
    return 2;
  }
  LARGE_INTEGER seed{};
  QueryPerformanceCounter(&seed);
  state = static_cast<std::uint64_t>(seed.QuadPart) ^ (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) ^
          0x9E3779B97F4A7C15ull;
  FillMemory(blocks[0], kBlockSize, 0xAA);
  FillMemory(blocks[1], kBlockSize, 0x55);
  std::wstring target;
  bool done = false;
  if (fromList) {
    done = EraseList(arguments[2]);
  } else if (LongPath(arguments[1], target)) {
    while (target.size() > 7 && target.back() == L'\\') target.pop_back();  // "\\?\T:\" stays
    done = EraseFolder(target);
  }
  LocalFree(arguments);
  std::printf("files=%lld folders=%lld cover_files=%lld\n", filesErased, foldersRemoved, coverFilesMade);
  return done ? 0 : 1;
}
