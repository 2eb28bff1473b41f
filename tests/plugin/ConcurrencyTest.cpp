// Processing on one thread while the dispatcher loads states and switches the power on another,
// as a host's audio and user-interface threads do. Run under ThreadSanitizer in CI.
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "PluginLibrary.h"

namespace {
using PluginConcurrency = PluginLibraryTest;

TEST_F(PluginConcurrency, ProcessingWhileStatesLoadAndPowerSwitches) {
  AEffect* effect = Lib.NewEffect();
  ASSERT_NE(effect, nullptr);
  // Two different states: the fresh one and the fresh one switched off.
  const std::vector<uint8_t> on = TPluginLibrary::GetChunk(effect);
  Lib.CallObject(15006, 0, effect->object, nullptr);
  const std::vector<uint8_t> off = TPluginLibrary::GetChunk(effect);
  ASSERT_NE(on, off);

  std::atomic<bool> done{false};
  std::atomic<int> blocks{0};
  std::atomic<bool> finite{true};
  std::thread audio([&] {
    std::vector<float> l(512), r(512), ol(512), or_(512);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), or_.data()};
    for (int n = 0; !done.load() || n < 50; ++n) {
      for (size_t i = 0; i < l.size(); ++i) {
        l[i] = 0.9f * std::sin(0.01f * static_cast<float>(i + 512 * static_cast<size_t>(n)));
        r[i] = -l[i];
      }
      effect->processReplacing(effect, in, out, 512);
      for (size_t i = 0; i < ol.size(); ++i)
        if (!std::isfinite(ol[i]) || !std::isfinite(or_[i])) finite = false;
      blocks.fetch_add(1);
    }
  });
  for (int k = 0; k < 300; ++k) {
    TPluginLibrary::SetChunk(effect, k % 2 ? on : off);
    Lib.CallObject(15006, k % 3 == 0 ? 1 : 0, effect->object, nullptr);
    TPluginLibrary::Dispatch(effect, effSetSampleRate, 0, 0, nullptr, k % 2 ? 48000.0f : 44100.0f);
    EXPECT_EQ(TPluginLibrary::GetChunk(effect).size(), 232u);
  }
  done = true;
  audio.join();
  EXPECT_TRUE(finite.load());
  EXPECT_GE(blocks.load(), 50);
  TPluginLibrary::Close(effect);
}

TEST_F(PluginConcurrency, DirectCallProcessingWhileStatesLoad) {
  void* object = Lib.CreateInstance(0, nullptr, nullptr);
  const std::vector<uint8_t> fresh = Lib.SaveState(object);
  std::atomic<bool> done{false};
  std::thread audio([&] {
    std::vector<float> l(256, 0.5f), r(256, -0.5f), ol(256), or_(256);
    float* in[2] = {l.data(), r.data()};
    float* out[2] = {ol.data(), or_.data()};
    for (int n = 0; !done.load() || n < 50; ++n) Lib.ProcessAudio(object, in, out, 256, 0, 0);
  });
  for (int k = 0; k < 300; ++k) {
    std::vector<uint8_t> copy = fresh;
    EXPECT_EQ(Lib.CallObject(16004, static_cast<int32_t>(copy.size()), object, copy.data()), 1);
    Lib.CallObject(15006, k % 2, object, nullptr);
    Lib.CallObject(13002, k % 2 ? 96000 : 44100, object, nullptr);
  }
  done = true;
  audio.join();
  Lib.CallObject(10004, 0, object, nullptr);
}
}  // namespace
