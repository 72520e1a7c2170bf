#include "contextmenu/FileShredderShlExt.h"

#include <shellapi.h>

#include <new>
#include <string>
#include <string_view>

#include "contextmenu/Launch.h"
#include "contextmenu/MenuLogic.h"
#include "contextmenu/MenuShell.h"
#include "contextmenu/Module.h"

namespace varnolt::menu {

// The library's locale, as its definition declares it and as registration records it.
constexpr LCID kTypeLibraryLocale = 0x0409;

HRESULT CFileShredderShlExt::Create(IUnknown* outer, REFIID iid, void** object) {
  auto* created = new (std::nothrow) CFileShredderShlExt(outer);
  if (!created) return E_OUTOFMEMORY;
  // The count is zero here: a refused interface leaves nothing else holding the object.
  const HRESULT result = outer ? created->m_inner.QueryInterface(iid, object) : created->OwnQueryInterface(iid, object);
  if (FAILED(result)) delete created;
  return result;
}

CFileShredderShlExt::CFileShredderShlExt(IUnknown* outer) : m_outer(outer), m_inner(*this) { LockModule(); }

CFileShredderShlExt::~CFileShredderShlExt() {
  if (m_typeInfo) m_typeInfo->Release();
  UnlockModule();
}

HRESULT CFileShredderShlExt::OwnQueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  IUnknown* found = nullptr;
  if (IsEqualIID(iid, IID_IFileShredderShlExt) || IsEqualIID(iid, IID_IDispatch)) {
    found = static_cast<IFileShredderShlExt*>(this);
  } else if (IsEqualIID(iid, IID_IShellExtInit)) {
    found = static_cast<IShellExtInit*>(this);
  } else if (IsEqualIID(iid, IID_IContextMenu)) {
    found = static_cast<IContextMenu*>(this);
  } else if (IsEqualIID(iid, IID_IUnknown)) {
    found = static_cast<IFileShredderShlExt*>(this);
  }
  *object = found;
  if (!found) return E_NOINTERFACE;
  found->AddRef();  // through the outer object when aggregated, as aggregation requires
  return S_OK;
}

ULONG CFileShredderShlExt::OwnAddRef() { return ++m_references; }

ULONG CFileShredderShlExt::OwnRelease() {
  const ULONG count = --m_references;
  if (count == 0) delete this;
  return count;
}

STDMETHODIMP CFileShredderShlExt::QueryInterface(REFIID iid, void** object) {
  return m_outer ? m_outer->QueryInterface(iid, object) : OwnQueryInterface(iid, object);
}

STDMETHODIMP_(ULONG) CFileShredderShlExt::AddRef() { return m_outer ? m_outer->AddRef() : OwnAddRef(); }

STDMETHODIMP_(ULONG) CFileShredderShlExt::Release() { return m_outer ? m_outer->Release() : OwnRelease(); }

STDMETHODIMP CFileShredderShlExt::InnerUnknown::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown)) {
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
  }
  return owner.OwnQueryInterface(iid, object);
}

STDMETHODIMP_(ULONG) CFileShredderShlExt::InnerUnknown::AddRef() { return owner.OwnAddRef(); }

STDMETHODIMP_(ULONG) CFileShredderShlExt::InnerUnknown::Release() { return owner.OwnRelease(); }

HRESULT CFileShredderShlExt::LoadTypeInfo() {
  if (m_typeInfo) return S_OK;
  ITypeLib* library = nullptr;
  HRESULT result = LoadRegTypeLib(LIBID_VARNOLTMENULib, 1, 0, kTypeLibraryLocale, &library);
  if (FAILED(result)) return result;
  result = library->GetTypeInfoOfGuid(IID_IFileShredderShlExt, &m_typeInfo);
  library->Release();
  return result;
}

STDMETHODIMP CFileShredderShlExt::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP CFileShredderShlExt::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  const HRESULT result = LoadTypeInfo();
  if (FAILED(result)) return result;
  m_typeInfo->AddRef();
  *info = m_typeInfo;
  return S_OK;
}

STDMETHODIMP CFileShredderShlExt::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const HRESULT result = LoadTypeInfo();
  if (FAILED(result)) return result;
  return DispGetIDsOfNames(m_typeInfo, names, count, ids);
}

