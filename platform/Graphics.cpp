// The drawing objects (pens, brushes), TGraphic and the pixel buffers of raster pictures. Fonts,
// the canvas and the picture registry have units of their own (GraphicsFonts, GraphicsCanvas,
// GraphicsPicture), as have the BMP, PNG and JPEG readers.
#include "platform/Graphics.h"

#include <algorithm>
#include <cstring>

#include "core/Resources.h"

// --- pens and brushes --------------------------------------------------------------------

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FMode = p->FMode;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TPen::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TPen::SetWidth(int32_t Value) {
  if (Value < 0) Value = 0;
  if (FWidth == Value) return;
  FWidth = Value;
  Changed();
}

void TPen::SetStyle(TPenStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TPen::SetMode(TPenMode Value) {
  if (FMode == Value) return;
  FMode = Value;
  Changed();
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    FColor = b->FColor;
    FStyle = b->FStyle;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor Value) {
  if (FColor == Value && FStyle == bsSolid) return;
  FColor = Value;
  FStyle = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

// --- TGraphic --------------------------------------------------------------------------------

void TGraphic::Assign(TPersistent* Source) {
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    g->AssignTo(this);
    return;
  }
  TPersistent::Assign(Source);
}

void TGraphic::AssignTo(TPersistent* Dest) {
  if (auto* r = dynamic_cast<TRasterImage*>(Dest)) {
    r->SetSize(GetWidth(), GetHeight());
    if (!GetEmpty()) r->GetCanvas()->Draw(0, 0, this);
    return;
  }
  // The base's conversion error. Handing the work back to Dest's Assign would only come back
  // here: Assign asks its source's AssignTo.
  TPersistent::AssignTo(Dest);
}

void TGraphic::SetSize(int32_t AWidth, int32_t AHeight) {
  SetWidth(AWidth);
  SetHeight(AHeight);
}

void TGraphic::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  Changed(this);
}

void TGraphic::Clear() { SetSize(0, 0); }

void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream s(FileName, fmOpenRead | fmShareDenyNone);
  LoadFromStream(&s);
}

void TGraphic::SaveToFile(const std::string& FileName) {
  TFileStream s(FileName, fmCreate);
  SaveToStream(&s);
}

void TGraphic::SetModified(bool Value) {
  if (Value)
    Changed(this);
  else
    FModified = false;
}

void TGraphic::Changed(TObject*) {
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                        const TRect& R, const std::string& Msg) {
  if (OnProgress) OnProgress(Sender, Stage, PercentDone, RedrawNow, R, Msg);
}

// --- TRasterImage ----------------------------------------------------------------------------

uint8_t* TRawImage::GetLineStart(int32_t Line) const {
  if (!Data || Line < 0 || Line >= Description.Height) return nullptr;
  const int32_t row = Description.LineOrder == riloTopToBottom ? Line : Description.Height - 1 - Line;
  return Data + static_cast<size_t>(row) * Description.BytesPerLine;
}

namespace {
int BitsOf(TPixelFormat F) {
  switch (F) {
    case pf16bit: return 16;
    case pf32bit: return 32;
    default: return 24;
  }
}
TPixelFormat HeldFormat(TPixelFormat F) {
  switch (F) {
    case pf16bit: return pf16bit;
    case pf32bit:
    case pfDevice:
    case pfCustom: return pf32bit;
    default: return pf24bit;
  }
}
}  // namespace

TRasterImage::TRasterImage() = default;

TRasterImage::~TRasterImage() {
  if (FCanvas) FCanvas->SetHandle(nullptr);
  if (FDC) DeleteDC(FDC);
  FreeBitmap();
}

void TRasterImage::FreeBitmap() {
  if (FBitmap) DeleteObject(FBitmap);  // freed when the context lets go of it
  FBitmap = nullptr;
}

void TRasterImage::AllocateForReading(int32_t AWidth, int32_t AHeight, TPixelFormat Format,
                                      bool HasAlpha) {
  Allocate(0, 0, pf24bit);
  SetHasAlphaQuiet(HasAlpha);
  Allocate(AWidth, AHeight, Format);
}

