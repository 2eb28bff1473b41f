#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "LevelLawsReference.h"
#include "TestSignals.h"
#include "engine/QzAudioLimiter.h"

namespace {

constexpr float Inf = std::numeric_limits<float>::infinity();

// The limiter's law sample by sample, scanning the whole look-ahead window for every sample,
// computing every level and gain with the plain formulas: what the optimised limiter must
// reproduce bit for bit.
struct TReferenceLimiter {
  float Reduction = -10.0f, Gain = 0.1f;
  float Peaks[4] = {0, 0, 0, 0}, Meters[4] = {0, 0, 0, 0};
  float Threshold, AttackStep, ReleaseStep, InputGain, LeftGain, RightGain;
  int32_t Mode;
  bool LookAhead, Bypass, Active;

  void Configure(TQzAudioLimiterPreset& P, uint32_t Rate) {
    Threshold = P.GetThreshold();
    AttackStep = static_cast<float>((1000.0 / Rate) / P.GetAttack());
    ReleaseStep = static_cast<float>((1000.0 / Rate) / P.GetRelease());
    InputGain = PlainDbToAmp(P.GetInputGain());
    const float out = PlainDbToAmp(P.GetOutputGain()), b = P.GetBalance();
    LeftGain = (b > 0 ? 1.0f - std::fabs(b / 100.0f) : 1.0f) * out;
    RightGain = (b < 0 ? 1.0f - std::fabs(b / 100.0f) : 1.0f) * out;
    Mode = P.GetMode(), LookAhead = P.GetLookAhead(), Bypass = P.GetBypass(), Active = P.GetActive();
  }

  static float Level(float V) {
    const float a = std::fabs(V);
    return a <= std::numeric_limits<float>::max() ? a : 0.0f;
  }

  void Process(const float* const* In, float* const* Out, uint16_t N) {
    if (!Active) return;
    const float *In0 = In[0], *In1 = In[1];
    float *Out0 = Out[0], *Out1 = Out[1];
    TQzDenormalGuard flush;  // the environment of the limiter's processing call
    for (int i = 0; i < N; ++i) {
      const float L = In0[i] * InputGain, R = In1[i] * InputGain;
      const float peak = std::fabs(R) > std::fabs(L) ? std::fabs(R) : std::fabs(L);
      const float level = PlainAmpToDb(peak * Gain);
      if (level > Threshold) {
        if (Mode == 0)
          Reduction = Reduction - AttackStep;
        else if (Mode == 1)
          Reduction = Reduction - (level - Threshold) * AttackStep;
        else
          Reduction = static_cast<float>(static_cast<double>(Reduction) -
                                         ((static_cast<double>(level) - Threshold) + 0.1));
      } else if (level < Threshold) {
        bool release = true;
        if (LookAhead) {
          const float ref = peak * Gain;
          float m = 0.0f;
          for (int j = i + 1; j < N && j < 25; ++j) {
            const float a = std::fabs(In0[j] * InputGain * Gain), b = std::fabs(In1[j] * InputGain * Gain);
            if (a > m) m = a;
            if (b > m) m = b;
            if (m >= ref) {
              release = false;
              break;
            }
          }
        }
        if (release) {
          if (Mode == 1)
            Reduction = Reduction + (Threshold - level) * ReleaseStep;
          else
            Reduction = Reduction + ReleaseStep;
        }
      }
      if (Reduction > 0.0f) Reduction = 0.0f;
      if (Reduction < -20.0f) Reduction = -20.0f;
      Gain = PlainDbToAmp(Reduction);
      if (!Bypass) {
        Out0[i] = L * Gain * LeftGain;
        Out1[i] = R * Gain * RightGain;
      }
      const float levels[4] = {Level(L), Level(R), Level(Out0[i]), Level(Out1[i])};
      for (int k = 0; k < 4; ++k) Peaks[k] = std::max(Peaks[k], levels[k]);
    }
    for (int k = 0; k < 4; ++k) Meters[k] = PlainAmpToDb(Peaks[k]);
  }
};

enum TSignalKind { sigSine, sigNoise, sigBursts, sigBroken, sigQuiet };

TStereo MakeSignal(TSignalKind Kind, size_t N, uint32_t Rate = 44100) {
  TStereo s(N);
  uint32_t seed = 99;
  auto noise = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / 16777216.0f * 2.0f - 1.0f;
  };
  for (size_t i = 0; i < N; ++i) {
    const double t = static_cast<double>(i) / Rate;
    auto sine = [t](double F) { return static_cast<float>(std::sin(2 * M_PI * F * t)); };
    const bool burst = (i % 3000) < 400;
    switch (Kind) {
      case sigSine: s.L[i] = sine(1000), s.R[i] = 0.7f * sine(1500); break;
      case sigNoise: s.L[i] = 1.5f * noise(), s.R[i] = 1.5f * noise(); break;
      case sigBursts: s.L[i] = (burst ? 2.0f : 0.05f) * sine(220), s.R[i] = (burst ? 1.0f : 0.02f) * noise(); break;
      case sigBroken:
        s.L[i] = noise(), s.R[i] = 0.5f * noise();
        if (i % 997 == 5) s.L[i] = std::nanf("");
        if (i % 1999 == 7) s.R[i] = Inf;
        if (i % 2503 == 9) s.L[i] = -Inf;
        if (i % 1201 == 11) s.R[i] = 1e-40f;
        break;
      case sigQuiet: s.L[i] = 0.01f * sine(440), s.R[i] = 0.01f * noise(); break;
    }
  }
  return s;
}

