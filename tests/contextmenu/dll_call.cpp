// Calls one of a DLL's exported registration functions and prints its HRESULT in hex:
//   dll_call DLL DllRegisterServer|DllUnregisterServer|DllCanUnloadNow
// or prints keys of this program's registry view and everything under them, one process for
// every look a test takes (a batch of `reg query` starts one process a key, and `reg` prints
// in the console's code page, which has no room for every name):
//   dll_call --dump [--shallow] HKCR|HKLM\KEY [[--shallow] HKCR|HKLM\KEY]...
// as lines "K key" for each key, "V key|name|data" for each value (REG_SZ data in UTF-8, so a
// path in any script is compared byte for byte; other types as "<type N>"), "M key" for a key
// named that does not exist (--shallow: the next key named alone, not what is under it), then
// "end". A key that cannot be read for another reason ends the dump with exit status 1 and the
// error on stderr: a reader that stopped early says so, never that a key is missing.
// or asks a fresh extension object of the DLL for its ANSI help text, as an ANSI caller of the
// shell would, and prints the system's code page and that text read in it, in UTF-8:
//   dll_call --help-text DLL        (prints "acp=1252 text=Broyer les données avec Varnolt")
// or creates the class of that CLSID ("{...}") through the DLL's own DllGetClassObject, as a
// packaged extension's class is created, and asks it for IExplorerCommand: prints "ok" (exit
// status 0), or the first failing HRESULT in hex (exit status 1):
//   dll_call --explorer-command DLL CLSID
// Arguments are read as UTF-16, so a DLL in a folder named in any script is loaded by its name.
// Otherwise the exit status is 0 whenever the call was made, so the caller compares the printed
// result.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/WideWin32.h"

namespace {

void PrintUtf8(const std::wstring& line) {
  const std::string utf8 = varnolt::Utf8FromWide(line) + "\n";
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

// Prints KEY, open, as SHOWN, its values and, when DEEP, its subkeys in turn. Returns the first
// error met, ERROR_SUCCESS when all was read.
LONG DumpKey(HKEY key, const std::wstring& shown, bool deep) {
  PrintUtf8(L"K " + shown);
  DWORD subkeys = 0, longestName = 0, values = 0, longestValueName = 0, longestData = 0;
  LONG status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &longestName, nullptr, &values,
                                 &longestValueName, &longestData, nullptr, nullptr);
  for (DWORD index = 0; status == ERROR_SUCCESS && index < values; ++index) {
    std::vector<wchar_t> name(longestValueName + 2);
    std::vector<BYTE> data(longestData + 2 * sizeof(wchar_t));
    DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
    status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (status != ERROR_SUCCESS) break;
    std::wstring text = L"<type " + std::to_wstring(type) + L">";
    if (type == REG_SZ) {
      text.assign(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
    }
    PrintUtf8(L"V " + shown + L"|" + std::wstring(name.data(), nameLength) + L"|" + text);
  }
  for (DWORD index = 0; deep && status == ERROR_SUCCESS && index < subkeys; ++index) {
    std::vector<wchar_t> name(longestName + 2);
    DWORD nameLength = static_cast<DWORD>(name.size());
    status = RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
    HKEY subkey = nullptr;
    if (status == ERROR_SUCCESS) status = RegOpenKeyExW(key, name.data(), 0, KEY_READ, &subkey);
    if (status != ERROR_SUCCESS) break;
    status = DumpKey(subkey, shown + L"\\" + std::wstring(name.data(), nameLength), deep);
    RegCloseKey(subkey);
  }
  return status;
}

int Dump(int argc, wchar_t** argv) {
  for (int index = 2; index < argc; ++index) {
    const bool deep = std::wstring(argv[index]) != L"--shallow";
    if (!deep && ++index == argc) return 2;
    const std::wstring shown = argv[index];
    const std::size_t split = shown.find(L'\\');
    const std::wstring root = shown.substr(0, split);
    const HKEY base = root == L"HKCR" ? HKEY_CLASSES_ROOT : root == L"HKLM" ? HKEY_LOCAL_MACHINE : nullptr;
    if (!base || split == std::wstring::npos) return 2;
    // Only a key named that is not there is missing; one under it gone mid-walk is an error.
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(base, shown.c_str() + split + 1, 0, KEY_READ, &key);
    if (status == ERROR_FILE_NOT_FOUND) {
      PrintUtf8(L"M " + shown);
      continue;
    }
    if (status == ERROR_SUCCESS) {
      status = DumpKey(key, shown, deep);
      RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
      std::fflush(stdout);
      std::fprintf(stderr, "dll_call: cannot read %s (error %ld)\n", varnolt::Utf8FromWide(shown).c_str(), status);
      return 1;
    }
  }
  std::printf("end\n");
  std::fflush(stdout);
  return 0;
}

int PrintAnsiHelpText(const wchar_t* dll) {
  const HMODULE module = LoadLibraryW(dll);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto get = module ? reinterpret_cast<GetClassObject>(
                                reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")))
                          : nullptr;
  if (!get) return 3;
  CLSID classId;
  CLSIDFromString(L"{6D1B2E94-7C3A-4F58-9E21-B04C7A5D3F16}", &classId);
  CoInitialize(nullptr);
  IClassFactory* factory = nullptr;
  IContextMenu* menu = nullptr;
  char text[128];
  std::memset(text, '#', sizeof text);
  HRESULT result = get(classId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(result)) result = factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu));
  if (SUCCEEDED(result)) result = menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, text, sizeof text);
  if (menu) menu->Release();
  if (factory) factory->Release();
  CoUninitialize();
  if (FAILED(result) || std::memchr(text, '\0', sizeof text) == nullptr) return 5;
  wchar_t wide[128] = {};
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 128);
  const std::string line = "acp=" + std::to_string(GetACP()) + " text=" + varnolt::Utf8FromWide(wide) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
  return 0;
}

