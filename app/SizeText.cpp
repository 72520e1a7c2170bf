#include "app/SizeText.h"

#include <cinttypes>
#include <cstdio>

namespace varnolt {

void SizeText(std::uint64_t bytes, char* buffer, std::uint16_t length) {
  if (length == 0) return;
  if (bytes < 1024) {
    std::snprintf(buffer, length, "%" PRIu64 " octets", bytes);
  } else if (bytes < 1048576) {
    std::snprintf(buffer, length, "%" PRIu64 " Ko", bytes / 1024);
  } else {
    std::snprintf(buffer, length, "%" PRIu64 " Mo", bytes / 1048576);
  }
}

}  // namespace varnolt
