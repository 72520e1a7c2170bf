// The Windows 11 menu's command, created as Explorer creates a packaged extension's class:
// through the DLL's DllGetClassObject with the class the package's manifest names, then handed
// the selection as an IShellItemArray. Its answers follow the classic handler's rules; Invoke
// hands the items to the program App Paths names: the stand-in (what it received) and the real
// Varnolt.exe (what it erased). Wine 8 builds item arrays for paths below 260 characters only;
// longer ones take the shared road that the classic handler's tests cover.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "tests/contextmenu/shell_support.h"
#include "tests/wine_support/wine_support.h"
#include "varnoltmenu_identity.h"

namespace varnolt::menu {
namespace {

using shell_testing::ClearAppPath;
using shell_testing::Lines;
using shell_testing::PackagedMenuRecord;
using shell_testing::programDir;
using shell_testing::ResetProgram;
using shell_testing::SetAppPath;
using shell_testing::WaitForReport;
using wine_testing::Exists;
using wine_testing::SystemPathW;

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

template <typename Function>
Function Export(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(shell_testing::registeredDll, name)));
}

// Names in three scripts, and their neighbours, in UTF-8.
const std::string kCity = "\xC5\x81\xC3\xB3" "d\xC5\xBA.txt";                          // Łódź.txt
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";                   // 日本語
const std::string kGreek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC";  // Ελληνικά

// A folder of this run holding files and folders named in those scripts.
struct Scratch {
  explicit Scratch(const std::string& name) : base(shell_testing::folder + "\\" + name) {
    wine_testing::RemoveTree(base);
    EXPECT_TRUE(wine_testing::MakeFolder(base));
    for (const std::string& directory : {kJapanese, kGreek}) {
      EXPECT_TRUE(wine_testing::MakeFolder(base + "\\" + directory));
      EXPECT_TRUE(wine_testing::WriteTextFile(base + "\\" + directory + "\\inside.txt", directory));
    }
    for (const std::string& file : {kCity, std::string("plain.txt"), std::string("Lodz.txt"), kJapanese + ".txt"}) {
      EXPECT_TRUE(wine_testing::WriteTextFile(base + "\\" + file, file));
    }
  }
  ~Scratch() { wine_testing::RemoveTree(base); }
  std::string operator/(const std::string& name) const { return base + "\\" + name; }
  std::string base;
};

// An IShellItemArray as Explorer hands one over: an ID list parsed from each name, one array.
class ItemArray {
 public:
  explicit ItemArray(const std::vector<std::wstring>& names) {
    std::vector<PIDLIST_ABSOLUTE> lists;
    for (const std::wstring& name : names) {
      IShellItem* item = nullptr;
      PIDLIST_ABSOLUTE list = nullptr;
      const HRESULT parsed =
          SHCreateItemFromParsingName(name.c_str(), nullptr, IID_IShellItem, reinterpret_cast<void**>(&item));
      EXPECT_EQ(parsed, S_OK) << wine_testing::Utf8Of(name.c_str());
      if (FAILED(parsed)) continue;
      EXPECT_EQ(SHGetIDListFromObject(item, &list), S_OK);
      item->Release();
      if (list) lists.push_back(list);
    }
    EXPECT_EQ(lists.size(), names.size());
    std::vector<PCIDLIST_ABSOLUTE> read(lists.begin(), lists.end());
    EXPECT_EQ(SHCreateShellItemArrayFromIDLists(static_cast<UINT>(read.size()), read.data(), &array), S_OK);
    for (PIDLIST_ABSOLUTE list : lists) CoTaskMemFree(list);
  }
  static ItemArray OfPaths(const std::vector<std::string>& paths) {
    std::vector<std::wstring> names;
    for (const std::string& path : paths) names.push_back(SystemPathW(path));
    return ItemArray(names);
  }
  ItemArray(ItemArray&& other) noexcept : array(other.array) { other.array = nullptr; }
  ~ItemArray() {
    if (array) array->Release();
  }
  IShellItemArray* get() const { return array; }

 private:
  IShellItemArray* array = nullptr;
};

// The text a call gave, freed as Explorer frees it. `text` is read once the call has been made.
std::wstring Take(HRESULT result, LPWSTR* text) {
  EXPECT_EQ(result, S_OK);
  const std::wstring copy = *text ? *text : L"(none)";
  CoTaskMemFree(*text);
  *text = nullptr;
  return copy;
}

