#include "engine/QzAudioMicroEQ.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

static_assert(std::endian::native == std::endian::little, "the stored formats are little-endian");

// ---- TQzAudioMicroEqualizerPreset --------------------------------------------------------

namespace {
constexpr uint16_t locStream = 400;     // no stream (reader and writer)
constexpr uint16_t locHeader = 401;     // header short
constexpr uint16_t locBlockWrite = 402; // writer: parameter block short
constexpr uint16_t locFlagsWrite = 403; // writer: flag word short
constexpr uint16_t locSignature = 402;  // reader: wrong signature or impossible header size
constexpr uint16_t locVersion = 403;    // reader: newer version
constexpr uint16_t locBlockRead = 404;  // reader: parameter block short
constexpr uint16_t locFlagsRead = 405;  // reader: flag word short
constexpr int BlockBytes = TQzAudioMicroEqualizerPreset::SlotCount * 4;
}  // namespace

TQzAudioMicroEqualizerPreset::TQzAudioMicroEqualizerPreset() {
  BeginUpdate();
  Clear();
  EndUpdate();
}

float TQzAudioMicroEqualizerPreset::GetClamped(int Slot, float Min, float Max) {
  float v = FSlots[static_cast<size_t>(Slot)];
  if (ClampSingle(v, Min, Max)) FSlots[static_cast<size_t>(Slot)] = v;
  return v;
}

void TQzAudioMicroEqualizerPreset::SetClamped(int Slot, float Value, float Min, float Max) {
  ClampSingle(Value, Min, Max);
  if (Value == GetClamped(Slot, Min, Max)) return;
  FSlots[static_cast<size_t>(Slot)] = Value;
  DoChange();
}

void TQzAudioMicroEqualizerPreset::SetUnclamped(int Slot, float Value) {
  if (Value == FSlots[static_cast<size_t>(Slot)]) return;
  FSlots[static_cast<size_t>(Slot)] = Value;
  DoChange();
}

void TQzAudioMicroEqualizerPreset::SetFlag(uint32_t Mask, bool Value) {
  const uint32_t flags = FFlags;
  if (((flags & Mask) != 0) == Value) return;
  FFlags = Value ? flags | Mask : flags & ~Mask;
  DoChange();
}

float TQzAudioMicroEqualizerPreset::GetOutputGain() { return FSlots[slotOutputGain]; }
void TQzAudioMicroEqualizerPreset::SetOutputGain(float Value) { SetUnclamped(slotOutputGain, Value); }
float TQzAudioMicroEqualizerPreset::GetLowcutFrequency() { return GetClamped(slotLowcut, 20.0f, 500.0f); }
void TQzAudioMicroEqualizerPreset::SetLowcutFrequency(float Value) {
  SetClamped(slotLowcut, Value, 20.0f, 500.0f);
}
float TQzAudioMicroEqualizerPreset::GetHighcutFrequency() {
  return GetClamped(slotHighcut, 1000.0f, 20000.0f);
}
void TQzAudioMicroEqualizerPreset::SetHighcutFrequency(float Value) {
  SetClamped(slotHighcut, Value, 1000.0f, 20000.0f);
}

float TQzAudioMicroEqualizerPreset::GetBandFrequency(uint8_t Index) {
  return Index < 3 ? GetClamped(slotBandFrequency + Index, 20.0f, 20000.0f) : 0.0f;
}
void TQzAudioMicroEqualizerPreset::SetBandFrequency(uint8_t Index, float Value) {
  if (Index < 3) SetClamped(slotBandFrequency + Index, Value, 20.0f, 20000.0f);
}
float TQzAudioMicroEqualizerPreset::GetBandBandwidth(uint8_t Index) {
  return Index < 3 ? GetClamped(slotBandBandwidth + Index, 0.5f, 5.0f) : 0.0f;
}
void TQzAudioMicroEqualizerPreset::SetBandBandwidth(uint8_t Index, float Value) {
  if (Index < 3) SetClamped(slotBandBandwidth + Index, Value, 0.5f, 5.0f);
}
float TQzAudioMicroEqualizerPreset::GetBandGain(uint8_t Index) {
  return Index < 3 ? GetClamped(slotBandGain + Index, -15.0f, 15.0f) : 0.0f;
}
void TQzAudioMicroEqualizerPreset::SetBandGain(uint8_t Index, float Value) {
  if (Index < 3) SetClamped(slotBandGain + Index, Value, -15.0f, 15.0f);
}

