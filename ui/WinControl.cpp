#include "ui/WinControl.h"

#include "ui/Text1252.h"

#include <set>
#include <vector>

#include "ui/Exception.h"
#include "ui/Forms.h"
#include "ui/Reader.h"

namespace varnolt::ui {
namespace {

constexpr const wchar_t* kControlProperty = L"VarnoltControl";

void RegisterOwnClass(const std::string& name, WNDPROC procedure) {
  static std::set<std::string> registered;
  if (registered.count(name) != 0) return;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  const std::wstring wideName = WideFrom1252(name);
  WNDCLASSW windowClass{};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, L"MAINICON");
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
  windowClass.lpszClassName = wideName.c_str();
  if (RegisterClassW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw Exception::CreateFmt("Impossible d'enregistrer la classe de fen\xEAtre %s.", name.c_str());
  }
  registered.insert(name);
}

}  // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  DestroyHandle();
  if (fontHandle != nullptr) DeleteObject(fontHandle);
  ReleaseControls();
}

TWinControl* TWinControl::FromHandle(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<TWinControl*>(GetPropW(window, kControlProperty));
}

TWinControl* TWinControl::ParentWindow() const {
  return Parent() != nullptr ? dynamic_cast<TWinControl*>(&Parent()->AsControl()) : nullptr;
}

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle;
}

void TWinControl::HandleNeeded() {
  if (handle != nullptr) return;
  if (TWinControl* parent = ParentWindow()) parent->HandleNeeded();  // makes this one too
  if (handle == nullptr) CreateHandle();
}

void TWinControl::CreateHandle() {
  CreateWnd();
  for (TControl* child : Controls()) {
    if (auto* windowed = dynamic_cast<TWinControl*>(child); windowed && !windowed->HandleAllocated()) {
      windowed->CreateHandle();
    }
  }
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (Visible()) params.style |= WS_VISIBLE;
  if (!Enabled()) params.style |= WS_DISABLED;
  if (tabStop) params.style |= WS_TABSTOP;
  params.x = Left();
  params.y = Top();
  params.width = Width();
  params.height = Height();
  if (TWinControl* parent = ParentWindow()) params.parent = parent->handle;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.style & WS_CHILD) && params.parent == nullptr) {
    throw Exception::CreateFmt("Le contr\xF4le %s n'a pas de parent.", Name().c_str());
  }
  if (!params.systemClass) RegisterOwnClass(params.className, StandardWndProc);
  // A Unicode window: its texts, converted from their Windows-1252 bytes, read right on any
  // system code page.
  HWND made = CreateWindowExW(params.exStyle, WideFrom1252(params.className).c_str(), WideFrom1252(Caption()).c_str(),
                              params.style, params.x, params.y, params.width, params.height,
                              params.parent, nullptr, GetModuleHandleW(nullptr),
                              params.systemClass ? nullptr : this);
  if (made == nullptr) {
    throw Exception::CreateFmt("Impossible de cr\xE9" "er la fen\xEAtre de %s.", Name().c_str());
  }
  handle = made;
  SetPropW(handle, kControlProperty, this);
  SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
}

void TWinControl::DestroyHandle() {
  if (handle == nullptr) return;
  for (TControl* child : Controls()) {
    if (auto* windowed = dynamic_cast<TWinControl*>(child)) windowed->DestroyHandle();
  }
  HWND window = handle;
  handle = nullptr;
  RemovePropW(window, kControlProperty);
  DestroyWindow(window);
}

LRESULT CALLBACK TWinControl::StandardWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* control = static_cast<TWinControl*>(create->lpCreateParams);
    if (control != nullptr) {
      control->handle = window;
      SetPropW(window, kControlProperty, control);
    }
  }
  TWinControl* control = FromHandle(window);
  if (control == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    RemovePropW(window, kControlProperty);
    control->handle = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return control->WndProc(message, wParam, lParam);
  } catch (const Exception& error) {
    // Never through the system's code: shown once the message has been handled.
    TApplication::KeepWindowError(error);
    return DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT area;
      GetClientRect(handle, &area);
      HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
      ::FillRect(reinterpret_cast<HDC>(wParam), &area, brush);
      DeleteObject(brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(handle, &paint);
      {
        TGdiCanvas canvas(dc);
        canvas.Font = Font();
        canvas.Brush.Color = Color();
        PaintWindow(canvas);
      }
      PaintControls(dc, nullptr, paint.rcPaint);
      EndPaint(handle, &paint);
      return 0;
    }
    case WM_COMMAND:
      if (lParam != 0) {
        if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
          child->CommandNotify(HIWORD(wParam));
          return 0;
        }
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}

void TWinControl::PaintControls(HDC dc, TControl* first, const RECT& area) {
  bool started = first == nullptr;
  const TRect limit = Rect(area.left, area.top, area.right, area.bottom);
  for (TControl* child : Controls()) {
    if (child == first) started = true;
    if (!started || !child->Visible()) continue;
    auto* graphic = dynamic_cast<TGraphicControl*>(child);
    if (graphic == nullptr || !graphic->BoundsRect().Intersects(limit)) continue;
    const int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, graphic->Left(), graphic->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, graphic->Width(), graphic->Height());
    {
      TGdiCanvas canvas(dc);
      canvas.Font = graphic->Font();
      canvas.Brush.Color = graphic->Color();
      graphic->Paint(canvas);
    }
    RestoreDC(dc, saved);
  }
}

