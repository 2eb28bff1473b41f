// Processing through both interfaces of the built library against the engine run directly,
// block sizes at and beyond the 16-bit frame count, buffers, the floating-point mode and hostile
// state blobs.
#include <xmmintrin.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "PluginLibrary.h"
#include "tests/common/TestStreams.h"
#include "engine/QzAudioEffectPlugin.h"
#include "engine/QzAudioFilterEx.h"

namespace {
constexpr int MaxSlice = 65535;

// Loud enough for the limiter to work, with quiet passages so that it also releases.
std::vector<float> TestSignal(size_t Frames, int Channel) {
  std::vector<float> s(Frames);
  std::mt19937 random(1234 + Channel);
  std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
  for (size_t i = 0; i < Frames; ++i) {
    const double t = static_cast<double>(i) / 44100.0;
    const double envelope = std::fmod(t, 0.25) < 0.1 ? 1.0 : 0.05;
    const double tone = 0.8 * std::sin(2 * std::numbers::pi * (Channel ? 330.0 : 110.0) * t);
    s[i] = static_cast<float>(envelope * tone + envelope * noise(random));
  }
  return s;
}

// A state with every stage doing something: bands, cut filters, fast limiter with look-ahead.
std::vector<uint8_t> BusyState() {
  TQzAudioEffectPluginPreset preset;
  TQzAudioMicroEqualizerPreset* eq = preset.EqualizerPreset();
  for (uint8_t b = 0; b < 3; ++b) eq->SetBandEnabled(b, true), eq->SetBandGain(b, b == 1 ? -8.0f : 7.0f);
  eq->SetCutFiltersEnabled(true), eq->SetLowcutFrequency(60.0f), eq->SetHighcutFrequency(9000.0f);
  eq->SetInputGain(1.5f);
  TQzAudioLimiterPreset* lim = preset.LimiterPreset();
  lim->SetThreshold(-5.0f), lim->SetMode(2), lim->SetLookAhead(true), lim->SetBalance(20.0f);
  return SavedBytes(preset);
}

// The two stages of the effect, set up as the effect sets them up, run directly.
struct TReference {
  TQzAudioMicroEqualizer Equalizer;
  TQzCustomAudioLimiter Limiter;
  explicit TReference(const std::vector<uint8_t>* State) {
    if (State) {
      TQzAudioEffectPluginPreset preset;
      preset.LoadFromStream(StreamOf(*State).get());
      Equalizer.GetPreset()->Assign(preset.EqualizerPreset());
      Limiter.GetPreset()->Assign(preset.LimiterPreset());
    }
    // What the effect holds to whatever a state says, editor or not.
    Limiter.GetPreset()->SetMode(2), Limiter.GetPreset()->SetLookAhead(true);
    Equalizer.GetPreset()->SetOutputGain(0.0f), Equalizer.GetPreset()->SetSaturation(false);
  }
  // One host block, cut into slices of the 16-bit frame count.
  void Block(float** In, float** Out, int Frames) {
    TQzDenormalGuard guard;
    for (int done = 0; done < Frames; done += MaxSlice) {
      const int n = std::min(MaxSlice, Frames - done);
      const float* in[2] = {In[0] + done, In[1] + done};
      float* out[2] = {Out[0] + done, Out[1] + done};
      Equalizer.Process(in, out, static_cast<uint16_t>(n));
      Limiter.Process(out, out, static_cast<uint16_t>(n));
    }
  }
};

enum TRoute { rtVst, rtDirect, rtReference };

// Runs the signal through one route in host blocks of Block frames.
std::vector<float> RunSignal(TRoute Route, int Block, const std::vector<uint8_t>* State, size_t Frames) {
  TPluginLibrary& lib = TPluginLibrary::Get();
  std::vector<float> inL = TestSignal(Frames, 0), inR = TestSignal(Frames, 1);
  std::vector<float> outL(Frames, NAN), outR(Frames, NAN);
  AEffect* effect = nullptr;
  void* object = nullptr;
  TReference* reference = nullptr;
  if (Route == rtVst) {
    effect = lib.NewEffect();
    if (State) TPluginLibrary::SetChunk(effect, *State);
  } else if (Route == rtDirect) {
    object = lib.CreateInstance(0, nullptr, nullptr);
    if (State) lib.CallObject(16004, static_cast<int32_t>(State->size()), object, const_cast<uint8_t*>(State->data()));
  } else {
    reference = new TReference(State);
  }
  for (size_t done = 0; done < Frames; done += static_cast<size_t>(Block)) {
    const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(Block), Frames - done));
    float* in[2] = {inL.data() + done, inR.data() + done};
    float* out[2] = {outL.data() + done, outR.data() + done};
    if (Route == rtVst) effect->processReplacing(effect, in, out, n);
    else if (Route == rtDirect) EXPECT_EQ(lib.ProcessAudio(object, in, out, static_cast<uint16_t>(n), 3, 4), n);
    else reference->Block(in, out, n);
  }
  if (effect) TPluginLibrary::Close(effect);
  if (object) lib.CallObject(10004, 0, object, nullptr);
  delete reference;
  outL.insert(outL.end(), outR.begin(), outR.end());
  return outL;
}

