#include "engine/QzAudioClasses.h"

#include <algorithm>
#include <cstring>

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

void QzCopyUnlessSame(const float* const* Inputs, float* const* Outputs, uint16_t Frames) {
  if (Frames == 0) return;
  for (int c = 0; c < 2; ++c)
    if (Inputs[c] != Outputs[c]) std::memmove(Outputs[c], Inputs[c], Frames * sizeof(float));
}

uint32_t TQzAudioSampleRateClass::GetSampleRate() {
  const uint32_t stored = FSampleRate.Load();
  const uint32_t rate = ClampRate(stored);
  // Stores only a repaired value: an unconditional store from a reader on another thread
  // could put back a rate that a concurrent SetSampleRate has just replaced.
  if (rate != stored) FSampleRate.Store(rate);
  return rate;
}

void TQzAudioSampleRateClass::SetSampleRate(uint32_t Value) {
  const uint32_t v = ClampRate(Value);
  if (v == GetSampleRate()) return;
  FSampleRate.Store(v);
  SampleRateChanged();
}

// ---- TQzAudioPresetDetails ----------------------------------------------------------------------

TQzAudioPresetDetails::TQzAudioPresetDetails() { FStrings[pdsProductID] = DefaultProductID; }

const std::string& TQzAudioPresetDetails::GetString(int Index) const {
  static const std::string empty;
  return Index >= 0 && Index < StringCount ? FStrings[static_cast<size_t>(Index)] : empty;
}

void TQzAudioPresetDetails::SetString(int Index, const std::string& Value) {
  if (Index < 0 || Index >= StringCount || FStrings[static_cast<size_t>(Index)] == Value) return;
  FStrings[static_cast<size_t>(Index)] = Value;
  DoChange();
}

int32_t TQzAudioPresetDetails::GetContentSize() const {
  int32_t value;
  std::memcpy(&value, FBlock.data(), sizeof value);
  return value;
}

void TQzAudioPresetDetails::SetContentSize(int32_t Value) {
  if (Value == GetContentSize()) return;
  std::memcpy(FBlock.data(), &Value, sizeof Value);
  DoChange();
}

void TQzAudioPresetDetails::Clear() {
  BeginUpdate();
  for (std::string& s : FStrings) s.clear();
  FStrings[pdsProductID] = DefaultProductID;
  SetContentSize(0);
  EndUpdate();
  DoChange();
}

void TQzAudioPresetDetails::Assign(TQzAudioPresetDetails* Source) {
  if (!Source) return;
  BeginUpdate();
  FStrings = Source->FStrings;
  FBlock = Source->FBlock;
  EndUpdate();
  DoChange();
}

void TQzAudioPresetDetails::Assign(TPersistent* Source) {
  if (auto* details = dynamic_cast<TQzAudioPresetDetails*>(Source))
    Assign(details);
  else
    TQzPersistentFileClass::Assign(Source);
}

bool TQzAudioPresetDetails::SaveToStream(TStream* Stream) {
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 800));
    return false;
  }
  const int64_t start = Stream->GetPosition();
  if (!QzWriteStreamHeader(Stream, {Signature, Version, Format, HeaderSize})) {
    SetError(MakeErrorCode(qecWriteFailed, 801));
    return false;
  }
  Stream->SetPosition(start + HeaderSize);
  SetError(0);
  for (const std::string& text : FStrings) {
    std::string copy = text;
    // A text longer than the 16-bit length can say keeps its first 65535 bytes: the length
    // taken modulo 65536 would keep only what is past the last multiple, or nothing at all.
    const uint16_t n = static_cast<uint16_t>(std::min<size_t>(copy.size(), 0xFFFF));
    if (!QzWriteValue(Stream, n)) {
      SetError(MakeErrorCode(qecWriteFailed, 802));
      break;
    }
    if (n == 0) continue;
    ScrambleBuffer(copy.data(), n);
    if (Stream->Write(copy.data(), n) != n) {
      SetError(MakeErrorCode(qecWriteFailed, 803));
      break;
    }
  }
  if (Error == 0 && Stream->Write(FBlock.data(), BlockSize) != BlockSize)
    SetError(MakeErrorCode(qecWriteFailed, 804));
  return Error == 0;
}

bool TQzAudioPresetDetails::LoadFromStream(TStream* Stream) {
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 850));
    DoChange();
    return false;
  }
  const int64_t start = Stream->GetPosition();
  TQzStreamHeader header;
  if (!QzReadStreamHeader(Stream, header))
    SetError(MakeErrorCode(qecReadFailed, 851));
  else if (header.Signature != Signature || !QzHeaderSizeValid(header))
    SetError(MakeErrorCode(qecBadSignature, 852));
  else if (header.Version != Version)
    SetError(MakeErrorCode(qecBadVersion, 853));
  else {
    Stream->SetPosition(start + header.HeaderSize);
    SetError(0);
    std::string text;
    for (std::string& target : FStrings) {
      uint16_t n;
      if (!QzReadValue(Stream, n)) {
        SetError(MakeErrorCode(qecReadFailed, 854));
        break;
      }
      if (n == 0) continue;
      text.resize(n);
      if (Stream->Read(text.data(), n) != n) {
        SetError(MakeErrorCode(qecReadFailed, 855));
        break;
      }
      ScrambleBuffer(text.data(), n);
      target = text;
    }
    // After a failure inside the texts the position is inside a text, not at the block: the
    // record keeps its block rather than taking bytes of a text for it.
    if (Error == 0) Stream->Read(FBlock.data(), BlockSize);
  }
  DoChange();
  return Error == 0;
}
