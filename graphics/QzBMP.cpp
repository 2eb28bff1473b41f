#include "graphics/QzBMP.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "core/QzFileClasses.h"
#include "graphics/QzBMPStream.h"
#include "graphics/QzDIB.h"
#include "graphics/QzRasterCopy.h"
#include "platform/Clipbrd.h"
#include "core/SysUtils.h"
#include "graphics/QzCheckerboard.h"

void ResetColorTable(TQzColorTable& Table) {
  for (auto& plane : Table)
    for (int v = 0; v < 256; ++v) std::memset(plane[v], v, 256);
}

namespace {
uint8_t BytesPerPixelOf(uint8_t Format) {
  switch (Format) {
    case 1: return 4;
    case 2: return 5;
    case 3: return 8;
    default: return 0;
  }
}

int32_t ClampSide(int32_t Side) { return std::clamp(Side, 0, QzMaxBitmapSide); }

}  // namespace

TQzBitmap::TQzBitmap() : FColorTable(std::make_unique<TColorTableHolder>()) {
  ::ResetColorTable(FColorTable->Table);
}

TQzBitmap::~TQzBitmap() = default;

void TQzBitmap::SetError(uint16_t Category, uint16_t Location) {
  FErrorCode = MakeErrorCode(Category, Location);
}

void TQzBitmap::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) Changed(this);
}

void TQzBitmap::Changed(TObject* Sender) {
  if (!IsUpdating()) TGraphic::Changed(Sender);
}

void TQzBitmap::FreeBuffer() {
  FBuffer.reset();
  FBufferSize = 0;
  FRowStride = 0;
  FBytesPerPixel = 0;
}

bool TQzBitmap::ResizeBuffer(int32_t W, int32_t H) {
  FErrorCode = 0;
  FreeBuffer();
  ::ResetColorTable(FColorTable->Table);
  W = ClampSide(W);
  H = ClampSide(H);
  // A picture with both sides above 0 always has its buffer, so that no pixel loop can run
  // over a size without memory behind it.
  FHeader.Width = 0;
  FHeader.Height = 0;
  if (W == 0 || H == 0) {
    FHeader.Width = static_cast<uint16_t>(W);
    FHeader.Height = static_cast<uint16_t>(H);
    return true;
  }
  const uint8_t format = PixelFormat();
  if (format == 0) return false;
  if (format == 4) return true;
  const uint8_t bpp = BytesPerPixelOf(format);
  const size_t size = static_cast<size_t>(W) * static_cast<size_t>(H) * bpp;
  FBuffer.reset(new (std::nothrow) uint8_t[size]());
  if (!FBuffer) return false;
  FBufferSize = static_cast<uint32_t>(size);
  FBytesPerPixel = bpp;
  FRowStride = static_cast<uint32_t>(W) * bpp;
  FHeader.Width = static_cast<uint16_t>(W);
  FHeader.Height = static_cast<uint16_t>(H);
  if (FFillOnResize) {
    FillColor(clWhite);
    ResetAlpha();
    FillMask(255);
  }
  return true;
}

void TQzBitmap::Clear() {
  ResizeBuffer(0, 0);
  FHeader.Width = 0;
  FHeader.Height = 0;
  FErrorCode = 0;
  Changed(this);
}

bool TQzBitmap::SetBitmapSize(int32_t W, int32_t H) {
  FErrorCode = 0;
  W = ClampSide(W);
  H = ClampSide(H);
  if (W == 0 || H == 0) {
    const bool had = FBuffer || GetWidth() != 0 || GetHeight() != 0;
    ResizeBuffer(0, 0);
    FHeader.Width = 0;
    FHeader.Height = 0;
    if (had) Changed(this);
    return true;
  }
  if (W == GetWidth() && H == GetHeight() && (FBuffer || PixelFormat() == 4)) return true;
  const bool ok = ResizeBuffer(W, H);
  Changed(this);
  return ok && FErrorCode == 0;
}

