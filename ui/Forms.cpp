#include "ui/Forms.h"

#include "ui/Text1252.h"

#include <optional>
#include <string_view>

#include "common/WideWin32.h"
#include "ui/ExtCtrls.h"
#include "ui/GdiGraphics.h"
#include "ui/Layout.h"
#include "ui/StdCtrls.h"

namespace varnolt::ui {
namespace {

template <class T>
TComponent* Make(TComponent* owner) {
  return new T(owner);
}

void RegisterLayerClasses() {
  TClassRegistry& classes = ComponentClasses();
  classes.Register("TPanel", Make<TPanel>);
  classes.Register("TButton", Make<TButton>);
  classes.Register("TImage", Make<TImage>);
  classes.Register("TBevel", Make<TBevel>);
  classes.Register("TLabel", Make<TLabel>);
}

std::string ProgramName() {
  // The whole path, however long the install folder's (a cut one would lose the name itself).
  const std::wstring wide = ModuleFileName(nullptr);
  // In the texts' code page, as every text of this layer is kept.
  std::string path(wide.size() * 2 + 1, '\0');
  const int bytes = WideCharToMultiByte(1252, 0, wide.c_str(), static_cast<int>(wide.size()), path.data(),
                                        static_cast<int>(path.size()), nullptr, nullptr);
  path.resize(bytes > 0 ? static_cast<std::size_t>(bytes) : 0);
  std::string_view name(path);
  if (auto slash = name.find_last_of("\\/"); slash != std::string_view::npos) name.remove_prefix(slash + 1);
  if (auto dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

// AdjustWindowRectExForDpi where Windows has it (10, 1607 on): the frame of a window at its DPI.
void FrameAround(RECT& area, DWORD style, DWORD exStyle, int dpi) {
  using ForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto forDpi = reinterpret_cast<ForDpi>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  if (forDpi == nullptr || !forDpi(&area, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&area, style, FALSE, exStyle);
  }
}

void StyleOf(TFormBorderStyle border, unsigned icons, DWORD& style, DWORD& exStyle) {
  style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  exStyle = 0;
  switch (border) {
    case TFormBorderStyle::bsNone: style |= WS_POPUP; return;
    case TFormBorderStyle::bsSingle: style |= WS_CAPTION; break;
    case TFormBorderStyle::bsSizeable: style |= WS_CAPTION | WS_THICKFRAME; break;
    case TFormBorderStyle::bsDialog:
      style |= WS_POPUP | WS_CAPTION;
      exStyle |= WS_EX_DLGMODALFRAME;
      break;
    case TFormBorderStyle::bsToolWindow:
      style |= WS_CAPTION;
      exStyle |= WS_EX_TOOLWINDOW;
      break;
    case TFormBorderStyle::bsSizeToolWin:
      style |= WS_CAPTION | WS_THICKFRAME;
      exStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (icons & biSystemMenu) {
    style |= WS_SYSMENU;
    const bool framed = border == TFormBorderStyle::bsSingle || border == TFormBorderStyle::bsSizeable;
    if (framed && (icons & biMinimize)) style |= WS_MINIMIZEBOX;
    if (framed && (icons & biMaximize)) style |= WS_MAXIMIZEBOX;
  }
}

}  // namespace

int DpiOf(HWND window) {
  using ForWindow = UINT(WINAPI*)(HWND);
  static const auto forWindow = reinterpret_cast<ForWindow>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (window != nullptr && forWindow != nullptr) {
    if (const UINT dpi = forWindow(window); dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

// --- TForm ----------------------------------------------------------------------------------

TForm::TForm(TComponent* owner, std::string windowClass)
    : TWinControl(owner), windowClass(std::move(windowClass)) {
  parentColor = false;
  parentFont = false;
  TWinControl::SetVisible(false);
  SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  Application().FormGone(this);
  DestroyHandle();
}

void TForm::ReadLayout(const char* resourceName) {
  Application();
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, WideFrom1252(resourceName).c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const char* data = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (data == nullptr) throw Exception::CreateFmt("Ressource %s introuvable.", resourceName);
  const std::string_view text(data, SizeofResource(module, found));
  TReader reader(*this, ComponentClasses(), events);
  reader.ReadRoot(ParseLayout(text));
  ScaleTo(DpiOf(nullptr));
}

void TForm::ScaleTo(int dpi) {
  if (dpi > 0 && dpi != pixelsPerInch) ScaleBy(dpi, pixelsPerInch);
}

void TForm::ScaleBy(int multiplier, int divisor) {
  TWinControl::ScaleBy(multiplier, divisor);
  pixelsPerInch = ScaleLength(pixelsPerInch, multiplier, divisor);
}

void TForm::ScaleSelf(int multiplier, int divisor) {
  SetBounds(Left(), Top(), ScaleLength(Width(), multiplier, divisor), ScaleLength(Height(), multiplier, divisor));
  TFont scaled = Font();
  scaled.Height = ScaleLength(scaled.Height, multiplier, divisor);
  SetFont(scaled);
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  // Made on a monitor of another DPI than the layout was scaled for: take that one's.
  const int dpi = DpiOf(Handle());
  if (dpi != pixelsPerInch) ScaleTo(dpi);
}

void TForm::CreateParams(TCreateParams& params) {
  params.className = windowClass;
  StyleOf(borderStyle, borderIcons, params.style, params.exStyle);
  RECT outer{0, 0, Width(), Height()};
  FrameAround(outer, params.style, params.exStyle, pixelsPerInch);
  params.width = outer.right - outer.left;
  params.height = outer.bottom - outer.top;
  if (position == TPosition::poScreenCenter) {
    params.x = (GetSystemMetrics(SM_CXSCREEN) - params.width) / 2;
    params.y = (GetSystemMetrics(SM_CYSCREEN) - params.height) / 2;
  } else {
    params.x = Left();
    params.y = Top();
  }
  params.parent = Application().Handle();
}

void TForm::MoveHandle() {
  RECT outer{0, 0, Width(), Height()};
  FrameAround(outer, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)),
              static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)), pixelsPerInch);
  SetWindowPos(Handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) TakeClientSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another DPI: the layout follows, in the place Windows suggests.
      ScaleTo(LOWORD(wParam));
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_SYSCOMMAND:
      // The main form goes down with the application's window, which keeps the taskbar entry.
      if ((wParam & 0xFFF0) == SC_MINIMIZE && Application().MainForm() == this) {
        Application().Minimize();
        return 0;
      }
      break;
    default:
      break;
  }
  return TWinControl::WndProc(message, wParam, lParam);
}

void TForm::Show() {
  HandleNeeded();
  if (Application().MainForm() == this) Application().MainFormShown();
  SetVisible(true);
}

void TForm::Hide() { SetVisible(false); }

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::Close() {
  if (!CloseQuery()) return;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application().MainForm() == this) {
    Application().Terminate();
  } else if (action == TCloseAction::caMinimize) {
    ShowWindow(Handle(), SW_MINIMIZE);
  } else {
    Hide();
  }
}

bool TForm::SetProperty(const TLayoutProperty& property, TReader& reader) {
  const std::string& name = property.name;
  if (name == "BorderStyle") {
    borderStyle = static_cast<TFormBorderStyle>(reader.Enumeration(
        property, {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}));
  } else if (name == "BorderIcons") {
    borderIcons = reader.SetBits(property, {"biSystemMenu", "biMinimize", "biMaximize"});
  } else if (name == "Position") {
    position = static_cast<TPosition>(reader.Enumeration(property, {"poDesigned", "poScreenCenter"}));
  } else if (name == "ClientWidth") {
    SetBounds(Left(), Top(), reader.Integer(property), Height());
  } else if (name == "ClientHeight") {
    SetBounds(Left(), Top(), Width(), reader.Integer(property));
  } else if (name == "OnCloseQuery") {
    OnCloseQuery = reader.CloseQueryEvent(property);
  } else {
    return TWinControl::SetProperty(property, reader);
  }
  return true;
}

// --- TApplication ---------------------------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr), title(ProgramName()) {
  SetGraphicsBackend(&GdiBackend());
  RegisterLayerClasses();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, L"MAINICON");
  windowClass.lpszClassName = L"TApplication";
  RegisterClassW(&windowClass);
  // A window without size: only its taskbar entry shows.
  handle = CreateWindowExW(0, L"TApplication", WideFrom1252(title).c_str(),
                           WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                           GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                           nullptr, nullptr, instance, nullptr);
  if (handle == nullptr) throw Exception("Impossible de cr\xE9" "er la fen\xEAtre de l'application.");
  SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TApplication::~TApplication() {
  if (handle != nullptr) DestroyWindow(handle);
}

