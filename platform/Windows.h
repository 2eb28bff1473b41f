// The few GDI and user calls the program makes, over memory of our own: device-independent
// bitmap sections, memory drawing contexts, stretching, system colours and metrics.
//
// The model is GDI's. A bitmap (HBITMAP) is a block of pixels: 24 or 32 bits per pixel (also
// 16, as 5-6-5), rows padded to 4 bytes, stored top-down or bottom-up. A drawing context (HDC)
// has one bitmap selected into it, a viewport origin (added to every coordinate drawn through
// it) and an optional clip rectangle in device pixels. A TCanvas (Graphics.h) draws on whatever
// bitmap its Handle's context has selected at the moment of drawing; that is how a canvas is bound
// to a surface:
//
//   HDC dc = CreateCompatibleDC(0);
//   SelectObject(dc, QzCreateBitmapOver(bits, w, h, stride, 32, false));  // or CreateDIBSection
//   canvas.SetHandle(dc);   // the canvas now draws into bits
//
// A window backend that paints a control onto its parent's surface gives the context a viewport
// origin at the control's position and a clip rectangle of the control's bounds
// (SetViewportOrgEx, IntersectClipRect, SelectClipRgn(dc, nullptr) to drop the clip).
//
// Handles are plain pointers; a null handle is "none". All calls accept null handles and fail
// with a zero result instead of crashing. Everything here is for the GUI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Types.h"

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using COLORREF = uint32_t;
using HANDLE = void*;
using HINSTANCE = uintptr_t;
using HMODULE = HINSTANCE;

// The module instance handle that resource loading takes; there is one module.
inline constexpr HINSTANCE HInstance = 0;

inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// GDI objects share one base so that every handle converts to HGDIOBJ, as in GDI.
struct TQzGdiObject;
struct TQzGdiBitmap;
struct TQzGdiRegion;
struct TQzGdiDC;
using HGDIOBJ = TQzGdiObject*;
using HBITMAP = TQzGdiBitmap*;
using HRGN = TQzGdiRegion*;
using HDC = TQzGdiDC*;

enum : UINT { BI_RGB = 0, BI_BITFIELDS = 3 };
enum : UINT { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };

#pragma pack(push, 1)
struct BITMAPINFOHEADER {
  DWORD biSize = 0;
  LONG biWidth = 0;
  LONG biHeight = 0;  // positive: bottom-up rows; negative: top-down
  WORD biPlanes = 0;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};
#pragma pack(pop)
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

// The description GetObject gives of a bitmap.
struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 0;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

// Raster operations of BitBlt / StretchBlt.
enum : DWORD {
  SRCCOPY = 0x00CC0020,
  SRCPAINT = 0x00EE0086,
  SRCAND = 0x008800C6,
  SRCINVERT = 0x00660046,
  NOTSRCCOPY = 0x00330008,
  DSTINVERT = 0x00550009,
  BLACKNESS = 0x00000042,
  WHITENESS = 0x00FF0062,
};

// Stretch modes: HALFTONE averages the source area under each destination pixel; the others
// pick the nearest source pixel.
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
inline constexpr int STRETCH_DELETESCANS = COLORONCOLOR;

// System metrics.
enum : int {
  SM_CXSCREEN = 0,
  SM_CYSCREEN = 1,
  SM_CXVSCROLL = 2,
  SM_CYHSCROLL = 3,
  SM_CYCAPTION = 4,
  SM_CXBORDER = 5,
  SM_CYBORDER = 6,
  SM_CXICON = 11,
  SM_CYICON = 12,
  SM_CXCURSOR = 13,
  SM_CYCURSOR = 14,
  SM_CYVTHUMB = 9,
  SM_CXHTHUMB = 10,
  SM_CXEDGE = 45,
  SM_CYEDGE = 46,
  SM_CXSMICON = 49,
  SM_CYSMICON = 50,
};

