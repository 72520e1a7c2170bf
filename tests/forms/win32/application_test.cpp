// The application object: its window and title, the error box, and the end of the application
// through the message queue.
#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "ui/Forms.h"

namespace varnolt::testing {
namespace {

TEST(ApplicationTest, TitleIsTheTextOfItsOwnWindow) {
  ui::TApplication& application = ui::Application();
  ASSERT_NE(application.Handle(), nullptr);
  EXPECT_EQ(&application, &ui::Application());
  application.SetTitle("Varnolt");
  char text[64] = {};
  GetWindowTextA(application.Handle(), text, sizeof text);
  EXPECT_STREQ(text, "Varnolt");
  EXPECT_TRUE(IsWindowUnicode(application.Handle()));
  // A title of the texts' code page is shown as its characters.
  application.SetTitle("Varnolt \xE9t\xE9");
  wchar_t wide[64] = {};
  GetWindowTextW(application.Handle(), wide, 64);
  EXPECT_STREQ(wide, L"Varnolt \u00E9t\u00E9");
  application.SetTitle("Varnolt");
  EXPECT_FALSE(GetWindowLongPtrA(application.Handle(), GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(GetWindow(application.Handle(), GW_OWNER), nullptr) << "its own taskbar entry";
}

TEST(ApplicationTest, ShowExceptionShowsTheMessageInAnOwnerlessErrorBox) {
  MessageBoxAnswerer answerer("Erreur");
  ui::Application().ShowException(ui::Exception("La valeur doit \xEAtre comprise entre 1 et 2147483647"));
  ASSERT_TRUE(answerer.Finish()) << "no box appeared";
  EXPECT_EQ(answerer.Text(), "La valeur doit \xEAtre comprise entre 1 et 2147483647");
}

TEST(ApplicationTest, ProcessMessagesHandlesWhatIsQueuedAndNotesTheEnd) {
  int handled = 0;
  struct Target {
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
      if (message == WM_APP) ++*reinterpret_cast<int*>(wParam);
      return DefWindowProcA(window, message, wParam, lParam);
    }
  };
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = Target::Proc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "VarnoltProcessMessagesTest";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  for (int i = 0; i < 3; ++i) PostMessageA(window, WM_APP, reinterpret_cast<WPARAM>(&handled), 0);
  ui::Application().ProcessMessages();
  EXPECT_EQ(handled, 3);
  ui::Application().Terminate();
  ui::Application().ProcessMessages();
  EXPECT_TRUE(ui::Application().Terminated());
  DestroyWindow(window);
}

// An error raised inside a window procedure does not unwind through the system's code: the
// procedure returns, and the error box shows the message once the message has been handled.
TEST(ApplicationTest, AnErrorInAWindowProcedureIsShownAfterTheMessage) {
  struct ThrowingForm : ui::TForm {
    explicit ThrowingForm(ui::TComponent* owner) : ui::TForm(owner, "VarnoltThrowingForm") {}
    bool reached = false;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_APP) {
        reached = true;
        throw ui::Exception("Erreur lev\xE9" "e dans la fen\xEAtre.");
      }
      return ui::TForm::WndProc(message, wParam, lParam);
    }
  };
  ThrowingForm form(nullptr);
  PostMessageA(form.Handle(), WM_APP, 0, 0);
  MessageBoxAnswerer answerer("Erreur");
  ui::Application().ProcessMessages();
  EXPECT_TRUE(form.reached);
  ASSERT_TRUE(answerer.Finish()) << "no box appeared";
  EXPECT_EQ(answerer.Text(), "Erreur lev\xE9" "e dans la fen\xEAtre.");
  // Shown once: the next round has nothing to show.
  MessageBoxAnswerer none("Erreur", 1500);
  ui::Application().ProcessMessages();
  EXPECT_FALSE(none.Finish());
}

}  // namespace
}  // namespace varnolt::testing
