// The program's whole top-level flow: options, intake of the items (pipe or command line) and
// their checks, confirmation, the progress window that fits the job, the run, the exit status.
// Portable: what it needs of the desktop comes through ProgramServices, and the OS through the
// platform the engine uses, so the flow is tested natively and runs for real on Windows.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/ItemStream.h"
#include "engine/ProgressCallback.h"
#include "platform/Platform.h"

namespace varnolt {

enum class MessageKind { kInformation, kError, kQuestion };
enum class ProgressWindowKind { kOneFile, kMultiFile, kOneFreeSpace };

class ProgramServices {
 public:
  virtual ~ProgramServices() = default;
  // An ownerless message box; caption and text are UTF-8. For kQuestion: true only when the user answered Yes (a box that
  // could not be shown counts as No). Other kinds: the result means nothing.
  virtual bool ShowMessage(const char* caption, const char* text, MessageKind kind) = 0;
  // Waits for the named pipe and opens it for reading; nullptr when it cannot be opened.
  virtual std::unique_ptr<ByteSource> OpenPipe(const char* name) = 0;
  // A pipe record of an extension of before (no "-u"): a path in the system's ANSI code page,
  // converted to UTF-8 into `utf8`. False when the bytes are no text of that code page.
  virtual bool Utf8FromAnsiCodePage(const std::string& ansi, std::string& utf8) = 0;
  // The text the taskbar shows for the program.
  virtual void SetApplicationTitle(const char* title) = 0;
  // Creates and shows the progress window; the callback it returns drives it.
  virtual ProgressCallback OpenProgressWindow(ProgressWindowKind kind) = 0;
  // Runs the erasure under the progress window of `kind`: `run` is given the callback to hand
  // the engine. Here and now by default, with OpenProgressWindow's callback; the Windows
  // desktop runs it on a thread of its own beside the window (BackgroundRun.h).
  virtual void RunWithProgressWindow(ProgressWindowKind kind, const std::function<void(ProgressCallback)>& run) {
    run(OpenProgressWindow(kind));
  }
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = -1;
// Something selected was not erased.
inline constexpr int kExitItemsLeft = 1;

int RunProgram(int argc, const char* const* argv, Platform& platform, ProgramServices& services);

}  // namespace varnolt