bool SameBits(const std::vector<float>& A, const std::vector<float>& B) {
  return A.size() == B.size() && std::memcmp(A.data(), B.data(), A.size() * sizeof(float)) == 0;
}

using Processing = PluginLibraryTest;

TEST_F(Processing, BothInterfacesMatchTheEngine) {
  const std::vector<uint8_t> busy = BusyState();
  const struct {
    int Block;
    size_t Frames;
    bool Direct;  // the direct-call interface carries at most 65535 frames a call
  } cases[] = {{1, 3000, true},          {7, 20000, true},          {64, 20000, true},
               {512, 70000, true},       {4096, 70000, true},       {MaxSlice, 140000, true},
               {MaxSlice + 11, 140000, false}, {200000, 140000, false}};
  for (const std::vector<uint8_t>* state : {static_cast<const std::vector<uint8_t>*>(nullptr), &busy})
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << "block " << c.Block << (state ? ", busy state" : ", fresh"));
      const std::vector<float> expected = RunSignal(rtReference, c.Block, state, c.Frames);
      for (float v : expected) ASSERT_TRUE(std::isfinite(v));
      EXPECT_TRUE(SameBits(RunSignal(rtVst, c.Block, state, c.Frames), expected));
      if (c.Direct) {
        EXPECT_TRUE(SameBits(RunSignal(rtDirect, c.Block, state, c.Frames), expected));
      }
    }
}

// One direct-call instance at 48 kHz fed a stereo signal in host blocks; what a test plays
// through it is kept, so that two instances can be compared over any stretch.
struct TDirectPlayer {
  TPluginLibrary& Lib;
  void* Object;
  int Block;
  std::vector<float> Out;  // both channels interleaved
  TDirectPlayer(TPluginLibrary& L, int B, bool LimiterBypassed) : Lib(L), Object(L.CreateInstance(0, nullptr, nullptr)), Block(B) {
    Lib.CallObject(13002, 48000, Object, nullptr);
    if (LimiterBypassed) {
      std::vector<uint8_t> state = Lib.SaveState(Object);
      state[100 + 128] |= 0x2;  // the limiter's flag word: bypass
      EXPECT_EQ(Lib.CallObject(16004, static_cast<int32_t>(state.size()), Object, state.data()), 1);
    }
  }
  ~TDirectPlayer() { Lib.CallObject(10004, 0, Object, nullptr); }
  // Plays Frames frames of Signal(frame, channel), or only the frames given.
  template <class TSignal>
  void Play(size_t Frames, TSignal Signal) {
    std::vector<float> l(static_cast<size_t>(Block)), r(l.size());
    for (size_t done = 0; done < Frames; done += l.size()) {
      const uint16_t n = static_cast<uint16_t>(std::min(l.size(), Frames - done));
      for (size_t i = 0; i < n; ++i) l[i] = Signal(done + i, 0), r[i] = Signal(done + i, 1);
      float* io[2] = {l.data(), r.data()};
      Lib.ProcessAudio(Object, io, io, n, 0, 0);
      for (size_t i = 0; i < n; ++i) Out.push_back(l[i]), Out.push_back(r[i]);
    }
  }
};

// Level in dB (20 log10 of the RMS) of the last Frames frames played.
double TailLevel(const std::vector<float>& Out, size_t Frames) {
  double sum = 0.0;
  for (size_t i = Out.size() - 2 * Frames; i < Out.size(); ++i) sum += double(Out[i]) * Out[i];
  return 10.0 * std::log10(sum / (2.0 * Frames) + 1e-30);
}

constexpr size_t Second = 48000;
float LoudNoise(size_t I, int Channel) {
  uint32_t x = static_cast<uint32_t>(I * 2 + static_cast<size_t>(Channel)) * 2654435761u;
  x ^= x >> 15, x *= 2246822519u, x ^= x >> 13;
  return static_cast<float>(x) / 2147483648.0f - 1.0f;  // full-scale white noise
}
// A 1 kHz sine at Db dBFS.
auto Sine(double Db) {
  return [a = std::pow(10.0, Db / 20.0)](size_t I, int) {
    return static_cast<float>(a * std::sin(2 * std::numbers::pi * 1000.0 * static_cast<double>(I) / 48000.0));
  };
}