struct TConfig {
  const char* Name;
  int32_t Mode;
  bool LookAhead;
  float Threshold, Attack, Release, InputGain, OutputGain, Balance;
  uint32_t Rate;
};

void Apply(TQzCustomAudioLimiter& L, const TConfig& C) {
  L.SetSampleRate(C.Rate);
  TQzAudioLimiterPreset& p = *L.GetPreset();
  p.SetMode(C.Mode), p.SetLookAhead(C.LookAhead), p.SetThreshold(C.Threshold), p.SetAttack(C.Attack);
  p.SetRelease(C.Release), p.SetInputGain(C.InputGain), p.SetOutputGain(C.OutputGain), p.SetBalance(C.Balance);
}

// The heart of the checks: for every law, switch, block partition and signal, the limiter gives
// the very bits of the plain sample-by-sample law, including the gain reduction it carries from
// block to block and the meters.
TEST(QzCustomAudioLimiter, MatchesThePlainLawBitForBit) {
  const TConfig configs[] = {
      {"mode 0", 0, false, -3.0f, 5.0f, 150.0f, 0.0f, 0.0f, 0.0f, 44100},
      {"mode 0 look-ahead", 0, true, -3.0f, 5.0f, 150.0f, 0.0f, 0.0f, 0.0f, 44100},
      {"mode 1", 1, false, -6.0f, 0.1f, 75.0f, 0.0f, -1.0f, 30.0f, 48000},
      {"mode 1 look-ahead", 1, true, -3.0f, 10.0f, 750.0f, 3.0f, 0.0f, -40.0f, 96000},
      {"mode 2", 2, false, -3.0f, 5.0f, 150.0f, 0.0f, 0.0f, 0.0f, 44100},
      {"mode 2 look-ahead", 2, true, -3.0f, 5.0f, 75.0f, 0.0f, 0.0f, 0.0f, 48000},
      {"mode 2 low threshold", 2, true, -15.0f, 1.0f, 300.0f, -6.0f, 3.0f, 100.0f, 192000},
      {"mode 7 acts as 2", 7, true, 0.0f, 5.0f, 150.0f, 2.0f, -3.0f, -100.0f, 22050},
  };
  const std::vector<std::vector<size_t>> partitions = {{4096}, {64}, {7}, {1}, {300, 1, 4000, 17, 256, 257}};
  const TSignalKind signals[] = {sigSine, sigNoise, sigBursts, sigBroken, sigQuiet};
  for (const TConfig& c : configs) {
    for (TSignalKind kind : signals) {
      const TStereo in = MakeSignal(kind, 12000, c.Rate);
      for (const auto& blocks : partitions) {
        for (bool inPlace : {false, true}) {
          SCOPED_TRACE(testing::Message() << c.Name << " signal " << kind << " block " << blocks[0]
                                          << (inPlace ? " in place" : ""));
          TQzCustomAudioLimiter limiter;
          Apply(limiter, c);
          TReferenceLimiter ref;
          ref.Configure(*limiter.GetPreset(), c.Rate);
          std::vector<float> refReductions, reductions;
          const TStereo expected = RunBlocks(ref, in, blocks, false, [&] { refReductions.push_back(ref.Reduction); });
          const auto carried = [&] { reductions.push_back(limiter.GetGainReduction()); };
          const TStereo out = RunBlocks(limiter, in, blocks, inPlace, carried);
          // Bitwise: the broken signal's NaNs count too.
          EXPECT_EQ(FirstDifference(out, expected), "");
          ASSERT_EQ(reductions, refReductions);
          EXPECT_EQ(std::vector<float>({limiter.GetGain(), limiter.GetMeter(0), limiter.GetMeter(1),
                                        limiter.GetMeter(2), limiter.GetMeter(3)}),
                    std::vector<float>({ref.Gain, ref.Meters[0], ref.Meters[1], ref.Meters[2], ref.Meters[3]}));
        }
      }
    }
  }
}

