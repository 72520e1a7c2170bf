// Varnolt.exe: the entry point of the Windows program. The flow itself is RunProgram; here the
// real OS and desktop are plugged into it, and the window layer's errors are caught.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

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

class Win32Desktop : public ProgramServices {
 public:
  bool ShowMessage(const char* caption, const char* text, MessageKind kind) override {
    UINT style = MB_OK | MB_ICONINFORMATION;
    if (kind == MessageKind::kError) style = MB_OK | MB_ICONERROR;
    if (kind == MessageKind::kQuestion) style = MB_YESNO | MB_ICONQUESTION;
    return MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), style) == IDYES;
  }

 private:
  static std::wstring Wide(const char* utf8) {
    const int count = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (count <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), count);
    wide.resize(static_cast<std::size_t>(count - 1));
    return wide;
  }

 public:

  std::unique_ptr<ByteSource> OpenPipe(const char* name) override { return OpenItemPipe(name); }

  void SetApplicationTitle(const char* title) override { ui::Application().SetTitle(title); }

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

// main() gets its arguments in the ANSI code page, where each character the code page lacks
// becomes a look-alike: a file dropped on the program and named with fullwidth dots and
// backslash, "．．＼Documents", arrives as "..\Documents", another path. Such an argument is
// handed on as an empty name, which the intake refuses as a bad path before anything is
// erased. When the two views of the command line do not pair up, every argument is refused.
void BlankArgumentsTheCodePageCannotHold(int argc, char** argv) {
  static char empty[] = "";
  int wideCount = 0;
  LPWSTR* const wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
  if (wide == nullptr) return;
  std::vector<bool> inexact(wideCount > 0 ? wideCount : 0, false);
  bool anyInexact = false;
  for (int index = 1; index < wideCount; ++index) {
    BOOL usedDefault = FALSE;
    const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide[index], -1, nullptr, 0,
                                          nullptr, &usedDefault);
    inexact[index] = bytes == 0 || usedDefault;
    anyInexact = anyInexact || inexact[index];
  }
  LocalFree(wide);
  if (!anyInexact) return;
  for (int index = 1; index < argc; ++index) {
    if (wideCount != argc || inexact[index]) argv[index] = empty;
  }
}

}  // namespace
}  // namespace varnolt

int main(int argc, char** argv) {
  using namespace varnolt;
  try {
    ui::Application();  // the application object exists before anything else is done
    Win32Platform platform;
    Win32Desktop desktop;
    BlankArgumentsTheCodePageCannotHold(argc, argv);
    return RunProgram(argc, argv, platform, desktop);
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
