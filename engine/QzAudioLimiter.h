// The peak limiter of the effect and its parameter store with the "VXLM" stream.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/QzAudioClasses.h"
#include "engine/QzAudioMath.h"
#include "core/QzFileClasses.h"

// Every parameter of the limiter: sixteen float slots, eight integers and a flag word, streamed
// as "VXLM" (132 bytes). Getters of clamped slots clamp the stored value in place without
// notifying; setters clamp, compare and, on a change, store and notify. Reserved slots,
// integers and bits are never touched by Clear and travel unchanged through Assign and streams.
// All fields are written on the GUI thread and may be read on the audio thread.
class TQzAudioLimiterPreset : public TQzFileClass {
public:
  static constexpr int SlotCount = 16;
  static constexpr int IntCount = 8;
  static constexpr uint32_t Signature = QzSignature("VXLM");
  static constexpr uint8_t Version = 1;
  static constexpr uint8_t FormatByte = 5;
  static constexpr uint16_t HeaderSize = 32;
  static constexpr int StreamSize = 132;

  enum : int {
    slotThreshold = 0,
    slotAttack = 1,
    slotRelease = 2,
    slotBalance = 4,
    slotOutputGain = 5,
    slotInputGain = 6,
  };
  enum : int { intParam0 = 0, intParam1 = 1, intMode = 2 };
  enum : uint32_t { flagActive = 1u << 0, flagBypass = 1u << 1, flagLookAhead = 1u << 2 };

  static constexpr float MinThreshold = -15.0f, MaxThreshold = 0.0f;
  static constexpr float MinAttack = 0.1f, MaxAttack = 10.0f;
  static constexpr float MinRelease = 75.0f, MaxRelease = 750.0f;
  static constexpr float MinBalance = -100.0f, MaxBalance = 100.0f;
  static constexpr float MinGain = -80.0f, MaxGain = 3.0f;

  static constexpr float DefaultThreshold = -3.0f;
  static constexpr float DefaultAttack = 5.0f;
  static constexpr float DefaultRelease = 150.0f;

  TQzAudioLimiterPreset();
  std::string ClassName() const override { return "TQzAudioLimiterPreset"; }

  // Active on, threshold -3 dB, attack 5 ms, release 150 ms, gains 0 dB, balance 0, integer
  // parameters and mode 0; notifies once. Bypass, LookAhead, reserved fields and the error
  // state stay as they are.
  void Clear() override;
  // Saving notifies too (the owning limiter recomputes on every notification).
  bool SaveToStream(TStream* Stream) override;
  // Does not clear first: what a failed read did not reach keeps its value. Loaded values are
  // not clamped (the getters clamp them). Notifies once, also after a failure.
  bool LoadFromStream(TStream* Stream) override;
  // Copies slots, integers and flag word as they are; nil does nothing.
  virtual void Assign(TQzAudioLimiterPreset* Source);

  float GetThreshold();
  void SetThreshold(float Value);
  float GetAttack();
  void SetAttack(float Value);
  float GetRelease();
  void SetRelease(float Value);
  float GetBalance();
  void SetBalance(float Value);
  float GetOutputGain();
  void SetOutputGain(float Value);
  float GetInputGain();
  void SetInputGain(float Value);

  int32_t GetIntParam0() const { return FInts[intParam0]; }
  void SetIntParam0(int32_t Value) { SetInt(intParam0, Value); }
  int32_t GetIntParam1() const { return FInts[intParam1]; }
  void SetIntParam1(int32_t Value) { SetInt(intParam1, Value); }
  // 0, 1 or 2; not clamped, and the limiter treats every other value like 2.
  int32_t GetMode() const { return FInts[intMode]; }
  void SetMode(int32_t Value) { SetInt(intMode, Value); }

  bool GetActive() const { return (FFlags.Load() & flagActive) != 0; }
  void SetActive(bool Value) { SetFlag(flagActive, Value); }
  // Only a stream or Assign sets it.
  bool GetBypass() const { return (FFlags.Load() & flagBypass) != 0; }
  bool GetLookAhead() const { return (FFlags.Load() & flagLookAhead) != 0; }
  void SetLookAhead(bool Value) { SetFlag(flagLookAhead, Value); }

private:
  float GetClampedSlot(int Slot, float Min, float Max);
  void SetClampedSlot(int Slot, float Value, float Min, float Max);
  void SetInt(int Index, int32_t Value);
  void SetFlag(uint32_t Flag, bool Value);

  TQzShared<float> FSlots[SlotCount];
  TQzShared<int32_t> FInts[IntCount];
  TQzShared<uint32_t> FFlags;
};

// Stereo peak limiter working sample by sample on a gain reduction kept in dB (factor-10 scale),
// with three laws for moving it (modes 0, 1, 2), an optional look-ahead within the block and four
// peak meters (input left, input right, output left, output right).
//
// Threads: Process runs on the audio thread. The preset's handler (UpdateCoefficients) runs on
// whichever thread changed the preset, SetSampleRate on the host's control thread; both design a
// complete set of block values and publish it whole, and Process takes the newest set once per
// block. The gain reduction belongs to the audio thread. Meters are read on the GUI thread.
class TQzCustomAudioLimiter : public TQzAudioSampleRateStereoHistoryClass {
public:
  static constexpr int MeterCount = 4;
  static constexpr float MinGainReduction = -20.0f;
  static constexpr float MaxGainReduction = 0.0f;
  // The look-ahead holds the release while a later sample of the block is at least as loud as
  // the current one, looking no further than the block's sample LookAheadEnd - 1: only the
  // first LookAheadEnd - 1 samples of a block can hold, so a loud block never keeps the
  // reduction from letting go under a quiet signal that follows.
  static constexpr int LookAheadEnd = 25;

