#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>
#include <set>
#include <utility>

#include "platform/Graphics.h"
#include "platform/Windows.h"
#include "tests/common/TestPixels.h"

namespace {

bool PointInCell(int X, int Y, const TRect& R) { return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom; }

TEST(Canvas, LinesLeaveOutTheirEndPoint) {
  struct Case { int X1, Y1, X2, Y2; std::set<std::pair<int, int>> Pixels; };
  const Case cases[] = {
      {2, 5, 7, 5, {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}}},
      {7, 5, 2, 5, {{7, 5}, {6, 5}, {5, 5}, {4, 5}, {3, 5}}},
      {3, 1, 3, 4, {{3, 1}, {3, 2}, {3, 3}}},
      {0, 0, 4, 4, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
      {4, 4, 0, 0, {{4, 4}, {3, 3}, {2, 2}, {1, 1}}},
      // Half-way between two rows or columns the line stays, then steps.
      {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {0, 0, 2, 4, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
      {3, 3, 3, 3, {}},
      // A shallow line steps once per column, rounding half-way rows down.
      {0, 0, 10, 3, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 2}, {7, 2}, {8, 2}, {9, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.X1 << "," << c.Y1 << " -> " << c.X2 << "," << c.Y2);
    auto b = FilledBitmap(12, 10);
    b->GetCanvas()->Line(c.X1, c.Y1, c.X2, c.Y2);
    EXPECT_EQ(PaintedPixels(b.get()), c.Pixels);
    EXPECT_EQ(b->GetCanvas()->GetPenPos(), Point(c.X2, c.Y2));
  }
}

// A rectangle's edges take the pen, its inside the brush; FillRect leaves out its right column and
// bottom row, and with a clear brush fills nothing.
TEST(Canvas, RectangleAndFillRect) {
  auto b = FilledBitmap(12, 10);
  TCanvas* c = b->GetCanvas();
  c->GetBrush()->SetColor(clRed);
  c->Rectangle(2, 2, 8, 6);
  c->GetBrush()->SetColor(clBlue);
  c->FillRect(Rect(9, 2, 11, 5));
  c->GetBrush()->SetStyle(bsClear);
  c->FillRect(Rect(0, 7, 12, 10));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 12; ++x) {
      const bool inside = x >= 2 && x < 8 && y >= 2 && y < 6, filled = x >= 9 && x < 11 && y >= 2 && y < 5;
      const bool edge = inside && (x == 2 || x == 7 || y == 2 || y == 5);
      const TColor want = filled ? clBlue : !inside ? clWhite : edge ? clBlack : clRed;
      EXPECT_EQ(c->GetPixel(x, y), want) << x << "," << y;
    }
}

// An ellipse paints exactly the pixels whose centres it holds, its outline in the pen's colour;
// without a pen its box is a pixel smaller at the right and the bottom.
TEST(Canvas, EllipsesHoldThePixelsWhoseCentresLieInside) {
  struct Case { TRect Box; int Pen; };  // pen width, 0: no pen
  const Case cases[] = {{Rect(4, 5, 5, 7), 1},   {Rect(4, 5, 6, 8), 1},  {Rect(4, 5, 11, 13), 1},
                        {Rect(2, 3, 22, 20), 3}, {Rect(3, 3, 5, 5), 0},  {Rect(4, 5, 11, 13), 0},
                        {Rect(1, 2, 21, 12), 0}, {Rect(0, 0, 24, 23), 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Box.Left << "," << c.Box.Top << " " << c.Box.Right << ","
                                    << c.Box.Bottom);
    auto b = FilledBitmap(24, 24);
    TCanvas* canvas = b->GetCanvas();
    canvas->GetBrush()->SetColor(clRed);
    canvas->GetPen()->SetWidth(c.Pen);
    if (c.Pen == 0) canvas->GetPen()->SetStyle(psClear);
    canvas->Ellipse(c.Box.Left, c.Box.Top, c.Box.Right, c.Box.Bottom);
    const TRect e = c.Pen ? c.Box : Rect(c.Box.Left, c.Box.Top, c.Box.Right - 1, c.Box.Bottom - 1);
    const double rx = (e.Right - e.Left) / 2.0, ry = (e.Bottom - e.Top) / 2.0;
    std::set<std::pair<int, int>> inside;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        const double dx = (x + 0.5 - e.Left - rx) / rx, dy = (y + 0.5 - e.Top - ry) / ry;
        if (dx * dx + dy * dy <= 1 + 1e-9) inside.insert({x, y});
      }
    EXPECT_EQ(PaintedPixels(b.get()), inside);
    const int mx = (e.Left + e.Right) / 2, my = (e.Top + e.Bottom) / 2;
    EXPECT_EQ(canvas->GetPixel(mx, my), c.Pen && e.Bottom - e.Top <= 2 * c.Pen + 1 ? clBlack : clRed);
    EXPECT_EQ(canvas->GetPixel(mx, e.Top), c.Pen ? clBlack : clRed);
  }
}

TEST(Canvas, RoundRectStaysInsideItsBounds) {
  for (int w : {1, 2, 3, 7, 16}) {
    auto b = FilledBitmap(24, 24);
    TCanvas* c = b->GetCanvas();
    c->GetBrush()->SetColor(clRed);
    c->GetPen()->SetWidth(w > 8 ? 3 : 1);
    c->RoundRect(4, 5, 4 + w, 5 + w + 1, 6, 6);
    const auto p = PaintedPixels(b.get());
    ASSERT_FALSE(p.empty()) << w;
    TRect bounds = Rect(99, 99, -1, -1);
    for (auto [x, y] : p)
      bounds = Rect(std::min(bounds.Left, x), std::min(bounds.Top, y), std::max(bounds.Right, x),
                    std::max(bounds.Bottom, y));
    // Inside [Left, Right) x [Top, Bottom) and touching every side; mirror-symmetric.
    EXPECT_EQ(bounds, Rect(4, 5, 4 + w - 1, 5 + w));
    for (auto [x, y] : p) EXPECT_TRUE(p.count({4 + 4 + w - 1 - x, y})) << x << "," << y;
  }
}

// A dotted pen alternates and shows the brush in its gaps; a XOR pen undoes itself.
TEST(Canvas, DottedAndXorPens) {
  for (bool solidBrush : {false, true}) {
    auto b = FilledBitmap(14, 3);
    TCanvas* c = b->GetCanvas();
    c->GetPen()->SetStyle(psDot);
    c->GetBrush()->SetColor(clRed);
    if (!solidBrush) c->GetBrush()->SetStyle(bsClear);
    c->Line(0, 1, 12, 1);
    for (int x = 0; x < 14; ++x) {
      const bool on = x < 12 && (x / 3) % 2 == 0;
      const TColor gap = x < 12 && solidBrush ? clRed : clWhite;
      EXPECT_EQ(c->GetPixel(x, 1), on ? clBlack : gap) << x << " solid " << solidBrush;
    }
  }
  auto b = FilledBitmap(8, 8);
  TCanvas* c = b->GetCanvas();
  c->GetBrush()->SetColor(clSilver);
  c->FillRect(Rect(0, 0, 8, 8));
  c->GetPen()->SetMode(pmXor);
  c->GetPen()->SetColor(clWhite);
  c->Line(0, 3, 8, 3);
  EXPECT_EQ(c->GetPixel(2, 3), 0x3F3F3Fu);
  c->Line(0, 3, 8, 3);
  EXPECT_TRUE(PaintedPixels(b.get(), clSilver).empty());
}

TEST(Canvas, PenWidthZeroDrawsLikeOneAndWidePensAreRound) {
  auto b = FilledBitmap(10, 10);
  b->GetCanvas()->GetPen()->SetWidth(0);
  b->GetCanvas()->Line(1, 1, 6, 1);
  EXPECT_EQ(PaintedPixels(b.get()).size(), 5u);
  auto w = FilledBitmap(20, 20);
  w->GetCanvas()->GetPen()->SetWidth(5);
  w->GetCanvas()->Line(10, 10, 10, 10 + 1);
  const auto p = PaintedPixels(w.get());
  EXPECT_TRUE(p.count({10, 8}) && p.count({8, 10}) && p.count({12, 10}));
  EXPECT_FALSE(p.count({8, 8}));  // the disc's corner
}

TEST(Canvas, ClippingAndViewportOrigin) {
  auto b = FilledBitmap(12, 12);
  TCanvas* c = b->GetCanvas();
  c->SetClipRect(Rect(3, 3, 6, 7));
  EXPECT_EQ(c->GetClipRect(), Rect(3, 3, 6, 7));
  c->GetBrush()->SetColor(clRed);
  c->FillRect(Rect(0, 0, 12, 12));
  c->Line(0, 0, 11, 11);
  EXPECT_EQ(c->GetPixel(0, 0), CLR_INVALID);
  c->SetClipping(false);
  std::set<std::pair<int, int>> want;
  for (int y = 3; y < 7; ++y)
    for (int x = 3; x < 6; ++x) want.insert({x, y});
  EXPECT_EQ(PaintedPixels(b.get()), want);

  // A control painted at (5, 4) of its parent's surface: its (0, 0) is the parent's (5, 4).
  auto p = FilledBitmap(12, 12);
  HDC dc = p->GetCanvas()->GetHandle();
  SetViewportOrgEx(dc, 5, 4, nullptr);
  IntersectClipRect(dc, 0, 0, 3, 3);
  p->GetCanvas()->GetBrush()->SetColor(clBlue);
  p->GetCanvas()->FillRect(Rect(-5, -5, 10, 10));
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SelectClipRgn(dc, nullptr);
  EXPECT_EQ(PaintedPixels(p.get()).size(), 9u);
  TCanvas* pc = p->GetCanvas();
  EXPECT_EQ(std::vector<TColor>({pc->GetPixel(5, 4), pc->GetPixel(7, 6), pc->GetPixel(8, 6)}),
            std::vector<TColor>({clBlue, clBlue, clWhite}));
}

TEST(Canvas, TextOutStaysInItsCellAndMeasuresLikeTheFont) {
  auto b = FilledBitmap(200, 60);
  TCanvas* c = b->GetCanvas();
  c->GetFont()->SetName("Arial");
  c->GetFont()->SetSize(10);
  EXPECT_EQ(c->GetFont()->GetHeight(), -13);
  c->GetFont()->SetColor(clBlack);
  c->GetBrush()->SetStyle(bsClear);
  const TSize ext = c->TextExtent("Hxyg");
  // Ascent and descent of a 13-pixel em.
  EXPECT_TRUE(ext.cy >= 14 && ext.cy <= 16 && ext.cx > 20) << ext.cx << "x" << ext.cy;
  c->TextOut(10, 20, "Hxyg");
  const auto p = PaintedPixels(b.get());
  ASSERT_GT(p.size(), 20u);
  for (auto [x, y] : p) EXPECT_TRUE(PointInCell(x, y, Rect(10, 20, 10 + ext.cx, 20 + ext.cy))) << x << "," << y;
  // Liberation Sans is metric-compatible with Arial: "W" is wider than "i", bold is not narrower.
  EXPECT_GT(c->TextWidth("W"), c->TextWidth("i"));
  const int regular = c->TextWidth("Hello World");
  c->GetFont()->SetStyle(TFontStyles{fsBold});
  EXPECT_GE(c->TextWidth("Hello World"), regular);
  c->GetFont()->SetHeight(-26);
  EXPECT_GT(c->TextWidth("Hello World"), regular * 3 / 2);
  // A solid brush fills the whole cell.
  auto s = FilledBitmap(100, 30);
  s->GetCanvas()->GetBrush()->SetColor(clYellow);
  s->GetCanvas()->TextOut(2, 3, "ab");
  const TSize e2 = s->GetCanvas()->TextExtent("ab");
  EXPECT_EQ(std::vector<TColor>({s->GetCanvas()->GetPixel(2, 3), s->GetCanvas()->GetPixel(2 + e2.cx - 1, 3 + e2.cy - 1),
                                 s->GetCanvas()->GetPixel(2 + e2.cx, 3)}),
            std::vector<TColor>({clYellow, clYellow, clWhite}));
  // A canvas on no surface draws nothing but still measures.
  TCanvas unbound;
  unbound.Line(0, 0, 10, 10);
  unbound.FillRect(Rect(0, 0, 5, 5));
  unbound.TextOut(0, 0, "x");
  EXPECT_EQ(unbound.GetPixel(0, 0), CLR_INVALID);
  EXPECT_TRUE(unbound.TextWidth("abc") > 0 && unbound.TextWidth("") == 0 && unbound.TextHeight("") > 0);
}

TEST(Canvas, StretchDrawLeavesOutTheTransparentColour) {
  // Bottom-left is the automatic transparent colour.
  auto src = BitmapOf(2, {clRed, clLime, clBlue, clBlue});
  src->SetTransparent(true);
  auto dst = FilledBitmap(4, 4);
  dst->GetCanvas()->StretchDraw(Rect(0, 0, 4, 4), src.get());
  const TColor W = clWhite, R = clRed, L = clLime;
  EXPECT_EQ(ColorsOf(dst.get()), std::vector<TColor>({R, R, L, L, R, R, L, L, W, W, W, W, W, W, W, W}));
  src->SetTransparentColor(clRed);
  auto d2 = FilledBitmap(2, 2);
  d2->GetCanvas()->Draw(0, 0, src.get());
  EXPECT_EQ(ColorsOf(d2.get()), std::vector<TColor>({W, L, clBlue, clBlue}));
}

// The context's stretch mode reaches both blits and canvas copies: a 3 -> 2 shrink picks source
// pixels, or under HALFTONE weights the middle one half to each side, (0 + 255 / 2) / 1.5.
TEST(Canvas, StretchModeOfTheContextReachesBlitsAndCopies) {
  auto row = BitmapOf(3, {clBlack, clWhite, clBlack});
  auto two = FilledBitmap(2, 1);
  HDC dc = two->GetCanvas()->GetHandle();
  const TColor grey = RGB(85, 85, 85);
  StretchBlt(dc, 0, 0, 2, 1, row->GetCanvas()->GetHandle(), 0, 0, 3, 1, SRCCOPY);
  EXPECT_EQ(ColorsOf(two.get()), std::vector<TColor>({clBlack, clBlack}));
  EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), BLACKONWHITE);
  StretchBlt(dc, 0, 0, 2, 1, row->GetCanvas()->GetHandle(), 0, 0, 3, 1, SRCCOPY);
  EXPECT_EQ(ColorsOf(two.get()), std::vector<TColor>({grey, grey}));
  two->GetCanvas()->FillRect(Rect(0, 0, 2, 1));
  two->GetCanvas()->CopyRect(Rect(0, 0, 2, 1), row->GetCanvas(), Rect(0, 0, 3, 1));
  EXPECT_EQ(ColorsOf(two.get()), std::vector<TColor>({grey, grey}));
}

