#include "graphics/QzFileDetails.h"

#include <cstring>
#include <vector>

#include "graphics/QzStreamIO.h"

const uint8_t TQzCustomFileDetails::DefaultKey[16] = {0xB7, 0x3A, 0x5C, 0xE1, 0x08, 0x96, 0x4D, 0xF2,
                                                      0x61, 0xAE, 0x1F, 0xC4, 0x7B, 0x29, 0xD0, 0x85};
const uint8_t TQzCustomFileDetails::Revision3Key[16] = {0x4E, 0xD9, 0x12, 0x87, 0xBC, 0x35, 0xF0, 0x6A,
                                                        0x93, 0x0C, 0xE7, 0x58, 0x21, 0xAD, 0x76, 0xCB};

void QzScrambleDetails(void* Buffer, int64_t Count, const uint8_t (&Key)[16]) {
  auto* p = static_cast<uint8_t*>(Buffer);
  for (int64_t i = 0; i < Count; ++i) p[i] ^= static_cast<uint8_t>(Key[i % 16] + i % 16);
}

namespace {
const std::string EmptyString;
}

TQzCustomFileDetails::TQzCustomFileDetails() : FPreview(std::make_unique<TJPEGImage>()) {}
TQzCustomFileDetails::~TQzCustomFileDetails() = default;

void TQzCustomFileDetails::Clear() {
  TQzFileClass::Clear();
  FPreview = std::make_unique<TJPEGImage>();
  for (std::string& s : FStrings) s.clear();
  FIntegers.fill(0);
  DoChange();
}

const std::string& TQzCustomFileDetails::GetString(int Index) const {
  return Index >= 0 && Index < SlotCount ? FStrings[Index] : EmptyString;
}

void TQzCustomFileDetails::SetString(int Index, const std::string& Value) {
  if (Index < 0 || Index >= SlotCount || FStrings[Index] == Value) return;
  FStrings[Index] = Value;
  DoChange();
}

int32_t TQzCustomFileDetails::GetInteger(int Index) const {
  return Index >= 0 && Index < SlotCount ? FIntegers[Index] : 0;
}

void TQzCustomFileDetails::SetInteger(int Index, int32_t Value) {
  if (Index < 0 || Index >= SlotCount || FIntegers[Index] == Value) return;
  FIntegers[Index] = Value;
  DoChange();
}

void TQzCustomFileDetails::SaveExtra(TStream*, uint8_t, uint8_t) {}
void TQzCustomFileDetails::LoadExtra(TStream*, uint8_t, uint8_t) {}

void TQzCustomFileDetails::Assign(const TQzCustomFileDetails* Source) {
  if (!Source) return;
  BeginUpdate();
  Clear();
  FIntegers = Source->FIntegers;
  FStrings = Source->FStrings;
  const TJPEGImage* src = Source->FPreview.get();
  if (!src->GetEmpty()) {
    FPreview->SetSize(src->GetWidth(), src->GetHeight());
    FPreview->GetCanvas()->Draw(0, 0, const_cast<TJPEGImage*>(src));
  }
  EndUpdate();
  DoChange();
}

