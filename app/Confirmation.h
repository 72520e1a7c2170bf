#pragma once

#include <cstddef>
#include <cstdint>

namespace varnolt {

// The French question put to the user before anything is erased, chosen by which counts are
// nonzero (directories first, then files, else drives). Windows-1252 text, cut to fit
// `capacity` bytes and always terminated.
void ConfirmationText(std::int32_t directoryCount, std::int32_t fileCount, std::int32_t driveCount,
                      const char* sizeText, char* buffer, std::size_t capacity);

}  // namespace varnolt
