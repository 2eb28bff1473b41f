#include "engine/QzAudioClasses.h"

#include <algorithm>

float AmpToDbTable[QzLevelTableSize];

namespace {
struct TAmpTableInit {
  TAmpTableInit() { BuildLevelTable(AmpToDbTable); }
} AmpTableInit;

uint32_t ClampRate(uint32_t Rate) {
  return std::clamp(Rate, TQzAudioSampleRateClass::MinSampleRate,
                    TQzAudioSampleRateClass::MaxSampleRate);
}
}  // namespace

uint32_t TQzAudioSampleRateClass::GetSampleRate() {
  const uint32_t rate = ClampRate(FSampleRate.Load());
  FSampleRate.Store(rate);
  return rate;
}

void TQzAudioSampleRateClass::SetSampleRate(uint32_t Value) {
  const uint32_t v = ClampRate(Value);
  if (v == GetSampleRate()) return;
  FSampleRate.Store(v);
  SampleRateChanged();
}