// After a loud passage the limiter lets go: a quiet one that follows plays as it does with the
// limiter bypassed, whatever the host's block size, after silence too.
TEST_F(Processing, AQuietPassageAfterALoudOnePlaysAsWithTheLimiterBypassed) {
  for (int block : {64, 512, 4096})
    for (bool silenceFirst : {false, true}) {
      SCOPED_TRACE(testing::Message() << "blocks of " << block << (silenceFirst ? ", 8 s of silence first" : ""));
      TDirectPlayer limited(Lib, block, false), bypassed(Lib, block, true);
      for (TDirectPlayer* p : {&limited, &bypassed}) {
        p->Play(Second, LoudNoise);
        if (silenceFirst) p->Play(8 * Second, [](size_t, int) { return 0.0f; });
        p->Play(silenceFirst ? Second : 8 * Second, Sine(-30.0));
      }
      const size_t tail = silenceFirst ? Second : 4 * Second;
      EXPECT_EQ(std::vector<float>(limited.Out.end() - 2 * tail, limited.Out.end()),
                std::vector<float>(bypassed.Out.end() - 2 * tail, bypassed.Out.end()))
          << "the limited tail is " << TailLevel(bypassed.Out, tail) - TailLevel(limited.Out, tail) << " dB quieter";
    }
}

// Whatever one instance met, an infinite sample, a block of denormals or a strange sample rate
// for a while, it plays a quiet signal as a fresh one does within seconds.
TEST_F(Processing, AfterAnythingAQuietSignalPlaysAsOnAFreshInstance) {
  const auto quiet = Sine(-12.0);
  const struct {
    const char* What;
    std::function<void(TDirectPlayer&)> Event;
  } events[] = {
      {"one +inf sample", [&](TDirectPlayer& P) { P.Play(1, [](size_t, int) { return INFINITY; }); }},
      {"a block of denormals", [&](TDirectPlayer& P) { P.Play(4096, [](size_t, int) { return 1e-40f; }); }},
      {"an odd rate and back", [&](TDirectPlayer& P) {
         P.Lib.CallObject(13002, 11025, P.Object, nullptr), P.Play(Second, quiet);
         P.Lib.CallObject(13002, 48000, P.Object, nullptr);
       }},
  };
  for (const auto& e : events)
    for (int block : {64, 4096}) {
      SCOPED_TRACE(testing::Message() << e.What << ", blocks of " << block);
      TDirectPlayer met(Lib, block, false), fresh(Lib, block, false);
      met.Play(Second, quiet), e.Event(met);
      met.Out.clear();
      met.Play(8 * Second, quiet), fresh.Play(8 * Second, quiet);
      // The equaliser's low filters keep a trace of any past in their rounding, so the two
      // differ a little for ever; the limiter must not add to that.
      float off = 0.0f;
      for (size_t i = met.Out.size() - 2 * 3 * Second; i < met.Out.size(); ++i)
        off = std::max(off, std::fabs(met.Out[i] - fresh.Out[i]));
      EXPECT_LT(off, 1e-3f) << "5 to 8 s later it plays "
                            << TailLevel(fresh.Out, 3 * Second) - TailLevel(met.Out, 3 * Second) << " dB quieter";
    }
}

TEST_F(Processing, EmptyBlocksTouchNothingAndTheCallersFloatingPointModeIsKept) {
  float in[4] = {0.5f, 0.5f, 0.5f, 0.5f}, out[4] = {7, 7, 7, 7};
  float* ins[2] = {in, in + 2};
  float* outs[2] = {out, out + 2};
  void* object = Lib.CreateInstance(0, nullptr, nullptr);
  EXPECT_EQ(Lib.ProcessAudio(object, ins, outs, 0, 0, 0), 0);
  EXPECT_EQ(Lib.ProcessAudio(object, nullptr, nullptr, 0, 0, 0), 0);
  AEffect* effect = Lib.NewEffect();
  effect->processReplacing(effect, ins, outs, 0);
  effect->processReplacing(effect, ins, outs, -5);
  for (float v : out) EXPECT_EQ(v, 7.0f);

  std::vector<float> l(4096, 1e-39f), r(4096, -1e-39f), ol(4096), or_(4096);  // denormal input
  float* in4k[2] = {l.data(), r.data()};
  float* out4k[2] = {ol.data(), or_.data()};
  const unsigned saved = _mm_getcsr();
  for (unsigned mode : {saved & ~0x8040u, saved | 0x8040u, (saved & ~0x8040u) | 0x6000u}) {
    _mm_setcsr(mode);
    effect->processReplacing(effect, in4k, out4k, 4096);
    EXPECT_EQ(_mm_getcsr() & ~0x3Fu, mode & ~0x3Fu);  // status flags aside, the mode is the caller's
    _mm_setcsr(mode);
    Lib.ProcessAudio(object, in4k, out4k, 4096, 0, 0);
    EXPECT_EQ(_mm_getcsr() & ~0x3Fu, mode & ~0x3Fu);
  }
  _mm_setcsr(saved);
  TPluginLibrary::Close(effect);
  Lib.CallObject(10004, 0, object, nullptr);
}

