// Frames per CPU-second of the peak limiter at 48000 Hz, stereo, as the effect runs it (in place).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/QzAudioLimiter.h"

namespace {

constexpr uint32_t Rate = 48000;
constexpr int SignalFrames = Rate * 4;

enum TSignal { sigLoud, sigDecay };

// Loud: a mix of tones with a slow swell and a little noise, peaking near full scale (about
// +3 dB over the -3 dB threshold). Decay: a loud burst that dies away exponentially, spending
// most of its length in the denormal range.
std::vector<float> MakeSignal(TSignal Kind, int Channel) {
  std::vector<float> s(SignalFrames);
  uint32_t seed = 12345u + Channel;
  for (int i = 0; i < SignalFrames; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.1;
    const double t = static_cast<double>(i) / Rate;
    if (Kind == sigLoud) {
      const double swell = 0.75 + 0.25 * std::sin(2 * M_PI * 0.5 * t);
      s[i] = static_cast<float>(swell * (0.6 * std::sin(2 * M_PI * (110 + 7 * Channel) * t) +
                                         0.3 * std::sin(2 * M_PI * 440 * t) +
                                         0.1 * std::sin(2 * M_PI * 3000 * t)) + noise);
    } else {
      s[i] = static_cast<float>((0.5 + noise) * std::exp(-t * 60.0));
    }
  }
  return s;
}

void Run(benchmark::State& State, TSignal Kind, int32_t Mode, bool LookAhead) {
  const int block = static_cast<int>(State.range(0));
  const std::vector<float> left = MakeSignal(Kind, 0), right = MakeSignal(Kind, 1);
  std::vector<float> work0(block), work1(block);
  TQzCustomAudioLimiter limiter;
  limiter.SetSampleRate(Rate);
  limiter.GetPreset()->SetMode(Mode);
  limiter.GetPreset()->SetLookAhead(LookAhead);
  float* work[2] = {work0.data(), work1.data()};
  int pos = 0;
  int64_t frames = 0;
  for (auto _ : State) {
    if (pos + block > SignalFrames) pos = 0;
    std::copy_n(left.data() + pos, block, work0.data());
    std::copy_n(right.data() + pos, block, work1.data());
    limiter.Process(work, work, static_cast<uint16_t>(block));
    benchmark::DoNotOptimize(work0.data());
    benchmark::ClobberMemory();
    pos += block;
    frames += block;
  }
  State.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
  State.counters["realtime x"] =
      benchmark::Counter(static_cast<double>(frames) / Rate, benchmark::Counter::kIsRate);
}

void BM_LimiterMode2LookAhead(benchmark::State& State) { Run(State, sigLoud, 2, true); }
void BM_LimiterMode0(benchmark::State& State) { Run(State, sigLoud, 0, false); }
void BM_LimiterMode1LookAhead(benchmark::State& State) { Run(State, sigLoud, 1, true); }
void BM_LimiterDecayingSilence(benchmark::State& State) { Run(State, sigDecay, 2, true); }

}  // namespace

BENCHMARK(BM_LimiterMode2LookAhead)->Arg(512)->Arg(64);
BENCHMARK(BM_LimiterMode0)->Arg(512)->Arg(64);
BENCHMARK(BM_LimiterMode1LookAhead)->Arg(512)->Arg(64);
BENCHMARK(BM_LimiterDecayingSilence)->Arg(512)->Arg(64);
