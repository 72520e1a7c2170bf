#include "contextmenu/MenuShell.h"

#include "common/WideWin32.h"
#include "varnoltmenu_identity.h"  // generated from cmake/MenuIdentity.cmake

namespace varnolt::menu {

// The code page the menu's and help's texts are kept in.
constexpr UINT kTextCodePage = 1252;

bool WideMenuText(const char* text, WCHAR (&wide)[kMenuTextRoom]) {
  return MultiByteToWideChar(kTextCodePage, 0, text, -1, wide, kMenuTextRoom) != 0;
}

bool AddShellName(Selection& selection, std::wstring_view name) {
  return AddSelectedItem(selection, Utf8FromWide(name));
}

bool PackagedMenuRegistered() {
  HKEY key = nullptr;
  const REGSAM access = KEY_QUERY_VALUE | KEY_WOW64_64KEY;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPackagedMenuKey, 0, access, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  const LONG status = RegQueryValueExW(key, kPackagedMenuValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value && value == 1;
}

bool AllOnLocalDisks(const Selection& selection) {
  // Each letter asked once: a selection may hold thousands of items on the same drive.
  enum class Known : unsigned char { kNotAsked, kLocal, kOther };
  Known known[26] = {};
  for (const std::string& item : selection.items) {
    const std::optional<char> letter = DriveLetterOf(item);
    if (!letter) return false;
    const char upper = *letter >= 'a' ? static_cast<char>(*letter - 'a' + 'A') : *letter;
    Known& answer = known[upper - 'A'];
    if (answer == Known::kNotAsked) {
      // A plain drive root: the system answers from its table of drive letters, without
      // opening the drive (a disconnected network drive would keep the caller waiting).
      const WCHAR root[] = {static_cast<WCHAR>(upper), L':', L'\\', L'\0'};
      const UINT type = GetDriveTypeW(root);
      answer = type == DRIVE_FIXED || type == DRIVE_REMOVABLE ? Known::kLocal : Known::kOther;
    }
    if (answer != Known::kLocal) return false;
  }
  return true;
}

}  // namespace varnolt::menu
