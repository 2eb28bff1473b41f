// Stereo signals for the processor tests.
#pragma once

#include <cstring>
#include <random>
#include <vector>

struct TStereo {
  std::vector<float> L, R;
  explicit TStereo(size_t N = 0, float Fill = 0.0f) : L(N, Fill), R(N, Fill) {}
  size_t Size() const { return L.size(); }
  // Bitwise, so that NaNs and signed zeros count too.
  bool operator==(const TStereo& O) const {
    return L.size() == O.L.size() && R.size() == O.R.size() &&
           std::memcmp(L.data(), O.L.data(), L.size() * sizeof(float)) == 0 &&
           std::memcmp(R.data(), O.R.data(), R.size() * sizeof(float)) == 0;
  }
};

// Uniform noise within +-Amp on both channels.
inline TStereo Noise(size_t N, unsigned Seed, float Amp = 1.0f) {
  std::mt19937 rng(Seed);
  std::uniform_real_distribution<float> u(-Amp, Amp);
  TStereo s(N);
  for (size_t i = 0; i < N; ++i) s.L[i] = u(rng), s.R[i] = u(rng);
  return s;
}
