// The program's end of the hand-off pipe (Windows only).
#pragma once

#include <memory>

#include "common/ItemStream.h"

namespace varnolt {

// Waits for the named pipe (without limit, as its creator expects), opens it for reading and
// writing without sharing, and returns it as a byte source; nullptr when it cannot be opened.
// Waiting ends at once when no pipe of that name exists at all.
std::unique_ptr<ByteSource> OpenItemPipe(const char* name);

}  // namespace varnolt