struct StateAnswer {
  HRESULT result;
  EXPCMDSTATE state;
  bool operator==(const StateAnswer&) const = default;
};

void PrintTo(const StateAnswer& answer, std::ostream* out) {
  *out << "{0x" << std::hex << static_cast<unsigned long>(answer.result) << ", " << answer.state << "}";
}

// One command object from the DLL's class factory for the manifest's class.
struct Command {
  Command() {
    const auto getClassObject = Export<GetClassObjectFn>("DllGetClassObject");
    IClassFactory* factory = nullptr;
    EXPECT_EQ(getClassObject(kExplorerCommandClassId, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    if (!factory) return;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IExplorerCommand, reinterpret_cast<void**>(&command)), S_OK);
    factory->Release();
  }
  ~Command() {
    if (command) command->Release();
  }
  std::wstring Title(IShellItemArray* items) {
    LPWSTR text = nullptr;
    return Take(command->GetTitle(items, &text), &text);
  }
  std::wstring ToolTip(IShellItemArray* items) {
    LPWSTR text = nullptr;
    return Take(command->GetToolTip(items, &text), &text);
  }
  StateAnswer State(IShellItemArray* items, BOOL okToBeSlow) {
    EXPCMDSTATE state = 0xBAD;
    const HRESULT result = command->GetState(items, okToBeSlow, &state);
    // A put-off answer says nothing of the state.
    return {result, result == E_PENDING ? 0xBAD : state};
  }
  IExplorerCommand* command = nullptr;
};

constexpr EXPCMDSTATE kUnread = 0xBAD;

