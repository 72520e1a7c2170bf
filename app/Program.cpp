#include "app/Program.h"

#include <cstdio>
#include <cstring>

#include "app/CommandLine.h"
#include "app/Confirmation.h"
#include "app/SizeText.h"
#include "app/Texts.h"
#include "engine/ShreddingManager.h"

namespace varnolt {
namespace {

constexpr std::size_t kTextBufferSize = 512;

// Reads the selection from the pipe into the manager. False when the pipe cannot be opened.
bool TakeItemsFromPipe(const char* pipeName, ProgramServices& services, ShreddingManager& manager) {
  std::unique_ptr<ByteSource> pipe = services.OpenPipe(pipeName);
  if (!pipe) return false;
  ItemStreamReader reader(*pipe);
  char item[kItemBufferSize];
  while (reader.Next(item)) manager.AddItem(item, true);
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
    if (std::strlen(item) == 1) {
      char root[8];
      std::snprintf(root, sizeof root, "%s:\\", item);
      const std::uint32_t type = platform.DriveTypeOf(root);
      if (type != kDriveRemovable && type != kDriveFixed) {
        std::snprintf(message, sizeof message, texts::kBadDriveFormat, number);
        services.ShowMessage(texts::kErrorCaption, message, MessageKind::kError);
        return false;
      }
    } else if (platform.AttributesOf(item) == kInvalidAttributes) {
      std::snprintf(message, sizeof message, texts::kBadPathFormat, number);
      services.ShowMessage(texts::kErrorCaption, message, MessageKind::kError);
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
  char message[kTextBufferSize];
  ConfirmationText(manager.DirectoryCount(), manager.FileCount(), manager.DriveCount(), sizeText,
                   message, kTextBufferSize);
  message[kTextBufferSize - 1] = '\0';
  return services.ShowMessage(texts::kConfirmationCaption, message, MessageKind::kQuestion);
}

}  // namespace

int RunProgram(int argc, const char* const* argv, Platform& platform, ProgramServices& services) {
  // The manager lives on this frame: every way out below destroys it.
  ShreddingManager manager(platform);
  const CommandLine line = ParseCommandLine(argc, argv);

  if (line.showInfo) {
    services.ShowMessage(texts::kInformationCaption, texts::kInformation, MessageKind::kInformation);
    return kExitSuccess;
  }

  if (line.fromPipe) {
    if (!TakeItemsFromPipe(line.pipeName.c_str(), services, manager)) return kExitFailure;
  } else if (!TakeItemsFromCommandLine(argc, argv, line.firstItem, platform, services, manager)) {
    return kExitFailure;
  }

  const std::int32_t files = manager.FileCount();
  const std::int32_t drives = manager.DriveCount();
  if (manager.DirectoryCount() == 0 && files == 0 && drives == 0) return kExitSuccess;

  if (line.ask && !Confirmed(manager, services)) return kExitSuccess;

  services.SetApplicationTitle(texts::kApplicationTitle);
  if (files == 0 && drives > 0) {
    manager.SetCallback(services.OpenProgressWindow(ProgressWindowKind::kOneFreeSpace));
  } else if (files > 1) {
    manager.SetCallback(services.OpenProgressWindow(ProgressWindowKind::kMultiFile));
  } else if (files == 1) {
    manager.SetCallback(services.OpenProgressWindow(ProgressWindowKind::kOneFile));
  }
  manager.Run();
  return kExitSuccess;
}

}  // namespace varnolt
