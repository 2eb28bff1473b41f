#include "engine/QzAudioLimiter.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace {

// Error locations of the "VXLM" stream.
constexpr uint16_t locNoStream = 400;
constexpr uint16_t locHeader = 401;
constexpr uint16_t locSignature = 402;
constexpr uint16_t locBody = 402;
constexpr uint16_t locVersion = 403;
constexpr uint16_t locFlags = 403;

// The largest block of the stream: the sixteen float slots.
constexpr int MaxBlockBytes = TQzAudioLimiterPreset::SlotCount * 4;

// The stored bytes of Count fields, in Image; returns their number.
template <class T>
int ImageOf(const TQzShared<T>* Fields, int Count, uint8_t* Image) {
  for (int i = 0; i < Count; ++i) {
    const T v = Fields[i];
    std::memcpy(Image + i * sizeof(T), &v, sizeof(T));
  }
  return Count * static_cast<int>(sizeof(T));
}

// Writes Count fields as one block; True when all bytes were taken.
template <class T>
bool WriteFields(TStream* Stream, const TQzShared<T>* Fields, int Count) {
  uint8_t image[MaxBlockBytes];
  const int bytes = ImageOf(Fields, Count, image);
  return Stream->Write(image, bytes) == bytes;
}

// Reads Count fields as one block over an image of their current values, so that a short read
// replaces exactly the bytes it delivered and leaves the rest as they were. True when complete.
template <class T>
bool ReadOverFields(TStream* Stream, TQzShared<T>* Fields, int Count) {
  uint8_t image[MaxBlockBytes];
  const int bytes = ImageOf(Fields, Count, image);
  const bool complete = Stream->Read(image, bytes) == bytes;
  for (int i = 0; i < Count; ++i) {
    T v;
    std::memcpy(&v, image + i * sizeof(T), sizeof(T));
    Fields[i] = v;
  }
  return complete;
}

// A preset value that is not a number cannot be clamped; the limiter then runs on the default.
float OrDefault(float Value, float Default) { return std::isnan(Value) ? Default : Value; }

// Magnitude for the meters: samples that are not finite are no level and never enter them.
inline float MeterLevel(float Sample) {
  const float a = std::fabs(Sample);
  return a <= FLT_MAX ? a : 0.0f;
}

// 10*log10 of a magnitude to within 2e-6 dB wherever the limiter compares it with a threshold
// (table of 64 mantissa intervals and a cubic). NaN stays NaN; zero and subnormals give about
// -382 dB, infinity about +385 dB.
struct TLog2Table {
  float InvC[64];
  float Log2C[64];
  TLog2Table() {
    for (int i = 0; i < 64; ++i) {
      const double c = 1.0 + (i + 0.5) / 64.0;
      InvC[i] = static_cast<float>(1.0 / c);
      Log2C[i] = static_cast<float>(-std::log2(static_cast<double>(InvC[i])));
    }
  }
};
const TLog2Table Log2Table;

inline float LevelEstimate(float Magnitude) {
  uint32_t bits;
  std::memcpy(&bits, &Magnitude, sizeof bits);
  const int e = static_cast<int>((bits >> 23) & 0xFF) - 127;
  const uint32_t i = (bits >> 17) & 63;
  const uint32_t mbits = (bits & 0x7FFFFFu) | 0x3F800000u;
  float m;
  std::memcpy(&m, &mbits, sizeof m);
  const float r = m * Log2Table.InvC[i] - 1.0f;
  const float p = r * (1.44269504f + r * (-0.72134752f + r * 0.48089835f));
  const float level = 3.01029995664f * ((static_cast<float>(e) + Log2Table.Log2C[i]) + p);
  return Magnitude == Magnitude ? level : Magnitude;
}

}  // namespace

// ---- TQzAudioLimiterPreset ---------------------------------------------------------------------

