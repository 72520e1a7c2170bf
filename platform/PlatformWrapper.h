// A platform that hands every call on to another, as a layer over any backend (the fake or
// Win32): a subclass watches the calls through OnCall, or overrides the ones it changes, and
// the backend below never knows. Tracing and counting live in such layers, not in a backend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace varnolt {

class PlatformWrapper : public Platform {
 public:
  explicit PlatformWrapper(Platform& target) : target(target) {}

  FileHandle OpenExistingForWriting(const char* path) override {
    OnCall("OpenExistingForWriting");
    return target.OpenExistingForWriting(path);
  }
  FileHandle CreateDeleteOnClose(const char* path) override {
    OnCall("CreateDeleteOnClose");
    return target.CreateDeleteOnClose(path);
  }
  FileHandle CreateNewDeleteOnClose(const char* path) override {
    OnCall("CreateNewDeleteOnClose");
    return target.CreateNewDeleteOnClose(path);
  }
  FileHandle OpenFileForErasure(const char* path) override {
    OnCall("OpenFileForErasure");
    return target.OpenFileForErasure(path);
  }
  FileHandle OpenFolderForRemoval(const char* path) override {
    OnCall("OpenFolderForRemoval");
    return target.OpenFolderForRemoval(path);
  }
  bool OpenIdentity(FileHandle item, ItemIdentity* identity) override {
    OnCall("OpenIdentity");
    return target.OpenIdentity(item, identity);
  }
  bool IdentityOf(const char* path, ItemIdentity* identity) override {
    OnCall("IdentityOf");
    return target.IdentityOf(path, identity);
  }
  bool RenameOpen(FileHandle item, const char* newPath) override {
    OnCall("RenameOpen");
    return target.RenameOpen(item, newPath);
  }
  bool DeleteOpen(FileHandle item) override {
    OnCall("DeleteOpen");
    return target.DeleteOpen(item);
  }
  FileHandle OpenFolderForTimes(const char* path) override {
    OnCall("OpenFolderForTimes");
    return target.OpenFolderForTimes(path);
  }
  bool OpenTimes(FileHandle item, ItemTimes* times, std::uint32_t* attributes) override {
    OnCall("OpenTimes");
    return target.OpenTimes(item, times, attributes);
  }
  bool SetOpenTimes(FileHandle item, const ItemTimes& times) override {
    OnCall("SetOpenTimes");
    return target.SetOpenTimes(item, times);
  }
  Answer OpenOwnedByUser(FileHandle item) override {
    OnCall("OpenOwnedByUser");
    return target.OpenOwnedByUser(item);
  }
  bool OpenFileSize(FileHandle file, std::uint64_t* size) override {
    OnCall("OpenFileSize");
    return target.OpenFileSize(file, size);
  }
  bool SeekToStart(FileHandle file) override {
    OnCall("SeekToStart");
    return target.SeekToStart(file);
  }
  bool WriteBytes(FileHandle file, const void* data, std::uint32_t count, std::uint32_t* written) override {
    OnCall("WriteBytes");
    return target.WriteBytes(file, data, count, written);
  }
  bool FlushToDisk(FileHandle file) override {
    OnCall("FlushToDisk");
    return target.FlushToDisk(file);
  }
  bool TrimRange(FileHandle file, std::uint64_t offset, std::uint64_t length) override {
    OnCall("TrimRange");
    return target.TrimRange(file, offset, length);
  }
  void CloseFile(FileHandle file) override {
    OnCall("CloseFile");
    target.CloseFile(file);
  }
  std::uint32_t AttributesOf(const char* path) override {
    OnCall("AttributesOf");
    return target.AttributesOf(path);
  }
  ReparseKind ReparseKindOf(const char* path) override {
    OnCall("ReparseKindOf");
    return target.ReparseKindOf(path);
  }
  std::uint32_t ReparseTagOf(const char* path) override {
    OnCall("ReparseTagOf");
    return target.ReparseTagOf(path);
  }
  std::uint32_t NameCountOf(const char* path) override {
    OnCall("NameCountOf");
    return target.NameCountOf(path);
  }
  std::uint32_t OpenFileNameCount(FileHandle file) override {
    OnCall("OpenFileNameCount");
    return target.OpenFileNameCount(file);
  }
  bool SetAttributesOf(const char* path, std::uint32_t attributes) override {
    OnCall("SetAttributesOf");
    return target.SetAttributesOf(path, attributes);
  }
  bool SizeFromAttributes(const char* path, std::uint64_t* size) override {
    OnCall("SizeFromAttributes");
    return target.SizeFromAttributes(path, size);
  }
  bool MovePath(const char* from, const char* to) override {
    OnCall("MovePath");
    return target.MovePath(from, to);
  }
  bool DeleteFilePath(const char* path) override {
    OnCall("DeleteFilePath");
    return target.DeleteFilePath(path);
  }
  bool RemoveEmptyDirectory(const char* path) override {
    OnCall("RemoveEmptyDirectory");
    return target.RemoveEmptyDirectory(path);
  }
  bool MakeFolder(const char* path) override {
    OnCall("MakeFolder");
    return target.MakeFolder(path);
  }
  bool MakePrivateFolder(const char* path) override {
    OnCall("MakePrivateFolder");
    return target.MakePrivateFolder(path);
  }
  bool ResolveFullPath(const char* name, std::string& full) override {
    OnCall("ResolveFullPath");
    return target.ResolveFullPath(name, full);
  }
  bool WorkingDirectory(std::string& directory) override {
    OnCall("WorkingDirectory");
    return target.WorkingDirectory(directory);
  }
  Answer OpensAVolumeRoot(const char* path) override {
    OnCall("OpensAVolumeRoot");
    return target.OpensAVolumeRoot(path);
  }
  bool ChangeWorkingDirectory(const char* path) override {
    OnCall("ChangeWorkingDirectory");
    return target.ChangeWorkingDirectory(path);
  }
  bool NamedStreamsOf(const char* path, std::vector<StreamEntry>& streams) override {
    OnCall("NamedStreamsOf");
    return target.NamedStreamsOf(path, streams);
  }
  FindHandle FindFirst(const char* pattern, FindData* entry) override {
    OnCall("FindFirst");
    return target.FindFirst(pattern, entry);
  }
  bool FindNext(FindHandle find, FindData* entry) override {
    OnCall("FindNext");
    return target.FindNext(find, entry);
  }
  void FindEnd(FindHandle find) override {
    OnCall("FindEnd");
    target.FindEnd(find);
  }
  std::uint32_t DriveTypeOf(const char* root) override {
    OnCall("DriveTypeOf");
    return target.DriveTypeOf(root);
  }
  bool IsSubstitutedDrive(const char* root) override {
    OnCall("IsSubstitutedDrive");
    return target.IsSubstitutedDrive(root);
  }
  bool VolumeFreeBytes(const char* root, std::uint64_t* freeBytes) override {
    OnCall("VolumeFreeBytes");
    return target.VolumeFreeBytes(root, freeBytes);
  }
  std::uint32_t ClusterSizeOf(const char* root) override {
    OnCall("ClusterSizeOf");
    return target.ClusterSizeOf(root);
  }
  bool VolumeFileSystem(const char* root, std::string& name) override {
    OnCall("VolumeFileSystem");
    return target.VolumeFileSystem(root, name);
  }
  StorageKind StorageKindOf(const char* root) override {
    OnCall("StorageKindOf");
    return target.StorageKindOf(root);
  }
  Answer ShadowCopiesExist() override {
    OnCall("ShadowCopiesExist");
    return target.ShadowCopiesExist();
  }
  void* ObtainBuffer(std::size_t bytes) override {
    OnCall("ObtainBuffer");
    return target.ObtainBuffer(bytes);
  }
  void ReleaseBuffer(void* buffer) override {
    OnCall("ReleaseBuffer");
    target.ReleaseBuffer(buffer);
  }
  FailureKind LastFailure() override {
    OnCall("LastFailure");
    return target.LastFailure();
  }
  std::uint32_t TickCount() override {
    OnCall("TickCount");
    return target.TickCount();
  }
  std::uint32_t SecondsNow() override {
    OnCall("SecondsNow");
    return target.SecondsNow();
  }

 protected:
  // Told the name of each call before it is handed on.
  virtual void OnCall(const char* /*method*/) {}
  Platform& target;
};

}  // namespace varnolt
