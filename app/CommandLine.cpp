#include "app/CommandLine.h"

#include <cstring>

namespace varnolt {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  int index = 1;
  for (; index < argc && argv[index][0] == '-'; ++index) {
    const char* argument = argv[index];
    if (std::strcmp(argument, "-a") == 0) {
      line.ask = true;
    } else if (std::strcmp(argument, "-p") == 0) {
      line.fromPipe = true;
      line.pipeName = index + 1 < argc ? argv[index + 1] : "";
    } else if (std::strcmp(argument, "-u") == 0) {
      line.utf8Records = true;
    } else if (std::strcmp(argument, "-i") == 0) {
      line.showInfo = true;
      break;
    }
  }
  line.firstItem = index;
  return line;
}

}  // namespace varnolt
