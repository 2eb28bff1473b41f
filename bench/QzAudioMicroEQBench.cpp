// Throughput of the stereo micro-equaliser at 48000 Hz with all three bands and both cut
// filters in the path, in frames per CPU-second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/QzAudioMicroEQ.h"

namespace {

void SetUpFullEqualizer(TQzAudioMicroEqualizer& e) {
  e.SetSampleRate(48000);
  TQzAudioMicroEqualizerPreset& p = *e.GetPreset();
  const float freq[3] = {120.0f, 1500.0f, 9000.0f}, gain[3] = {6.0f, -9.0f, 4.0f};
  for (uint8_t b = 0; b < 3; ++b) {
    p.SetBandFrequency(b, freq[b]);
    p.SetBandGain(b, gain[b]);
    p.SetBandBandwidth(b, 1.5f);
    p.SetBandEnabled(b, true);
  }
  p.SetCutFiltersEnabled(true);
  p.SetLowcutFrequency(40.0f);
  p.SetHighcutFrequency(16000.0f);
}

enum TSignalKind { skLoud, skDecayingSilence };

void BM_MicroEqualizer(benchmark::State& state, TSignalKind Kind) {
  const auto frames = static_cast<uint16_t>(state.range(0));
  TQzAudioMicroEqualizer e;
  SetUpFullEqualizer(e);
  std::vector<float> l(frames), r(frames), outL(frames), outR(frames);
  std::mt19937 rng(1);
  std::uniform_real_distribution<float> u(-0.9f, 0.9f);
  for (uint16_t i = 0; i < frames; ++i) l[i] = u(rng), r[i] = u(rng);
  const float* ins[2] = {l.data(), r.data()};
  float* outs[2] = {outL.data(), outR.data()};
  if (Kind == skDecayingSilence) {
    // One loud block, then silence: the filter tails decay towards the denormal range.
    e.Process(ins, outs, frames);
    std::fill(l.begin(), l.end(), 0.0f);
    std::fill(r.begin(), r.end(), 1e-40f);  // a denormal input as well
  }
  for (auto _ : state) {
    e.Process(ins, outs, frames);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * frames, benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK_CAPTURE(BM_MicroEqualizer, loud, skLoud)->Arg(512)->Arg(64);
BENCHMARK_CAPTURE(BM_MicroEqualizer, decaying_silence, skDecayingSilence)->Arg(512)->Arg(64);
