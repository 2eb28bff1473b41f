#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <tuple>
#include <vector>

#include "BiquadTextbook.h"
#include "TestSignals.h"
#include "engine/QzAudioMicroEQ.h"

namespace {

// The per-sample formula of the equaliser, through the channel EQs' own ProcessSample.
TStereo Reference(TQzAudioMicroEqualizer& e, const TStereo& in) {
  TStereo out(in.Size());
  for (size_t i = 0; i < in.Size(); ++i) {
    float l = in.L[i] * e.GetInputGain(), r = in.R[i] * e.GetInputGain();
    if (e.GetMono()) {
      const float m = r * 0.5f + l * 0.5f;
      l = m, r = m;
    }
    out.L[i] = e.GetLeftEQ()->ProcessSample(l) * e.GetLeftGain();
    out.R[i] = e.GetRightEQ()->ProcessSample(r) * e.GetRightGain();
    if (e.GetSaturation()) {
      out.L[i] = static_cast<float>(static_cast<double>(e.GetDrive()) * std::sin(static_cast<double>(out.L[i])));
      out.R[i] = static_cast<float>(static_cast<double>(e.GetDrive()) * std::sin(static_cast<double>(out.R[i])));
    }
  }
  return out;
}

// A setting of the preset, applied to every equaliser under comparison.
using TSetup = std::function<void(TQzAudioMicroEqualizer&)>;

void AllBands(TQzAudioMicroEqualizer& e) {
  TQzAudioMicroEqualizerPreset& p = *e.GetPreset();
  const float freq[3] = {120.0f, 1500.0f, 9000.0f}, gain[3] = {6.0f, -9.0f, 12.0f}, bw[3] = {0.7f, 2.0f, 1.3f};
  for (uint8_t b = 0; b < 3; ++b) {
    p.SetBandFrequency(b, freq[b]);
    p.SetBandGain(b, gain[b]);
    p.SetBandBandwidth(b, bw[b]);
    p.SetBandEnabled(b, true);
  }
  p.SetCutFiltersEnabled(true);
  p.SetLowcutFrequency(60.0f);
  p.SetHighcutFrequency(12000.0f);
}

struct TSetupCase { const char* Name; TSetup Setup; };

const std::vector<TSetupCase>& Setups() {
  static const std::vector<TSetupCase> setups = {
      {"defaults", [](TQzAudioMicroEqualizer&) {}},
      {"all bands and cuts", AllBands},
      // The cut filters stay at the edges while switched off, whatever corners are stored.
      {"band 1 only", [](TQzAudioMicroEqualizer& e) {
         e.GetPreset()->SetBandEnabled(1, true);
         e.GetPreset()->SetBandGain(1, -15.0f);
         e.GetPreset()->SetHighcutFrequency(5000.0f);
         e.GetPreset()->SetLowcutFrequency(200.0f);
       }},
      {"mono", [](TQzAudioMicroEqualizer& e) {
         AllBands(e);
         e.GetPreset()->SetMono(true);
         e.GetPreset()->SetPan(60.0f);
       }},
      {"saturation", [](TQzAudioMicroEqualizer& e) {
         AllBands(e);
         e.GetPreset()->SetSaturation(true);
         e.GetPreset()->SetInputGain(6.0f);
       }},
      {"32 kHz, corners above Nyquist", [](TQzAudioMicroEqualizer& e) {
         e.SetSampleRate(32000);
         e.GetPreset()->SetBandEnabled(2, true);
         e.GetPreset()->SetBandFrequency(2, 18000.0f);
         e.GetPreset()->SetBandGain(2, 6.0f);
       }},
  };
  return setups;
}

}  // namespace

// The block path is an optimised form of the per-sample formula (the channel filters' own
// ProcessSample): for every setting, blocks of any size, in place or not, give its output bit for
// bit. What the formula computes is pinned by the sine responses below.
TEST(QzAudioMicroEqualizer, BlockPathFollowsPerSampleFormula) {
  const TStereo in = Noise(3 * 4096 + 17, 1, 0.8f);
  for (const TSetupCase& c : Setups()) {
    SCOPED_TRACE(c.Name);
    TQzAudioMicroEqualizer ref;
    c.Setup(ref);
    const TStereo expected = Reference(ref, in);
    for (size_t block : {1, 7, 64, 300, 512, 4096}) {
      for (bool inPlace : {false, true}) {
        TQzAudioMicroEqualizer e;
        c.Setup(e);
        EXPECT_EQ(FirstDifference(RunBlocks(e, in, {block}, inPlace), expected), "") << block << " " << inPlace;
      }
    }
  }
}

