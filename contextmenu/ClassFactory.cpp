#include "contextmenu/ClassFactory.h"

#include "contextmenu/Module.h"

namespace varnolt::menu {

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) ClassFactory::AddRef() {
  const LONG count = InterlockedIncrement(&references);
  if (count == 2) LockModule();  // the first reference handed out beyond the module's own
  return static_cast<ULONG>(count);
}

STDMETHODIMP_(ULONG) ClassFactory::Release() {
  const LONG count = InterlockedDecrement(&references);
  if (count == 1) UnlockModule();
  if (count == 0) delete this;  // the module's own reference, at unload
  return static_cast<ULONG>(count);
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  return create(outer, iid, object);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    LockModule();
  } else {
    UnlockModule();
  }
  return S_OK;
}

}  // namespace varnolt::menu
