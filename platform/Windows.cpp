#include "platform/Windows.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <vector>

namespace {

constexpr int kMaxSide = 32767;
constexpr uint64_t kMaxPixelBytes = uint64_t{1} << 30;

int StrideFor(int Width, int BitsPerPixel) {
  return static_cast<int>(((static_cast<int64_t>(Width) * BitsPerPixel + 31) / 32) * 4);
}

bool IsSupportedGeometry(int Width, int Height, int BitsPerPixel) {
  return Width >= 1 && Height >= 1 && Width <= kMaxSide && Height <= kMaxSide &&
         (BitsPerPixel == 16 || BitsPerPixel == 24 || BitsPerPixel == 32);
}

HBITMAP BitmapOver(uint8_t* Bits, int Width, int Height, int Stride, int BitsPerPixel, bool BottomUp,
                   bool OwnsBits) {
  auto* b = new TQzGdiBitmap();
  b->Bits = Bits;
  b->Width = Width;
  b->Height = Height;
  b->Stride = Stride;
  b->BitsPerPixel = BitsPerPixel;
  b->BottomUp = BottomUp;
  b->OwnsBits = OwnsBits;
  return b;
}

HBITMAP NewBitmap(int Width, int Height, int BitsPerPixel, bool BottomUp) {
  if (!IsSupportedGeometry(Width, Height, BitsPerPixel)) return nullptr;
  const int stride = StrideFor(Width, BitsPerPixel);
  const uint64_t size = static_cast<uint64_t>(stride) * static_cast<uint64_t>(Height);
  if (size > kMaxPixelBytes) return nullptr;
  auto* bits = static_cast<uint8_t*>(std::calloc(size, 1));
  if (!bits) return nullptr;
  return BitmapOver(bits, Width, Height, stride, BitsPerPixel, BottomUp, true);
}

void FreeBitmap(HBITMAP B) {
  if (B->OwnsBits) std::free(B->Bits);
  delete B;
}

// Drops a bitmap from a context; frees it when DeleteObject was waiting for that.
void Deselect(HBITMAP B) {
  if (!B) return;
  B->SelectedInto = nullptr;
  if (B->DeletePending) FreeBitmap(B);
}

uint32_t ApplyRop(DWORD Rop, uint32_t S, uint32_t D) {
  switch (Rop) {
    case SRCPAINT: return S | D;
    case SRCAND: return S & D;
    case SRCINVERT: return S ^ D;
    case NOTSRCCOPY: return ~S & 0xFFFFFF;
    case DSTINVERT: return ~D & 0xFFFFFF;
    case BLACKNESS: return 0;
    case WHITENESS: return 0xFFFFFF;
    default: return S;
  }
}

// Integer weights of the source cells under each destination cell: destination cell i covers
// [i * SrcLen, (i + 1) * SrcLen) in units where a source cell is DstLen long.
struct TSpan {
  int First = 0;
  std::vector<uint32_t> Weights;
};

std::vector<TSpan> BoxWeights(int DstLen, int SrcLen) {
  std::vector<TSpan> spans(static_cast<size_t>(DstLen));
  for (int i = 0; i < DstLen; ++i) {
    const int64_t lo = static_cast<int64_t>(i) * SrcLen;
    const int64_t hi = lo + SrcLen;
    const int first = static_cast<int>(lo / DstLen);
    const int last = static_cast<int>((hi - 1) / DstLen);
    TSpan& s = spans[static_cast<size_t>(i)];
    s.First = first;
    for (int j = first; j <= last; ++j) {
      const int64_t a = std::max<int64_t>(lo, static_cast<int64_t>(j) * DstLen);
      const int64_t b = std::min<int64_t>(hi, static_cast<int64_t>(j + 1) * DstLen);
      s.Weights.push_back(static_cast<uint32_t>(b - a));
    }
  }
  return spans;
}

struct TDeviceBlit {
  TRect Dst;  // device, normalised
  TRect Src;  // source pixels, normalised
  bool FlipX = false;
  bool FlipY = false;
};

std::mutex& FormatLock() {
  static std::mutex m;
  return m;
}

int gMetrics[100] = {};
bool gMetricsSet[100] = {};

}  // namespace