TEST(Canvas, CopyRectMirrorsWithNegativeExtents) {
  auto src = BitmapOf(3, {clRed, clLime, clBlue}, pfDevice);
  auto dst = FilledBitmap(3, 1);
  dst->GetCanvas()->CopyRect(Rect(3, 0, 0, 1), src->GetCanvas(), Rect(0, 0, 3, 1));
  EXPECT_EQ(ColorsOf(dst.get()), std::vector<TColor>({clBlue, clLime, clRed}));
}

// The blit engine against its definition written pixel by pixel through the bitmap's own
// pixel access: nearest source pixel (or the area average under HALFTONE), mirrored by negative
// extents, through the raster operation, left out where keyed, blended by the source's alpha,
// and only inside the clip. Every byte of the destination must agree, untouched ones included.
namespace blit {
uint32_t Rop(DWORD R, uint32_t S, uint32_t D) {
  switch (R) {
    case SRCPAINT: return S | D;
    case SRCAND: return S & D;
    case NOTSRCCOPY: return ~S & 0xFFFFFF;
    case DSTINVERT: return ~D & 0xFFFFFF;
    case BLACKNESS: return 0;
    default: return S;
  }
}

struct TCase {
  int SrcBits, DstBits;
  TRect Dst, Src;  // logical; the destination context has origin (1, -1) and a clip
  DWORD Rop = SRCCOPY;
  int Mode = COLORONCOLOR;
  bool Alpha = false, Keyed = false, Same = false;
};

// The source cells under destination offset O of Len cells, with their overlap in 1/Len units.
std::vector<std::pair<int, int64_t>> Cells(int O, int Len, int SrcLen) {
  std::vector<std::pair<int, int64_t>> c;
  const int64_t lo = static_cast<int64_t>(O) * SrcLen, hi = lo + SrcLen;
  for (int j = 0; j < SrcLen; ++j) {
    const int64_t w = std::min<int64_t>(hi, int64_t{j + 1} * Len) - std::max<int64_t>(lo, int64_t{j} * Len);
    if (w > 0) c.emplace_back(j, w);
  }
  return c;
}

void Reference(TQzGdiBitmap& D, const TQzGdiBitmap& S, const TCase& C, TPoint Org, TRect Clip, TColor Key) {
  TRect d = QzOffsetRect(C.Dst, Org), s = C.Src;
  bool fx = false, fy = false;
  if (d.Right < d.Left) std::swap(d.Left, d.Right), fx = !fx;
  if (d.Bottom < d.Top) std::swap(d.Top, d.Bottom), fy = !fy;
  if (s.Right < s.Left) std::swap(s.Left, s.Right), fx = !fx;
  if (s.Bottom < s.Top) std::swap(s.Top, s.Bottom), fy = !fy;
  const int dw = d.Right - d.Left, dh = d.Bottom - d.Top, sw = s.Right - s.Left, sh = s.Bottom - s.Top;
  const bool halftone = C.Mode == HALFTONE && !C.Keyed && (sw != dw || sh != dh);
  const TRect vis = QzIntersectRect(QzIntersectRect(d, Clip), Rect(0, 0, D.Width, D.Height));
  for (int y = vis.Top; y < vis.Bottom; ++y)
    for (int x = vis.Left; x < vis.Right; ++x) {
      const int ox = fx ? dw - 1 - (x - d.Left) : x - d.Left, oy = fy ? dh - 1 - (y - d.Top) : y - d.Top;
      const TColor dc = D.GetColor(x, y);
      if (C.Rop == DSTINVERT || C.Rop == BLACKNESS) {
        D.SetColor(x, y, Rop(C.Rop, 0, dc));
        continue;
      }
      auto at = [&](int i, int j, unsigned& a) {
        const int sx = std::clamp(s.Left + i, 0, S.Width - 1), sy = std::clamp(s.Top + j, 0, S.Height - 1);
        a = C.Alpha && S.BitsPerPixel == 32 ? S.Row(sy)[sx * 4 + 3] : 255;
        return S.GetColor(sx, sy);
      };
      TColor c;
      unsigned a;
      if (halftone) {
        uint64_t r = 0, g = 0, b = 0, sum = 0;
        for (auto [j, wy] : Cells(oy, dh, sh))
          for (auto [i, wx] : Cells(ox, dw, sw)) {
            unsigned sa;
            const TColor p = at(i, j, sa);
            const uint64_t w = static_cast<uint64_t>(wx * wy) * sa;
            r += w * GetRValue(p), g += w * GetGValue(p), b += w * GetBValue(p), sum += w;
          }
        if (sum == 0) continue;
        c = RGB(static_cast<uint8_t>((r + sum / 2) / sum), static_cast<uint8_t>((g + sum / 2) / sum),
                static_cast<uint8_t>((b + sum / 2) / sum));
        const uint64_t total = static_cast<uint64_t>(sw) * sh;
        a = static_cast<unsigned>((sum + total / 2) / total);
      } else {
        c = at(static_cast<int>((2 * int64_t{ox} + 1) * sw / (2 * dw)),
               static_cast<int>((2 * int64_t{oy} + 1) * sh / (2 * dh)), a);
        if (C.Keyed && c == Key) continue;
      }
      if (a >= 255)
        D.SetColor(x, y, Rop(C.Rop, c, dc));
      else if (a > 0)
        D.BlendColor(x, y, Rop(C.Rop, c, dc), a);
    }
}

HBITMAP Noise(int W, int H, int Bits, uint32_t Seed) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = W;
  bi.bmiHeader.biHeight = Seed % 2 ? H : -H;  // both row orders
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(Bits);
  void* bits = nullptr;
  HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (size_t i = 0; i < static_cast<size_t>(b->Stride) * H; ++i) {
    Seed = Seed * 1664525u + 1013904223u;
    // Some alpha bytes 0 and 255, and a colour repeated often enough to meet the key.
    static_cast<uint8_t*>(bits)[i] =
        (Seed >> 28) < 3 ? static_cast<uint8_t>((Seed >> 28) * 127) : static_cast<uint8_t>(Seed >> 24);
  }
  return b;
}
}  // namespace blit