TEST_F(Processing, HostileChunksLeaveFiniteAudioAndRefusedOnesChangeNothing) {
  const std::vector<uint8_t> busy = BusyState();
  std::vector<std::vector<uint8_t>> chunks;
  for (size_t n = 0; n < busy.size(); n += 3) chunks.emplace_back(busy.begin(), busy.begin() + static_cast<long>(n));
  std::mt19937 random(99);
  for (int k = 0; k < 40; ++k) {
    std::vector<uint8_t> garbage(static_cast<size_t>(random() % 400));
    for (uint8_t& b : garbage) b = static_cast<uint8_t>(random());
    chunks.push_back(garbage);
  }
  // Well-formed heads with values no preset would hold: these load.
  const size_t firstWhole = chunks.size();
  for (float poison : {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 3e38f}) {
    std::vector<uint8_t> bad = busy;
    for (size_t at : {size_t{32}, size_t{132}})
      for (size_t i = 0; i < 16; ++i) std::memcpy(&bad[at + 4 * i], &poison, 4);
    chunks.push_back(bad);
    bad = busy;
    std::memcpy(&bad[32], &poison, 4);  // the equaliser's output gain alone
    chunks.push_back(bad);
  }
  const size_t endWhole = chunks.size();
  // Header sizes below the 8 head bytes and beyond the blob.
  for (uint8_t size : {4, 0xFF}) {
    chunks.push_back(busy);
    chunks.back()[6] = size, chunks.back()[7] = size == 4 ? 0 : 0xFF;
  }

  AEffect* effect = Lib.NewEffect();
  for (size_t k = 0; k < chunks.size(); ++k) {
    SCOPED_TRACE(testing::Message() << "chunk " << k << " of " << chunks[k].size() << " bytes");
    TPluginLibrary::SetChunk(effect, busy);
    // A state that needs no change comes back as it went in.
    ASSERT_EQ(TPluginLibrary::GetChunk(effect), busy);
    std::vector<uint8_t> copy = chunks[k];
    copy.push_back(0);  // a valid pointer also for the empty chunk
    const intptr_t size = static_cast<intptr_t>(chunks[k].size());
    const bool whole = k >= firstWhole && k < endWhole;
    EXPECT_EQ(TPluginLibrary::Dispatch(effect, effSetChunk, 0, size, copy.data()), whole ? 1 : 0);
    // Every float a stage reads (equaliser slots 0 .. 13 at 32, limiter slots 0 .. 2 and 4 .. 6
    // at 132) is a number; reserved ones come back as they were loaded. A refused chunk changed
    // nothing.
    const std::vector<uint8_t> state = TPluginLibrary::GetChunk(effect);
    ASSERT_EQ(state.size(), 232u);
    if (!whole) {
      EXPECT_EQ(state, busy);
    }
    for (int i = 0; i < 32; ++i) {
      const size_t at = (i < 16 ? 32 : 132) + 4 * static_cast<size_t>(i % 16);
      const bool read = i < 16 ? i < 14 : (i % 16 < 7 && i % 16 != 3);
      float v;
      std::memcpy(&v, &state[at], 4);
      if (read) {
        EXPECT_TRUE(std::isfinite(v)) << "float " << i % 16 << " of part " << i / 16;
      } else if (whole) {
        EXPECT_EQ(std::memcmp(&state[at], &chunks[k][at], 4), 0) << "reserved float " << i % 16 << " of part " << i / 16;
      }
    }
    // And so is the audio, even from a hot input.
    std::vector<float> l = TestSignal(8192, 0), r = TestSignal(8192, 1);
    for (float& x : l) x *= 4.0f;
    float* io[2] = {l.data(), r.data()};
    effect->processReplacing(effect, io, io, 8192);
    for (size_t i = 0; i < l.size(); ++i) ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << i;
  }
  // No data, or sizes no state has.
  TPluginLibrary::SetChunk(effect, busy);
  const std::vector<uint8_t> before = TPluginLibrary::GetChunk(effect);
  std::vector<uint8_t> small(16, 0);
  const struct {
    void* Ptr;
    intptr_t Size;
  } refused[] = {{nullptr, 232}, {small.data(), -1}, {small.data(), -232}, {small.data(), (1 << 20) + 1},
                 {small.data(), intptr_t{1} << 31}, {small.data(), intptr_t{1} << 40}};
  for (const auto& c : refused) {
    EXPECT_EQ(TPluginLibrary::Dispatch(effect, effSetChunk, 0, c.Size, c.Ptr), 0) << c.Size;
    EXPECT_EQ(TPluginLibrary::GetChunk(effect), before) << c.Size;
  }
  TPluginLibrary::Close(effect);
}
}  // namespace
