#include "core/QzUtils.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/QzFileClasses.h"

namespace {
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
}  // namespace

TEST(QzUtils, RectSizes) {
  struct Case { TRect R; int32_t Width, Height; };
  const Case cases[] = {
      {{10, 0, 4, 0}, 6, 0},       {{0, 5, 0, -5}, 0, 10},   {{-3, -4, 3, 4}, 6, 8},
      {{kMin, 0, kMax, 0}, kMax, 0}, {{0, kMax, 0, kMin}, 0, kMax},
  };
  for (const auto& c : cases) EXPECT_EQ(std::pair(RectWidth(c.R), RectHeight(c.R)), std::pair(c.Width, c.Height));
}

// Both change the rectangle in place; coordinates wrap at the 32-bit range instead of overflowing.
TEST(QzUtils, ShiftAndExpand) {
  struct Case { bool Expand; TRect R; int32_t Dx, Dy; TRect Expect; };
  const Case cases[] = {
      {false, {1, 2, 3, 4}, 10, -20, {11, -18, 13, -16}}, {false, {kMax, 0, kMax, kMin}, 1, -1, {kMin, -1, kMin, kMax}},
      {true, {10, 10, 20, 20}, 2, 3, {8, 7, 22, 23}},     {true, {8, 7, 22, 23}, -2, -3, {10, 10, 20, 20}},
  };
  for (const auto& c : cases) {
    TRect r = c.R;
    if (c.Expand) {
      EXPECT_EQ(ExpandRect(r, c.Dx, c.Dy), c.Expect);
    } else {
      ShiftRect(r, c.Dx, c.Dy);
    }
    EXPECT_EQ(r, c.Expect) << c.Dx << "," << c.Dy;
  }
}

TEST(QzUtils, AlignRect) {
  struct Case { TRect R, Bounds; uint8_t H, V; TRect Expect; };
  const Case cases[] = {
      {{0, 0, 10, 10}, {0, 0, 25, 25}, 1, 2, {7, 15, 17, 25}},
      {{100, 100, 110, 110}, {0, 0, 25, 25}, 0, 0, {0, 0, 10, 10}},
      {{0, 0, 10, 10}, {5, 5, 30, 45}, 2, 1, {20, 20, 30, 30}},
      {{3, 4, 13, 14}, {5, 6, 30, 45}, 7, 9, {5, 6, 15, 16}},  // other values: left, top
      {{0, 0, 10, 10}, {5, 6, 30, 45}, 0, 0, {5, 6, 15, 16}},
      // A rectangle larger than the bounds: the shift truncates toward zero (-2, not -3).
      {{0, 0, 30, 30}, {0, 0, 25, 25}, 1, 1, {-2, -2, 28, 28}},
      {{0, 0, 30, 30}, {0, 0, 25, 25}, 2, 2, {-5, -5, 25, 25}},
  };
  for (const auto& c : cases) {
    TRect r = c.R;
    AlignRect(r, c.Bounds, c.H, c.V);
    EXPECT_EQ(r, c.Expect) << int(c.H) << "," << int(c.V) << " -> " << r.Left << "," << r.Top;
  }
}

TEST(QzUtils, NormalizeAndConstrain) {
  struct Case { TRect R, Bound, Expect; bool Swaps; };
  const Case cases[] = {
      {{-5, -5, 50, 50}, {0, 0, 40, 40}, {0, 0, 40, 40}, false},
      {{30, 30, 10, 10}, {0, 0, 40, 40}, {10, 10, 30, 30}, true},
      {{30, 30, 10, 10}, {0, 0, 20, 20}, {10, 10, 20, 20}, true},
      {{30, 5, 10, 8}, {0, 0, 100, 100}, {10, 5, 30, 8}, true},
      {{5, 8, 10, 2}, {0, 0, 100, 100}, {5, 2, 10, 8}, true},
      {{1, 2, 3, 4}, {0, 0, 100, 100}, {1, 2, 3, 4}, false},
  };
  for (const auto& c : cases) {
    TRect n = c.R;
    EXPECT_EQ(NormalizeRect(n), c.Swaps);
    EXPECT_FALSE(NormalizeRect(n));
    TRect r = c.R;
    ConstrainRect(r, c.Bound.Left, c.Bound.Top, c.Bound.Right, c.Bound.Bottom);
    EXPECT_EQ(r, c.Expect);
  }
}