TQzAudioLimiterPreset::TQzAudioLimiterPreset() {
  FFlags = 0;
  BeginUpdate();
  Clear();
  EndUpdate();
}

float TQzAudioLimiterPreset::GetClampedSlot(int Slot, float Min, float Max) {
  float v = FSlots[Slot];
  if (ClampSingle(v, Min, Max)) FSlots[Slot] = v;
  return v;
}

void TQzAudioLimiterPreset::SetClampedSlot(int Slot, float Value, float Min, float Max) {
  ClampSingle(Value, Min, Max);
  if (Value == GetClampedSlot(Slot, Min, Max)) return;
  FSlots[Slot] = Value;
  DoChange();
}

void TQzAudioLimiterPreset::SetInt(int Index, int32_t Value) {
  if (Value == FInts[Index]) return;
  FInts[Index] = Value;
  DoChange();
}

void TQzAudioLimiterPreset::SetFlag(uint32_t Flag, bool Value) {
  const uint32_t old = FFlags;
  const uint32_t now = Value ? (old | Flag) : (old & ~Flag);
  if (now == old) return;
  FFlags = now;
  DoChange();
}

float TQzAudioLimiterPreset::GetThreshold() { return GetClampedSlot(slotThreshold, MinThreshold, MaxThreshold); }
void TQzAudioLimiterPreset::SetThreshold(float Value) { SetClampedSlot(slotThreshold, Value, MinThreshold, MaxThreshold); }
float TQzAudioLimiterPreset::GetAttack() { return GetClampedSlot(slotAttack, MinAttack, MaxAttack); }
void TQzAudioLimiterPreset::SetAttack(float Value) { SetClampedSlot(slotAttack, Value, MinAttack, MaxAttack); }
float TQzAudioLimiterPreset::GetRelease() { return GetClampedSlot(slotRelease, MinRelease, MaxRelease); }
void TQzAudioLimiterPreset::SetRelease(float Value) { SetClampedSlot(slotRelease, Value, MinRelease, MaxRelease); }
float TQzAudioLimiterPreset::GetBalance() { return GetClampedSlot(slotBalance, MinBalance, MaxBalance); }
void TQzAudioLimiterPreset::SetBalance(float Value) { SetClampedSlot(slotBalance, Value, MinBalance, MaxBalance); }
float TQzAudioLimiterPreset::GetOutputGain() { return GetClampedSlot(slotOutputGain, MinGain, MaxGain); }
void TQzAudioLimiterPreset::SetOutputGain(float Value) { SetClampedSlot(slotOutputGain, Value, MinGain, MaxGain); }
float TQzAudioLimiterPreset::GetInputGain() { return GetClampedSlot(slotInputGain, MinGain, MaxGain); }
void TQzAudioLimiterPreset::SetInputGain(float Value) { SetClampedSlot(slotInputGain, Value, MinGain, MaxGain); }

void TQzAudioLimiterPreset::Clear() {
  BeginUpdate();
  SetActive(true);
  SetThreshold(DefaultThreshold);
  SetAttack(DefaultAttack);
  SetRelease(DefaultRelease);
  SetInputGain(0.0f);
  SetOutputGain(0.0f);
  SetBalance(0.0f);
  SetIntParam0(0);
  SetIntParam1(0);
  SetMode(0);
  EndUpdate();
  DoChange();
}

void TQzAudioLimiterPreset::Assign(TQzAudioLimiterPreset* Source) {
  if (!Source) return;
  BeginUpdate();
  for (int i = 0; i < SlotCount; ++i) FSlots[i] = Source->FSlots[i].Load();
  for (int i = 0; i < IntCount; ++i) FInts[i] = Source->FInts[i].Load();
  FFlags = Source->FFlags.Load();
  EndUpdate();
  DoChange();
}

