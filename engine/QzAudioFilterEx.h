// Second-order IIR filters, the cut-filter pair and the three-band channel equaliser.
// Coefficients and state are 64-bit; samples enter and leave as 32-bit floats.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/QzAudioMath.h"
#include "core/Classes.h"

// Decibels on the usual factor-20 scale to an amplitude factor: 10^(Db/20). Below -120 dB (and
// for NaN) the result is 0. Only the filters' amplitude factor uses this law.
double DbToGain(double Db);

// ln 2 / 2, the octave term of the bandwidth formula.
extern const double Ln2Half;

class TQzCustomAudioFilter : public TObject {
public:
  static constexpr float MinFrequency = 1.0f;
  static constexpr float MaxFrequency = 25000.0f;
  static constexpr float MinBandwidth = 0.1f;
  static constexpr float MaxBandwidth = 10.0f;
  static constexpr uint32_t MinSampleRate = 10000;
  static constexpr uint32_t MaxSampleRate = 192000;

  TQzCustomAudioFilter();
  std::string ClassName() const override { return "TQzCustomAudioFilter"; }

  virtual void CalcAlpha();
  // Clamps to 0.1 .. 10; a change recomputes alpha and the coefficients.
  virtual void SetBandwidth(float Value);
  virtual void CalcOmega();
  virtual void CalcCoefficients();
  virtual float ProcessSample(float Sample) { return Sample; }

  // Clamps the stored frequency in place to 1 .. 25000 Hz and returns it.
  float GetFrequency();
  void SetFrequency(float Value);
  float GetGain() const { return static_cast<float>(FGain); }
  void SetGain(float Value);
  float GetBandwidth() const { return static_cast<float>(FBandwidth); }
  // Clamps the stored rate in place to 10000 .. 192000 Hz and returns it.
  uint32_t GetSampleRate();
  void SetSampleRate(uint32_t Value);

  double GetAlpha() const { return FAlpha; }
  double GetA() const { return FA; }
  double GetW0() const { return FW0; }
  double GetSinW0() const { return FSinW0; }

protected:
  // Parameters and derived terms: written and read only by the thread designing a parameter set.
  double FAlpha = 0.0;
  double FGain = 0.0;
  double FA = 1.0;
  double FFrequency = 20.0;
  double FSinW0 = 0.0;
  double FW0 = 0.0;
  double FBandwidth = 1.0;
  double FInvSampleRate = 0.0;
  uint32_t FSampleRate = 44100;
  // Corner at or above the Nyquist frequency: w0 is pinned at pi, where the formulas put a
  // double pole on the unit circle. From a clear state they give y = b0 * x for ever, but any
  // state left over from another rate would grow without bound; such a stage keeps its state
  // at zero.
  bool FAtNyquist = false;
};

class TQzAudioIIRFilter : public TQzCustomAudioFilter {
public:
  std::string ClassName() const override { return "TQzAudioIIRFilter"; }
};

// Normalised coefficients of one biquad (a0 = 1).
struct TQzBiquadCoefficients {
  double b0, b1, b2, a1, a2;
};

class TQzAudioBiquadIIRFilter : public TQzAudioIIRFilter {
public:
  std::string ClassName() const override { return "TQzAudioBiquadIIRFilter"; }
  // Transposed direct form II; the output is rounded to 32 bits before it feeds the state.
  // A state that stopped being finite is cleared after the sample.
  float ProcessSample(float Sample) override;
  virtual void Reset();

  TQzBiquadCoefficients GetCoefficients() const { return {Fb0, Fb1, Fb2, Fa1, Fa2}; }
  // True while the corner is at or above Nyquist and the state is held at zero.
  bool IsAtNyquist() const { return FAtNyquist; }

protected:
  // The common start of every concrete formula: 1/fs, A and w0 brought up to date; returns cos w0.
  double PrepareCoefficients();
  // The coefficients of both cut filters: Sign -1 for the high-cut (low-pass), +1 for the
  // low-cut (high-pass).
  void SetCutCoefficients(double Sign);

  // A filter object is a design and a reference: the equaliser copies its coefficients into the
  // set it publishes and keeps the audio state of its blocks itself.
  double Fa1 = 0.0, Fa2 = 0.0, Fb0 = 0.0, Fb1 = 0.0, Fb2 = 0.0;
  double Fz1 = 0.0, Fz2 = 0.0;
};

// Low-pass.
class TQzAudioHighcutFilter : public TQzAudioBiquadIIRFilter {
public:
  TQzAudioHighcutFilter() { CalcCoefficients(); }
  std::string ClassName() const override { return "TQzAudioHighcutFilter"; }
  void CalcCoefficients() override;
};

// High-pass.
class TQzAudioLowcutFilter : public TQzAudioBiquadIIRFilter {
public:
  TQzAudioLowcutFilter() { CalcCoefficients(); }
  std::string ClassName() const override { return "TQzAudioLowcutFilter"; }
  void CalcCoefficients() override;
};

// Peaking band; at 0 dB it passes the signal unchanged.
class TQzAudioBandWidthFilter : public TQzAudioBiquadIIRFilter {
public:
  TQzAudioBandWidthFilter() { CalcCoefficients(); }
  std::string ClassName() const override { return "TQzAudioBandWidthFilter"; }
  void CalcCoefficients() override;
};

// A low-cut and a high-cut filter in series.
class TQzAudioShelfEQ : public TObject {
public:
  TQzAudioShelfEQ();
  ~TQzAudioShelfEQ() override;
  std::string ClassName() const override { return "TQzAudioShelfEQ"; }

  virtual void SampleRateChanged();
  virtual void SetDefaults();
  // High-cut first, then low-cut.
  virtual float ProcessSample(float Sample);

  void SetLowcutFrequency(float Value) { FLowcut->SetFrequency(Value); }
  void SetHighcutFrequency(float Value) { FHighcut->SetFrequency(Value); }
  // Not clamped here; the filters clamp.
  void SetSampleRate(uint32_t Value);
  uint32_t GetSampleRate() const { return FSampleRate; }

  TQzAudioLowcutFilter* GetLowcut() const { return FLowcut.get(); }
  TQzAudioHighcutFilter* GetHighcut() const { return FHighcut.get(); }

protected:
  std::unique_ptr<TQzAudioLowcutFilter> FLowcut;
  std::unique_ptr<TQzAudioHighcutFilter> FHighcut;
  uint32_t FSampleRate = 44100;
};

// Three switchable peaking bands ahead of the cut filters, for one channel.
class TQzAudioMicroEQ : public TQzAudioShelfEQ {
public:
  static constexpr int BandCount = 3;

  TQzAudioMicroEQ();
  ~TQzAudioMicroEQ() override;
  std::string ClassName() const override { return "TQzAudioMicroEQ"; }

  void SampleRateChanged() override;
  void SetDefaults() override;
  // Enabled bands 0, 1, 2, then high-cut, then low-cut.
  float ProcessSample(float Sample) override;

  // Index 3 and above: nothing (False for the getter).
  void SetBandFrequency(uint8_t Index, float Value);
  void SetBandGain(uint8_t Index, float Value);
  void SetBandBandwidth(uint8_t Index, float Value);
  bool GetBandEnabled(uint8_t Index) const;
  void SetBandEnabled(uint8_t Index, bool Value);

  TQzAudioBandWidthFilter* GetBand(uint8_t Index) const {
    return Index < BandCount ? FBands[Index].get() : nullptr;
  }

protected:
  std::unique_ptr<TQzAudioBandWidthFilter> FBands[BandCount];
  bool FBandEnabled[BandCount] = {};
};
