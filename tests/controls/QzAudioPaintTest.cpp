#include <gtest/gtest.h>

#include <cctype>

#include "tests/common/UiHeaders.h"
#include "tests/common/TestPixels.h"

namespace {
constexpr TColor RGB(int R, int G, int B) { return static_cast<TColor>(R | G << 8 | B << 16); }

// Each switch slot gets a plain picture of its own colour, so that what a face shows tells
// which slot it drew.
TColor SlotColor(int Slot) { return RGB(10 + Slot * 9, 200 - Slot * 5, 30 + Slot); }
constexpr int Slots[] = {4, 5, 6, 7, 8, 9, 22, 23};

void PaintSlots() {
  for (int slot : Slots) {
    TBitmap* b = QzAudioSwitchPicture(slot);
    ASSERT_NE(b, nullptr);
    b->SetSize(4, 4);
    b->GetCanvas()->GetBrush()->SetColor(SlotColor(slot));
    b->GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    // The faces are keyed by their bottom-left pixel, as the artwork is.
    b->GetCanvas()->SetPixel(0, 3, RGB(255, 0, 255));
  }
}

struct TPaintFixture : ::testing::Test {
  void SetUp() override {
    QzAudioControlsFinalize();
    QzAudioControlsInitialize();
    Canvas = Target->GetCanvas();
  }
  void TearDown() override { QzAudioControlsFinalize(); }
  void Clear() { Canvas->GetBrush()->SetColor(clWhite), Canvas->FillRect(Rect(0, 0, 24, 24)); }
  std::unique_ptr<TBitmap> Target = FilledBitmap(24, 24);
  TCanvas* Canvas = nullptr;
};
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
  PaintSlots();
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
  Clear();
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