void TQzBitmap::SetWidth(int32_t Value) {
  Value = ClampSide(Value);
  if (Value == GetWidth()) return;
  FHeader.Width = static_cast<uint16_t>(Value);
  ResizeBuffer(Value, GetHeight());
  Changed(this);
}

void TQzBitmap::SetHeight(int32_t Value) {
  Value = ClampSide(Value);
  if (Value == GetHeight()) return;
  FHeader.Height = static_cast<uint16_t>(Value);
  ResizeBuffer(GetWidth(), Value);
  Changed(this);
}

bool TQzBitmap::GetEmpty() const { return GetWidth() < 1 || GetHeight() < 1 || !FBuffer; }

uint8_t TQzBitmap::PixelFormat() const {
  switch (FHeader.BitCount) {
    case 32: return 1;
    case 40: return 2;
    case 64: return 3;
    case 80: return 4;
    default: return 0;
  }
}

void TQzBitmap::SetPixelFormat(uint8_t Format) {
  if (Format == PixelFormat()) return;
  static constexpr uint8_t Bits[5] = {32, 32, 40, 64, 80};
  if (FBuffer) {
    auto copy = std::make_unique<TQzBitmap>();
    copy->AssignBitmap(this);
    const int32_t w = GetWidth(), h = GetHeight();
    FreeBuffer();
    const bool valid = Format >= 1 && Format <= 4;
    if (valid) FHeader.BitCount = Bits[Format];
    ResizeBuffer(w, h);
    CopyPixels(copy.get());
    copy.reset();
    // Reported after the resize, which clears the error of every sizing.
    if (!valid) SetError(qecBadSignature, 606);
    Changed(this);
  } else {
    FHeader.BitCount = Format <= 4 ? Bits[Format] : 32;
  }
  Changed(this);
}

bool TQzBitmap::HasAlpha() const {
  const uint8_t format = PixelFormat();
  if (GetEmpty() || (format != 1 && format != 2)) return false;
  for (uint32_t i = 3; i < FBufferSize; i += FBytesPerPixel)
    if (FBuffer[i] < 255) return true;
  return false;
}

bool TQzBitmap::HasMask() const {
  if (GetEmpty() || PixelFormat() != 2) return false;
  for (uint32_t i = 4; i < FBufferSize; i += FBytesPerPixel)
    if (FBuffer[i] < 255) return true;
  return false;
}

bool TQzBitmap::GetTransparent() const {
  if (!FBuffer || FBytesPerPixel < 4) return false;
  for (uint32_t i = 3; i < FBufferSize; i += FBytesPerPixel)
    if (FBuffer[i] < 255) return true;
  return false;
}

void TQzBitmap::ResetAlpha() {
  const uint8_t format = PixelFormat();
  if (format != 1 && format != 2) return;
  for (uint32_t i = 3; i < FBufferSize; i += FBytesPerPixel) FBuffer[i] = 255;
  Changed(this);
}

void TQzBitmap::FillColor(TColor Color) {
  const uint8_t format = PixelFormat();
  if (format != 1 && format != 2) return;
  const uint8_t b = GetBValue(Color), g = GetGValue(Color), r = GetRValue(Color);
  for (uint32_t i = 0; i + 2 < FBufferSize; i += FBytesPerPixel) {
    FBuffer[i] = b;
    FBuffer[i + 1] = g;
    FBuffer[i + 2] = r;
  }
  Changed(this);
}

void TQzBitmap::FillMask(uint8_t Value) {
  if (PixelFormat() != 2 || !FBuffer) return;
  for (uint32_t i = 4; i < FBufferSize; i += FBytesPerPixel) FBuffer[i] = Value;
  Changed(this);
}

