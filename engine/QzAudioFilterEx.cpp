#include "engine/QzAudioFilterEx.h"

#include <cmath>

const double Ln2Half = std::log(2.0) / 2.0;

namespace {
constexpr double TwoPi = 6.283185307179586;
constexpr double Pi = 3.141592653589793;
}  // namespace

double DbToGain(double Db) {
  if (std::isnan(Db) || Db < -120.0) return 0.0;
  return std::pow(10.0, Db * 0.05);
}

// ---- TQzCustomAudioFilter ----------------------------------------------------------------

TQzCustomAudioFilter::TQzCustomAudioFilter() {
  FSampleRate = 44100;
  FFrequency = 20.0;
  FBandwidth = 1.0;
  FGain = 0.0;
  FA = DbToGain(FGain * 0.5);
  // Runs the base formulas only; each concrete filter runs its own from its constructor.
  TQzCustomAudioFilter::CalcCoefficients();
}

void TQzCustomAudioFilter::CalcAlpha() {
  if (FSinW0 == 0.0) {
    FAlpha = FSinW0 / (2.0 * FBandwidth);
    return;
  }
  // The cos(w0/2) factor narrows the bands towards Nyquist; alpha reaches 0 at w0 = pi.
  const double c2 = std::cos(FW0 * 0.5) * Ln2Half * FBandwidth;
  FAlpha = std::sinh((FW0 / FSinW0) * c2) * FSinW0;
}

void TQzCustomAudioFilter::SetBandwidth(float Value) {
  if (std::isnan(Value)) return;  // a damaged preset must not poison the coefficients
  ClampSingle(Value, MinBandwidth, MaxBandwidth);
  if (static_cast<double>(Value) == FBandwidth) return;
  FBandwidth = Value;
  CalcAlpha();
  CalcCoefficients();
}

void TQzCustomAudioFilter::CalcOmega() {
  FW0 = TwoPi * FFrequency * FInvSampleRate;
  FSinW0 = std::sin(FW0);
  if (FW0 > Pi) FW0 = Pi;
  FAtNyquist = 2.0 * FFrequency >= static_cast<double>(FSampleRate);
  CalcAlpha();
}

void TQzCustomAudioFilter::CalcCoefficients() {
  FInvSampleRate = 1.0 / FSampleRate;
  FA = DbToGain(FGain * 0.5);
  CalcOmega();
  CalcAlpha();
}

float TQzCustomAudioFilter::GetFrequency() {
  float f = static_cast<float>(FFrequency);
  if (ClampSingle(f, MinFrequency, MaxFrequency)) FFrequency = f;
  return f;
}

void TQzCustomAudioFilter::SetFrequency(float Value) {
  if (std::isnan(Value)) return;
  ClampSingle(Value, MinFrequency, MaxFrequency);
  if (Value == GetFrequency()) return;
  FFrequency = Value;
  CalcCoefficients();
}

void TQzCustomAudioFilter::SetGain(float Value) {
  // Not clamped, but an infinite or NaN gain would make every coefficient NaN.
  if (!std::isfinite(Value)) return;
  if (Value == GetGain()) return;
  FGain = Value;
  CalcCoefficients();
}

uint32_t TQzCustomAudioFilter::GetSampleRate() {
  if (FSampleRate < MinSampleRate) FSampleRate = MinSampleRate;
  if (FSampleRate > MaxSampleRate) FSampleRate = MaxSampleRate;
  return FSampleRate;
}

void TQzCustomAudioFilter::SetSampleRate(uint32_t Value) {
  const uint32_t v = Value < MinSampleRate ? MinSampleRate : Value > MaxSampleRate ? MaxSampleRate : Value;
  if (v == GetSampleRate()) return;
  FSampleRate = v;
  CalcCoefficients();
}

// ---- Biquads -----------------------------------------------------------------------------

float TQzAudioBiquadIIRFilter::ProcessSample(float Sample) {
  const double x = Sample;
  if (FAtNyquist) {
    Fz1 = 0.0;
    Fz2 = 0.0;
    return static_cast<float>(x * Fb0 + 0.0);
  }
  const double z1 = Fz1, z2 = Fz2;
  const float y = static_cast<float>(x * Fb0 + z1);
  const double yd = y;
  double n1 = x * Fb1 - yd * Fa1 + z2;
  double n2 = x * Fb2 - yd * Fa2;
  if (!std::isfinite(n1) || !std::isfinite(n2)) n1 = n2 = 0.0;
  Fz1 = n1;
  Fz2 = n2;
  return y;
}

void TQzAudioBiquadIIRFilter::Reset() {
  Fz1 = 0.0;
  Fz2 = 0.0;
}

double TQzAudioBiquadIIRFilter::PrepareCoefficients() {
  FInvSampleRate = 1.0 / FSampleRate;
  FA = DbToGain(FGain * 0.5);
  CalcOmega();
  return std::cos(FW0);
}

