#include "app/Program.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Confirmation.h"
#include "app/EndOfRunReport.h"
#include "app/SizeText.h"
#include "app/Texts.h"
#include "common/TextEncoding.h"
#include "common/WideText.h"
#include "engine/ItemNames.h"
#include "engine/ShreddingManager.h"

namespace varnolt {
namespace {

constexpr std::size_t kTextBufferSize = 512;
// The question with a paragraph for every kind of limit it may name.
constexpr std::size_t kConfirmationBufferSize = 2048;

// The program's own texts are Windows-1252; the desktop shows UTF-8.
bool Show(ProgramServices& services, const char* caption, const char* text, MessageKind kind) {
  return services.ShowMessage(Utf8FromWindows1252(caption).c_str(), Utf8FromWindows1252(text).c_str(), kind);
}

// Only a pipe of this machine's own namespace: "\\.\pipe\" and a name. Anything else (a plain
// file, a remote pipe, a name that climbs out of the namespace) is never opened.
bool IsLocalPipeName(const std::string& name) {
  static constexpr char kPrefix[] = "\\\\.\\pipe\\";
  constexpr std::size_t prefixLength = sizeof kPrefix - 1;
  if (name.size() <= prefixLength || name.compare(0, prefixLength, kPrefix) != 0) return false;
  // "\\.\pipe\..\C:\x" is normalised to "\\.\C:\x" before it is opened.
  std::string component;
  for (std::size_t at = prefixLength; at <= name.size(); ++at) {
    if (at == name.size() || name[at] == '\\' || name[at] == '/') {
      if (component == "." || component == ".." || (at < name.size() && name[at] == '/')) return false;
      component.clear();
    } else {
      component += name[at];
    }
  }
  return true;
}

// Reads the whole selection from the pipe and closes it before anything is collected: the
// writer (Explorer's thread) is released once the list has crossed, however long collecting
// the folders takes. False when the pipe cannot be opened.
// Records are UTF-8 when the extension says so ("-u"); an extension of before, which Explorer
// may still hold after an upgrade, sends them in the ANSI code page. A record that is no text
// of its encoding ends the list, as a malformed record does: nothing after it is taken.
bool TakeItemsFromPipe(const CommandLine& line, ProgramServices& services, ShreddingManager& manager) {
  if (!IsLocalPipeName(line.pipeName)) return false;
  std::vector<std::string> items;
  {
    std::unique_ptr<ByteSource> pipe = services.OpenPipe(line.pipeName.c_str());
    if (!pipe) return false;
    ItemStreamReader reader(*pipe);
    std::string item;
    std::string converted;
    std::u16string units;
    while (reader.Next(item)) {
      if (line.utf8Records) {
        if (!Utf16FromUtf8(item, units)) break;
        items.push_back(item);
      } else {
        if (!services.Utf8FromAnsiCodePage(item, converted)) break;
        items.push_back(converted);
      }
    }
  }
  for (const std::string& item : items) manager.AddItem(item.c_str(), true);
  return true;
}

// Checks each command-line item before handing it on; the first bad one is reported with its
// number and ends the intake, before anything is erased.
bool TakeItemsFromCommandLine(int argc, const char* const* argv, int firstItem, Platform& platform,
                              ProgramServices& services, ShreddingManager& manager) {
  for (int index = firstItem; index < argc; ++index) {
    const char* item = argv[index];
    const int number = index - firstItem + 1;
    char message[kTextBufferSize];
    char root[4];
    const ChosenRoot chosenRoot = ChosenRootOf(platform, item, root);
    if (chosenRoot != ChosenRoot::kNone) {
      if (chosenRoot == ChosenRoot::kRefused || !IsLocalDrive(platform, root)) {
        std::snprintf(message, sizeof message, texts::kBadDriveFormat, number);
        Show(services, texts::kErrorCaption, message, MessageKind::kError);
        return false;
      }
    } else if (platform.AttributesOf(item) == kInvalidAttributes || !KeepsItsName(platform, item)) {
      // A name the system reads as another ("Rapport " as "Rapport") is no valid path either.
      std::snprintf(message, sizeof message, texts::kBadPathFormat, number);
      Show(services, texts::kErrorCaption, message, MessageKind::kError);
      return false;
    }
    manager.AddItem(item, true);
  }
  return true;
}

bool Confirmed(const ShreddingManager& manager, ProgramServices& services) {
  char sizeText[kTextBufferSize];
  SizeText(manager.TotalBytes(), sizeText, kTextBufferSize);
  sizeText[kTextBufferSize - 1] = '\0';
  char message[kConfirmationBufferSize];
  ConfirmationText(manager.DirectoryCount(), manager.FileCount(), manager.DriveCount(), sizeText,
                   message, kConfirmationBufferSize, manager.Limits());
  message[kConfirmationBufferSize - 1] = '\0';
  return Show(services, texts::kConfirmationCaption, message, MessageKind::kQuestion);
}

// The end of every run where anything given was left: one box, and the status that says so.
int EndOfRun(ShreddingManager& manager, ProgramServices& services) {
  const std::string report = EndOfRunReport(manager.TakeOutcomes(), manager.Stopped());
  if (report.empty()) return kExitSuccess;
  services.ShowMessage(Utf8FromWindows1252(texts::kErrorCaption).c_str(), report.c_str(), MessageKind::kError);
  return kExitItemsLeft;
}

}  // namespace

int RunProgram(int argc, const char* const* argv, Platform& platform, ProgramServices& services) {
  // The manager lives on this frame: every way out below destroys it.
  ShreddingManager manager(platform);
  const CommandLine line = ParseCommandLine(argc, argv);

  if (line.showInfo) {
    Show(services, texts::kInformationCaption, texts::kInformation, MessageKind::kInformation);
    return kExitSuccess;
  }

  if (line.fromPipe) {
    if (!TakeItemsFromPipe(line, services, manager)) return kExitFailure;
  } else if (!TakeItemsFromCommandLine(argc, argv, line.firstItem, platform, services, manager)) {
    return kExitFailure;
  }

  const std::int32_t files = manager.FileCount();
  const std::int32_t drives = manager.DriveCount();
  // Nothing to erase: what the intake could not take (a CD drive, a name gone) is still told.
  if (manager.DirectoryCount() == 0 && files == 0 && drives == 0) return EndOfRun(manager, services);

  if (line.ask && !Confirmed(manager, services)) return kExitSuccess;

  services.SetApplicationTitle(texts::kApplicationTitle);
  const auto run = [&manager](ProgressCallback callback) {
    manager.SetCallback(callback);
    manager.Run();
  };
  if (files == 0 && drives > 0) {
    services.RunWithProgressWindow(ProgressWindowKind::kOneFreeSpace, run);
  } else if (files > 1) {
    services.RunWithProgressWindow(ProgressWindowKind::kMultiFile, run);
  } else if (files == 1) {
    services.RunWithProgressWindow(ProgressWindowKind::kOneFile, run);
  } else {
    manager.Run();  // folders alone: no window
  }
  return EndOfRun(manager, services);
}

}  // namespace varnolt
