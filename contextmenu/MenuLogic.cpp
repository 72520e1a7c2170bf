#include "contextmenu/MenuLogic.h"

#include <cstring>
#include <utility>

#include "common/ItemStream.h"

namespace varnolt::menu {

const char* MenuText(bool hasDrive) { return hasDrive ? kMenuTextClean : kMenuTextErase; }

const char* HelpText(bool hasDrive) { return hasDrive ? kHelpTextClean : kHelpTextErase; }

bool ReduceDriveRoot(char* name) {
  if (std::strlen(name) != 3) return false;
  // Three bytes of UTF-8 may be one character ("日"), never a root: no lone byte of it is kept.
  for (int at = 0; at < 3; ++at) {
    if (static_cast<unsigned char>(name[at]) >= 0x80) return false;
  }
  name[1] = '\0';
  return true;
}

bool AddSelectedItem(Selection& selection, std::string name) {
  if (name.empty() || name.find('\0') != std::string::npos || name.size() + 1 > kMaxItemRecordLength) return false;
  if (ReduceDriveRoot(name.data())) {
    name.resize(1);
    selection.hasDrive = true;
  }
  selection.items.push_back(std::move(name));
  return true;
}

bool ClassicEntryShown(bool hasDrive, bool packagedMenuRegistered) { return hasDrive || !packagedMenuRegistered; }

std::optional<char> DriveLetterOf(const std::string& item) {
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (item.size() == 1 && isLetter(item[0])) return item[0];
  if (item.size() >= 3 && isLetter(item[0]) && item[1] == ':' && item[2] == '\\') return item[0];
  return std::nullopt;
}

CommandStringRequest ClassifyCommandStringRequest(std::uintptr_t commandOffset, unsigned requestType) {
  constexpr unsigned kHelpTextBit = 0x1;
  constexpr unsigned kUnicodeBit = 0x4;
  if (commandOffset != 0 || !(requestType & kHelpTextBit)) return CommandStringRequest::kRefused;
  return requestType & kUnicodeBit ? CommandStringRequest::kUnicodeHelp : CommandStringRequest::kAnsiHelp;
}

namespace {

template <typename Char>
void CopyBoundedImpl(const Char* text, Char* buffer, std::size_t size) {
  if (size == 0) return;
  std::size_t i = 0;
  for (; i + 1 < size && text[i]; ++i) buffer[i] = text[i];
  buffer[i] = 0;
}

}  // namespace

void CopyBounded(const char* text, char* buffer, std::size_t size) { CopyBoundedImpl(text, buffer, size); }

void CopyBounded(const char16_t* text, char16_t* buffer, std::size_t size) { CopyBoundedImpl(text, buffer, size); }

bool IsOurCommand(std::uintptr_t verb) { return verb == 0; }

std::string PipeName(std::uint32_t tickCount) { return "\\\\.\\pipe\\" + std::to_string(tickCount); }

std::string LaunchParameters(const std::string& pipeName) { return " -a -u -p " + pipeName; }

}  // namespace varnolt::menu
