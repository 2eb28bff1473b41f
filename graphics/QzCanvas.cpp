#include "graphics/QzCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "graphics/QzBMP.h"
#include "graphics/QzEPF.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"
#include "core/SysUtils.h"

namespace {
constexpr int32_t DistanceReach = 1000;
constexpr int32_t DistanceSide = 2 * DistanceReach + 1;

// 2001 x 2001 rounded distances (16 MB), made the first time a wide pen draws, once per process.
const std::vector<int32_t>& DistanceTable() {
  static const std::vector<int32_t> Table = [] {
    std::vector<int32_t> t(static_cast<size_t>(DistanceSide) * DistanceSide);
    for (int32_t dx = -DistanceReach; dx <= DistanceReach; ++dx)
      for (int32_t dy = -DistanceReach; dy <= DistanceReach; ++dy)
        t[static_cast<size_t>(dx + DistanceReach) * DistanceSide + static_cast<size_t>(dy + DistanceReach)] =
            static_cast<int32_t>(Round(std::sqrt(static_cast<double>(dx * dx + dy * dy))));
    return t;
  }();
  return Table;
}
}  // namespace

int32_t QzCanvasDistance(int32_t Dx, int32_t Dy) {
  if (Dx >= -DistanceReach && Dx <= DistanceReach && Dy >= -DistanceReach && Dy <= DistanceReach)
    return DistanceTable()[static_cast<size_t>(Dx + DistanceReach) * DistanceSide +
                           static_cast<size_t>(Dy + DistanceReach)];
  const double x = Dx, y = Dy;
  return static_cast<int32_t>(std::min<int64_t>(Round(std::sqrt(x * x + y * y)), INT32_MAX));
}

// --- TQzCanvasPen --------------------------------------------------------------------------------

TQzCanvasPen::TQzCanvasPen() : FBlendTable(new uint8_t[256 * 256]) { BuildBlendTable(); }

void TQzCanvasPen::BuildBlendTable() {
  for (uint32_t d = 0; d < 256; ++d)
    for (uint32_t s = 0; s < 256; ++s) FBlendTable[d * 256 + s] = QzBlendByte(s, d, FBlendFactor);
}

void TQzCanvasPen::SetColor(TColor Value) {
  if (Value == GetColor()) return;
  FR = GetRValue(Value);
  FG = GetGValue(Value);
  FB = GetBValue(Value);
  if (OnChange) OnChange(this);
}

void TQzCanvasPen::SetWidth(uint16_t Value) {
  if (Value == FWidth) return;
  FWidth = Value;
  if (OnChange) OnChange(this);
}

void TQzCanvasPen::SetBlendFactor(uint8_t Value) {
  if (Value == FBlendFactor) return;
  FBlendFactor = Value;
  BuildBlendTable();
}

// --- TQzCustomCanvas -----------------------------------------------------------------------------

TQzCustomCanvas::TQzCustomCanvas() : FWorkBitmap(std::make_unique<TBitmap>()), FPen(std::make_unique<TQzCanvasPen>()) {
  FWorkBitmap->SetSize(100, 25);
  FWorkBitmap->GetCanvas()->GetFont()->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
  FPen->OnChange = [this](TObject*) { UpdatePixelProcs(); };
  SetTarget(nullptr);
}

TQzCustomCanvas::~TQzCustomCanvas() {
  FPen->OnChange = nullptr;
  FWorkBitmap->GetCanvas()->GetFont()->OnChange = nullptr;
}

TFont* TQzCustomCanvas::GetFont() const { return FWorkBitmap->GetCanvas()->GetFont(); }

// The own pictures' target canvas is the work bitmap's own: its font is the work font already,
// and assigning it to itself would only announce the change again, and again.
void TQzCustomCanvas::FontChanged(TObject*) {
  if (FTargetCanvas && FTargetCanvas->GetFont() != GetFont())
    FTargetCanvas->GetFont()->Assign(GetFont());
}

void TQzCustomCanvas::Detach() {
  FTarget = nullptr;
  FTargetCanvas = nullptr;
  FBytesPerPixel = 0;
  FClip = TRect{};
  FPixelAddr = nullptr;
  FAccess = nullptr;
  FRaster = nullptr;
  FBitmap = nullptr;
}