float TQzAudioMicroEqualizerPreset::GetPan() { return FSlots[slotPan]; }
void TQzAudioMicroEqualizerPreset::SetPan(float Value) { SetUnclamped(slotPan, Value); }
float TQzAudioMicroEqualizerPreset::GetInputGain() { return FSlots[slotInputGain]; }
void TQzAudioMicroEqualizerPreset::SetInputGain(float Value) { SetUnclamped(slotInputGain, Value); }

bool TQzAudioMicroEqualizerPreset::GetBandEnabled(uint8_t Index) const {
  return Index < 3 && GetFlag(1u << Index);
}
void TQzAudioMicroEqualizerPreset::SetBandEnabled(uint8_t Index, bool Value) {
  if (Index < 3) SetFlag(1u << Index, Value);
}

void TQzAudioMicroEqualizerPreset::Clear() {
  BeginUpdate();
  SetLowcutFrequency(20.0f);
  SetHighcutFrequency(20000.0f);
  static constexpr float BandFrequency[3] = {100.0f, 1000.0f, 12500.0f};
  for (uint8_t i = 0; i < 3; ++i) {
    SetBandFrequency(i, BandFrequency[i]);
    SetBandBandwidth(i, 1.0f);
    SetBandGain(i, 0.0f);
  }
  SetInputGain(0.0f);
  SetOutputGain(0.0f);
  SetPan(0.0f);
  SetActive(true);
  SetMono(false);
  SetBypass(false);
  SetSaturation(false);
  EndUpdate();
  DoChange();
}

void TQzAudioMicroEqualizerPreset::Assign(TQzAudioMicroEqualizerPreset* Source) {
  if (Source == nullptr) return;
  BeginUpdate();
  for (int i = 0; i < SlotCount; ++i) FSlots[static_cast<size_t>(i)] = Source->GetSlot(i);
  FFlags = Source->GetFlagWord();
  EndUpdate();
  DoChange();
}

bool TQzAudioMicroEqualizerPreset::SaveToStream(TStream* Stream) {
  if (Stream == nullptr) {
    SetError(MakeErrorCode(qecNoStream, locStream));
    return false;
  }
  const int64_t start = Stream->GetPosition();
  if (!QzWriteStreamHeader(Stream, {Signature, Version, 5, HeaderSize})) {
    SetError(MakeErrorCode(qecWriteFailed, locHeader));
    return false;
  }
  Stream->SetPosition(start + HeaderSize);
  uint8_t block[BlockBytes];
  for (int i = 0; i < SlotCount; ++i) {
    const float v = FSlots[static_cast<size_t>(i)];
    std::memcpy(block + 4 * i, &v, 4);
  }
  if (Stream->Write(block, BlockBytes) != BlockBytes) {
    SetError(MakeErrorCode(qecWriteFailed, locBlockWrite));
    return false;
  }
  if (!QzWriteValue(Stream, FFlags.Load())) {
    SetError(MakeErrorCode(qecWriteFailed, locFlagsWrite));
    return false;
  }
  SetError(0);
  return Error == 0;
}

bool TQzAudioMicroEqualizerPreset::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  Clear();
  [&] {
    if (Stream == nullptr) return SetError(MakeErrorCode(qecNoStream, locStream));
    const int64_t start = Stream->GetPosition();
    TQzStreamHeader header;
    if (!QzReadStreamHeader(Stream, header)) return SetError(MakeErrorCode(qecReadFailed, locHeader));
    // A header shorter than its own 8 bytes cannot be followed; it is as foreign as a wrong
    // signature.
    if (header.Signature != Signature || !QzHeaderSizeValid(header))
      return SetError(MakeErrorCode(qecBadSignature, locSignature));
    if (header.Version > Version) return SetError(MakeErrorCode(qecBadVersion, locVersion));
    Stream->SetPosition(start + header.HeaderSize);
    uint8_t block[BlockBytes];
    const int32_t got = Stream->Read(block, BlockBytes);
    // Whole slots read before a short end are kept; a slot cut in two is not.
    for (int i = 0; i < got / 4; ++i) {
      float v;
      std::memcpy(&v, block + 4 * i, 4);
      FSlots[static_cast<size_t>(i)] = v;
    }
    if (got != BlockBytes) return SetError(MakeErrorCode(qecReadFailed, locBlockRead));
    uint32_t flags = 0;
    if (!QzReadValue(Stream, flags)) return SetError(MakeErrorCode(qecReadFailed, locFlagsRead));
    FFlags = flags;
    SetError(0);
  }();
  const bool result = Error == 0;
  EndUpdate();
  DoChange();
  return result;
}

