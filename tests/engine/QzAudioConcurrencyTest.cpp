// The audio thread against the threads that design parameter sets: every block runs exactly one
// complete design, and meter peaks taken on another thread never come back. Run under
// ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "TestSignals.h"
#include "core/Classes.h"
#include "engine/QzAudioEffectPlugin.h"
#include "engine/QzAudioLimiter.h"
#include "engine/QzAudioMicroEQ.h"

namespace {

TEST(QzPublishedConcurrency, TwoWritersOneReaderSeeWholeSets) {
  struct TSet {
    uint64_t V[32] = {};
  };
  TQzPublished<TSet> published;
  std::atomic<int> writing{2};
  auto writer = [&](uint64_t First) {
    for (uint64_t k = First; k < 40000; k += 2) {
      TSet s;
      for (uint64_t& v : s.V) v = k;
      published.Publish(s);
    }
    --writing;
  };
  std::thread a(writer, 1), b(writer, 2);
  long reads = 0;
  while (writing.load() > 0 || reads < 1000) {
    const TSet& s = published.Acquire();
    for (uint64_t v : s.V) ASSERT_EQ(v, s.V[0]);
    ++reads;
  }
  a.join();
  b.join();
  const uint64_t last = published.Acquire().V[0];
  EXPECT_TRUE(last == 39998 || last == 39999) << last;
}

// Each side of a pair is one operation that publishes one design.
template <class TStage>
struct TPairCase {
  const char* Name;
  std::function<void(TStage&)> A, B;
  float Amplitude;
};

// Blocks start from a cleared state, so a block's output depends on its parameter set alone: it
// must equal, bit for bit, the output of design A or of design B, never that of a mix.
template <class TStage>
void ExpectOneSetPerBlock(const TPairCase<TStage>& C) {
  SCOPED_TRACE(C.Name);
  constexpr int Frames = 512;
  const TStereo signal = Noise(Frames, 3, C.Amplitude);
  const float* in[2] = {signal.L.data(), signal.R.data()};

  TStage stage;
  auto run = [&](std::vector<float>& Out) {
    stage.ResetState();
    float* out[2] = {Out.data(), Out.data() + Frames};
    stage.Process(in, out, Frames);
  };
  std::vector<float> refA(2 * Frames), refB(2 * Frames), got(2 * Frames);
  C.A(stage);
  run(refA);
  C.B(stage);
  run(refB);
  ASSERT_NE(refA, refB);

  std::atomic<bool> stop{false};
  std::atomic<long> seenA{0}, seenB{0}, mixed{0};
  std::thread audio([&] {
    while (!stop.load()) {
      run(got);
      if (got == refA) ++seenA;
      else if (got == refB) ++seenB;
      else ++mixed;
    }
  });
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (int k = 0; std::chrono::steady_clock::now() < end; ++k) {
    (k % 2 ? C.B : C.A)(stage);
    if (k > 2000 && seenA.load() > 20 && seenB.load() > 20) break;
  }
  stop = true;
  audio.join();
  EXPECT_EQ(mixed.load(), 0) << seenA.load() << " A, " << seenB.load() << " B";
  EXPECT_GT(seenA.load() + seenB.load(), 0);
}

template <class TStage, class TPreset>
std::function<void(TStage&)> Load(std::function<void(TPreset&)> Setup) {
  auto preset = std::make_shared<TPreset>();
  Setup(*preset);
  return [preset](TStage& S) { S.GetPreset()->Assign(preset.get()); };
}

using TEq = TQzAudioMicroEqualizer;
using TEqPreset = TQzAudioMicroEqualizerPreset;

std::function<void(TEqPreset&)> Band0(float Frequency, float Gain, float Bandwidth) {
  return [=](TEqPreset& p) {
    p.SetBandEnabled(0, true);
    p.SetBandFrequency(0, Frequency);
    p.SetBandGain(0, Gain);
    p.SetBandBandwidth(0, Bandwidth);
  };
}

TEST(QzAudioMicroEqualizerConcurrency, EveryBlockRunsOneDesign) {
  const auto allBands = [](TEqPreset& p) {
    for (uint8_t b = 0; b < 3; ++b) {
      p.SetBandEnabled(b, true);
      p.SetBandGain(b, b == 1 ? -12.0f : 9.0f);
    }
    p.SetCutFiltersEnabled(true);
    p.SetLowcutFrequency(80.0f);
  };
  const TPairCase<TEq> cases[] = {
      // Mixed, a1 of the first with a2 of the second runs away within one block.
      {"20 Hz +15 dB against 15 kHz -15 dB", Load<TEq, TEqPreset>(Band0(20.0f, 15.0f, 0.5f)),
       Load<TEq, TEqPreset>(Band0(15000.0f, -15.0f, 5.0f)), 1.0f},
      {"bands and cuts against mono, saturation and pan", Load<TEq, TEqPreset>(allBands),
       Load<TEq, TEqPreset>([](TEqPreset& p) {
         p.SetMono(true);
         p.SetSaturation(true);
         p.SetPan(40.0f);
         p.SetOutputGain(-6.0f);
         p.SetBandEnabled(2, true);
       }),
       1.0f},
      {"44.1 kHz against 96 kHz", [](TEq& e) { e.SetSampleRate(44100); },
       [](TEq& e) { e.SetSampleRate(96000); }, 1.0f},
  };
  for (const auto& c : cases) ExpectOneSetPerBlock(c);
}

using TLim = TQzCustomAudioLimiter;
using TLimPreset = TQzAudioLimiterPreset;

TEST(QzCustomAudioLimiterConcurrency, EveryBlockRunsOneDesign) {
  const TPairCase<TLim> cases[] = {
      {"gentle mode 0 against hard mode 2 with look-ahead",
       Load<TLim, TLimPreset>([](TLimPreset& p) { p.SetThreshold(0.0f), p.SetRelease(750.0f); }),
       Load<TLim, TLimPreset>([](TLimPreset& p) {
         p.SetThreshold(-15.0f), p.SetMode(2), p.SetLookAhead(true), p.SetAttack(0.1f);
         p.SetBalance(-60.0f), p.SetInputGain(3.0f), p.SetOutputGain(-20.0f);
       }),
       2.0f},
      {"on against off", Load<TLim, TLimPreset>([](TLimPreset& p) { p.SetMode(1); }),
       Load<TLim, TLimPreset>([](TLimPreset& p) { p.SetActive(false); }), 2.0f},
      {"22.05 kHz against 192 kHz", [](TLim& s) { s.SetSampleRate(22050); },
       [](TLim& s) { s.SetSampleRate(192000); }, 2.0f},
  };
  for (const auto& c : cases) ExpectOneSetPerBlock(c);
}

// The whole effect as one stage: a state load changes both stages, and a block must never run
// the new equaliser with the old limiter or the other way round.
struct TChain {
  TQzAudioEffectPlugin Plugin;
  void ResetState() {
    Plugin.GetMicroEqualizer()->ResetState();
    Plugin.GetLimiter()->ResetState();
  }
  void Process(const float* const* In, float* const* Out, uint16_t Frames) {
    Plugin.ProcessReplacing(const_cast<float**>(In), const_cast<float**>(Out), Frames, 0, 0);
  }
};

std::function<void(TChain&)> LoadState(std::function<void(TEqPreset&, TLimPreset&)> Setup) {
  auto state = std::make_shared<TMemoryStream>();
  TQzAudioEffectPluginPreset preset;
  Setup(*preset.EqualizerPreset(), *preset.LimiterPreset());
  preset.SaveToStream(state.get());
  return [state](TChain& C) {
    state->SetPosition(0);
    C.Plugin.LoadState(state.get());
  };
}

TEST(QzAudioEffectPluginConcurrency, EveryBlockRunsOneStateOfBothStages) {
  // Each state's stages undo each other's gains: a block of one stage from each state is louder or
  // quieter than both, and the low band of one with the other's limiter differs in shape too.
  const auto a = [](TEqPreset& e, TLimPreset& l) {
    Band0(60.0f, 12.0f, 1.0f)(e);
    e.SetOutputGain(-9.0f);
    l.SetThreshold(-3.0f);
    l.SetOutputGain(9.0f);
  };
  const auto b = [](TEqPreset& e, TLimPreset& l) {
    Band0(8000.0f, -12.0f, 2.0f)(e);
    e.SetOutputGain(9.0f);
    l.SetThreshold(-20.0f);
    l.SetMode(2);
    l.SetOutputGain(-9.0f);
  };
  ExpectOneSetPerBlock(TPairCase<TChain>{"two states", LoadState(a), LoadState(b), 1.0f});
  // A rate change designs both stages anew as well.
  ExpectOneSetPerBlock(TPairCase<TChain>{"44.1 kHz against 96 kHz",
                                         [](TChain& c) { c.Plugin.SetSampleRate(44100); },
                                         [](TChain& c) { c.Plugin.SetSampleRate(96000); }, 1.0f});
}

// A peak taken by the meter timer must not be put back by a block that read it before the take.
TEST(QzCustomAudioLimiterConcurrency, TakenPeaksDoNotReturn) {
  TLim limiter;
  std::atomic<int> loudWanted{0}, loudDone{0};
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<float> loud(64, 1.0f), quiet(64, 0.01f), out(128);
    float* outs[2] = {out.data(), out.data() + 64};
    while (!stop.load()) {
      const bool isLoud = loudDone.load() < loudWanted.load();
      const float* in[2] = {isLoud ? loud.data() : quiet.data(), quiet.data()};
      limiter.Process(in, outs, 64);
      if (isLoud) ++loudDone;
    }
  });
  const float quietDb = AmpToDb(0.01f);
  for (int round = 1; round <= 200; ++round) {
    loudWanted = round;
    while (loudDone.load() < round) std::this_thread::yield();
    float db[TLim::MeterCount];
    limiter.TakeMeters(db);
    EXPECT_GT(db[0], quietDb);
    for (int k = 0; k < 50; ++k) ASSERT_LE(limiter.GetMeter(0), quietDb) << round;
  }
  stop = true;
  audio.join();
}

}  // namespace
