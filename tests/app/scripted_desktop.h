// A desktop that answers the program's messages as a test scripts it, and reads them back;
// the pipes it opens are buffers the test gives.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"

namespace varnolt::testing_desktop {

struct Message {
  std::string caption;
  std::string text;  // read back as Windows-1252, to compare with the program's own texts
  MessageKind kind;
  std::string utf8;  // as the desktop was given it
};

// The desktop is given UTF-8: read back into Windows-1252 by a table of its own (not the
// program's), failing the test on anything that is not the UTF-8 of a Windows-1252 text.
inline std::string Windows1252FromUtf8(const std::string& utf8) {
  static const std::map<std::uint32_t, char> kHigh = {
      {0x20AC, '\x80'}, {0x2026, '\x85'}, {0x2019, '\x92'}, {0x2013, '\x96'}, {0x2014, '\x97'}, {0x0153, '\x9C'}};
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    std::uint32_t code = lead;
    std::size_t length = 1;
    if (lead >= 0xE0 && at + 2 < utf8.size()) {
      code = (lead & 0x0F) << 12 | (utf8[at + 1] & 0x3F) << 6 | (utf8[at + 2] & 0x3F);
      length = 3;
    } else if (lead >= 0xC0 && at + 1 < utf8.size()) {
      code = (lead & 0x1F) << 6 | (utf8[at + 1] & 0x3F);
      length = 2;
    } else if (lead >= 0x80) {
      ADD_FAILURE() << "not UTF-8: " << utf8;
    }
    if (code >= 0xA0 && code <= 0xFF) {
      out += static_cast<char>(code);
    } else if (code >= 0x80) {
      const auto it = kHigh.find(code);
      if (it == kHigh.end()) ADD_FAILURE() << "no Windows-1252 character for U+" << std::hex << code;
      else out += it->second;
    } else {
      out += static_cast<char>(code);
    }
    at += length;
  }
  return out;
}

inline int progressCalls = 0;
inline std::uint8_t CountingCallback(float, std::int32_t, std::int32_t, float) {
  ++progressCalls;
  return 1;
}

class BufferSource : public ByteSource {
 public:
  // `onClose` runs when the reader lets go of the pipe.
  BufferSource(std::vector<std::uint8_t> bytes, std::function<void()> onClose)
      : bytes(std::move(bytes)), onClose(std::move(onClose)) {}
  ~BufferSource() override {
    if (onClose) onClose();
  }
  std::size_t ReadSome(void* buffer, std::size_t count) override {
    const std::size_t n = std::min(count, bytes.size() - position);
    std::memcpy(buffer, bytes.data() + position, n);
    position += n;
    return n;
  }

 private:
  std::vector<std::uint8_t> bytes;
  std::size_t position = 0;
  std::function<void()> onClose;
};

class ScriptedDesktop : public ProgramServices {
 public:
  bool ShowMessage(const char* caption, const char* text, MessageKind kind) override {
    messages.push_back(Message{Windows1252FromUtf8(caption), Windows1252FromUtf8(text), kind, text});
    return answerYes;
  }
  std::unique_ptr<ByteSource> OpenPipe(const char* name) override {
    openedPipes.push_back(name);
    auto it = pipes.find(name);
    if (it == pipes.end()) return nullptr;
    return std::make_unique<BufferSource>(it->second, [this] {
      if (onPipeClosed) onPipeClosed();
    });
  }
  // Stands in for a Windows-1252 system: the Latin-1 part of it, and its 0x80-0x9F refused.
  bool Utf8FromAnsiCodePage(const std::string& ansi, std::string& utf8) override {
    ansiRecords.push_back(ansi);
    utf8.clear();
    for (const char c : ansi) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x80) {
        utf8 += c;
      } else if (byte >= 0xA0) {
        utf8 += static_cast<char>(0xC0 | byte >> 6);
        utf8 += static_cast<char>(0x80 | (byte & 0x3F));
      } else {
        return false;
      }
    }
    return true;
  }
  void SetApplicationTitle(const char* title) override { this->title = title; }
  ProgressCallback OpenProgressWindow(ProgressWindowKind kind) override {
    windows.push_back(kind);
    return CountingCallback;
  }

  bool answerYes = true;
  std::map<std::string, std::vector<std::uint8_t>> pipes;
  std::vector<std::string> openedPipes;
  std::vector<std::string> ansiRecords;
  std::function<void()> onPipeClosed;
  std::vector<Message> messages;
  std::vector<ProgressWindowKind> windows;
  std::string title;
};

}  // namespace varnolt::testing_desktop
