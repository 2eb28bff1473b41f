#include "platform/ImgList.h"

#include <algorithm>

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() = default;

void TCustomImageList::Assign(TPersistent* Source) {
  if (auto* l = dynamic_cast<TCustomImageList*>(Source)) {
    FWidth = l->FWidth;
    FHeight = l->FHeight;
    FDrawingStyle = l->FDrawingStyle;
    FImageType = l->FImageType;
    FBkColor = l->FBkColor;
    FBlendColor = l->FBlendColor;
    FMasked = l->FMasked;
    FImages = l->FImages;
    Change();
    return;
  }
  TComponent::Assign(Source);
}

void TCustomImageList::Change() {
  if (OnChange) OnChange(this);
}

void TCustomImageList::SetWidth(int32_t Value) { SetSize(Value, FHeight); }
void TCustomImageList::SetHeight(int32_t Value) { SetSize(FWidth, Value); }

void TCustomImageList::SetSize(int32_t AWidth, int32_t AHeight) {
  AWidth = std::clamp(AWidth, 1, 32767);
  AHeight = std::clamp(AHeight, 1, 32767);
  if (AWidth == FWidth && AHeight == FHeight) return;
  FWidth = AWidth;
  FHeight = AHeight;
  FImages.clear();
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle Value) {
  if (Value == FDrawingStyle) return;
  FDrawingStyle = Value;
  Change();
}

void TCustomImageList::SetBkColor(TColor Value) {
  if (Value == FBkColor) return;
  FBkColor = Value;
  Change();
}

void TCustomImageList::SetBlendColor(TColor Value) {
  if (Value == FBlendColor) return;
  FBlendColor = Value;
  Change();
}

int32_t TCustomImageList::AddCell(const TRasterImage* Image, const TRasterImage* Mask, int32_t X,
                                  int32_t Y, int32_t W, int32_t H, bool Keyed, TColor Key) {
  HBITMAP src = Image->GetBitmapHandle();
  HBITMAP mask = Mask ? Mask->GetBitmapHandle() : nullptr;
  const bool alpha = Image->GetHasAlpha() && Image->GetPixelFormat() == pf32bit;
  TImage img(static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight) * 4, 0);
  for (int32_t y = 0; y < std::min(H, FHeight); ++y)
    for (int32_t x = 0; x < std::min(W, FWidth); ++x) {
      const int32_t sx = X + x, sy = Y + y;
      if (sx >= src->Width || sy >= src->Height) continue;
      const TColor c = src->GetColor(sx, sy);
      uint8_t a = alpha ? src->Row(sy)[sx * 4 + 3] : 255;
      if (Keyed && c == Key) a = 0;
      if (mask && sx < mask->Width && sy < mask->Height && mask->GetColor(sx, sy) != 0) a = 0;
      uint8_t* d = img.data() + (static_cast<size_t>(y) * static_cast<size_t>(FWidth) + static_cast<size_t>(x)) * 4;
      d[0] = GetBValue(c), d[1] = GetGValue(c), d[2] = GetRValue(c), d[3] = a;
    }
  FImages.push_back(std::move(img));
  return GetCount() - 1;
}

int32_t TCustomImageList::Add(TRasterImage* Image, TRasterImage* Mask) {
  if (!Image || Image->GetEmpty()) return -1;
  const int32_t pieces = std::max(1, Image->GetWidth() / FWidth);
  int32_t first = -1;
  for (int32_t i = 0; i < pieces; ++i) {
    const int32_t n = AddCell(Image, Mask, i * FWidth, 0, FWidth, FHeight, false, 0);
    if (first < 0) first = n;
  }
  Change();
  return first;
}

int32_t TCustomImageList::AddMasked(TRasterImage* Image, TColor MaskColor) {
  if (!Image || Image->GetEmpty()) return -1;
  HBITMAP src = Image->GetBitmapHandle();
  const TColor key = MaskColor == clDefault ? src->GetColor(0, src->Height - 1) : QzResolveColor(MaskColor);
  const int32_t pieces = std::max(1, Image->GetWidth() / FWidth);
  int32_t first = -1;
  for (int32_t i = 0; i < pieces; ++i) {
    const int32_t n = AddCell(Image, nullptr, i * FWidth, 0, FWidth, FHeight, true, key);
    if (first < 0) first = n;
  }
  Change();
  return first;
}

