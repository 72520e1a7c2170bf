// Where the main program is installed: the unnamed value of the App Paths key for Varnolt.exe
// under HKEY_LOCAL_MACHINE, read with the rules below. The registry comes in through
// AppPathsKey, so the rules are tested against any value a registry can hold.
#pragma once

#include <cstdint>
#include <string>

namespace varnolt::menu {

inline constexpr char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Varnolt.exe";

// The value is read, in UTF-8, into a buffer of this size: the longest path the system allows
// (32,767 UTF-16 units, each at most three UTF-8 bytes) and the two zeros a REG_MULTI_SZ ends
// with. The install folder may be that deep and named in any script.
inline constexpr std::uint32_t kProgramPathBufferSize = 3 * 32767 + 2;

// Registry value types as the registry reports them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegMultiSz = 7;

class AppPathsKey {
 public:
  virtual ~AppPathsKey() = default;
  // Opens the key for querying values; false when it cannot be opened.
  virtual bool Open() = 0;
  // Reads the open key's unnamed value, its texts in UTF-8, as RegQueryValueEx does: on entry
  // *size is the buffer's size, on return the data's size; a Win32 error (0 success, 234 when
  // the data does not fit, 2 when there is no such value).
  virtual long QueryDefaultValue(std::uint32_t* type, std::uint8_t* data, std::uint32_t* size) = 0;
  virtual void Close() = 0;
};

// The rules: a REG_SZ or REG_EXPAND_SZ value whose data ends with a zero byte, or a REG_MULTI_SZ
// value whose data ends with two (its first string is the path); a value with no data is the
// empty path. Anything else (no value, another type, no zero ending, more than
// kProgramPathBufferSize bytes) is the empty path. REG_EXPAND_SZ is taken as stored, never expanded.
std::string ProgramPathFromValue(long status, std::uint32_t type, const std::uint8_t* data, std::uint32_t size);

// Opens the key, reads its unnamed value, closes it: the program's path, or an empty string.
std::string GetProgramPath(AppPathsKey& key);

}  // namespace varnolt::menu