TEST(Blit, EveryPathMatchesThePixelByPixelDefinition) {
  using blit::TCase;
  std::vector<TCase> cases;
  // Same size (inside, half outside, the source rectangle outside its picture), mirrored,
  // stretched up and down, under every pair of depths.
  const std::pair<TRect, TRect> shapes[] = {
      {Rect(2, 2, 9, 6), Rect(3, 1, 10, 5)},   {Rect(-3, -2, 8, 5), Rect(0, 0, 11, 7)},
      {Rect(1, 1, 8, 5), Rect(9, 5, 16, 9)},   {Rect(9, 6, 1, 1), Rect(0, 0, 8, 5)},
      {Rect(0, 0, 12, 9), Rect(2, 1, 6, 4)},   {Rect(1, 2, 5, 5), Rect(0, 0, 13, 9)},
      {Rect(0, 5, 11, 0), Rect(12, 0, 1, 9)}};
  for (int sb : {16, 24, 32})
    for (int db : {16, 24, 32})
      for (const auto& [d, s] : shapes) cases.push_back({sb, db, d, s});
  // Raster operations, alpha, key and area averaging, where they differ by depth.
  for (int sb : {24, 32})
    for (int db : {16, 32})
      for (const auto& [d, s] : {shapes[0], shapes[4], shapes[5]}) {
        for (DWORD rop : {SRCPAINT, SRCAND, NOTSRCCOPY, DSTINVERT, BLACKNESS}) cases.push_back({sb, db, d, s, rop});
        cases.push_back({sb, db, d, s, SRCCOPY, COLORONCOLOR, true});
        cases.push_back({sb, db, d, s, SRCCOPY, COLORONCOLOR, false, true});
        cases.push_back({sb, db, d, s, SRCCOPY, HALFTONE, sb == 32});
        cases.push_back({sb, db, d, s, SRCPAINT, HALFTONE, sb == 32});
      }
  // One bitmap as source and destination: moved each way, and stretched over itself.
  for (int b : {24, 32})
    for (const auto& [d, s] : {std::pair{Rect(2, 1, 10, 6), Rect(0, 0, 8, 5)},
                               std::pair{Rect(0, 0, 8, 5), Rect(2, 1, 10, 6)},
                               std::pair{Rect(1, 3, 9, 8), Rect(3, 0, 11, 5)},
                               std::pair{Rect(0, 0, 12, 8), Rect(1, 1, 7, 5)}})
      cases.push_back({b, b, d, s, SRCCOPY, COLORONCOLOR, false, false, true});

  const TPoint org{1, -1};
  const TRect clip = Rect(1, 0, 10, 7);  // device pixels of the 11 x 8 destination
  uint32_t seed = 1;
  for (const TCase& c : cases) {
    HBITMAP src = blit::Noise(13, 9, c.SrcBits, seed++);
    HBITMAP dst = c.Same ? src : blit::Noise(11, 8, c.DstBits, seed++);
    const std::vector<uint8_t> before(src->Bits, src->Bits + static_cast<size_t>(src->Stride) * src->Height);
    TQzGdiBitmap original;  // the source as it was, for the reference
    original.Bits = const_cast<uint8_t*>(before.data());
    original.Width = src->Width, original.Height = src->Height, original.Stride = src->Stride;
    original.BitsPerPixel = src->BitsPerPixel, original.BottomUp = src->BottomUp;
    const TColor key = src->GetColor(4, 3);

    std::vector<uint8_t> expected(dst->Bits, dst->Bits + static_cast<size_t>(dst->Stride) * dst->Height);
    TQzGdiBitmap ref;
    ref.Bits = expected.data();
    ref.Width = dst->Width, ref.Height = dst->Height, ref.Stride = dst->Stride;
    ref.BitsPerPixel = dst->BitsPerPixel, ref.BottomUp = dst->BottomUp;
    blit::Reference(ref, original, c, org, clip, key);

    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, dst);
    SetViewportOrgEx(dc, org.X, org.Y, nullptr);
    IntersectClipRect(dc, clip.Left - org.X, clip.Top - org.Y, clip.Right - org.X, clip.Bottom - org.Y);
    TQzStretchOptions o;
    o.Rop = c.Rop, o.Mode = c.Mode, o.SourceAlpha = c.Alpha;
    if (c.Keyed) o.TransparentColor = key;
    QzStretchBits(dc, c.Dst, src, c.Src, o);
    const size_t i = static_cast<size_t>(&c - cases.data());
    EXPECT_EQ(std::vector<uint8_t>(dst->Bits, dst->Bits + expected.size()), expected)
        << "case " << i << ": " << c.SrcBits << " -> " << c.DstBits << " bits, rop " << c.Rop << ", mode " << c.Mode
        << (c.Alpha ? ", alpha" : "") << (c.Keyed ? ", keyed" : "") << (c.Same ? ", one bitmap" : "");
    DeleteDC(dc);
    DeleteObject(dst);
    if (!c.Same) DeleteObject(src);
  }
}

