// The menu's plain decisions: the texts it shows, the selection it hands on, the drive-root
// reduction, the answers to help-text requests and their bounded copies, which command is ours,
// and the pipe name and parameters the program is started with. No platform call here; both COM
// classes (FileShredderShlExt.cpp for the classic menu, ExplorerCommand.cpp for Windows 11's)
// drive these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// A selection as the program is handed it: names in UTF-8, each drive root cut to its letter.
struct Selection {
  std::vector<std::string> items;
  bool hasDrive = false;
};

// Adds one selected name, in UTF-8 (the shell's own UTF-16, converted). A name that could only
// reach the program cut short (empty, holding a zero byte, or longer than one record of the
// pipe carries) is refused, and nothing is added: the beginning of a longer path can name
// another file or directory, which must never be handed on to be erased. The caller then
// refuses the whole selection.
bool AddSelectedItem(Selection& selection, std::string name);

// Whether the classic handler adds its entry. Once the setup has recorded the Windows 11
// package as registered, files and folders get their entry from that menu instead (no one sees
// it twice); a selection holding a drive keeps it, drives having no entry there.
bool ClassicEntryShown(bool hasDrive, bool packagedMenuRegistered);

// The drive letter a selected item lies on: a drive root cut to its letter, or a name that
// begins "X:\". None for anything else (a UNC path, a device path): such an item may be on the
// network.
std::optional<char> DriveLetterOf(const std::string& item);

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