// --- bitmap pixel access ---------------------------------------------------------------------

TColor TQzGdiBitmap::GetColor(int X, int Y) const {
  const uint8_t* p = Row(Y);
  switch (BitsPerPixel) {
    case 16: {
      p += X * 2;
      const unsigned v = p[0] | p[1] << 8;
      const unsigned r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
      return RGB(static_cast<uint8_t>(r << 3 | r >> 2), static_cast<uint8_t>(g << 2 | g >> 4),
                 static_cast<uint8_t>(b << 3 | b >> 2));
    }
    case 24: p += X * 3; return RGB(p[2], p[1], p[0]);
    default: p += X * 4; return RGB(p[2], p[1], p[0]);
  }
}

void TQzGdiBitmap::SetColor(int X, int Y, TColor Color) {
  uint8_t* p = Row(Y);
  switch (BitsPerPixel) {
    case 16: {
      p += X * 2;
      const unsigned v = (GetRValue(Color) >> 3) << 11 | (GetGValue(Color) >> 2) << 5 |
                         GetBValue(Color) >> 3;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      break;
    }
    case 24:
      p += X * 3;
      p[0] = GetBValue(Color);
      p[1] = GetGValue(Color);
      p[2] = GetRValue(Color);
      break;
    default:
      p += X * 4;
      p[0] = GetBValue(Color);
      p[1] = GetGValue(Color);
      p[2] = GetRValue(Color);
      p[3] = 255;
      break;
  }
}

void TQzGdiBitmap::BlendColor(int X, int Y, TColor Color, unsigned Alpha) {
  if (Alpha == 0) return;
  if (Alpha >= 255) {
    SetColor(X, Y, Color);
    return;
  }
  const TColor d = GetColor(X, Y);
  auto mix = [Alpha](unsigned s, unsigned t) {
    return static_cast<uint8_t>((s * Alpha + t * (255 - Alpha) + 127) / 255);
  };
  SetColor(X, Y,
           RGB(mix(GetRValue(Color), GetRValue(d)), mix(GetGValue(Color), GetGValue(d)),
               mix(GetBValue(Color), GetBValue(d))));
}

void TQzGdiBitmap::Fill(const TRect& R, TColor Color) {
  if (R.Right <= R.Left || R.Bottom <= R.Top) return;
  // One pixel written as SetColor writes it, then repeated along the row.
  uint8_t pixel[4];
  TQzGdiBitmap one;
  one.Bits = pixel;
  one.Width = one.Height = 1;
  one.Stride = 4;
  one.BitsPerPixel = BitsPerPixel;
  one.SetColor(0, 0, Color);
  const int bpp = BytesPerPixel();
  const size_t count = static_cast<size_t>(R.Right - R.Left);
  for (int y = R.Top; y < R.Bottom; ++y) {
    uint8_t* d = Row(y) + static_cast<ptrdiff_t>(R.Left) * bpp;
    if (bpp == 4) {
      uint32_t v;
      std::memcpy(&v, pixel, 4);
      for (size_t i = 0; i < count; ++i) std::memcpy(d + i * 4, &v, 4);
    } else {
      for (size_t i = 0; i < count; ++i, d += bpp) std::memcpy(d, pixel, static_cast<size_t>(bpp));
    }
  }
}

TRect TQzGdiDC::DeviceBounds() const {
  if (!Bitmap) return TRect{};
  TRect r{0, 0, Bitmap->Width, Bitmap->Height};
  return HasClip ? QzIntersectRect(r, Clip) : r;
}

