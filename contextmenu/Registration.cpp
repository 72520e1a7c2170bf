#include "contextmenu/Registration.h"

#include <oleauto.h>

#include <string>

#include "common/WideWin32.h"
#include "contextmenu/Module.h"
#include "contextmenu/RegistrationScript.h"
#include "contextmenu/Win32Registry.h"

namespace varnolt::menu {
namespace {

constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr wchar_t kClassIdText[] = L"{6D1B2E94-7C3A-4F58-9E21-B04C7A5D3F16}";
constexpr wchar_t kApprovedText[] = L"FileShredderShlExt extension";
constexpr WORD kRegistryScriptId = 101;

// The Approved list exists on the NT family only (top bit of GetVersion clear).
bool IsNtFamily() { return (GetVersion() & 0x80000000u) == 0; }

// The DLL's whole path, however long or in whatever script its folder is named.
HRESULT ModulePath(std::wstring& path) {
  path = ModuleFileName(ModuleInstance());
  return path.empty() ? E_FAIL : S_OK;
}

HRESULT ApplyScript(ScriptMode mode) {
  const HRSRC resource = FindResourceW(ModuleInstance(), MAKEINTRESOURCEW(kRegistryScriptId), L"REGISTRY");
  const HGLOBAL loaded = resource ? LoadResource(ModuleInstance(), resource) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
  const std::string script(static_cast<const char*>(bytes), SizeofResource(ModuleInstance(), resource));

  std::wstring module;
  const HRESULT pathResult = ModulePath(module);
  if (FAILED(pathResult)) return pathResult;

  // The script is ASCII; the path goes in as UTF-8 and is written back as UTF-16.
  Win32Registry registry;
  const ScriptResult result = ApplyRegistrationScript(script, {{"MODULE", Utf8FromWide(module)}}, mode, registry);
  switch (result.kind) {
    case ScriptResult::Kind::kOk: return S_OK;
    case ScriptResult::Kind::kSyntaxError: return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    case ScriptResult::Kind::kRegistryError: return HRESULT_FROM_WIN32(static_cast<DWORD>(result.error));
  }
  return E_FAIL;
}

// The library from the DLL's own "TYPELIB" 1.
HRESULT LoadOwnTypeLibrary(ITypeLib** library, std::wstring& path) {
  const HRESULT result = ModulePath(path);
  if (FAILED(result)) return result;
  return LoadTypeLib(path.c_str(), library);
}

HRESULT RegisterTypeLibrary() {
  std::wstring path;
  ITypeLib* library = nullptr;
  HRESULT result = LoadOwnTypeLibrary(&library, path);
  if (FAILED(result)) return result;
  result = RegisterTypeLib(library, path.data(), nullptr);
  library->Release();
  return result;
}

HRESULT UnregisterTypeLibrary() {
  std::wstring path;
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
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved) != ERROR_SUCCESS) {
      return E_ACCESSDENIED;
    }
    const LONG status = RegSetValueExW(approved, kClassIdText, 0, REG_SZ,
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
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_SET_VALUE, &approved) == ERROR_SUCCESS) {
      RegDeleteValueW(approved, kClassIdText);
      RegCloseKey(approved);
    }
  }
  const HRESULT result = ApplyScript(ScriptMode::kRemove);
  if (FAILED(result)) return result;
  return UnregisterTypeLibrary();
}

}  // namespace varnolt::menu
