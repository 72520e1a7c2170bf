// Drives the extension as Explorer does: registered, created through the registry, handed a
// data object with CF_HDROP, asked for its menu entry and help text, and invoked. The program
// started through App Paths is pipe_client.exe (see there), copied in as Varnolt.exe; every item
// it is sent lives in this test's own folder under C: (shell_support.cpp makes both).
#include <windows.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "contextmenu/MenuLogic.h"
#include "tests/contextmenu/shell_support.h"
#include "tests/wine_support/wine_support.h"
#include "varnoltmenu.h"

namespace varnolt::menu {
namespace {

using shell_testing::ClearAppPath;
using shell_testing::ExpectVarnoltEndsWithNothingToReport;
using shell_testing::folder;
using shell_testing::InstallRealProgram;
using shell_testing::Lines;
using shell_testing::PackagedMenuRecord;
using shell_testing::programDir;
using shell_testing::ResetProgram;
using shell_testing::SetAppPath;
using shell_testing::WaitForReport;
using wine_testing::AnswerMessageBox;
using wine_testing::NoPipeInTickRange;
using wine_testing::ReadTextFile;
using wine_testing::RemoveTree;
using wine_testing::WriteTextFile;

const std::string kHelpErase = std::string("Broyer les donn") + '\xE9' + "es avec Varnolt";
const std::string kHelpClean = "Nettoyer l'espace libre de ce disque avec Varnolt";

// A data object as Explorer builds one for a selection: CF_HDROP in global memory, wide names.
class DropDataObject : public IDataObject {
 public:
  explicit DropDataObject(std::vector<std::wstring> names, bool offerDrop = true)
      : names(std::move(names)), offerDrop(offerDrop) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }

  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    ++getDataCalls;
    if (!offerDrop || format->cfFormat != CF_HDROP || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = wine_testing::MakeDropFiles(names);
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override {
    return offerDrop && format->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
  }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
    out->ptd = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

  ULONG references = 1;
  int getDataCalls = 0;

 private:
  std::vector<std::wstring> names;
  bool offerDrop;
};

// Each byte as the character of that number: ASCII and Latin-1 names as the shell would have them.
std::wstring Latin1(const std::string& text) {
  std::wstring wide;
  for (const char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

// One handler object, created through the registry as Explorer creates it.
struct Handler {
  Handler() {
    const HRESULT created = CoCreateInstance(CLSID_FileShredderShlExt, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IShellExtInit, reinterpret_cast<void**>(&init));
    EXPECT_EQ(created, S_OK);
    if (init) {
      EXPECT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    }
  }
  ~Handler() {
    if (menu) menu->Release();
    if (init) init->Release();
  }
  HRESULT Initialize(const std::vector<std::string>& names) {
    std::vector<std::wstring> wide;
    for (const std::string& name : names) wide.push_back(Latin1(name));
    return InitializeWide(wide);
  }
  HRESULT InitializeWide(const std::vector<std::wstring>& names) {
    DropDataObject data(names);
    const HRESULT result = init->Initialize(nullptr, &data, nullptr);
    EXPECT_EQ(data.references, 1u) << "the data object is not kept";
    return result;
  }
  HRESULT Invoke(LPCSTR verb) {
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return menu->InvokeCommand(&info);
  }
  IShellExtInit* init = nullptr;
  IContextMenu* menu = nullptr;
};

struct MenuEntry {
  int count = 0;
  std::string text;
  UINT id = 0;
  UINT state = 0;
};

MenuEntry QueryMenu(Handler& handler, UINT flags = CMF_NORMAL, HRESULT* result = nullptr) {
  const HMENU menu = CreatePopupMenu();
  const HRESULT answer = handler.menu->QueryContextMenu(menu, 0, 100, 200, flags);
  if (result) *result = answer;
  MenuEntry entry;
  entry.count = GetMenuItemCount(menu);
  if (entry.count > 0) {
    char text[128] = {};
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    entry.text = text;
    entry.id = GetMenuItemID(menu, 0);
    entry.state = GetMenuState(menu, 0, MF_BYPOSITION);
  }
  DestroyMenu(menu);
  return entry;
}

std::string HelpA(Handler& handler, UINT type = GCS_HELPTEXTA, UINT_PTR offset = 0, UINT size = 128,
                  HRESULT* result = nullptr) {
  char buffer[128];
  memset(buffer, '#', sizeof buffer);
  const HRESULT answer = handler.menu->GetCommandString(offset, type, nullptr, buffer, size);
  if (result) *result = answer;
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

std::wstring HelpW(Handler& handler, UINT size = 64, HRESULT* result = nullptr) {
  wchar_t buffer[64];
  wmemset(buffer, L'#', 64);
  const HRESULT answer = handler.menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<LPSTR>(buffer), size);
  if (result) *result = answer;
  buffer[63] = L'\0';
  return buffer;
}

std::wstring Widen(const std::string& text) {
  wchar_t wide[128];
  MultiByteToWideChar(CP_THREAD_ACP, 0, text.c_str(), -1, wide, 128);
  return wide;
}

// Files and a directory in this run's folder.
struct Selection {
  explicit Selection(const char* name, int files = 2, std::size_t nameLength = 8) {
    base = folder + "\\" + name;
    RemoveTree(base);
    CreateDirectoryA(base.c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
      std::string file = base + "\\" + std::to_string(i) + "-" + std::string(nameLength, 'f') + ".txt";
      WriteTextFile(file, "data " + std::to_string(i));
      paths.push_back(file);
    }
    const std::string directory = base + "\\dossier";
    CreateDirectoryA(directory.c_str(), nullptr);
    WriteTextFile(directory + "\\inside.txt", "inside");
    paths.push_back(directory);
  }
  ~Selection() { RemoveTree(base); }
  std::string base;
  std::vector<std::string> paths;
};

TEST(ShellDrive, CreatedThroughTheRegistryFromItsRegisteredPath) {
  Handler handler;
  ASSERT_NE(handler.menu, nullptr);
  char loaded[MAX_PATH] = {};
  GetModuleFileNameA(GetModuleHandleA("varnoltmenu.dll"), loaded, MAX_PATH);
  EXPECT_EQ(std::string(loaded), folder + "\\varnoltmenu.dll");

  // Dispatch through the registered type library.
  IDispatch* automation = nullptr;
  ASSERT_EQ(handler.init->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&automation)), S_OK);
  ITypeInfo* info = nullptr;
  ASSERT_EQ(automation->GetTypeInfo(0, 0, &info), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IFileShredderShlExt));
  EXPECT_EQ(attributes->typekind, TKIND_DISPATCH);
  info->ReleaseTypeAttr(attributes);
  info->Release();

