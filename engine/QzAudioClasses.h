// Bases of the stereo processors: an update event, a clamped sample rate and a history store.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/QzAudioMath.h"
#include "platform/Classes.h"

// Built at load time like RatioToDbTable; no operation of this program reads it.
extern float AmpToDbTable[QzLevelTableSize];

class TQzAudioUpdateClass : public TObject {
public:
  std::string ClassName() const override { return "TQzAudioUpdateClass"; }
  TNotifyEvent OnUpdate;

  virtual void Update() { DoUpdate(); }
  virtual void DoUpdate() {
    if (OnUpdate) OnUpdate(this);
  }
};

class TQzAudioSampleRateClass : public TQzAudioUpdateClass {
public:
  static constexpr uint32_t MinSampleRate = 10000;
  static constexpr uint32_t MaxSampleRate = 192000;
  static constexpr uint32_t DefaultSampleRate = 44100;

  std::string ClassName() const override { return "TQzAudioSampleRateClass"; }

  // Clamps the stored rate in place, then returns it.
  uint32_t GetSampleRate();
  // Clamps; when the clamped rate differs from the stored one, stores it and calls
  // SampleRateChanged. Called on the host's control thread.
  void SetSampleRate(uint32_t Value);

  // Fires OnUpdate here; processors override it to pass the rate to their stages.
  virtual void SampleRateChanged() { DoUpdate(); }

protected:
  // Read by the audio thread through the processors' coefficients, written by the host's
  // control thread.
  TQzShared<uint32_t> FSampleRate{DefaultSampleRate};
};

class TQzAudioSampleRateStereoHistoryClass : public TQzAudioSampleRateClass {
public:
  std::string ClassName() const override { return "TQzAudioSampleRateStereoHistoryClass"; }
  ~TQzAudioSampleRateStereoHistoryClass() override {
    FHistoryCount = 0;
    FHistoryValue = 0.0f;
  }

protected:
  // History store of the stereo processors; nothing in this program fills or reads it.
  int32_t FHistoryCount = 0;
  float FHistoryValue = 0.0f;
  std::vector<float> FHistory;
  bool FHistoryFlag = false;
};
