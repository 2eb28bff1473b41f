#include "engine/QzAudioClasses.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Counts rate changes and records the rate the hook sees.
class TRateProbe : public TQzAudioSampleRateClass {
public:
  int Changes = 0;
  uint32_t SeenRate = 0;
  void SampleRateChanged() override {
    ++Changes;
    SeenRate = GetSampleRate();
    TQzAudioSampleRateClass::SampleRateChanged();
  }
  void ForceStoredRate(uint32_t Rate) { FSampleRate = Rate; }
};

}  // namespace

TEST(QzAudioClasses, SampleRateClampsAndCountsChanges) {
  // Changes: how many so far
  struct Step { uint32_t Set; uint32_t Stored; int Changes; };
  const Step steps[] = {
      {44100, 44100, 0},   // the default: nothing
      {48000, 48000, 1},   {48000, 48000, 1},  {5000, 10000, 2},   {9999, 10000, 2},
      {10000, 10000, 2},   {0, 10000, 2},      {10001, 10001, 3},  {250000, 192000, 4},
      {192000, 192000, 4}, {0xFFFFFFFF, 192000, 4}, {191999, 191999, 5}, {44100, 44100, 6},
  };
  TRateProbe probe;
  int updates = 0;
  probe.OnUpdate = [&](TObject* Sender) {
    EXPECT_EQ(Sender, &probe);
    ++updates;
  };
  for (const auto& s : steps) {
    probe.SetSampleRate(s.Set);
    EXPECT_EQ(probe.GetSampleRate(), s.Stored) << s.Set;
    EXPECT_EQ(probe.Changes, s.Changes) << s.Set;
    EXPECT_EQ(updates, s.Changes) << s.Set;  // the base hook fires OnUpdate once per change
    EXPECT_EQ(probe.SeenRate, s.Changes > 0 ? s.Stored : 0u) << s.Set;  // stored before the hook
  }
  // A stored rate out of bounds reads clamped; setting the clamped rate is no change.
  for (auto [stored, clamped] : {std::pair(5u, 10000u), std::pair(1000000u, 192000u)}) {
    probe.ForceStoredRate(stored);
    EXPECT_EQ(probe.GetSampleRate(), clamped);
    probe.SetSampleRate(clamped);
    EXPECT_EQ(probe.Changes, 6) << stored;
  }
}

TEST(QzAudioClassesConcurrency, RateReadWhileSet) {
  TRateProbe probe;
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop.load()) {
      const uint32_t r = probe.GetSampleRate();
      ASSERT_TRUE(r == 44100u || r == 48000u || r == 96000u) << r;
    }
  });
  for (int i = 0; i < 20000; ++i) probe.SetSampleRate(i % 2 ? 48000 : 96000);
  stop = true;
  reader.join();
  // Reads never write back: the last rate set is the one kept.
  EXPECT_EQ(probe.GetSampleRate(), 48000u);
}
