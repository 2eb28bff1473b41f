#include "ui/controls/QzDigiText.h"

#include <cmath>
#include <cstring>

#include "core/QzUtils.h"

namespace {
// Rounding to nearest with halves to even, as every metric is specified.
int32_t RoundEven(double V) { return static_cast<int32_t>(std::nearbyint(V)); }

enum TSegment { segTop, segUpperRight, segLowerRight, segBottom, segLowerLeft, segUpperLeft, segMiddle };

// The characters that light each segment, in drawing order; the test is case-sensitive.
constexpr const char* SegmentChars[7] = {
    "0235789BsecSEC", "01234789dB", "013456789dBsS", "023568dBsecSEC",
    "0268dBecEC",     "045689BsecSEC", "-2345689dBseSE",
};
constexpr const char* CellChars = " -0123456789dBsecSEC";
constexpr const char* DotChars = ".,";

bool Contains(const char* Set, char Ch) { return Ch != '\0' && std::strchr(Set, Ch) != nullptr; }
}  // namespace

TQzDigiText::TQzDigiText() { UpdateMetrics(); }

void TQzDigiText::SetSize(uint8_t Value) {
  if (Value == FSize) return;
  FSize = Value;
  UpdateMetrics();
}

void TQzDigiText::SetColor(TColor Value) { FColor = Value; }

void TQzDigiText::SetOptions(uint32_t Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  UpdateMetrics();
}

void TQzDigiText::UpdateMetrics() {
  FBold = (FOptions & DIGI_BOLD) != 0;
  FHeight = RoundEven(FSize * 1.15);
  FWidth = RoundEven(static_cast<float>(FHeight) / 1.75f);
  FGap = RoundEven(static_cast<float>(FHeight) / 2.5f);
  FHalfWidth = RoundEven(FWidth * 0.5);
  FInset = 0;
  if (FOptions & DIGI_GAPPED) FInset = FSize >= 8 ? static_cast<uint8_t>(RoundEven(FSize / 15.0)) : 1;
  FSlant = (FOptions & DIGI_SLANTED) ? RoundEven(FWidth / 3.0) : 0;
  const int32_t s = FSlant, w = FWidth, h = FHeight;
  FP[0] = {s, 0};
  FP[1] = {w + s, 0};
  FP[2] = {s / 2 + w, h / 2};
  FP[3] = {w, h};
  FP[4] = {0, h};
  FP[5] = {s / 2, h / 2};
}

int32_t TQzDigiText::GetCharAdvance(char Ch) const {
  if (Contains(DotChars, Ch)) return FGap;
  if (Contains(CellChars, Ch)) return FWidth + FGap;
  return 0;
}

int32_t TQzDigiText::GetTextWidth(const std::string& Text) const {
  int32_t x = 0, right = 0;
  for (char ch : Text) {
    if (Contains(DotChars, ch)) right = x + FInset + 3;
    else if (Contains(CellChars, ch)) right = x + FWidth + FSlant + 1;
    x += GetCharAdvance(ch);
  }
  return right;
}

void TQzDigiText::Draw(TCanvas* Canvas, const std::string& Text, const TRect& Rect) const {
  if (!Canvas) return;
  TPen* pen = Canvas->GetPen();
  pen->SetWidth(1);
  pen->SetStyle(psSolid);
  pen->SetMode(pmCopy);
  TColor background = Canvas->GetPixel(Rect.Left, Rect.Top);
  if (background == CLR_INVALID) background = clBlack;
  const TColor edge = BlendColor(FColor, background, 125);
  int32_t x = Rect.Left + (RectWidth(Rect) - GetTextWidth(Text)) / 2;
  const int32_t y = Rect.Top + (RectHeight(Rect) - FHeight) / 2;
  const int32_t t = FInset;
  const TPoint* P = FP;
  auto line = [&](TPoint A, TPoint B) { Canvas->Line(x + A.X, y + A.Y, x + B.X, y + B.Y); };
  for (char ch : Text) {
    if (x >= Rect.Right) break;
    for (int seg = 0; seg < 7; ++seg) {
      if (!Contains(SegmentChars[seg], ch)) continue;
      TPoint a, b;
      switch (seg) {
        case segTop: a = {P[0].X + t, P[0].Y}; b = {P[1].X - t, P[1].Y}; break;
        case segUpperRight: a = {P[1].X, P[1].Y + t}; b = {P[2].X, P[2].Y - t}; break;
        case segLowerRight: a = {P[2].X, P[2].Y + t}; b = {P[3].X, P[3].Y - t}; break;
        case segBottom: a = {P[4].X + t, P[4].Y}; b = {P[3].X - t, P[3].Y}; break;
        case segLowerLeft: a = {P[5].X, P[5].Y + t}; b = {P[4].X, P[4].Y - t}; break;
        case segUpperLeft: a = {P[0].X, P[0].Y + t}; b = {P[5].X, P[5].Y - t}; break;
        default: a = {P[5].X + t, P[5].Y}; b = {P[2].X - t, P[2].Y}; break;
      }
      pen->SetColor(FColor);
      line(a, b);
      if (!FBold) continue;
      pen->SetColor(edge);
      if (seg == segTop || seg == segBottom || seg == segMiddle) {
        line({a.X + 1, a.Y - 1}, {b.X - 1, b.Y - 1});
        line({a.X + 1, a.Y + 1}, {b.X - 1, b.Y + 1});
      } else {
        // Shortened along the segment, which runs top to bottom.
        line({a.X - 1, a.Y + 1}, {b.X - 1, b.Y - 1});
        line({a.X + 1, a.Y + 1}, {b.X + 1, b.Y - 1});
      }
    }
    if (Contains(DotChars, ch)) {
      pen->SetColor(edge);
      Canvas->GetBrush()->SetColor(FColor);
      Canvas->Rectangle(x + t, y + FHeight - t, x + t + 3, y + FHeight - t + 3);
    }
    x += GetCharAdvance(ch);
  }
}
