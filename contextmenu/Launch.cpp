// The menus' work once their entry is chosen: create the pipe, start the program found through
// App Paths, wait for it to open the pipe, write the selection as item records, close the pipe.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/ItemStream.h"
#include "common/WideWin32.h"
#include "contextmenu/Launch.h"
#include "contextmenu/MenuLogic.h"
#include "contextmenu/ProgramPath.h"

namespace varnolt::menu {
namespace {

constexpr DWORD kPipeBufferSize = 512;

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle(handle) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle; }
  bool valid() const { return handle && handle != INVALID_HANDLE_VALUE; }
  void Close() {
    if (valid()) CloseHandle(handle);
    handle = nullptr;
  }

 private:
  HANDLE handle;
};

// The value is read as the system holds it, UTF-16, and handed to the rules in UTF-8, so an
// install folder named in any script is found; its zero units stay zero bytes.
class Win32AppPathsKey final : public AppPathsKey {
 public:
  ~Win32AppPathsKey() override { Close(); }
  bool Open() override {
    std::wstring path(kAppPathsKey, kAppPathsKey + sizeof kAppPathsKey - 1);  // ASCII
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
  }
  long QueryDefaultValue(std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) override {
    DWORD valueType = 0;
    DWORD valueSize = 0;
    LONG status = RegQueryValueExW(key, nullptr, nullptr, &valueType, nullptr, &valueSize);
    if (status != ERROR_SUCCESS) return status;
    std::vector<std::uint8_t> value(valueSize);
    status = RegQueryValueExW(key, nullptr, nullptr, &valueType, value.data(), &valueSize);
    if (status != ERROR_SUCCESS) return status;
    value.resize(valueSize);
    *type = valueType;
    if (valueType == REG_SZ || valueType == REG_EXPAND_SZ || valueType == REG_MULTI_SZ) {
      if (value.size() % 2 != 0) value.push_back(0xFF);  // half a unit: never a zero ending
      std::u16string units(value.size() / 2, u'\0');
      std::memcpy(units.data(), value.data(), value.size());
      const std::string text = Utf8FromUtf16(units);
      value.assign(text.begin(), text.end());
    }
    const std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(value.size());
    if (value.size() > room) return ERROR_MORE_DATA;
    std::copy(value.begin(), value.end(), data);
    return ERROR_SUCCESS;
  }
  void Close() override {
    if (key) RegCloseKey(key);
    key = nullptr;
  }

 private:
  HKEY key = nullptr;
};

// ASCII texts (pipe names, parameters) for the W calls.
std::wstring WideOfAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Who may open the pipe: the user who runs Explorer, and the system. Nobody else can connect
// and feed the program a list of things to erase.
class PipeSecurity {
 public:
  bool Build() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return false;
    Handle token(rawToken);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return false;
    userBuffer = std::make_unique<BYTE[]>(size);
    if (!GetTokenInformation(token.get(), TokenUser, userBuffer.get(), size, &size)) return false;
    const PSID user = reinterpret_cast<TOKEN_USER*>(userBuffer.get())->User.Sid;

    DWORD systemSize = sizeof system;
    if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize)) return false;

    const DWORD aclSize = sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) + GetLengthSid(user) +
                          GetLengthSid(system);
    aclBuffer = std::make_unique<BYTE[]>(aclSize);
    const auto acl = reinterpret_cast<PACL>(aclBuffer.get());
    if (!InitializeAcl(acl, aclSize, ACL_REVISION) || !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, user) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, system)) {
      return false;
    }
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
      return false;
    }
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
    return true;
  }
  SECURITY_ATTRIBUTES* get() { return &attributes; }

 private:
  std::unique_ptr<BYTE[]> userBuffer;
  BYTE system[SECURITY_MAX_SID_SIZE] = {};
  std::unique_ptr<BYTE[]> aclBuffer;
  SECURITY_DESCRIPTOR descriptor = {};
  SECURITY_ATTRIBUTES attributes = {};
};

enum class Wait { kDone, kFailed, kTimedOut };

// Waits for an overlapped operation on the pipe, at most limitMs, and no longer than the reader
// process lives when one is given. An operation left unfinished is cancelled, and its end
// awaited, before its OVERLAPPED goes away.
Wait Finish(HANDLE pipe, OVERLAPPED& overlapped, BOOL started, DWORD limitMs, HANDLE reader = nullptr) {
  if (started) return Wait::kDone;
  const DWORD error = GetLastError();
  if (error == ERROR_PIPE_CONNECTED) return Wait::kDone;
  if (error != ERROR_IO_PENDING) return Wait::kFailed;
  const HANDLE events[] = {overlapped.hEvent, reader};
  const DWORD woken = WaitForMultipleObjects(reader ? 2 : 1, events, FALSE, limitMs);
  DWORD transferred = 0;
  if (woken != WAIT_OBJECT_0) {
    CancelIoEx(pipe, &overlapped);
    GetOverlappedResult(pipe, &overlapped, &transferred, TRUE);
    return woken == WAIT_TIMEOUT ? Wait::kTimedOut : Wait::kFailed;
  }
  return GetOverlappedResult(pipe, &overlapped, &transferred, FALSE) ? Wait::kDone : Wait::kFailed;
}