bool TQzCustomFileDetails::SaveToStream(TStream* Stream) {
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 120));
    return false;
  }
  SetError(0);
  // The length field holds 16 bits: a longer string would come back empty or cut, so the
  // record is not written at all.
  for (const std::string& s : FStrings)
    if (s.size() > MaxStringLength) {
      SetError(MakeErrorCode(qecInvalidArgument, 123));
      return false;
    }
  uint8_t head[HeaderBytes] = {};
  std::memcpy(head, Signature, 8);
  head[8] = Version;
  head[9] = Revision;
  QzPutU16(head + 10, HeaderSize);
  head[12] = 1;
  head[13] = SlotCount;
  head[14] = SlotCount;
  if (!QzWriteExact(Stream, head, HeaderBytes) || !QzWriteZeros(Stream, HeaderSize - HeaderBytes)) {
    SetError(MakeErrorCode(qecWriteFailed, 119));
    return false;
  }

  TMemoryStream preview;
  if (!FPreview->GetEmpty()) {
    try {
      FPreview->SaveToStream(&preview);
    } catch (const std::exception&) {
      SetError(MakeErrorCode(qecUndecodable, 120));
      return false;
    }
  }
  const auto length = static_cast<int32_t>(preview.GetSize());
  if (!QzWriteValue(Stream, length)) {
    SetError(MakeErrorCode(qecWriteFailed, 120));
    return false;
  }
  if (length > 0) {
    QzScrambleDetails(preview.Memory(), length, DefaultKey);
    if (!QzWriteExact(Stream, preview.Memory(), length)) {
      SetError(MakeErrorCode(qecWriteFailed, 121));
      return false;
    }
  }
  if (!QzWriteExact(Stream, FIntegers.data(), sizeof FIntegers)) {
    SetError(MakeErrorCode(qecWriteFailed, 122));
    return false;
  }
  std::vector<uint8_t> bytes;
  for (const std::string& s : FStrings) {
    if (!QzWriteValue(Stream, static_cast<uint16_t>(s.size()))) {
      SetError(MakeErrorCode(qecWriteFailed, 123));
      return false;
    }
    bytes.assign(s.begin(), s.end());
    QzScrambleDetails(bytes.data(), static_cast<int64_t>(bytes.size()), DefaultKey);
    if (!QzWriteExact(Stream, bytes.data(), static_cast<int64_t>(bytes.size()))) {
      SetError(MakeErrorCode(qecWriteFailed, 124));
      return false;
    }
  }
  if (!QzWriteValue<uint16_t>(Stream, 0xFFFF)) {
    SetError(MakeErrorCode(qecWriteFailed, 125));
    return false;
  }
  SaveExtra(Stream, Version, Revision);
  return Error == 0;
}

bool TQzCustomFileDetails::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  Clear();
  auto finish = [this] {
    EndUpdate();
    DoChange();
    return Error == 0;
  };
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, 101));
    return finish();
  }
  const int64_t start = Stream->GetPosition();
  uint8_t head[HeaderBytes];
  if (!QzReadExact(Stream, head, HeaderBytes)) {
    SetError(MakeErrorCode(qecBadSignature, 102));
    return finish();
  }
  const uint16_t headerSize = QzGetU16(head + 10);
  const uint8_t revision = head[9];
  const uint8_t stringCount = head[13], integerCount = head[14];
  if (std::memcmp(head, Signature, 8) != 0 || headerSize < HeaderBytes)
    SetError(MakeErrorCode(qecBadSignature, 103));
  else if (head[12] != 1)
    SetError(MakeErrorCode(qecBadSignature, 104));
  else if (stringCount > SlotCount)
    SetError(MakeErrorCode(qecBadSignature, 105));
  else if (integerCount > SlotCount)
    SetError(MakeErrorCode(qecBadSignature, 106));
  if (Error != 0) return finish();

  const auto& key = revision == 3 ? Revision3Key : DefaultKey;
  Stream->SetPosition(start + headerSize);
  int32_t length = 0;
  std::vector<uint8_t> bytes;
  // A length of 0 or below stands for no preview; one beyond the stream's end is refused
  // before anything is allocated.
  if (!QzReadValue(Stream, length) || (length > 0 && !QzReadBytes(Stream, length, bytes))) {
    SetError(MakeErrorCode(qecReadFailed, 107));
    return finish();
  }
  if (length > 0) {
    QzScrambleDetails(bytes.data(), length, key);
    TMemoryStream preview;
    preview.WriteBuffer(bytes.data(), length);
    preview.SetPosition(0);
    try {
      FPreview->LoadFromStream(&preview);
    } catch (const std::exception&) {
      FPreview = std::make_unique<TJPEGImage>();
      SetError(MakeErrorCode(qecUndecodable, 107));
      return finish();
    }
  }
  if (integerCount > 0 && !QzReadExact(Stream, FIntegers.data(), integerCount * 4)) {
    SetError(MakeErrorCode(qecBadSignature, 107));
    return finish();
  }
  for (int i = 0; i < stringCount; ++i) {
    uint16_t l = 0;
    if (!QzReadValue(Stream, l)) {
      SetError(MakeErrorCode(qecReadFailed, 108));
      return finish();
    }
    if (l > 0) {
      if (!QzReadBytes(Stream, l, bytes)) {
        SetError(MakeErrorCode(qecReadFailed, 109));
        return finish();
      }
      QzScrambleDetails(bytes.data(), l, key);
      FStrings[i].assign(bytes.begin(), bytes.end());
    }
  }
  // The end marker's value and count carry nothing: a record whose stream ends right before it
  // is whole.
  uint16_t marker = 0;
  static_cast<void>(QzReadValue(Stream, marker));
  LoadExtra(Stream, head[8], revision);
  return finish();
}
