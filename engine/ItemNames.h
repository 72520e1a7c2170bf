// How a name the user chose (on the command line or from the pipe) is read: a drive root, or a
// path that must name exactly what was typed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace varnolt {

// A drive given as its letter alone ("E", any one character), or as its root: "E:", "E:\" or
// "E:/" (a letter, either case). Fills `root` with "E:\" and returns true; false otherwise.
bool DriveRootOf(const char* name, char (&root)[4]);

// What a chosen name says of drives.
enum class ChosenRoot : std::uint8_t {
  kNone,     // no root: a path, taken as a file or directory
  kDrive,    // the drive `root`, its free space
  kRefused,  // a volume's root by another name than its letter, or a spelling that systems read
             // differently: never taken, neither as a drive nor as a folder to empty
};

// The drive a chosen name stands for, in every spelling: DriveRootOf; the same behind a device
// prefix ("\\?\E:\", "\\.\E:", "//?/E:/"); a path that resolves to a drive's root ("\",
// "E:\."), as a root chosen in Explorer is. Refused: the system's own namespace ("\??\E:\",
// which Windows opens as E:'s root), device paths by no drive letter (a volume's GUID path,
// GLOBALROOT), a share's root (an administrative share "\\host\E$\" is a volume's root),
// "." and ".." behind a device prefix or in a share path (Windows takes "\\?\" paths as they
// stand, Wine folds them), and any other spelling the system opens as a volume's root. `root`
// is filled for kDrive only.
ChosenRoot ChosenRootOf(Platform& platform, const char* name, char (&root)[4]);

// A fixed or removable drive of its own (`root`: "E:\\"): its free space may be cleaned, and
// files of ours made on it (cover files). Not a network drive, a CD, nor a subst drive (another
// name for a folder of another drive, whose type it shows).
bool IsLocalDrive(Platform& platform, const char* root);

// True when resolving `name` to a full path keeps its name: no character of it dropped or
// changed. The path functions drop trailing dots and spaces ("Rapport " reads "Rapport",
// "notes." reads "notes"), which would erase a neighbour that was never chosen. "." and ".."
// keep their meaning. Names are UTF-8 and compared byte for byte, so a character changed on
// the way (a look-alike put in its place) fails the check too. False too when the name cannot
// be resolved.
bool KeepsItsName(Platform& platform, const char* name);

// The names a shredded file takes before its random decimal name, so that no copy of its own
// name stays on the disk. On NTFS a rename adds the new name's entry to the directory's index
// and then removes the old one: the entries after it move down, and when nothing follows it in
// its index block its bytes stay in the block's slack, past the end of the entries. A second
// entry put into the same block, as long as the first, moves the entries up over that slack
// and so covers them; it must collate beside the old name to land in the same block. So the
// file is renamed twice to names that collate right after `before`, the entry the directory
// lists just before it (NTFS lists in collation order), or first of all ("!" leads) when
// nothing is listed before it, each at least as long as `own` (UTF-16 units, at most 255):
// long enough to cover the old entry, and on FAT to take as many directory slots, which the
// second new name then reuses over the old ones. The rest is random letters.
std::string NameBeside(const std::string& before, const std::string& own);

// UTF-16 units of a UTF-8 name: one per character, two for those past U+FFFF.
std::size_t Utf16Length(const std::string& name);

// Names as NTFS and FAT match them here: the same bytes, ASCII letters in either case.
bool SameIgnoringAsciiCase(const std::string& a, const std::string& b);

// The name `directory` lists just before `name` (compared without regard to ASCII case); empty
// when `name` comes first, is not listed or the directory cannot be listed. The listing stops
// at `name`: a directory being emptied lists each file first, so that costs little.
std::string EntryListedBefore(Platform& platform, const std::string& directory, const std::string& name);

}  // namespace varnolt
