#include "ui/framework/QzDrawUtils.h"

#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/Clipbrd.h"
#include "core/SysUtils.h"

void SetCanvasPen(TCanvas* Canvas, uint8_t Width, TColor Color, TPenStyle Style) {
  TPen* pen = Canvas->GetPen();
  pen->SetStyle(Style);
  pen->SetMode(pmCopy);
  pen->SetColor(Color);
  pen->SetWidth(Width == 0 ? 1 : Width);
}

void DrawFrameRect(TCanvas* Canvas, const TRect& R, TColor Color) {
  SetCanvasPen(Canvas, 1, Color, psSolid);
  Canvas->MoveTo(R.Left, R.Bottom - 1);
  Canvas->LineTo(R.Left, R.Top);
  Canvas->LineTo(R.Right - 1, R.Top);
  Canvas->LineTo(R.Right - 1, R.Bottom - 1);
  Canvas->LineTo(R.Left, R.Bottom - 1);
}

void Draw3DFrame(TCanvas* Canvas, const TRect& R, TColor TopLeft, TColor BottomRight) {
  SetCanvasPen(Canvas, 1, TopLeft, psSolid);
  Canvas->MoveTo(R.Left, R.Bottom - 1);
  Canvas->LineTo(R.Left, R.Top);
  Canvas->LineTo(R.Right - 1, R.Top);
  Canvas->GetPen()->SetColor(BottomRight);
  Canvas->LineTo(R.Right - 1, R.Bottom - 1);
  Canvas->LineTo(R.Left, R.Bottom - 1);
}

void DrawGradientRect(TCanvas* Canvas, const TRect& R, TColor ColorFrom, TColor ColorTo,
                      bool Vertical) {
  if (std::llabs(static_cast<int64_t>(R.Right) - R.Left) < 1 ||
      std::llabs(static_cast<int64_t>(R.Bottom) - R.Top) < 1)
    return;
  if (ColorFrom == ColorTo) {
    Canvas->GetBrush()->SetColor(ColorFrom);
    Canvas->FillRect(R);
    return;
  }
  TRect n = R;
  if (n.Bottom < n.Top) std::swap(n.Top, n.Bottom);
  if (n.Right < n.Left) std::swap(n.Left, n.Right);
  const TColor from = ColorToRGB(ColorFrom), to = ColorToRGB(ColorTo);
  const int r0 = GetRValue(from), g0 = GetGValue(from), b0 = GetBValue(from);
  const int dr = GetRValue(to) - r0, dg = GetGValue(to) - g0, db = GetBValue(to) - b0;
  TPen* pen = Canvas->GetPen();
  pen->SetMode(pmCopy);
  pen->SetStyle(psSolid);
  pen->SetWidth(1);
  if (Vertical) {
    const double span = static_cast<double>(n.Bottom) - n.Top;
    for (int64_t y = n.Top; y < n.Bottom; ++y) {
      const double t = static_cast<double>(y - n.Top) / span;
      pen->SetColor(RGB(static_cast<uint8_t>(Round(dr * t + r0)),
                        static_cast<uint8_t>(Round(dg * t + g0)),
                        static_cast<uint8_t>(Round(db * t + b0))));
      Canvas->MoveTo(n.Left, static_cast<int32_t>(y));
      Canvas->LineTo(n.Right, static_cast<int32_t>(y));
    }
  } else {
    const double span = static_cast<double>(n.Right) - n.Left;
    for (int64_t x = n.Left; x < n.Right; ++x) {
      const double t = static_cast<double>(x - n.Left) / span;
      pen->SetColor(RGB(static_cast<uint8_t>(Trunc(dr * t + r0)),
                        static_cast<uint8_t>(Trunc(dg * t + g0)),
                        static_cast<uint8_t>(Trunc(db * t + b0))));
      Canvas->MoveTo(static_cast<int32_t>(x), n.Top);
      Canvas->LineTo(static_cast<int32_t>(x), n.Bottom);
    }
  }
}

namespace {
// Drops the last UTF-8 character, continuation bytes and all, so that shortening never leaves
// half a character behind.
void DropLastCharacter(std::string& S) {
  while (!S.empty() && (static_cast<uint8_t>(S.back()) & 0xC0) == 0x80) S.pop_back();
  if (!S.empty()) S.pop_back();
}

int32_t AlignOffset(uint8_t Align, int32_t Room, int32_t Size) {
  switch (Align) {
    case 1: return (Room - Size) / 2;
    case 2: return Room - Size;
    default: return 0;
  }
}
}  // namespace

std::string ShortenText(TCanvas* Canvas, std::string Text, int32_t MaxWidth) {
  while (Canvas->TextWidth(Text + "..") > MaxWidth && !Text.empty()) DropLastCharacter(Text);
  return Text + "..";
}

void DrawAlignedText(TCanvas* Canvas, std::string Text, const TRect& R, uint8_t HAlign,
                     uint8_t VAlign, bool Shorten) {
  const int32_t w = R.Right - R.Left, h = R.Bottom - R.Top;
  int32_t tw = Canvas->TextWidth(Text);
  if (w < tw && Shorten) {
    Text = ShortenText(Canvas, std::move(Text), w);
    tw = Canvas->TextWidth(Text);
  }
  if (Text.empty()) return;
  const int32_t dx = AlignOffset(HAlign, w, tw);
  const int32_t dy = AlignOffset(VAlign, h, Canvas->TextHeight(Text));
  Canvas->GetBrush()->SetStyle(bsClear);
  Canvas->TextOut(R.Left + dx, R.Top + dy, Text);
}

void CopyRectToClipboard(TCanvas* Canvas, const TRect& R) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(R.Right - R.Left, R.Bottom - R.Top);
  bitmap->GetCanvas()->CopyRect(Rect(0, 0, bitmap->GetWidth(), bitmap->GetHeight()), Canvas, R);
  Clipboard()->Assign(bitmap.get());
}
