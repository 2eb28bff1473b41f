// The comparison chain, measured in the same program as ours: LSP's parametric equaliser and its
// look-ahead limiter from Debian's lsp-plugins-vst, hosted as a VST 2.x host hosts them (dlopen,
// VSTPluginMain, parameters set through the dispatcher by name), on the same signal, blocks and
// counters as BM_EffectChain.
//
// Settings, as close to our chain as LSP allows: IIR equaliser, bands 0..4 used (high-pass 40 Hz,
// bells 120 Hz +6 dB, 1500 Hz -9 dB, 9000 Hz +4 dB at Q 1, low-pass 16000 Hz at the default Q; bilinear RLC
// filters, slope x1 = 12 dB/octave like our biquad cut filters), every other band off, no
// analyser. Limiter in its default look-ahead mode (Hermite, thin), threshold -3 dB, look-ahead
// 0.5 ms (our 24 frames), no oversampling, no dither, no automatic level regulation and no gain
// boost (neither exists in ours; boost would raise the output back to 0 dBFS).
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "QzChainBench.h"
#include "platform/Vst2.h"

namespace {
using qzbench::ChainRate;
using qzbench::ChainSignalFrames;

constexpr char LspDir[] = "/usr/lib/vst/lsp-plugins/";
constexpr char LspEqualizer[] = "para-equalizer-x16-stereo.so";  // the smallest stereo variant
constexpr char LspLimiter[] = "limiter-stereo.so";

// Opcodes a host uses beyond those our plug-in answers (platform/Vst2.h lists only those).
enum : int32_t { hoGetParamLabel = 6, hoGetParamDisplay = 7, hoGetParamName = 8, hoMainsChanged = 12 };
enum : int32_t { amVersion = 1, amGetTime = 7, amGetSampleRate = 16, amGetBlockSize = 17 };

std::atomic<int> HostBlock{512};

// No transport, no automation, no window: all the plug-ins need to learn from a host.
intptr_t HostCallback(AEffect*, int32_t Opcode, int32_t, intptr_t, void*, float) {
  switch (Opcode) {
    case amVersion: return 2400;
    case amGetSampleRate: return ChainRate;
    case amGetBlockSize: return HostBlock.load(std::memory_order_relaxed);
    case amGetTime: return 0;  // no time info
    default: return 0;
  }
}

// One instance of an LSP plug-in. Each file is a small loader that finds the bundle's core
// library (lsp-plugins-vst2-<version>.so, beside it) by itself; it prints its own "[ERR]" lines
// on stderr when it cannot.
class TLspPlugin {
 public:
  ~TLspPlugin() {
    if (FEffect) {
      FEffect->dispatcher(FEffect, hoMainsChanged, 0, 0, nullptr, 0.0f);
      FEffect->dispatcher(FEffect, effClose, 0, 0, nullptr, 0.0f);
    }
    // The library stays loaded: the core library is shared by both loaders and kept for the
    // next run of the case, as hosts keep a plug-in's library while any instance may come back.
  }

  // Empty on success, otherwise what went wrong.
  std::string Open(const char* File, int Block) {
    const std::string path = std::string(LspDir) + File;
    FHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!FHandle) return std::string("dlopen ") + path + ": " + dlerror();
    auto main = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(FHandle, "VSTPluginMain"));
    if (!main) return path + " has no VSTPluginMain";
    FEffect = main(HostCallback);
    if (!FEffect) return path + ": VSTPluginMain returned no effect (its messages are on stderr)";
    if (FEffect->magic != kEffectMagic || !FEffect->processReplacing || FEffect->numInputs != 2 ||
        FEffect->numOutputs != 2) {
      FEffect = nullptr;
      return path + " is not a stereo VST 2.x effect with processReplacing";
    }
    FEffect->dispatcher(FEffect, effOpen, 0, 0, nullptr, 0.0f);
    FEffect->dispatcher(FEffect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(ChainRate));
    FEffect->dispatcher(FEffect, effSetBlockSize, 0, Block, nullptr, 0.0f);
    FEffect->dispatcher(FEffect, hoMainsChanged, 0, 1, nullptr, 0.0f);
    return {};
  }

  AEffect* Effect() const { return FEffect; }

  // Choices: the first normalised value whose display text starts with Prefix (the plug-in
  // shortens its texts to 7 characters).
  void SetChoice(const char* Name, const char* Prefix) {
    const int index = Find(Name);
    if (index < 0) return;
    for (int k = 0; k <= 1000; ++k) {
      FEffect->setParameter(FEffect, index, static_cast<float>(k) / 1000.0f);
      if (Display(index).rfind(Prefix, 0) == 0) return;
    }
    Fail(std::string(Name) + " has no choice \"" + Prefix + "\"");
  }

  // Numbers: the normalisation is the plug-in's own (linear, logarithmic, ...), found by
  // bisection on the displayed value, which is monotonic in the normalised one.
  void SetValue(const char* Name, double Target) {
    const int index = Find(Name);
    if (index < 0) return;
    const double atZero = ValueAt(index, 0.0f), atOne = ValueAt(index, 1.0f);
    const bool rising = atOne > atZero;
    float lo = 0.0f, hi = 1.0f;
    for (int i = 0; i < 40; ++i) {
      const float mid = 0.5f * (lo + hi);
      ((ValueAt(index, mid) < Target) == rising ? lo : hi) = mid;
    }
    const double got = ValueAt(index, hi);
    if (std::fabs(got - Target) > std::max(0.01 * std::fabs(Target), 0.02))
      Fail(std::string(Name) + " cannot be set to " + std::to_string(Target) + " (reads " + Display(index) + ")");
  }

  const std::string& Error() const { return FError; }

 private:
  int Find(const char* Name) {
    for (int i = 0; i < FEffect->numParams; ++i) {
      char text[256] = {};
      FEffect->dispatcher(FEffect, hoGetParamName, i, 0, text, 0.0f);
      if (std::strcmp(text, Name) == 0) return i;
    }
    Fail(std::string("no parameter ") + Name);
    return -1;
  }

  std::string Display(int Index) {
    char text[256] = {};
    FEffect->dispatcher(FEffect, hoGetParamDisplay, Index, 0, text, 0.0f);
    return text;
  }

  double ValueAt(int Index, float Normalised) {
    FEffect->setParameter(FEffect, Index, Normalised);
    return std::strtod(Display(Index).c_str(), nullptr);
  }

  void Fail(const std::string& What) {
    if (FError.empty()) FError = What;
  }

  void* FHandle = nullptr;
  AEffect* FEffect = nullptr;
  std::string FError;
};

