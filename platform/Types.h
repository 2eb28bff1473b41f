// Geometry and colour types of the toolkit: rectangles, points and 32-bit colour values.
#pragma once

#include <cstdint>

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

// Resolves the system colours to the fixed values of a light desktop theme (there is no
// desktop to ask); any other value is taken as RGB, its top byte dropped.
constexpr TColor ColorToRGB(TColor C) {
  switch (C) {
    case clActiveCaption: return RGB(153, 180, 209);
    case clWindow: return RGB(255, 255, 255);
    case clWindowText: return RGB(0, 0, 0);
    case clHighlight: return RGB(0, 120, 215);
    case clHighlightText: return RGB(255, 255, 255);
    case clBtnFace: return RGB(240, 240, 240);
    case clBtnShadow: return RGB(160, 160, 160);
    case clGrayText: return RGB(109, 109, 109);
    case clBtnHighlight: return RGB(255, 255, 255);
    case clHotLight: return RGB(0, 102, 204);
    case 0x80000000: return RGB(200, 200, 200);  // clScrollBar
    case 0x80000001: return RGB(0, 0, 0);        // clBackground
    case 0x80000003: return RGB(191, 205, 219);  // clInactiveCaption
    case 0x80000004: return RGB(240, 240, 240);  // clMenu
    case 0x80000006: return RGB(100, 100, 100);  // clWindowFrame
    case 0x80000007: return RGB(0, 0, 0);        // clMenuText
    case 0x80000009: return RGB(0, 0, 0);        // clCaptionText
    case 0x8000000A: return RGB(180, 180, 180);  // clActiveBorder
    case 0x8000000B: return RGB(244, 247, 252);  // clInactiveBorder
    case 0x8000000C: return RGB(171, 171, 171);  // clAppWorkSpace
    case 0x80000012: return RGB(0, 0, 0);        // clBtnText
    case 0x80000013: return RGB(0, 0, 0);        // clInactiveCaptionText
    case 0x80000015: return RGB(105, 105, 105);  // cl3DDkShadow
    case 0x80000016: return RGB(227, 227, 227);  // cl3DLight
    case 0x80000017: return RGB(0, 0, 0);        // clInfoText
    case 0x80000018: return RGB(255, 255, 225);  // clInfoBk
    case 0x8000001B: return RGB(185, 209, 234);  // clGradientActiveCaption
    case 0x8000001C: return RGB(215, 228, 242);  // clGradientInactiveCaption
    case 0x8000001D: return RGB(0, 120, 215);    // clMenuHighlight
    case 0x8000001E: return RGB(240, 240, 240);  // clMenuBar
    default: return C & 0x00FFFFFF;
  }
}
