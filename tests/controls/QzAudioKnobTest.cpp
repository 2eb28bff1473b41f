#include <cmath>
#include <limits>

#include "tests/controls/AudioFormTest.h"

namespace {
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr int FrameSide = 10;

// The colour of strip frame K: distinct for every frame of a small strip.
TColor FrameColour(int K) { return RGB(10 * K, 255 - 10 * K, 128); }

struct TKnobFixture : AudioFormTest {
  void SetUp() override {
    AudioFormTest::SetUp();
    Form->SetClientSize(300, 200);
    Source = QzCreate<TQzAudioKnobSource>(Form);
    Knob = Put<TQzAudioKnob>(20, 30, 110, 125);
    Knob->OnChanged = [this](TObject*) { ++Changes; };
    Show();
  }
  // A PNG strip of Frames solid frames, FrameSide wide (Height overrides the strip's height).
  void UseStrip(int Frames, int Height = 0) {
    TPortableNetworkGraphic png;
    png.SetSize(FrameSide, Height ? Height : FrameSide * Frames);
    for (int k = 0; k < Frames; ++k) {
      png.GetCanvas()->GetBrush()->SetColor(FrameColour(k));
      png.GetCanvas()->FillRect(Rect(0, k * FrameSide, FrameSide, (k + 1) * FrameSide));
    }
    Source->GetPicture()->Assign(&png);
    Knob->SetKnobSource(Source);
  }
  TColor FaceCentre() {
    Pump();
    const TRect& k = Knob->GetKnobRect();
    return ScreenPixel(Knob->GetLeft() + (k.Left + k.Right) / 2, Knob->GetTop() + (k.Top + k.Bottom) / 2);
  }
  void Range(float Min, float Max, float Value) {
    Knob->SetMin(Min), Knob->SetMax(Max), Knob->SetMin(Min), Knob->SetValue(Value);
  }
  // A drag with the button held from (X, Y) by (Dx, Dy).
  void Drag(int X, int Y, int Dx, int Dy) {
    Knob->MouseDown(mbLeft, {}, X, Y);
    Knob->MouseMove({ssLeft}, X + Dx, Y + Dy);
    Knob->MouseUp(mbLeft, {}, X + Dx, Y + Dy);
  }
  TQzAudioKnobSource* Source = nullptr;
  TQzAudioKnob* Knob = nullptr;
  int Changes = 0;
};
}  // namespace

TEST_F(TKnobFixture, ValueAndAngleFollowTheRange) {
  struct TCase { float Min, Max, Set, Value, Angle; };
  const TCase cases[] = {
      {-80, 5, -80, -80, 0},      {-80, 5, 5, 5, 270},         {-80, 5, -37.5f, -37.5f, 135},
      {-80, 5, 99, 5, 270},       {-80, 5, -1000, -80, 0},     {3, 3, 7, 3, 0},
      // A range set up backwards takes every value to Max (raised to Min, then lowered to Max),
      // at the far end of the knob: no value between the bounds is ever reached.
      {3, 3, -7, 3, 0},           {10, 0, 5, 0, 270},          {10, 0, 20, 0, 270},
      {10, 0, -1, 0, 270},        {1000, 20000, 1000.5f, 1000.5f, 270.0f * 0.5f / 19000},
      {1000, 20000, 19999.5f, 19999.5f, 270.0f * 18999.5f / 19000},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Min) + ".." + std::to_string(c.Max) + " set " + std::to_string(c.Set));
    Range(c.Min, c.Max, c.Set);
    EXPECT_FLOAT_EQ(Knob->GetValue(), c.Value);
    EXPECT_NEAR(Knob->GetAngle(), c.Angle, 1e-3);
    // NaN and infinities leave the knob as it was.
    Knob->SetValue(NaN), Knob->SetMin(NaN), Knob->SetMax(std::numeric_limits<float>::infinity());
    EXPECT_EQ(std::tuple(Knob->GetValue(), std::isnan(Knob->GetAngle())), std::tuple(c.Value, false));
  }
  // Angles set from code land on the value they stand for, the ends exactly.
  Range(-80, 5, 0);
  for (float a : {0.0f, 0.5f, 135.0f, 269.5f, 270.0f, 400.0f, -3.0f}) {
    Knob->SetAngle(a);
    EXPECT_NEAR(Knob->GetAngle(), std::fmin(std::fmax(a, 0.0f), 270.0f), 1e-3) << a;
  }
  // From code too, a change reports once and no change reports nothing.
  Changes = 0;
  Knob->SetAngle(270), Knob->SetAngle(300), Knob->SetValue(5), Knob->SetValue(9);
  EXPECT_EQ(std::tuple(Knob->GetValue(), Changes), std::tuple(5.0f, 1));
  // A new range keeps the angle: the value moves with it, and comes back with the old range, also
  // from an empty or reversed one.
  struct TMove { float Min, Max, Set, NewMin, NewMax, Value; };
  const TMove moves[] = {
      {-80, 5, -37.5f, -80, 10, -35}, {0, 5, 2.5f, 0, 10, 5}, {0, 10, 10, -10, 30, 30},
      {0, 10, 0, 5, 20, 5},           {0, 10, 7.5f, 4, 4, 4}, {0, 100, 25, 100, 0, 75},
  };
  for (const TMove& m : moves) {
    SCOPED_TRACE(std::to_string(m.Set) + " to " + std::to_string(m.NewMin) + ".." + std::to_string(m.NewMax));
    Range(m.Min, m.Max, m.Set);
    const float angle = Knob->GetAngle();
    Knob->SetMin(m.NewMin), Knob->SetMax(m.NewMax), Knob->SetMin(m.NewMin);
    EXPECT_FLOAT_EQ(Knob->GetValue(), m.Value);
    EXPECT_EQ(Knob->GetAngle(), angle);
    Knob->SetMin(m.Min), Knob->SetMax(m.Max), Knob->SetMin(m.Min);
    EXPECT_FLOAT_EQ(Knob->GetValue(), m.Set);
  }
}

