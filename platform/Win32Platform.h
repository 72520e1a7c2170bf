// The production backend: the Win32 wide (W) calls, with the flags the erase relies on. Paths
// come in as UTF-8 and are converted at each call; long ones take the "\\?\" form.
#pragma once

#include "platform/Platform.h"

namespace varnolt {

class Win32Platform : public Platform {
 public:
  FileHandle OpenExistingForWriting(const char* path) override;
  FileHandle CreateDeleteOnClose(const char* path) override;
  FileHandle CreateNewDeleteOnClose(const char* path) override;
  FileHandle OpenFileForErasure(const char* path) override;
  FileHandle OpenFolderForRemoval(const char* path) override;
  bool OpenIdentity(FileHandle item, ItemIdentity* identity) override;
  bool IdentityOf(const char* path, ItemIdentity* identity) override;
  bool RenameOpen(FileHandle item, const char* newPath) override;
  bool DeleteOpen(FileHandle item) override;
  FileHandle OpenFolderForTimes(const char* path) override;
  bool OpenTimes(FileHandle item, ItemTimes* times, std::uint32_t* attributes) override;
  bool SetOpenTimes(FileHandle item, const ItemTimes& times) override;
  Answer OpenOwnedByUser(FileHandle item) override;
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
  bool ResolveFullPath(const char* name, std::string& full) override;
  bool WorkingDirectory(std::string& directory) override;
  Answer OpensAVolumeRoot(const char* path) override;
  bool ChangeWorkingDirectory(const char* path) override;
  bool NamedStreamsOf(const char* path, std::vector<StreamEntry>& streams) override;
  FindHandle FindFirst(const char* pattern, FindData* entry) override;
  bool FindNext(FindHandle find, FindData* entry) override;
  void FindEnd(FindHandle find) override;
  std::uint32_t DriveTypeOf(const char* root) override;
  bool IsSubstitutedDrive(const char* root) override;
  bool VolumeFreeBytes(const char* root, std::uint64_t* freeBytes) override;
  std::uint32_t ClusterSizeOf(const char* root) override;
  bool VolumeFileSystem(const char* root, std::string& name) override;
  // Win32Storage.cpp: what the volume's device says of itself.
  StorageKind StorageKindOf(const char* root) override;
  Answer ShadowCopiesExist() override;
  void* ObtainBuffer(std::size_t bytes) override;
  void ReleaseBuffer(void* buffer) override;
  FailureKind LastFailure() override;
  std::uint32_t TickCount() override;
  std::uint32_t SecondsNow() override;
};

}  // namespace varnolt
