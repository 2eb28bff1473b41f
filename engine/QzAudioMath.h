// Level laws and the parameter clamp that every gain, threshold and meter goes through.
#pragma once

#include <atomic>
#include <cstdint>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

// In-place clamp of a 32-bit float; True when it changed the value. The upper bound is tested
// first, and a NaN value (or NaN lower bound) is left as it is.
bool ClampSingle(float& Value, float Min, float Max);

// Decibels to amplitude on the program's factor-10 scale: 10^(X/10); 0 gives exactly 1.
float DbToAmp(float X);
// Amplitude to decibels on the factor-10 scale: 10*log10|X|; 0 gives exactly -80.
float AmpToDb(float X);

// Filled at load time: entry round(amplitude * 10000) holds AmpToDb(amplitude), 0..2.0.
inline constexpr int QzLevelTableSize = 20001;
extern float RatioToDbTable[QzLevelTableSize];
// Builds one level table the way both tables are built (also used for AmpToDbTable).
void BuildLevelTable(float* Table);

// A value shared between the GUI thread (writer) and the audio thread (reader). Each value is
// written whole; readers may see a mix of old and new values across fields, never a torn one.
// Relaxed atomics compile to plain loads and stores on x86-64.
template <class T>
class TQzShared {
public:
  constexpr TQzShared(T Value = T()) noexcept : FValue(Value) {}
  TQzShared(const TQzShared& Other) noexcept : FValue(Other.Load()) {}
  TQzShared& operator=(const TQzShared& Other) noexcept {
    Store(Other.Load());
    return *this;
  }
  TQzShared& operator=(T Value) noexcept {
    Store(Value);
    return *this;
  }
  operator T() const noexcept { return Load(); }
  T Load() const noexcept { return FValue.load(std::memory_order_relaxed); }
  void Store(T Value) noexcept { FValue.store(Value, std::memory_order_relaxed); }

private:
  std::atomic<T> FValue;
};
static_assert(std::atomic<float>::is_always_lock_free && std::atomic<uint32_t>::is_always_lock_free);

// Sets flush-to-zero and denormals-are-zero for its lifetime and restores the caller's mode, so
// that decaying signals never reach the slow denormal path. Scoped to one processing call.
class TQzDenormalGuard {
public:
#if defined(__SSE__) || defined(__x86_64__)
  TQzDenormalGuard() noexcept : FSaved(_mm_getcsr()) { _mm_setcsr(FSaved | 0x8040u); }
  ~TQzDenormalGuard() { _mm_setcsr(FSaved); }
#else
  TQzDenormalGuard() noexcept = default;
#endif
  TQzDenormalGuard(const TQzDenormalGuard&) = delete;
  TQzDenormalGuard& operator=(const TQzDenormalGuard&) = delete;

private:
#if defined(__SSE__) || defined(__x86_64__)
  unsigned FSaved;
#endif
};
