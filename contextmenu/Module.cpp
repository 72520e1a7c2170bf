// The DLL's entry points: DllMain and the four exports (varnoltmenu.def lists them, and nothing
// else is exported). Two classes, the classic menu's handler and the Windows 11 menu's command,
// each with one cached class factory.
#include <windows.h>

#include <new>

#include "contextmenu/ClassFactory.h"
#include "contextmenu/ExplorerCommand.h"
#include "contextmenu/FileShredderShlExt.h"
#include "contextmenu/Module.h"
#include "contextmenu/Registration.h"
#include "varnoltmenu_identity.h"  // generated from cmake/MenuIdentity.cmake

namespace varnolt::menu {
namespace {

struct ClassEntry {
  const CLSID* classId;
  HRESULT (*updateRegistry)(bool registering);
  ObjectCreator createObject;
  ClassFactory* factory;  // made on the first request, kept until the DLL is unloaded
};

HRESULT UpdateRegistry(bool registering) { return registering ? RegisterServer() : UnregisterServer(); }
// The Windows 11 menu's class is declared by its package's manifest, which Windows reads when
// the package is registered: the DLL writes nothing for it.
HRESULT DeclaredByThePackage(bool) { return S_OK; }

HINSTANCE instance = nullptr;
LONG lockCount = 0;
CRITICAL_SECTION factoryLock;
ClassEntry classes[] = {
    {&CLSID_FileShredderShlExt, UpdateRegistry, CFileShredderShlExt::Create, nullptr},
    {&kExplorerCommandClassId, DeclaredByThePackage, CExplorerCommand::Create, nullptr},
};

void InitializeModule(HINSTANCE module) {
  instance = module;
  InitializeCriticalSection(&factoryLock);
}

void TerminateModule() {
  for (ClassEntry& entry : classes) {
    if (entry.factory) entry.factory->Release();
    entry.factory = nullptr;
  }
  DeleteCriticalSection(&factoryLock);
}

// Two threads asking at once get the same factory.
HRESULT FactoryFor(ClassEntry& entry, ClassFactory** factory) {
  EnterCriticalSection(&factoryLock);
  if (!entry.factory) entry.factory = new (std::nothrow) ClassFactory(entry.createObject);
  *factory = entry.factory;
  LeaveCriticalSection(&factoryLock);
  return *factory ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HINSTANCE ModuleInstance() { return instance; }
void LockModule() { InterlockedIncrement(&lockCount); }
void UnlockModule() { InterlockedDecrement(&lockCount); }
LONG ModuleLockCount() { return InterlockedCompareExchange(&lockCount, 0, 0); }

}  // namespace varnolt::menu

using namespace varnolt::menu;

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    InitializeModule(module);
    DisableThreadLibraryCalls(module);
  } else if (reason == DLL_PROCESS_DETACH) {
    TerminateModule();
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  for (ClassEntry& entry : classes) {
    if (!IsEqualCLSID(classId, *entry.classId)) continue;
    ClassFactory* factory = nullptr;
    const HRESULT result = FactoryFor(entry, &factory);
    if (FAILED(result)) return result;
    return factory->QueryInterface(iid, object);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

namespace {

HRESULT UpdateAll(bool registering) noexcept {
  try {
    for (ClassEntry& entry : classes) {
      const HRESULT result = entry.updateRegistry(registering);
      if (FAILED(result)) return result;
    }
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace

STDAPI DllRegisterServer() { return UpdateAll(true); }

STDAPI DllUnregisterServer() { return UpdateAll(false); }