std::vector<uint8_t> TRasterImage::PackedPixels(bool WithAlpha) const {
  const HBITMAP b = GetBitmapHandle();
  if (!b) return {};
  const size_t w = static_cast<size_t>(b->Width), bpp = WithAlpha ? 4 : 3;
  std::vector<uint8_t> rows(w * static_cast<size_t>(b->Height) * bpp);
  // GetColor converts 16-bit and 32-bit pixels on the way.
  for (int32_t y = 0; y < b->Height; ++y) {
    uint8_t* d = rows.data() + static_cast<size_t>(y) * w * bpp;
    for (int32_t x = 0; x < b->Width; ++x, d += bpp) {
      const TColor c = b->GetColor(x, y);
      d[0] = GetBValue(c), d[1] = GetGValue(c), d[2] = GetRValue(c);
      if (WithAlpha) d[3] = b->Row(y)[x * 4 + 3];
    }
  }
  return rows;
}

void TRasterImage::Allocate(int32_t AWidth, int32_t AHeight, TPixelFormat Format) {
  if (AWidth < 0 || AHeight < 0 || AWidth > 32767 || AHeight > 32767)
    throw EInvalidGraphicOperation("Invalid picture size");
  Format = HeldFormat(Format);
  HBITMAP nb = nullptr;
  if (AWidth > 0 && AHeight > 0) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = AWidth;
    bi.bmiHeader.biHeight = -AHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<WORD>(BitsOf(Format));
    void* bits = nullptr;
    nb = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!nb) throw EInvalidGraphicOperation("Out of memory for a picture of this size");
  }
  if (FDC) {
    if (nb)
      SelectObject(FDC, nb);
    else
      SelectObject(FDC, FDC->Placeholder);
  }
  FreeBitmap();
  FBitmap = nb;
  FWidth = nb ? AWidth : 0;
  FHeight = nb ? AHeight : 0;
  FPixelFormat = Format;

  TRawImageDescription& d = FRawImage.Description;
  d = TRawImageDescription{};
  d.Width = FWidth;
  d.Height = FHeight;
  d.BitsPerPixel = static_cast<uint8_t>(BitsOf(Format));
  d.LineOrder = riloTopToBottom;
  d.BytesPerLine = nb ? static_cast<uint32_t>(nb->Stride) : 0;
  if (Format == pf16bit) {
    d.Depth = 16;
    d.RedPrec = 5, d.RedShift = 11, d.GreenPrec = 6, d.GreenShift = 5, d.BluePrec = 5, d.BlueShift = 0;
  } else {
    d.Depth = Format == pf32bit && FHasAlpha ? 32 : 24;
    d.RedPrec = d.GreenPrec = d.BluePrec = 8;
    d.RedShift = 16, d.GreenShift = 8, d.BlueShift = 0;
    if (Format == pf32bit && FHasAlpha) d.AlphaPrec = 8, d.AlphaShift = 24;
  }
  FRawImage.Data = nb ? nb->Bits : nullptr;
  FRawImage.DataSize = nb ? static_cast<size_t>(nb->Stride) * static_cast<size_t>(nb->Height) : 0;
}

void TRasterImage::SetHasAlpha(bool Value) {
  if (FHasAlpha == Value) return;
  FHasAlpha = Value;
  TRawImageDescription& d = FRawImage.Description;
  if (FPixelFormat == pf32bit) {
    d.Depth = Value ? 32 : 24;
    d.AlphaPrec = Value ? 8 : 0;
    d.AlphaShift = Value ? 24 : 0;
  }
  Changed(this);
}

void TRasterImage::SetSize(int32_t AWidth, int32_t AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  if (AWidth == FWidth && AHeight == FHeight) return;
  if (static_cast<uint64_t>(AWidth) * static_cast<uint64_t>(AHeight) * 4 > (uint64_t{1} << 29))
    throw EInvalidGraphicOperation("Invalid picture size");
  // The pixels that both sizes share are kept, as the toolkit does when a bitmap is resized.
  HBITMAP old = FBitmap;
  const int32_t ow = FWidth, oh = FHeight;
  std::vector<uint8_t> keep;
  int keepStride = 0;
  if (old) {
    keepStride = old->Stride;
    keep.assign(old->Bits, old->Bits + static_cast<size_t>(old->Stride) * static_cast<size_t>(old->Height));
  }
  Allocate(AWidth, AHeight, FPixelFormat);
  if (FBitmap && !keep.empty()) {
    const int32_t w = std::min(ow, FWidth), h = std::min(oh, FHeight);
    const size_t bytes = static_cast<size_t>(w) * static_cast<size_t>(FBitmap->BytesPerPixel());
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(FBitmap->Row(y), keep.data() + static_cast<size_t>(y) * static_cast<size_t>(keepStride), bytes);
  }
  Changed(this);
}

void TRasterImage::Clear() {
  if (!FBitmap && FWidth == 0 && FHeight == 0) return;
  Allocate(0, 0, FPixelFormat);
  Changed(this);
}

