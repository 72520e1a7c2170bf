// Explorer's road through an installed Varnolt: the handler is created through the registry
// alone (the setup program's registration), finds the program through the App Paths key the
// setup program wrote, and the started Varnolt.exe erases the selection once it is confirmed.
// Run by install_test.sh between the silent install and the silent uninstall.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "varnoltmenu.h"
#include "tests/wine_support/wine_support.h"

namespace varnolt::installer {
namespace {

using wine_testing::AnswerMessageBox;
using wine_testing::MakeScratchFolder;
using wine_testing::ReadTextFile;
using wine_testing::RemoveTree;
using wine_testing::WriteTextFile;

// Program Files\Varnolt, or the folder VARNOLT_INSTALL_DIR names (an installation elsewhere).
std::string InstallDir() {
  char given[MAX_PATH] = {};
  if (GetEnvironmentVariableA("VARNOLT_INSTALL_DIR", given, MAX_PATH) != 0) return given;
  char programFiles[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
  return std::string(programFiles) + "\\Varnolt";
}

// A selection as Explorer hands it over: CF_HDROP in global memory, wide names.
class DropDataObject : public IDataObject {
 public:
  explicit DropDataObject(std::vector<std::string> names) : names(std::move(names)) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = wine_testing::MakeDropFiles(names);
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override { return format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC; }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

 private:
  std::vector<std::string> names;
};

class InstalledExtension : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    folder = MakeScratchFolder("installed");
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override {
    if (menu) menu->Release();
    if (init) init->Release();
    CoFreeUnusedLibraries();
    CoUninitialize();
    RemoveTree(folder);
  }
  void Create() {
    ASSERT_EQ(CoCreateInstance(CLSID_FileShredderShlExt, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                               reinterpret_cast<void**>(&init)),
              S_OK);
    ASSERT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
  }
  std::string folder;
  IShellExtInit* init = nullptr;
  IContextMenu* menu = nullptr;
};

TEST_F(InstalledExtension, ComesFromTheInstalledDll) {
  Create();
  const HMODULE module = GetModuleHandleA("varnoltmenu.dll");
  ASSERT_NE(module, nullptr);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(module, path, MAX_PATH);
  EXPECT_STREQ(path, (InstallDir() + "\\varnoltmenu.dll").c_str());
}

TEST_F(InstalledExtension, ErasesTheSelectionAfterTheConfirmation) {
  const std::string base = folder + "\\selection";
  ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
  const std::vector<std::string> selected = {base + "\\lettre.txt", base + "\\dossier"};
  ASSERT_TRUE(WriteTextFile(selected[0], "confidentiel"));
  ASSERT_TRUE(CreateDirectoryA(selected[1].c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(selected[1] + "\\dedans.txt", "confidentiel aussi"));
  const std::string kept = base + "\\garde.txt";
  ASSERT_TRUE(WriteTextFile(kept, "non choisi"));

  Create();
  DropDataObject data(selected);
  ASSERT_EQ(init->Initialize(nullptr, &data, nullptr), S_OK);
  const HMENU popup = CreatePopupMenu();
  EXPECT_EQ(menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
  char text[128] = {};
  GetMenuStringA(popup, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Broyer avec Varnolt");
  DestroyMenu(popup);

  auto answered = std::async(std::launch::async, [] { return AnswerMessageBox("Confirmation", IDYES, 60000); });
  CMINVOKECOMMANDINFO info = {};
  info.cbSize = sizeof info;
  info.lpVerb = MAKEINTRESOURCEA(0);
  info.nShow = SW_SHOWNORMAL;
  EXPECT_EQ(menu->InvokeCommand(&info), S_OK) << "the installed Varnolt.exe was not reached";
  ASSERT_TRUE(answered.get().has_value()) << "the installed Varnolt asked for no confirmation";

  bool gone = false;
  for (int i = 0; i < 1200 && !gone; ++i) {
    gone = GetFileAttributesA(selected[0].c_str()) == INVALID_FILE_ATTRIBUTES &&
           GetFileAttributesA(selected[1].c_str()) == INVALID_FILE_ATTRIBUTES;
    if (!gone) Sleep(50);
  }
  EXPECT_TRUE(gone) << "the selected items are still there after 60 s";
  EXPECT_EQ(ReadTextFile(kept), "non choisi");

  // The program must also end, with nothing to report.
  const wine_testing::ProgramsEnd end = wine_testing::WaitForProgramsToEnd(L"Varnolt.exe", 60000);
  EXPECT_TRUE(end.ended) << "Varnolt.exe still runs 60 s after the selection went";
  for (const std::string& report : end.reports) ADD_FAILURE() << "Varnolt reported: " << report;
}

}  // namespace
}  // namespace varnolt::installer
