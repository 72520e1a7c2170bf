// What the Windows tests share under Wine: scratch folders under C: of the test prefix, folder
// listings, files brought in from the build tree, and a few shell, pipe and window helpers.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace varnolt::wine_testing {

// A build-tree file (an absolute Unix path) as Wine reaches it: the test prefix maps no drive
// to the host's root.
std::string FromBuildTree(const char* unixPath);

// The CF_HDROP block (wide names) that Explorer hands a shell extension for a selection. Each
// byte of a narrow name becomes the character of that number (ASCII and Latin-1 as they are);
// the wide form takes any UTF-16 name, as NTFS allows.
HGLOBAL MakeDropFiles(const std::vector<std::string>& names);
HGLOBAL MakeDropFiles(const std::vector<std::wstring>& names);

// C:\varnolt-tests\<name>-<process id>, made empty (empty string on failure); removed whole by
// RemoveTree, which also takes C:\varnolt-tests away once no other run uses it. RemoveTree
// removes nothing outside C:\varnolt-tests.
std::string MakeScratchFolder(const std::string& name);
bool RemoveTree(const std::string& path);

// Paths and names here are UTF-8, of any length (the W calls, the "\\?\" form from 260).
std::wstring SystemPathW(const std::string& path);
std::string Utf8Of(const wchar_t* wide);
bool MakeFolder(const std::string& path);
bool Exists(const std::string& path);

// Entry names of a folder, sorted, without "." and "..": empty when it cannot be listed.
std::vector<std::string> ListFolder(const std::string& folder);

bool WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);  // empty when missing

// True when no pipe named \\.\pipe\<tick> exists for any tick in [first, last].
bool NoPipeInTickRange(DWORD first, DWORD last, std::string* found);

// How many processes of this prefix run a program of this file name ("Varnolt.exe", any case).
int ProcessesNamed(const wchar_t* fileName);

// Waits up to timeoutMs for a message box with this caption (the test prefix's null graphics
// driver makes it a real window), then answers it with the button of that id (IDYES 6...).
// Returns the box's text, or nullopt when none came.
std::optional<std::string> AnswerMessageBox(const char* caption, int button, DWORD timeoutMs);
// The same without answering: true once such a box is shown.
bool WaitForMessageBox(const char* caption, DWORD timeoutMs);
// Waits up to timeoutMs for a file to appear (another process's sign); true once it has.
bool WaitForFile(const std::string& path, DWORD timeoutMs);

// Waits up to timeoutMs for every process of this file name to end (items gone from their names
// may still be being erased under passing ones), answering OK to each "Erreur" box one shows
// meanwhile, so that no program is left waiting for a click. `reports` are those boxes' texts
// (an erase that ends well shows none).
struct ProgramsEnd {
  bool ended = false;
  std::vector<std::string> reports;
};
ProgramsEnd WaitForProgramsToEnd(const wchar_t* fileName, DWORD timeoutMs);

}  // namespace varnolt::wine_testing
