// Varnolt.exe: the entry point of the Windows program. The flow itself is RunProgram; here the
// real OS and desktop are plugged into it, and the window layer's errors are caught.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <string_view>
#include <vector>

#include "common/WideWin32.h"

#include "app/BackgroundRun.h"
#include "app/PipeClient.h"
#include "app/Program.h"
#include "app/Texts.h"
#include "forms/FormMultiFileShredder.h"
#include "forms/FormOneFileShredder.h"
#include "forms/FormOneFreeSpaceShredder.h"
#include "platform/Win32Platform.h"
#include "ui/Exception.h"
#include "ui/Forms.h"

namespace varnolt {
namespace {

// The progress window beside the run: its own callback shows the figures and handles its
// messages on this thread; the wait wakes for any input of the window or the run's end.
class WindowBesideRun final : public RunWindow {
 public:
  WindowBesideRun(ProgressCallback show, TProgressForm& form)
      : show(show), form(form), ended(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~WindowBesideRun() override {
    if (ended != nullptr) CloseHandle(ended);
  }
  WindowBesideRun(const WindowBesideRun&) = delete;
  WindowBesideRun& operator=(const WindowBesideRun&) = delete;

  void Wait(std::uint32_t milliseconds) override {
    // Without its event (none could be made) the wait still ends at the time given.
    MsgWaitForMultipleObjects(ended != nullptr ? 1 : 0, &ended, FALSE, milliseconds, QS_ALLINPUT);
  }
  void WorkEnded() override {
    if (ended != nullptr) SetEvent(ended);
  }
  std::uint8_t Show(const ProgressFigures& figures) override {
    return show(figures.itemFraction, figures.itemsDone, figures.itemCount, figures.overallFraction);
  }
  void ShowStopping() override { form.ShowStopping(); }

 private:
  ProgressCallback show;
  TProgressForm& form;
  HANDLE ended;
};

class Win32Desktop : public ProgramServices {
 public:
  bool ShowMessage(const char* caption, const char* text, MessageKind kind) override {
    UINT style = MB_OK | MB_ICONINFORMATION;
    if (kind == MessageKind::kError) style = MB_OK | MB_ICONERROR;
    if (kind == MessageKind::kQuestion) style = MB_YESNO | MB_ICONQUESTION;
    std::wstring wideText, wideCaption;
    WideFromUtf8(text, wideText);
    WideFromUtf8(caption, wideCaption);
    return MessageBoxW(nullptr, wideText.c_str(), wideCaption.c_str(), style) == IDYES;
  }

  std::unique_ptr<ByteSource> OpenPipe(const char* name) override { return OpenItemPipe(name); }

  bool Utf8FromAnsiCodePage(const std::string& ansi, std::string& utf8) override {
    utf8.clear();
    if (ansi.empty()) return true;
    // Through UTF-16 with the code page's own rules: a DBCS lead byte takes the byte after it,
    // so a 0x5C inside a character is never read as a backslash.
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()),
                                           nullptr, 0);
    if (length <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                            length) != length) {
      return false;
    }
    utf8 = Utf8FromWide(wide);
    return true;
  }

  void SetApplicationTitle(const char* title) override { ui::Application().SetTitle(title); }

  void RunWithProgressWindow(ProgressWindowKind kind, const std::function<void(ProgressCallback)>& run) override {
    const ProgressCallback show = OpenProgressWindow(kind);
    TProgressForm* form = kind == ProgressWindowKind::kOneFile     ? static_cast<TProgressForm*>(frmOneFileShredder)
                          : kind == ProgressWindowKind::kMultiFile ? static_cast<TProgressForm*>(frmMultiFileShredder)
                                                                   : static_cast<TProgressForm*>(frmOneFreeSpaceShredder);
    WindowBesideRun window(show, *form);
    RunBesideWindow(run, window);
  }

  ProgressCallback OpenProgressWindow(ProgressWindowKind kind) override {
    ui::TApplication& application = ui::Application();
    switch (kind) {
      case ProgressWindowKind::kOneFile:
        application.CreateForm(frmOneFileShredder);
        frmOneFileShredder->Show();
        return OneFileShredderProgress;
      case ProgressWindowKind::kMultiFile:
        application.CreateForm(frmMultiFileShredder);
        frmMultiFileShredder->Show();
        return MultiFileShredderProgress;
      case ProgressWindowKind::kOneFreeSpace:
        application.CreateForm(frmOneFreeSpaceShredder);
        frmOneFreeSpaceShredder->Show();
        return OneFreeSpaceShredderProgress;
    }
    return nullptr;
  }
};

// The arguments as the system holds them, UTF-16, in UTF-8: main()'s ANSI argv would turn each
// character the code page lacks into a look-alike ("．．＼Documents" into "..\Documents",
// "Łódź" into "Lódz"), another path, and under the "UTF-8 worldwide" option of Windows 10/11
// into bytes of another code page altogether. Empty when the command line cannot be read.
std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* const wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int index = 0; index < count; ++index) arguments.push_back(Utf8FromWide(wide[index]));
  LocalFree(wide);
  return arguments;
}

}  // namespace
}  // namespace varnolt

int main() {
  using namespace varnolt;
  try {
    ui::Application();  // the application object exists before anything else is done
    Win32Platform platform;
    Win32Desktop desktop;
    const std::vector<std::string> arguments = Utf8Arguments();
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return RunProgram(static_cast<int>(arguments.size()), argv.data(), platform, desktop);
  } catch (const ui::Exception& error) {
    // The window layer's own errors are shown in its error box; the program still ends well.
    // (The application object itself may be what could not be made: the box needs none.)
    ui::TApplication::ShowException(error);
    return kExitSuccess;
  } catch (const std::exception&) {
    // Memory exhausted, say: never an abort without a word. What was not reached stays.
    ui::TApplication::ShowException(ui::Exception(texts::kUnexpectedError));
    return kExitItemsLeft;
  } catch (...) {
    // Nothing of a kind not known escapes either.
    ui::TApplication::ShowException(ui::Exception(texts::kUnexpectedError));
    return kExitItemsLeft;
  }
}