TEST(Canvas, GradientFillRunsFromStartToStop) {
  for (TGradientDirection d : {gdVertical, gdHorizontal}) {
    auto b = FilledBitmap(11, 11);
    b->GetCanvas()->GradientFill(Rect(0, 0, 11, 11), RGB(0, 100, 200), RGB(250, 100, 0), d);
    TCanvas* c = b->GetCanvas();
    EXPECT_EQ(c->GetPixel(0, 0), RGB(0, 100, 200));
    EXPECT_EQ(c->GetPixel(10, 10), RGB(250, 100, 0));
    int last = -1;
    for (int i = 0; i < 11; ++i) {
      const TColor v = d == gdVertical ? c->GetPixel(5, i) : c->GetPixel(i, 5);
      EXPECT_GT(static_cast<int>(GetRValue(v)), last);
      last = GetRValue(v);
      EXPECT_EQ(d == gdVertical ? c->GetPixel(0, i) : c->GetPixel(i, 0), v);  // lines are uniform
    }
  }
  // System colours resolve before mixing.
  auto b = FilledBitmap(1, 2);
  b->GetCanvas()->GradientFill(Rect(0, 0, 1, 2), clBtnFace, clBtnFace, gdVertical);
  EXPECT_EQ(b->GetCanvas()->GetPixel(0, 1), ColorToRGB(clBtnFace));
}

