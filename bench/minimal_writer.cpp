// The benchmark's yardstick for a file's overwrite: the same writes as Varnolt.exe and nothing
// else. It opens the file as the eraser does (write access, no sharing, no flags), writes three
// sweeps of 8192-byte blocks (0xAA, 0x55, 0xAA) from offset 0, flushes after each, and closes
// it. No window, no progress, no generator, no renaming.
//
//   minimal_writer PATH      exit status 0 when every byte was written and flushed
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr DWORD kBlockSize = 8192;
unsigned char blocks[2][kBlockSize];

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const HANDLE file = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  const std::uint64_t size = static_cast<std::uint64_t>(high) << 32 | low;
  std::memset(blocks[0], 0xAA, kBlockSize);
  std::memset(blocks[1], 0x55, kBlockSize);
  const unsigned char* const sweeps[3] = {blocks[0], blocks[1], blocks[0]};
  int status = 0;
  for (const unsigned char* block : sweeps) {
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
      status = 1;
      break;
    }
    for (std::uint64_t offset = 0; offset < size && status == 0; offset += kBlockSize) {
      const DWORD count = size - offset < kBlockSize ? static_cast<DWORD>(size - offset) : kBlockSize;
      DWORD written = 0;
      if (!WriteFile(file, block, count, &written, nullptr) || written != count) status = 1;
    }
    if (status != 0 || !FlushFileBuffers(file)) {
      status = 1;
      break;
    }
  }
  CloseHandle(file);
  return status;
}