  LPOLESTR names[] = {const_cast<LPOLESTR>(L"Broyer")};
  DISPID id = 0;
  EXPECT_EQ(automation->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(automation->GetIDsOfNames(IID_IUnknown, names, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
  DISPPARAMS none = {};
  EXPECT_EQ(automation->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(automation->Invoke(1, IID_IUnknown, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  automation->Release();
}

TEST(ShellDrive, FilesAndDirectoriesGetTheEraseEntry) {
  Selection selection("menu");
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);

  HRESULT result = E_FAIL;
  const MenuEntry entry = QueryMenu(handler, CMF_NORMAL | CMF_EXPLORE | CMF_CANRENAME, &result);
  EXPECT_EQ(result, MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
  EXPECT_EQ(entry.count, 1);
  EXPECT_EQ(entry.text, "Broyer avec Varnolt");
  EXPECT_EQ(entry.id, 100u);
  EXPECT_EQ(entry.state & (MF_SEPARATOR | MF_POPUP | MF_BITMAP | MF_OWNERDRAW | MF_GRAYED | MF_DISABLED), 0u);

  // Inserted at the position asked for, among Explorer's own entries.
  const HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, 1, "Ouvrir");
  AppendMenuA(menu, MF_STRING, 2, "Copier");
  EXPECT_EQ(handler.menu->QueryContextMenu(menu, 1, 30, 40, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
  char text[64] = {};
  GetMenuStringA(menu, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Broyer avec Varnolt");
  EXPECT_EQ(GetMenuItemID(menu, 1), 30u);
  EXPECT_EQ(GetMenuItemID(menu, 2), 2u);
  DestroyMenu(menu);

  // Only the default command asked for: nothing added.
  const MenuEntry none = QueryMenu(handler, CMF_DEFAULTONLY, &result);
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(none.count, 0);
}

TEST(ShellDrive, HelpTextForEveryRequestType) {
  Selection selection("help");
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);

  HRESULT result = E_FAIL;
  EXPECT_EQ(HelpA(handler, GCS_HELPTEXTA, 0, 128, &result), kHelpErase);
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(HelpW(handler, 64, &result), Widen(kHelpErase));
  EXPECT_EQ(result, S_OK);
  if (GetACP() == 1252) {
    EXPECT_EQ(HelpW(handler), L"Broyer les donn\u00E9es avec Varnolt");
  }

  // Verbs and validation: refused, buffer untouched. So is any other command offset.
  const std::string untouched(127, '#');
  for (UINT type : {GCS_VERBA, GCS_VALIDATEA, GCS_VERBW, GCS_VALIDATEW}) {
    EXPECT_EQ(HelpA(handler, type, 0, 128, &result), untouched) << type;
    EXPECT_EQ(result, E_INVALIDARG) << type;
  }
  for (UINT type : {GCS_HELPTEXTA, GCS_HELPTEXTW}) {
    EXPECT_EQ(HelpA(handler, type, 1, 128, &result), untouched) << type;
    EXPECT_EQ(result, E_INVALIDARG) << type;
  }

  // Small buffers: the beginning and a zero.
  EXPECT_EQ(HelpW(handler, 10, &result), L"Broyer le");
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(HelpA(handler, GCS_HELPTEXTA, 0, 7, &result), "Broyer");
  EXPECT_EQ(HelpA(handler, GCS_HELPTEXTA, 0, 1, &result), "");
}

TEST(ShellDrive, ADriveRootAmongFilesGetsTheCleanEntry) {
  Selection selection("drive");
  std::vector<std::string> names = {"C:\\"};
  names.insert(names.end(), selection.paths.begin(), selection.paths.end());
  Handler handler;
  ASSERT_EQ(handler.Initialize(names), S_OK);
  EXPECT_EQ(QueryMenu(handler).text, "Nettoyer avec Varnolt");
  EXPECT_EQ(HelpA(handler), kHelpClean);
  EXPECT_EQ(HelpW(handler), Widen(kHelpClean));

  // A new selection on the same object replaces the old one, drive flag included.
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);
  EXPECT_EQ(QueryMenu(handler).text, "Broyer avec Varnolt");
}

// Once the setup has recorded the Windows 11 package as registered (REG_DWORD 1, in the 64-bit
// view, where the 32-bit handler reads it too), files and folders get their entry from that
// menu only; a selection holding a drive keeps its entry here. A record in the 32-bit view, or
// of another value, changes nothing.
TEST(ShellDrive, ThePackagedMenuRecordTakesFilesAndFoldersButNotDrives) {
  Selection selection("packaged");
  std::vector<std::string> withDrive = {"C:\\"};
  withDrive.insert(withDrive.end(), selection.paths.begin(), selection.paths.end());
  Handler files;
  ASSERT_EQ(files.Initialize(selection.paths), S_OK);
  Handler drive;
  ASSERT_EQ(drive.Initialize(withDrive), S_OK);
  EXPECT_EQ(QueryMenu(files).text, "Broyer avec Varnolt");
  {
    const PackagedMenuRecord record(1);
    ASSERT_TRUE(record.written());
    HRESULT result = E_FAIL;
    EXPECT_EQ(QueryMenu(files, CMF_NORMAL, &result).count, 0);
    EXPECT_EQ(result, MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
    const MenuEntry entry = QueryMenu(drive, CMF_NORMAL, &result);
    EXPECT_EQ(entry.count, 1);
    EXPECT_EQ(entry.text, "Nettoyer avec Varnolt");
    EXPECT_EQ(result, MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
  }
  EXPECT_EQ(QueryMenu(files).text, "Broyer avec Varnolt") << "the record is gone";
  {
    const PackagedMenuRecord record(0);
    ASSERT_TRUE(record.written());
    EXPECT_EQ(QueryMenu(files).text, "Broyer avec Varnolt");
  }
  {
    const PackagedMenuRecord record(1, KEY_WOW64_32KEY);
    ASSERT_TRUE(record.written());
    EXPECT_EQ(QueryMenu(files).text, "Broyer avec Varnolt");
  }
}

TEST(ShellDrive, UnreadableSelectionsAreRefused) {
  Handler handler;
  DropDataObject noDrop({L"C:\\x"}, false);
  EXPECT_EQ(handler.init->Initialize(nullptr, &noDrop, nullptr), E_INVALIDARG);
  EXPECT_EQ(noDrop.getDataCalls, 1);
  EXPECT_EQ(handler.Initialize({}), E_INVALIDARG);
  EXPECT_EQ(handler.init->Initialize(nullptr, nullptr, nullptr), E_INVALIDARG);
  // A name whose record the pipe cannot carry would reach the program cut short: the whole
  // selection is refused rather than let its beginning name something else. Names past the
  // old 259 characters go through.
  const std::string longName = folder + "\\" + std::string(300 - folder.size(), 'l');
  EXPECT_EQ(handler.Initialize({folder + "\\a.txt", longName}), S_OK);
  const std::wstring tooLong = Latin1(folder) + L"\\" + std::wstring(32000, L'\u65E5');  // 96,000 bytes of UTF-8
  EXPECT_EQ(handler.InitializeWide({Latin1(folder + "\\a.txt"), tooLong}), E_INVALIDARG);
}

// Explorer's names are UTF-16 and go on in UTF-8, every character as it is: fullwidth dots and
// backslash, which the ANSI code page read "..\" (climbing out of the selected folder), and
// "Łódź.pdf", which it read "Lódz.pdf", perhaps a neighbour, arrive exactly.
TEST(ShellDrive, NamesOfAnyScriptReachTheProgramExactlyInUtf8) {
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  Selection selection("wide");
  const std::wstring base = Latin1(selection.base);
  const std::wstring climbing = base + L"\\Downloads\\\xFF0E\xFF0E\xFF3C" L"dossier";
  const std::wstring city = base + L"\\\x0141\x00F3" L"d\x017A.pdf";
  const std::wstring smile = base + L"\\vacances \U0001F600.jpg";
  const std::wstring accents = base + L"\\\x00E9t\x00E9.txt";
  ResetProgram("normal");
  Handler handler;
  ASSERT_EQ(handler.InitializeWide({climbing, city, smile, accents, Latin1(selection.paths[0])}), S_OK);
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_OK);
  const std::string report = WaitForReport();
  EXPECT_EQ(Lines(report, "item="),
            (std::vector<std::string>{selection.base + "\\Downloads\\\xEF\xBC\x8E\xEF\xBC\x8E\xEF\xBC\xBC" "dossier",
                                      selection.base + "\\\xC5\x81\xC3\xB3" "d\xC5\xBA.pdf",
                                      selection.base + "\\vacances \xF0\x9F\x98\x80.jpg",
                                      selection.base + "\\\xC3\xA9t\xC3\xA9.txt", selection.paths[0]}))
      << report;
  EXPECT_EQ(Lines(report, "end").size(), 1u) << report;
}

TEST(ShellDrive, InvokeStartsTheProgramAndHandsItTheSelection) {
  ResetProgram("normal");
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  Selection selection("invoke");
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);

  const DWORD before = GetTickCount();
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_OK);
  const DWORD after = GetTickCount();
  const std::string report = WaitForReport();
  ASSERT_FALSE(report.empty()) << "the program did not report";

  // " -a -u -p \\.\pipe\<tick>", the tick read during the call.
  std::vector<std::string> args = Lines(report, "arg=");
  ASSERT_EQ(args.size(), 4u) << report;
  EXPECT_EQ(args[0], "-a");
  EXPECT_EQ(args[1], "-u");  // the records are UTF-8
  args.erase(args.begin() + 1);
  EXPECT_EQ(args[1], "-p");
  ASSERT_EQ(args[2].compare(0, 9, "\\\\.\\pipe\\"), 0) << args[2];
  const std::string digits = args[2].substr(9);
  ASSERT_FALSE(digits.empty());
  EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos) << digits;
  EXPECT_TRUE(digits.size() == 1 || digits[0] != '0') << digits;
  const DWORD tick = static_cast<DWORD>(std::stoul(digits));
  EXPECT_LE(tick - before, after - before);
  const std::string commandLine = ReadTextFile(programDir + "\\started.txt");
  EXPECT_NE(commandLine.find(" -a -u -p " + args[2]), std::string::npos) << commandLine;
  EXPECT_EQ(commandLine.substr(commandLine.size() - args[2].size()), args[2]) << "nothing after the pipe name";

  // Exactly the selection, in order, and the terminator.
  EXPECT_EQ(Lines(report, "item="), selection.paths);
  EXPECT_EQ(Lines(report, "end").size(), 1u) << report;

  // Only this user and the system may open the pipe.
  const std::vector<std::string> user = Lines(report, "user=");
  ASSERT_EQ(user.size(), 1u);
  EXPECT_EQ(Lines(report, "dacl="), std::vector<std::string>{user[0] + ";S-1-5-18;"});

  std::string found;
  EXPECT_TRUE(NoPipeInTickRange(before, GetTickCount(), &found)) << found;
  // The items are still there: the stand-in erases nothing.
  for (const std::string& path : selection.paths) EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Hands `count` records of about 200 bytes, many times the pipe's 512-byte buffer, to the
// stand-in reading in `mode`: every item and the end must reach it, the writes waiting for it.
void ExpectEveryItemReachesAReader(const std::string& mode, const char* name, int count, DWORD waitedMs) {
  ResetProgram(mode);
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  Selection selection(name, count, 200 - folder.size());
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);
  const DWORD started = GetTickCount();
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_OK);
  EXPECT_GE(GetTickCount() - started, waitedMs) << "the writes waited for the reader";
  const std::string report = WaitForReport();
  EXPECT_EQ(Lines(report, "item="), selection.paths);
  EXPECT_EQ(Lines(report, "end").size(), 1u) << report;
}

TEST(ShellDrive, ASlowReaderStillGetsEverything) { ExpectEveryItemReachesAReader("slow", "slow", 40, 1000); }

// The program collects each item, a directory with all its contents, before it reads the next:
// however long that takes, the rest of the list waits for it. Here one pause past the bound on
// the program's start, while the pipe's buffer is full.
TEST(ShellDrive, AReaderThatPausesLongMidListStillGetsEverything) {
  ExpectEveryItemReachesAReader("pause " + std::to_string(kProgramStartWaitMs + 1500), "pause", 8,
                                kProgramStartWaitMs);
}

// A program that ends mid-list releases the caller at once, even while the pipe outlives it
// (another process holds its end open): nobody would ever read the rest.
TEST(ShellDrive, AReaderThatEndsMidListReleasesTheCaller) {
  ResetProgram("die");
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  Selection selection("die", 8, 200 - folder.size());
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);
  const DWORD started = GetTickCount();
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_OK);
  const DWORD elapsed = GetTickCount() - started;
  const std::string report = WaitForReport();
  const std::vector<std::string> holder = Lines(report, "holder=");
  ASSERT_EQ(holder.size(), 1u) << report;
  const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, std::stoul(holder[0]));
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the pipe had been closed";
  TerminateProcess(process, 0);
  WaitForSingleObject(process, 10000);
  CloseHandle(process);
  EXPECT_LT(elapsed, 10000u);
  EXPECT_EQ(Lines(report, "item="), std::vector<std::string>{selection.paths[0]});
}

TEST(ShellDrive, OtherCommandsStartNothing) {
  ResetProgram("normal");
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  Selection selection("refuse");
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);
  EXPECT_EQ(handler.Invoke("open"), E_INVALIDARG);
  EXPECT_EQ(handler.Invoke("delete"), E_INVALIDARG);
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(1)), E_INVALIDARG);
  EXPECT_EQ(handler.menu->InvokeCommand(nullptr), E_INVALIDARG);
  Sleep(1500);
  EXPECT_EQ(GetFileAttributesA((programDir + "\\started.txt").c_str()), INVALID_FILE_ATTRIBUTES)
      << "a program was started";
}

