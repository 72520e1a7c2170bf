// What the shell tests of both menu classes share (shell_support.cpp): the run's scratch
// folder under C:, the DLL copied there, loaded and registered, the stand-in program started
// through App Paths and its report, the real Varnolt.exe, and the setup's record of the
// Windows 11 package. All undone at the end of the run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace varnolt::menu::shell_testing {

extern std::string folder;      // this run's scratch folder under C:
extern std::string programDir;  // where the stand-in Varnolt.exe (pipe_client.exe) lives
extern HMODULE registeredDll;   // the copy of varnoltmenu.dll in `folder`, registered

// App Paths\Varnolt.exe, the program the menus start.
void SetAppPath(DWORD type, const std::string& path);
void ClearAppPath();

// The stand-in's next run: its reports removed, its mode (pipe_client.cpp) set.
void ResetProgram(const std::string& mode);
// What the stand-in reported once it has finished; empty after timeoutMs.
std::string WaitForReport(DWORD timeoutMs = 20000);
// The rest of each line of `text` that begins with `prefix`.
std::vector<std::string> Lines(const std::string& text, const std::string& prefix);

// A copy of the real Varnolt.exe in `folder`\`name`, made the program of App Paths; its path.
std::string InstallRealProgram(const std::string& name);
// Every Varnolt.exe of the prefix ends within 60 s and shows no "Erreur" box (one it shows is
// answered, so that no program is left waiting for a click and holding the test's output).
void ExpectVarnoltEndsWithNothingToReport();

// The setup's record that the Windows 11 package is registered (HKLM\Software\Varnolt,
// "PackagedMenu"), written in the given registry view while the object lives, and removed
// with the key, if the key was made for it, at its end.
class PackagedMenuRecord {
 public:
  PackagedMenuRecord(DWORD value, REGSAM view = KEY_WOW64_64KEY);
  ~PackagedMenuRecord();
  PackagedMenuRecord(const PackagedMenuRecord&) = delete;
  PackagedMenuRecord& operator=(const PackagedMenuRecord&) = delete;
  bool written() const { return wasWritten; }

 private:
  REGSAM view;
  bool keyMade = false;
  bool wasWritten = false;
};

}  // namespace varnolt::menu::shell_testing