TEST(ExplorerCommand, AnswersByTheClassicHandlersRules) {
  // The test prefix declares C: a network drive (no free-space run may ever fill this machine's
  // disk): every item here lies on one, and the state is put off on Explorer's window thread.
  ASSERT_EQ(GetDriveTypeA("C:\\"), static_cast<UINT>(DRIVE_REMOTE));
  const Scratch scratch("command");
  Command command;
  ASSERT_NE(command.command, nullptr);

  const ItemArray files =
      ItemArray::OfPaths({scratch / kCity, scratch / kJapanese, scratch / kGreek, scratch / "plain.txt"});
  ASSERT_NE(files.get(), nullptr);
  EXPECT_EQ(command.Title(files.get()), L"Broyer avec Varnolt");
  EXPECT_EQ(command.ToolTip(files.get()), L"Broyer les donn\u00E9es avec Varnolt");
  EXPECT_EQ(command.State(files.get(), TRUE), (StateAnswer{S_OK, ECS_ENABLED}));
  EXPECT_EQ(command.State(files.get(), FALSE), (StateAnswer{E_PENDING, kUnread}));

  // A drive root among files: the "Nettoyer" texts.
  const ItemArray withDrive({L"C:\\", SystemPathW(scratch / kCity)});
  ASSERT_NE(withDrive.get(), nullptr);
  EXPECT_EQ(command.Title(withDrive.get()), L"Nettoyer avec Varnolt");
  EXPECT_EQ(command.ToolTip(withDrive.get()), L"Nettoyer l'espace libre de ce disque avec Varnolt");
  EXPECT_EQ(command.State(withDrive.get(), TRUE), (StateAnswer{S_OK, ECS_ENABLED}));
  EXPECT_EQ(command.State(withDrive.get(), FALSE), (StateAnswer{E_PENDING, kUnread}));

  // The setup's record of the package concerns the classic handler only.
  {
    const PackagedMenuRecord record(1);
    ASSERT_TRUE(record.written());
    EXPECT_EQ(command.State(files.get(), TRUE), (StateAnswer{S_OK, ECS_ENABLED}));
  }

  // An item with no file-system path (the computer itself) refuses the selection, as the
  // classic handler refuses one without CF_HDROP names: hidden, whatever the thread, and
  // nothing to hand on.
  const ItemArray virtualItem({L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", SystemPathW(scratch / kCity)});
  ASSERT_NE(virtualItem.get(), nullptr);
  EXPECT_EQ(command.State(virtualItem.get(), TRUE), (StateAnswer{S_OK, ECS_HIDDEN}));
  EXPECT_EQ(command.State(virtualItem.get(), FALSE), (StateAnswer{S_OK, ECS_HIDDEN}));
  EXPECT_TRUE(FAILED(command.command->Invoke(virtualItem.get(), nullptr)));
  EXPECT_EQ(command.State(nullptr, FALSE), (StateAnswer{S_OK, ECS_HIDDEN}));
  EXPECT_EQ(command.command->Invoke(nullptr, nullptr), E_INVALIDARG);
}

TEST(ExplorerCommand, IconIsTheRegisteredProgramsOwn) {
  Command command;
  ASSERT_NE(command.command, nullptr);
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  LPWSTR icon = nullptr;
  EXPECT_EQ(Take(command.command->GetIcon(nullptr, &icon), &icon), SystemPathW(programDir + "\\Varnolt.exe,0"));

  // No program registered: no icon, rather than one of some other file.
  ClearAppPath();
  icon = reinterpret_cast<LPWSTR>(1);
  EXPECT_TRUE(FAILED(command.command->GetIcon(nullptr, &icon)));
  EXPECT_EQ(icon, nullptr);

#ifdef VARNOLT_EXE
  // The location, read as Explorer reads it, names an icon the real program carries.
  const std::string program = shell_testing::InstallRealProgram("icon-program");
  icon = nullptr;
  std::wstring location = Take(command.command->GetIcon(nullptr, &icon), &icon);
  const int index = PathParseIconLocationW(location.data());
  EXPECT_EQ(location.c_str(), SystemPathW(program));
  EXPECT_EQ(index, 0);
  HICON large = nullptr;
  EXPECT_EQ(ExtractIconExW(location.c_str(), index, &large, nullptr, 1), 1u);
  if (large) DestroyIcon(large);
#endif
}

// An unknown that counts who holds it.
struct Site : IUnknown {
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    *object = IsEqualIID(iid, IID_IUnknown) ? this : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  ULONG references = 1;
};

// The command keeps the DLL loaded while it lives, holds the site Explorer hands it until its
// end, and names itself by the class the manifest declares.
TEST(ExplorerCommand, LifetimeSiteAndName) {
  const auto canUnloadNow = Export<CanUnloadNowFn>("DllCanUnloadNow");
  Site site;
  {
    Command command;
    ASSERT_NE(command.command, nullptr);
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a live command keeps the DLL loaded";
    GUID name = {};
    EXPECT_EQ(command.command->GetCanonicalName(&name), S_OK);
    EXPECT_TRUE(IsEqualGUID(name, kExplorerCommandClassId));

    IObjectWithSite* withSite = nullptr;
    ASSERT_EQ(command.command->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)), S_OK);
    IUnknown* got = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, reinterpret_cast<void**>(&got)), E_FAIL);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(withSite->SetSite(&site), S_OK);
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, reinterpret_cast<void**>(&got)), S_OK);
    EXPECT_EQ(got, &site);
    if (got) got->Release();
    withSite->Release();
    EXPECT_EQ(site.references, 2u) << "the command holds its site";
  }
  EXPECT_EQ(site.references, 1u) << "and lets it go with itself";
  EXPECT_EQ(canUnloadNow(), S_OK);
}

// An item array that notes, at each call, whether the program has been started yet (the
// stand-in writes started.txt first thing).
class WatchedArray final : public IShellItemArray {
 public:
  explicit WatchedArray(IShellItemArray* inner) : inner(inner) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    *object = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IShellItemArray) ? this : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }
  STDMETHODIMP BindToHandler(IBindCtx* context, REFGUID handler, REFIID iid, void** object) override {
    return Note(inner->BindToHandler(context, handler, iid, object));
  }
  STDMETHODIMP GetPropertyStore(GETPROPERTYSTOREFLAGS flags, REFIID iid, void** store) override {
    return Note(inner->GetPropertyStore(flags, iid, store));
  }
  STDMETHODIMP GetPropertyDescriptionList(REFPROPERTYKEY key, REFIID iid, void** list) override {
    return Note(inner->GetPropertyDescriptionList(key, iid, list));
  }
  STDMETHODIMP GetAttributes(SIATTRIBFLAGS how, SFGAOF mask, SFGAOF* attributes) override {
    return Note(inner->GetAttributes(how, mask, attributes));
  }
  STDMETHODIMP GetCount(DWORD* count) override { return Note(inner->GetCount(count)); }
  STDMETHODIMP GetItemAt(DWORD index, IShellItem** item) override { return Note(inner->GetItemAt(index, item)); }
  STDMETHODIMP EnumItems(IEnumShellItems** items) override { return Note(inner->EnumItems(items)); }

  ULONG references = 1;
  int calls = 0;
  int callsOnceStarted = 0;

 private:
  HRESULT Note(HRESULT result) {
    ++calls;
    if (Exists(programDir + "\\started.txt")) ++callsOnceStarted;
    return result;
  }
  IShellItemArray* inner;
};