// --- bitmaps ---------------------------------------------------------------------------------

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* Info, UINT Usage, void** Bits, HANDLE Section,
                         DWORD Offset) {
  if (Bits) *Bits = nullptr;
  if (!Info || Usage != DIB_RGB_COLORS || Section || Offset) return nullptr;
  const BITMAPINFOHEADER& h = Info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB)
    return nullptr;
  if (h.biHeight == INT32_MIN) return nullptr;
  const bool bottomUp = h.biHeight > 0;
  HBITMAP b = NewBitmap(h.biWidth, bottomUp ? h.biHeight : -h.biHeight, h.biBitCount, bottomUp);
  if (b && Bits) *Bits = b->Bits;
  return b;
}

HBITMAP CreateCompatibleBitmap(HDC, int Width, int Height) {
  return NewBitmap(Width, Height, 32, false);
}

HBITMAP QzCreateBitmapOver(void* Bits, int Width, int Height, int Stride, int BitsPerPixel,
                           bool BottomUp) {
  if (!Bits || !IsSupportedGeometry(Width, Height, BitsPerPixel)) return nullptr;
  if (Stride < Width * (BitsPerPixel / 8)) return nullptr;
  return BitmapOver(static_cast<uint8_t*>(Bits), Width, Height, Stride, BitsPerPixel, BottomUp, false);
}

int GetObject(HGDIOBJ Object, int Size, void* Buffer) {
  if (!Object || Object->Kind != TQzGdiObject::gokBitmap || !Buffer ||
      Size < static_cast<int>(sizeof(BITMAP)))
    return 0;
  auto* b = static_cast<HBITMAP>(Object);
  BITMAP bm;
  bm.bmWidth = b->Width;
  bm.bmHeight = b->Height;
  bm.bmWidthBytes = b->Stride;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = static_cast<WORD>(b->BitsPerPixel);
  bm.bmBits = b->Bits;
  std::memcpy(Buffer, &bm, sizeof bm);
  return sizeof bm;
}

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom) {
  auto* r = new TQzGdiRegion();
  r->Bounds = TRect{std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right),
                    std::max(Top, Bottom)};
  return r;
}

// --- drawing contexts ------------------------------------------------------------------------

HDC CreateCompatibleDC(HDC) {
  auto* dc = new TQzGdiDC();
  dc->Placeholder = NewBitmap(1, 1, 32, false);
  dc->Placeholder->SelectedInto = dc;
  dc->Bitmap = dc->Placeholder;
  return dc;
}

HGDIOBJ SelectObject(HDC DC, HGDIOBJ Object) {
  if (!DC || !Object) return nullptr;
  if (Object->Kind == TQzGdiObject::gokRegion) {
    SelectClipRgn(DC, static_cast<HRGN>(Object));
    return Object;
  }
  auto* b = static_cast<HBITMAP>(Object);
  if (b->DeletePending) return nullptr;
  if (b->SelectedInto && b->SelectedInto != DC) return nullptr;
  HBITMAP old = DC->Bitmap;
  if (old == b) return old;
  DC->Bitmap = b;
  b->SelectedInto = DC;
  if (old) {
    old->SelectedInto = nullptr;
    if (old->DeletePending) {
      FreeBitmap(old);
      return nullptr;
    }
  }
  return old;
}

BOOL DeleteObject(HGDIOBJ Object) {
  if (!Object) return 0;
  if (Object->Kind == TQzGdiObject::gokRegion) {
    delete static_cast<HRGN>(Object);
    return 1;
  }
  auto* b = static_cast<HBITMAP>(Object);
  if (b->DeletePending) return 0;
  if (b->SelectedInto) {
    // GDI refuses and leaks; freeing it once the context lets go keeps callers' order harmless.
    b->DeletePending = true;
    return 1;
  }
  FreeBitmap(b);
  return 1;
}

BOOL DeleteDC(HDC DC) {
  if (!DC) return 0;
  if (DC->Bitmap != DC->Placeholder) Deselect(DC->Bitmap);
  if (DC->Placeholder) FreeBitmap(DC->Placeholder);
  delete DC;
  return 1;
}

HBITMAP QzGetSelectedBitmap(HDC DC) { return DC ? DC->Bitmap : nullptr; }

