// Integer and range arithmetic at the edges, shared by every control: ranges whose bounds are
// equal or reversed, steps that would overflow 32 bits, scaling by a zero divisor and wide values
// stored into narrow fields. Each answers a defined value instead of wrapping or trapping.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

// Value held within the two bounds in whichever order they come: a range set up with Min above
// Max (a transient state while both are edited) is taken as [Max, Min]. A NaN becomes Lo.
template <class T>
constexpr T QzClamp(T Value, T Lo, T Hi) {
  if (Hi < Lo) {
    const T t = Lo;
    Lo = Hi;
    Hi = t;
  }
  if constexpr (std::is_floating_point_v<T>) {
    if (Value != Value) return Lo;
  }
  return Value < Lo ? Lo : (Hi < Value ? Hi : Value);
}

// A wide integer stored into a narrower integer type: saturates at the type's bounds.
template <class T, class V>
constexpr T QzNarrow(V Value) {
  static_assert(std::is_integral_v<T> && std::is_integral_v<V>);
  using L = std::numeric_limits<T>;
  if constexpr (std::is_signed_v<V>) {
    if (Value < 0) {
      if constexpr (std::is_unsigned_v<T>) return 0;
      else if (static_cast<int64_t>(Value) < static_cast<int64_t>(L::min())) return L::min();
      return static_cast<T>(Value);
    }
  }
  if (static_cast<uint64_t>(Value) > static_cast<uint64_t>(L::max())) return L::max();
  return static_cast<T>(Value);
}

// Value + Step * Count (a wheel of several notches, a held key) without 32-bit overflow.
constexpr int32_t QzStepSat(int32_t Value, int32_t Step, int32_t Count = 1) {
  const int64_t r = static_cast<int64_t>(Value) + static_cast<int64_t>(Step) * Count;
  return QzNarrow<int32_t>(r);
}

// Number * Numerator / Denominator rounded half away from zero, as MulDiv does, but a zero
// divisor gives IfZero (MulDiv answers -1, which reads as a real result) and a result beyond
// 32 bits saturates.
constexpr int32_t QzMulDiv(int32_t Number, int32_t Numerator, int32_t Denominator, int32_t IfZero = 0) {
  if (Denominator == 0) return IfZero;
  const int64_t p = static_cast<int64_t>(Number) * Numerator;
  int64_t d = Denominator;
  int64_t q = p / d, r = p % d;
  if (r < 0) r = -r;
  if (d < 0) d = -d;
  if (2 * r >= d) q += ((p < 0) != (Denominator < 0)) ? -1 : 1;
  return QzNarrow<int32_t>(q);
}

// Position of Value in [Min, Max] as 0..1 (bounds in either order, so Max < Min runs the scale
// backwards); 0 for an empty range (Min = Max) or a NaN anywhere.
inline double QzNormalize(double Value, double Min, double Max) {
  const double span = Max - Min;
  if (span == 0 || !std::isfinite(span) || std::isnan(Value)) return 0;
  return QzClamp((Value - Min) / span, 0.0, 1.0);
}

// Value in [Min, Max] mapped to a pixel or frame index 0..Count-1, nearest by rounding; 0 when
// Count < 1 or the range is empty.
inline int32_t QzRangeToIndex(double Value, double Min, double Max, int32_t Count) {
  if (Count < 1) return 0;
  return static_cast<int32_t>(std::lround(QzNormalize(Value, Min, Max) * (Count - 1)));
}
