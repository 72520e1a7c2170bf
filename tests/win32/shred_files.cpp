// shred_files PATH...: shreds the named files with the engine and the real Win32 backend, as
// the program does, for tests that look at the disk afterwards.
// Exit status: 0 when every named file is gone, 1 when one remains, 2 on a bad argument.
// Only files are taken: a directory or a one-letter name (a drive) is refused, so this tool can
// never clean a drive's free space.
#include <cstdio>
#include <cstring>

#include "engine/ShreddingManager.h"
#include "platform/Win32Platform.h"

// After the engine's headers: <windows.h> defines GetFreeSpace as a macro.
#include <windows.h>

namespace {

std::uint8_t GoOn(float, std::int32_t, std::int32_t, float) { return 1; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: shred_files PATH...\n");
    return 2;
  }
  varnolt::Win32Platform os;
  varnolt::ShreddingManager manager(os);
  char full[MAX_PATH];
  for (int i = 1; i < argc; ++i) {
    const DWORD length = GetFullPathNameA(argv[i], MAX_PATH, full, nullptr);
    const DWORD attributes = GetFileAttributesA(full);
    if (std::strlen(argv[i]) < 2 || length == 0 || length >= MAX_PATH ||
        attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      std::fprintf(stderr, "shred_files: not a file: %s\n", argv[i]);
      return 2;
    }
    manager.AddFile(full);
  }
  manager.SetCallback(GoOn);
  manager.Run();

  int status = 0;
  for (int i = 1; i < argc; ++i) {
    if (GetFileAttributesA(argv[i]) != INVALID_FILE_ATTRIBUTES) {
      std::fprintf(stderr, "shred_files: still there: %s\n", argv[i]);
      status = 1;
    }
  }
  return status;
}
