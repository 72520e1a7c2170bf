#include "ui/Exception.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace varnolt::ui {

Exception Exception::CreateFmt(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (length > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, again);
    text.assign(buffer.data(), static_cast<std::size_t>(length));
  }
  va_end(again);
  return Exception(std::move(text));
}

}  // namespace varnolt::ui