STDMETHODIMP CFileShredderShlExt::Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                         VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  const HRESULT loaded = LoadTypeInfo();
  if (FAILED(loaded)) return loaded;
  return DispInvoke(static_cast<IFileShredderShlExt*>(this), m_typeInfo, member, flags, params, result, exception,
                    argumentError);
}

STDMETHODIMP CFileShredderShlExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
  if (!data) return E_INVALIDARG;
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  if (FAILED(data->GetData(&format, &medium))) return E_INVALIDARG;
  const auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
  if (!drop) {
    ReleaseStgMedium(&medium);
    return E_INVALIDARG;
  }

  HRESULT result = S_OK;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  if (count == 0) {
    result = E_INVALIDARG;
  } else {
    try {
      Selection selection;
      selection.items.reserve(count);
      for (UINT i = 0; i < count; ++i) {
        // A name that does not arrive whole, or that the pipe cannot carry (MenuLogic.h),
        // refuses the selection whole: the shell then shows no entry for it.
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0) {
          result = E_INVALIDARG;
          break;
        }
        std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
        if (DragQueryFileW(drop, i, wide.data(), length + 1) != length) {
          result = E_INVALIDARG;
          break;
        }
        wide.resize(length);
        if (!AddShellName(selection, wide)) {
          result = E_INVALIDARG;
          break;
        }
      }
      // Each call takes one whole selection: a second Initialize replaces the first.
      if (SUCCEEDED(result)) m_selection = std::move(selection);
    } catch (...) {
      result = E_OUTOFMEMORY;
    }
  }
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);
  return result;
}

STDMETHODIMP CFileShredderShlExt::QueryContextMenu(HMENU menu, UINT position, UINT firstCommand, UINT, UINT flags) {
  if (flags & CMF_DEFAULTONLY) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
  // The setup's record is read at each menu: it may register or remove the package while
  // Explorer runs.
  if (!ClassicEntryShown(m_selection.hasDrive, PackagedMenuRegistered())) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
  WCHAR text[kMenuTextRoom];
  if (!WideMenuText(MenuText(m_selection.hasDrive), text)) return E_FAIL;
  InsertMenuW(menu, position, MF_BYPOSITION, firstCommand, text);
  return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
}

STDMETHODIMP CFileShredderShlExt::GetCommandString(UINT_PTR command, UINT type, UINT*, CHAR* buffer, UINT size) {
  const CommandStringRequest request = ClassifyCommandStringRequest(command, type);
  if (request == CommandStringRequest::kRefused || !buffer) return E_INVALIDARG;
  WCHAR wide[kMenuTextRoom];
  if (!WideMenuText(HelpText(m_selection.hasDrive), wide)) return E_FAIL;
  if (request == CommandStringRequest::kAnsiHelp) {
    // In the system's code page, where the 1252 bytes would read as other characters (0xE9 is
    // half a character on code page 932). Cut short at a whole character when the buffer is small.
    if (size == 0) return S_OK;
    const int units = static_cast<int>(std::char_traits<wchar_t>::length(wide));
    for (int taken = units; taken >= 0; --taken) {
      const int bytes = taken == 0 ? 0 : WideCharToMultiByte(CP_ACP, 0, wide, taken, nullptr, 0, nullptr, nullptr);
      if (taken > 0 && bytes <= 0) return E_FAIL;
      if (static_cast<UINT>(bytes) >= size) continue;
      if (taken > 0 && WideCharToMultiByte(CP_ACP, 0, wide, taken, buffer, bytes, nullptr, nullptr) != bytes) {
        return E_FAIL;
      }
      buffer[bytes] = '\0';
      return S_OK;
    }
    return E_FAIL;
  }
  static_assert(sizeof(WCHAR) == sizeof(char16_t));
  CopyBounded(reinterpret_cast<const char16_t*>(wide), reinterpret_cast<char16_t*>(buffer), size);
  return S_OK;
}

STDMETHODIMP CFileShredderShlExt::InvokeCommand(CMINVOKECOMMANDINFO* info) {
  if (!info || !IsOurCommand(reinterpret_cast<std::uintptr_t>(info->lpVerb))) return E_INVALIDARG;
  return LaunchEraser(m_selection.items);
}

}  // namespace varnolt::menu
