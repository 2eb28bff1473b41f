#include <cmath>
#include <limits>
#include <numbers>

#include "tests/controls/AudioFormTest.h"

namespace {
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();
constexpr int MeterX = 20, MeterY = 30;
constexpr TColor NeedleColour = RGB(55, 55, 55);

struct TMeterFixture : AudioFormTest {
  void SetUp() override {
    AudioFormTest::SetUp();
    RegisterQzAudioVUMeterClasses();
    Form->SetClientSize(400, 300);
    Meter = NewMeter(MeterX, MeterY);
    Show();
  }
  TQzAudioVUMeter* NewMeter(int X, int Y) {
    auto* m = Put<TQzAudioVUMeter>(X, Y, 250, 155);
    m->OnChanged = [this](TObject*) { ++Reports; };
    m->OnInternalChange = [this](TObject*, int32_t, int32_t, float, int32_t) { ++Reports; };
    return m;
  }
  // Form coordinates of the point Radius pixels up the needle of Meter at AngleDeg.
  static TPoint OnNeedle(const TControl* Meter, double AngleDeg, double Radius) {
    const double a = AngleDeg * std::numbers::pi / 180.0;
    return TPoint{Meter->GetLeft() + 125 - static_cast<int>(std::lround(Radius * std::sin(a))),
                  Meter->GetTop() + 145 - static_cast<int>(std::lround(Radius * std::cos(a)))};
  }
  // The needle colour within one pixel of P.
  bool NeedleNear(TPoint P) const {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (ScreenPixel(P.X + dx, P.Y + dy) == NeedleColour) return true;
    return false;
  }
  std::vector<TColor> MeterPixels(const TControl* Meter) const {
    std::vector<TColor> v;
    for (int y = Meter->GetTop(); y < Meter->GetTop() + Meter->GetHeight(); ++y)
      for (int x = Meter->GetLeft(); x < Meter->GetLeft() + Meter->GetWidth(); ++x) v.push_back(ScreenPixel(x, y));
    return v;
  }
  TQzAudioVUMeter* Meter = nullptr;
  int Reports = 0;
};
}  // namespace

// The needle law pinned at its anchors, between them (rounded to the nearest tenth of a dB,
// halves to even) and beyond its ends.
TEST_F(TMeterFixture, NeedleFollowsTheLawForEveryLevel) {
  const struct { float Level; double Angle; } cases[] = {
      {-80, 48.0},      {-20, 48.0},    {-19.95f, 48.0},   {-12.5f, 37.7525}, {-10, 34.2},  {-7.26f, 26.0129},
      {-5, 17.6},       {-3, 5.1},      {-2, -1.8},        {-1, -9.05},       {-0.25f, -14.7833},
      {-0.05f, -15.5},  {0, -16.0},     {0.55f, -22.6},    {1, -27.0},        {2.34f, -40.2},
      {3, -49.3},       {10, -49.3},    {NaN, 48.0},       {Inf, -49.3},      {-Inf, 48.0}};
  Meter->SetCalibrationMode(true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Level);
    Meter->SetVolume(c.Level), Pump();
    EXPECT_TRUE(std::isfinite(Meter->GetVolume()));
    EXPECT_NEAR(Meter->GetNeedleAngle(), c.Angle, 1e-3);
    EXPECT_TRUE(NeedleNear(OnNeedle(Meter, c.Angle, 75))) << "no needle at " << c.Angle << " degrees";
  }
  EXPECT_EQ(Reports, 0) << "a level set from code was reported";
}

TEST_F(TMeterFixture, LevelsTakenByModeAndState) {
  struct TCase { const char* Name; bool Calibration, Enabled; float First, Second, Expect; };
  const TCase cases[] = {
      {"a new meter sits on the floor", false, true, -80, -80, -20},
      {"a lower level waits for the fall", false, true, -6, -12, -6},
      {"a higher level is taken at once", false, true, -12, -6, -6},
      {"over the top is held at +3", false, true, -6, 10, 3}, {"NaN is ignored", false, true, -6, NaN, -6},
      {"infinity pegs the needle", false, true, -6, Inf, 3},
      {"a disabled meter ignores levels", false, false, -6, 0, -20},
      {"calibration takes a lower level", true, true, -6, -12, -12},
      {"calibration takes levels while disabled", true, false, -6, -12, -12},
      {"NaN in calibration is the floor", true, true, -6, NaN, -20},
      {"minus infinity in calibration is the floor", true, true, -6, -Inf, -20},
  };
  for (const TCase& c : cases) {
    TQzAudioVUMeter* m = NewMeter(0, 0);
    m->SetCalibrationMode(c.Calibration), m->SetEnabled(c.Enabled), m->SetVolume(c.First), m->SetVolume(c.Second);
    EXPECT_FLOAT_EQ(m->GetVolume(), c.Expect) << c.Name;
    m->Free();
  }
  EXPECT_EQ(Reports, 0);
}