void TQzBitmap::CopyPixels(const TQzBitmap* Source) {
  if (!Source || Source == this || Source->GetEmpty() || GetEmpty()) return;
  const uint8_t mine = PixelFormat(), theirs = Source->PixelFormat();
  const int32_t w = std::min(GetWidth(), Source->GetWidth());
  const int32_t h = std::min(GetHeight(), Source->GetHeight());
  auto* source = const_cast<TQzBitmap*>(Source);
  if (mine == theirs) {
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(GetPixelPtr(0, y), source->GetPixelPtr(0, y),
                  static_cast<size_t>(w) * FBytesPerPixel);
  } else if (mine == 2 && theirs == 1) {
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* s = source->GetPixelPtr(0, y);
      uint8_t* d = GetPixelPtr(0, y);
      for (int32_t x = 0; x < w; ++x, s += 4, d += 5) std::memcpy(d, s, 4);
    }
  }
}

bool TQzBitmap::AssignBitmap(const TQzBitmap* Source) {
  if (!Source) {
    SetError(qecInvalidArgument, 251);
    return false;
  }
  if (Source == this) return true;
  FErrorCode = 0;
  FreeBuffer();
  FHeader = Source->FHeader;
  const bool sized = ResizeBuffer(Source->GetWidth(), Source->GetHeight());
  if (sized && FBuffer && Source->FBuffer)
    std::memcpy(FBuffer.get(), Source->FBuffer.get(), std::min(FBufferSize, Source->FBufferSize));
  std::memcpy(FColorTable->Table, Source->FColorTable->Table, sizeof(TQzColorTable));
  Changed(this);
  return sized && FErrorCode == 0;
}

void TQzBitmap::Assign(TPersistent* Source) {
  if (Source == this) return;
  if (auto* clipboard = dynamic_cast<TClipboard*>(Source)) {
    auto picture = std::make_unique<TPicture>();
    bool loaded = false;
    try {
      loaded = clipboard->GetPicture(picture.get());
    } catch (...) {
      loaded = false;
    }
    if (loaded && picture->GetGraphic()) Assign(picture->GetGraphic());
    ResetAlpha();
    return;
  }
  if (auto* bitmap = dynamic_cast<TQzBitmap*>(Source)) {
    FErrorCode = 0;
    AssignBitmap(bitmap);
    return;
  }
  if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
    FErrorCode = 0;
    AssignGraphic(graphic);
    return;
  }
  TGraphic::Assign(Source);
}

void TQzBitmap::AssignGraphic(TGraphic* Source) {
  auto* raster = dynamic_cast<TRasterImage*>(Source);
  auto* own = dynamic_cast<IQzPixelAccess*>(Source);
  TQzPixelAddrProc addr = nullptr;
  if (raster && (dynamic_cast<TPortableNetworkGraphic*>(Source) ||
                 QzIsClassNamed(Source, "TPortableNetworkGraphic")))
    addr = GetPNGPixelAddr;
  else if (raster && (dynamic_cast<TJPEGImage*>(Source) || QzIsClassNamed(Source, "TJPEGImage")))
    addr = GetJPEGPixelAddr;
  else if (raster && (dynamic_cast<TBitmap*>(Source) || QzIsClassNamed(Source, "TBitmap")))
    addr = GetBitmapPixelAddr;
  else if (own && QzIsClassNamed(Source, "TQzEPFImage"))
    addr = GetEPFPixelAddr;
  else if (own && QzIsClassNamed(Source, "TQzTIFImage"))
    addr = GetTIFPixelAddr;

  if (!addr) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->Assign(Source);
    Assign(bitmap.get());
    return;
  }
  const int32_t sw = Source->GetWidth(), sh = Source->GetHeight();
  int32_t depth = raster ? raster->GetRawImage().Description.BitsPerPixel : own->GetPixelBits();
  // An own picture without pixels reports no depth; it simply gives an empty bitmap.
  if (!raster && (sw < 1 || sh < 1)) depth = 32;
  if (depth != 24 && depth != 32) throw Exception("UNKNWON PICTURE TYPE");

  BeginUpdate();
  SetPixelFormat(2);
  SetBitmapSize(sw, sh);
  if (GetWidth() != sw || GetHeight() != sh || (sw > 0 && sh > 0 && !FBuffer)) {
    SetError(qecInvalidArgument, 901);
  } else if (sw > 0 && sh > 0) {
    if (raster) raster->BeginUpdate(false);
    const int32_t step = depth / 8;
    // The fourth byte of a toolkit picture is alpha only when the picture says it carries
    // alpha; otherwise its pixels are opaque, whatever that byte holds.
    const bool alpha = step == 4 && (!raster || raster->GetHasAlpha());
    for (int32_t y = 0; y < sh; ++y) {
      const uint8_t* s = addr(Source, 0, y);
      if (!s) break;
      uint8_t* d = GetPixelPtr(0, y);
      for (int32_t x = 0; x < sw; ++x, s += step, d += 5) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = alpha ? s[3] : 255;
        d[4] = 255;
      }
    }
    if (raster) raster->EndUpdate(false);
  }
  EndUpdate();
  if (FErrorCode != 0) throw Exception(ErrorCodeToStr(FErrorCode));
}

