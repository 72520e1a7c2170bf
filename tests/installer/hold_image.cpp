// Holds files as Windows holds a loaded image (an extension in Explorer, a running program):
// opened with read and delete sharing only, and mapped as an image. Windows then refuses to
// write or delete the file and lets it be renamed; Wine's loader leaves a loaded DLL's file
// free, but a file held this way gets the same treatment under Wine.
//   hold_image.exe READY_FILE PATH...
// Writes READY_FILE once every PATH is held, then holds them until its standard input ends
// (or it is killed). Exit status 1 when a PATH cannot be held.
#include <windows.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: hold_image.exe READY_FILE PATH...\n");
    return 2;
  }
  std::vector<HANDLE> held;
  for (int i = 2; i < argc; ++i) {
    HANDLE file = CreateFileW(argv[i], GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      std::fprintf(stderr, "hold_image: cannot open %ls (%lu)\n", argv[i], GetLastError());
      return 1;
    }
    HANDLE image = CreateFileMappingW(file, nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr);
    const void* view = image ? MapViewOfFile(image, FILE_MAP_READ, 0, 0, 0) : nullptr;
    if (view == nullptr) {
      std::fprintf(stderr, "hold_image: cannot map %ls as an image (%lu)\n", argv[i], GetLastError());
      return 1;
    }
    held.push_back(file);
    held.push_back(image);
  }
  HANDLE ready = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(ready);
  char buffer[64];
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got != 0) {
  }
  return 0;
}
