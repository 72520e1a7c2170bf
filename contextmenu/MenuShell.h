// The Windows half of what both menu classes share: their texts as UTF-16, the shell's names
// taken into a selection, the setup's record of the Windows 11 package, and whether an item's
// drive can be asked about from Explorer's window thread.
#pragma once

#include <windows.h>

#include <string_view>

#include "contextmenu/MenuLogic.h"

namespace varnolt::menu {

// Room for every text of MenuLogic.h, as UTF-16 with its zero.
inline constexpr int kMenuTextRoom = 128;

// One of MenuLogic.h's Windows-1252 texts as UTF-16, whatever the system's code page. False when
// it cannot be converted (it always can: the texts fit).
bool WideMenuText(const char* text, WCHAR (&wide)[kMenuTextRoom]);

// Adds one of the shell's names (UTF-16, as Explorer has it), every character as it is, none
// replaced by a look-alike of some code page. False when it is refused (MenuLogic.h); may throw
// std::bad_alloc.
bool AddShellName(Selection& selection, std::wstring_view name);

// True when the setup has recorded the Windows 11 package as registered: REG_DWORD 1 under
// HKLM, in the 64-bit view whatever this DLL's own (the setup writes it once, for the 64-bit and
// the 32-bit Explorer alike).
bool PackagedMenuRegistered();

// True when every item lies on a drive letter of this machine's own fixed or removable disks,
// whose type the system knows without reaching the drive. An item on the network, on a CD or
// on anything else may take seconds to answer.
bool AllOnLocalDisks(const Selection& selection);

}  // namespace varnolt::menu