// System colour indexes (the low byte of the toolkit's 0x80xxxxxx colours).
enum : int {
  COLOR_SCROLLBAR = 0,
  COLOR_BACKGROUND = 1,
  COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3,
  COLOR_MENU = 4,
  COLOR_WINDOW = 5,
  COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7,
  COLOR_WINDOWTEXT = 8,
  COLOR_CAPTIONTEXT = 9,
  COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11,
  COLOR_APPWORKSPACE = 12,
  COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14,
  COLOR_BTNFACE = 15,
  COLOR_BTNSHADOW = 16,
  COLOR_GRAYTEXT = 17,
  COLOR_BTNTEXT = 18,
  COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20,
  COLOR_3DDKSHADOW = 21,
  COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23,
  COLOR_INFOBK = 24,
  COLOR_HOTLIGHT = 26,
  COLOR_GRADIENTACTIVECAPTION = 27,
  COLOR_GRADIENTINACTIVECAPTION = 28,
  COLOR_MENUHILIGHT = 29,
  COLOR_MENUBAR = 30,
};

// The objects behind the handles; the window backends and the canvas read them directly.
struct TQzGdiObject {
  enum TKind { gokBitmap, gokRegion };
  explicit TQzGdiObject(TKind AKind) : Kind(AKind) {}
  TQzGdiObject(const TQzGdiObject&) = delete;
  TQzGdiObject& operator=(const TQzGdiObject&) = delete;
  virtual ~TQzGdiObject() = default;
  TKind Kind;
};

struct TQzGdiBitmap : TQzGdiObject {
  TQzGdiBitmap() : TQzGdiObject(gokBitmap) {}
  uint8_t* Bits = nullptr;
  int Width = 0;
  int Height = 0;
  int Stride = 0;  // bytes from one row in memory to the next
  int BitsPerPixel = 32;
  bool BottomUp = false;
  bool OwnsBits = false;
  bool DeletePending = false;  // DeleteObject came while selected
  HDC SelectedInto = nullptr;

  // Row Y counted from the top of the picture.
  uint8_t* Row(int Y) const {
    return Bits + static_cast<ptrdiff_t>(BottomUp ? Height - 1 - Y : Y) * Stride;
  }
  int BytesPerPixel() const { return BitsPerPixel / 8; }
  // Colour of pixel (X, Y) as 0x00BBGGRR; no range check.
  TColor GetColor(int X, int Y) const;
  // Writes B, G, R (and 255 into the fourth byte of a 32-bit pixel); no range check.
  void SetColor(int X, int Y, TColor Color);
  // Mixes Color into the pixel by Alpha (0 keeps it, 255 replaces it); no range check.
  void BlendColor(int X, int Y, TColor Color, unsigned Alpha);
  // SetColor over every pixel of R, row by row; R must lie inside the bitmap.
  void Fill(const TRect& R, TColor Color);
};

struct TQzGdiRegion : TQzGdiObject {
  TQzGdiRegion() : TQzGdiObject(gokRegion) {}
  TRect Bounds;
};

struct TQzGdiDC {
  HBITMAP Bitmap = nullptr;       // selected
  HBITMAP Placeholder = nullptr;  // the 1 x 1 bitmap of a fresh context
  TPoint Origin;                  // viewport origin: device = logical + Origin
  bool HasClip = false;
  TRect Clip;                     // device pixels
  int StretchMode = BLACKONWHITE;
  // The rectangle that drawing may touch, in device pixels: the clip within the bitmap.
  TRect DeviceBounds() const;
};

// --- bitmaps ---------------------------------------------------------------------------------

// A section of the size, depth (16, 24 or 32 bits) and row order of the header, zero-filled;
// *Bits receives the pixel memory. Fails (null, *Bits null) for a missing header, another
// depth or compression, a zero side, a side above 32767 or more than 1 GiB of pixels. The Section
// and Offset arguments (file mappings) are not supported and must be null and 0.
HBITMAP CreateDIBSection(HDC DC, const BITMAPINFO* Info, UINT Usage, void** Bits, HANDLE Section,
                         DWORD Offset);
// A 32-bit top-down bitmap, zero-filled (black).
HBITMAP CreateCompatibleBitmap(HDC DC, int Width, int Height);
// A bitmap over memory the caller keeps alive and frees after DeleteObject: Stride bytes per
// row (at least Width * bytes per pixel), BitsPerPixel 16, 24 or 32, rows bottom-up when
// BottomUp. The window backends wrap their surfaces with it.
HBITMAP QzCreateBitmapOver(void* Bits, int Width, int Height, int Stride, int BitsPerPixel,
                           bool BottomUp);