TEST(ShellDrive, MissingProgramGivesSFalseAndLeavesNoPipe) {
  Selection selection("missing");
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);
  std::string found;

  SetAppPath(REG_SZ, folder + "\\absent\\Varnolt.exe");
  DWORD before = GetTickCount();
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_FALSE);
  EXPECT_TRUE(NoPipeInTickRange(before, GetTickCount(), &found)) << found;

  ClearAppPath();
  before = GetTickCount();
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_FALSE);
  EXPECT_TRUE(NoPipeInTickRange(before, GetTickCount(), &found)) << found;

  // Longer than any path the system allows: not used.
  SetAppPath(REG_SZ, programDir + "\\" + std::string(100000, 'x') + ".exe");
  before = GetTickCount();
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_FALSE);
  EXPECT_TRUE(NoPipeInTickRange(before, GetTickCount(), &found)) << found;
}

TEST(ShellDrive, APipeNameInUseStartsNothing) {
  ResetProgram("normal");
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  Selection selection("taken");
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);

  // Someone else holds every name the next few seconds can produce.
  std::vector<HANDLE> squatters;
  const DWORD first = GetTickCount();
  const DWORD window = 6000;
  for (DWORD tick = first; tick != first + window; ++tick) {
    const std::string name = "\\\\.\\pipe\\" + std::to_string(tick);
    squatters.push_back(CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, PIPE_UNLIMITED_INSTANCES,
                                         512, 512, 0, nullptr));
    ASSERT_NE(squatters.back(), INVALID_HANDLE_VALUE);
  }
  const DWORD invoked = GetTickCount();
  const HRESULT result = handler.Invoke(MAKEINTRESOURCEA(0));
  const DWORD done = GetTickCount();
  for (HANDLE pipe : squatters) CloseHandle(pipe);
  ASSERT_LT(done - first, window) << "the pipes took too long to make; the test proves nothing";
  EXPECT_EQ(result, S_FALSE);
  EXPECT_LT(done - invoked, 5000u);
  Sleep(1000);
  EXPECT_EQ(GetFileAttributesA((programDir + "\\started.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ShellDrive, AProgramThatNeverOpensThePipeReleasesTheCallerAfterTheStartBound) {
  ResetProgram("never");
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  Selection selection("never");
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);
  const DWORD before = GetTickCount();
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_FALSE);
  const DWORD elapsed = GetTickCount() - before;
  EXPECT_GE(elapsed, kProgramStartWaitMs - 1000);
  EXPECT_LE(elapsed, kProgramStartWaitMs + 10000);
  EXPECT_NE(GetFileAttributesA((programDir + "\\started.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  std::string found;
  EXPECT_TRUE(NoPipeInTickRange(before, GetTickCount(), &found)) << found;
}

// The started program's confirmation is a real window that a helper can find and answer, as the
// end-to-end run with Varnolt.exe below needs.
TEST(ShellDrive, TheStartedProgramsConfirmationCanBeAnsweredYes) {
  ResetProgram("confirm");
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  Selection selection("confirm");
  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);
  auto answered = std::async(std::launch::async, [] { return AnswerMessageBox("Confirmation", IDYES, 20000); });
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_OK);
  const std::optional<std::string> text = answered.get();
  ASSERT_TRUE(text.has_value()) << "no Confirmation box appeared";
  EXPECT_EQ(*text, "Broyer les \xE9l\xE9ments choisis ?");
  const std::string report = WaitForReport();
  EXPECT_EQ(Lines(report, "answer="), std::vector<std::string>{"yes"}) << report;
  EXPECT_EQ(Lines(report, "item="), selection.paths);
}

#ifdef VARNOLT_EXE
// The whole road with the real program: App Paths names a copy of Varnolt.exe, which reads the
// selection from the pipe, asks for confirmation (answered Yes here) and erases the selected
// items, and only them.
TEST(ShellDrive, VarnoltErasesTheSelectionAndNothingElse) {
  InstallRealProgram("real-program");

  Selection selection("erase");
  const std::string kept = selection.base + "\\kept.txt";
  const std::string keptDir = selection.base + "\\kept-dir";
  ASSERT_TRUE(WriteTextFile(kept, "not selected"));
  ASSERT_TRUE(CreateDirectoryA(keptDir.c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(keptDir + "\\inside.txt", "not selected either"));

  Handler handler;
  ASSERT_EQ(handler.Initialize(selection.paths), S_OK);
  auto answered = std::async(std::launch::async, [] { return AnswerMessageBox("Confirmation", IDYES, 60000); });
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_OK);
  ASSERT_TRUE(answered.get().has_value()) << "Varnolt asked for no confirmation";

  bool gone = false;
  for (int i = 0; i < 1200 && !gone; ++i) {
    gone = true;
    for (const std::string& path : selection.paths) gone = gone && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (!gone) Sleep(50);
  }
  EXPECT_TRUE(gone) << "the selected items are still there after 60 s";
  // Gone from their names, the items are still being erased under passing ones: the folder
  // is removed at the end of the test only once the program has ended, with nothing to report.
  ExpectVarnoltEndsWithNothingToReport();
  EXPECT_EQ(ReadTextFile(kept), "not selected");
  EXPECT_EQ(ReadTextFile(keptDir + "\\inside.txt"), "not selected either");
}

// The same road with names outside every code page, as Explorer hands them over (wide
// CF_HDROP): exactly they are erased, their neighbours stay.
TEST(ShellDrive, VarnoltErasesAWideSelectionExactly) {
  InstallRealProgram("real-program-wide");
  const std::string base = folder + "\\wide-erase";
  ASSERT_TRUE(wine_testing::MakeFolder(base));
  const std::string city = base + "\\\xC5\x81\xC3\xB3" "d\xC5\xBA.txt";
  const std::string memo = base + "\\\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\xA1\xE3\x83\xA2.txt";
  const std::string omega = base + "\\\xCE\xA9mega";
  ASSERT_TRUE(WriteTextFile(city, "a"));
  ASSERT_TRUE(WriteTextFile(memo, "b"));
  ASSERT_TRUE(wine_testing::MakeFolder(omega));
  ASSERT_TRUE(WriteTextFile(omega + "\\inner.txt", "c"));
  ASSERT_TRUE(WriteTextFile(base + "\\Lodz.txt", "look-alike"));
  ASSERT_TRUE(WriteTextFile(base + "\\caf\xC3\xA9.txt", "neighbour"));

  Handler handler;
  ASSERT_EQ(handler.InitializeWide({wine_testing::SystemPathW(city), wine_testing::SystemPathW(memo),
                                    wine_testing::SystemPathW(omega)}),
            S_OK);
  auto answered = std::async(std::launch::async, [] { return AnswerMessageBox("Confirmation", IDYES, 60000); });
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_OK);
  ASSERT_TRUE(answered.get().has_value()) << "Varnolt asked for no confirmation";
  bool gone = false;
  for (int i = 0; i < 1200 && !gone; ++i) {
    gone = !wine_testing::Exists(city) && !wine_testing::Exists(memo) && !wine_testing::Exists(omega);
    if (!gone) Sleep(50);
  }
  EXPECT_TRUE(gone) << "the selected items are still there after 60 s";
  ExpectVarnoltEndsWithNothingToReport();
  EXPECT_EQ(wine_testing::ListFolder(base), (std::vector<std::string>{"Lodz.txt", "caf\xC3\xA9.txt"}));
  EXPECT_EQ(ReadTextFile(base + "\\caf\xC3\xA9.txt"), "neighbour");
}