TEST_F(TMeterFixture, FallFollowsElapsedTimeNotTickRate) {
  // -6 falls by a tenth of the level per 50 ms step.
  Meter->SetVolume(-6);
  for (float level : {-6.6f, -7.26f}) {
    for (int i = 0; i < 5; ++i) Meter->TimeBaseTick(nullptr, 10);
    EXPECT_NEAR(Meter->GetVolume(), level, 1e-5);
  }
  // The same wall time in ticks of 10, 40 (25 Hz) and 16.7 ms (60 Hz) ends at the same level.
  const std::vector<std::vector<uint32_t>> rates = {{10}, {40}, {17, 17, 16}, {250}, {1000}};
  std::vector<float> angles;
  for (const auto& pattern : rates) {
    TQzAudioVUMeter* m = NewMeter(0, 0);
    m->SetVolume(3);
    uint32_t spent = 0;
    for (size_t k = 0; spent < 1000; ++k) {
      m->TimeBaseTick(nullptr, pattern[k % pattern.size()]);
      spent += pattern[k % pattern.size()];
    }
    angles.push_back(m->GetNeedleAngle());
    EXPECT_TRUE(m->GetVolume() < -3.0f && m->GetVolume() > -20.0f) << m->GetVolume();
    m->Free();
  }
  for (size_t i = 1; i < angles.size(); ++i) EXPECT_NEAR(angles[i], angles[0], 0.5) << "tick pattern " << i;
  // A host that stalls for minutes leaves the needle on the floor, not wrapped round.
  Meter->SetVolume(3);
  Meter->TimeBaseTick(nullptr, 4000000000u);
  EXPECT_FLOAT_EQ(Meter->GetVolume(), -20);
  // Calibration holds the level.
  Meter->SetCalibrationMode(true), Meter->SetVolume(0), Meter->TimeBaseTick(nullptr, 1000);
  EXPECT_FLOAT_EQ(Meter->GetVolume(), 0);
  EXPECT_EQ(Reports, 0) << "the fall was reported as a change";
}

TEST_F(TMeterFixture, TickRepaintsOnlyTheNeedle) {
  Meter->SetVolume(0), Pump();
  const double before = Meter->GetNeedleAngle();
  Meter->TimeBaseTick(nullptr, 50);
  const double after = Meter->GetNeedleAngle();
  ASSERT_NE(before, after);
  const TRect dirty = Form->GetInvalidRect();
  ASSERT_FALSE(QzIsRectEmpty(dirty));
  EXPECT_EQ(QzIntersectRect(dirty, Meter->GetBoundsRect()), dirty) << "the tick marked outside the meter";
  EXPECT_LT((dirty.Right - dirty.Left) * (dirty.Bottom - dirty.Top), 250 * 155 / 4) << "more than the needle";
  Pump();
  // The partial repaint leaves what a whole one paints: no trace of the old needle.
  const std::vector<TColor> partial = MeterPixels(Meter);
  EXPECT_EQ(std::tuple(NeedleNear(OnNeedle(Meter, before, 100)), NeedleNear(OnNeedle(Meter, after, 100))),
            std::tuple(false, true));
  Repaint(Meter);
  EXPECT_EQ(MeterPixels(Meter), partial);
}

// Calibration shows the level as text; the scale follows the enabled state, and a meter
// without its artwork still paints a face and a needle.
TEST_F(TMeterFixture, FaceFollowsCalibrationAndEnabledStateAndSurvivesMissingArtwork) {
  const std::vector<TColor> plain = MeterPixels(Meter);
  Meter->SetCalibrationMode(true), Pump();
  const std::vector<TColor> calibrating = MeterPixels(Meter);
  EXPECT_NE(calibrating, plain) << "calibration shows no text";
  Meter->SetVolume(-20.0f), Meter->SetVolume(-19.9f);  // a needle move of under a degree, but new text
  Pump();
  EXPECT_NE(MeterPixels(Meter), calibrating) << "the calibration text kept the old level";
  Meter->SetVolume(-20.0f), Meter->SetCalibrationMode(false), Pump();
  EXPECT_EQ(MeterPixels(Meter), plain);
  // A spot of the face that neither labels, caption nor needle cover.
  const TPoint face{MeterX + 30, MeterY + 40};
  auto scaleAt = [&](bool Enabled) -> TColor {
    TBitmap* b = QzVUScalePicture(Enabled);
    if (!b || b->GetEmpty()) return clNone;
    const uint8_t* p = b->GetScanLine(face.Y - MeterY) + (face.X - MeterX) * (b->GetPixelFormat() == pf24bit ? 3 : 4);
    return RGB(p[2], p[1], p[0]);
  };
  EXPECT_EQ(ScreenPixel(face.X, face.Y), scaleAt(true));
  Meter->SetEnabled(false), Pump();
  EXPECT_EQ(ScreenPixel(face.X, face.Y), scaleAt(false));
  // Without the artwork the meter still paints a face and a needle, enabled and disabled apart.
  QzAudioVUMeterFinalize();
  ASSERT_EQ(QzVUScalePicture(true), nullptr);
  Meter->Free();
  TQzAudioVUMeter* bare = NewMeter(MeterX, MeterY);
  Pump();
  const TColor plainEnabled = ScreenPixel(face.X, face.Y);
  EXPECT_TRUE(NeedleNear(OnNeedle(bare, 48.0, 75)));
  bare->SetEnabled(false), Pump();
  EXPECT_NE(ScreenPixel(face.X, face.Y), plainEnabled);
  QzAudioVUMeterInitialize();
}