void TQzAudioBiquadIIRFilter::SetCutCoefficients(double Sign) {
  const double c = PrepareCoefficients();
  const double k = 1.0 / (1.0 + FAlpha);
  // Sign -1 gives (1 - c) and 2 * b0 of the low-pass, +1 (1 + c) and -2 * b0 of the high-pass;
  // the products with +-1 are exact.
  const double b0 = (1.0 + Sign * c) * (FA * FA) * 0.5 * k;
  Fb0 = b0;
  Fb1 = -Sign * 2.0 * b0;
  Fb2 = b0;
  Fa1 = -2.0 * c * k;
  Fa2 = (1.0 - FAlpha) * k;
}

void TQzAudioHighcutFilter::CalcCoefficients() { SetCutCoefficients(-1.0); }

void TQzAudioLowcutFilter::CalcCoefficients() { SetCutCoefficients(1.0); }

void TQzAudioBandWidthFilter::CalcCoefficients() {
  const double c = PrepareCoefficients();
  const double A = FA, alpha = FAlpha;
  // The peaking section normalised by a0 = 1 + alpha / A.
  const double k = A / (A + alpha);
  const double a1 = c * -2.0 * k;
  Fb0 = (alpha * A + 1.0) * k;
  Fb1 = a1;
  Fb2 = (1.0 - alpha * A) * k;
  Fa1 = a1;
  Fa2 = (A - alpha) / (A + alpha);
}

// ---- TQzAudioShelfEQ ---------------------------------------------------------------------

TQzAudioShelfEQ::TQzAudioShelfEQ()
    : FLowcut(std::make_unique<TQzAudioLowcutFilter>()),
      FHighcut(std::make_unique<TQzAudioHighcutFilter>()) {
  FSampleRate = 44100;
  TQzAudioShelfEQ::SetDefaults();
}

TQzAudioShelfEQ::~TQzAudioShelfEQ() = default;

void TQzAudioShelfEQ::SampleRateChanged() {
  FLowcut->SetSampleRate(FSampleRate);
  FHighcut->SetSampleRate(FSampleRate);
}

void TQzAudioShelfEQ::SetDefaults() {
  FLowcut->SetFrequency(20.0f);
  FHighcut->SetFrequency(20000.0f);
}

float TQzAudioShelfEQ::ProcessSample(float Sample) {
  return FLowcut->ProcessSample(FHighcut->ProcessSample(Sample));
}

void TQzAudioShelfEQ::SetSampleRate(uint32_t Value) {
  if (Value == FSampleRate) return;
  FSampleRate = Value;
  SampleRateChanged();
}

// ---- TQzAudioMicroEQ ---------------------------------------------------------------------

TQzAudioMicroEQ::TQzAudioMicroEQ() {
  for (int i = 0; i < BandCount; ++i) {
    FBands[i] = std::make_unique<TQzAudioBandWidthFilter>();
    FBandEnabled[i] = true;
  }
  SetDefaults();
}

TQzAudioMicroEQ::~TQzAudioMicroEQ() {
  for (auto& band : FBands) band.reset();
}

void TQzAudioMicroEQ::SampleRateChanged() {
  TQzAudioShelfEQ::SampleRateChanged();
  for (auto& band : FBands) band->SetSampleRate(FSampleRate);
}

void TQzAudioMicroEQ::SetDefaults() {
  TQzAudioShelfEQ::SetDefaults();
  for (auto& band : FBands) {
    band->SetFrequency(1000.0f);
    band->SetBandwidth(1.0f);
    band->SetGain(0.0f);
  }
}

float TQzAudioMicroEQ::ProcessSample(float Sample) {
  float x = Sample;
  for (int i = 0; i < BandCount; ++i)
    if (FBandEnabled[i]) x = FBands[i]->ProcessSample(x);
  x = FHighcut->ProcessSample(x);
  return FLowcut->ProcessSample(x);
}

void TQzAudioMicroEQ::SetBandFrequency(uint8_t Index, float Value) {
  if (Index < BandCount) FBands[Index]->SetFrequency(Value);
}

void TQzAudioMicroEQ::SetBandGain(uint8_t Index, float Value) {
  if (Index < BandCount) FBands[Index]->SetGain(Value);
}

void TQzAudioMicroEQ::SetBandBandwidth(uint8_t Index, float Value) {
  if (Index < BandCount) FBands[Index]->SetBandwidth(Value);
}

bool TQzAudioMicroEQ::GetBandEnabled(uint8_t Index) const {
  return Index < BandCount && FBandEnabled[Index];
}

void TQzAudioMicroEQ::SetBandEnabled(uint8_t Index, bool Value) {
  if (Index < BandCount && FBandEnabled[Index] != Value) FBandEnabled[Index] = Value;
}