// The law itself, in absolute values worked out by hand: a constant signal from the starting
// reduction of -10 dB (gain 0.1), threshold -3 dB, attack 5 ms and release 150 ms at 44.1 kHz,
// so one sample's attack step is 1/220.5 dB and its release step 1/6615 dB. Levels and gains
// are 10 log10 and 10^(dB / 10) of the amplitude.
TEST(QzCustomAudioLimiter, LawPinnedByAbsoluteValues) {
  const double a = 1.0 / 220.5, r = 1.0 / 6615.0;
  auto gain = [](double Db) { return std::pow(10.0, Db / 10.0); };
  // Out0 and Out1: the output samples 0 and 1
  struct TCase { const char* Name; int32_t Mode; float Input; double Out0, Out1; } cases[] = {
      // Level 0 dB above the threshold: a fixed step down per sample.
      {"mode 0 attack", 0, 10.0f, 10 * gain(-10 - a), 10 * gain(-10 - 2 * a)},
      // Level -10 dB below it: a fixed step up.
      {"mode 0 release", 0, 1.0f, gain(-10 + r), gain(-10 + 2 * r)},
      // Steps scaled by the distance from the threshold (3 dB, then 3 - 3a dB, ...).
      {"mode 1 attack", 1, 10.0f, 10 * gain(-10 - 3 * a), 10 * gain(-10 - 3 * a - (3 - 3 * a) * a)},
      {"mode 1 release", 1, 1.0f, gain(-10 + 7 * r), gain(-10 + 7 * r + (7 - 7 * r) * r)},
      // The whole distance and 0.1 dB more at once, then a fixed release step.
      {"mode 2", 2, 10.0f, 10 * gain(-13.1), 10 * gain(-13.1 + r)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TQzCustomAudioLimiter limiter;
    limiter.GetPreset()->SetMode(c.Mode);
    const TStereo out = RunBlocks(limiter, TStereo(2, c.Input), {2}, true);
    EXPECT_NEAR(out.L[0], c.Out0, 2e-6 * c.Out0);
    EXPECT_NEAR(out.L[1], c.Out1, 2e-6 * c.Out1);
  }
}

TEST(QzCustomAudioLimiter, NotificationsAndSampleRate) {
  TQzCustomAudioLimiter limiter;
  int updates = 0;
  limiter.OnUpdate = [&updates](TObject*) { ++updates; };
  limiter.GetPreset()->SetThreshold(-6.0f);
  EXPECT_EQ(updates, 1);
  limiter.SetSampleRate(96000);  // the steps it recomputes: the reference runs at several rates
  EXPECT_EQ(updates, 2);
}

TEST(QzCustomAudioLimiter, LevelExactlyAtThresholdLeavesTheReduction) {
  // Find an input whose level at the starting gain 0.1 is exactly the threshold (-8 dB, where
  // neighbouring amplitudes are closer than the steps of the level).
  const float thr = -8.0f;
  float a = DbToAmp(thr);
  while (AmpToDb(a) < thr) a = std::nextafter(a, 1.0f);
  while (AmpToDb(a) > thr) a = std::nextafter(a, 0.0f);
  ASSERT_EQ(AmpToDb(a), thr);
  float x = a / 0.1f;
  for (int k = 0; k < 64 && x * 0.1f != a; ++k) x = std::nextafter(x, x * 0.1f < a ? 100.0f : 0.0f);
  ASSERT_EQ(x * 0.1f, a);
  for (int32_t mode : {0, 1, 2}) {
    TQzCustomAudioLimiter limiter;
    limiter.GetPreset()->SetMode(mode);
    limiter.GetPreset()->SetThreshold(thr);
    float l[1] = {x}, r[1] = {-x};
    float* io[2] = {l, r};
    limiter.Process(io, io, 1);
    EXPECT_EQ(limiter.GetGainReduction(), -10.0f) << mode;
  }
}

// The look-ahead sees no further than the block's sample 24: a louder sample there holds the
// release of every sample before it, one at sample 25 holds none. The other samples fall, so
// that none of them holds a release by itself.
TEST(QzCustomAudioLimiter, LookAheadWindowEndsBeforeTheBlocksSample25) {
  const struct {
    int Louder;  // index of the louder sample, -1 for none
    uint16_t Frames;
    int Released;  // samples that release
  } cases[] = {{-1, 64, 64}, {24, 64, 40}, {25, 64, 64}, {10, 64, 54}, {1, 64, 63},
               {24, 25, 1}, {20, 21, 1}, {3, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "louder at " << c.Louder << " of " << c.Frames);
    TQzCustomAudioLimiter limiter;
    limiter.GetPreset()->SetLookAhead(true);  // mode 0: one release step a released sample
    TStereo in(c.Frames);
    for (int i = 0; i < c.Frames; ++i) in.L[i] = in.R[i] = 0.2f - 0.001f * static_cast<float>(i);
    if (c.Louder >= 0 && c.Louder < c.Frames) in.L[c.Louder] = 0.5f;  // still below the threshold
    RunBlocks(limiter, in, {c.Frames});
    float expected = -10.0f;
    for (int k = 0; k < c.Released; ++k) expected = expected + limiter.GetReleaseStep();
    EXPECT_EQ(limiter.GetGainReduction(), expected);
  }
}

// A loud passage pushes the reduction to its floor; what follows, silence or a quiet tone, lets
// it go back to 0 dB, whatever the host's block size (with the effect's mode 2 and look-ahead).
TEST(QzCustomAudioLimiter, LetsGoAfterALoudPassage) {
  constexpr uint32_t Rate = 48000;
  const TStereo loud = Noise(Rate, 3, 8.0f);  // 18 dB over full scale
  TStereo quiet(8 * Rate);
  for (size_t i = 0; i < quiet.Size(); ++i)
    quiet.L[i] = quiet.R[i] = 0.0316f * static_cast<float>(std::sin(2 * M_PI * 1000.0 * i / Rate));
  const TStereo silence(8 * Rate);
  const TStereo* const tails[] = {&silence, &quiet};
  for (const TStereo* tail : tails)
    for (size_t block : {64, 512, 4096}) {
      SCOPED_TRACE(testing::Message() << (tail == &quiet ? "quiet sine" : "silence") << ", blocks of " << block);
      TQzCustomAudioLimiter limiter;
      limiter.SetSampleRate(Rate);
      limiter.GetPreset()->SetMode(2), limiter.GetPreset()->SetLookAhead(true);
      RunBlocks(limiter, loud, {block});
      ASSERT_LT(limiter.GetGainReduction(), -10.0f);
      RunBlocks(limiter, *tail, {block});
      EXPECT_EQ(limiter.GetGainReduction(), 0.0f);
    }
}

// The reference checks the meter values; what it cannot see is the reset, the indices beyond
// the four meters and the flush of denormals (it flushes them the same way).
TEST(QzCustomAudioLimiter, MetersReportPeaksUntilReset) {
  TQzCustomAudioLimiter limiter;
  float l[4] = {0.5f, -4.0f, 1.0f, 0.0f}, r[4] = {0.25f, 0.0f, -2.0f, 0.0f}, outL[4], outR[4];
  const float* in[2] = {l, r};
  float* out[2] = {outL, outR};
  auto meters = [&limiter] {
    return std::vector<float>({limiter.GetMeter(0), limiter.GetMeter(1), limiter.GetMeter(2), limiter.GetMeter(3)});
  };
  limiter.Process(in, out, 4);
  EXPECT_EQ(std::vector<float>({limiter.GetMeter(0), limiter.GetMeter(4), limiter.GetMeter(255)}),
            std::vector<float>({AmpToDb(4.0f), -80.0f, -80.0f}));
  limiter.ResetMeters();
  EXPECT_EQ(meters(), std::vector<float>(4, -80.0f));
  // Denormal input is silence, though the level below the threshold still releases.
  limiter.GetPreset()->SetMode(1);
  TStereo denormal(256, 1e-41f);
  denormal.R.assign(256, -3e-39f);
  const float before = limiter.GetGainReduction();
  EXPECT_EQ(RunBlocks(limiter, denormal, {256}, true).L, std::vector<float>(256, 0.0f));
  EXPECT_GT(limiter.GetGainReduction(), before);
  EXPECT_EQ(meters(), std::vector<float>(4, -80.0f));
}

TEST(QzCustomAudioLimiter, SwitchedOffOrBypassedCopiesTheInput) {
  TStereo in(5);
  for (int i = 0; i < 5; ++i) in.L[i] = i + 1.0f, in.R[i] = -in.L[i];
  for (bool bypass : {false, true}) {
    SCOPED_TRACE(bypass ? "bypass" : "off");
    TQzCustomAudioLimiter limiter;
    if (bypass) {
      TMemoryStream s;
      limiter.GetPreset()->SaveToStream(&s);
      uint32_t flags = 0x3;  // Active and bypass
      s.SetPosition(128);
      s.Write(&flags, 4);
      s.SetPosition(0);
      ASSERT_TRUE(limiter.GetPreset()->LoadFromStream(&s));
      ASSERT_TRUE(limiter.GetBypass());
    } else {
      limiter.GetPreset()->SetActive(false);
    }
    EXPECT_TRUE(RunBlocks(limiter, in, {5}) == in);
    EXPECT_TRUE(RunBlocks(limiter, in, {5}, true) == in);  // in place the buffers are left alone
    if (bypass) {
      // Bypassed, the limiter still computes, and the output meters read the buffers.
      EXPECT_NE(limiter.GetGainReduction(), -10.0f);
      EXPECT_EQ(limiter.GetMeter(2), AmpToDb(5.0f));
    } else {
      EXPECT_EQ(limiter.GetGainReduction(), -10.0f);
      EXPECT_EQ(limiter.GetMeter(0), 0.0f);
    }
  }
}

// (Non-finite input is in the broken signal of the bit-exact comparison.)
TEST(QzCustomAudioLimiter, NonFinitePresetsNeverStick) {
  TQzCustomAudioLimiter limiter;
  const float nan = std::nanf("");
  // A stored preset whose numbers are not numbers runs on the defaults instead.
  TMemoryStream s;
  limiter.GetPreset()->SaveToStream(&s);
  const float nans[7] = {nan, nan, nan, 0, nan, nan, nan};
  s.SetPosition(32);
  s.Write(nans, sizeof nans);
  s.SetPosition(0);
  ASSERT_TRUE(limiter.GetPreset()->LoadFromStream(&s));
  EXPECT_TRUE(std::isfinite(limiter.GetAttackStep()) && std::isfinite(limiter.GetReleaseStep()));
  EXPECT_EQ(std::vector<float>({limiter.GetThreshold(), limiter.GetInputGain(), limiter.GetLeftGain()}),
            std::vector<float>({-3.0f, 1.0f, 1.0f}));
  for (float v : RunBlocks(limiter, Noise(64, 5, 2.0f)).L) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
