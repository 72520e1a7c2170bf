// The class factory of each of the module's classes. The module keeps one instance a class from
// its first request until the DLL is unloaded; every reference beyond the module's own holds a
// module lock, so a client that keeps the factory keeps the DLL loaded.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace varnolt::menu {

using ObjectCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

class ClassFactory final : public IClassFactory {
 public:
  // Starts with the module's own reference.
  explicit ClassFactory(ObjectCreator create) : create(create) {}
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  STDMETHODIMP LockServer(BOOL lock) override;

 private:
  ~ClassFactory() = default;
  ObjectCreator create;
  LONG references = 1;
};

}  // namespace varnolt::menu