// No time limit: the program reads the next record only once it has collected the last item, a
// directory perhaps of millions of entries, and a write given up would leave the rest of the
// selection silently unerased. Only the reader's end stops the wait.
Wait WriteToReader(HANDLE pipe, HANDLE event, HANDLE reader, const std::uint8_t* bytes, DWORD count) {
  OVERLAPPED overlapped = {};
  overlapped.hEvent = event;
  return Finish(pipe, overlapped, WriteFile(pipe, bytes, count, nullptr, &overlapped), INFINITE, reader);
}

// The process at the other end of the pipe. A write fails by itself once every handle to that end
// is closed, but a process the program started may have inherited one and keep the pipe open
// long after the program has ended: its end must release the writes too. Null when it cannot
// be opened; the writes then end with the pipe alone.
HANDLE OpenReader(HANDLE pipe) {
  ULONG id = 0;
  if (!GetNamedPipeClientProcessId(pipe, &id)) return nullptr;
  return OpenProcess(SYNCHRONIZE, FALSE, id);
}

HRESULT Launch(const std::vector<std::string>& items) {
  const std::string pipeName = PipeName(GetTickCount());
  PipeSecurity security;
  if (!security.Build()) return S_FALSE;
  // The first instance of its name: a pipe some other process made under the same name is
  // never written to. Local clients only.
  Handle pipe(CreateNamedPipeW(WideOfAscii(pipeName).c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
                               PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                               kPipeBufferSize, kPipeBufferSize, 0, security.get()));
  if (!pipe.valid()) return S_FALSE;
  // Where the first-instance flag is not enforced (Wine), the pipe may still have been made
  // beside someone else's: the started program could then open theirs. Ours must be alone.
  DWORD instances = 0;
  if (!GetNamedPipeHandleStateW(pipe.get(), nullptr, &instances, nullptr, nullptr, nullptr, 0) || instances != 1) {
    return S_FALSE;
  }
  Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event.valid()) return S_FALSE;

  const std::string parameters = LaunchParameters(pipeName);
  const std::string program = RegisteredProgramPath();
  // Without a registered program there is nothing to start: an empty file name would leave the
  // shell to pick something else to open with our parameters.
  std::wstring wideProgram;
  if (program.empty() || !WideFromUtf8(program, wideProgram)) return S_FALSE;
  const auto started = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, nullptr, wideProgram.c_str(), WideOfAscii(parameters).c_str(), nullptr, SW_SHOW));
  if (started <= 32) return S_FALSE;

  OVERLAPPED connect = {};
  connect.hEvent = event.get();
  // A client that came and went before this call fails it; the writes then fail in turn, as
  // they do for a client that goes away later.
  if (Finish(pipe.get(), connect, ConnectNamedPipe(pipe.get(), &connect), kProgramStartWaitMs) == Wait::kTimedOut) {
    return S_FALSE;
  }
  const Handle reader(OpenReader(pipe.get()));

  // Each record in two writes, the length then the text, as the reader expects them.
  std::vector<std::uint8_t> record;
  for (const std::string& item : items) {
    record.clear();
    if (!AppendItemRecord(record, item.c_str())) return S_OK;  // refused in Initialize already
    Wait wait = WriteToReader(pipe.get(), event.get(), reader.get(), record.data(), 2);
    if (wait == Wait::kDone) {
      wait = WriteToReader(pipe.get(), event.get(), reader.get(), record.data() + 2,
                           static_cast<DWORD>(record.size() - 2));
    }
    if (wait != Wait::kDone) return S_OK;  // the program went away; nothing more can reach it
  }
  record.clear();
  AppendTerminator(record);
  WriteToReader(pipe.get(), event.get(), reader.get(), record.data(), static_cast<DWORD>(record.size()));
  return S_OK;
}

}  // namespace

std::string RegisteredProgramPath() {
  Win32AppPathsKey key;
  return GetProgramPath(key);
}

HRESULT LaunchEraser(const std::vector<std::string>& items) noexcept {
  try {
    return Launch(items);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace varnolt::menu