void TQzCustomCanvas::SetTarget(TObject* Target) {
  Detach();
  TCanvas* canvas = nullptr;
  TQzPixelAddrProc addr = nullptr;
  IQzPixelAccess* access = nullptr;
  TRasterImage* raster = nullptr;
  int32_t bytes = 0, width = 0, height = 0;

  if (auto* bitmap = dynamic_cast<TQzBitmap*>(Target)) {
    addr = GetQzBitmapPixelAddr;
    access = bitmap;
    FBitmap = bitmap;
    bytes = bitmap->GetPixelBits() / 8;
    width = bitmap->GetWidth();
    height = bitmap->GetHeight();
  } else if (auto* dib = dynamic_cast<TQzCustomDIB*>(Target)) {
    if (dib->GetWidth() > 0 && dib->GetHeight() > 0 && dib->GetPixelBits() == 32) {
      addr = GetDIBPixelAddr;
      access = dib;
      canvas = dib->GetCanvas();
      bytes = 4;
      width = dib->GetWidth();
      height = dib->GetHeight();
    }
  } else if (auto* graphic = dynamic_cast<TGraphic*>(Target)) {
    raster = dynamic_cast<TRasterImage*>(Target);
    access = dynamic_cast<IQzPixelAccess*>(Target);
    if (raster) {
      if (dynamic_cast<TBitmap*>(Target))
        addr = GetBitmapPixelAddr;
      else if (dynamic_cast<TJPEGImage*>(Target))
        addr = GetJPEGPixelAddr;
      else if (dynamic_cast<TPortableNetworkGraphic*>(Target))
        addr = GetPNGPixelAddr;
      if (addr) {
        canvas = raster->GetCanvas();
        bytes = raster->GetRawImage().Description.BitsPerPixel / 8;
      }
      access = nullptr;
    } else if (access) {
      // The own TIFF, TGA and EPF pictures, drawn with the work canvas: 4-byte pixels, and 3
      // or 4 bytes for the EPF picture's 24- and 32-bit formats.
      if (dynamic_cast<TQzTIFImage*>(Target)) {
        addr = GetTIFPixelAddr;
        bytes = access->GetPixelBits() == 32 ? 4 : 0;
      } else if (dynamic_cast<TQzTGAImage*>(Target)) {
        addr = GetTGAPixelAddr;
        bytes = access->GetPixelBits() == 32 ? 4 : 0;
      } else if (auto* epf = dynamic_cast<TQzEPFImage*>(Target)) {
        addr = GetEPFPixelAddr;
        const uint8_t format = epf->GetPixelFormat();
        bytes = access->GetPixelBits() == 0 ? 0 : format == 2 ? 3 : format == 3 ? 4 : 0;
      }
      canvas = FWorkBitmap->GetCanvas();
    }
    width = graphic->GetWidth();
    height = graphic->GetHeight();
  }
  if (!addr || bytes < 3 || bytes > 5 || width < 1 || height < 1) {
    FBitmap = nullptr;
    UpdatePixelProcs();
    return;
  }
  FTarget = Target;
  FTargetCanvas = canvas;
  FPixelAddr = addr;
  FAccess = access;
  FRaster = raster;
  FBytesPerPixel = static_cast<uint8_t>(bytes);
  FClip = Rect(0, 0, std::min(width - 1, 14999), std::min(height - 1, 14999));
  UpdatePixelProcs();
}

void TQzCustomCanvas::UpdatePixelProcs() {
  FHalfWidth = static_cast<uint16_t>(std::max(FPen->GetWidth() / 2, 1));
  const bool wide = FPen->GetWidth() > 1;
  switch (FBytesPerPixel) {
    case 3: FPlot = wide ? &TQzCustomCanvas::PlotWidePixel24 : &TQzCustomCanvas::PlotPixel24; break;
    case 4: FPlot = wide ? &TQzCustomCanvas::PlotWidePixel32 : &TQzCustomCanvas::PlotPixel32; break;
    case 5: FPlot = wide ? &TQzCustomCanvas::PlotWidePixel40 : &TQzCustomCanvas::PlotPixel40; break;
    default: FPlot = nullptr; break;
  }
}

// --- plotting ------------------------------------------------------------------------------------
// The alpha of the pen is a transparency: the pen colour weighs 255 - alpha, the target alpha.

void TQzCustomCanvas::PlotPixel24(int32_t X, int32_t Y, uint8_t) {
  if (IsInClip(X, Y)) BlendPen(PixelAddr(X, Y));
}

