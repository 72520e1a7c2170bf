#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/OverwriteLimits.h"

namespace varnolt {

// The French question put to the user before anything is erased, chosen by which counts are
// nonzero (directories first, then files, else drives). Before the question, one paragraph for
// each kind of limit the selection meets (LimitParagraphs); none, and the text is as it always
// was. Windows-1252 text, cut to fit `capacity` bytes and always terminated.
void ConfirmationText(std::int32_t directoryCount, std::int32_t fileCount, std::int32_t driveCount,
                      const char* sizeText, char* buffer, std::size_t capacity, const OverwriteLimits& limits = {});

// The paragraphs for `limits`, each introduced by an empty line; empty when there is none.
std::string LimitParagraphs(const OverwriteLimits& limits);

}  // namespace varnolt