// ---- TQzAudioMicroEqualizer --------------------------------------------------------------

TQzAudioMicroEqualizer::TQzAudioMicroEqualizer() {
  FLeftEQ = std::make_unique<TQzAudioMicroEQ>();
  FLeftEQ->SetSampleRate(GetSampleRate());
  FRightEQ = std::make_unique<TQzAudioMicroEQ>();
  FRightEQ->SetSampleRate(GetSampleRate());
  FPreset = std::make_unique<TQzAudioMicroEqualizerPreset>();
  FPreset->OnChange = [this](TObject* Sender) { ApplyPreset(Sender); };
  ApplyPreset(this);
}

TQzAudioMicroEqualizer::~TQzAudioMicroEqualizer() {
  FPreset.reset();
  FLeftEQ.reset();
  FRightEQ.reset();
}

namespace {
// Gains come from unclamped slots; a value from a damaged stream must not turn every later
// sample into NaN or infinity, so a factor that is not finite counts as unity.
float FiniteOrUnity(float Factor) { return std::isfinite(Factor) ? Factor : 1.0f; }
}  // namespace

void TQzAudioMicroEqualizer::ApplyPreset(TObject*) {
  TQzAudioMicroEqualizerPreset& p = *FPreset;
  p.BeginUpdate();
  std::unique_lock<std::mutex> design(FDesign);
  for (TQzAudioMicroEQ* eq : {FLeftEQ.get(), FRightEQ.get()}) {
    for (uint8_t band = 0; band < TQzAudioMicroEQ::BandCount; ++band) {
      eq->SetBandFrequency(band, p.GetBandFrequency(band));
      eq->SetBandBandwidth(band, p.GetBandBandwidth(band));
      eq->SetBandGain(band, p.GetBandGain(band));
      eq->SetBandEnabled(band, p.GetBandEnabled(band));
    }
    if (p.GetCutFiltersEnabled()) {
      eq->SetHighcutFrequency(p.GetHighcutFrequency());
      eq->SetLowcutFrequency(p.GetLowcutFrequency());
    } else {
      // Off means at the edges of the audio band: the filters stay in the path.
      eq->SetHighcutFrequency(20000.0f);
      eq->SetLowcutFrequency(20.0f);
    }
  }

  float left = 1.0f, right = 1.0f;
  const float pan = p.GetPan();
  if (pan < 0.0f) right = 1.0f - std::fabs(pan / 100.0f);
  else if (pan > 0.0f) left = 1.0f - std::fabs(pan / 100.0f);
  left = FiniteOrUnity(left);
  right = FiniteOrUnity(right);
  const float inputGain = FiniteOrUnity(DbToAmp(p.GetInputGain()));
  const float outputGain = FiniteOrUnity(DbToAmp(p.GetOutputGain()));
  left = FiniteOrUnity(left * outputGain);
  right = FiniteOrUnity(right * outputGain);
  const bool saturation = p.GetSaturation();
  float drive = 1.0f;
  if (saturation) {
    drive = 1.5f;
    left = left * 1.5f;
    right = right * 1.5f;
  }

  FInputGain = inputGain;
  FOutputGain = outputGain;
  FLeftGain = left;
  FRightGain = right;
  FMono = p.GetMono();
  FSaturation = saturation;
  FDrive = drive;
  FActive = p.GetActive() && !p.GetBypass();
  PublishDesign();
  design.unlock();
  p.EndUpdate();
  DoUpdate();
}