LRESULT CALLBACK TApplication::WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* application = reinterpret_cast<TApplication*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (application != nullptr) try {
    switch (message) {
      case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
          case SC_MINIMIZE: application->Minimize(); return 0;
          case SC_RESTORE: application->Restore(); return 0;
          case SC_CLOSE:
            if (application->mainForm != nullptr) application->mainForm->Close();
            return 0;
          default: break;
        }
        break;
      case WM_CLOSE:
        if (application->mainForm != nullptr) application->mainForm->Close();
        return 0;
      case WM_SETFOCUS:
        if (application->mainForm != nullptr && application->mainForm->Visible()) {
          SetFocus(application->mainForm->Handle());
          return 0;
        }
        break;
      default:
        break;
    }
  } catch (const Exception& error) {
    KeepWindowError(error);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void TApplication::SetTitle(const std::string& value) {
  title = value;
  SetWindowTextW(handle, WideFrom1252(title).c_str());
}

namespace {
// The first error a window procedure raised and nobody has shown yet.
std::optional<Exception> pendingWindowError;
}  // namespace

void TApplication::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated = true;
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
    if (pendingWindowError) {
      const Exception error = std::move(*pendingWindowError);
      pendingWindowError.reset();
      ShowException(error);
    }
  }
}

void TApplication::ShowException(const Exception& error) {
  MessageBoxW(nullptr, WideFrom1252(error.Message()).c_str(), L"Erreur", MB_OK | MB_ICONERROR);
}

void TApplication::KeepWindowError(const Exception& error) {
  if (!pendingWindowError) pendingWindowError = error;
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::Minimize() { ShowWindow(handle, SW_MINIMIZE); }

void TApplication::Restore() {
  ShowWindow(handle, SW_RESTORE);
  if (mainForm != nullptr && mainForm->HandleAllocated()) SetForegroundWindow(mainForm->Handle());
}

void TApplication::FormGone(TForm* form) {
  if (mainForm == form) mainForm = nullptr;
}

void TApplication::MainFormShown() {
  if (!IsWindowVisible(handle)) ShowWindow(handle, SW_SHOWNOACTIVATE);
}

TApplication& Application() {
  // Never destroyed: forms it owns may be reached until the process ends.
  static TApplication* application = new TApplication;
  return *application;
}

}  // namespace varnolt::ui
