#include <gtest/gtest.h>

#include <cctype>

#include "tests/common/UiHeaders.h"
#include "tests/common/TestPixels.h"

namespace {
constexpr TColor RGB(int R, int G, int B) { return static_cast<TColor>(R | G << 8 | B << 16); }

// Each switch slot gets a plain picture of its own colour, so that what a face shows tells
// which slot it drew.
TColor SlotColor(int Slot) { return RGB(10 + Slot * 9, 200 - Slot * 5, 30 + Slot); }

struct TPaintFixture : ::testing::Test {
  void SetUp() override {
    QzAudioControlsFinalize();
    QzAudioControlsInitialize();
    for (int slot : {4, 5, 6, 7, 8, 9, 22, 23}) {
      TBitmap* b = QzAudioSwitchPicture(slot);
      ASSERT_NE(b, nullptr);
      b->SetSize(4, 4);
      b->GetCanvas()->GetBrush()->SetColor(SlotColor(slot));
      b->GetCanvas()->FillRect(Rect(0, 0, 4, 4));
      // The faces are keyed by their bottom-left pixel, as the artwork is.
      b->GetCanvas()->SetPixel(0, 3, RGB(255, 0, 255));
    }
  }
  void TearDown() override { QzAudioControlsFinalize(); }
  std::unique_ptr<TBitmap> Target = FilledBitmap(24, 24);
  TCanvas* Canvas = Target->GetCanvas();
};

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

TEST(AudioPaint, ColourLookupAndBounds) {
  struct TCase { uint16_t Index; bool Bright; TColor Expected; };
  const TCase cases[] = {
      {12, true, 0x00FFFF},         {12, false, RGB(115, 115, 115)},
      {10, true, RGB(15, 25, 15)},  {10, false, RGB(5, 5, 5)}, {16, true, LightenColor(RGB(45, 45, 45), -25)},
      {16, false, LightenColor(LightenColor(RGB(45, 45, 45), -25), -100)},
      {9, true, clHighlight},       {0, true, clBlack}, {45, false, RGB(85, 85, 85)}, {46, true, RGB(85, 85, 85)},
      {46, false, clBlack},  // one past the table
      {47, true, clBlack},          {1000, false, clBlack}, {65535, true, clBlack},       {65535, false, clBlack},
  };
  for (const TCase& c : cases) EXPECT_EQ(GetAudioColor(c.Index, c.Bright), c.Expected) << c.Index << " " << c.Bright;
}

TEST_F(TPaintFixture, SwitchFacesSliderKnobsAndFrames) {
  struct TCase { uint8_t Style; bool Lit, Down, FixedLit; int Slot; };
  const TCase cases[] = {
      {0, true, false, false, 5},  {0, false, false, false, 5}, {4, true, false, false, 5},
      {1, true, false, false, 7},  {2, true, false, false, 9},  {3, false, false, false, 23},
      {0, true, true, false, 4},   {0, false, true, false, 5},  {4, true, true, false, 4},
      {1, true, true, false, 6},   {2, true, true, false, 8},   {3, true, true, false, 22},
      {3, false, true, false, 23}, {3, true, true, true, 8},    {3, false, true, true, 22},
      {200, true, true, false, 4}, {1, false, true, true, 6},
  };
  const TRect r = Rect(2, 2, 22, 22);
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << int(c.Style) << " lit " << c.Lit << " down " << c.Down
                                    << " fixed " << c.FixedLit);
    DrawSwitchButton(Canvas, r, c.Lit, c.Down, "", c.Style, c.FixedLit);
    // Raised: light top-left, dark bottom-right; pressed the other way round.
    const TColor light = GetAudioColor(19, true), dark = GetAudioColor(18, true);
    EXPECT_EQ(
        std::tuple(Canvas->GetPixel(12, 12), Canvas->GetPixel(2, 2), Canvas->GetPixel(21, 21), Canvas->GetPixel(1, 1)),
        std::tuple(SlotColor(c.Slot), c.Down ? dark : light, c.Down ? light : dark, TColor(clWhite)));
  }
  // A picture that failed to load leaves the face as it was, inside its frame.
  Canvas->GetBrush()->SetColor(clWhite), Canvas->FillRect(Rect(0, 0, 24, 24));
  QzAudioSwitchPicture(5)->SetSize(0, 0);
  DrawSwitchButton(Canvas, r, false, false, "", 0, false);
  EXPECT_EQ(std::tuple(Canvas->GetPixel(12, 12), Canvas->GetPixel(2, 2)),
            std::tuple(TColor(clWhite), GetAudioColor(19, true)));
  EXPECT_TRUE(!QzAudioSwitchPicture(3) && !QzAudioSwitchPicture(24));
  // Slider knobs: their default sizes, and only the inside of a keyed picture reaches the canvas.
  auto picture = FilledBitmap(7, 3);
  EXPECT_EQ((std::vector{DefaultSliderKnobSize(1, nullptr), DefaultSliderKnobSize(0, nullptr),
                         DefaultSliderKnobSize(1, picture.get())}),
            (std::vector{TSize{26, 52}, TSize{52, 26}, TSize{7, 3}}));
  // A knob picture whose corner colour is transparent: only its inside reaches the canvas.
  picture = FilledBitmap(4, 4, clFuchsia);
  picture->GetCanvas()->GetBrush()->SetColor(clBlue);
  picture->GetCanvas()->FillRect(Rect(1, 1, 3, 3));
  DrawSliderKnob(Canvas, Rect(0, 0, 8, 8), 0, clRed, picture.get());
  EXPECT_EQ(std::tuple(Canvas->GetPixel(0, 0), Canvas->GetPixel(4, 4)), std::tuple(TColor(clWhite), TColor(clBlue)));
  DrawAudioControlFrame(Canvas, Rect(0, 0, 20, 12), false);
  EXPECT_EQ(std::tuple(Canvas->GetPixel(10, 6), Canvas->GetPixel(10, 0)),
            std::tuple(GetAudioColor(10, false), TColor(0x808080)));
}

TEST(ResourceBitmaps, MissingResourcesLeaveEmptyPictures) {
  TBitmap b;
  b.SetSize(3, 3);
  TPicture p;
  EXPECT_FALSE(QzLoadBitmapResource("NO SUCH RESOURCE", &b) || QzLoadBitmapResource("x", nullptr) ||
               QzLoadPictureResource("NO SUCH RESOURCE", &p));
  EXPECT_EQ(std::tuple(b.GetEmpty(), p.GetWidth()), std::tuple(true, 0));
  // Every bitmap resource there is loads, under any spelling of its name.
  for (size_t i = 0; i < QzResourceCount(); ++i) {
    const TQzResource* r = QzResourceAt(i);
    if (std::string(r->Type) != "BMP") continue;
    std::string lower = r->Name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    TBitmap any;
    EXPECT_TRUE(QzLoadBitmapResource(lower, &any) && !any.GetEmpty()) << r->Name;
  }
}

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
