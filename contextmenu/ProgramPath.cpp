#include "contextmenu/ProgramPath.h"

#include <cstring>
#include <vector>

namespace varnolt::menu {

std::string ProgramPathFromValue(long status, std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
  if (status != 0 || size > kProgramPathBufferSize) return {};
  if (size == 0) return {};
  bool ended = false;
  if (type == kRegSz || type == kRegExpandSz) {
    ended = data[size - 1] == 0;
  } else if (type == kRegMultiSz) {
    ended = size >= 2 && data[size - 1] == 0 && data[size - 2] == 0;
  }
  if (!ended) return {};
  // Up to the first zero: for REG_MULTI_SZ that is the end of its first string.
  const auto* text = reinterpret_cast<const char*>(data);
  const void* zero = std::memchr(text, 0, size);
  return std::string(text, static_cast<const char*>(zero) - text);
}

std::string GetProgramPath(AppPathsKey& key) {
  if (!key.Open()) return {};
  std::vector<std::uint8_t> buffer(kProgramPathBufferSize);  // too large for a shell thread's stack
  std::uint32_t type = 0;
  std::uint32_t size = kProgramPathBufferSize;
  const long status = key.QueryDefaultValue(&type, buffer.data(), &size);
  key.Close();
  return ProgramPathFromValue(status, type, buffer.data(), size);
}

}  // namespace varnolt::menu
