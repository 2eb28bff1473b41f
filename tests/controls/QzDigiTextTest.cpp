#include <gtest/gtest.h>

#include <string>

#include "tests/common/TestPixels.h"
#include "ui/controls/QzDigiText.h"

namespace {
constexpr TColor Ink = 0x00FF00;

struct TInkBox { int Left = 1 << 30, Right = -1, Count = 0; };

// Draws Text into R on a black picture and finds the columns that received ink.
TInkBox DrawAndMeasure(TQzDigiText& D, const std::string& Text, const TRect& R, TBitmap& B) {
  B.SetSize(120, 40);
  B.GetCanvas()->GetBrush()->SetColor(clBlack);
  B.GetCanvas()->FillRect(Rect(0, 0, 120, 40));
  D.Draw(B.GetCanvas(), Text, R);
  TInkBox box;
  for (const auto& [x, y] : PaintedPixels(&B, clBlack))
    box.Left = std::min(box.Left, x), box.Right = std::max(box.Right, x), ++box.Count;
  return box;
}
}  // namespace

// The ink of a drawn text covers exactly the width the renderer reports (plus the bold edge
// column on each side), and sits centred in the rectangle.
TEST(DigiText, WidthIsTheDrawnExtentAndCentres) {
  struct TCase { const char* Text; uint32_t Options; };
  const TCase cases[] = {
      {"8", 0}, {"88", 0}, {"8.8", 0}, {"0,", 0}, {"1.5", 0}, {"8%8", 0}, {"80", DIGI_SLANTED},
      {"8.0", DIGI_GAPPED}, {"8", DIGI_BOLD}, {"8.8", DIGI_BOLD | DIGI_PROPORTIONAL}, {"-88", DIGI_BOLD},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Text << " options " << c.Options);
    TQzDigiText d;
    d.SetColor(Ink), d.SetSize(16), d.SetOptions(c.Options);
    // Size 16: w 10, g 7; slant 3, inset 1 when asked for.
    const int w = 10, g = 7, s = c.Options & DIGI_SLANTED ? 3 : 0, t = c.Options & DIGI_GAPPED ? 1 : 0;
    const std::string text = c.Text;
    int x = 0, right = 0, firstInk = -1;
    for (char ch : text) {
      if (ch == '.' || ch == ',') {
        if (firstInk < 0) firstInk = x + t;
        right = x + t + 3, x += g;
      } else if (std::string("0123456789-").find(ch) != std::string::npos) {
        // "1" has ink only on its right, "-" from its middle-left point.
        if (firstInk < 0) firstInk = ch == '1' ? x + w : ch == '-' ? x + s / 2 + t : x;
        right = x + w + s + 1, x += w + g;
      }
    }
    EXPECT_EQ(d.GetTextWidth(text), right);
    const TRect r = Rect(7, 3, 107, 37);
    const int origin = r.Left + (100 - right) / 2;
    TBitmap b;
    const TInkBox box = DrawAndMeasure(d, text, r, b);
    // Bold edges stand one pixel beside vertical segments; a minus sign has none on its left.
    const int bold = c.Options & DIGI_BOLD ? 1 : 0;
    EXPECT_EQ(std::tuple(box.Left, box.Right),
              std::tuple(origin + firstInk - (text[0] == '-' ? 0 : bold), origin + right - 1 + bold));
  }
}

TEST(DigiText, MetricsAndSegmentsOfEachCharacter) {
  // Size 16 plain: w 10, h 18. Sample points in the middle of each segment, relative to the
  // character's origin: top, upper right, lower right, bottom, lower left, upper left, middle.
  const TPoint probes[7] = {{5, 0}, {10, 4}, {10, 13}, {5, 18}, {0, 13}, {0, 4}, {5, 9}};
  // '1' per segment lit, in the order above.
  const std::pair<char, std::string> segments[] = {{'8', "1111111"}, {'-', "0000001"}, {'1', "0110000"},
                                                   {'c', "1001110"}, {'d', "0111101"}, {'%', "0000000"}};
  for (const auto& [ch, lit] : segments) {
    TQzDigiText d;
    d.SetColor(Ink), d.SetSize(16), d.SetOptions(0);
    TBitmap b;
    DrawAndMeasure(d, std::string(1, ch), Rect(5, 5, 16, 24), b);  // exactly one cell: the origin is (5, 5)
    std::string seen;
    for (const TPoint& p : probes) seen += b.GetCanvas()->GetPixel(5 + p.X, 5 + p.Y) == Ink ? '1' : '0';
    EXPECT_EQ(seen, lit) << ch;
  }
  // The metrics of each size and option.
  struct TCase { uint8_t Size; uint32_t Options; int32_t W, H, G, Slant, Inset; };
  // h = round(Size * 1.15), w = round(h / 1.75), g = round(h / 2.5), halves to even.
  const TCase cases[] = {
      {8, 0, 5, 9, 4, 0, 0},   {8, DIGI_GAPPED, 5, 9, 4, 0, 1}, {8, DIGI_SLANTED, 5, 9, 4, 2, 0},
      {16, 0, 10, 18, 7, 0, 0}, {30, DIGI_GAPPED | DIGI_SLANTED, 19, 34, 14, 6, 2},
      {4, DIGI_GAPPED, 3, 5, 2, 0, 1}, {0, 0, 0, 0, 0, 0, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "size " << int(c.Size) << " options " << c.Options);
    TQzDigiText d;
    d.SetSize(c.Size), d.SetOptions(c.Options);
    EXPECT_EQ(std::tuple(d.CharWidth(), d.CharHeight(), d.CharGap(), d.Slant(), d.Inset()),
              std::tuple(c.W, c.H, c.G, c.Slant, c.Inset));
  }
}
