// The stereo micro-equaliser and its parameter store with the "MEQP" stream.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/QzAudioClasses.h"
#include "engine/QzAudioFilterEx.h"
#include "core/QzFileClasses.h"

// Every parameter of the equaliser: sixteen float slots and a flag word, streamed as "MEQP"
// (100 bytes). Getters of clamped slots clamp the stored value in place without notifying;
// setters clamp, compare and, on a change, store and notify.
class TQzAudioMicroEqualizerPreset : public TQzFileClass {
public:
  static constexpr int SlotCount = 16;
  static constexpr uint32_t Signature = QzSignature("MEQP");
  static constexpr uint8_t Version = 1;
  static constexpr uint16_t HeaderSize = 32;
  static constexpr int StreamSize = 100;

  // Slots of the parameter block.
  enum : int {
    slotOutputGain = 0,
    slotLowcut = 1,
    slotHighcut = 2,
    slotBandFrequency = 3,
    slotBandBandwidth = 6,
    slotBandGain = 9,
    slotPan = 12,
    slotInputGain = 13,
  };
  // Bits of the flag word; bits 0 .. 2 switch the bands.
  enum : uint32_t {
    flagActive = 1u << 3,
    flagMono = 1u << 4,
    flagBypass = 1u << 5,
    flagSaturation = 1u << 6,
    flagCutFilters = 1u << 7,
  };

  // The gains and the pan have no clamp of their own; these are the ranges the editor offers
  // for them. The effect brings a loaded value outside them to the nearest bound.
  static constexpr float MinGain = -50.0f, MaxGain = 3.0f;
  static constexpr float MinPan = -100.0f, MaxPan = 100.0f;

  TQzAudioMicroEqualizerPreset();
  std::string ClassName() const override { return "TQzAudioMicroEqualizerPreset"; }

  // Resets the parameters to their defaults and notifies once. Band switches, the cut-filter
  // switch, reserved slots and bits, and the error state are left as they are.
  void Clear() override;
  bool SaveToStream(TStream* Stream) override;
  bool LoadFromStream(TStream* Stream) override;
  // Copies block and flag word as they are (no clamp) and notifies once; nil does nothing.
  virtual void Assign(TQzAudioMicroEqualizerPreset* Source);

  float GetOutputGain();
  void SetOutputGain(float Value);
  float GetLowcutFrequency();
  void SetLowcutFrequency(float Value);
  float GetHighcutFrequency();
  void SetHighcutFrequency(float Value);
  // Band accessors take Index 0 .. 2; other indices read 0 and write nothing.
  float GetBandFrequency(uint8_t Index);
  void SetBandFrequency(uint8_t Index, float Value);
  float GetBandBandwidth(uint8_t Index);
  void SetBandBandwidth(uint8_t Index, float Value);
  float GetBandGain(uint8_t Index);
  void SetBandGain(uint8_t Index, float Value);
  float GetPan();
  void SetPan(float Value);
  float GetInputGain();
  void SetInputGain(float Value);

  bool GetBandEnabled(uint8_t Index) const;
  void SetBandEnabled(uint8_t Index, bool Value);
  bool GetActive() const { return GetFlag(flagActive); }
  void SetActive(bool Value) { SetFlag(flagActive, Value); }
  bool GetMono() const { return GetFlag(flagMono); }
  void SetMono(bool Value) { SetFlag(flagMono, Value); }
  bool GetBypass() const { return GetFlag(flagBypass); }
  void SetBypass(bool Value) { SetFlag(flagBypass, Value); }
  bool GetSaturation() const { return GetFlag(flagSaturation); }
  void SetSaturation(bool Value) { SetFlag(flagSaturation, Value); }
  bool GetCutFiltersEnabled() const { return GetFlag(flagCutFilters); }
  void SetCutFiltersEnabled(bool Value) { SetFlag(flagCutFilters, Value); }

  // The stored block and flag word as they are, without clamping.
  float GetSlot(int Index) const { return FSlots[static_cast<size_t>(Index)]; }
  uint32_t GetFlagWord() const { return FFlags; }

private:
  float GetClamped(int Slot, float Min, float Max);
  void SetClamped(int Slot, float Value, float Min, float Max);
  void SetUnclamped(int Slot, float Value);
  bool GetFlag(uint32_t Mask) const { return (FFlags.Load() & Mask) != 0; }
  void SetFlag(uint32_t Mask, bool Value);

  std::array<TQzShared<float>, SlotCount> FSlots{};
  TQzShared<uint32_t> FFlags{0};
};