TEST(QzUtils, PointInRectIncludesEdges) {
  const TRect r{10, 20, 30, 40};
  struct Case { TPoint P; bool In; };
  const Case cases[] = {
      {{10, 30}, true},  {{30, 30}, true},  {{20, 20}, true},  {{20, 40}, true},
      {{10, 20}, true},  {{30, 40}, true},  {{9, 30}, false},  {{31, 30}, false},
      {{20, 19}, false}, {{20, 41}, false}, {{20, 30}, true},
  };
  for (const auto& c : cases) EXPECT_EQ(PointInRect(r, c.P), c.In) << c.P.X << "," << c.P.Y;
}

TEST(QzUtils, LightenColor) {
  struct Case { TColor C; int32_t Amount; TColor Expect; };
  const Case cases[] = {
      {RGB(100, 100, 100), 0, RGB(100, 100, 100)}, {RGB(100, 100, 100), -255, RGB(0, 0, 0)},
      {clBtnFace, 0, clBtnFace},  // unchanged, not even resolved
      // Outside -255 .. 255 on either side: taken as 255.
      {RGB(100, 100, 100), 1000, RGB(254, 254, 254)}, {RGB(100, 100, 100), -1000, RGB(254, 254, 254)},
      {RGB(100, 100, 100), -256, RGB(254, 254, 254)}, {RGB(0, 128, 255), 256, RGB(254, 254, 254)},
      {RGB(0, 0, 0), 254, RGB(253, 253, 253)},        {RGB(0, 128, 255), 100, RGB(99, 177, 254)},
      {RGB(0, 128, 255), -50, RGB(0, 102, 204)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LightenColor(c.C, c.Amount), c.Expect) << std::hex << c.C << " " << std::dec << c.Amount;
  EXPECT_EQ(LightenColor(clBtnFace, -25), LightenColor(ColorToRGB(clBtnFace), -25));
}

TEST(QzUtils, BlendColor) {
  struct Case { TColor A, B; uint8_t Alpha; TColor Expect; };
  const Case cases[] = {
      {RGB(0, 0, 0), RGB(255, 255, 255), 125, RGB(124, 124, 124)},
      {RGB(255, 0, 10), RGB(0, 255, 10), 0, RGB(254, 0, 9)},
      {RGB(255, 0, 10), RGB(0, 200, 10), 255, RGB(0, 199, 9)},
      {RGB(200, 100, 0), RGB(0, 100, 200), 128, RGB(99, 99, 100)},
  };
  for (const auto& c : cases) EXPECT_EQ(BlendColor(c.A, c.B, c.Alpha), c.Expect);
  // System colours resolve first; plain colours lose the top byte.
  EXPECT_EQ(BlendColor(clWindow, RGB(0, 0, 0), 0), BlendColor(ColorToRGB(clWindow), 0, 0));
  EXPECT_NE(ColorToRGB(clWindow), ColorToRGB(clWindowText));
  EXPECT_EQ(ColorToRGB(0x12345678), 0x00345678u);
}

TEST(QzUtils, FloatToDisplayText) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case { double Value; uint8_t Decimals; bool Grouping; const char* Expect; };
  const Case cases[] = {
      {75.0, 1, true, "75,0"},           {5, 0, true, "5"},         {1000.0, 2, true, "1.000,00"},
      {-1234.5, 1, true, "-1.234,5"},    {123456.0, 0, true, "123.456"}, {1234567.5, 1, true, "1.234.567,5"},
      {1234.5, 1, false, "1234,5"},      {999.96, 1, true, "1.000,0"},   {0.0, 2, true, "0,00"},
      {-0.04, 1, true, "-0,0"},          {0.06, 1, true, "0,1"},
      {5555.0, 55, true, "5.555,0000000000000000000000000000000000000000000000000000000"},
      // Values that are not finite numbers: no digits, no crash.
      {nan, 1, true, ",00"}, {inf, 2, true, ",00"}, {-inf, 1, true, "-,00"}, {nan, 0, true, ""}, {-inf, 0, true, "-"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FloatToDisplayText(c.Value, c.Decimals, c.Grouping), c.Expect) << c.Value << " / " << int(c.Decimals);

  // The largest values and the longest decimals are formatted in full.
  const std::string big = FloatToDisplayText(-1e308, 255, true);
  EXPECT_EQ(big.substr(0, 9), "-100.000.");
  EXPECT_EQ(big.size(), 1u + 309u + 102u + 1u + 255u);
  EXPECT_NEAR(DisplayTextToFloat(big), -1e308, 1e294);
}

TEST(QzUtils, DisplayTextToFloat) {
  struct Case { const char* Text; double Expect; };
  const Case cases[] = {
      {"1.234,5", 1234.5}, {"12,5", 12.5},     {"-1.234,5", -1234.5}, {"5", 5.0},
      {",5", 0.5},         {"-,5", -0.5},      {"1.000.000", 1e6},    {" 12,5 ", 12.5},
      {"75,0 ", 75.0},     {"1,2,3", 0.0},     {"", 0.0},             {",", 0.0},
      {"-", 0.0},          {"abc", 0.0},       {"12 dB", 0.0},        {"nan", 0.0},
      {"inf", 0.0},        {"1e999", 0.0},     {"2,5e1", 25.0},       {"+3", 3.0},
      // A dot groups only between a digit and exactly three digits, before any decimal mark.
      {".500", 0.5},       {"1.2345", 1.2345}, {"12.50", 12.5},       {"1.000.5", 1000.5},
      {"1,000.5", 0.0},    {"1.5,2", 0.0},     {"1.5.000", 0.0},      {"1..000", 0.0},
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayTextToFloat(c.Text), c.Expect) << c.Text;
}

TEST(QzUtils, ReplaceSubstring) {
  struct Case { const char* S; const char* Pattern; const char* NewText; const char* Expect; };
  const Case cases[] = {
      {"line#13next#13", "#13", "\r", "line\rnext\r"}, {"#13#13#13", "#13", "\r", "\r\r\r"}, {"", "x", "y", ""},
      {"abc", "", "y", "abc"}, {"xyz", "q", "r", "xyz"}, {"abc", "abc", "", ""}, {"x", "xyz", "q", "x"},
      // Adjacent occurrences are all removed, not every second one.
      {"aab", "a", "", "b"}, {"a#13#13b", "#13", "", "ab"},
      // Longer replacements reach the end of the text.
      {"aaa", "a", "bb", "bbbbbb"},
      // Inserted text is never searched again.
      {"abb", "ab", "xa", "xab"}, {"aa", "a", "xa", "xaxa"},
      // Occurrences do not overlap; leftmost first.
      {"aaaa", "aa", "b", "bb"}, {"aaa", "aa", "b", "ba"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceSubstring(c.S, c.Pattern, c.NewText), c.Expect) << c.S << " / " << c.Pattern << " / " << c.NewText;
}

TEST(QzUtils, Bits) {
  uint32_t d = 0;
  for (uint8_t n : {0, 31, 5}) SetBit(d, n, true);
  EXPECT_EQ(d, 0x80000021u);
  for (uint8_t n : {5, 6}) SetBit(d, n, false);
  EXPECT_EQ(d, 0x80000001u);
  for (uint8_t n : {uint8_t(32), uint8_t(33), uint8_t(64), uint8_t(255)}) {
    SetBit(d, n, true);
    EXPECT_EQ(d, 0x80000001u);
    EXPECT_FALSE(TestBit(0xFFFFFFFFu, n));
  }
  for (uint8_t n = 0; n < 32; ++n) EXPECT_EQ(TestBit(d, n), n == 0 || n == 31) << int(n);
}
