#include "tests/contextmenu/shell_support.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include <sstream>

#include "tests/wine_support/wine_support.h"
#include "varnoltmenu_identity.h"

namespace varnolt::menu::shell_testing {

using wine_testing::FromBuildTree;
using wine_testing::ReadTextFile;
using wine_testing::WriteTextFile;

std::string folder;
std::string programDir;
HMODULE registeredDll = nullptr;

namespace {

constexpr char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Varnolt.exe";

using RegistrationFn = HRESULT(STDAPICALLTYPE*)();

HRESULT CallExport(const char* name) {
  const auto function = reinterpret_cast<RegistrationFn>(reinterpret_cast<void*>(GetProcAddress(registeredDll, name)));
  return function ? function() : E_FAIL;
}

// The scratch folder, the stand-in program, the registration; all undone at the end.
class ShellEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    folder = wine_testing::MakeScratchFolder("shell");
    ASSERT_FALSE(folder.empty());
    const std::string dll = folder + "\\varnoltmenu.dll";
    ASSERT_TRUE(CopyFileA(FromBuildTree(VARNOLTMENU_DLL).c_str(), dll.c_str(), FALSE));
    programDir = folder + "\\program";
    ASSERT_TRUE(CreateDirectoryA(programDir.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(FromBuildTree(PIPE_CLIENT_EXE).c_str(), (programDir + "\\Varnolt.exe").c_str(), FALSE));
    registeredDll = LoadLibraryA(dll.c_str());
    ASSERT_NE(registeredDll, nullptr);
    ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    if (registeredDll) {
      EXPECT_EQ(CallExport("DllUnregisterServer"), S_OK);
      FreeLibrary(registeredDll);
    }
    ClearAppPath();
    CoUninitialize();
    wine_testing::RemoveTree(folder);
  }
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

}  // namespace

void SetAppPath(DWORD type, const std::string& path) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, nullptr, 0, type, reinterpret_cast<const BYTE*>(path.c_str()),
                           static_cast<DWORD>(path.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void ClearAppPath() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathsKey); }

std::string WaitForReport(DWORD timeoutMs) {
  const std::string path = programDir + "\\received.txt";
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    const std::string text = ReadTextFile(path);
    if (!text.empty()) return text;
    Sleep(50);
  }
  return {};
}

void ResetProgram(const std::string& mode) {
  DeleteFileA((programDir + "\\received.txt").c_str());
  DeleteFileA((programDir + "\\started.txt").c_str());
  WriteTextFile(programDir + "\\mode.txt", mode);
}

std::vector<std::string> Lines(const std::string& text, const std::string& prefix) {
  std::vector<std::string> found;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line.substr(prefix.size()));
  }
  return found;
}

std::string InstallRealProgram([[maybe_unused]] const std::string& name) {
#ifdef VARNOLT_EXE
  const std::string directory = folder + "\\" + name;
  CreateDirectoryA(directory.c_str(), nullptr);
  const std::string program = directory + "\\Varnolt.exe";
  EXPECT_TRUE(CopyFileA(FromBuildTree(VARNOLT_EXE).c_str(), program.c_str(), FALSE));
  SetAppPath(REG_SZ, program);
  return program;
#else
  ADD_FAILURE() << "Varnolt.exe is not built here";
  return {};
#endif
}

void ExpectVarnoltEndsWithNothingToReport() {
  const wine_testing::ProgramsEnd end = wine_testing::WaitForProgramsToEnd(L"Varnolt.exe", 60000);
  EXPECT_TRUE(end.ended) << "Varnolt.exe still runs 60 s after its confirmation was answered";
  for (const std::string& report : end.reports) ADD_FAILURE() << "Varnolt reported: " << report;
}

PackagedMenuRecord::PackagedMenuRecord(DWORD value, REGSAM view) : view(view) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPackagedMenuKey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key,
                      &disposition) != ERROR_SUCCESS) {
    return;
  }
  keyMade = disposition == REG_CREATED_NEW_KEY;
  wasWritten = RegSetValueExW(key, kPackagedMenuValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof value) == ERROR_SUCCESS;
  RegCloseKey(key);
}

PackagedMenuRecord::~PackagedMenuRecord() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPackagedMenuKey, 0, KEY_SET_VALUE | view, &key) == ERROR_SUCCESS) {
    RegDeleteValueW(key, kPackagedMenuValue);
    RegCloseKey(key);
  }
  if (keyMade) RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kPackagedMenuKey, view, 0);
}

}  // namespace varnolt::menu::shell_testing