// Everything one block of the equaliser uses, designed whole and published at once. Stages run
// in order; each names the filter whose audio state it carries (bands 0 .. 2, high-cut, low-cut),
// so that switching a band keeps the state of the others.
struct TQzEqualizerParams {
  static constexpr int FilterCount = 5;
  static constexpr int HighcutFilter = 3, LowcutFilter = 4;
  struct TStage {
    uint8_t Filter = 0;
    // Per channel: whether it runs the stage (a band switched off on one channel only is a wire
    // there) and whether its state is held at zero (corner at or above Nyquist).
    bool Run[2] = {false, false};
    bool HoldZero[2] = {false, false};
    TQzBiquadCoefficients C[2] = {};
  };
  TStage Stages[FilterCount];
  int StageCount = 0;
  float InputGain = 1.0f, LeftGain = 1.0f, RightGain = 1.0f, Drive = 1.0f;
  bool Active = false, Mono = false, Saturation = false;
};

// Input gain, optional mono sum, one three-band EQ per channel, pan and output gain, and an
// optional sine saturation, on blocks of 32-bit stereo audio. Every change of the preset or the
// rate is designed into a complete TQzEqualizerParams and published whole; the audio path takes
// the newest set at the start of each block and only multiplies and filters.
class TQzAudioMicroEqualizer : public TQzAudioSampleRateClass {
public:
  TQzAudioMicroEqualizer();
  ~TQzAudioMicroEqualizer() override;
  std::string ClassName() const override { return "TQzAudioMicroEqualizer"; }

  // The preset's change handler, on the thread that changed the preset; fires OnUpdate.
  void ApplyPreset(TObject* Sender);
  // Audio thread. Frames samples of both channels from Inputs into Outputs (channel 0 left,
  // 1 right); the buffers may be the same. Switched off or bypassed, the input is copied to
  // separate outputs and same buffers are left alone. No allocation, no lock.
  void Process(const float* const* Inputs, float* const* Outputs, uint16_t Frames);
  // Audio thread: the same with a set the caller hands over instead of the newest published
  // here, for a chain that hands the sets of all its stages over as one.
  void Process(const float* const* Inputs, float* const* Outputs, uint16_t Frames,
               const TQzEqualizerParams& Params);
  // The set as last designed. Any thread but the audio thread.
  TQzEqualizerParams DesignedParams();
  // Passes the rate to both channel EQs and publishes; does not fire OnUpdate.
  void SampleRateChanged() override;
  // Any thread: the filters start from silence at the next block.
  void ResetState() { FResetRequest.Request(); }

  TQzAudioMicroEqualizerPreset* GetPreset() const { return FPreset.get(); }
  // The channel EQs are the designs; Process does not touch them.
  TQzAudioMicroEQ* GetLeftEQ() const { return FLeftEQ.get(); }
  TQzAudioMicroEQ* GetRightEQ() const { return FRightEQ.get(); }

  float GetInputGain() const { return FInputGain; }
  float GetOutputGain() const { return FOutputGain; }
  float GetLeftGain() const { return FLeftGain; }
  float GetRightGain() const { return FRightGain; }
  float GetDrive() const { return FDrive; }
  bool GetActive() const { return FActive; }
  bool GetMono() const { return FMono; }
  bool GetSaturation() const { return FSaturation; }

private:
  // Builds the set from the channel EQs and the derived values and publishes it; FDesign held.
  void PublishDesign();

  std::unique_ptr<TQzAudioMicroEqualizerPreset> FPreset;
  std::unique_ptr<TQzAudioMicroEQ> FLeftEQ;
  std::unique_ptr<TQzAudioMicroEQ> FRightEQ;
  // Serialises the threads that design (preset changes, rate changes).
  std::mutex FDesign;
  TQzPublished<TQzEqualizerParams> FParams;
  TQzEqualizerParams FDesigned;  // under FDesign
  // Derived values as last designed, for display.
  TQzShared<float> FInputGain{1.0f};
  TQzShared<float> FOutputGain{1.0f};
  TQzShared<float> FLeftGain{1.0f};
  TQzShared<float> FRightGain{1.0f};
  TQzShared<float> FDrive{1.0f};
  TQzShared<bool> FActive{false};
  TQzShared<bool> FMono{false};
  TQzShared<bool> FSaturation{false};
  // Audio thread only: z1, z2 of every filter and channel.
  double FState[TQzEqualizerParams::FilterCount][2][2] = {};
  TQzResetRequest FResetRequest;
};