int CreateExplorerCommand(const wchar_t* dll, const wchar_t* classText) {
  CLSID classId;
  if (FAILED(CLSIDFromString(classText, &classId))) {
    std::fprintf(stderr, "dll_call: not a CLSID: %s\n", varnolt::Utf8FromWide(classText).c_str());
    return 2;
  }
  const HMODULE module = LoadLibraryW(dll);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto get = module ? reinterpret_cast<GetClassObject>(
                                reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")))
                          : nullptr;
  if (!get) {
    std::fprintf(stderr, "dll_call: cannot load %s or find its DllGetClassObject (error %lu)\n",
                 varnolt::Utf8FromWide(dll).c_str(), GetLastError());
    return 3;
  }
  CoInitialize(nullptr);
  IClassFactory* factory = nullptr;
  IUnknown* object = nullptr;
  IExplorerCommand* command = nullptr;
  HRESULT result = get(classId, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (SUCCEEDED(result)) result = factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object));
  if (SUCCEEDED(result)) result = object->QueryInterface(IID_IExplorerCommand, reinterpret_cast<void**>(&command));
  if (command) command->Release();
  if (object) object->Release();
  if (factory) factory->Release();
  CoUninitialize();
  if (FAILED(result)) {
    std::printf("0x%08lX\n", static_cast<unsigned long>(result));
    std::fflush(stdout);
    return 1;
  }
  std::printf("ok\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv && argc >= 2 && std::wstring(argv[1]) == L"--dump") return Dump(argc, argv);
  if (argv && argc == 3 && std::wstring(argv[1]) == L"--help-text") return PrintAnsiHelpText(argv[2]);
  if (argv && argc == 4 && std::wstring(argv[1]) == L"--explorer-command") {
    return CreateExplorerCommand(argv[2], argv[3]);
  }
  if (!argv || argc != 3) {
    std::fprintf(stderr, "usage: dll_call DLL EXPORT | --dump [[--shallow] HKCR|HKLM\\KEY]... | --help-text DLL"
                         " | --explorer-command DLL CLSID\n");
    return 2;
  }
  const std::string dll = varnolt::Utf8FromWide(argv[1]);
  const HMODULE module = LoadLibraryW(argv[1]);
  if (!module) {
    std::fprintf(stderr, "dll_call: cannot load %s (error %lu)\n", dll.c_str(), GetLastError());
    return 3;
  }
  const std::string exportName = varnolt::Utf8FromWide(argv[2]);
  using Export = HRESULT(STDAPICALLTYPE*)();
  const auto function =
      reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(module, exportName.c_str())));
  if (!function) {
    std::fprintf(stderr, "dll_call: %s has no export %s\n", dll.c_str(), exportName.c_str());
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
