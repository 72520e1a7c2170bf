// The real Win32 backend with a log of what the engine asked of it: the name operations in
// order, and for every sweep of an open file the bytes written, whether a write came up short
// and whether the sweep's flush succeeded, and how long the sweep took from its rewind to the
// end of its flush. Lets the tests on real files see the order and the sweeps without reading
// the disk back, and the benchmark time each sweep of one run.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/Win32Platform.h"

// <windows.h> defines GetFreeSpace(w) as a macro: drop it, for the engine's headers.
#include <windows.h>
#undef GetFreeSpace

namespace varnolt::testing {

class TracedPlatform : public Win32Platform {
 public:
  struct NameOperation {
    std::string kind;  // "create", "create-new", "close", "move", "delete", "rmdir"
    std::string path;
    std::string target;  // move only
    bool ok;
  };
  struct Sweep {
    std::string path;
    std::uint64_t written = 0;
    bool shortWrite = false;
    bool flushed = false;
    double milliseconds = 0;
  };

  std::vector<NameOperation> names;
  std::vector<Sweep> sweeps;
  std::vector<std::string> storage;  // the storage calls' lines
  // Files made new, and the time their making took (under Wine each new name costs a scan of
  // its whole folder).
  std::uint64_t newFiles = 0;
  double newFileMilliseconds = 0;

  FileHandle CreateDeleteOnClose(const char* path) override {
    const FileHandle file = Win32Platform::CreateDeleteOnClose(path);
    names.push_back({"create", path, "", file != kInvalidFile});
    if (file != kInvalidFile) open[file] = path;
    return file;
  }
  FileHandle CreateNewDeleteOnClose(const char* path) override {
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    const FileHandle file = Win32Platform::CreateNewDeleteOnClose(path);
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    ++newFiles;
    newFileMilliseconds += 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    names.push_back({"create-new", path, "", file != kInvalidFile});
    if (file != kInvalidFile) open[file] = path;
    return file;
  }
  FileHandle OpenExistingForWriting(const char* path) override {
    const FileHandle file = Win32Platform::OpenExistingForWriting(path);
    if (file != kInvalidFile) open[file] = path;
    return file;
  }
  FileHandle OpenFileForErasure(const char* path) override {
    const FileHandle file = Win32Platform::OpenFileForErasure(path);
    if (file != kInvalidFile) open[file] = path;
    return file;
  }
  FileHandle OpenFolderForRemoval(const char* path) override {
    const FileHandle folder = Win32Platform::OpenFolderForRemoval(path);
    if (folder != kInvalidFile) open[folder] = path, folders[folder] = true;
    return folder;
  }
  // Through a handle: logged as the move or removal of the name the item had.
  bool RenameOpen(FileHandle item, const char* newPath) override {
    const bool ok = Win32Platform::RenameOpen(item, newPath);
    names.push_back({"move", open[item], newPath, ok});
    if (ok) open[item] = newPath;
    return ok;
  }
  bool DeleteOpen(FileHandle item) override {
    const bool ok = Win32Platform::DeleteOpen(item);
    names.push_back({folders.count(item) ? "rmdir" : "delete", open[item], "", ok});
    return ok;
  }
  bool SeekToStart(FileHandle file) override {
    sweeps.push_back(Sweep{open[file]});
    QueryPerformanceCounter(&sweepStart);
    return Win32Platform::SeekToStart(file);
  }
  bool WriteBytes(FileHandle file, const void* data, std::uint32_t count,
                  std::uint32_t* written) override {
    const bool ok = Win32Platform::WriteBytes(file, data, count, written);
    if (!sweeps.empty()) {
      sweeps.back().written += *written;
      if (!ok || *written < count) sweeps.back().shortWrite = true;
    }
    return ok;
  }
  bool FlushToDisk(FileHandle file) override {
    const bool ok = Win32Platform::FlushToDisk(file);
    if (!sweeps.empty()) {
      sweeps.back().flushed = ok;
      LARGE_INTEGER now, frequency;
      QueryPerformanceCounter(&now);
      QueryPerformanceFrequency(&frequency);
      sweeps.back().milliseconds =
          1000.0 * static_cast<double>(now.QuadPart - sweepStart.QuadPart) / frequency.QuadPart;
    }
    return ok;
  }
  // The storage calls, one line each: what was asked, what came back, the system's error.
  bool TrimRange(FileHandle file, std::uint64_t offset, std::uint64_t length) override {
    const bool ok = Win32Platform::TrimRange(file, offset, length);
    const DWORD error = ok ? 0 : GetLastError();
    storage.push_back("trim " + open[file] + " " + std::to_string(offset) + "+" + std::to_string(length) +
                      (ok ? " ok" : " failed error=" + std::to_string(error)));
    SetLastError(error);
    return ok;
  }
  StorageKind StorageKindOf(const char* root) override {
    const StorageKind kind = Win32Platform::StorageKindOf(root);
    static const char* const kNames[] = {"unknown", "rotating", "solid-state", "flash"};
    storage.push_back(std::string("storage ") + root + " " + kNames[static_cast<int>(kind)]);
    return kind;
  }
  Answer ShadowCopiesExist() override {
    const Answer answer = Win32Platform::ShadowCopiesExist();
    static const char* const kNames[] = {"no", "yes", "unknown"};
    storage.push_back(std::string("shadow-copies ") + kNames[static_cast<int>(answer)]);
    return answer;
  }
  void CloseFile(FileHandle file) override {
    auto it = open.find(file);
    if (it != open.end()) {
      if (!folders.erase(file)) names.push_back({"close", it->second, "", true});
      open.erase(it);
    }
    Win32Platform::CloseFile(file);
  }
  bool MovePath(const char* from, const char* to) override {
    const bool ok = Win32Platform::MovePath(from, to);
    names.push_back({"move", from, to, ok});
    return ok;
  }
  bool DeleteFilePath(const char* path) override {
    const bool ok = Win32Platform::DeleteFilePath(path);
    names.push_back({"delete", path, "", ok});
    return ok;
  }
  bool RemoveEmptyDirectory(const char* path) override {
    const bool ok = Win32Platform::RemoveEmptyDirectory(path);
    names.push_back({"rmdir", path, "", ok});
    return ok;
  }

 private:
  std::map<FileHandle, std::string> open;
  std::map<FileHandle, bool> folders;
  LARGE_INTEGER sweepStart{};
};

}  // namespace varnolt::testing
