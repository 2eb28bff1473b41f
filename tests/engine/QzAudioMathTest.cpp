#include "engine/QzAudioMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

#include "LevelLawsReference.h"
#include "engine/QzAudioClasses.h"

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
}  // namespace

TEST(QzAudioMath, ClampSingle) {
  struct Case {
    float Value, Min, Max;
    float Expect;
    bool Changed;
  };
  const Case cases[] = {
      {0.5f, 0, 1, 0.5f, false},   {1.0f, 0, 1, 1.0f, false},   {0.0f, 0, 1, 0.0f, false},
      {2.0f, 0, 1, 1.0f, true},    {-1.0f, 0, 1, 0.0f, true},   {kInf, 0, 1, 1.0f, true},
      {-kInf, 0, 1, 0.0f, true},   {kNaN, 0, 1, kNaN, false},
      // Upper bound first: with Min > Max a value above Max ends at Max.
      {5.0f, 3, 2, 2.0f, true},    {2.5f, 3, 2, 2.0f, true},    {1.0f, 3, 2, 3.0f, true},
      // A NaN bound never compares: a NaN Min leaves the value, a NaN Max only Min applies.
      {-5.0f, kNaN, 1, -5.0f, false}, {5.0f, 0, kNaN, 5.0f, false}, {-1.0f, 0, kNaN, 0.0f, true},
      {-0.0f, 0, 1, -0.0f, false},
  };
  for (const auto& c : cases) {
    float v = c.Value;
    EXPECT_EQ(ClampSingle(v, c.Min, c.Max), c.Changed) << c.Value << " in " << c.Min << ".." << c.Max;
    EXPECT_TRUE(SameBits(v, c.Expect)) << c.Value << " -> " << v;
  }
}

TEST(QzAudioMath, DbToAmpPoints) {
  EXPECT_EQ(DbToAmp(0.0f), 1.0f);
  EXPECT_EQ(DbToAmp(-0.0f), 1.0f);
  EXPECT_EQ(DbToAmp(-10.0f), 0.1f);
  EXPECT_EQ(DbToAmp(10.0f), 10.0f);
  EXPECT_EQ(DbToAmp(20.0f), 100.0f);
  EXPECT_EQ(DbToAmp(-80.0f), 1e-8f);
  EXPECT_NEAR(DbToAmp(3.0f), 1.99526f, 1e-5f);
  EXPECT_NEAR(DbToAmp(-3.0f), 0.501187f, 1e-6f);  // the factor-10 scale, not 0.708
  EXPECT_EQ(DbToAmp(-1000.0f), 0.0f);
  EXPECT_EQ(DbToAmp(1000.0f), kInf);
  (void)DbToAmp(kNaN);  // no defined value, but no trap either
}

TEST(QzAudioMath, AmpToDbPoints) {
  EXPECT_EQ(AmpToDb(0.0f), -80.0f);
  EXPECT_EQ(AmpToDb(-0.0f), -80.0f);
  EXPECT_EQ(AmpToDb(1.0f), 0.0f);
  EXPECT_EQ(AmpToDb(-1.0f), 0.0f);
  EXPECT_NEAR(AmpToDb(0.5f), -3.0103f, 1e-4f);
  EXPECT_EQ(AmpToDb(0.5f), AmpToDb(-0.5f));
  EXPECT_NEAR(AmpToDb(2.0f), 3.0103f, 1e-4f);
  EXPECT_EQ(AmpToDb(10.0f), 10.0f);
  EXPECT_NEAR(AmpToDb(1e-10f), -100.0f, 1e-4f);  // no floor for small amplitudes
  EXPECT_LT(AmpToDb(1e-30f), -299.0f);
  EXPECT_EQ(AmpToDb(kInf), kInf);
  EXPECT_TRUE(std::isnan(AmpToDb(kNaN)));
}

