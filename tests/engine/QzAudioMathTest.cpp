#include "engine/QzAudioMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

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

// Tolerance 0: the exact value (or both not a number).
TEST(QzAudioMath, LevelLawPoints) {
  struct Case { bool ToAmp; float X, Expect, Tolerance; };
  const Case cases[] = {
      {true, 0.0f, 1.0f, 0},         {true, -0.0f, 1.0f, 0},        {true, -10.0f, 0.1f, 0},
      {true, 10.0f, 10.0f, 0},       {true, 20.0f, 100.0f, 0},      {true, -80.0f, 1e-8f, 0},
      {true, 3.0f, 1.99526f, 1e-5f}, {true, -3.0f, 0.501187f, 1e-6f},  // the factor-10 scale, not 0.708
      {true, -1000.0f, 0.0f, 0},     {true, 1000.0f, kInf, 0},      {true, kInf, kInf, 0},
      {true, -kInf, 0.0f, 0},        {true, kNaN, kNaN, 0},
      {false, 0.0f, -80.0f, 0},      {false, -0.0f, -80.0f, 0},     {false, 1.0f, 0.0f, 0},
      {false, -1.0f, 0.0f, 0},       {false, 0.5f, -3.0103f, 1e-4f}, {false, 2.0f, 3.0103f, 1e-4f},
      {false, 10.0f, 10.0f, 0},      {false, 1e-10f, -100.0f, 1e-4f},  // no floor for small amplitudes
      {false, 1e-30f, -300.0f, 1.0f}, {false, kInf, kInf, 0},       {false, -kInf, kInf, 0},
      {false, kNaN, kNaN, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.ToAmp ? "DbToAmp " : "AmpToDb ") << c.X);
    const float got = c.ToAmp ? DbToAmp(c.X) : AmpToDb(c.X);
    if (c.Tolerance == 0)
      EXPECT_TRUE(got == c.Expect || (std::isnan(got) && std::isnan(c.Expect))) << got;
    else
      EXPECT_NEAR(got, c.Expect, c.Tolerance);
  }
  EXPECT_EQ(AmpToDb(-0.5f), AmpToDb(0.5f));
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
  static float rebuilt[QzLevelTableSize];
  for (float& v : rebuilt) v = 123.0f;
  BuildLevelTable(rebuilt);  // overwrites every entry
  EXPECT_EQ(std::memcmp(rebuilt, RatioToDbTable, sizeof rebuilt), 0);
}

