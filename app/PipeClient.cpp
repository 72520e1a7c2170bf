#include "app/PipeClient.h"

#include <windows.h>

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
  WaitNamedPipeA(name, NMPWAIT_WAIT_FOREVER);
  // Identification only: the pipe's owner may learn who reads, never act as this user.
  const HANDLE pipe = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<PipeSource>(pipe);
}

}  // namespace varnolt