TEST_F(TKnobFixture, CodeAndGesturesReportChanges) {
  Range(0, 100, 50);
  // Every change of a bound reports, and the value follows it at the same angle; the same bound
  // reports nothing.
  Changes = 0;
  Knob->SetMax(40);
  EXPECT_EQ(std::tuple(Knob->GetValue(), Changes), std::tuple(20.0f, 1));
  Knob->SetMax(100), Knob->SetMax(100), Knob->SetMin(-10), Knob->SetMin(-10);
  EXPECT_EQ(std::tuple(Knob->GetValue(), Changes), std::tuple(45.0f, 3));
  // Not while the knob is updating.
  Knob->BeginUpdate(), Knob->SetMin(0), Knob->SetValue(60), Knob->EndUpdate();
  EXPECT_EQ(std::tuple(Knob->GetValue(), Changes), std::tuple(60.0f, 3));
  // After a drag, a move without the button held changes nothing.
  Drag(40, 40, 0, -25);
  Changes = 0;
  Knob->MouseMove({}, 90, 90);
  EXPECT_EQ(Changes, 0);
  // A typed value is the user's too.
  Knob->SetOptions({KNOB_SHOW_VALUE, KNOB_EDIT_VALUE}), Pump();
  const TRect v = Knob->GetValueRect();
  ASSERT_FALSE(QzIsRectEmpty(v));
  Knob->MouseDown(mbLeft, {}, v.Left, v.Top), Knob->MouseUp(mbLeft, {}, v.Left, v.Top);
  ASSERT_TRUE(QzAudioEditHeldBy(Knob));
  QzSharedAudioEdit()->SetText("12,25");
  Key(VK_RETURN);
  EXPECT_EQ(std::tuple(Knob->GetValue(), Changes), std::tuple(12.25f, 1));
}

// Small steps leave the ends, and each marks the knob, only the knob, for painting. A wheel notch
// reports once more after its value change, so once even at a limit.
TEST_F(TKnobFixture, SmallStepsLeaveTheEnds) {
  struct TCase { const char* Name; float Start; std::function<void()> Do; float Value; int Changes; };
  const TCase cases[] = {
      {"wheel down at the minimum", 1000, [&] { Knob->DoMouseWheelDown({}, TPoint{}); }, 1001, 2},
      {"wheel up at the maximum", 20000, [&] { Knob->DoMouseWheelUp({}, TPoint{}); }, 19999, 2},
      {"wheel up at the minimum", 1000, [&] { Knob->DoMouseWheelUp({}, TPoint{}); }, 1000, 1},
      {"Ctrl wheel down at the minimum", 1000, [&] { Knob->DoMouseWheelDown({ssCtrl}, TPoint{}); }, 1000.1f, 2},
      {"1 px right at the minimum", 1000, [&] { Drag(50, 50, 1, 0); }, 1000 + 19000.0f / 5 / 110, 1},
      {"1 px down at the maximum", 20000, [&] { Drag(50, 50, 0, 1); }, 20000 - 19000.0f / 5 / 125, 1},
      {"1 px right at the maximum", 20000, [&] { Drag(50, 50, 1, 0); }, 20000, 0},
  };
  for (const TCase& c : cases) {
    Range(1000, 20000, c.Start), Pump();
    Changes = 0;
    c.Do();
    EXPECT_NEAR(Knob->GetValue(), c.Value, 1e-2) << c.Name;
    EXPECT_EQ(Changes, c.Changes) << c.Name;
    const TRect dirty = Form->GetInvalidRect();
    EXPECT_EQ(QzIsRectEmpty(dirty) ? TRect{} : dirty, c.Changes ? Rect(20, 30, 130, 155) : TRect{}) << c.Name;
  }
  // A notch over the knob is used even at a limit, so the container never scrolls as well.
  Range(1000, 20000, 1000);
  EXPECT_TRUE(Knob->DoMouseWheelUp({}, TPoint{5, 5}));
  Knob->SetEnabled(false);
  EXPECT_FALSE(Knob->DoMouseWheelDown({}, TPoint{5, 5}));
  EXPECT_EQ(Knob->GetValue(), 1000.0f);
}

