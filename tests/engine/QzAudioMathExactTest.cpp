// DbToAmp and AmpToDb take a fast path; their results must be exactly those of the plain 64-bit
// formulas. Checked over every float where the fast path can be taken (sampled where the result
// is trivially 1, and in sanitizer and unoptimised builds, where the full sweep takes minutes).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "LevelLawsReference.h"
#include "engine/QzAudioMath.h"

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