void TQzCustomCanvas::PlotPixel32(int32_t X, int32_t Y, uint8_t Value) {
  if (!IsInClip(X, Y)) return;
  uint8_t* p = PixelAddr(X, Y);
  p[0] = QzBlendByte(FPen->GetB(), p[0], Value);
  p[1] = QzBlendByte(FPen->GetG(), p[1], Value);
  p[2] = QzBlendByte(FPen->GetR(), p[2], Value);
  p[3] = 255;
}

void TQzCustomCanvas::PlotPixel40(int32_t X, int32_t Y, uint8_t Value) {
  if (!IsInClip(X, Y)) return;
  // The pen's cover of the pixel; its alpha byte gathers cover as it is drawn over.
  const uint32_t cover = 255u - Value;
  uint8_t* p = PixelAddr(X, Y);
  p[0] = QzBlendByte(p[0], FPen->GetB(), cover);
  p[1] = QzBlendByte(p[1], FPen->GetG(), cover);
  p[2] = QzBlendByte(p[2], FPen->GetR(), cover);
  p[3] = static_cast<uint8_t>(std::min<uint32_t>(255, p[3] + cover));
  const int32_t s = FPen->GetSmoothness();
  for (int64_t y = static_cast<int64_t>(Y) - s; y <= static_cast<int64_t>(Y) + s; ++y)
    for (int64_t x = static_cast<int64_t>(X) - s; x <= static_cast<int64_t>(X) + s; ++x) {
      const int64_t d = std::llabs(x - X) + std::llabs(y - Y);
      if (d == 0 || !IsInClip(static_cast<int32_t>(x), static_cast<int32_t>(y))) continue;
      const uint32_t w = (cover >> 1) / static_cast<uint32_t>(d);
      uint8_t* q = PixelAddr(static_cast<int32_t>(x), static_cast<int32_t>(y));
      q[0] = QzBlendByte(q[0], FPen->GetB(), w);
      q[1] = QzBlendByte(q[1], FPen->GetG(), w);
      q[2] = QzBlendByte(q[2], FPen->GetR(), w);
      q[3] = static_cast<uint8_t>(std::min<uint32_t>(255, q[3] + w));
    }
}

// The candidates of a wide pen are the square (X - h, Y - h) .. (X + h - 1, Y + h - 1) within the
// clip (both clip edges included), painted where their distance from (X, Y) is below h.
template <class TPaint>
void TQzCustomCanvas::ForWideSquare(int32_t X, int32_t Y, TPaint Paint) {
  const int64_t h = FHalfWidth;
  const int64_t top = std::max<int64_t>(Y - h, FClip.Top), bottom = std::min<int64_t>(Y + h - 1, FClip.Bottom);
  const int64_t left = std::max<int64_t>(X - h, FClip.Left), right = std::min<int64_t>(X + h - 1, FClip.Right);
  for (int64_t y = std::max<int64_t>(top, 0); y <= bottom; ++y)
    for (int64_t x = std::max<int64_t>(left, 0); x <= right; ++x)
      if (QzCanvasDistance(static_cast<int32_t>(x - X), static_cast<int32_t>(y - Y)) < h)
        Paint(PixelAddr(static_cast<int32_t>(x), static_cast<int32_t>(y)));
}

void TQzCustomCanvas::PlotWidePixel24(int32_t X, int32_t Y, uint8_t) {
  ForWideSquare(X, Y, [this](uint8_t* p) { BlendPen(p); });
}

void TQzCustomCanvas::PlotWidePixel32(int32_t X, int32_t Y, uint8_t) {
  const TQzCanvasPen& pen = *FPen;
  ForWideSquare(X, Y, [&](uint8_t* p) {
    p[0] = pen.Blend(p[0], pen.GetB());
    p[1] = pen.Blend(p[1], pen.GetG());
    p[2] = pen.Blend(p[2], pen.GetR());
    p[3] = 255;
  });
}

void TQzCustomCanvas::PlotWidePixel40(int32_t X, int32_t Y, uint8_t) {
  const uint32_t cover = 255u - FPen->GetAlpha();
  const uint8_t b = FPen->GetB(), g = FPen->GetG(), r = FPen->GetR();
  ForWideSquare(X, Y, [&](uint8_t* p) {
    p[0] = QzBlendByte(p[0], b, cover);
    p[1] = QzBlendByte(p[1], g, cover);
    p[2] = QzBlendByte(p[2], r, cover);
  });
}

