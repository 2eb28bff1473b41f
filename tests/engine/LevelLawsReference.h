// The two level laws written out as stated (quotient in 32-bit float, power and logarithm in
// 64-bit float), the yardstick of every test that checks the engine's faster forms bit for bit.
#pragma once

#include <cmath>
#include <cstring>

inline float PlainDbToAmp(float X) {
  if (X == 0.0f) return 1.0f;
  volatile float q = X / 10.0f;  // rounded to 32 bits whatever the compiler keeps in registers
  return static_cast<float>(std::pow(10.0, static_cast<double>(q)));
}

inline float PlainAmpToDb(float X) {
  if (X == 0.0f) return -80.0f;
  return static_cast<float>(10.0 * std::log10(std::fabs(static_cast<double>(X))));
}

// Equal bit patterns, or both not a number.
inline bool SameBits(float A, float B) {
  return std::memcmp(&A, &B, sizeof A) == 0 || (std::isnan(A) && std::isnan(B));
}