// Fills a BITMAP for a bitmap handle; returns the bytes written, 0 for another object.
int GetObject(HGDIOBJ Object, int Size, void* Buffer);

// --- regions (rectangles only) -----------------------------------------------------------------

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom);

// --- drawing contexts ------------------------------------------------------------------------

// A memory context with a 1 x 1 placeholder bitmap selected, as GDI gives.
HDC CreateCompatibleDC(HDC DC);
// Selects a bitmap (returns the one it replaces) or a region (as SelectClipRgn; returns the
// object itself). A bitmap can be selected into one context at a time.
HGDIOBJ SelectObject(HDC DC, HGDIOBJ Object);
// Frees an object. A bitmap still selected into a context is freed when the context lets go of
// it (another SelectObject or DeleteDC), so the order of the two calls does not matter.
BOOL DeleteObject(HGDIOBJ Object);
BOOL DeleteDC(HDC DC);
// The bitmap selected into the context (never null for a live context).
HBITMAP QzGetSelectedBitmap(HDC DC);

BOOL SetViewportOrgEx(HDC DC, int X, int Y, TPoint* OldOrigin);
BOOL GetViewportOrgEx(HDC DC, TPoint* Origin);
// Region null: no clip. Otherwise the clip becomes the region's rectangle (device pixels).
int SelectClipRgn(HDC DC, HRGN Region);
// Narrows the clip to a rectangle given in logical coordinates.
int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom);
// The visible rectangle in logical coordinates: the clip within the selected bitmap.
int GetClipBox(HDC DC, TRect* Box);
enum : int { NULLREGION = 1, SIMPLEREGION = 2, ERROR_REGION = 0 };

int SetStretchBltMode(HDC DC, int Mode);
int GetStretchBltMode(HDC DC);

// Copies (and with StretchBlt scales) a rectangle of one context's bitmap into another's.
// Negative widths or heights mirror, as in GDI. Source and destination may be the same bitmap.
BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int SrcX, int SrcY, DWORD Rop);
BOOL StretchBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int SrcX, int SrcY,
                int SrcWidth, int SrcHeight, DWORD Rop);
// StretchBlt (always picking the nearest pixel) that leaves out source pixels of colour
// Transparent.
BOOL TransparentBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int SrcX, int SrcY,
                    int SrcWidth, int SrcHeight, UINT Transparent);

// The engine behind the blits, also used by the canvas and the raster images: Dest and Src
// in logical coordinates of their contexts. TransparentColor (0x00BBGGRR) leaves matching source
// pixels out when not CLR_INVALID; SourceAlpha blends by the fourth byte of 32-bit source
// pixels (straight, not premultiplied, alpha).
struct TQzStretchOptions {
  DWORD Rop = SRCCOPY;
  int Mode = COLORONCOLOR;
  COLORREF TransparentColor = CLR_INVALID;
  bool SourceAlpha = false;
};
BOOL QzStretchBits(HDC Dest, const TRect& DestRect, const TQzGdiBitmap* Src, const TRect& SrcRect,
                   const TQzStretchOptions& Options);

COLORREF GetPixel(HDC DC, int X, int Y);
COLORREF SetPixel(HDC DC, int X, int Y, COLORREF Color);

// --- system ----------------------------------------------------------------------------------

// Fixed values of a 96 dpi desktop: the scroll-bar thickness (SM_CXVSCROLL, SM_CYHSCROLL) is 17.
// The screen size is what a window backend reported through QzSetSystemMetric (1920 x 1080 until
// then).
int GetSystemMetrics(int Index);
void QzSetSystemMetric(int Index, int Value);
// The colour of a system colour index (COLOR_*), as 0x00BBGGRR; 0 for an unknown index.
COLORREF GetSysColor(int Index);

// Process-wide clipboard format identifiers: the same name always gives the same number,
// from 0xC000 up; 0 for an empty name.
UINT RegisterClipboardFormat(const std::string& Name);
inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_BITMAP = 2;
inline constexpr UINT CF_DIB = 8;
