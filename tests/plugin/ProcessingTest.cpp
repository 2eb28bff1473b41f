// Processing through both interfaces of the built library against the engine run directly,
// block sizes at and beyond the 16-bit frame count, buffers, the floating-point mode and hostile
// state blobs.
#include <xmmintrin.h>

#include <cmath>
#include <cstring>
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
    // Every float of the state (equaliser slots at 32, limiter slots at 132) is a number; a
    // refused chunk changed nothing.
    const std::vector<uint8_t> state = TPluginLibrary::GetChunk(effect);
    ASSERT_EQ(state.size(), 232u);
    if (!whole) {
      EXPECT_EQ(state, busy);
    }
    float v[32];
    std::memcpy(v, &state[32], 64), std::memcpy(v + 16, &state[132], 64);
    for (int i = 0; i < 32; ++i) EXPECT_TRUE(std::isfinite(v[i])) << "float " << i % 16 << " of part " << i / 16;
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