TEST_F(TKnobFixture, FaceShowsTheFrameOfTheAngleFromItsSource) {
  struct TCase { int W, H; float Angle; int Frame; };
  const TCase laws[] = {
      {50, 1550, 270, 30}, {50, 1550, 4.4f, 0}, {50, 1550, 4.5f, 0}, {50, 1550, 13.5f, 2},
      {50, 1550, NaN, 0},  {50, 1550, 999, 30}, {64, 6464, 135, 50}, {60, 50, 135, -1},
      {0, 0, 135, -1},     {10, 10, 270, 0},
  };
  for (const TCase& c : laws)
    EXPECT_EQ(TQzCustomAudioKnob::FrameIndex(c.W, c.H, c.Angle), c.Frame) << c.W << "x" << c.H << " at " << c.Angle;
  UseStrip(11);
  Range(0, 10, 0);
  for (int v : {0, 3, 5, 10}) {
    Knob->SetValue(static_cast<float>(v));
    EXPECT_EQ(FaceCentre(), FrameColour(v)) << "value " << v;
  }
  // Without a usable strip no face is drawn: the knob's own colour shows.
  const TColor plain = ScreenPixel(Knob->GetLeft() + 2, Knob->GetTop() + 2);
  UseStrip(1, FrameSide - 4);  // wider than tall
  EXPECT_EQ(FaceCentre(), plain);
  Knob->SetKnobSource(nullptr);
  EXPECT_EQ(Knob->GetKnobRect().Right - Knob->GetKnobRect().Left, 50);
  EXPECT_EQ(FaceCentre(), plain);
  // The source keeps track of its knobs.
  UseStrip(3);
  EXPECT_EQ(std::tuple(Source->ClientCount(), Source->GetFrameSize()), std::tuple(1, FrameSide));
  // A new picture in the source lays its knobs out again.
  TPortableNetworkGraphic wide;
  wide.SetSize(24, 24 * 4);
  Source->GetPicture()->Assign(&wide), Pump();
  EXPECT_EQ(Knob->GetKnobRect().Right - Knob->GetKnobRect().Left, 24);
  Source->Free();
  EXPECT_EQ(Knob->GetKnobSource(), nullptr);
  Pump();
  auto* other = QzCreate<TQzAudioKnobSource>(Form);
  EXPECT_FALSE(other->LoadFromResource("NO_SUCH_STRIP"));
  EXPECT_EQ(std::tuple(other->IsEmpty(), other->GetFrameSize()), std::tuple(true, 0));
}

// The value text keeps the font's own style, KNOB_VALUE_BOLD adding bold to it; the caption is
// plain whatever that style, bold only with the option.
TEST_F(TKnobFixture, ValueKeepsTheFontStyleTheCaptionIsPlain) {
  Knob->SetCaption("Gain"), Knob->SetValue(-20);
  Knob->GetFont()->SetColor(clWhite);
  const auto shown = [&](TFontStyles Style, bool Bold) {
    Knob->GetFont()->SetStyle(Style);
    TQzAudioKnobOptions o{KNOB_SHOW_VALUE, KNOB_SHOW_CAPTION};
    if (Bold) o.Include(KNOB_VALUE_BOLD);
    Knob->SetOptions(o), Repaint(Knob);
    std::vector<TColor> value, caption;
    for (auto [r, into] : {std::pair{Knob->GetValueRect(), &value}, std::pair{Knob->GetCaptionRect(), &caption}})
      for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) into->push_back(ScreenPixel(Knob->GetLeft() + x, Knob->GetTop() + y));
    return std::pair{value, caption};
  };
  const auto plain = shown({}, false), bold = shown({}, true);
  const auto underlined = shown({fsUnderline}, false), underlinedBold = shown({fsUnderline}, true);
  const auto fontBold = shown({fsBold}, false);
  ASSERT_NE(plain.first, bold.first);
  EXPECT_NE(underlined.first, plain.first);
  EXPECT_NE(underlinedBold.first, bold.first) << "the option adds bold to the style, not in its place";
  EXPECT_EQ(fontBold.first, bold.first);
  ASSERT_NE(plain.second, bold.second);
  EXPECT_EQ(std::tuple(underlined.second, underlinedBold.second, fontBold.second),
            std::tuple(plain.second, bold.second, plain.second));
}
