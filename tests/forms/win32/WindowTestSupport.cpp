#include "WindowTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "resources/Png.h"

namespace varnolt::testing {
namespace {

// A Unix path as Wine opens it without a drive letter.
std::string WinePathOf(const std::string& unixPath) {
  std::string path = "\\\\?\\unix" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

}  // namespace

bool JoinTestDesktop() {
  const char* name = std::getenv("VARNOLT_DESKTOP");
  if (name == nullptr || *name == '\0') return false;
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (HDESK desktop = OpenDesktopA(name, 0, FALSE, GENERIC_ALL)) {
      if (SetThreadDesktop(desktop)) return true;
      CloseDesktop(desktop);
    }
    Sleep(50);
  }
  std::fprintf(stderr, "desktop %s did not appear\n", name);
  std::exit(1);
}

void LoadWineFonts() {
  for (const char* file : {"sserife.fon", "marlett.ttf", "tahoma.ttf", "tahomabd.ttf"}) {
    AddFontResourceExA(WinePathOf(std::string("/usr/share/wine/fonts/") + file).c_str(), FR_PRIVATE, nullptr);
  }
}

std::string ScreenshotDirectory() {
  const char* directory = std::getenv("VARNOLT_SCREENSHOTS");
  return directory != nullptr ? directory : "";
}

std::string SaveScreenshot(HWND window, const std::string& name) {
  RECT area;
  GetWindowRect(window, &area);
  // Only what lies on the screen can be read back (a maximised window's frame lies beyond it).
  area.left = std::max<LONG>(area.left, 0);
  area.top = std::max<LONG>(area.top, 0);
  area.right = std::min<LONG>(area.right, GetSystemMetrics(SM_CXSCREEN));
  area.bottom = std::min<LONG>(area.bottom, GetSystemMetrics(SM_CYSCREEN));
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ original = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
    rgb[i * 3 + 0] = static_cast<std::uint8_t>(pixels[i] >> 16);
    rgb[i * 3 + 1] = static_cast<std::uint8_t>(pixels[i] >> 8);
    rgb[i * 3 + 2] = static_cast<std::uint8_t>(pixels[i]);
  }
  SelectObject(memory, original);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  const std::string unixPath = ScreenshotDirectory() + "/" + name + ".png";
  const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
  HANDLE file = CreateFileA(WinePathOf(unixPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  DWORD written = 0;
  const BOOL ok = WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == png.size() ? unixPath : "";
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  } while (GetTickCount() - start < milliseconds);
}

namespace {
ui::TColor FromColorRef(COLORREF value) { return static_cast<ui::TColor>(value & 0xFFFFFF); }
}  // namespace

ui::TColor ClientPixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  const COLORREF value = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return FromColorRef(value);
}

ui::TColor ScreenPixel(int x, int y) {
  HDC dc = GetDC(nullptr);
  const COLORREF value = GetPixel(dc, x, y);
  ReleaseDC(nullptr, dc);
  return FromColorRef(value);
}

RECT RectInParent(HWND window) {
  RECT area;
  GetWindowRect(window, &area);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&area), 2);
  return area;
}

MessageBoxAnswerer::MessageBoxAnswerer(std::string caption, DWORD milliseconds)
    : caption(std::move(caption)), milliseconds(milliseconds) {
  desktop = GetThreadDesktop(GetCurrentThreadId());
  thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

MessageBoxAnswerer::~MessageBoxAnswerer() { Finish(); }

bool MessageBoxAnswerer::Finish() {
  if (thread != nullptr) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
  }
  return answered;
}

DWORD WINAPI MessageBoxAnswerer::Run(void* self) {
  auto* answerer = static_cast<MessageBoxAnswerer*>(self);
  SetThreadDesktop(answerer->desktop);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < answerer->milliseconds) {
    if (HWND box = FindWindowA("#32770", answerer->caption.c_str())) {
      char text[1024] = {};
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      answerer->text = text;
      answerer->answered = true;
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return 0;
    }
    Sleep(20);
  }
  return 0;
}

}  // namespace varnolt::testing
