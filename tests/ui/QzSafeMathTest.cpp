#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "ui/framework/QzSafeMath.h"

namespace {
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
}  // namespace

TEST(QzSafeMath, IntegerEdges) {
  struct Row { const char* What; int64_t Got, Want; } rows[] = {
      {"clamp inside", QzClamp(5, 0, 10), 5}, {"clamp below", QzClamp(-5, 0, 10), 0},
      {"clamp above", QzClamp(50, 0, 10), 10}, {"clamp Min = Max", QzClamp(7, 3, 3), 3},
      {"clamp Min > Max, above", QzClamp(50, 10, 0), 10}, {"clamp Min > Max, below", QzClamp(-1, 10, 0), 0},
      {"narrow to uint8 above", QzNarrow<uint8_t>(300), 255}, {"narrow to uint8 negative", QzNarrow<uint8_t>(-1), 0},
      {"narrow to uint16", QzNarrow<uint16_t>(int64_t{70000}), 65535},
      {"narrow to int32 from int64 low", QzNarrow<int32_t>(int64_t{kMin} - 5), kMin},
      {"narrow to int32 from uint64", QzNarrow<int32_t>(uint64_t{1} << 40), kMax},
      {"narrow fits", QzNarrow<int16_t>(-300), -300}, {"step up overflows", QzStepSat(kMax - 1, 120, 3), kMax},
      {"step down overflows", QzStepSat(kMin + 1, -120), kMin},
      {"step by many notches", QzStepSat(0, kMax, kMax), kMax}, {"step plain", QzStepSat(10, -3, 2), 4},
      {"muldiv zero divisor", QzMulDiv(10, 5, 0), 0}, {"muldiv zero divisor fallback", QzMulDiv(10, 5, 0, 42), 42},
      {"muldiv rounds half away", QzMulDiv(7, 1, 2), 4}, {"muldiv rounds half away negative", QzMulDiv(-7, 1, 2), -4},
      {"muldiv negative divisor", QzMulDiv(7, 1, -2), -4}, {"muldiv overflow saturates", QzMulDiv(kMax, kMax, 1), kMax},
      {"muldiv wide intermediate", QzMulDiv(100000, 100000, 100000), 100000},
      {"range index, empty range", QzRangeToIndex(5, 3, 3, 100), 0},
      {"range index, top", QzRangeToIndex(10, 0, 10, 101), 100},
      {"range index, reversed", QzRangeToIndex(10, 10, 0, 101), 0},
      {"range index, no frames", QzRangeToIndex(5, 0, 10, 0), 0},
      {"range index, NaN", QzRangeToIndex(std::nan(""), 0, 10, 50), 0},
  };
  for (const Row& r : rows) EXPECT_EQ(r.Got, r.Want) << r.What;
}

TEST(QzSafeMath, FloatEdges) {
  EXPECT_EQ((std::vector<double>{QzClamp(std::nan(""), 0.0, 1.0), QzClamp(2.0f, 1.0f, -1.0f), QzNormalize(5, 0, 10),
                                 QzNormalize(5, 5, 5), QzNormalize(20, 0, 10), QzNormalize(2.5, 10, 0),
                                 QzNormalize(1, -INFINITY, INFINITY)}),
            (std::vector<double>{0.0, 1.0, 0.5, 0.0, 1.0, 0.75, 0.0}));
}