void TQzAudioMicroEqualizer::SampleRateChanged() {
  std::lock_guard<std::mutex> design(FDesign);
  FLeftEQ->SetSampleRate(GetSampleRate());
  FRightEQ->SetSampleRate(GetSampleRate());
  PublishDesign();
}

void TQzAudioMicroEqualizer::PublishDesign() {
  TQzEqualizerParams set;
  const TQzAudioMicroEQ* eq[2] = {FLeftEQ.get(), FRightEQ.get()};
  auto addStage = [&](uint8_t Filter, const TQzAudioBiquadIIRFilter* const (&F)[2], const bool (&Run)[2]) {
    TQzEqualizerParams::TStage& st = set.Stages[set.StageCount++];
    st.Filter = Filter;
    for (int c = 0; c < 2; ++c) {
      st.Run[c] = Run[c];
      st.C[c] = Run[c] ? F[c]->GetCoefficients() : TQzBiquadCoefficients{1.0, 0.0, 0.0, 0.0, 0.0};
      // Corner at or above Nyquist: the state is held at zero (see TQzCustomAudioFilter).
      st.HoldZero[c] = !Run[c] || F[c]->IsAtNyquist();
      if (st.HoldZero[c]) st.C[c] = {st.C[c].b0, 0.0, 0.0, 0.0, 0.0};
    }
  };
  for (uint8_t band = 0; band < TQzAudioMicroEQ::BandCount; ++band) {
    const bool run[2] = {eq[0]->GetBandEnabled(band), eq[1]->GetBandEnabled(band)};
    if (run[0] || run[1]) addStage(band, {eq[0]->GetBand(band), eq[1]->GetBand(band)}, run);
  }
  constexpr bool both[2] = {true, true};
  addStage(TQzEqualizerParams::HighcutFilter, {eq[0]->GetHighcut(), eq[1]->GetHighcut()}, both);
  addStage(TQzEqualizerParams::LowcutFilter, {eq[0]->GetLowcut(), eq[1]->GetLowcut()}, both);
  set.InputGain = FInputGain;
  set.LeftGain = FLeftGain;
  set.RightGain = FRightGain;
  set.Drive = FDrive;
  set.Active = FActive;
  set.Mono = FMono;
  set.Saturation = FSaturation;
  FDesigned = set;
  FParams.Publish(set);
}

TQzEqualizerParams TQzAudioMicroEqualizer::DesignedParams() {
  std::lock_guard<std::mutex> design(FDesign);
  return FDesigned;
}

namespace {
using TParams = TQzEqualizerParams;
using TFilterState = double[TParams::FilterCount][2][2];

// A stage's coefficients and state for one channel at the start of a block.
struct TStageValues {
  TQzBiquadCoefficients C;
  double Z1, Z2;
};

TStageValues LoadStage(const TParams::TStage& St, const TFilterState& State, int Channel) {
  if (St.HoldZero[Channel]) return {St.C[Channel], 0.0, 0.0};
  return {St.C[Channel], State[St.Filter][Channel][0], State[St.Filter][Channel][1]};
}

void StoreStage(const TParams::TStage& St, TFilterState& State, int Channel, double Z1, double Z2) {
  if (!St.Run[Channel]) return;
  // A NaN or infinite input leaves a state that would never recover; it is cleared here,
  // once per block, so the output is clean again from the next block on.
  if (!std::isfinite(Z1) || !std::isfinite(Z2)) Z1 = Z2 = 0.0;
  State[St.Filter][Channel][0] = Z1;
  State[St.Filter][Channel][1] = Z2;
}

#if defined(__SSE2__)
// Both channels of one biquad in one pair of lanes; lane 0 left, lane 1 right. The arithmetic
// is that of TQzAudioBiquadIIRFilter::ProcessSample, operation for operation.
struct TBiquad2 {
  __m128d b0, b1, b2, a1, a2, z1, z2;

  inline __m128d Run(__m128d x) {
    const __m128d y = _mm_cvtps_pd(_mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(x, b0), z1)));
    z1 = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(x, b1), _mm_mul_pd(y, a1)), z2);
    z2 = _mm_sub_pd(_mm_mul_pd(x, b2), _mm_mul_pd(y, a2));
    return y;
  }
};

