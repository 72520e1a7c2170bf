#include "contextmenu/Registration.h"

#include <oleauto.h>

#include <string>

#include "contextmenu/Module.h"
#include "contextmenu/RegistrationScript.h"
#include "contextmenu/Win32Registry.h"

namespace varnolt::menu {
namespace {

constexpr char kApprovedKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr char kClassIdText[] = "{6D1B2E94-7C3A-4F58-9E21-B04C7A5D3F16}";
constexpr char kApprovedText[] = "FileShredderShlExt extension";
constexpr WORD kRegistryScriptId = 101;

// The Approved list exists on the NT family only (top bit of GetVersion clear).
bool IsNtFamily() { return (GetVersion() & 0x80000000u) == 0; }

HRESULT ModulePath(std::string& path) {
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(ModuleInstance(), buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return E_FAIL;
  path.assign(buffer, length);
  return S_OK;
}

HRESULT ModulePathW(WCHAR (&buffer)[MAX_PATH]) {
  const DWORD length = GetModuleFileNameW(ModuleInstance(), buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? E_FAIL : S_OK;
}

HRESULT ApplyScript(ScriptMode mode) {
  const HRSRC resource = FindResourceA(ModuleInstance(), MAKEINTRESOURCEA(kRegistryScriptId), "REGISTRY");
  const HGLOBAL loaded = resource ? LoadResource(ModuleInstance(), resource) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
  const std::string script(static_cast<const char*>(bytes), SizeofResource(ModuleInstance(), resource));

  std::string module;
  const HRESULT pathResult = ModulePath(module);
  if (FAILED(pathResult)) return pathResult;

  Win32Registry registry;
  const ScriptResult result = ApplyRegistrationScript(script, {{"MODULE", module}}, mode, registry);
  switch (result.kind) {
    case ScriptResult::Kind::kOk: return S_OK;
    case ScriptResult::Kind::kSyntaxError: return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    case ScriptResult::Kind::kRegistryError: return HRESULT_FROM_WIN32(static_cast<DWORD>(result.error));
  }
  return E_FAIL;
}

// The library from the DLL's own "TYPELIB" 1.
HRESULT LoadOwnTypeLibrary(ITypeLib** library, WCHAR (&path)[MAX_PATH]) {
  const HRESULT result = ModulePathW(path);
  if (FAILED(result)) return result;
  return LoadTypeLib(path, library);
}

HRESULT RegisterTypeLibrary() {
  WCHAR path[MAX_PATH];
  ITypeLib* library = nullptr;
  HRESULT result = LoadOwnTypeLibrary(&library, path);
  if (FAILED(result)) return result;
  result = RegisterTypeLib(library, path, nullptr);
  library->Release();
  return result;
}

HRESULT UnregisterTypeLibrary() {
  WCHAR path[MAX_PATH];
  ITypeLib* library = nullptr;
  HRESULT result = LoadOwnTypeLibrary(&library, path);
  if (FAILED(result)) return result;
  TLIBATTR* attributes = nullptr;
  result = library->GetLibAttr(&attributes);
  if (SUCCEEDED(result)) {
    result = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                               attributes->syskind);
    library->ReleaseTLibAttr(attributes);
  }
  library->Release();
  return result;
}

}  // namespace

HRESULT RegisterServer() {
  if (IsNtFamily()) {
    // Opened, never created: who may not write there may not register the extension at all.
    HKEY approved = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved) != ERROR_SUCCESS) {
      return E_ACCESSDENIED;
    }
    const LONG status = RegSetValueExA(approved, kClassIdText, 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(kApprovedText), sizeof kApprovedText);
    RegCloseKey(approved);
    if (status != ERROR_SUCCESS) return E_ACCESSDENIED;
  }
  const HRESULT result = ApplyScript(ScriptMode::kRegister);
  if (FAILED(result)) return result;
  return RegisterTypeLibrary();
}

HRESULT UnregisterServer() {
  if (IsNtFamily()) {
    HKEY approved = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved) == ERROR_SUCCESS) {
      RegDeleteValueA(approved, kClassIdText);
      RegCloseKey(approved);
    }
  }
  const HRESULT result = ApplyScript(ScriptMode::kRemove);
  if (FAILED(result)) return result;
  return UnregisterTypeLibrary();
}

}  // namespace varnolt::menu