// Explorer's thread is let go once the program has read the list, not once it has collected a
// large folder: InvokeCommand returns while the program is still collecting (its confirmation
// comes only after that), and the confirmation counts both items whole. It is answered "Non":
// erasing the selection handed over is shown by the tests above, and erasing 8,000 files takes
// Wine more than a minute and a half; "Non" must then leave every file as it was.
TEST(ShellDrive, ALargeFolderDoesNotHoldExplorersThread) {
  InstallRealProgram("real-program-large");

  const std::string base = folder + "\\large";
  RemoveTree(base);
  ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
  const std::string large = base + "\\many", single = base + "\\single.txt", kept = base + "\\kept.txt";
  ASSERT_TRUE(CreateDirectoryA(large.c_str(), nullptr));
  // Large enough that collecting it takes a while; not more: under Wine a rename costs time in
  // proportion to the folder's size (about 100 files a second erased at 3,000, 37 at 20,000),
  // and each shredded file is renamed three times.
  for (int i = 0; i < 8000; ++i) {
    const HANDLE file = CreateFileA((large + "\\" + std::to_string(i)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << i;
    CloseHandle(file);
  }
  ASSERT_TRUE(WriteTextFile(single, "single"));
  ASSERT_TRUE(WriteTextFile(kept, "not selected"));

  Handler handler;
  ASSERT_EQ(handler.Initialize({large, single}), S_OK);
  EXPECT_EQ(handler.Invoke(MAKEINTRESOURCEA(0)), S_OK);
  EXPECT_EQ(FindWindowA("#32770", "Confirmation"), nullptr) << "InvokeCommand waited for the collecting";
  EXPECT_NE(GetFileAttributesA((large + "\\7999").c_str()), INVALID_FILE_ATTRIBUTES);

  const std::optional<std::string> text = AnswerMessageBox("Confirmation", IDNO, 120000);
  ASSERT_TRUE(text.has_value()) << "Varnolt asked for no confirmation";
  EXPECT_NE(text->find("1 r\xE9pertoire(s) et 8001 fichier(s)"), std::string::npos) << *text;
  ExpectVarnoltEndsWithNothingToReport();
  EXPECT_EQ(wine_testing::ListFolder(large).size(), 8000u);
  EXPECT_EQ(ReadTextFile(single), "single");
  EXPECT_EQ(ReadTextFile(kept), "not selected");
  RemoveTree(base);
}
#endif

}  // namespace
}  // namespace varnolt::menu