int32_t TCustomImageList::AddSliced(TRasterImage* Image, int32_t HorizontalCount,
                                    int32_t VerticalCount) {
  if (!Image || Image->GetEmpty() || HorizontalCount < 1 || VerticalCount < 1) return -1;
  const int32_t cw = Image->GetWidth() / HorizontalCount, ch = Image->GetHeight() / VerticalCount;
  if (cw < 1 || ch < 1) return -1;
  // Cells of another size than the list's are scaled to it.
  int32_t first = -1;
  for (int32_t r = 0; r < VerticalCount; ++r)
    for (int32_t c = 0; c < HorizontalCount; ++c) {
      TBitmap cell;
      cell.SetPixelFormat(pf32bit);
      cell.SetHasAlpha(Image->GetHasAlpha());
      cell.SetSize(FWidth, FHeight);
      TQzStretchOptions o;
      o.Mode = HALFTONE;
      // Copy, alpha included, by drawing onto cleared (transparent) pixels.
      QzStretchBits(cell.GetCanvas()->GetHandle(), TRect{0, 0, FWidth, FHeight}, Image->GetBitmapHandle(),
                    TRect{c * cw, r * ch, (c + 1) * cw, (r + 1) * ch}, o);
      if (Image->GetHasAlpha() && Image->GetPixelFormat() == pf32bit) {
        // Alpha itself: nearest source pixel, since the stretch above writes opaque pixels.
        HBITMAP s = Image->GetBitmapHandle(), d = cell.GetBitmapHandle();
        for (int32_t y = 0; y < FHeight; ++y)
          for (int32_t x = 0; x < FWidth; ++x)
            d->Row(y)[x * 4 + 3] = s->Row(r * ch + (2 * y + 1) * ch / (2 * FHeight))[(c * cw + (2 * x + 1) * cw / (2 * FWidth)) * 4 + 3];
      }
      const int32_t n = AddCell(&cell, nullptr, 0, 0, FWidth, FHeight, false, 0);
      if (first < 0) first = n;
    }
  Change();
  return first;
}

void TCustomImageList::Delete(int32_t Index) {
  if (Index < 0 || Index >= GetCount()) return;
  FImages.erase(FImages.begin() + Index);
  Change();
}

void TCustomImageList::Clear() {
  if (FImages.empty()) return;
  FImages.clear();
  Change();
}

bool TCustomImageList::GetBitmap(int32_t Index, TBitmap* Image) const {
  if (!Image || Index < 0 || Index >= GetCount()) return false;
  Image->SetPixelFormat(pf32bit);
  Image->SetHasAlpha(true);
  Image->SetSize(FWidth, FHeight);
  HBITMAP d = Image->GetBitmapHandle();
  const TImage& img = FImages[static_cast<size_t>(Index)];
  for (int32_t y = 0; y < FHeight; ++y)
    std::copy_n(img.data() + static_cast<size_t>(y) * static_cast<size_t>(FWidth) * 4,
                static_cast<size_t>(FWidth) * 4, d->Row(y));
  Image->Changed(Image);
  return true;
}

void TCustomImageList::Render(TCanvas* Canvas, const TRect& Dest, int32_t Index, TDrawingStyle Style,
                              bool Enabled) {
  if (!Canvas || !Canvas->GetHandle() || Index < 0 || Index >= GetCount()) return;
  TImage img = FImages[static_cast<size_t>(Index)];
  const TColor blend = QzResolveColor(FBlendColor == clNone || FBlendColor == clDefault ? clHighlight : FBlendColor);
  const unsigned share = Style == dsSelected ? 128 : Style == dsFocus ? 64 : 0;
  for (size_t i = 0; i < img.size(); i += 4) {
    uint8_t* p = img.data() + i;
    if (!Enabled) {
      // Light grey: the luminance pulled halfway to white.
      const unsigned l = (p[2] * 77u + p[1] * 150u + p[0] * 29u) >> 8;
      p[0] = p[1] = p[2] = static_cast<uint8_t>(128 + l / 2);
    } else if (share) {
      p[0] = static_cast<uint8_t>((p[0] * (256 - share) + GetBValue(blend) * share) >> 8);
      p[1] = static_cast<uint8_t>((p[1] * (256 - share) + GetGValue(blend) * share) >> 8);
      p[2] = static_cast<uint8_t>((p[2] * (256 - share) + GetRValue(blend) * share) >> 8);
    }
  }
  Canvas->Changing();
  if (Style == dsNormal && FBkColor != clNone) {
    TBrush keep;
    keep.Assign(Canvas->GetBrush());
    Canvas->GetBrush()->SetColor(FBkColor);
    Canvas->FillRect(Dest);
    Canvas->GetBrush()->Assign(&keep);
  }
  HBITMAP src = QzCreateBitmapOver(img.data(), FWidth, FHeight, FWidth * 4, 32, false);
  TQzStretchOptions o;
  o.SourceAlpha = true;
  o.Mode = Canvas->GetHandle()->StretchMode;
  QzStretchBits(Canvas->GetHandle(), Dest, src, TRect{0, 0, FWidth, FHeight}, o);
  DeleteObject(src);
  Canvas->Changed();
}

void TCustomImageList::Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled) {
  Draw(Canvas, X, Y, Index, FDrawingStyle, FImageType, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index,
                            TDrawingStyle ADrawingStyle, TImageType, bool Enabled) {
  Render(Canvas, TRect{X, Y, X + FWidth, Y + FHeight}, Index, ADrawingStyle, Enabled);
}

void TCustomImageList::StretchDraw(TCanvas* Canvas, int32_t Index, const TRect& Rect, bool Enabled) {
  Render(Canvas, Rect, Index, FDrawingStyle, Enabled);
}