// The stages as a software pipeline: in one step stage k takes frame n - k, so the stages of a
// step are independent and only each stage's own recursion is serial. Every stage still sees
// its frames in order, so the result is that of running the chain frame by frame. Nested
// members rather than an array keep the state in registers.
template <int N>
struct TPipe {
  TBiquad2 Stage;
  __m128d Carry = _mm_setzero_pd();  // this stage's output of the previous step
  TPipe<N - 1> Rest;

  // Returns the last stage's output, N - 1 frames behind the input.
  inline __m128d Step(__m128d x) {
    const __m128d out = Rest.Step(Carry);
    Carry = Stage.Run(x);
    return out;
  }
  // Filling and draining: only stages Lo .. Hi (relative to this one) hold a frame.
  inline __m128d StepPartial(__m128d x, int Lo, int Hi) {
    const __m128d out = Rest.StepPartial(Carry, Lo - 1, Hi - 1);
    if (Lo <= 0 && 0 <= Hi) Carry = Stage.Run(x);
    return out;
  }
  template <class F>
  inline void Each(F&& f, int Index = 0) {
    f(Stage, Index);
    Rest.Each(f, Index + 1);
  }
};
template <>
struct TPipe<1> {
  TBiquad2 Stage;
  inline __m128d Step(__m128d x) { return Stage.Run(x); }
  inline __m128d StepPartial(__m128d x, int Lo, int Hi) { return Lo <= 0 && 0 <= Hi ? Stage.Run(x) : x; }
  template <class F>
  inline void Each(F&& f, int Index = 0) {
    f(Stage, Index);
  }
};

template <int N, bool Mono, bool Saturation>
void RunBlock(const float* inL, const float* inR, float* outL, float* outR, int Frames, const TParams& P,
              TFilterState& State) {
  TPipe<N> pipe;
  pipe.Each([&](TBiquad2& st, int s) {
    const TStageValues l = LoadStage(P.Stages[s], State, 0), r = LoadStage(P.Stages[s], State, 1);
    st = {_mm_setr_pd(l.C.b0, r.C.b0), _mm_setr_pd(l.C.b1, r.C.b1), _mm_setr_pd(l.C.b2, r.C.b2),
          _mm_setr_pd(l.C.a1, r.C.a1), _mm_setr_pd(l.C.a2, r.C.a2), _mm_setr_pd(l.Z1, r.Z1),
          _mm_setr_pd(l.Z2, r.Z2)};
  });
  const __m128 inGain = _mm_set1_ps(P.InputGain);
  const __m128 outGain = _mm_setr_ps(P.LeftGain, P.RightGain, 0.0f, 0.0f);
  const double drive = P.Drive;
  const __m128 half = _mm_set1_ps(0.5f);
  auto input = [&](int i) {
    __m128 s = _mm_mul_ps(_mm_unpacklo_ps(_mm_load_ss(inL + i), _mm_load_ss(inR + i)), inGain);
    if constexpr (Mono) {
      const __m128 h = _mm_mul_ps(s, half);
      s = _mm_add_ps(h, _mm_shuffle_ps(h, h, _MM_SHUFFLE(2, 3, 0, 1)));
    }
    return _mm_cvtps_pd(s);
  };
  // Frames are written only after they were read, so the buffers may be the same.
  auto output = [&](__m128d y, int i) {
    const __m128 o = _mm_mul_ps(_mm_cvtpd_ps(y), outGain);
    float l = _mm_cvtss_f32(o);
    float r = _mm_cvtss_f32(_mm_shuffle_ps(o, o, _MM_SHUFFLE(1, 1, 1, 1)));
    if constexpr (Saturation) {
      l = static_cast<float>(drive * std::sin(static_cast<double>(l)));
      r = static_cast<float>(drive * std::sin(static_cast<double>(r)));
    }
    outL[i] = l;
    outR[i] = r;
  };
  constexpr int Lag = N - 1;
  const int steps = Frames + Lag;
  const int fillEnd = std::min(Lag, Frames);
  int n = 0;
  for (; n < fillEnd; ++n) pipe.StepPartial(input(n), n - Frames + 1, n);
  for (; n < Frames; ++n) output(pipe.Step(input(n)), n - Lag);
  for (; n < steps; ++n) {
    const __m128d y = pipe.StepPartial(_mm_setzero_pd(), n - Frames + 1, n);
    if (n >= Lag) output(y, n - Lag);
  }
  pipe.Each([&](TBiquad2& st, int s) {
    alignas(16) double z1[2], z2[2];
    _mm_store_pd(z1, st.z1);
    _mm_store_pd(z2, st.z2);
    StoreStage(P.Stages[s], State, 0, z1[0], z2[0]);
    StoreStage(P.Stages[s], State, 1, z1[1], z2[1]);
  });
}

