// A host's control thread loads states (valid, mutated, truncated, empty), switches the power and
// changes the rate while its audio thread processes blocks of random size, through both
// interfaces of the built library. Every output sample must stay finite and bounded.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "PluginLibrary.h"

namespace {
using PluginConcurrency = PluginLibraryTest;

// One instance as the host drives it: through the VST interface when Effect is set, else through
// the direct-call one.
struct THostSide {
  TPluginLibrary& Lib;
  AEffect* Effect;
  void* Object;
  void Process(float** In, float** Out, uint16_t N) {
    if (Effect) Effect->processReplacing(Effect, In, Out, N);
    else Lib.ProcessAudio(Object, In, Out, N, 0, 0);
  }
  void LoadState(std::vector<uint8_t> S) {
    if (Effect) TPluginLibrary::SetChunk(Effect, std::move(S));
    else Lib.CallObject(16004, static_cast<int32_t>(S.size()), Object, S.empty() ? nullptr : S.data());
  }
  void SetPower(bool On) { Lib.CallObject(15006, On ? 1 : 0, Object, nullptr); }
  void SetRate(uint32_t Rate) {
    if (Effect) TPluginLibrary::Dispatch(Effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(Rate));
    else Lib.CallObject(13002, static_cast<int32_t>(Rate), Object, nullptr);
  }
};

// Equaliser slots whose gains have no clamp: a mutation there may legitimately amplify by up to
// 100 dB, which says nothing about consistency, so mutations leave them alone.
bool InUnclampedGain(size_t Offset) {
  constexpr size_t slots = 32;  // the equaliser stream's header
  for (size_t slot : {0u, 12u, 13u})
    if (Offset >= slots + 4 * slot && Offset < slots + 4 * slot + 4) return true;
  return false;
}

// Valid states far apart (extreme boosts and cuts at both ends of the band), then mutated,
// truncated and empty ones made from them.
std::vector<std::vector<uint8_t>> HostilePool(THostSide& Host, std::mt19937& Rng) {
  std::vector<std::vector<uint8_t>> valid = {Host.Lib.SaveState(Host.Object)};
  auto withFloat = [&](std::vector<uint8_t> S, size_t Offset, float V) {
    std::memcpy(S.data() + Offset, &V, 4);
    return S;
  };
  // Slots of the equaliser stream: band frequency 3 .. 5, bandwidth 6 .. 8, gain 9 .. 11; the
  // flag word follows the sixteen slots (bits 0 .. 2 switch the bands).
  auto slot = [](int S) { return 32 + 4 * static_cast<size_t>(S); };
  std::vector<uint8_t> low = withFloat(withFloat(valid[0], slot(3), 20.0f), slot(9), 15.0f);
  std::vector<uint8_t> high = withFloat(withFloat(valid[0], slot(3), 15000.0f), slot(9), -15.0f);
  for (std::vector<uint8_t>* s : {&low, &high}) (*s)[32 + 64] |= 0x07;
  valid.insert(valid.end(), {withFloat(low, slot(6), 0.5f), withFloat(high, slot(6), 5.0f), low, high});

  std::vector<std::vector<uint8_t>> pool = valid;
  std::uniform_int_distribution<int> byte(0, 255);
  for (int k = 0; k < 24; ++k) {
    std::vector<uint8_t> s = valid[static_cast<size_t>(k) % valid.size()];
    for (int flips = 0; flips < 1 + k % 6; ++flips) {
      const size_t at = static_cast<size_t>(Rng() % s.size());
      if (!InUnclampedGain(at)) s[at] = static_cast<uint8_t>(byte(Rng));
    }
    pool.push_back(s);
    s.resize(static_cast<size_t>(Rng() % s.size()));
    pool.push_back(s);
  }
  pool.emplace_back();
  return pool;
}

void RunStress(THostSide Host, std::chrono::milliseconds Duration) {
  SCOPED_TRACE(Host.Effect ? "VST" : "direct call");
  std::mt19937 rng(12345);
  const std::vector<std::vector<uint8_t>> pool = HostilePool(Host, rng);
  // Input within +-1: three bands of at most +15 dB and the saturation's drive before the
  // limiter, whose gain never exceeds its two +3 dB gains; far below this unless a block mixes
  // designs (an unstable mix grows past 1e30 within one block).
  constexpr float Bound = 1e5f;

  std::atomic<bool> done{false};
  std::atomic<long> blocks{0}, bad{0};
  std::atomic<float> worst{0.0f};
  std::thread audio([&] {
    std::mt19937 arng(777);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::uniform_int_distribution<int> frames(0, 2048);
    std::vector<float> l(2048), r(2048), ol(2048), orr(2048);
    while (!done.load() || blocks.load() < 50) {
      const int n = frames(arng);
      for (size_t i = 0; i < static_cast<size_t>(n); ++i) l[i] = sample(arng), r[i] = sample(arng);
      float* in[2] = {l.data(), r.data()};
      float* out[2] = {ol.data(), orr.data()};
      Host.Process(in, out, static_cast<uint16_t>(n));
      for (size_t i = 0; i < static_cast<size_t>(n); ++i)
        for (float y : {ol[i], orr[i]})
          if (!(std::fabs(y) <= Bound)) ++bad, worst = y;
      ++blocks;
    }
  });
  constexpr uint32_t rates[] = {8000, 22050, 44100, 48000, 96000, 192000, 400000};
  const auto end = std::chrono::steady_clock::now() + Duration;
  for (uint32_t k = 0; std::chrono::steady_clock::now() < end; ++k) {
    Host.LoadState(pool[rng() % pool.size()]);
    if (k % 3 == 0) Host.SetPower(rng() % 4 != 0);
    if (k % 5 == 0) Host.SetRate(rates[rng() % std::size(rates)]);
  }
  done = true;
  audio.join();
  EXPECT_EQ(bad.load(), 0) << "e.g. " << worst.load() << " in " << blocks.load() << " blocks";
}

TEST_F(PluginConcurrency, HostileStatesWhileProcessingRandomBlocks) {
  const auto duration = std::chrono::milliseconds(1500);
  AEffect* effect = Lib.NewEffect();
  ASSERT_NE(effect, nullptr);
  RunStress({Lib, effect, effect->object}, duration);
  TPluginLibrary::Close(effect);
  void* object = Lib.CreateInstance(0, nullptr, nullptr);
  ASSERT_NE(object, nullptr);
  RunStress({Lib, nullptr, object}, duration);
  Lib.CallObject(10004, 0, object, nullptr);
}
}  // namespace
