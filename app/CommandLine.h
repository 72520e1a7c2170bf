// The options that lead the program's command line. Plain logic: what the arguments ask for,
// before any item is looked at.
#pragma once

#include <string>

namespace varnolt {

struct CommandLine {
  bool ask = false;          // "-a": confirm before erasing
  bool fromPipe = false;     // "-p NAME": take the items from that pipe
  bool showInfo = false;     // "-i": only show how to use the program
  bool utf8Records = false;  // "-u": the pipe's records are UTF-8, not the ANSI code page
  std::string pipeName;      // the argument after the last "-p"; empty if there was none
  int firstItem = 1;         // index in argv of the first item (argc when there is none)
};

// Options are whole, case-sensitive texts; other texts beginning with "-" are ignored. The
// argument after "-p" is not skipped: when it does not begin with "-" it ends the options.
// "-i" ends the reading at once.
CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace varnolt