TEST(DibSection, BottomUpRowsAndACanvasOverThem) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 3, 1, 32, BI_RGB};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  ASSERT_NE(bits, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, section);
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.SetPixel(0, 0, RGB(1, 2, 3));
  canvas.SetPixel(3, 2, RGB(4, 5, 6));
  auto* p = static_cast<uint8_t*>(bits);
  canvas.GetPen()->SetColor(clWhite);
  canvas.Line(0, 1, 4, 1);
  // (0, 0) starts the last row in memory (B, G, R), (3, 2) is in the first.
  EXPECT_EQ(std::vector<uint8_t>({p[32], p[33], p[34], p[12], p[16]}), std::vector<uint8_t>({3, 2, 1, 6, 255}));
  EXPECT_EQ(canvas.GetClipRect(), Rect(0, 0, 4, 3));
  // Freed in the order that leaves the section selected at DeleteObject.
  EXPECT_NE(DeleteObject(section), 0);
  EXPECT_NE(DeleteDC(dc), 0);

  bi.bmiHeader.biWidth = 0;
  EXPECT_EQ(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(bits, nullptr);
  bi.bmiHeader.biWidth = 100000;
  EXPECT_EQ(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
}

TEST(Canvas, BitmapReportsCanvasDrawingAsAChange) {
  TBitmap b;
  b.SetSize(4, 4);
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.GetCanvas()->FillRect(Rect(0, 0, 2, 2));
  b.BeginUpdate();
  b.GetCanvas()->FillRect(Rect(0, 0, 2, 2));
  b.GetCanvas()->Line(0, 0, 3, 3);
  EXPECT_EQ(changes, 1);  // nothing inside the batch
  b.EndUpdate();
  EXPECT_EQ(changes, 2);
}

}  // namespace