BOOL SetViewportOrgEx(HDC DC, int X, int Y, TPoint* OldOrigin) {
  if (!DC) return 0;
  if (OldOrigin) *OldOrigin = DC->Origin;
  DC->Origin = TPoint{X, Y};
  return 1;
}

BOOL GetViewportOrgEx(HDC DC, TPoint* Origin) {
  if (!DC || !Origin) return 0;
  *Origin = DC->Origin;
  return 1;
}

int SelectClipRgn(HDC DC, HRGN Region) {
  if (!DC) return ERROR_REGION;
  if (!Region) {
    DC->HasClip = false;
    return SIMPLEREGION;
  }
  DC->HasClip = true;
  DC->Clip = Region->Bounds;
  return QzIsRectEmpty(Region->Bounds) ? NULLREGION : SIMPLEREGION;
}

int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom) {
  if (!DC) return ERROR_REGION;
  TRect r{Left + DC->Origin.X, Top + DC->Origin.Y, Right + DC->Origin.X, Bottom + DC->Origin.Y};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  DC->Clip = DC->HasClip ? QzIntersectRect(DC->Clip, r) : r;
  DC->HasClip = true;
  return QzIsRectEmpty(DC->Clip) ? NULLREGION : SIMPLEREGION;
}

int GetClipBox(HDC DC, TRect* Box) {
  if (!DC || !Box) return ERROR_REGION;
  TRect r = DC->DeviceBounds();
  *Box = TRect{r.Left - DC->Origin.X, r.Top - DC->Origin.Y, r.Right - DC->Origin.X,
               r.Bottom - DC->Origin.Y};
  return QzIsRectEmpty(r) ? NULLREGION : SIMPLEREGION;
}

int SetStretchBltMode(HDC DC, int Mode) {
  if (!DC || Mode < BLACKONWHITE || Mode > HALFTONE) return 0;
  const int old = DC->StretchMode;
  DC->StretchMode = Mode;
  return old;
}

int GetStretchBltMode(HDC DC) { return DC ? DC->StretchMode : 0; }

namespace {

// Pixel access by depth, resolved once per blit rather than per pixel. Colours are 0x00BBGGRR
// as TQzGdiBitmap::GetColor gives them; Store writes what SetColor writes (255 into the fourth
// byte of a 32-bit pixel).
template <int Bpp>
inline TColor LoadPixel(const uint8_t* P) {
  if constexpr (Bpp == 2) {
    const unsigned v = P[0] | P[1] << 8;
    const unsigned r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return (r << 3 | r >> 2) | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2) << 16;
  } else {
    return static_cast<TColor>(P[2]) | static_cast<TColor>(P[1]) << 8 | static_cast<TColor>(P[0]) << 16;
  }
}

template <int Bpp>
inline void StorePixel(uint8_t* P, TColor C) {
  if constexpr (Bpp == 2) {
    const unsigned v = (GetRValue(C) >> 3) << 11 | (GetGValue(C) >> 2) << 5 | GetBValue(C) >> 3;
    P[0] = static_cast<uint8_t>(v);
    P[1] = static_cast<uint8_t>(v >> 8);
  } else {
    P[0] = GetBValue(C);
    P[1] = GetGValue(C);
    P[2] = GetRValue(C);
    if constexpr (Bpp == 4) P[3] = 255;
  }
}

// One destination row's worth of source colours and their alpha (0 leaves the pixel alone).
struct TBlitRow {
  std::vector<TColor> Color;
  std::vector<uint8_t> Alpha;
};

// Nearest source pixel per destination pixel: XOffset holds each one's byte offset in its row.
template <int Bpp>
void FetchNearest(const uint8_t* Row, const std::vector<int>& XOffset, bool WithAlpha, bool Keyed, TColor Key,
                  TBlitRow& Out) {
  const size_t n = XOffset.size();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = Row + XOffset[i];
    const TColor c = LoadPixel<Bpp>(p);
    Out.Color[i] = c;
    Out.Alpha[i] = Keyed && c == Key ? 0 : WithAlpha ? p[3] : 255;
  }
}

