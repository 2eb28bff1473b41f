#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/common/UiHeaders.h"
#include "tests/common/TestPixels.h"

namespace {

TColor At(TBitmap* B, int X, int Y) { return B->GetCanvas()->GetPixel(X, Y); }

bool SamePixels(TBitmap* A, TBitmap* B) {
  for (int y = 0; y < A->GetHeight(); ++y)
    for (int x = 0; x < A->GetWidth(); ++x)
      if (At(A, x, y) != At(B, x, y)) return false;
  return true;
}

TEST(DrawUtils, PenWidthZeroIsOneFramesPaintExactlyTheEdgePixelsAndCopiesKeepThem) {
  auto b = FilledBitmap(4, 4);
  TCanvas* c = b->GetCanvas();
  c->GetPen()->SetMode(pmXor);
  SetCanvasPen(c, 0, clRed, psDot);
  EXPECT_EQ(
      std::tuple(c->GetPen()->GetWidth(), c->GetPen()->GetMode(), c->GetPen()->GetStyle(), c->GetPen()->GetColor()),
      std::tuple(1, pmCopy, psDot, TColor(clRed)));
  SetCanvasPen(c, 3, clBlue, psSolid);
  EXPECT_EQ(c->GetPen()->GetWidth(), 3);
  const TRect r = Rect(2, 1, 8, 6);
  const TColor tl = RGB(10, 20, 30), br = RGB(200, 100, 50);
  auto plain = FilledBitmap(10, 8);
  DrawFrameRect(plain->GetCanvas(), r, tl);
  auto threeD = FilledBitmap(10, 8);
  Draw3DFrame(threeD->GetCanvas(), r, tl, br);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
      const bool edge = inside && (x == r.Left || x == r.Right - 1 || y == r.Top || y == r.Bottom - 1);
      EXPECT_EQ(At(plain.get(), x, y), edge ? tl : clWhite) << x << "," << y;
      // The right edge starts at the top-right corner, the bottom edge ends before the
      // bottom-left one, which the left edge drew.
      TColor want = clWhite;
      if (edge) want = (x == r.Right - 1 || (y == r.Bottom - 1 && x != r.Left)) ? br : tl;
      EXPECT_EQ(At(threeD.get(), x, y), want) << x << "," << y;
    }
  // The clipboard gets the pixels of a rectangle, from its own corner on.
  CopyRectToClipboard(threeD->GetCanvas(), Rect(1, 1, 9, 7));
  TPicture picture;
  ASSERT_TRUE(Clipboard()->GetPicture(&picture));
  ASSERT_EQ(std::tuple(picture.GetWidth(), picture.GetHeight()), std::tuple(8, 6));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(At(picture.GetBitmap(), x, y), At(threeD.get(), x + 1, y + 1)) << x << "," << y;
}

TEST(DrawUtils, GradientStepsAndSpecialRectangles) {
  struct Case { bool Vertical; std::vector<uint8_t> Levels; };
  // Rows round (ties to even), columns truncate; neither reaches the end colour.
  const Case cases[] = {{true, {0, 64, 128, 191}}, {false, {0, 63, 127, 191}}};
  for (const Case& c : cases) {
    auto b = FilledBitmap(6, 6, clRed);
    DrawGradientRect(b->GetCanvas(), Rect(1, 1, 5, 5), clBlack, clWhite, c.Vertical);
    for (int i = 0; i < 4; ++i)
      for (int j = 1; j < 5; ++j) {
        const int x = c.Vertical ? j : 1 + i, y = c.Vertical ? 1 + i : j;
        const uint8_t v = c.Levels[static_cast<size_t>(i)];
        EXPECT_EQ(At(b.get(), x, y), RGB(v, v, v)) << c.Vertical << " " << x << "," << y;
      }
    for (int k = 0; k < 6; ++k)
      EXPECT_EQ(std::tuple(At(b.get(), k, 0), At(b.get(), k, 5), At(b.get(), 0, k), At(b.get(), 5, k)),
                std::tuple(clRed, clRed, clRed, clRed)) << k;
  }
  // Equal colours fill; a reversed rectangle is normalised; a flat one draws nothing.
  auto b = FilledBitmap(6, 6);
  DrawGradientRect(b->GetCanvas(), Rect(0, 0, 2, 2), clBtnFace, clBtnFace, true);
  EXPECT_EQ(At(b.get(), 1, 1), ColorToRGB(clBtnFace));
  DrawGradientRect(b->GetCanvas(), Rect(5, 6, 3, 2), RGB(0, 0, 0), RGB(0, 0, 200), true);
  EXPECT_EQ(std::tuple(At(b.get(), 3, 2), At(b.get(), 4, 5)), std::tuple(RGB(0, 0, 0), RGB(0, 0, 150)));
  auto flat = FilledBitmap(6, 6);
  DrawGradientRect(flat->GetCanvas(), Rect(1, 1, 1, 5), clBlack, clWhite, false);
  DrawGradientRect(flat->GetCanvas(), Rect(1, 1, 5, 1), clBlack, clWhite, true);
  EXPECT_TRUE(SamePixels(flat.get(), FilledBitmap(6, 6).get()));
}