bool TQzAudioLimiterPreset::SaveToStream(TStream* Stream) {
  BeginUpdate();
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, locNoStream));
  } else {
    const int64_t start = Stream->GetPosition();
    if (!QzWriteStreamHeader(Stream, {Signature, Version, FormatByte, HeaderSize})) {
      SetError(MakeErrorCode(qecWriteFailed, locHeader));
    } else {
      Stream->SetPosition(start + HeaderSize);
      if (!WriteFields(Stream, FSlots, SlotCount) || !WriteFields(Stream, FInts, IntCount))
        SetError(MakeErrorCode(qecWriteFailed, locBody));
      else if (!WriteFields(Stream, &FFlags, 1))
        SetError(MakeErrorCode(qecWriteFailed, locFlags));
      else
        SetError(0);
    }
  }
  const bool result = Error == 0;
  EndUpdate();
  DoChange();
  return result;
}

bool TQzAudioLimiterPreset::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  TQzStreamHeader header;
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, locNoStream));
  } else {
    const int64_t start = Stream->GetPosition();
    if (!QzReadStreamHeader(Stream, header)) {
      SetError(MakeErrorCode(qecReadFailed, locHeader));
    } else if (header.Signature != Signature || !QzHeaderSizeValid(header)) {
      SetError(MakeErrorCode(qecBadSignature, locSignature));
    } else if (header.Version != Version) {
      SetError(MakeErrorCode(qecBadVersion, locVersion));
    } else {
      Stream->SetPosition(start + header.HeaderSize);
      if (!ReadOverFields(Stream, FSlots, SlotCount) || !ReadOverFields(Stream, FInts, IntCount))
        SetError(MakeErrorCode(qecReadFailed, locBody));
      else if (!ReadOverFields(Stream, &FFlags, 1))
        SetError(MakeErrorCode(qecReadFailed, locFlags));
      else
        SetError(0);
    }
  }
  const bool result = Error == 0;
  EndUpdate();
  DoChange();
  return result;
}

// ---- TQzCustomAudioLimiter ---------------------------------------------------------------------

TQzCustomAudioLimiter::TQzCustomAudioLimiter() : FPreset(std::make_unique<TQzAudioLimiterPreset>()) {
  FPreset->OnChange = [this](TObject* Sender) { PresetChanged(Sender); };
  FGainReduction = -10.0f;
  FGain = 0.1f;
  FOutputGain = 0.1f;
  PresetChanged(nullptr);
}

TQzCustomAudioLimiter::~TQzCustomAudioLimiter() { FPreset.reset(); }

void TQzCustomAudioLimiter::PresetChanged(TObject*) {
  FPreset->BeginUpdate();
  UpdateCoefficients();
  FPreset->EndUpdate();
  DoUpdate();
}

void TQzCustomAudioLimiter::SampleRateChanged() { PresetChanged(this); }

void TQzCustomAudioLimiter::UpdateCoefficients() {
  TQzAudioLimiterPreset& p = *FPreset;
  std::lock_guard<std::mutex> design(FDesign);
  FActive = p.GetActive();
  FThreshold = OrDefault(p.GetThreshold(), TQzAudioLimiterPreset::DefaultThreshold);
  const double msPerSample = 1000.0 / GetSampleRate();
  FAttackStep = static_cast<float>(msPerSample / OrDefault(p.GetAttack(), TQzAudioLimiterPreset::DefaultAttack));
  FReleaseStep = static_cast<float>(msPerSample / OrDefault(p.GetRelease(), TQzAudioLimiterPreset::DefaultRelease));
  const float inputGain = DbToAmp(OrDefault(p.GetInputGain(), 0.0f));
  const float outputGain = DbToAmp(OrDefault(p.GetOutputGain(), 0.0f));
  FInputGain = inputGain;
  FOutputGain = outputGain;
  const float b = OrDefault(p.GetBalance(), 0.0f);
  float left = 1.0f, right = 1.0f;
  if (b < 0.0f) right = 1.0f - std::fabs(b / 100.0f);
  if (b > 0.0f) left = 1.0f - std::fabs(b / 100.0f);
  FLeftGain = left * outputGain;
  FRightGain = right * outputGain;
  FBypass = p.GetBypass();
  FLookAhead = p.GetLookAhead();

  TBlockParams set;
  set.Active = FActive;
  set.InputGain = FInputGain;
  set.LeftGain = FLeftGain;
  set.RightGain = FRightGain;
  set.Threshold = FThreshold;
  set.AttackStep = FAttackStep;
  set.ReleaseStep = FReleaseStep;
  // The estimate is within 1e-5 dB of the level near the threshold; ten times that is kept
  // clear of it before the estimate alone decides.
  set.ThresholdAbove = set.Threshold + 1e-4f;
  set.ThresholdBelow = set.Threshold - 1e-4f;
  set.Mode = p.GetMode();
  set.LookAhead = FLookAhead;
  set.Bypass = FBypass;
  FDesigned = set;
  FParams.Publish(set);
}

