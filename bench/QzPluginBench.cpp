// The effect's chain (equaliser, then limiter in place) at 48000 Hz, stereo, run three ways in
// the same program: the engine directly, and the built library through its exported VST
// processReplacing and direct-call process_audio entries (loaded with dlopen, as hosts do). The
// library's cost per frame should stay within a few percent of the engine's own.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <vector>

#include "QzChainBench.h"
#include "engine/QzAudioEffectPlugin.h"
#include "engine/QzAudioFilterEx.h"
#include "platform/Vst2.h"

#ifndef QZ_PLUGIN_PATH
#error "QZ_PLUGIN_PATH names the built library"
#endif

namespace {
using qzbench::ChainSignal;
constexpr uint32_t Rate = qzbench::ChainRate;
constexpr size_t SignalFrames = qzbench::ChainSignalFrames;

// Every stage busy: three bands, both cut filters, the limiter in mode 2 with look-ahead.
std::vector<uint8_t> ChainState() {
  TQzAudioEffectPluginPreset preset;
  TQzAudioMicroEqualizerPreset* eq = preset.EqualizerPreset();
  const float freq[3] = {120.0f, 1500.0f, 9000.0f}, gain[3] = {6.0f, -9.0f, 4.0f};
  for (uint8_t b = 0; b < 3; ++b) {
    eq->SetBandFrequency(b, freq[b]);
    eq->SetBandGain(b, gain[b]);
    eq->SetBandBandwidth(b, 1.5f);
    eq->SetBandEnabled(b, true);
  }
  eq->SetCutFiltersEnabled(true);
  eq->SetLowcutFrequency(40.0f);
  eq->SetHighcutFrequency(16000.0f);
  TQzAudioLimiterPreset* lim = preset.LimiterPreset();
  lim->SetMode(2);
  lim->SetLookAhead(true);
  TMemoryStream s;
  preset.SaveToStream(&s);
  return s.Data();
}

struct TLibrary {
  void* Handle = dlopen(QZ_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  AEffect* (*Main)(audioMasterCallback) =
      Handle ? reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(Handle, "VSTPluginMain")) : nullptr;
  void* (*Create)(int32_t, void*, void*) =
      Handle ? reinterpret_cast<void* (*)(int32_t, void*, void*)>(dlsym(Handle, "create_instance")) : nullptr;
  int32_t (*Call)(int32_t, int32_t, void*, void*) =
      Handle ? reinterpret_cast<int32_t (*)(int32_t, int32_t, void*, void*)>(dlsym(Handle, "call_object")) : nullptr;
  int32_t (*Process)(void*, float**, float**, uint16_t, int32_t, int32_t) =
      Handle ? reinterpret_cast<int32_t (*)(void*, float**, float**, uint16_t, int32_t, int32_t)>(
                   dlsym(Handle, "process_audio"))
             : nullptr;
  static TLibrary& Get() {
    static TLibrary library;
    return library;
  }
};

enum TRoute { rtEngine, rtVst, rtDirect };

void BM_EffectChain(benchmark::State& State, TRoute Route) {
  const int block = static_cast<int>(State.range(0));
  const std::vector<float> inL = ChainSignal(0), inR = ChainSignal(1);
  std::vector<float> outL(static_cast<size_t>(block)), outR(static_cast<size_t>(block));
  std::vector<uint8_t> state = ChainState();
  TLibrary& lib = TLibrary::Get();
  AEffect* effect = nullptr;
  void* object = nullptr;
  TQzAudioMicroEqualizer equalizer;
  TQzCustomAudioLimiter limiter;
  if (Route == rtEngine) {
    TQzAudioEffectPluginPreset preset;
    TMemoryStream s;
    s.Write(state.data(), static_cast<int32_t>(state.size()));
    s.SetPosition(0);
    preset.LoadFromStream(&s);
    equalizer.SetSampleRate(Rate);
    limiter.SetSampleRate(Rate);
    equalizer.GetPreset()->Assign(preset.EqualizerPreset());
    limiter.GetPreset()->Assign(preset.LimiterPreset());
  } else if (Route == rtVst) {
    if (!lib.Main || !(effect = lib.Main(nullptr))) {
      State.SkipWithError("cannot load the plug-in library");
      return;
    }
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(Rate));
    effect->dispatcher(effect, effSetChunk, 0, static_cast<intptr_t>(state.size()), state.data(), 0.0f);
  } else {
    if (!lib.Create || !(object = lib.Create(0, nullptr, nullptr))) {
      State.SkipWithError("cannot load the plug-in library");
      return;
    }
    lib.Call(13002, static_cast<int32_t>(Rate), object, nullptr);
    lib.Call(16004, static_cast<int32_t>(state.size()), object, state.data());
  }
  size_t at = 0;
  for (auto _ : State) {
    if (at + static_cast<size_t>(block) > SignalFrames) at = 0;
    float* in[2] = {const_cast<float*>(inL.data() + at), const_cast<float*>(inR.data() + at)};
    float* out[2] = {outL.data(), outR.data()};
    if (Route == rtEngine) {
      TQzDenormalGuard guard;  // as the library's entries do
      equalizer.Process(in, out, static_cast<uint16_t>(block));
      limiter.Process(out, out, static_cast<uint16_t>(block));
    } else if (Route == rtVst) {
      effect->processReplacing(effect, in, out, block);
    } else {
      lib.Process(object, in, out, static_cast<uint16_t>(block), 0, 0);
    }
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    benchmark::ClobberMemory();
    at += static_cast<size_t>(block);
  }
  qzbench::SetChainCounters(State, block);
  if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  if (object) lib.Call(10004, 0, object, nullptr);
}
}  // namespace

BENCHMARK_CAPTURE(BM_EffectChain, engine, rtEngine)->Arg(512)->Arg(64);
BENCHMARK_CAPTURE(BM_EffectChain, library_vst, rtVst)->Arg(512)->Arg(64);
BENCHMARK_CAPTURE(BM_EffectChain, library_direct, rtDirect)->Arg(512)->Arg(64);
