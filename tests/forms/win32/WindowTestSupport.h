// Helpers of the window tests under Wine: the X desktop the test runs on, fonts, reading pixels
// back, screenshots, and answering message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/Types.h"

namespace varnolt::testing {

// Puts this thread on the desktop named by VARNOLT_DESKTOP (one that the test run's X server
// shows), waiting for it to appear. False when the variable is not set.
bool JoinTestDesktop();
// Gives this process the fonts the windows are drawn with (MS Sans Serif) and those of window
// captions, from Wine's own font files.
void LoadWineFonts();

// Where screenshots go (VARNOLT_SCREENSHOTS, a Unix directory); empty when not asked for.
std::string ScreenshotDirectory();
// Saves what the screen shows of `window` (frame included) as a PNG file; returns the Unix path.
std::string SaveScreenshot(HWND window, const std::string& name);

// Handles messages for `milliseconds`, so that painting reaches the screen.
void PumpFor(DWORD milliseconds);

// The colour of a pixel of a window's client area, as drawn on its surface.
ui::TColor ClientPixel(HWND window, int x, int y);
ui::TColor ScreenPixel(int x, int y);

// A window's rectangle relative to its parent's client area.
RECT RectInParent(HWND window);

// Waits up to `milliseconds` for a top-level dialog box with that caption, hands its text to
// `seen`, and presses its OK button. Runs on a thread of its own while the test shows the box.
class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(std::string caption, DWORD milliseconds = 10000);
  ~MessageBoxAnswerer();
  // Waits for the helper; true if it found and answered a box.
  bool Finish();
  const std::string& Text() const { return text; }

 private:
  static DWORD WINAPI Run(void* self);
  std::string caption;
  DWORD milliseconds;
  std::string text;
  bool answered = false;
  HANDLE thread = nullptr;
  HDESK desktop = nullptr;
};

}  // namespace varnolt::testing