template <int N>
void RunBlockN(const float* inL, const float* inR, float* outL, float* outR, int Frames, const TParams& P,
               TFilterState& State) {
  if (P.Mono) {
    if (P.Saturation) RunBlock<N, true, true>(inL, inR, outL, outR, Frames, P, State);
    else RunBlock<N, true, false>(inL, inR, outL, outR, Frames, P, State);
  } else {
    if (P.Saturation) RunBlock<N, false, true>(inL, inR, outL, outR, Frames, P, State);
    else RunBlock<N, false, false>(inL, inR, outL, outR, Frames, P, State);
  }
}
#else
// The same arithmetic as TQzAudioBiquadIIRFilter::ProcessSample, stage after stage per frame.
void RunBlockScalar(const float* inL, const float* inR, float* outL, float* outR, int Frames,
                    const TParams& P, TFilterState& State) {
  TStageValues v[TParams::FilterCount][2];
  for (int s = 0; s < P.StageCount; ++s)
    for (int c = 0; c < 2; ++c) v[s][c] = LoadStage(P.Stages[s], State, c);
  for (int i = 0; i < Frames; ++i) {
    float x[2] = {inL[i] * P.InputGain, inR[i] * P.InputGain};
    if (P.Mono) x[0] = x[1] = x[1] * 0.5f + x[0] * 0.5f;
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < P.StageCount; ++s) {
        TStageValues& f = v[s][c];
        const double xd = x[c];
        const float y = static_cast<float>(xd * f.C.b0 + f.Z1);
        f.Z1 = xd * f.C.b1 - y * f.C.a1 + f.Z2;
        f.Z2 = xd * f.C.b2 - y * f.C.a2;
        x[c] = y;
      }
    float l = x[0] * P.LeftGain, r = x[1] * P.RightGain;
    if (P.Saturation) {
      l = static_cast<float>(P.Drive * std::sin(static_cast<double>(l)));
      r = static_cast<float>(P.Drive * std::sin(static_cast<double>(r)));
    }
    outL[i] = l;
    outR[i] = r;
  }
  for (int s = 0; s < P.StageCount; ++s)
    for (int c = 0; c < 2; ++c) StoreStage(P.Stages[s], State, c, v[s][c].Z1, v[s][c].Z2);
}
#endif
}  // namespace

void TQzAudioMicroEqualizer::Process(const float* const* Inputs, float* const* Outputs, uint16_t Frames) {
  Process(Inputs, Outputs, Frames, FParams.Acquire());
}

void TQzAudioMicroEqualizer::Process(const float* const* Inputs, float* const* Outputs, uint16_t Frames,
                                     const TParams& p) {
  if (Frames == 0 || Inputs == nullptr || Outputs == nullptr) return;
  if (FResetRequest.Take()) std::memset(FState, 0, sizeof FState);
  const float* inL = Inputs[0];
  const float* inR = Inputs[1];
  float* outL = Outputs[0];
  float* outR = Outputs[1];
  if (!p.Active) {
    // Off or bypassed: the signal passes unchanged; separate outputs must not keep stale data.
    QzCopyUnlessSame(Inputs, Outputs, Frames);
    return;
  }
  TQzDenormalGuard denormals;
#if defined(__SSE2__)
  switch (p.StageCount) {
    case 2: RunBlockN<2>(inL, inR, outL, outR, Frames, p, FState); break;
    case 3: RunBlockN<3>(inL, inR, outL, outR, Frames, p, FState); break;
    case 4: RunBlockN<4>(inL, inR, outL, outR, Frames, p, FState); break;
    default: RunBlockN<5>(inL, inR, outL, outR, Frames, p, FState); break;
  }
#else
  RunBlockScalar(inL, inR, outL, outR, Frames, p, FState);
#endif
}
