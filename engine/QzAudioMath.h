// Level laws and the parameter clamp that every gain, threshold and meter goes through.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

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

// A parameter set handed whole from the threads that design it to the audio thread, so that a
// block never runs part of one design with part of another. Three copies: one the writer fills,
// one ready, one the reader holds; finished copies change hands by exchanging their index.
// Writers wait for each other; the reader never waits and never allocates.
template <class T>
class TQzPublished {
public:
  explicit TQzPublished(const T& Initial = T()) : FSets{Initial, Initial, Initial} {}
  TQzPublished(const TQzPublished&) = delete;
  TQzPublished& operator=(const TQzPublished&) = delete;

  // Any thread but the audio thread.
  void Publish(const T& Set) {
    std::lock_guard<std::mutex> lock(FWriters);
    FSets[FBack] = Set;
    FBack = FReady.exchange(FBack | FreshBit, std::memory_order_acq_rel) & IndexMask;
  }
  // The audio thread, once at the start of a block: the newest complete set. The reference
  // stays valid until the next Acquire.
  const T& Acquire() noexcept {
    if (FReady.load(std::memory_order_relaxed) & FreshBit)
      FFront = FReady.exchange(FFront, std::memory_order_acq_rel) & IndexMask;
    return FSets[FFront];
  }

private:
  static constexpr uint8_t FreshBit = 4, IndexMask = 3;
  T FSets[3];
  std::atomic<uint8_t> FReady{1};
  uint8_t FFront = 0;  // the reader's
  uint8_t FBack = 2;   // the writers', under FWriters
  std::mutex FWriters;
};

// A request to clear processing state, made on any thread and carried out by the audio thread
// at the start of its next block (state written by the block would otherwise overwrite it).
class TQzResetRequest {
public:
  void Request() noexcept { FRequested.fetch_add(1, std::memory_order_relaxed); }
  // Audio thread: True once for any number of requests since the last call.
  bool Take() noexcept {
    const uint32_t r = FRequested.load(std::memory_order_relaxed);
    if (r == FSeen) return false;
    FSeen = r;
    return true;
  }

private:
  std::atomic<uint32_t> FRequested{0};
  uint32_t FSeen = 0;
};

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
