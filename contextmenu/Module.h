// Module-wide state of varnoltmenu.dll, shared between Explorer's threads: the instance handle
// and the lock count that DllCanUnloadNow answers from.
#pragma once

#include <windows.h>

namespace varnolt::menu {

HINSTANCE ModuleInstance();

// Every live object, every external reference to the class factory and every
// IClassFactory::LockServer(TRUE) holds one lock; the DLL may be unloaded only at zero.
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

}  // namespace varnolt::menu