void TQzCustomCanvas::BlendPen(uint8_t* P) {
  const uint8_t a = FPen->GetAlpha();
  P[0] = QzBlendByte(FPen->GetB(), P[0], a);
  P[1] = QzBlendByte(FPen->GetG(), P[1], a);
  P[2] = QzBlendByte(FPen->GetR(), P[2], a);
}

// --- lines ---------------------------------------------------------------------------------------

namespace {
// Keeps a picture's pixel memory in place while a line is drawn, and reports the change once.
class TTargetBracket {
public:
  TTargetBracket(TRasterImage* Raster, TQzBitmap* Bitmap) : FRaster(Raster), FBitmap(Bitmap) {
    if (FRaster) FRaster->BeginUpdate(false);
    if (FBitmap) FBitmap->BeginUpdate();
  }
  ~TTargetBracket() {
    if (FBitmap) FBitmap->EndUpdate();
    if (FRaster) FRaster->EndUpdate(false);
  }
  TTargetBracket(const TTargetBracket&) = delete;
  TTargetBracket& operator=(const TTargetBracket&) = delete;

private:
  TRasterImage* FRaster;
  TQzBitmap* FBitmap;
};
}  // namespace

void TQzCustomCanvas::DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  // On a 1-pixel-wide or -high target the clip leaves runs and one-pixel pens no pixel, while
  // wide pens, whose clip edges are inclusive, still reach its one column or row.
  if (!FTarget || !FPlot) return;
  TTargetBracket bracket(FRaster, FBitmap);
  const uint8_t a = FPen->GetAlpha();

  if (Y1 == Y2) {
    if (Y1 < 0 || Y1 < FClip.Top || Y1 >= FClip.Bottom) return;
    int32_t lo = std::min(X1, X2), hi = std::max(X1, X2);
    // A run that lies wholly beside the clip, or a clip without columns, paints nothing.
    if (hi < FClip.Left || lo >= FClip.Right || FClip.Right <= FClip.Left) return;
    lo = std::max(lo, FClip.Left);
    hi = std::min(hi, FClip.Right - 1);
    BlendPen(PixelAddr(lo, Y1));
    for (int32_t x = lo + 1; x < hi; ++x) BlendPen(PixelAddr(x, Y1));
    return;
  }
  if (X1 == X2) {
    if (X1 < 0 || X1 < FClip.Left || X1 >= FClip.Right) return;
    int32_t lo = std::min(Y1, Y2), hi = std::max(Y1, Y2);
    if (hi < FClip.Top || lo >= FClip.Bottom || FClip.Bottom <= FClip.Top) return;
    lo = std::max(lo, FClip.Top);
    hi = std::min(hi, FClip.Bottom - 1);
    BlendPen(PixelAddr(X1, lo));
    for (int32_t y = lo + 1; y < hi; ++y) BlendPen(PixelAddr(X1, y));
    return;
  }

  // Bresenham along the major axis, both ends included; 64-bit so that no distance overflows.
  int64_t x1 = X1, y1 = Y1, x2 = X2, y2 = Y2;
  const int64_t dx = std::llabs(x2 - x1), dy = std::llabs(y2 - y1);
  if (dy >= dx) {
    if (y1 > y2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    const int64_t step = x1 > x2 ? -1 : 1;
    int64_t err = 2 * dx - dy, x = x1, y = y1;
    (this->*FPlot)(static_cast<int32_t>(x), static_cast<int32_t>(y), a);
    while (y < y2) {
      if (err >= 0) {
        err -= 2 * dy;
        x += step;
      }
      ++y;
      err += 2 * dx;
      (this->*FPlot)(static_cast<int32_t>(x), static_cast<int32_t>(y), a);
    }
  } else {
    if (x1 > x2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    const int64_t step = y1 > y2 ? -1 : 1;
    int64_t err = 2 * dy - dx, x = x1, y = y1;
    (this->*FPlot)(static_cast<int32_t>(x), static_cast<int32_t>(y), a);
    while (x < x2) {
      if (err >= 0) {
        err -= 2 * dx;
        y += step;
      }
      ++x;
      err += 2 * dy;
      (this->*FPlot)(static_cast<int32_t>(x), static_cast<int32_t>(y), a);
    }
  }
}