// Writes a row of source colours into a destination row through the raster operation,
// blending by alpha below 255.
template <int Bpp>
void ApplyRow(uint8_t* Dst, const TBlitRow& Src, size_t Count, DWORD Rop, bool Opaque) {
  if (Opaque && Rop == SRCCOPY) {
    for (size_t i = 0; i < Count; ++i) StorePixel<Bpp>(Dst + i * Bpp, Src.Color[i]);
    return;
  }
  for (size_t i = 0; i < Count; ++i) {
    const unsigned a = Src.Alpha[i];
    if (a == 0) continue;
    uint8_t* p = Dst + i * Bpp;
    const TColor d = LoadPixel<Bpp>(p);
    const TColor v = ApplyRop(Rop, Src.Color[i], d);
    if (a >= 255) {
      StorePixel<Bpp>(p, v);
      continue;
    }
    auto mix = [a](unsigned s, unsigned t) { return static_cast<uint8_t>((s * a + t * (255 - a) + 127) / 255); };
    StorePixel<Bpp>(p, RGB(mix(GetRValue(v), GetRValue(d)), mix(GetGValue(v), GetGValue(d)),
                           mix(GetBValue(v), GetBValue(d))));
  }
}

void ApplyRowAt(const TQzGdiBitmap* Dst, int X, int Y, const TBlitRow& Src, size_t Count, DWORD Rop, bool Opaque) {
  uint8_t* d = Dst->Row(Y) + static_cast<ptrdiff_t>(X) * Dst->BytesPerPixel();
  switch (Dst->BitsPerPixel) {
    case 16: ApplyRow<2>(d, Src, Count, Rop, Opaque); break;
    case 24: ApplyRow<3>(d, Src, Count, Rop, Opaque); break;
    default: ApplyRow<4>(d, Src, Count, Rop, Opaque); break;
  }
}

// The box filter's average of the source cells under one destination cell, colours weighted
// by alpha so that transparent pixels lend no colour.
template <int Bpp>
void FetchBox(const TQzGdiBitmap* Src, const TRect& SrcRect, const TSpan& Ry, const std::vector<const TSpan*>& Rx,
              bool WithAlpha, uint64_t Total, TBlitRow& Out) {
  const size_t n = Rx.size();
  for (size_t k = 0; k < n; ++k) {
    const TSpan& rx = *Rx[k];
    uint64_t r = 0, g = 0, bl = 0, a = 0;
    for (size_t j = 0; j < Ry.Weights.size(); ++j) {
      const int sy = std::clamp(SrcRect.Top + Ry.First + static_cast<int>(j), 0, Src->Height - 1);
      const uint8_t* row = Src->Row(sy);
      for (size_t i = 0; i < rx.Weights.size(); ++i) {
        const int sx = std::clamp(SrcRect.Left + rx.First + static_cast<int>(i), 0, Src->Width - 1);
        const uint64_t w = static_cast<uint64_t>(Ry.Weights[j]) * rx.Weights[i];
        const uint8_t* p = row + static_cast<ptrdiff_t>(sx) * Bpp;
        const TColor s = LoadPixel<Bpp>(p);
        const unsigned sa = WithAlpha ? p[3] : 255;
        r += w * sa * GetRValue(s);
        g += w * sa * GetGValue(s);
        bl += w * sa * GetBValue(s);
        a += w * sa;
      }
    }
    if (a == 0) {
      Out.Alpha[k] = 0;
      continue;
    }
    Out.Color[k] = RGB(static_cast<uint8_t>((r + a / 2) / a), static_cast<uint8_t>((g + a / 2) / a),
                       static_cast<uint8_t>((bl + a / 2) / a));
    Out.Alpha[k] = static_cast<uint8_t>(std::min<uint64_t>((a + Total / 2) / Total, 255));
  }
}

