// CExplorerCommand: the entry of Windows 11's own context menu, which holds only commands of
// packaged extensions (the package's manifest names this class for files and folders). It
// answers by the classic handler's rules (MenuLogic.h, MenuShell.h) for a selection Explorer
// hands over as an IShellItemArray, and hands the items to the program by the same road
// (Launch.h). The setup's record of the package, which takes files and folders out of the
// classic menu, does not concern it.
//
// Explorer asks its state first on its window thread (fOkToBeSlow FALSE), then, when told
// E_PENDING, again on a thread of its own. The state depends on the items' names only; it is
// still put off for any item that is not on a drive letter of a local fixed or removable disk
// (network shares, CDs, anything unknown), as the interface asks of a command that might have
// to reach slow drives.
//
// No aggregation. No C++ exception leaves any of its methods.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <shobjidl.h>

namespace varnolt::menu {

class CExplorerCommand final : public IExplorerCommand, public IObjectWithSite {
 public:
  // The class factory's object creator.
  static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

  // IUnknown.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IExplorerCommand.
  STDMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* title) override;
  STDMETHODIMP GetIcon(IShellItemArray* items, LPWSTR* icon) override;
  STDMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
  STDMETHODIMP GetCanonicalName(GUID* name) override;
  STDMETHODIMP GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
  STDMETHODIMP Invoke(IShellItemArray* items, IBindCtx* context) override;
  STDMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
  STDMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;

  // IObjectWithSite: Explorer hands the command its site before using it.
  STDMETHODIMP SetSite(IUnknown* site) override;
  STDMETHODIMP GetSite(REFIID iid, void** site) override;

 private:
  CExplorerCommand();
  ~CExplorerCommand();
  CExplorerCommand(const CExplorerCommand&) = delete;
  CExplorerCommand& operator=(const CExplorerCommand&) = delete;

  LONG m_references = 1;
  IUnknown* m_site = nullptr;
};

}  // namespace varnolt::menu