void SetUpEqualizer(TLspPlugin& Eq) {
  Eq.SetChoice("mode", "IIR");
  Eq.SetChoice("fft", "Off");
  struct TBand {
    const char* Type;
    double Freq, Gain;
  };
  const TBand bands[5] = {{"Hi-pass", 40, 0}, {"Bell", 120, 6}, {"Bell", 1500, -9}, {"Bell", 9000, 4}, {"Lo-pass", 16000, 0}};
  for (int b = 0; b < 5; ++b) {
    const std::string n = std::to_string(b);
    Eq.SetChoice(("ft_" + n).c_str(), bands[b].Type);
    Eq.SetChoice(("fm_" + n).c_str(), "RLC (B");
    Eq.SetChoice(("s_" + n).c_str(), "x1");
    Eq.SetValue(("f_" + n).c_str(), bands[b].Freq);
    Eq.SetValue(("g_" + n).c_str(), bands[b].Gain);
    if (b >= 1 && b <= 3) Eq.SetValue(("q_" + n).c_str(), 1.0);
  }
}

void SetUpLimiter(TLspPlugin& Lim) {
  Lim.SetChoice("mode", "Herm Th");
  Lim.SetValue("th", -3.0);
  Lim.SetValue("lk", 0.5);
  Lim.SetChoice("ovs", "None");
  Lim.SetChoice("dith", "None");
  Lim.SetChoice("alr", "off");
  Lim.SetChoice("boost", "off");
}

bool Installed() {
  struct stat st;
  return stat((std::string(LspDir) + LspEqualizer).c_str(), &st) == 0 &&
         stat((std::string(LspDir) + LspLimiter).c_str(), &st) == 0;
}

void BM_LspChain(benchmark::State& State) {
  if (!Installed()) {
    State.SkipWithError("lsp-plugins-vst is not installed: bash tools/bench.sh installs it");
    return;
  }
  const int block = static_cast<int>(State.range(0));
  HostBlock.store(block, std::memory_order_relaxed);
  TLspPlugin eq, lim;
  std::string error = eq.Open(LspEqualizer, block);
  if (error.empty()) error = lim.Open(LspLimiter, block);
  if (error.empty()) {
    SetUpEqualizer(eq);
    SetUpLimiter(lim);
    error = !eq.Error().empty() ? eq.Error() : lim.Error();
  }
  if (!error.empty()) {
    State.SkipWithError(error.c_str());
    return;
  }
  const std::vector<float> inL = qzbench::ChainSignal(0), inR = qzbench::ChainSignal(1);
  std::vector<float> outL(static_cast<size_t>(block)), outR(static_cast<size_t>(block));
  AEffect* e = eq.Effect();
  AEffect* l = lim.Effect();
  size_t at = 0;
  auto run = [&] {
    if (at + static_cast<size_t>(block) > ChainSignalFrames) at = 0;
    float* in[2] = {const_cast<float*>(inL.data() + at), const_cast<float*>(inR.data() + at)};
    float* out[2] = {outL.data(), outR.data()};
    e->processReplacing(e, in, out, block);
    l->processReplacing(l, out, out, block);
    at += static_cast<size_t>(block);
  };
  // Half a second first, so that the parameter changes have settled; after it the limiter must
  // hold the -3 dB threshold, or the settings did not take.
  float peak = 0.0f;
  for (size_t done = 0; done < ChainRate; done += static_cast<size_t>(block)) {
    run();
    if (done >= ChainRate / 2)
      for (int i = 0; i < block; ++i) peak = std::max({peak, std::fabs(outL[i]), std::fabs(outR[i])});
  }
  if (!(peak > 0.3f && peak < 0.75f)) {
    State.SkipWithError(("the LSP chain's output peaks at " + std::to_string(peak) +
                         ", not at the limiter's threshold (0.708): its settings did not take")
                            .c_str());
    return;
  }
  for (auto _ : State) {
    run();
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
    benchmark::ClobberMemory();
  }
  qzbench::SetChainCounters(State, block);
}
}  // namespace

BENCHMARK(BM_LspChain)->Arg(512)->Arg(64);