// A plain copy at the same size and depth: whole rows. 16- and 24-bit pixels survive the colour
// round trip unchanged, so their bytes are copied as they are; a 32-bit copy makes the fourth
// byte 255 as every other write does.
void CopyRows(const TQzGdiBitmap* Src, int SrcX, int SrcY, const TQzGdiBitmap* Dst, const TRect& Vis) {
  const int bpp = Dst->BytesPerPixel();
  const size_t bytes = static_cast<size_t>(Vis.Right - Vis.Left) * static_cast<size_t>(bpp);
  for (int y = Vis.Top; y < Vis.Bottom; ++y) {
    const uint8_t* s = Src->Row(SrcY + (y - Vis.Top)) + static_cast<ptrdiff_t>(SrcX) * bpp;
    uint8_t* d = Dst->Row(y) + static_cast<ptrdiff_t>(Vis.Left) * bpp;
    if (bpp != 4) {
      std::memmove(d, s, bytes);
      continue;
    }
    const size_t n = bytes / 4;
    for (size_t i = 0; i < n; ++i) {
      uint32_t v;
      std::memcpy(&v, s + i * 4, 4);
      v |= 0xFF000000u;
      std::memcpy(d + i * 4, &v, 4);
    }
  }
}

}  // namespace

BOOL QzStretchBits(HDC Dest, const TRect& DestRect, const TQzGdiBitmap* Src, const TRect& SrcRect,
                   const TQzStretchOptions& Options) {
  if (!Dest || !Dest->Bitmap) return 0;
  TDeviceBlit b;
  b.Dst = TRect{DestRect.Left + Dest->Origin.X, DestRect.Top + Dest->Origin.Y,
                DestRect.Right + Dest->Origin.X, DestRect.Bottom + Dest->Origin.Y};
  b.Src = SrcRect;
  if (b.Dst.Right < b.Dst.Left) std::swap(b.Dst.Left, b.Dst.Right), b.FlipX = !b.FlipX;
  if (b.Dst.Bottom < b.Dst.Top) std::swap(b.Dst.Top, b.Dst.Bottom), b.FlipY = !b.FlipY;
  if (b.Src.Right < b.Src.Left) std::swap(b.Src.Left, b.Src.Right), b.FlipX = !b.FlipX;
  if (b.Src.Bottom < b.Src.Top) std::swap(b.Src.Top, b.Src.Bottom), b.FlipY = !b.FlipY;
  const bool needsSource = Options.Rop != BLACKNESS && Options.Rop != WHITENESS &&
                           Options.Rop != DSTINVERT;
  const int dw = b.Dst.Right - b.Dst.Left, dh = b.Dst.Bottom - b.Dst.Top;
  const int sw = b.Src.Right - b.Src.Left, sh = b.Src.Bottom - b.Src.Top;
  if (dw <= 0 || dh <= 0) return 0;
  if (needsSource && (!Src || sw <= 0 || sh <= 0)) return 0;
  const TRect vis = QzIntersectRect(b.Dst, Dest->DeviceBounds());
  if (QzIsRectEmpty(vis)) return 1;

  HBITMAP dst = Dest->Bitmap;
  const size_t count = static_cast<size_t>(vis.Right - vis.Left);
  TBlitRow row;
  row.Color.assign(count, 0);
  row.Alpha.assign(count, 255);
  if (!needsSource) {
    for (int y = vis.Top; y < vis.Bottom; ++y) ApplyRowAt(dst, vis.Left, y, row, count, Options.Rop, false);
    return 1;
  }

  const bool alpha = Options.SourceAlpha && Src->BitsPerPixel == 32;
  const bool keyed = Options.TransparentColor != CLR_INVALID;
  const TColor key = Options.TransparentColor & 0xFFFFFF;
  const bool opaque = !alpha && !keyed;
  const bool inside = b.Src.Left >= 0 && b.Src.Top >= 0 && b.Src.Right <= Src->Width && b.Src.Bottom <= Src->Height;
  const int srcLeft = b.Src.Left + (vis.Left - b.Dst.Left), srcTop = b.Src.Top + (vis.Top - b.Dst.Top);

  // A plain copy at the same size and depth (every paint of a control copies its buffers this
  // way). Within one bitmap the rows are taken in the order that reads each before it is
  // overwritten.
  if (Options.Rop == SRCCOPY && opaque && !b.FlipX && !b.FlipY && sw == dw && sh == dh && inside &&
      Src->BitsPerPixel == dst->BitsPerPixel) {
    if (Src != dst) {
      CopyRows(Src, srcLeft, srcTop, dst, vis);
      return 1;
    }
    const int bpp = dst->BytesPerPixel();
    const size_t bytes = count * static_cast<size_t>(bpp);
    const bool upwards = srcTop < vis.Top;
    for (int k = 0; k < vis.Bottom - vis.Top; ++k) {
      const int y = upwards ? vis.Bottom - 1 - k : vis.Top + k;
      uint8_t* d = dst->Row(y) + static_cast<ptrdiff_t>(vis.Left) * bpp;
      std::memmove(d, Src->Row(srcTop + (y - vis.Top)) + static_cast<ptrdiff_t>(srcLeft) * bpp, bytes);
      if (bpp == 4)
        for (size_t i = 0; i < count; ++i) d[i * 4 + 3] = 255;
    }
    return 1;
  }

  // Reading and writing the same bitmap: work from a copy of the source.
  TQzGdiBitmap copy;
  std::vector<uint8_t> copyBits;
  if (Src == dst) {
    copyBits.assign(Src->Bits, Src->Bits + static_cast<size_t>(Src->Stride) * Src->Height);
    copy.Bits = copyBits.data();
    copy.Width = Src->Width;
    copy.Height = Src->Height;
    copy.Stride = Src->Stride;
    copy.BitsPerPixel = Src->BitsPerPixel;
    copy.BottomUp = Src->BottomUp;
    Src = &copy;
  }

  // Destination offset within the stretched rectangle, mirrored when flipped.
  auto offX = [&](int x) { return b.FlipX ? dw - 1 - (x - b.Dst.Left) : x - b.Dst.Left; };
  auto offY = [&](int y) { return b.FlipY ? dh - 1 - (y - b.Dst.Top) : y - b.Dst.Top; };
  const int sbpp = Src->BytesPerPixel();

  const bool halftone = Options.Mode == HALFTONE && !keyed && (sw != dw || sh != dh);
  if (!halftone) {
    std::vector<int> xOffset(count);
    for (size_t i = 0; i < count; ++i) {
      const int o = offX(vis.Left + static_cast<int>(i));
      const int n = static_cast<int>((2 * static_cast<int64_t>(o) + 1) * sw / (2 * dw));
      xOffset[i] = std::clamp(b.Src.Left + n, 0, Src->Width - 1) * sbpp;
    }
    for (int y = vis.Top; y < vis.Bottom; ++y) {
      const int o = offY(y);
      const int n = static_cast<int>((2 * static_cast<int64_t>(o) + 1) * sh / (2 * dh));
      const uint8_t* sr = Src->Row(std::clamp(b.Src.Top + n, 0, Src->Height - 1));
      switch (Src->BitsPerPixel) {
        case 16: FetchNearest<2>(sr, xOffset, false, keyed, key, row); break;
        case 24: FetchNearest<3>(sr, xOffset, false, keyed, key, row); break;
        default: FetchNearest<4>(sr, xOffset, alpha, keyed, key, row); break;
      }
      ApplyRowAt(dst, vis.Left, y, row, count, Options.Rop, opaque);
    }
    return 1;
  }

  const std::vector<TSpan> wx = BoxWeights(dw, sw);
  const std::vector<TSpan> wy = BoxWeights(dh, sh);
  std::vector<const TSpan*> rx(count);
  for (size_t i = 0; i < count; ++i) rx[i] = &wx[static_cast<size_t>(offX(vis.Left + static_cast<int>(i)))];
  const uint64_t total = static_cast<uint64_t>(sw) * static_cast<uint64_t>(sh);
  for (int y = vis.Top; y < vis.Bottom; ++y) {
    const TSpan& ry = wy[static_cast<size_t>(offY(y))];
    switch (Src->BitsPerPixel) {
      case 16: FetchBox<2>(Src, b.Src, ry, rx, false, total, row); break;
      case 24: FetchBox<3>(Src, b.Src, ry, rx, false, total, row); break;
      default: FetchBox<4>(Src, b.Src, ry, rx, alpha, total, row); break;
    }
    ApplyRowAt(dst, vis.Left, y, row, count, Options.Rop, false);
  }
  return 1;
}

BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int SrcX, int SrcY, DWORD Rop) {
  return StretchBlt(Dest, X, Y, Width, Height, Src, SrcX, SrcY, Width, Height, Rop);
}

namespace {
TRect SourceDeviceRect(HDC Src, int SrcX, int SrcY, int SrcWidth, int SrcHeight) {
  const TPoint o = Src ? Src->Origin : TPoint{};
  return TRect{SrcX + o.X, SrcY + o.Y, SrcX + o.X + SrcWidth, SrcY + o.Y + SrcHeight};
}
}  // namespace

BOOL StretchBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int SrcX, int SrcY,
                int SrcWidth, int SrcHeight, DWORD Rop) {
  if (!Dest) return 0;
  TQzStretchOptions o;
  o.Rop = Rop;
  o.Mode = Dest->StretchMode;
  return QzStretchBits(Dest, TRect{X, Y, X + Width, Y + Height}, Src ? Src->Bitmap : nullptr,
                       SourceDeviceRect(Src, SrcX, SrcY, SrcWidth, SrcHeight), o);
}

BOOL TransparentBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int SrcX, int SrcY,
                    int SrcWidth, int SrcHeight, UINT Transparent) {
  if (!Dest || !Src) return 0;
  TQzStretchOptions o;
  o.TransparentColor = Transparent & 0xFFFFFF;
  return QzStretchBits(Dest, TRect{X, Y, X + Width, Y + Height}, Src->Bitmap,
                       SourceDeviceRect(Src, SrcX, SrcY, SrcWidth, SrcHeight), o);
}

