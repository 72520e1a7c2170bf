#include "contextmenu/Win32Registry.h"

#include <windows.h>

#include <string>

#include "common/WideWin32.h"

namespace varnolt::menu {
namespace {

// Key paths, value names and texts come in as UTF-8 (the DLL's own path may hold any
// character) and reach the registry as UTF-16. Bytes that are no UTF-8 are refused rather
// than written as a near miss.

HKEY RootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kUsers: return HKEY_USERS;
  }
  return HKEY_CLASSES_ROOT;
}

class Key {
 public:
  Key(RegistryRoot root, const std::string& path, REGSAM access) {
    std::wstring wide;
    status = WideFromUtf8(path, wide) ? RegOpenKeyExW(RootKey(root), wide.c_str(), 0, access, &key) : ERROR_INVALID_NAME;
  }
  ~Key() {
    if (status == ERROR_SUCCESS) RegCloseKey(key);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY key = nullptr;
  LONG status = ERROR_INVALID_HANDLE;
};

}  // namespace

long Win32Registry::CreateKey(RegistryRoot root, const std::string& path) {
  std::wstring wide;
  if (!WideFromUtf8(path, wide)) return ERROR_INVALID_NAME;
  HKEY key = nullptr;
  const LONG status = RegCreateKeyExW(RootKey(root), wide.c_str(), 0, nullptr, 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE,
                                      nullptr, &key, nullptr);
  if (status == ERROR_SUCCESS) RegCloseKey(key);
  return status;
}

long Win32Registry::SetValue(RegistryRoot root, const std::string& path, const std::string& name,
                             const ScriptValue& value) {
  Key key(root, path, KEY_SET_VALUE);
  if (key.status != ERROR_SUCCESS) return key.status;
  std::wstring wideName;
  if (!WideFromUtf8(name, wideName)) return ERROR_INVALID_NAME;
  const wchar_t* valueName = name.empty() ? nullptr : wideName.c_str();
  if (value.kind == ValueKind::kDword) {
    const DWORD number = value.number;
    return RegSetValueExW(key.key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  }
  std::wstring text;
  if (!WideFromUtf8(value.text, text)) return ERROR_INVALID_DATA;
  return RegSetValueExW(key.key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

long Win32Registry::DeleteValue(RegistryRoot root, const std::string& path, const std::string& name) {
  Key key(root, path, KEY_SET_VALUE);
  if (key.status != ERROR_SUCCESS) return key.status;
  std::wstring wideName;
  if (!WideFromUtf8(name, wideName)) return ERROR_INVALID_NAME;
  return RegDeleteValueW(key.key, name.empty() ? nullptr : wideName.c_str());
}

bool Win32Registry::KeyExists(RegistryRoot root, const std::string& path) {
  return Key(root, path, KEY_QUERY_VALUE).status == ERROR_SUCCESS;
}

bool Win32Registry::HasSubkeys(RegistryRoot root, const std::string& path) {
  Key key(root, path, KEY_QUERY_VALUE);
  DWORD subkeys = 0;
  // A key whose contents cannot be counted is treated as kept in place.
  if (key.status != ERROR_SUCCESS) return true;
  if (RegQueryInfoKeyW(key.key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr) != ERROR_SUCCESS) {
    return true;
  }
  return subkeys != 0;
}

long Win32Registry::DeleteKey(RegistryRoot root, const std::string& path) {
  std::wstring wide;
  if (!WideFromUtf8(path, wide)) return ERROR_INVALID_NAME;
  return RegDeleteKeyW(RootKey(root), wide.c_str());
}

long Win32Registry::DeleteTree(RegistryRoot root, const std::string& path) {
  std::wstring wide;
  if (!WideFromUtf8(path, wide)) return ERROR_INVALID_NAME;
  const LONG status = RegDeleteTreeW(RootKey(root), wide.c_str());
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace varnolt::menu