TCanvas* TRasterImage::GetCanvas() {
  if (!FCanvas) {
    FCanvas = std::make_unique<TCanvas>();
    FDC = CreateCompatibleDC(nullptr);
    if (FBitmap) SelectObject(FDC, FBitmap);
    FCanvas->SetHandle(FDC);
    FCanvas->OnChange = [this](TObject* S) { CanvasChanged(S); };
  }
  return FCanvas.get();
}

void TRasterImage::CanvasChanged(TObject*) {
  if (FUpdateCount == 0) Changed(this);
}

void TRasterImage::SetPixelFormat(TPixelFormat Value) {
  const TPixelFormat held = HeldFormat(Value);
  if (held == FPixelFormat) return;
  if (!FBitmap) {
    Allocate(0, 0, held);
    Changed(this);
    return;
  }
  // Convert through colours, keeping the picture (and alpha between 32-bit pictures).
  const int32_t w = FWidth, h = FHeight;
  std::vector<TColor> colors(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      colors[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
          FBitmap->GetColor(x, y);
  Allocate(w, h, held);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      FBitmap->SetColor(x, y, colors[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)]);
  if (held != pf32bit && FHasAlpha) FHasAlpha = false;
  Changed(this);
}

TColor TRasterImage::GetTransparentColor() const {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (!FBitmap) return clDefault;
  return FBitmap->GetColor(0, FHeight - 1);
}

void TRasterImage::SetTransparentColor(TColor Value) {
  if (Value == FTransparentColor) return;
  FTransparentColor = Value;
  FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
  Changed(this);
}

void TRasterImage::SetTransparentMode(TTransparentMode Value) {
  if (Value == FTransparentMode) return;
  FTransparentMode = Value;
  if (Value == tmAuto) FTransparentColor = clDefault;
  Changed(this);
}

void TRasterImage::BeginUpdate(bool) { ++FUpdateCount; }

void TRasterImage::EndUpdate(bool) {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount == 0) Changed(this);
}

void TRasterImage::Changed(TObject* Sender) {
  if (FUpdateCount > 0) {
    FModified = true;
    return;
  }
  TGraphic::Changed(Sender);
}

void TRasterImage::CopyPixelsFrom(const TRasterImage* Source) {
  FHasAlpha = Source->FHasAlpha;
  Allocate(Source->FWidth, Source->FHeight, Source->FPixelFormat);
  if (FBitmap && Source->FBitmap) {
    const size_t bytes = static_cast<size_t>(FBitmap->Stride);
    for (int32_t y = 0; y < FHeight; ++y) std::memcpy(FBitmap->Row(y), Source->FBitmap->Row(y), bytes);
  }
  FTransparent = Source->FTransparent;
  FTransparentColor = Source->FTransparentColor;
  FTransparentMode = Source->FTransparentMode;
}

void TRasterImage::Assign(TPersistent* Source) {
  if (Source == this) return;
  if (auto* r = dynamic_cast<TRasterImage*>(Source)) {
    CopyPixelsFrom(r);
    Changed(this);
    return;
  }
  TGraphic::Assign(Source);
}

void TRasterImage::AssignTo(TPersistent* Dest) {
  if (auto* r = dynamic_cast<TRasterImage*>(Dest)) {
    r->Assign(this);
    return;
  }
  TGraphic::AssignTo(Dest);
}

void TRasterImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (!ACanvas || !FBitmap || !ACanvas->GetHandle()) return;
  TQzStretchOptions o;
  o.Rop = ACanvas->GetCopyMode();
  o.Mode = ACanvas->GetHandle()->StretchMode;
  if (GetTransparent()) o.TransparentColor = QzResolveColor(GetTransparentColor());
  o.SourceAlpha = FHasAlpha && FPixelFormat == pf32bit;
  ACanvas->Changing();
  QzStretchBits(ACanvas->GetHandle(), Rect, FBitmap, TRect{0, 0, FWidth, FHeight}, o);
  ACanvas->Changed();
}

// --- TBitmap ---------------------------------------------------------------------------------

void TBitmap::LoadFromResourceName(HINSTANCE, const std::string& ResName) {
  const TQzResource* res = QzFindResource(ResName);
  if (!res) throw EResNotFound("Resource " + ResName + " not found");
  TMemoryStream s;
  s.WriteBuffer(res->Data, static_cast<int32_t>(res->Size));
  s.SetPosition(0);
  if (IsStreamFormatSupported(&s)) {
    LoadFromStream(&s);
    return;
  }
  TPicture p;
  p.LoadFromStream(&s);
  Assign(p.GetGraphic());
}
