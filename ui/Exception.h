// The window layer's own error type: what the application object shows in its error box.
#pragma once

#include <exception>
#include <string>

namespace varnolt::ui {

class Exception : public std::exception {
 public:
  // The message is Windows-1252 text, shown to the user as it is.
  explicit Exception(std::string message) : message(std::move(message)) {}
  // printf-style formatting into the message.
  static Exception CreateFmt(const char* format, ...)
#if defined(__GNUC__)
      __attribute__((format(printf, 1, 2)))
#endif
      ;

  const std::string& Message() const { return message; }
  const char* what() const noexcept override { return message.c_str(); }

 private:
  std::string message;
};

}  // namespace varnolt::ui
