// What keeps a volume's data, and whether the system keeps copies of volumes: asked of the
// devices and of the object namespace, never of any file's data, as a standard user may.
#include <windows.h>
#include <winioctl.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Win32Platform.h"

namespace varnolt {
namespace {

// One property of the device that holds the volume, into `answer`; false when the device
// does not answer it whole.
template <typename Descriptor>
bool QueryProperty(HANDLE volume, STORAGE_PROPERTY_ID property, Descriptor& answer, DWORD least = sizeof(Descriptor)) {
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = property;
  query.QueryType = PropertyStandardQuery;
  DWORD returned = 0;
  return DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &answer, sizeof answer, &returned,
                         nullptr) != FALSE &&
         returned >= least;
}

}  // namespace

StorageKind Win32Platform::StorageKindOf(const char* root) {
  if (root == nullptr || root[0] == '\0' || root[1] != ':') return StorageKind::kUnknown;
  const wchar_t letter = static_cast<wchar_t>(static_cast<unsigned char>(root[0]));
  const wchar_t rootPath[] = {letter, L':', L'\\', L'\0'};
  const UINT type = GetDriveTypeW(rootPath);
  // Sticks and card readers call themselves removable.
  if (type == DRIVE_REMOVABLE) return StorageKind::kFlash;
  // A network drive's storage is the server's; a CD or a RAM disk is no concern here.
  if (type != DRIVE_FIXED) return StorageKind::kUnknown;

  // No data access: the volume's device answers its properties to any user.
  const wchar_t device[] = {L'\\', L'\\', L'.', L'\\', letter, L':', L'\0'};
  const HANDLE volume = CreateFileW(device, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (volume == INVALID_HANDLE_VALUE) return StorageKind::kUnknown;
  // The descriptor's fixed part; the strings that follow are not needed.
  STORAGE_DEVICE_DESCRIPTOR description{};
  const bool described = QueryProperty(volume, StorageDeviceProperty, description,
                                       offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof(STORAGE_BUS_TYPE));
  DEVICE_SEEK_PENALTY_DESCRIPTOR seek{};
  const bool seekKnown = QueryProperty(volume, StorageDeviceSeekPenaltyProperty, seek);
  DEVICE_TRIM_DESCRIPTOR trim{};
  const bool trimKnown = QueryProperty(volume, StorageDeviceTrimProperty, trim);
  CloseHandle(volume);

  const bool flashBus = described && (description.RemovableMedia || description.BusType == BusTypeUsb ||
                                      description.BusType == BusTypeSd || description.BusType == BusTypeMmc);
  if (seekKnown && trimKnown) {
    // A hard disk behind a USB bridge that answers is a hard disk.
    if (seek.IncursSeekPenalty) return StorageKind::kRotating;
    return flashBus ? StorageKind::kFlash : StorageKind::kSolidState;
  }
  // USB bridges often leave the seek penalty unanswered: a stick or a card still.
  return flashBus ? StorageKind::kFlash : StorageKind::kUnknown;
}

Answer Win32Platform::ShadowCopiesExist() {
  // Each shadow copy is a device of its own, \Device\HarddiskVolumeShadowCopyN, which anyone may
  // see listed; which volume it copies takes backup rights to learn.
  struct CountedText {
    USHORT length;  // bytes
    USHORT capacity;
    wchar_t* text;
  };
  struct ObjectAttributes {
    ULONG length;
    HANDLE root;
    CountedText* name;
    ULONG attributes;
    void* securityDescriptor;
    void* securityQualityOfService;
  };
  struct DirectoryEntry {
    CountedText name;
    CountedText typeName;
  };
  using OpenDirectory = LONG(WINAPI*)(HANDLE*, ACCESS_MASK, ObjectAttributes*);
  using QueryDirectory = LONG(WINAPI*)(HANDLE, void*, ULONG, BOOLEAN, BOOLEAN, ULONG*, ULONG*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  const auto open = reinterpret_cast<OpenDirectory>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtOpenDirectoryObject")));
  const auto query = reinterpret_cast<QueryDirectory>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryDirectoryObject")));
  if (open == nullptr || query == nullptr) return Answer::kUnknown;

  wchar_t devices[] = L"\\Device";
  CountedText name{static_cast<USHORT>((sizeof devices) - sizeof(wchar_t)), static_cast<USHORT>(sizeof devices), devices};
  ObjectAttributes attributes{sizeof(ObjectAttributes), nullptr, &name, 0x40 /* OBJ_CASE_INSENSITIVE */, nullptr, nullptr};
  constexpr ACCESS_MASK kDirectoryQuery = 0x0001;
  HANDLE directory = nullptr;
  if (open(&directory, kDirectoryQuery, &attributes) != 0) return Answer::kUnknown;

  constexpr LONG kNoMoreEntries = static_cast<LONG>(0x8000001A);
  constexpr std::wstring_view kShadowCopy = L"HarddiskVolumeShadowCopy";
  alignas(8) std::uint8_t buffer[4096];
  ULONG context = 0;
  Answer found = Answer::kNo;
  for (bool first = true;; first = false) {
    ULONG returned = 0;
    const LONG status = query(directory, buffer, sizeof buffer, TRUE, first ? TRUE : FALSE, &context, &returned);
    if (status == kNoMoreEntries) break;
    if (status < 0) {
      found = Answer::kUnknown;
      break;
    }
    const auto* entry = reinterpret_cast<const DirectoryEntry*>(buffer);
    const std::wstring_view entryName(entry->name.text, entry->name.length / sizeof(wchar_t));
    if (entryName.substr(0, kShadowCopy.size()) == kShadowCopy) {
      found = Answer::kYes;
      break;
    }
  }
  CloseHandle(directory);
  return found;
}

}  // namespace varnolt