// Any faster formula must give the same 32-bit results as the stated 64-bit computation.
TEST(QzAudioMath, LawsMatchStatedComputation) {
  std::mt19937 rng(20240607);
  std::uniform_real_distribution<float> db(-200.0f, 60.0f);
  std::uniform_real_distribution<float> amp(0.0f, 4.0f);
  for (int i = 0; i < 1000000; ++i) {
    const float x = db(rng);
    ASSERT_TRUE(SameBits(DbToAmp(x), PlainDbToAmp(x))) << x;
    const float a = amp(rng);
    ASSERT_TRUE(SameBits(AmpToDb(a), PlainAmpToDb(a))) << a;
  }
  // Every 251st bit pattern of the whole float range, NaNs aside.
  for (uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 251) {
    float x;
    const auto b = static_cast<uint32_t>(bits);
    std::memcpy(&x, &b, sizeof x);
    if (std::isnan(x)) continue;
    ASSERT_TRUE(SameBits(AmpToDb(x), PlainAmpToDb(x))) << b;
    if (std::fabs(x) < 1000.0f) {
      ASSERT_TRUE(SameBits(DbToAmp(x), PlainDbToAmp(x))) << b;
    }
  }
}

TEST(QzAudioMath, LevelTables) {
  for (const float* table : {RatioToDbTable, AmpToDbTable}) {
    EXPECT_EQ(table[0], -80.0f);
    EXPECT_NEAR(table[1], -40.0f, 1e-4f);
    // The 32-bit step has drifted by these entries: they hold the level of x slightly below.
    EXPECT_NEAR(table[10000], -0.0002f, 0.00005f);
    EXPECT_LT(table[10000], 0.0f);
    EXPECT_NEAR(table[5000], -3.0106f, 0.0001f);
    EXPECT_LT(table[5000], AmpToDb(0.5f));
    EXPECT_EQ(table[20000], 0.0f);  // never reached
    EXPECT_NEAR(table[19999], AmpToDb(1.9999f), 1e-3f);

    // Every written entry holds the level of an amplitude within half a step of its index;
    // only a handful are skipped.
    int skipped = 0;
    for (int i = 1; i < QzLevelTableSize; ++i) {
      if (table[i] == 0.0f && i != 10000) {
        ++skipped;
        continue;
      }
      const double a = std::pow(10.0, table[i] / 10.0);
      ASSERT_NEAR(a, i / 10000.0, 0.000051) << i;
    }
    EXPECT_GE(skipped, 1);
    EXPECT_LE(skipped, 20);
  }
  EXPECT_EQ(std::memcmp(RatioToDbTable, AmpToDbTable, sizeof RatioToDbTable), 0);
}

TEST(QzAudioMath, BuildLevelTableOverwritesEverything) {
  static float table[QzLevelTableSize];
  for (float& v : table) v = 123.0f;
  BuildLevelTable(table);
  EXPECT_EQ(std::memcmp(table, RatioToDbTable, sizeof table), 0);
}

TEST(QzAudioMathConcurrency, SharedValuesAreWrittenWhole) {
  TQzShared<float> gain{1.0f};
  TQzShared<uint32_t> flags{0};
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 200000; ++i) {
      gain = (i & 1) ? 0.25f : 4.0f;
      flags = (i & 1) ? 0xFFFF0000u : 0x0000FFFFu;
    }
    stop = true;
  });
  long reads = 0;
  while (!stop.load() || reads < 1000) {
    const float g = gain;
    const uint32_t f = flags;
    ASSERT_TRUE(g == 1.0f || g == 0.25f || g == 4.0f) << g;
    ASSERT_TRUE(f == 0 || f == 0xFFFF0000u || f == 0x0000FFFFu) << f;
    ++reads;
  }
  writer.join();
  EXPECT_EQ(static_cast<float>(gain), 0.25f);
  TQzShared<float> copy = gain;
  EXPECT_EQ(copy.Load(), 0.25f);
}