// The items reach the program exactly, in UTF-8, by the classic handler's road; every path was
// read out of Explorer's array before the program was started.
TEST(ExplorerCommand, InvokeHandsTheItemsOverAsTheClassicHandlerDoes) {
  const Scratch scratch("command-invoke");
  const std::vector<std::string> paths = {scratch / kCity, scratch / kJapanese, scratch / kGreek,
                                          scratch / "plain.txt"};
  const ItemArray items = ItemArray::OfPaths(paths);
  ASSERT_NE(items.get(), nullptr);
  WatchedArray watched(items.get());
  ResetProgram("normal");
  SetAppPath(REG_SZ, programDir + "\\Varnolt.exe");
  Command command;
  ASSERT_NE(command.command, nullptr);
  EXPECT_EQ(command.command->Invoke(&watched, nullptr), S_OK);
  const std::string report = WaitForReport();
  ASSERT_FALSE(report.empty()) << "the program did not report";
  const std::vector<std::string> args = Lines(report, "arg=");
  ASSERT_EQ(args.size(), 4u) << report;
  EXPECT_EQ(args[0], "-a");
  EXPECT_EQ(args[1], "-u");
  EXPECT_EQ(args[2], "-p");
  EXPECT_EQ(args[3].compare(0, 9, "\\\\.\\pipe\\"), 0) << args[3];
  EXPECT_EQ(Lines(report, "item="), paths);
  EXPECT_EQ(Lines(report, "end").size(), 1u) << report;
  EXPECT_GT(watched.calls, 0);
  EXPECT_EQ(watched.callsOnceStarted, 0) << "the array was read after the program had been started";
  EXPECT_EQ(watched.references, 1u) << "the array is not kept";
}

#ifdef VARNOLT_EXE
// The whole road with the real program: it asks (answered Yes) and erases the selected file
// and folder, and only them.
TEST(ExplorerCommand, VarnoltErasesTheSelectedFileAndFolderAndNothingElse) {
  shell_testing::InstallRealProgram("real-program-command");
  const Scratch scratch("command-erase");
  const ItemArray items = ItemArray::OfPaths({scratch / kCity, scratch / kJapanese});
  ASSERT_NE(items.get(), nullptr);
  Command command;
  ASSERT_NE(command.command, nullptr);
  auto answered = std::async(std::launch::async, [] {
    return wine_testing::AnswerMessageBox("Confirmation", IDYES, 60000);
  });
  EXPECT_EQ(command.command->Invoke(items.get(), nullptr), S_OK);
  ASSERT_TRUE(answered.get().has_value()) << "Varnolt asked for no confirmation";
  bool gone = false;
  for (int i = 0; i < 1200 && !gone; ++i) {
    gone = !Exists(scratch / kCity) && !Exists(scratch / kJapanese);
    if (!gone) Sleep(50);
  }
  EXPECT_TRUE(gone) << "the selected items are still there after 60 s";
  shell_testing::ExpectVarnoltEndsWithNothingToReport();
  EXPECT_EQ(wine_testing::ListFolder(scratch.base),
            (std::vector<std::string>{"Lodz.txt", "plain.txt", kGreek, kJapanese + ".txt"}));
  EXPECT_EQ(wine_testing::ReadTextFile(scratch / kGreek + "\\inside.txt"), kGreek);
  EXPECT_EQ(wine_testing::ReadTextFile(scratch / "Lodz.txt"), "Lodz.txt");
}
#endif

}  // namespace
}  // namespace varnolt::menu
