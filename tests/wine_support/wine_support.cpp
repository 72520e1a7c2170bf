#include "wine_support.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/WideText.h"

namespace varnolt::wine_testing {
namespace {

constexpr char kScratchRoot[] = "C:\\varnolt-tests";

}  // namespace


std::string FromBuildTree(const char* unixPath) {
  std::string path = std::string("\\\\?\\unix") + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

HGLOBAL MakeDropFiles(const std::vector<std::string>& names) {
  std::vector<std::wstring> wide;
  for (const std::string& name : names) {
    std::wstring characters;
    for (const char c : name) characters += static_cast<wchar_t>(static_cast<unsigned char>(c));
    wide.push_back(characters);
  }
  return MakeDropFiles(wide);
}

HGLOBAL MakeDropFiles(const std::vector<std::wstring>& names) {
  std::wstring list;
  for (const std::wstring& name : names) {
    list += name;
    list += L'\0';
  }
  list += L'\0';
  const SIZE_T size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

std::wstring SystemPathW(const std::string& path) {
  std::u16string units;
  if (!Utf16FromUtf8(path, units)) return std::wstring();
  std::wstring wide(units.begin(), units.end());
  // Scratch paths are full, with backslashes: the long form is the prefix alone.
  if (wide.size() >= MAX_PATH && wide.rfind(L"\\\\", 0) != 0) wide = L"\\\\?\\" + wide;
  return wide;
}

std::string Utf8Of(const wchar_t* wide) {
  return Utf8FromUtf16(reinterpret_cast<const char16_t*>(wide));
}

bool MakeFolder(const std::string& path) { return CreateDirectoryW(SystemPathW(path).c_str(), nullptr) != FALSE; }

bool Exists(const std::string& path) {
  return GetFileAttributesW(SystemPathW(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

bool RemoveFolderAndContents(const std::string& path) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW(SystemPathW(path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = Utf8Of(entry.cFileName);
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      // A link is never entered: what it points at is no test's to remove.
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderAndContents(child);
      } else {
        SetFileAttributesW(SystemPathW(child).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(SystemPathW(child).c_str());
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  SetFileAttributesW(SystemPathW(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(SystemPathW(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool RemoveTree(const std::string& path) {
  // Only a scratch folder: an empty or stray path would name the root of the drive.
  const std::string root = std::string(kScratchRoot) + "\\";
  if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0 ||
      path.find("..") != std::string::npos) {
    return false;
  }
  const bool removed = RemoveFolderAndContents(path);
  RemoveDirectoryA(kScratchRoot);  // only once empty: other runs may share it
  return removed;
}

std::string MakeScratchFolder(const std::string& name) {
  const std::string path = std::string(kScratchRoot) + "\\" + name + "-" + std::to_string(GetCurrentProcessId());
  RemoveTree(path);
  // Another test program may take the shared root away between the two calls: try again.
  for (int attempt = 0; attempt < 20; ++attempt, Sleep(10)) {
    CreateDirectoryA(kScratchRoot, nullptr);
    if (MakeFolder(path)) return path;
  }
  return std::string();
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW(SystemPathW(folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = Utf8Of(entry.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  const HANDLE file = CreateFileW(SystemPathW(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = text.empty() || WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size();
}

std::string ReadTextFile(const std::string& path) {
  const HANDLE file = CreateFileW(SystemPathW(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

bool NoPipeInTickRange(DWORD first, DWORD last, std::string* found) {
  for (DWORD tick = first;; ++tick) {
    const std::string name = "\\\\.\\pipe\\" + std::to_string(tick);
    const HANDLE pipe = CreateFileA(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD error = GetLastError();
    if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
    if (pipe != INVALID_HANDLE_VALUE || error != ERROR_FILE_NOT_FOUND) {
      if (found) *found = name + " (error " + std::to_string(error) + ")";
      return false;
    }
    if (tick == last) return true;
  }
}

std::optional<std::string> AnswerMessageBox(const char* caption, int button, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    const HWND box = FindWindowA("#32770", caption);
    if (box) {
      // A message box's text is static 0xFFFF. Read as UTF-16 and given back in Windows-1252,
      // the program's own code page, whatever this prefix's ANSI code page is.
      wchar_t wide[4096] = {};
      GetDlgItemTextW(box, 0xFFFF, wide, sizeof wide / sizeof wide[0]);
      char text[8192] = {};
      WideCharToMultiByte(1252, 0, wide, -1, text, sizeof text, nullptr, nullptr);
      const HWND control = GetDlgItem(box, button);
      if (!control) return std::nullopt;
      SendMessageA(control, BM_CLICK, 0, 0);
      return std::string(text);
    }
    Sleep(50);
  }
  return std::nullopt;
}

bool WaitForMessageBox(const char* caption, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (FindWindowA("#32770", caption)) return true;
    Sleep(50);
  }
  return false;
}

bool WaitForFile(const std::string& path, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (Exists(path)) return true;
    Sleep(50);
  }
  return false;
}

int ProcessesNamed(const wchar_t* fileName) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  int running = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, fileName) == 0) ++running;
  }
  CloseHandle(snapshot);
  return running;
}

ProgramsEnd WaitForProgramsToEnd(const wchar_t* fileName, DWORD timeoutMs) {
  ProgramsEnd end;
  for (DWORD waited = 0; waited < timeoutMs; waited += 500) {
    end.ended = ProcessesNamed(fileName) == 0;
    if (end.ended) break;
    if (auto report = AnswerMessageBox("Erreur", IDOK, 500)) end.reports.push_back(std::move(*report));
  }
  return end;
}

}  // namespace varnolt::wine_testing