TEST(DrawUtils, CheckerboardCellsColoursAndCellSizeZero) {
  const TColor c1 = RGB(1, 2, 3), c2 = RGB(200, 150, 100);
  // Cell counts odd and even across, cells cut at the right and bottom edges.
  const TRect rects[] = {Rect(1, 1, 9, 8), Rect(0, 0, 6, 9), Rect(2, 3, 10, 10)};
  for (const TRect& r : rects) {
    auto b = FilledBitmap(10, 10);
    DrawCheckerboard(b->GetCanvas(), r, 3, c1, c2);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        TColor want = clWhite;
        if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom)
          want = ((x - r.Left) / 3 + (y - r.Top) / 3) % 2 ? c2 : c1;
        ASSERT_EQ(At(b.get(), x, y), want) << x << "," << y;
      }
  }
  auto b = FilledBitmap(6, 6);
  // The second colour is taken as plain RGB bytes, even a system colour.
  DrawCheckerboard(b->GetCanvas(), Rect(0, 0, 6, 6), 2, clBlack, clBtnFace);
  EXPECT_EQ(At(b.get(), 2, 0), RGB(0x0F, 0, 0));
  // A cell size of 0 terminates with the first colour only.
  DrawCheckerboard(b->GetCanvas(), Rect(0, 0, 6, 6), 0, clNavy, clWhite);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(At(b.get(), x, y), clNavy);
}

class AlignedText : public ::testing::Test {
protected:
  void SetUp() override {
    Probe = FilledBitmap(160, 40);
    Font.SetName("arial"), Font.SetSize(10);
  }
  // The text drawn by DrawAlignedText and by a plain TextOut at (X, Y) must match.
  void Expect(const std::string& Text, const TRect& R, uint8_t H, uint8_t V, bool Shorten, const std::string& Shown,
              int X, int Y) {
    auto a = FilledBitmap(160, 40), b = FilledBitmap(160, 40);
    a->GetCanvas()->GetFont()->Assign(&Font), b->GetCanvas()->GetFont()->Assign(&Font);
    DrawAlignedText(a->GetCanvas(), Text, R, H, V, Shorten);
    b->GetCanvas()->GetBrush()->SetStyle(bsClear);
    b->GetCanvas()->TextOut(X, Y, Shown);
    EXPECT_TRUE(SamePixels(a.get(), b.get())) << Text << " as " << Shown;
    EXPECT_EQ(a->GetCanvas()->GetBrush()->GetStyle(), bsClear);
  }
  int Width(const std::string& S) {
    return Probe->GetCanvas()->GetFont()->Assign(&Font), Probe->GetCanvas()->TextWidth(S);
  }
  int Height(const std::string& S) {
    return Probe->GetCanvas()->GetFont()->Assign(&Font), Probe->GetCanvas()->TextHeight(S);
  }
  std::unique_ptr<TBitmap> Probe;
  TFont Font;
};

TEST_F(AlignedText, AlignmentsAndShortening) {
  const TRect r = Rect(10, 5, 130, 35);
  const std::string t = "Gain";
  const int w = Width(t), h = Height(t);
  for (uint8_t ha = 0; ha < 4; ++ha)
    for (uint8_t va = 0; va < 4; ++va) {
      const int dx = ha == 1 ? (120 - w) / 2 : ha == 2 ? 120 - w : 0;
      const int dy = va == 1 ? (30 - h) / 2 : va == 2 ? 30 - h : 0;
      Expect(t, r, ha, va, false, t, r.Left + dx, r.Top + dy);
    }
  // Shortened to the longest prefix that fits, by whole characters; not shortened, the whole text
  // is drawn and, centred, starts left of the rectangle; when nothing fits, the ellipsis alone.
  const int thresh = Width("Thresh.."), gru = Width("Grü..");
  ASSERT_TRUE(thresh < Width("Thresho..") && gru < Width("Grüß.."));
  const struct { std::string Text; TRect R; uint8_t H; bool Shorten; std::string Shown; int X; } cases[] = {
      {"Threshold", Rect(4, 4, 4 + thresh, 30), 0, true, "Thresh..", 4},
      {"Threshold", Rect(40, 4, 40 + thresh, 30), 1, false, "Threshold", 40 + (thresh - Width("Threshold")) / 2},
      {"Threshold", Rect(4, 4, 6, 30), 0, true, "..", 4},
      {"Grüße", Rect(4, 4, 4 + gru, 30), 0, true, "Grü..", 4},
  };
  for (const auto& c : cases) Expect(c.Text, c.R, c.H, 0, c.Shorten, c.Shown, c.X, 4);
  // Every width from nothing to the whole text leaves whole characters before the "..".
  Probe->GetCanvas()->GetFont()->Assign(&Font);
  const std::string mixed = "aЖü€ЖbЖ";
  for (int width = 0; width <= Width(mixed) + 2; ++width) {
    const std::string s = ShortenText(Probe->GetCanvas(), mixed, width);
    ASSERT_GE(s.size(), 2u);
    const std::string kept = s.substr(0, s.size() - 2);
    EXPECT_EQ(mixed.compare(0, kept.size(), kept), 0);
    EXPECT_TRUE(kept.size() == mixed.size() || (static_cast<uint8_t>(mixed[kept.size()]) & 0xC0) != 0x80)
        << "cut inside a character at width " << width;
  }
}

}  // namespace
