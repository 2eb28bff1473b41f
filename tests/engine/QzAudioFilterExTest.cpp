#include "engine/QzAudioFilterEx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <random>
#include <vector>

#include "BiquadTextbook.h"

namespace {

// A filter of Kind, set up when a rate is given.
std::unique_ptr<TQzAudioBiquadIIRFilter> MakeFilter(TKind Kind, uint32_t Rate = 0, float Frequency = 0,
                                                    float Bandwidth = 0, float Gain = 0) {
  std::unique_ptr<TQzAudioBiquadIIRFilter> f;
  if (Kind == TKind::Highcut) f = std::make_unique<TQzAudioHighcutFilter>();
  else if (Kind == TKind::Lowcut) f = std::make_unique<TQzAudioLowcutFilter>();
  else f = std::make_unique<TQzAudioBandWidthFilter>();
  if (Rate) f->SetSampleRate(Rate), f->SetFrequency(Frequency), f->SetBandwidth(Bandwidth), f->SetGain(Gain);
  return f;
}

class TCountingBand : public TQzAudioBandWidthFilter {
public:
  int Count = 0;
  void CalcCoefficients() override {
    ++Count;
    TQzAudioBandWidthFilter::CalcCoefficients();
  }
};

}  // namespace

TEST(QzAudioFilterEx, DbToGainLaw) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(std::vector<double>({DbToGain(0.0), DbToGain(-120.5), DbToGain(nan)}), std::vector<double>({1, 0, 0}));
  EXPECT_DOUBLE_EQ(DbToGain(-120.0), 1e-6);
}

// Setters clamp at their bounds (the gain has none) and recompute once: again with the clamped
// value is no change. Non-finite values leave the filter as it was.
TEST(QzAudioFilterEx, SettersClampAndRecomputeOnlyOnChange) {
  // What: f(requency), b(andwidth), g(ain) or r(ate)
  struct TCase { char What; float Value, Expected; } cases[] = {
      {'f', 0.5f, 1.0f},   {'f', 30000.0f, 25000.0f}, {'f', -5.0f, 1.0f},     {'b', 0.05f, 0.1f},
      {'b', 20.0f, 10.0f}, {'g', -40.0f, -40.0f},     {'g', 80.0f, 80.0f},    {'r', 5000, 10000},
      {'r', 250000, 192000},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.What << " " << c.Value);
    TCountingBand f;
    auto set = [&](float V) {
      switch (c.What) {
        case 'f': f.SetFrequency(V); return static_cast<double>(f.GetFrequency());
        case 'b': f.SetBandwidth(V); return static_cast<double>(f.GetBandwidth());
        case 'g': f.SetGain(V); return static_cast<double>(f.GetGain());
        default: f.SetSampleRate(static_cast<uint32_t>(V)); return static_cast<double>(f.GetSampleRate());
      }
    };
    EXPECT_EQ(set(c.Value), c.Expected);
    EXPECT_EQ(set(c.Expected), c.Expected);
    EXPECT_EQ(f.Count, 1);
    const TQzBiquadCoefficients before = f.GetCoefficients();
    for (float bad : {std::nanf(""), std::numeric_limits<float>::infinity()})
      if (c.What != 'r' && (c.What == 'g' || std::isnan(bad))) set(bad);
    EXPECT_EQ(f.Count, 1);
    EXPECT_EQ(f.GetCoefficients().b0, before.b0);
  }
}

TEST(QzAudioFilterEx, CornerAboveNyquist) {
  TQzAudioHighcutFilter f;
  f.SetFrequency(25000.0f);
  EXPECT_EQ(f.GetW0(), Pi);
  EXPECT_NEAR(f.GetSinW0(), std::sin(2.0 * Pi * 25000.0 / 44100.0), 1e-14);
  EXPECT_NEAR(f.GetAlpha(), 0.0, 1e-15);
  const TQzBiquadCoefficients c = f.GetCoefficients();
  const double got[] = {c.b0, c.b1, c.b2, c.a1, c.a2}, want[] = {1, 2, 1, 2, 1};
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(got[i], want[i], 1e-15) << i;
  EXPECT_TRUE(f.IsAtNyquist());
  // From a clear state those coefficients pass the signal: y = b0 x with b0 = 1.
  for (float x : {0.5f, -0.25f, 1e-3f, 0.75f}) EXPECT_EQ(f.ProcessSample(x), x);
  // A corner exactly at Nyquist counts as at Nyquist; just below it does not.
  TQzAudioHighcutFilter g;
  g.SetSampleRate(40000);
  g.SetFrequency(20000.0f);
  EXPECT_TRUE(g.IsAtNyquist());
  g.SetFrequency(19999.0f);
  EXPECT_FALSE(g.IsAtNyquist());
}

