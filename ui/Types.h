// Plain value types of the window layer: colours, points, rectangles, enumerations.
// No Windows header: the forms' logic and the gauge use them in portable code.
#pragma once

#include <cstdint>

namespace varnolt::ui {

// A colour as 0x00BBGGRR. With the top bit set, the low byte is a system colour index, read from
// the system when drawn.
using TColor = std::int32_t;

inline constexpr TColor kSystemColor = static_cast<TColor>(0x80000000u);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

// System colours carry the Win32 COLOR_* index.
inline constexpr TColor clWindow = kSystemColor | 5;
inline constexpr TColor clWindowFrame = kSystemColor | 6;
inline constexpr TColor clWindowText = kSystemColor | 8;
inline constexpr TColor clBtnFace = kSystemColor | 15;
inline constexpr TColor clBtnShadow = kSystemColor | 16;
inline constexpr TColor clGrayText = kSystemColor | 17;
inline constexpr TColor clBtnText = kSystemColor | 18;
inline constexpr TColor clBtnHighlight = kSystemColor | 20;

constexpr bool IsSystemColor(TColor color) { return (color & kSystemColor) != 0; }
constexpr int SystemColorIndex(TColor color) { return color & 0xFF; }
constexpr TColor RGBColor(int r, int g, int b) { return r | (g << 8) | (b << 16); }
constexpr int RedOf(TColor color) { return color & 0xFF; }
constexpr int GreenOf(TColor color) { return (color >> 8) & 0xFF; }
constexpr int BlueOf(TColor color) { return (color >> 16) & 0xFF; }

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and bottom are exclusive, as in Win32.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Intersects(const TRect& other) const {
    return Left < other.Right && other.Left < Right && Top < other.Bottom && other.Top < Bottom;
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
constexpr TRect Bounds(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}
constexpr TRect InflateRect(TRect rect, int dx, int dy) {
  return {rect.Left - dx, rect.Top - dy, rect.Right + dx, rect.Bottom + dy};
}

enum class TAlign { alNone, alTop, alBottom, alClient };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };
// The gauge's border uses the first two; forms use all of them.
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
enum class TPosition { poDesigned, poScreenCenter };
enum class TBevelShape { bsBox, bsFrame };
enum class TBevelStyle { bsLowered, bsRaised };
enum class TPanelBevel { bvNone, bvLowered, bvRaised };

// Title-bar buttons of a form, as bits.
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };

// Font styles, as bits.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

inline constexpr int DEFAULT_CHARSET_VALUE = 1;

}  // namespace varnolt::ui
