#include "wine_support.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

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

namespace {

bool RemoveFolderAndContents(const std::string& path) {
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      // A link is never entered: what it points at is no test's to remove.
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderAndContents(child);
      } else {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
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
    if (CreateDirectoryA(path.c_str(), nullptr)) return path;
  }
  return std::string();
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
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

}  // namespace varnolt::wine_testing
