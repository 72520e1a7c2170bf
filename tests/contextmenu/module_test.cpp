// varnoltmenu.dll as a COM module, loaded directly (no registration needed): its exports, the
// class factory, aggregation, the module lock count, and the resources it carries.
#include <windows.h>
#include <oleauto.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "varnoltmenu.h"
#include "tests/wine_support/wine_support.h"

namespace varnolt::menu {
namespace {

using wine_testing::FromBuildTree;
using wine_testing::MakeScratchFolder;
using wine_testing::RemoveTree;

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    folder = MakeScratchFolder("module");
    ASSERT_FALSE(folder.empty());
    path = folder + "\\varnoltmenu.dll";
    ASSERT_TRUE(CopyFileA(FromBuildTree(VARNOLTMENU_DLL).c_str(), path.c_str(), FALSE));
    module = LoadLibraryA(path.c_str());
    ASSERT_NE(module, nullptr);
    getClassObject = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    canUnloadNow = reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_NE(getClassObject, nullptr);
    ASSERT_NE(canUnloadNow, nullptr);
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
    RemoveTree(folder);
    CoUninitialize();
  }

  IClassFactory* Factory() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClassObject(CLSID_FileShredderShlExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    return factory;
  }

  std::string folder, path;
  HMODULE module = nullptr;
  GetClassObjectFn getClassObject = nullptr;
  CanUnloadNowFn canUnloadNow = nullptr;
};

// An outer object that aggregates the handler, as a container would.
class Outer : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(iid, object) : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  ULONG references = 1;
  IUnknown* inner = nullptr;
};

TEST_F(ModuleTest, ExportsExactlyTheFourEntryPoints) {
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  std::vector<std::string> names;
  const auto* nameTable = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.emplace_back(reinterpret_cast<const char*>(base + nameTable[i]));
  EXPECT_EQ(names, (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                             "DllUnregisterServer"}));
  EXPECT_EQ(exports->NumberOfFunctions, 4u);
}

TEST_F(ModuleTest, ClassObjectRequests) {
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(IID_IClassFactory, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(CLSID_FileShredderShlExt, IID_IContextMenu, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(getClassObject(CLSID_FileShredderShlExt, IID_IClassFactory, nullptr), E_POINTER);

  // One cached factory, made once however many threads ask for it first.
  std::vector<void*> seen(8, nullptr);
  std::vector<std::thread> threads;
  std::atomic<int> ready{0};
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&, i] {
      ++ready;
      while (ready < static_cast<int>(seen.size())) {
      }
      getClassObject(CLSID_FileShredderShlExt, IID_IClassFactory, &seen[i]);
    });
  }
  for (std::thread& thread : threads) thread.join();
  IClassFactory* first = Factory();
  for (void* factory : seen) {
    EXPECT_EQ(factory, static_cast<void*>(first));
    if (factory) static_cast<IClassFactory*>(factory)->Release();
  }
  IUnknown* unknown = nullptr;
  ASSERT_EQ(getClassObject(CLSID_FileShredderShlExt, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(first), unknown);
  unknown->Release();
  first->Release();
}

TEST_F(ModuleTest, CreateInstanceAnswers) {
  IClassFactory* factory = Factory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, nullptr), E_POINTER);

  Outer outer;
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IContextMenu, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersist, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the factory is still held";
  factory->Release();
  EXPECT_EQ(canUnloadNow(), S_OK) << "the refused object is gone with its lock";
}