  TQzCustomAudioLimiter();
  ~TQzCustomAudioLimiter() override;
  std::string ClassName() const override { return "TQzCustomAudioLimiter"; }

  // Limits Frames samples of both channels. Inputs and Outputs may be the same buffers. When
  // the limiter is switched off (or bypassed) and the buffers differ, the input is copied.
  virtual void Process(const float* const* Inputs, float* const* Outputs, uint16_t Frames);

  // Derives the per-sample constants from the preset and the sample rate.
  void UpdateCoefficients();
  // The preset's change handler: recomputes, then fires OnUpdate.
  void PresetChanged(TObject* Sender);
  // Recomputes the attack and release steps for the new rate, then fires OnUpdate.
  void SampleRateChanged() override;

  // Peaks to silence, meter values to -80 dB. Any thread.
  void ResetMeters();
  // Meter Index (0, 1 input; 2, 3 output) in dB: the peak since the last reset; 0 before the
  // first block, -80 for an index beyond them.
  float GetMeter(uint8_t Index) const;
  // Reads every meter and resets its peak in one step each, so that no block's peak falls
  // between the read and the reset. Any thread.
  void TakeMeters(float (&Db)[MeterCount]);
  // Any thread: the gain reduction starts over as after construction, and the meters from
  // silence, at the next block.
  void ResetState() { FResetRequest.Request(); }

  TQzAudioLimiterPreset* GetPreset() const { return FPreset.get(); }

  // Read-outs of the state and the derived values.
  float GetGainReduction() const { return FGainReduction; }
  float GetGain() const { return FGain; }
  float GetThreshold() const { return FThreshold; }
  float GetAttackStep() const { return FAttackStep; }
  float GetReleaseStep() const { return FReleaseStep; }
  float GetOutputGain() const { return FOutputGain; }
  float GetInputGain() const { return FInputGain; }
  float GetLeftGain() const { return FLeftGain; }
  float GetRightGain() const { return FRightGain; }
  bool GetLookAhead() const { return FLookAhead; }
  bool GetActive() const { return FActive; }
  bool GetBypass() const { return FBypass; }

  // Everything one block uses, designed whole by UpdateCoefficients.
  struct TBlockParams {
    float InputGain = 1.0f, LeftGain = 1.0f, RightGain = 1.0f, Threshold = 0.0f;
    float AttackStep = 0.0f, ReleaseStep = 0.0f;
    // Bounds of the level estimate outside which its comparison with the threshold is certain.
    float ThresholdAbove = 0.0f, ThresholdBelow = 0.0f;
    int32_t Mode = 0;
    bool Active = false, LookAhead = false, Bypass = false;
  };
  // Audio thread: Process with a set the caller hands over instead of the newest published here,
  // for a chain that hands the sets of all its stages over as one.
  void Process(const float* const* Inputs, float* const* Outputs, uint16_t Frames, const TBlockParams& Params);
  // The set as last designed. Any thread but the audio thread.
  TBlockParams DesignedParams();

private:
  // One stretch of at most ChunkFrames samples starting at Start.
  void ProcessChunk(const float* const* Inputs, float* const* Outputs, int Start, int Count,
                    const TBlockParams& P, float* BlockPeaks);
  static float MeterDb(float Peak);

  std::unique_ptr<TQzAudioLimiterPreset> FPreset;
  // Serialises the threads that design (preset changes, rate changes).
  std::mutex FDesign;
  TQzPublished<TBlockParams> FParams;
  TBlockParams FDesigned;  // under FDesign
  // Written by the audio thread only; read for display.
  TQzShared<float> FGainReduction{-10.0f};
  TQzShared<float> FGain{0.1f};
  // Derived values as last designed, for display.
  TQzShared<float> FThreshold;
  TQzShared<float> FAttackStep;
  TQzShared<float> FReleaseStep;
  TQzShared<float> FOutputGain{0.1f};
  TQzShared<float> FInputGain;
  TQzShared<float> FLeftGain;
  TQzShared<float> FRightGain;
  TQzShared<bool> FLookAhead;
  TQzShared<bool> FActive;
  TQzShared<bool> FBypass;
  // Peak magnitudes since the last reset; negative until the first block. The audio thread
  // raises them, readers take them with an exchange.
  std::atomic<float> FMeterPeaks[MeterCount] = {-1.0f, -1.0f, -1.0f, -1.0f};
  TQzResetRequest FResetRequest;

  // Audio-thread scratch for one chunk (no allocation while processing).
  static constexpr int ChunkFrames = 256;
  std::array<float, ChunkFrames> FPeak;                     // step b's peak of each sample
  std::array<float, ChunkFrames> FLevelGuess;               // its level in dB, approximately
  // The whole look-ahead window lies in a block's first chunk.
  static_assert(ChunkFrames >= LookAheadEnd);
  std::array<float, LookAheadEnd> FAhead;                   // loudest sample ahead, -1 if none
  std::array<float, ChunkFrames> FReduction;                // reduction after each sample
  std::array<float, ChunkFrames> FGains;                    // and its gain
};
