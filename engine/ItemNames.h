// How a name the user chose (on the command line or from the pipe) is read: a drive root, or a
// path that must name exactly what was typed.
#pragma once

#include "platform/Platform.h"

namespace varnolt {

// A drive given as its letter alone ("E", any one character), or as its root: "E:", "E:\" or
// "E:/" (a letter, either case). Fills `root` with "E:\" and returns true; false otherwise.
bool DriveRootOf(const char* name, char (&root)[4]);

// The drive a chosen name stands for: DriveRootOf, or a path that resolves to a drive's root
// ("\", "E:\."), which is that drive as a root chosen in Explorer is. False for anything else.
bool ChosenDriveRoot(Platform& platform, const char* name, char (&root)[4]);

// True when resolving `name` to a full path keeps its name: no character of it dropped or
// changed. The path functions drop trailing dots and spaces ("Rapport " reads "Rapport",
// "notes." reads "notes"), which would erase a neighbour that was never chosen. "." and ".."
// keep their meaning. Names are UTF-8 and compared byte for byte, so a character changed on
// the way (a look-alike put in its place) fails the check too. False too when the name cannot
// be resolved.
bool KeepsItsName(Platform& platform, const char* name);

}  // namespace varnolt