void TWinControl::InvalidateControl(TControl& control) {
  if (handle == nullptr) return;
  const TRect bounds = control.BoundsRect();
  RECT area{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
  InvalidateRect(handle, &area, (control.ControlStyle() & csOpaque) ? FALSE : TRUE);
}

void TWinControl::RepaintControl(TControl& control) {
  if (handle == nullptr) return;
  if (!(control.ControlStyle() & csOpaque)) {
    InvalidateControl(control);
    UpdateWindow(handle);
    return;
  }
  const TRect bounds = control.BoundsRect();
  const RECT area{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
  HDC dc = GetDC(handle);
  IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
  PaintControls(dc, &control, area);
  ReleaseDC(handle, dc);
  // The area is up to date now: the control covers it and whatever lies above it was painted
  // over it. A caption changed there just before (a label over a gauge) needs no second paint.
  ValidateRect(handle, &area);
}

void TWinControl::ControlChanged(TControl&) { AlignControls(); }

void TWinControl::AlignControls() {
  if (aligning) return;
  aligning = true;
  TRect area = ClientRect();
  for (TAlign pass : {TAlign::alTop, TAlign::alBottom, TAlign::alClient}) {
    for (TControl* child : Controls()) {
      if (child->Align() != pass || !child->Visible()) continue;
      switch (pass) {
        case TAlign::alTop:
          child->SetBounds(area.Left, area.Top, area.Width(), child->Height());
          area.Top += child->Height();
          break;
        case TAlign::alBottom:
          child->SetBounds(area.Left, area.Bottom - child->Height(), area.Width(), child->Height());
          area.Bottom -= child->Height();
          break;
        default:
          child->SetBounds(area.Left, area.Top, area.Width(), area.Height());
          break;
      }
    }
  }
  aligning = false;
}

void TWinControl::SetParent(TControlParent* newParent) {
  if (newParent == Parent()) return;
  DestroyHandle();
  TControl::SetParent(newParent);
  if (TWinControl* parent = ParentWindow(); parent && parent->HandleAllocated()) CreateHandle();
}

void TWinControl::SetBounds(int newLeft, int newTop, int newWidth, int newHeight) {
  if (newLeft == Left() && newTop == Top() && newWidth == Width() && newHeight == Height()) return;
  TControl::SetBounds(newLeft, newTop, newWidth, newHeight);
  if (handle != nullptr && !takingSize) MoveHandle();
  AlignControls();
}

void TWinControl::ScaleBy(int multiplier, int divisor) {
  // The aligned children are placed once all are scaled: placed in between, by the new size
  // and their old heights, their scaled edges would be off by the difference.
  const bool wasAligning = aligning;
  aligning = true;
  ScaleSelf(multiplier, divisor);
  const std::vector<TControl*> children = Controls();
  for (TControl* child : children) child->ScaleBy(multiplier, divisor);
  aligning = wasAligning;
  AlignControls();
}

void TWinControl::MoveHandle() { MoveWindow(handle, Left(), Top(), Width(), Height(), TRUE); }

void TWinControl::TakeClientSize(int newWidth, int newHeight) {
  takingSize = true;
  SetBounds(Left(), Top(), newWidth, newHeight);
  takingSize = false;
}

void TWinControl::SetVisible(bool value) {
  TControl::SetVisible(value);
  if (handle != nullptr) ShowWindow(handle, value ? SW_SHOW : SW_HIDE);
}

void TWinControl::SetEnabled(bool value) {
  TControl::SetEnabled(value);
  if (handle != nullptr) EnableWindow(handle, value ? TRUE : FALSE);
}

void TWinControl::Invalidate() {
  if (handle != nullptr) InvalidateRect(handle, nullptr, TRUE);
}

void TWinControl::Repaint() {
  if (handle == nullptr) return;
  InvalidateRect(handle, nullptr, TRUE);
  UpdateWindow(handle);
}

HFONT TWinControl::FontHandle() {
  if (fontHandle == nullptr || !(fontOfHandle == Font())) {
    if (fontHandle != nullptr) DeleteObject(fontHandle);
    fontOfHandle = Font();
    fontHandle = CreateFontHandle(fontOfHandle);
  }
  return fontHandle;
}

void TWinControl::FontChanged() {
  if (handle != nullptr) SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
  for (TControl* child : Controls()) {
    if (auto* windowed = dynamic_cast<TWinControl*>(child); windowed && windowed->ParentFont()) {
      windowed->FontChanged();
    }
  }
  Invalidate();
}

void TWinControl::ColorChanged() { Invalidate(); }

void TWinControl::TextChanged() {
  if (handle != nullptr) SetWindowTextW(handle, WideFrom1252(Caption()).c_str());
}

bool TWinControl::SetProperty(const TLayoutProperty& property, TReader& reader) {
  if (property.name == "TabOrder") {
    tabOrder = reader.Integer(property);
  } else if (property.name == "TabStop") {
    tabStop = reader.Boolean(property);
  } else {
    return TControl::SetProperty(property, reader);
  }
  return true;
}

void TWinControl::Loaded() { AlignControls(); }

}  // namespace varnolt::ui