COLORREF GetPixel(HDC DC, int X, int Y) {
  if (!DC || !DC->Bitmap) return CLR_INVALID;
  const int x = X + DC->Origin.X, y = Y + DC->Origin.Y;
  const TRect r = DC->DeviceBounds();
  if (x < r.Left || y < r.Top || x >= r.Right || y >= r.Bottom) return CLR_INVALID;
  return DC->Bitmap->GetColor(x, y);
}

COLORREF SetPixel(HDC DC, int X, int Y, COLORREF Color) {
  if (!DC || !DC->Bitmap) return CLR_INVALID;
  const int x = X + DC->Origin.X, y = Y + DC->Origin.Y;
  const TRect r = DC->DeviceBounds();
  if (x < r.Left || y < r.Top || x >= r.Right || y >= r.Bottom) return CLR_INVALID;
  DC->Bitmap->SetColor(x, y, Color & 0xFFFFFF);
  return DC->Bitmap->GetColor(x, y);
}

// --- system ----------------------------------------------------------------------------------

int GetSystemMetrics(int Index) {
  if (Index >= 0 && Index < 100 && gMetricsSet[Index]) return gMetrics[Index];
  switch (Index) {
    case SM_CXSCREEN: return 1920;
    case SM_CYSCREEN: return 1080;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
  }
}

void QzSetSystemMetric(int Index, int Value) {
  if (Index < 0 || Index >= 100) return;
  gMetrics[Index] = Value;
  gMetricsSet[Index] = true;
}

COLORREF GetSysColor(int Index) {
  if (Index < 0 || Index >= static_cast<int>(std::size(kQzSystemColors))) return 0;
  return kQzSystemColors[Index];
}

UINT RegisterClipboardFormat(const std::string& Name) {
  if (Name.empty()) return 0;
  std::lock_guard<std::mutex> lock(FormatLock());
  static std::map<std::string, UINT> formats;
  auto it = formats.find(Name);
  if (it != formats.end()) return it->second;
  const UINT id = 0xC000 + static_cast<UINT>(formats.size());
  formats.emplace(Name, id);
  return id;
}
