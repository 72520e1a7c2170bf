// The benchmark's yardstick for a file's overwrite: the same writes as Varnolt.exe and nothing
// else. It opens the file as the eraser does (write access, no sharing, no flags), writes three
// sweeps of 8192-byte blocks (0xAA, 0x55, 0xAA) from offset 0, flushes after each, and closes
// it. No window, no progress, no generator, no renaming. It prints how long each sweep took,
// from its rewind to the end of its flush: the place of a sweep in the run matters on a disk
// image (writeback piles up), so the engine's random sweep is set against this program's
// third sweep too. With --random-third, the third sweep writes pseudo-random data drawn before
// the first sweep begins, a pool of 256 KiB gone through again and again: what random content
// costs with no generator at work. The pool stays in the processor's cache, as Varnolt's one
// random block does (drawn afresh in place before every write); a pool read from memory would
// charge the yardstick with memory traffic the eraser never makes.
//
// With --delete, the file is deleted once closed, as the eraser's run ends: on a tmpfs freeing
// 1 GiB of pages takes a good part of the run's time, which the eraser cannot avoid.
//
//   minimal_writer [--random-third] [--delete] PATH
//     exit status 0 when every byte was written and flushed (and the file deleted)
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kBlockSize = 8192;
constexpr std::size_t kPoolSize = 256u << 10;
unsigned char blocks[2][kBlockSize];

unsigned char* RandomPool() {
  auto* const pool = static_cast<std::uint64_t*>(
      VirtualAlloc(nullptr, kPoolSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (pool == nullptr) return nullptr;
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  for (std::size_t i = 0; i < kPoolSize / 8; ++i) {
    x ^= x << 13;  // xorshift64
    x ^= x >> 7;
    x ^= x << 17;
    pool[i] = x;
  }
  return reinterpret_cast<unsigned char*>(pool);
}

}  // namespace

int main(int argc, char** argv) {
  bool randomThird = false, remove = false;
  int next = 1;
  for (; next < argc - 1; ++next) {
    if (std::strcmp(argv[next], "--random-third") == 0) {
      randomThird = true;
    } else if (std::strcmp(argv[next], "--delete") == 0) {
      remove = true;
    } else {
      return 2;
    }
  }
  if (next != argc - 1) return 2;
  unsigned char* const pool = randomThird ? RandomPool() : nullptr;
  if (randomThird && pool == nullptr) return 1;
  const HANDLE file = CreateFileA(argv[argc - 1], GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD high = 0;
  const DWORD low = GetFileSize(file, &high);
  const std::uint64_t size = static_cast<std::uint64_t>(high) << 32 | low;
  std::memset(blocks[0], 0xAA, kBlockSize);
  std::memset(blocks[1], 0x55, kBlockSize);
  const unsigned char* const sweeps[3] = {blocks[0], blocks[1], blocks[0]};
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  double milliseconds[3] = {};
  int status = 0;
  for (int sweep = 0; sweep < 3; ++sweep) {
    const unsigned char* const block = sweeps[sweep];
    QueryPerformanceCounter(&start);
    if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
      status = 1;
      break;
    }
    for (std::uint64_t offset = 0; offset < size && status == 0; offset += kBlockSize) {
      const DWORD count = size - offset < kBlockSize ? static_cast<DWORD>(size - offset) : kBlockSize;
      const unsigned char* const data = sweep == 2 && pool ? pool + offset % kPoolSize : block;
      DWORD written = 0;
      if (!WriteFile(file, data, count, &written, nullptr) || written != count) status = 1;
    }
    if (status != 0 || !FlushFileBuffers(file)) {
      status = 1;
      break;
    }
    QueryPerformanceCounter(&end);
    milliseconds[sweep] = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
  }
  CloseHandle(file);
  if (status == 0 && remove && !DeleteFileA(argv[argc - 1])) status = 1;
  if (status == 0) {
    for (int sweep = 0; sweep < 3; ++sweep) std::printf("sweep %d ms=%.1f\n", sweep + 1, milliseconds[sweep]);
  }
  return status;
}
