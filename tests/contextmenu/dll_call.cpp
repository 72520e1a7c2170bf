// Calls one of a DLL's exported registration functions and prints its HRESULT in hex:
//   dll_call DLL DllRegisterServer|DllUnregisterServer|DllCanUnloadNow
// The exit status is 0 whenever the call was made, so the caller compares the printed result.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dll_call DLL EXPORT\n");
    return 2;
  }
  const HMODULE module = LoadLibraryA(argv[1]);
  if (!module) {
    std::fprintf(stderr, "dll_call: cannot load %s (error %lu)\n", argv[1], GetLastError());
    return 3;
  }
  using Export = HRESULT(STDAPICALLTYPE*)();
  const auto function = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(module, argv[2])));
  if (!function) {
    std::fprintf(stderr, "dll_call: %s has no export %s\n", argv[1], argv[2]);
    return 4;
  }
  // Registration loads the type library through OLE automation, which wants COM on the thread.
  CoInitialize(nullptr);
  const HRESULT result = function();
  CoUninitialize();
  std::printf("0x%08lX\n", static_cast<unsigned long>(result));
  std::fflush(stdout);
  FreeLibrary(module);
  return 0;
}
