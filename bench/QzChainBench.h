// What the chain benchmarks share, so that our chain and the comparison chain run on the same
// signal and report the same counters: 48000 Hz stereo, loud tones near full scale.
#pragma once

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <vector>

namespace qzbench {

constexpr uint32_t ChainRate = 48000;
constexpr size_t ChainSignalFrames = ChainRate * 2;

// Loud tones near full scale, so that the limiter works all the time.
inline std::vector<float> ChainSignal(int Channel) {
  std::vector<float> s(ChainSignalFrames);
  for (size_t i = 0; i < s.size(); ++i) {
    const double t = static_cast<double>(i) / ChainRate;
    s[i] = static_cast<float>(0.6 * std::sin(2 * std::numbers::pi * (110 + 7 * Channel) * t) +
                              0.3 * std::sin(2 * std::numbers::pi * 440 * t) +
                              0.1 * std::sin(2 * std::numbers::pi * 3000 * t));
  }
  return s;
}

// Frames per CPU-second and seconds of audio per CPU-second (the real-time factor).
inline void SetChainCounters(benchmark::State& State, int Block) {
  const double frames = static_cast<double>(State.iterations()) * Block;
  State.counters["frames"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  State.counters["realtime"] = benchmark::Counter(frames / ChainRate, benchmark::Counter::kIsRate);
}

}  // namespace qzbench
