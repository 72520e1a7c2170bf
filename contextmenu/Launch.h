// The road from a menu to the program, shared by both menu classes (Launch.cpp): the program
// found through App Paths, started with " -a -u -p PIPE", handed the selection as UTF-8 records.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace varnolt::menu {

// Starts the program found through App Paths and hands it the items over a new pipe: S_OK after
// a complete hand-off, S_FALSE when the program could not be reached.
HRESULT LaunchEraser(const std::vector<std::string>& items) noexcept;

// The program's path as App Paths records it (ProgramPath.h's rules), in UTF-8; empty when no
// usable path is recorded. May throw std::bad_alloc.
std::string RegisteredProgramPath();

}  // namespace varnolt::menu
