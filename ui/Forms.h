// Forms (top-level windows built from a stored layout) and the application object.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Exception.h"
#include "ui/Reader.h"
#include "ui/WinControl.h"

namespace varnolt::ui {

// The DPI at which Windows shows `window` (per monitor, the program being aware of each
// monitor's DPI), or the screen's before there is a window.
int DpiOf(HWND window);

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

// A top-level window. Its bounds are its client area: the frame is added around it when the
// window is made. Forms are owned by the application's window, which gives the program its
// taskbar entry.
class TForm : public TWinControl {
 public:
  // `windowClass` names the window class of the form (its C++ class name, by custom).
  TForm(TComponent* owner, std::string windowClass);
  ~TForm() override;

  void Show();
  void Hide();
  // Asks OnCloseQuery; if it allows, OnClose, then the main form ends the application and any
  // other form hides.
  void Close();
  bool CloseQuery();

  TFormBorderStyle BorderStyle() const { return borderStyle; }
  unsigned BorderIcons() const { return borderIcons; }
  TPosition Position() const { return position; }
  int ClientWidth() const { return Width(); }
  int ClientHeight() const { return Height(); }

  // The DPI the form is laid out for: 96, as its layout is stored, until it is scaled to the
  // DPI of the monitor that shows it (when the layout is read, when its window is made, and
  // when Windows moves it to a monitor of another DPI).
  int PixelsPerInch() const { return pixelsPerInch; }
  void ScaleTo(int dpi);
  void ScaleBy(int multiplier, int divisor) override;

  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;

  bool SetProperty(const TLayoutProperty& property, TReader& reader) override;

 protected:
  // Handlers a layout may name; publish them before reading the layout.
  void Publish(const std::string& name, TNotifyEvent handler) { events.notify[name] = std::move(handler); }
  void Publish(const std::string& name, TCloseQueryEvent handler) {
    events.closeQuery[name] = std::move(handler);
  }
  // Reads the stored layout from the program's RCDATA resource of that name.
  void ReadLayout(const char* resourceName);
  // The component of that name the layout made, of the expected class; raises Exception if not.
  template <class T>
  T* Component(const char* name) {
    T* found = dynamic_cast<T*>(FindComponent(name));
    if (found == nullptr) throw Exception::CreateFmt("Composant %s absent de la description.", name);
    return found;
  }

  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  // The client area grows or shrinks, the position on the screen stays.
  void ScaleSelf(int multiplier, int divisor) override;
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void MoveHandle() override;

 private:
  std::string windowClass;
  TEventTable events;
  TFormBorderStyle borderStyle = TFormBorderStyle::bsSizeable;
  unsigned borderIcons = biSystemMenu | biMinimize | biMaximize;
  TPosition position = TPosition::poDesigned;
  int pixelsPerInch = kDesignDpi;
};

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  // The application's own window: its text is what the taskbar shows.
  HWND Handle() const { return handle; }
  const std::string& Title() const { return title; }
  void SetTitle(const std::string& value);

  // The first form made through CreateForm.
  TForm* MainForm() const { return mainForm; }
  template <class T>
  void CreateForm(T*& reference) {
    reference = nullptr;
    T* form = new T(this);
    reference = form;
    if (mainForm == nullptr) mainForm = form;
  }

  // Handles every message waiting in the thread's queue, then returns.
  void ProcessMessages();
  // The standard error box: the message, no owner window, caption "Erreur". It needs no
  // application window, so it also serves when the application object could not be made.
  static void ShowException(const Exception& error);
  // An error raised while a window procedure ran: it may not cross the system's code, so it is
  // kept here and shown by ProcessMessages once the procedure has returned.
  static void KeepWindowError(const Exception& error);
  void Terminate();
  bool Terminated() const { return terminated; }
  void Minimize();
  void Restore();

 private:
  friend class TForm;
  void FormGone(TForm* form);
  void MainFormShown();
  static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HWND handle = nullptr;
  std::string title;
  TForm* mainForm = nullptr;
  bool terminated = false;
};

// The program's one application object, made on first use. It installs GDI as the layer's
// graphics and makes the layer's control classes known to the layouts.
TApplication& Application();

}  // namespace varnolt::ui
