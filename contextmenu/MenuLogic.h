// The handler's plain decisions: the texts it shows, the drive-root reduction, the answers to
// help-text requests and their bounded copies, which command is ours, and the pipe name and
// parameters the program is started with. No platform call here; the COM class in
// FileShredderShlExt.cpp drives these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnolt::menu {

// Windows-1252 texts; "\xE9" is e with an acute accent.
inline constexpr char kMenuTextErase[] = "Broyer avec Varnolt";
inline constexpr char kMenuTextClean[] = "Nettoyer avec Varnolt";
inline constexpr char kHelpTextErase[] = "Broyer les donn\xE9" "es avec Varnolt";
inline constexpr char kHelpTextClean[] = "Nettoyer l'espace libre de ce disque avec Varnolt";

// The "Nettoyer" forms as soon as the selection holds a drive.
const char* MenuText(bool hasDrive);
const char* HelpText(bool hasDrive);

// A name of exactly three characters is a drive root (C:\): it is cut to its letter. Returns
// true when the name was one. `name` is a zero-terminated UTF-8 text; three bytes that are one
// character are no root.
bool ReduceDriveRoot(char* name);

// GetCommandString's request types: bit 0 asks for help text, bit 2 for UTF-16.
enum class CommandStringRequest { kRefused, kAnsiHelp, kUnicodeHelp };
CommandStringRequest ClassifyCommandStringRequest(std::uintptr_t commandOffset, unsigned requestType);

// Copies as much of `text` as fits in `size` characters, always zero-terminated (nothing at
// all is written when size is 0), as the shell's bounded string copies do.
void CopyBounded(const char* text, char* buffer, std::size_t size);
void CopyBounded(const char16_t* text, char16_t* buffer, std::size_t size);

// InvokeCommand's verb field: a command offset in its low 16 bits, or (upper bits set) a
// pointer to a verb string. Only offset 0, the one entry the menu got, is ours.
bool IsOurCommand(std::uintptr_t verb);

// How long Explorer's thread waits for the started program to open the pipe. Once it has, the
// writes wait for it as long as it lives: it reads the next item only after collecting the last.
inline constexpr std::uint32_t kProgramStartWaitMs = 30000;

// "\\.\pipe\" and the tick count in unsigned decimal.
std::string PipeName(std::uint32_t tickCount);
// " -a -u -p " and the pipe name: the program asks for confirmation and reads the pipe, whose
// records are UTF-8 ("-u"; a program started without it reads them in the ANSI code page, as
// the extension of before sent them).
std::string LaunchParameters(const std::string& pipeName);

}  // namespace varnolt::menu