void TQzBitmap::AssignTo(TPersistent* Dest) {
  auto* bitmap = dynamic_cast<TBitmap*>(Dest);
  if (!bitmap) {
    // Other raster images get the picture drawn on them; anything else the toolkit's
    // conversion error.
    TGraphic::AssignTo(Dest);
    return;
  }
  if (GetEmpty()) return;
  bitmap->SetSize(GetWidth(), GetHeight());
  if (bitmap->GetPixelFormat() == pf32bit) bitmap->SetHasAlpha(HasAlpha());
  CopyToRasterImage(bitmap, Rect(0, 0, bitmap->GetWidth(), bitmap->GetHeight()));
}

void TQzBitmap::CopyToRasterImage(TRasterImage* Dest, const TRect& R) {
  if (!Dest) return;
  const int32_t dw = Dest->GetWidth(), dh = Dest->GetHeight();
  const uint8_t format = PixelFormat();
  if (dw < 1 || dh < 1 || GetEmpty() || (format != 1 && format != 2)) return;
  TRect r = R;
  if (r.Right < r.Left) std::swap(r.Left, r.Right);
  if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  if (r.Right >= dw) r.Right = dw - 1;
  if (r.Bottom >= dh) r.Bottom = dh - 1;
  const int32_t depth = Dest->GetRawImage().Description.BitsPerPixel;
  if (depth != 24 && depth != 32) return;
  const int32_t w = GetWidth(), h = GetHeight();
  Dest->BeginUpdate(false);
  for (int32_t y = r.Top; y <= r.Bottom; ++y) {
    // Rounding can reach one past the last source row or column: stay on it.
    const int32_t sy = std::min(MulDiv(y - r.Top, h, dh), h - 1);
    uint8_t* row = GetBitmapPixelAddr(Dest, 0, y);
    if (!row) continue;
    for (int32_t x = r.Left; x <= r.Right; ++x) {
      const int32_t sx = std::min(MulDiv(x - r.Left, w, dw), w - 1);
      const uint8_t* s = GetPixelPtr(sx, sy);
      if (depth == 24) {
        uint8_t* d = row + static_cast<ptrdiff_t>(x) * 3;
        for (int c = 0; c < 3; ++c) d[c] = QzBlendByte(d[c], s[c], s[3]);
      } else {
        std::memcpy(row + static_cast<ptrdiff_t>(x) * 4, s, 4);
      }
    }
  }
  Dest->EndUpdate(false);
}

void TQzBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
  const int64_t w = static_cast<int64_t>(Rect.Right) - Rect.Left;
  const int64_t h = static_cast<int64_t>(Rect.Bottom) - Rect.Top;
  if (!ACanvas || w < 1 || h < 1) return;
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(static_cast<int32_t>(w), static_cast<int32_t>(h));
  DrawToBitmap(bitmap.get(), ::Rect(0, 0, bitmap->GetWidth(), bitmap->GetHeight()), true);
  ACanvas->Draw(Rect.Left, Rect.Top, bitmap.get());
}

void TQzBitmap::DrawToBitmap(TGraphic* Bitmap, const TRect& Rect, bool Checker) {
  DrawToBitmapEx(Bitmap, Rect, Checker);
}