// At 32000 Hz the 20000 Hz high-cut sits above Nyquist. A state carried over from another rate
// must not excite the double pole at -1.
TEST(QzAudioFilterEx, RateDropBelowCornerStaysBounded) {
  for (TKind kind : {TKind::Highcut, TKind::Band}) {
    auto f = MakeFilter(kind);
    f->SetFrequency(20000.0f);
    f->SetGain(6.0f);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int i = 0; i < 1000; ++i) f->ProcessSample(u(rng));
    f->SetSampleRate(32000);
    float peak = 0.0f;
    for (int i = 0; i < 32000 * 5; ++i) peak = std::max(peak, std::fabs(f->ProcessSample(u(rng))));
    EXPECT_LE(peak, 2.0f);
  }
}

TEST(QzAudioFilterEx, ResponsesMatchCoefficientsAndTextbook) {
  struct TCase { TKind Kind; float Frequency, Bandwidth, Gain; uint32_t Rate; } cases[] = {
      {TKind::Highcut, 20000.0f, 1.0f, 0.0f, 44100}, {TKind::Highcut, 1000.0f, 1.0f, 0.0f, 48000},
      {TKind::Highcut, 5000.0f, 3.0f, 0.0f, 96000},  {TKind::Lowcut, 20.0f, 1.0f, 0.0f, 44100},
      {TKind::Lowcut, 500.0f, 1.0f, 0.0f, 48000},    {TKind::Lowcut, 150.0f, 0.5f, 0.0f, 22050},
      {TKind::Band, 1000.0f, 1.0f, 12.0f, 44100},    {TKind::Band, 100.0f, 0.5f, -15.0f, 48000},
      {TKind::Band, 12500.0f, 5.0f, 9.0f, 44100},    {TKind::Band, 3000.0f, 2.0f, -6.0f, 192000},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.Kind) << " " << c.Frequency << " Hz bw "
                                    << c.Bandwidth << " gain " << c.Gain << " @" << c.Rate);
    auto f = MakeFilter(c.Kind, c.Rate, c.Frequency, c.Bandwidth, c.Gain);
    const TQzBiquadCoefficients coef = f->GetCoefficients();
    const TQzBiquadCoefficients text = Textbook(c.Kind, c.Frequency, c.Rate, c.Bandwidth, c.Gain);
    for (double ft : {31.0, 100.0, 440.0, 997.0, 3001.0, 8000.0, 15000.0}) {
      if (ft >= c.Rate / 2.0) continue;
      const double w = 2.0 * Pi * ft / c.Rate;
      const double analytic = std::abs(Response(coef, w));
      EXPECT_NEAR(analytic, std::abs(Response(text, w)), 1e-9 * std::max(1.0, analytic)) << ft;
    }
  }
}

TEST(QzAudioFilterEx, ResetAndNaNStateRecover) {
  TQzAudioHighcutFilter f;
  f.SetFrequency(5000.0f);
  auto sameAsFresh = [&](int From) {
    TQzAudioHighcutFilter clean;
    clean.SetFrequency(5000.0f);
    for (int i = 0; i < 100; ++i) {
      const float x = std::sin(0.1f * (i + From));
      ASSERT_EQ(f.ProcessSample(x), clean.ProcessSample(x)) << i;
    }
  };
  for (int i = 0; i < 50; ++i) f.ProcessSample(0.3f);
  f.Reset();
  sameAsFresh(0);
  EXPECT_TRUE(std::isnan(f.ProcessSample(std::nanf(""))));
  sameAsFresh(1);
}

// (A micro EQ is the per-sample formula of the equaliser's block-path test.)
TEST(QzAudioFilterEx, ShelfChain) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> x(2000);
  for (float& v : x) v = u(rng);

  // The high-cut, then the low-cut.
  TQzAudioShelfEQ shelf;
  TQzAudioHighcutFilter hc;
  TQzAudioLowcutFilter lc;
  hc.SetFrequency(20000.0f);
  for (float v : x) ASSERT_EQ(shelf.ProcessSample(v), lc.ProcessSample(hc.ProcessSample(v)));
}

TEST(QzAudioFilterEx, MicroEQBandIndexOutOfRange) {
  TQzAudioMicroEQ eq;
  EXPECT_TRUE(eq.GetBandEnabled(0));
  EXPECT_FALSE(eq.GetBandEnabled(5));
  EXPECT_EQ(eq.GetBand(3), nullptr);
  eq.SetBandGain(3, 6.0f);
  eq.SetBandFrequency(200, 6.0f);
  eq.SetBandBandwidth(3, 6.0f);
  eq.SetBandEnabled(3, false);
  for (uint8_t i = 0; i < 3; ++i) {
    TQzAudioBandWidthFilter* b = eq.GetBand(i);
    EXPECT_EQ(std::vector<float>({b->GetGain(), b->GetFrequency(), b->GetBandwidth()}),
              std::vector<float>({0, 1000, 1})) << int(i);
  }
  EXPECT_EQ(std::pair(eq.GetHighcut()->GetFrequency(), eq.GetLowcut()->GetFrequency()), std::pair(20000.0f, 20.0f));
}
