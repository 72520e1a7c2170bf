// What DllRegisterServer and DllUnregisterServer do: the Approved value, the registration
// script embedded as "REGISTRY" 101, and the type library embedded as "TYPELIB" 1.
#pragma once

#include <windows.h>

namespace varnolt::menu {

HRESULT RegisterServer();
HRESULT UnregisterServer();

}  // namespace varnolt::menu