void TQzBitmap::DrawToBitmapEx(TGraphic* Bitmap, const TRect& Rect, bool Checker) {
  auto* bitmap = dynamic_cast<TBitmap*>(Bitmap);
  const int64_t rw = static_cast<int64_t>(Rect.Right) - Rect.Left;
  const int64_t rh = static_cast<int64_t>(Rect.Bottom) - Rect.Top;
  if (!bitmap || GetEmpty() || rw < 1 || rh < 1) return;
  const int32_t bw = bitmap->GetWidth(), bh = bitmap->GetHeight();
  const int32_t width = GetWidth(), height = GetHeight();
  bitmap->BeginUpdate(false);
  if (Checker) DrawCheckerboard(bitmap->GetCanvas(), ::Rect(0, 0, bw, bh), 3, 0x000000, 0x808080);

  const float aspect = static_cast<float>(static_cast<double>(height) / width);
  int64_t fw = Round(static_cast<double>(rh) / aspect), fh = rh;
  if (rw < fw) {
    fw = rw;
    fh = Round(static_cast<double>(fw) * aspect);
  }
  // A very wide or tall picture must not fit into nothing.
  fw = std::max<int64_t>(fw, 1);
  fh = std::max<int64_t>(fh, 1);
  const int64_t left = (bw - fw) / 2, top = (bh - fh) / 2;
  const float sx = static_cast<float>(static_cast<double>(width) / static_cast<double>(fw));
  const float sy = static_cast<float>(static_cast<double>(height) / static_cast<double>(fh));

  // Only the part of the fitted picture that lies inside the bitmap is mapped and written.
  const int64_t x0 = std::max<int64_t>(left, 0), x1 = std::min<int64_t>(left + fw, bw);
  const int64_t y0 = std::max<int64_t>(top, 0), y1 = std::min<int64_t>(top + fh, bh);
  const int32_t depth = bitmap->GetRawImage().Description.BitsPerPixel;
  const int32_t step = depth == 24 ? 3 : depth == 32 ? 4 : 0;
  if (step != 0 && x0 < x1 && y0 < y1) {
    std::vector<int32_t> columns(static_cast<size_t>(x1 - x0));
    // Halves round to even, so the last column or row can round to one past the picture: it
    // shows the picture's edge, not the checkerboard.
    for (int64_t x = x0; x < x1; ++x)
      columns[static_cast<size_t>(x - x0)] = static_cast<int32_t>(
          std::min<int64_t>(Round(static_cast<double>(x - left) * sx), width - 1));
    const TQzColorTable& table = FColorTable->Table;
    for (int64_t y = y0; y < y1; ++y) {
      const int64_t sourceRow = std::min<int64_t>(Round(static_cast<double>(y - top) * sy), height - 1);
      if (sourceRow < 0 || sourceRow >= height) continue;
      uint8_t* row = GetBitmapPixelAddr(bitmap, 0, static_cast<int32_t>(y));
      if (!row) continue;
      for (int64_t x = x0; x < x1; ++x) {
        const int32_t column = columns[static_cast<size_t>(x - x0)];
        if (column < 0 || column >= width) continue;
        const uint8_t* s = GetPixelPtr(column, static_cast<int32_t>(sourceRow));
        const uint8_t grey = static_cast<uint8_t>((s[0] + s[1] + s[2]) / 3);
        uint8_t* d = row + x * step;
        d[2] = table[0][s[2]][grey];
        d[1] = table[1][s[1]][grey];
        d[0] = table[2][s[0]][grey];
        if (step == 4) d[3] = 255;
      }
    }
  }
  bitmap->EndUpdate(false);
}

// The "QZBM" stream format (QzBMPStream) reads and writes the header block in place.
void TQzBitmap::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  Clear();
  FErrorCode = QzReadBitmapStream(Stream, FHeader, *this);
  EndUpdate();
}

void TQzBitmap::SaveToStream(TStream* Stream) {
  FErrorCode = QzWriteBitmapStream(Stream, FHeader, *this);
  if (FErrorCode != 0) throw Exception(ErrorCodeToStr(FErrorCode));
}