// The equaliser's response through its public Process, against the textbook sections it is
// designed from: a sine of each probe frequency comes out scaled by the product of the enabled
// bands' and both cut filters' magnitudes.
TEST(QzAudioMicroEqualizer, SineResponsesMatchTheTextbookSections) {
  // The first three settings: defaults, all bands and cuts, band 1 only at -15 dB.
  for (size_t k = 0; k < 3; ++k) {
    const TSetupCase& c = Setups()[k];
    SCOPED_TRACE(c.Name);
    const uint32_t rate = k == 2 ? 48000 : 44100;
    TQzAudioMicroEqualizer e;
    e.SetSampleRate(rate);
    c.Setup(e);
    TQzAudioMicroEqualizerPreset& p = *e.GetPreset();
    const bool cuts = p.GetCutFiltersEnabled();
    auto section = [&](TKind Kind, double F, double Bandwidth, double Gain, double W) {
      return std::abs(Response(Textbook(Kind, F, rate, Bandwidth, Gain), W));
    };
    for (double f : {40.0, 120.0, 997.0, 1500.0, 6000.0, 9000.0, 16000.0}) {
      SCOPED_TRACE(f);
      const double w = 2.0 * Pi * f / rate;
      double expected = section(TKind::Highcut, cuts ? p.GetHighcutFrequency() : 20000.0, 1.0, 0.0, w) *
                        section(TKind::Lowcut, cuts ? p.GetLowcutFrequency() : 20.0, 1.0, 0.0, w);
      for (uint8_t b = 0; b < 3; ++b)
        if (p.GetBandEnabled(b))
          expected *= section(TKind::Band, p.GetBandFrequency(b), p.GetBandBandwidth(b), p.GetBandGain(b), w);
      // Settle for a second (after the previous frequency), then project one second (whole
      // periods) onto sine and cosine.
      const size_t n = rate;
      TStereo in(2 * n);
      for (size_t i = 0; i < in.Size(); ++i)
        in.L[i] = in.R[i] = static_cast<float>(0.25 * std::sin(w * static_cast<double>(i)));
      const TStereo out = RunBlocks(e, in);
      double s = 0, co = 0;
      for (size_t i = n; i < 2 * n; ++i) {
        s += out.L[i] * std::sin(w * static_cast<double>(i));
        co += out.L[i] * std::cos(w * static_cast<double>(i));
      }
      EXPECT_NEAR(2.0 * std::hypot(s, co) / static_cast<double>(n) / 0.25, expected, 2e-4 + 1e-4 * expected);
    }
  }
}

// What the per-sample formula is fed, in absolute values: the input gain, the pan law scaled by
// the output gain (and by the clipper's drive, which also scales the sine).
TEST(QzAudioMicroEqualizer, DerivedGains) {
  struct TCase { const char* Name; TSetup Setup; float Input, Left, Right, Drive; } cases[] = {
      {"defaults", [](auto&) {}, 1, 1, 1, 1},
      {"input gain -10 dB", [](auto& e) { e.GetPreset()->SetInputGain(-10.0f); }, 0.1f, 1, 1, 1},
      {"output gain -10 dB", [](auto& e) { e.GetPreset()->SetOutputGain(-10.0f); }, 1, 0.1f, 0.1f, 1},
      {"pan -50", [](auto& e) { e.GetPreset()->SetPan(-50.0f); }, 1, 1, 0.5f, 1},
      {"pan 100", [](auto& e) { e.GetPreset()->SetPan(100.0f); }, 1, 0, 1, 1},
      {"saturation", [](auto& e) { e.GetPreset()->SetSaturation(true); }, 1, 1.5f, 1.5f, 1.5f},
  };
  for (const TCase& c : cases) {
    TQzAudioMicroEqualizer e;
    c.Setup(e);
    EXPECT_EQ(std::vector<float>({e.GetInputGain(), e.GetLeftGain(), e.GetRightGain(), e.GetDrive()}),
              std::vector<float>({c.Input, c.Left, c.Right, c.Drive})) << c.Name;
  }
}

