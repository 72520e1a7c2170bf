#include "app/PipeClient.h"

#include <windows.h>

#include <string>

namespace varnolt {
namespace {

class PipeSource : public ByteSource {
 public:
  explicit PipeSource(HANDLE pipe) : pipe(pipe) {}
  ~PipeSource() override { CloseHandle(pipe); }
  PipeSource(const PipeSource&) = delete;
  PipeSource& operator=(const PipeSource&) = delete;

  std::size_t ReadSome(void* buffer, std::size_t count) override {
    DWORD read = 0;
    // A broken or closed pipe fails the read: nothing more will come.
    if (!ReadFile(pipe, buffer, static_cast<DWORD>(count), &read, nullptr)) return 0;
    return read;
  }

 private:
  HANDLE pipe;
};

}  // namespace

std::unique_ptr<ByteSource> OpenItemPipe(const char* name) {
  // Pipe names are ASCII ("\\.\pipe\" and digits); anything else is no pipe of ours.
  std::wstring wide;
  for (const char* at = name; *at != '\0'; ++at) {
    if (static_cast<unsigned char>(*at) >= 0x80) return nullptr;
    wide += static_cast<wchar_t>(*at);
  }
  WaitNamedPipeW(wide.c_str(), NMPWAIT_WAIT_FOREVER);
  // Identification only: the pipe's owner may learn who reads, never act as this user.
  const HANDLE pipe = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<PipeSource>(pipe);
}

}  // namespace varnolt
