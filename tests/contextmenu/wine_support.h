// What the extension's Windows tests share: a scratch folder of their own under C: of the test
// prefix, files brought in from the build tree, and a few registry and pipe helpers.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace varnolt::menu::testing {

// A build-tree file (an absolute Unix path) as Wine reaches it: the test prefix maps no drive
// to the host's root.
std::string FromBuildTree(const char* unixPath);

// The CF_HDROP block (wide names) that Explorer hands a shell extension for a selection.
HGLOBAL MakeDropFiles(const std::vector<std::string>& names);

// C:\varnoltmenu-tests\<name>-<process id>, made empty; removed whole by RemoveTree.
std::string MakeScratchFolder(const char* name);
bool RemoveTree(const std::string& path);

bool WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);  // empty when missing

// True when no pipe named \\.\pipe\<tick> exists for any tick in [first, last].
bool NoPipeInTickRange(DWORD first, DWORD last, std::string* found);

// Waits up to timeoutMs for a message box with this caption (the test prefix's null graphics
// driver makes it a real window), then answers it with the button of that id (IDYES 6...).
// Returns the box's text, or nullopt when none came.
std::optional<std::string> AnswerMessageBox(const char* caption, int button, DWORD timeoutMs);

}  // namespace varnolt::menu::testing
