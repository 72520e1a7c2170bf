#include "contextmenu/ExplorerCommand.h"

#include <shlwapi.h>

#include <memory>
#include <new>
#include <string>
#include <utility>

#include "common/WideWin32.h"
#include "contextmenu/Launch.h"
#include "contextmenu/MenuLogic.h"
#include "contextmenu/MenuShell.h"
#include "contextmenu/Module.h"
#include "varnoltmenu_identity.h"  // generated from cmake/MenuIdentity.cmake

namespace varnolt::menu {
namespace {

struct TaskMemoryFree {
  void operator()(void* memory) const { CoTaskMemFree(memory); }
};

// The items' file-system paths, taken out of the array whole, or an error: an item that has no
// such path (a virtual folder, an item inside an archive) or whose name is refused
// (MenuLogic.h) refuses the selection, as the classic handler refuses it.
HRESULT ReadSelection(IShellItemArray* items, Selection& selection) noexcept {
  if (!items) return E_INVALIDARG;
  try {
    DWORD count = 0;
    HRESULT result = items->GetCount(&count);
    if (FAILED(result)) return result;
    if (count == 0) return E_INVALIDARG;
    Selection read;
    read.items.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
      IShellItem* item = nullptr;
      result = items->GetItemAt(i, &item);
      if (FAILED(result)) return result;
      PWSTR path = nullptr;
      result = item->GetDisplayName(SIGDN_FILESYSPATH, &path);
      item->Release();
      if (FAILED(result)) return result;
      const std::unique_ptr<WCHAR, TaskMemoryFree> owned(path);
      if (!path) return E_FAIL;
      if (!AddShellName(read, owned.get())) return E_INVALIDARG;
    }
    selection = std::move(read);
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

// Whether the selection holds a drive, which makes the texts the "Nettoyer" ones. A selection
// that cannot be read counts as none: its entry is hidden anyway.
bool HoldsDrive(IShellItemArray* items) {
  Selection selection;
  return SUCCEEDED(ReadSelection(items, selection)) && selection.hasDrive;
}

// A text of MenuLogic.h in memory of the shell's allocator, which Explorer frees.
HRESULT DuplicateMenuText(const char* text, LPWSTR* copy) {
  if (!copy) return E_POINTER;
  *copy = nullptr;
  WCHAR wide[kMenuTextRoom];
  if (!WideMenuText(text, wide)) return E_FAIL;
  return SHStrDupW(wide, copy);
}

}  // namespace

HRESULT CExplorerCommand::Create(IUnknown* outer, REFIID iid, void** object) {
  if (outer) return CLASS_E_NOAGGREGATION;
  auto* created = new (std::nothrow) CExplorerCommand();
  if (!created) return E_OUTOFMEMORY;
  const HRESULT result = created->QueryInterface(iid, object);
  created->Release();  // the creator's reference: a refused interface leaves nothing holding it
  return result;
}

CExplorerCommand::CExplorerCommand() { LockModule(); }

CExplorerCommand::~CExplorerCommand() {
  if (m_site) m_site->Release();
  UnlockModule();
}

STDMETHODIMP CExplorerCommand::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  IUnknown* found = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IExplorerCommand)) {
    found = static_cast<IExplorerCommand*>(this);
  } else if (IsEqualIID(iid, IID_IObjectWithSite)) {
    found = static_cast<IObjectWithSite*>(this);
  }
  *object = found;
  if (!found) return E_NOINTERFACE;
  found->AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CExplorerCommand::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }

STDMETHODIMP_(ULONG) CExplorerCommand::Release() {
  const LONG count = InterlockedDecrement(&m_references);
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

STDMETHODIMP CExplorerCommand::GetTitle(IShellItemArray* items, LPWSTR* title) {
  return DuplicateMenuText(MenuText(HoldsDrive(items)), title);
}

STDMETHODIMP CExplorerCommand::GetToolTip(IShellItemArray* items, LPWSTR* tip) {
  return DuplicateMenuText(HelpText(HoldsDrive(items)), tip);
}

// The program's own icon, "path,0" as Explorer reads an icon location (the last comma parts
// the index off, so a folder named with commas does no harm). None without a registered
// program: Explorer then shows the entry without an icon.
STDMETHODIMP CExplorerCommand::GetIcon(IShellItemArray*, LPWSTR* icon) {
  if (!icon) return E_POINTER;
  *icon = nullptr;
  try {
    std::wstring location;
    const std::string program = RegisteredProgramPath();
    if (program.empty() || !WideFromUtf8(program, location)) return E_FAIL;
    location += L",0";
    return SHStrDupW(location.c_str(), icon);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP CExplorerCommand::GetCanonicalName(GUID* name) {
  if (!name) return E_POINTER;
  *name = kExplorerCommandClassId;
  return S_OK;
}

STDMETHODIMP CExplorerCommand::GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) {
  if (!state) return E_POINTER;
  *state = ECS_HIDDEN;
  Selection selection;
  const HRESULT read = ReadSelection(items, selection);
  if (read == E_OUTOFMEMORY) return read;
  // Where the classic handler would show no entry (its selection refused), none here either.
  if (FAILED(read)) return S_OK;
  if (!okToBeSlow && !AllOnLocalDisks(selection)) return E_PENDING;
  *state = ECS_ENABLED;
  return S_OK;
}

// The paths are copied out of the array before the program is started: the hand-off may wait
// for the program for a long time, and the array is Explorer's, valid for this call only.
STDMETHODIMP CExplorerCommand::Invoke(IShellItemArray* items, IBindCtx*) {
  Selection selection;
  const HRESULT read = ReadSelection(items, selection);
  if (FAILED(read)) return read;
  return LaunchEraser(selection.items);
}

STDMETHODIMP CExplorerCommand::GetFlags(EXPCMDFLAGS* flags) {
  if (!flags) return E_POINTER;
  *flags = ECF_DEFAULT;
  return S_OK;
}

STDMETHODIMP CExplorerCommand::EnumSubCommands(IEnumExplorerCommand** commands) {
  if (commands) *commands = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CExplorerCommand::SetSite(IUnknown* site) {
  if (site) site->AddRef();
  IUnknown* const previous = m_site;
  m_site = site;
  if (previous) previous->Release();
  return S_OK;
}

STDMETHODIMP CExplorerCommand::GetSite(REFIID iid, void** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  if (!m_site) return E_FAIL;
  return m_site->QueryInterface(iid, site);
}

}  // namespace varnolt::menu