TEST(QzAudioMicroEqualizer, OffOrBypassedCopiesToSeparateOutputs) {
  const TStereo in = Noise(777, 7);
  for (int mode = 0; mode < 2; ++mode) {
    TQzAudioMicroEqualizer e;
    if (mode == 0) e.GetPreset()->SetActive(false);
    else e.GetPreset()->SetBypass(true);
    EXPECT_FALSE(e.GetActive());
    EXPECT_TRUE(RunBlocks(e, in, {256}) == in) << mode;
    EXPECT_TRUE(RunBlocks(e, in, {in.Size()}, true) == in) << mode;
  }
}

// A NaN or infinity in one block of input does not stick: the left chain starts over from a
// clear state, the right chain never saw it. Damaged preset values keep the output finite.
TEST(QzAudioMicroEqualizer, NonFiniteValuesDoNotStick) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  for (float poison : {nan, inf}) {
    SCOPED_TRACE(poison);
    TQzAudioMicroEqualizer e, clean, fresh;
    AllBands(e), AllBands(clean), AllBands(fresh);
    TStereo first = Noise(256, 8);
    const TStereo second = Noise(256, 9);
    RunBlocks(clean, first, {256});
    first.L[10] = poison;
    RunBlocks(e, first, {256});
    const TStereo out = RunBlocks(e, second, {256}), cleanOut = RunBlocks(clean, second, {256});
    EXPECT_EQ(std::pair(out.L, out.R), std::pair(RunBlocks(fresh, second, {256}).L, cleanOut.R));
  }
  const std::vector<std::pair<const char*, TSetup>> cases = {
      {"input gain NaN", [=](auto& e) { e.GetPreset()->SetInputGain(nan); }},
      {"output gain NaN", [=](auto& e) { e.GetPreset()->SetOutputGain(nan); }},
      {"output gain 1e30", [](auto& e) { e.GetPreset()->SetOutputGain(1e30f); }},
      {"pan NaN", [=](auto& e) { e.GetPreset()->SetPan(nan); }},
      {"pan -inf", [=](auto& e) { e.GetPreset()->SetPan(-inf); }},
      {"band values NaN", [=](auto& e) {
         e.GetPreset()->SetBandEnabled(0, true);
         e.GetPreset()->SetBandFrequency(0, nan);
         e.GetPreset()->SetBandGain(0, nan);
         e.GetPreset()->SetBandBandwidth(0, nan);
         e.GetPreset()->SetCutFiltersEnabled(true);
         e.GetPreset()->SetLowcutFrequency(nan);
       }},
  };
  for (const auto& [name, setup] : cases) {
    SCOPED_TRACE(name);
    TQzAudioMicroEqualizer e;
    setup(e);
    const TStereo out = RunBlocks(e, Noise(2000, 10));
    for (size_t i = 0; i < out.Size(); ++i) ASSERT_TRUE(std::isfinite(out.L[i]) && std::isfinite(out.R[i])) << i;
  }
}

// Every preset notification refreshes once (a value set again is none); a load whose values clamp
// when read refreshes once as well, silently clamped; a rate change designs anew without one.
TEST(QzAudioMicroEqualizer, UpdateNotifications) {
  TQzAudioMicroEqualizer e;
  int updates = 0;
  e.OnUpdate = [&](TObject* s) {
    EXPECT_EQ(s, &e);
    ++updates;
  };
  TQzAudioMicroEqualizerPreset& p = *e.GetPreset();
  p.SetPan(10.0f);
  p.Clear();
  EXPECT_EQ(updates, 2);
  TQzAudioMicroEqualizerPreset other;
  other.SetMono(true);
  other.SetCutFiltersEnabled(true);
  TMemoryStream s;
  other.SaveToStream(&s);
  float low = 10.0f;
  s.SetPosition(32 + 4);
  s.Write(&low, 4);
  s.SetPosition(0);
  p.LoadFromStream(&s);
  EXPECT_EQ(std::tuple(updates, e.GetMono(), e.GetLeftEQ()->GetLowcut()->GetFrequency(), p.IsUpdating()),
            std::tuple(3, true, 20.0f, false));
  e.SetSampleRate(48000);
  EXPECT_EQ(updates, 3);
}