TQzCustomAudioLimiter::TBlockParams TQzCustomAudioLimiter::DesignedParams() {
  std::lock_guard<std::mutex> design(FDesign);
  return FDesigned;
}

float TQzCustomAudioLimiter::MeterDb(float Peak) { return Peak < 0.0f ? 0.0f : AmpToDb(Peak); }

void TQzCustomAudioLimiter::ResetMeters() {
  for (std::atomic<float>& peak : FMeterPeaks) peak.store(0.0f, std::memory_order_relaxed);
}

float TQzCustomAudioLimiter::GetMeter(uint8_t Index) const {
  return Index < MeterCount ? MeterDb(FMeterPeaks[Index].load(std::memory_order_relaxed)) : -80.0f;
}

void TQzCustomAudioLimiter::TakeMeters(float (&Db)[MeterCount]) {
  for (int k = 0; k < MeterCount; ++k) Db[k] = MeterDb(FMeterPeaks[k].exchange(0.0f, std::memory_order_relaxed));
}

void TQzCustomAudioLimiter::Process(const float* const* Inputs, float* const* Outputs, uint16_t Frames) {
  Process(Inputs, Outputs, Frames, FParams.Acquire());
}

void TQzCustomAudioLimiter::Process(const float* const* Inputs, float* const* Outputs, uint16_t Frames,
                                    const TBlockParams& p) {
  if (FResetRequest.Take()) {
    FGainReduction = -10.0f;
    FGain = 0.1f;
    // The meters show the new stream only.
    ResetMeters();
  }
  if (!p.Active || p.Bypass) QzCopyUnlessSame(Inputs, Outputs, Frames);
  if (!p.Active) return;

  TQzDenormalGuard denormals;
  float blockPeaks[MeterCount] = {0.0f, 0.0f, 0.0f, 0.0f};
  for (int start = 0; start < Frames; start += ChunkFrames)
    ProcessChunk(Inputs, Outputs, start, std::min<int>(ChunkFrames, Frames - start), p, blockPeaks);

  // Raised with a compare-exchange: a reader's exchange during the block is never undone, it
  // only drops the peaks before it.
  for (int k = 0; k < MeterCount; ++k) {
    float seen = FMeterPeaks[k].load(std::memory_order_relaxed);
    while (!(seen >= blockPeaks[k]) &&
           !FMeterPeaks[k].compare_exchange_weak(seen, blockPeaks[k], std::memory_order_relaxed)) {
    }
  }
}

