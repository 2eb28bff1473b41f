// Stereo signals for the processor tests.
#pragma once

#include <cstring>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
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

// Where A and B first differ bit for bit, as text; empty when they agree.
inline std::string FirstDifference(const TStereo& A, const TStereo& B) {
  if (A == B) return "";
  for (size_t i = 0; i < std::min(A.Size(), B.Size()); ++i)
    if (std::memcmp(&A.L[i], &B.L[i], sizeof(float)) != 0 || std::memcmp(&A.R[i], &B.R[i], sizeof(float)) != 0)
      return "frame " + std::to_string(i) + ": " + std::to_string(A.L[i]) + " " + std::to_string(A.R[i]) + " against " +
             std::to_string(B.L[i]) + " " + std::to_string(B.R[i]);
  return "sizes " + std::to_string(A.Size()) + " and " + std::to_string(B.Size());
}

// Runs Stage over the signal in blocks of the given sizes (cycled), in place or into separate
// outputs (filled first with -123, so that a sample left unwritten shows); After runs after every block.
template <class TStage>
TStereo RunBlocks(TStage& Stage, const TStereo& In, const std::vector<size_t>& Blocks = {512}, bool InPlace = false,
                  const std::function<void()>& After = nullptr) {
  TStereo out = InPlace ? In : TStereo(In.Size(), -123.0f);
  const TStereo& from = InPlace ? out : In;
  for (size_t at = 0, b = 0; at < In.Size(); ++b) {
    const size_t n = std::min(Blocks[b % Blocks.size()], In.Size() - at);
    const float* ins[2] = {from.L.data() + at, from.R.data() + at};
    float* outs[2] = {out.L.data() + at, out.R.data() + at};
    Stage.Process(ins, outs, static_cast<uint16_t>(n));
    if (After) After();
    at += n;
  }
  return out;
}

// Uniform noise within +-Amp on both channels.
inline TStereo Noise(size_t N, unsigned Seed, float Amp = 1.0f) {
  std::mt19937 rng(Seed);
  std::uniform_real_distribution<float> u(-Amp, Amp);
  TStereo s(N);
  for (size_t i = 0; i < N; ++i) s.L[i] = u(rng), s.R[i] = u(rng);
  return s;
}
