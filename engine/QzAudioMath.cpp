#include "engine/QzAudioMath.h"

#include <cmath>

float RatioToDbTable[QzLevelTableSize];

bool ClampSingle(float& Value, float Min, float Max) {
  if (Value > Max) {
    Value = Max;
    return true;
  }
  if (std::isnan(Value) || std::isnan(Min)) return false;
  if (Value < Min) {
    Value = Min;
    return true;
  }
  return false;
}

float DbToAmp(float X) {
  if (X == 0.0f) return 1.0f;
  const float q = X / 10.0f;
  return static_cast<float>(std::pow(10.0, static_cast<double>(q)));
}

float AmpToDb(float X) {
  if (X == 0.0f) return -80.0f;
  return static_cast<float>(10.0 * std::log10(std::fabs(static_cast<double>(X))));
}

void BuildLevelTable(float* Table) {
  for (int i = 0; i < QzLevelTableSize; ++i) Table[i] = 0.0f;
  Table[0] = -80.0f;
  // The step accumulates in 32-bit float on purpose: the indices it produces (a few written
  // twice, a few never) are those of the stored tables.
  float x = 0.0001f;
  while (x <= 2.0f) {
    const float v = AmpToDb(x);
    const float scaled = x * 10000.0f;
    const long i = std::lrintf(scaled);  // default rounding mode: ties to even
    if (i >= 0 && i < QzLevelTableSize) Table[i] = v;
    x = static_cast<float>(static_cast<double>(x) + 0.0001);
  }
}

namespace {
struct TRatioTableInit {
  TRatioTableInit() { BuildLevelTable(RatioToDbTable); }
} RatioTableInit;
}  // namespace