TEST_F(ModuleTest, InterfaceTableAndIdentity) {
  IClassFactory* factory = Factory();
  IUnknown* unknown = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  factory->Release();

  struct Entry {
    const IID* iid;
    const char* name;
  };
  const Entry entries[] = {{&IID_IFileShredderShlExt, "IFileShredderShlExt"},
                           {&IID_IDispatch, "IDispatch"},
                           {&IID_IShellExtInit, "IShellExtInit"},
                           {&IID_IContextMenu, "IContextMenu"}};
  void* dispatch = nullptr;
  for (const Entry& entry : entries) {
    void* pointer = nullptr;
    ASSERT_EQ(unknown->QueryInterface(*entry.iid, &pointer), S_OK) << entry.name;
    IUnknown* back = nullptr;
    ASSERT_EQ(static_cast<IUnknown*>(pointer)->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back)), S_OK);
    EXPECT_EQ(back, unknown) << entry.name << " leads back to the same identity";
    back->Release();
    if (IsEqualIID(*entry.iid, IID_IDispatch)) dispatch = pointer;
    if (IsEqualIID(*entry.iid, IID_IFileShredderShlExt)) {
      EXPECT_EQ(pointer, static_cast<void*>(unknown));
    }
    static_cast<IUnknown*>(pointer)->Release();
  }
  EXPECT_EQ(dispatch, static_cast<void*>(unknown)) << "IDispatch is the first sub-object";
  for (const IID* refused : {&IID_IPersist, &IID_IClassFactory, &IID_IContextMenu2, &IID_IShellFolder}) {
    void* pointer = reinterpret_cast<void*>(1);
    EXPECT_EQ(unknown->QueryInterface(*refused, &pointer), E_NOINTERFACE);
    EXPECT_EQ(pointer, nullptr);
  }
  EXPECT_EQ(unknown->QueryInterface(IID_IContextMenu, nullptr), E_POINTER);

  IDispatch* automation = nullptr;
  ASSERT_EQ(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&automation)), S_OK);
  UINT count = 0;
  EXPECT_EQ(automation->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(automation->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
  automation->Release();
  EXPECT_EQ(unknown->Release(), 0u);
}

TEST_F(ModuleTest, CanUnloadOnlyWhenNothingLives) {
  EXPECT_EQ(canUnloadNow(), S_OK);

  IClassFactory* factory = Factory();
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "a client holds the factory";
  IContextMenu* menu = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "an object and a server lock";

  menu->AddRef();
  EXPECT_EQ(menu->Release(), 1u);
  EXPECT_EQ(menu->Release(), 0u);
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the server lock";

  factory = Factory();
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  factory->Release();
  EXPECT_EQ(canUnloadNow(), S_OK);

  // Two objects: one lock each.
  factory = Factory();
  IUnknown* a = nullptr;
  IUnknown* b = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&a)), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&b)), S_OK);
  EXPECT_NE(a, b);
  factory->Release();
  a->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  b->Release();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(ModuleTest, AggregatedObjectDelegatesToItsOuterObject) {
  IClassFactory* factory = Factory();
  Outer outer;
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the aggregated object holds its lock";
  EXPECT_EQ(outer.references, 1u) << "the inner unknown does not count on the outer object";

  // Through the outer object, the handler's interfaces; their reference counts are the outer's.
  IContextMenu* menu = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
  EXPECT_EQ(outer.references, 2u);
  IUnknown* identity = nullptr;
  ASSERT_EQ(menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer)) << "the aggregate's identity is the outer object";
  identity->Release();
  IShellExtInit* init = nullptr;
  ASSERT_EQ(menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
  EXPECT_EQ(outer.references, 3u);
  init->Release();
  menu->Release();
  EXPECT_EQ(outer.references, 1u);

  // The inner unknown is its own: asked for IUnknown it answers itself.
  IUnknown* innerAgain = nullptr;
  ASSERT_EQ(outer.inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&innerAgain)), S_OK);
  EXPECT_EQ(innerAgain, outer.inner);
  EXPECT_EQ(innerAgain->Release(), 1u);
  EXPECT_EQ(outer.references, 1u);

  EXPECT_EQ(outer.inner->Release(), 0u);
  outer.inner = nullptr;
  EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(ModuleTest, CarriesItsTypeLibraryScriptVersionAndName) {
  // The registration script.
  const HRSRC script = FindResourceA(module, MAKEINTRESOURCEA(101), "REGISTRY");
  ASSERT_NE(script, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(module, script))),
                         SizeofResource(module, script));
  EXPECT_NE(text.find("InprocServer32 = s '%MODULE%'"), std::string::npos);

  char name[64] = {};
  EXPECT_GT(LoadStringA(module, 100, name, sizeof name), 0);
  EXPECT_STREQ(name, "varnoltmenu");

  // Version 1.0.1.0 of a DLL, with its texts in the 0409/1200 table.
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  const std::pair<const char*, const char*> strings[] = {
      {"FileVersion", "1, 0, 1, 0"},
      {"ProductVersion", "1, 0, 1, 0"},
      {"FileDescription", "Varnolt, shell extension module"},
      {"ProductName", "Varnolt, shell extension module"},
      {"Comments", "Varnolt, shell extension module"},
      {"InternalName", "varnoltmenu"},
      {"OriginalFilename", "varnoltmenu.dll"}};
  for (const auto& [key, expected] : strings) {
    char* value = nullptr;
    const std::string query = std::string("\\StringFileInfo\\040904B0\\") + key;
    ASSERT_TRUE(VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << key;
    EXPECT_STREQ(value, expected) << key;
  }

  // The type library, from "TYPELIB" 1, built for this architecture.
  std::wstring widePath(path.begin(), path.end());
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadTypeLibEx(widePath.c_str(), REGKIND_NONE, &library), S_OK);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_VARNOLTMENULib));
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  EXPECT_EQ(attributes->lcid, 0x0409u);
  EXPECT_EQ(attributes->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  library->ReleaseTLibAttr(attributes);

  BSTR libraryName = nullptr;
  BSTR help = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, &libraryName, &help, nullptr, nullptr), S_OK);
  EXPECT_STREQ(libraryName, L"VARNOLTMENULib");
  EXPECT_STREQ(help, L"varnoltmenu 1.0 Type Library");
  SysFreeString(libraryName);
  SysFreeString(help);

  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_FileShredderShlExt, &coclass), S_OK);
  TYPEATTR* classAttributes = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&classAttributes), S_OK);
  EXPECT_EQ(classAttributes->typekind, TKIND_COCLASS);
  EXPECT_TRUE(classAttributes->wTypeFlags & TYPEFLAG_FCANCREATE);
  EXPECT_EQ(classAttributes->cImplTypes, 1);
  coclass->ReleaseTypeAttr(classAttributes);
  INT implFlags = 0;
  EXPECT_EQ(coclass->GetImplTypeFlags(0, &implFlags), S_OK);
  EXPECT_TRUE(implFlags & IMPLTYPEFLAG_FDEFAULT);
  coclass->Release();

  ITypeInfo* interfaceInfo = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IFileShredderShlExt, &interfaceInfo), S_OK);
  TYPEATTR* interfaceAttributes = nullptr;
  ASSERT_EQ(interfaceInfo->GetTypeAttr(&interfaceAttributes), S_OK);
  // The dispatch half of a dual interface, and its vtable half behind it.
  EXPECT_EQ(interfaceAttributes->typekind, TKIND_DISPATCH);
  EXPECT_EQ(interfaceAttributes->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE),
            TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
  interfaceInfo->ReleaseTypeAttr(interfaceAttributes);
  HREFTYPE vtableRef = 0;
  ASSERT_EQ(interfaceInfo->GetRefTypeOfImplType(-1, &vtableRef), S_OK);
  ITypeInfo* vtable = nullptr;
  ASSERT_EQ(interfaceInfo->GetRefTypeInfo(vtableRef, &vtable), S_OK);
  TYPEATTR* vtableAttributes = nullptr;
  ASSERT_EQ(vtable->GetTypeAttr(&vtableAttributes), S_OK);
  EXPECT_EQ(vtableAttributes->typekind, TKIND_INTERFACE);
  const WORD wanted = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
  EXPECT_EQ(vtableAttributes->wTypeFlags & wanted, wanted);
  EXPECT_EQ(vtableAttributes->cFuncs, 0) << "no members of its own";
  vtable->ReleaseTypeAttr(vtableAttributes);
  vtable->Release();
  BSTR interfaceHelp = nullptr;
  ASSERT_EQ(interfaceInfo->GetDocumentation(MEMBERID_NIL, nullptr, &interfaceHelp, nullptr, nullptr), S_OK);
  EXPECT_STREQ(interfaceHelp, L"IFileShredderShlExt Interface");
  SysFreeString(interfaceHelp);
  interfaceInfo->Release();
  library->Release();
}

}  // namespace
}  // namespace varnolt::menu