void TQzCustomAudioLimiter::ProcessChunk(const float* const* Inputs, float* const* Outputs, int Start,
                                         int Count, const TBlockParams& P, float* BlockPeaks) {
  const float* in0 = Inputs[0] + Start;
  const float* in1 = Inputs[1] + Start;
  const float ig = P.InputGain;

  // Pass 1: per-sample peaks and a level estimate, independent of the gain.
  int i = 0;
#if defined(__SSE__) || defined(__x86_64__)
  {
    // MAXPS(a, b) is a > b ? a : b, the comparison of the scalar loop below.
    const __m128 vig = _mm_set1_ps(ig), sign = _mm_set1_ps(-0.0f);
    for (; i + 4 <= Count; i += 4) {
      const __m128 l = _mm_andnot_ps(sign, _mm_mul_ps(_mm_loadu_ps(in0 + i), vig));
      const __m128 r = _mm_andnot_ps(sign, _mm_mul_ps(_mm_loadu_ps(in1 + i), vig));
      _mm_storeu_ps(&FPeak[i], _mm_max_ps(r, l));
    }
  }
#endif
  for (; i < Count; ++i) {
    const float l = std::fabs(in0[i] * ig), r = std::fabs(in1[i] * ig);
    FPeak[i] = r > l ? r : l;
  }
  for (i = 0; i < Count; ++i) FLevelGuess[i] = LevelEstimate(FPeak[i]);

  // Pass 2: for each of the block's first samples, the loudest later one inside the window.
  // Scaling by the gain is monotonic, so the maximum of the unscaled magnitudes decides the same
  // as comparing every scaled one.
  int holdable = 0;
  if (P.LookAhead && Start == 0) {
    const int end = std::min(Count, LookAheadEnd);
    holdable = end;
    float m = -1.0f;
    for (int j = end - 1; j >= 0; --j) {
      FAhead[j] = m;
      const float l = std::fabs(in0[j] * ig), r = std::fabs(in1[j] * ig);
      const float ml = l > 0.0f ? l : 0.0f;  // a NaN is no level
      const float loud = r > ml ? r : ml;
      if (loud > m) m = loud;
    }
  }

  // Pass 3: the gain reduction, sample by sample. The estimate (level of the peak plus the
  // reduction) settles the comparison with the threshold unless it lies within its error bound;
  // then, and wherever the law needs the level itself, the exact level is computed from the
  // exact gain.
  const float thr = P.Threshold;
  float gr = FGainReduction;
  float exactGain = FGain;
  float exactGainOf = gr;
  auto gainNow = [&]() {
    if (exactGainOf != gr) {
      exactGain = DbToAmp(gr);
      exactGainOf = gr;
    }
    return exactGain;
  };
  for (int i = 0; i < Count; ++i) {
    const float peak = FPeak[i];
    const float guess = FLevelGuess[i] + gr;
    float level = 0.0f;
    bool levelKnown = false;
    int direction;  // 1 attack, -1 release, 0 unchanged
    if (guess > P.ThresholdAbove) {
      direction = 1;
    } else if (guess < P.ThresholdBelow) {
      direction = -1;
    } else {
      level = AmpToDb(peak * gainNow());
      levelKnown = true;
      direction = level > thr ? 1 : (level < thr ? -1 : 0);
    }
    if (direction > 0) {
      if (P.Mode == 0) {
        gr = gr - P.AttackStep;
      } else {
        if (!levelKnown) level = AmpToDb(peak * gainNow());
        if (P.Mode == 1)
          gr = gr - (level - thr) * P.AttackStep;
        else
          gr = static_cast<float>(static_cast<double>(gr) -
                                  ((static_cast<double>(level) - static_cast<double>(thr)) + 0.1));
      }
    } else if (direction < 0) {
      bool hold = false;
      if (i < holdable) {
        const float ahead = FAhead[i];
        if (ahead >= peak)
          hold = true;
        else if (ahead >= peak * 0.99999f || peak < 1e-30f) {
          // Scaling may round both to the same value (or to zero).
          const float g = gainNow();
          hold = ahead >= 0.0f && ahead * g >= peak * g;
        }
      }
      if (!hold) {
        if (P.Mode == 1) {
          if (!levelKnown) level = AmpToDb(peak * gainNow());
          gr = gr + (thr - level) * P.ReleaseStep;
        } else {
          gr = gr + P.ReleaseStep;
        }
      }
    }
    if (gr > MaxGainReduction)
      gr = MaxGainReduction;
    else if (!(gr >= MinGainReduction))  // also catches a reduction that is not a number
      gr = MinGainReduction;
    FReduction[i] = gr;
  }

  // Pass 4: gains, outputs and meters.
  float* out0 = Outputs[0] + Start;
  float* out1 = Outputs[1] + Start;
  float g = FGain;
  float gOf = FGainReduction;
  for (i = 0; i < Count; ++i) {
    if (FReduction[i] != gOf) {
      gOf = FReduction[i];
      g = DbToAmp(gOf);
    }
    FGains[i] = g;
  }
  float pin0 = BlockPeaks[0], pin1 = BlockPeaks[1], pout0 = BlockPeaks[2], pout1 = BlockPeaks[3];
  i = 0;
#if defined(__SSE__) || defined(__x86_64__)
  {
    const __m128 vig = _mm_set1_ps(ig), lg = _mm_set1_ps(P.LeftGain), rg = _mm_set1_ps(P.RightGain);
    const __m128 sign = _mm_set1_ps(-0.0f), fmax = _mm_set1_ps(FLT_MAX);
    // |x| where finite, else 0: what MeterLevel gives.
    auto level = [&](__m128 x) {
      const __m128 a = _mm_andnot_ps(sign, x);
      return _mm_and_ps(a, _mm_cmple_ps(a, fmax));
    };
    __m128 vin0 = _mm_setzero_ps(), vin1 = vin0, vout0 = vin0, vout1 = vin0;
    for (; i + 4 <= Count; i += 4) {
      const __m128 l = _mm_mul_ps(_mm_loadu_ps(in0 + i), vig), r = _mm_mul_ps(_mm_loadu_ps(in1 + i), vig);
      const __m128 gv = _mm_loadu_ps(&FGains[i]);
      __m128 o0, o1;
      if (!P.Bypass) {
        o0 = _mm_mul_ps(_mm_mul_ps(l, gv), lg);
        o1 = _mm_mul_ps(_mm_mul_ps(r, gv), rg);
        _mm_storeu_ps(out0 + i, o0);
        _mm_storeu_ps(out1 + i, o1);
      } else {
        o0 = _mm_loadu_ps(out0 + i);
        o1 = _mm_loadu_ps(out1 + i);
      }
      vin0 = _mm_max_ps(vin0, level(l));
      vin1 = _mm_max_ps(vin1, level(r));
      vout0 = _mm_max_ps(vout0, level(o0));
      vout1 = _mm_max_ps(vout1, level(o1));
    }
    float lanes[4][4];
    _mm_storeu_ps(lanes[0], vin0);
    _mm_storeu_ps(lanes[1], vin1);
    _mm_storeu_ps(lanes[2], vout0);
    _mm_storeu_ps(lanes[3], vout1);
    for (int k = 0; k < 4; ++k) {
      pin0 = std::max(pin0, lanes[0][k]);
      pin1 = std::max(pin1, lanes[1][k]);
      pout0 = std::max(pout0, lanes[2][k]);
      pout1 = std::max(pout1, lanes[3][k]);
    }
  }
#endif
  for (; i < Count; ++i) {
    const float l = in0[i] * ig, r = in1[i] * ig;
    if (!P.Bypass) {
      out0[i] = l * FGains[i] * P.LeftGain;
      out1[i] = r * FGains[i] * P.RightGain;
    }
    pin0 = std::max(pin0, MeterLevel(l));
    pin1 = std::max(pin1, MeterLevel(r));
    pout0 = std::max(pout0, MeterLevel(out0[i]));
    pout1 = std::max(pout1, MeterLevel(out1[i]));
  }
  BlockPeaks[0] = pin0;
  BlockPeaks[1] = pin1;
  BlockPeaks[2] = pout0;
  BlockPeaks[3] = pout1;
  FGainReduction = gOf;
  FGain = g;
}
