#include "engine/QzAudioMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "LevelLawsReference.h"
#include "engine/QzAudioClasses.h"

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
}  // namespace

TEST(QzAudioMath, ClampSingle) {
  struct Case { float Value, Min, Max; float Expect; bool Changed; };
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

// Within the fast range the sweeps below pin every value bit for bit against the plain laws;
// here the ends beyond it, the negative amplitudes and the values that are not numbers.
TEST(QzAudioMath, LevelLawPoints) {
  struct Case { bool ToAmp; float X, Expect; };
  const Case cases[] = {
      {true, -1000.0f, 0.0f}, {true, 1000.0f, kInf},   {true, kInf, kInf},    {true, -kInf, 0.0f},
      {true, kNaN, kNaN},     {false, -0.0f, -80.0f},  {false, -1.0f, 0.0f},  {false, -2.0f, AmpToDb(2.0f)},
      {false, kInf, kInf},    {false, -kInf, kInf},    {false, kNaN, kNaN},
  };
  for (const Case& c : cases) {
    const float got = c.ToAmp ? DbToAmp(c.X) : AmpToDb(c.X);
    EXPECT_TRUE(SameBits(got, c.Expect)) << (c.ToAmp ? "DbToAmp " : "AmpToDb ") << c.X << " gives " << got;
  }
}

TEST(QzAudioMath, LevelTables) {
  for (const float* table : {RatioToDbTable, AmpToDbTable}) {
    EXPECT_EQ(std::pair(table[0], table[20000]), std::pair(-80.0f, 0.0f));  // the last never reached
    EXPECT_NEAR(table[1], -40.0f, 1e-4f);
    // The 32-bit step has drifted by these entries: they hold the level of x slightly below.
    EXPECT_NEAR(table[10000], -0.0002f, 0.00005f);
    EXPECT_NEAR(table[5000], -3.0106f, 0.0001f);

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
  static float rebuilt[QzLevelTableSize];
  for (float& v : rebuilt) v = 123.0f;
  BuildLevelTable(rebuilt);  // overwrites every entry
  EXPECT_EQ(std::memcmp(rebuilt, RatioToDbTable, sizeof rebuilt), 0);
}

// DbToAmp and AmpToDb take a fast path; their results must be exactly those of the plain 64-bit
// formulas. Checked over every float where the fast path can be taken (sampled where the result
// is trivially 1, and in sanitizer and unoptimised builds, where the full sweep takes minutes).
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__OPTIMIZE__)
constexpr uint32_t Stride = 997;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(undefined_behavior_sanitizer)
constexpr uint32_t Stride = 997;
#else
constexpr uint32_t Stride = 1;
#endif
#else
constexpr uint32_t Stride = 1;
#endif

float FloatOf(uint32_t Bits) {
  float f;
  std::memcpy(&f, &Bits, 4);
  return f;
}

// Runs Check over the bit patterns First .. Last (inclusive) in steps of Stride on every core;
// returns the first few patterns where it failed.
template <class TCheck>
std::vector<uint32_t> Sweep(uint32_t First, uint32_t Last, TCheck Check, uint32_t Step = Stride) {
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::vector<uint32_t>> failures(threads);
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < threads; ++t)
    pool.emplace_back([&, t] {
      for (uint64_t u = First + static_cast<uint64_t>(t) * Step; u <= Last; u += static_cast<uint64_t>(threads) * Step)
        if (!Check(static_cast<uint32_t>(u)) && failures[t].size() < 4) failures[t].push_back(static_cast<uint32_t>(u));
    });
  for (auto& th : pool) th.join();
  std::vector<uint32_t> all;
  for (auto& f : failures) all.insert(all.end(), f.begin(), f.end());
  return all;
}

TEST(QzAudioMathExact, AmpToDbOverEveryPositiveFloat) {
  // The magnitude is taken first, so the negative half is the same computation.
  const auto bad = Sweep(0x00000000u, 0x7F7FFFFFu,
                         [](uint32_t u) { return SameBits(AmpToDb(FloatOf(u)), PlainAmpToDb(FloatOf(u))); });
  for (uint32_t u : bad) ADD_FAILURE() << std::hexfloat << FloatOf(u) << " gives " << AmpToDb(FloatOf(u));
}

TEST(QzAudioMathExact, DbToAmpOverEveryFloatOfTheFastRange) {
  // |X| <= 375 dB is where the fast path runs; beyond it the plain formula is used directly.
  // Below 2^-20 dB every result is 1 or one of its neighbours: a sample of those suffices.
  const uint32_t top = 0x43BB8000u + 16;  // just over 375.0f
  const uint32_t tiny = 0x35800000u;      // 2^-20
  const auto check = [](uint32_t u) { return SameBits(DbToAmp(FloatOf(u)), PlainDbToAmp(FloatOf(u))); };
  std::vector<uint32_t> bad;
  for (uint32_t sign : {0u, 0x80000000u}) {
    for (const auto& part : {Sweep(sign | tiny, sign | top, check), Sweep(sign, sign | tiny, check, Stride * 61)})
      bad.insert(bad.end(), part.begin(), part.end());
  }
  for (uint32_t u : bad) ADD_FAILURE() << std::hexfloat << FloatOf(u) << " gives " << DbToAmp(FloatOf(u));
}

}  // namespace
