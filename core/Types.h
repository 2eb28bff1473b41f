// Geometry and colour types of the toolkit: rectangles, points and 32-bit colour values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

struct TPoint {
  int32_t X = 0;
  int32_t Y = 0;
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TPoint Point(int32_t X, int32_t Y) { return {X, Y}; }
constexpr TRect Rect(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  return {Left, Top, Right, Bottom};
}

// Rectangles are half-open: Right and Bottom lie outside. An intersection that is empty keeps a
// well-formed (zero-sized) rectangle rather than an inverted one.
constexpr TRect QzIntersectRect(const TRect& A, const TRect& B) {
  TRect r{std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
          std::min(A.Bottom, B.Bottom)};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

constexpr bool QzIsRectEmpty(const TRect& R) { return R.Right <= R.Left || R.Bottom <= R.Top; }

// An empty rectangle adds nothing to the union.
constexpr TRect QzUnionRect(const TRect& A, const TRect& B) {
  if (QzIsRectEmpty(A)) return B;
  if (QzIsRectEmpty(B)) return A;
  return {std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
          std::max(A.Bottom, B.Bottom)};
}

constexpr TRect QzOffsetRect(const TRect& R, TPoint By) {
  return {R.Left + By.X, R.Top + By.Y, R.Right + By.X, R.Bottom + By.Y};
}

constexpr bool QzPtInRect(const TRect& R, TPoint P) {
  return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}

// 0x00BBGGRR: red in the low byte. A top byte of 0x80 names a system colour instead.
using TColor = uint32_t;

constexpr TColor RGB(uint8_t R, uint8_t G, uint8_t B) {
  return static_cast<TColor>(R) | static_cast<TColor>(G) << 8 | static_cast<TColor>(B) << 16;
}
constexpr uint8_t GetRValue(TColor C) { return static_cast<uint8_t>(C); }
constexpr uint8_t GetGValue(TColor C) { return static_cast<uint8_t>(C >> 8); }
constexpr uint8_t GetBValue(TColor C) { return static_cast<uint8_t>(C >> 16); }

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clActiveCaption = 0x80000002;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clHighlight = 0x8000000D;
inline constexpr TColor clHighlightText = 0x8000000E;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clGrayText = 0x80000011;
inline constexpr TColor clBtnHighlight = 0x80000014;
inline constexpr TColor clHotLight = 0x8000001A;

// The system colours of a light desktop theme (there is no desktop to ask), by the low byte of
// the colour (clBtnFace: 15). Entry 25 names no colour.
inline constexpr TColor kQzSystemColors[31] = {
    RGB(200, 200, 200),  // scroll bar
    RGB(0, 0, 0),        // background
    RGB(153, 180, 209),  // active caption
    RGB(191, 205, 219),  // inactive caption
    RGB(240, 240, 240),  // menu
    RGB(255, 255, 255),  // window
    RGB(100, 100, 100),  // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(0, 0, 0),        // caption text
    RGB(180, 180, 180),  // active border
    RGB(244, 247, 252),  // inactive border
    RGB(171, 171, 171),  // app workspace
    RGB(0, 120, 215),    // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(240, 240, 240),  // button face
    RGB(160, 160, 160),  // button shadow
    RGB(109, 109, 109),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(0, 0, 0),        // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(105, 105, 105),  // 3D dark shadow
    RGB(227, 227, 227),  // 3D light
    RGB(0, 0, 0),        // info text
    RGB(255, 255, 225),  // info background
    RGB(0, 0, 0),        // (unused)
    RGB(0, 102, 204),    // hot light
    RGB(185, 209, 234),  // gradient active caption
    RGB(215, 228, 242),  // gradient inactive caption
    RGB(0, 120, 215),    // menu highlight
    RGB(240, 240, 240),  // menu bar
};

// Resolves the system colours through kQzSystemColors; any other value (an unused system
// colour too) is taken as RGB, its top byte dropped.
constexpr TColor ColorToRGB(TColor C) {
  if (C >= 0x80000000 && C - 0x80000000 < std::size(kQzSystemColors) && C != 0x80000019)
    return kQzSystemColors[C - 0x80000000];
  return C & 0x00FFFFFF;
}
