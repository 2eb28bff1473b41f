#include "graphics/QzPicExifData.h"

#include <cstring>
#include <vector>

#include "graphics/QzStreamIO.h"

const char* const QzPictureExifFieldNames[QzPictureExifFieldCount] = {
    "pedTitle", "pedAuthor", "pedDescription", "pedPublisher", "pedCopyright", "pedVersion",
    "pedDate", "pedSerial", "pedLicense", "pedNotes", "pedCamera", "pedModel", "pedLenses",
    "pedAV", "pedTV", "pedISO", "pedAF", "pedWhiteBalance", "pedColorSpace",
    "pedMeasurementMode", "pedFocalLength", "pedLocation", "pedGeoTags", "pedPictureType",
    "pedPictureSize", "pedPictureQuality", "pedPixelFormat", "pedDustData", "pedTransportType",
    "pedFileName", "pedFileSize", "pedSoftware", "pedFirmWare", "pedUserComment", "pedWebsite",
    "pedEmail", "pedKeyWords"};

const uint8_t QzExifKey[16] = {0x2C, 0x91, 0x5E, 0xB3, 0x07, 0xDA, 0x68, 0x4F,
                               0xE5, 0x1B, 0xA2, 0x76, 0x3D, 0xC8, 0x84, 0xF9};

void QzScrambleExifString(uint8_t* Data, size_t Count) {
  for (size_t i = 1; i < Count; ++i) {
    const size_t k = (i - 1) % 16;
    Data[i] ^= static_cast<uint8_t>(QzExifKey[k] + k);
  }
}

namespace {
const std::string EmptyString;

constexpr uint16_t LocSaveNoStream = 201, LocSaveHeader = 202, LocSaveCount = 203,
                   LocSaveMarker = 204, LocSaveLength = 205, LocSaveBytes = 206,
                   LocSaveEnd = 207;
constexpr uint16_t LocLoadNoStream = 501, LocLoadHeader = 502, LocLoadMagic = 503,
                   LocLoadVersion = 504, LocLoadBlock = 507, LocLoadTag = 508, LocLoadCount = 509,
                   LocLoadMarker = 510, LocLoadLength = 511, LocLoadBytes = 512;

// Writes the 8-byte block head at Start and returns to End.
bool CloseBlock(TStream* Stream, int64_t Start, uint16_t Id) {
  const int64_t end = Stream->GetPosition();
  uint8_t head[8];
  QzPutU16(head, TQzCustomPictureExifData::BlockTag);
  QzPutU16(head + 2, Id);
  QzPutU32(head + 4, static_cast<uint32_t>(end - Start - 8));
  Stream->SetPosition(Start);
  const bool ok = QzWriteExact(Stream, head, 8);
  Stream->SetPosition(end);
  return ok;
}
}  // namespace

TQzCustomPictureExifData::TQzCustomPictureExifData() = default;

void TQzCustomPictureExifData::Clear() {
  TQzFileClass::Clear();
  for (std::string& s : FStrings) s.clear();
}

const std::string& TQzCustomPictureExifData::GetString(int Index) const {
  return Index >= 0 && Index < StringCount ? FStrings[Index] : EmptyString;
}

void TQzCustomPictureExifData::SetString(int Index, const std::string& Value) {
  if (Index >= 0 && Index < StringCount) FStrings[Index] = Value;
}

void TQzCustomPictureExifData::Assign(const TQzCustomPictureExifData* Source) {
  if (Source) FStrings = Source->FStrings;
}

bool TQzCustomPictureExifData::SaveToStream(TStream* Stream) {
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, LocSaveNoStream));
    return false;
  }
  SetError(0);
  uint8_t head[HeaderBytes] = {};
  std::memcpy(head, Magic, 4);
  head[4] = Version;
  head[5] = 1;
  QzPutU16(head + 6, HeaderSize);
  QzPutU16(head + 8, 1);
  head[10] = FScrambled ? ScrambleMarker : 0;
  if (!QzWriteExact(Stream, head, HeaderBytes) || !QzWriteZeros(Stream, HeaderSize - HeaderBytes)) {
    SetError(MakeErrorCode(qecWriteFailed, LocSaveHeader));
    return false;
  }

  const int64_t block = Stream->GetPosition();
  uint32_t error = 0;
  if (!QzWriteZeros(Stream, 8) || !QzWriteValue<uint16_t>(Stream, StringCount))
    error = MakeErrorCode(qecWriteFailed, LocSaveCount);
  std::vector<uint8_t> bytes;
  for (int i = 0; i < StringCount && error == 0; ++i) {
    const size_t length = std::min(FStrings[i].size(), MaxStringLength);
    if (!QzWriteValue<uint16_t>(Stream, 1)) {
      error = MakeErrorCode(qecWriteFailed, LocSaveMarker);
    } else if (!QzWriteValue(Stream, static_cast<uint16_t>(length))) {
      error = MakeErrorCode(qecWriteFailed, LocSaveLength);
    } else if (length > 0) {
      bytes.assign(FStrings[i].begin(), FStrings[i].begin() + static_cast<ptrdiff_t>(length));
      if (FScrambled) QzScrambleExifString(bytes.data(), bytes.size());
      if (!QzWriteExact(Stream, bytes.data(), static_cast<int64_t>(length)))
        error = MakeErrorCode(qecWriteFailed, LocSaveBytes);
    }
  }
  // The block is closed also after a failed string so that what was written stays framed.
  if (!CloseBlock(Stream, block, BlockStrings) && error == 0)
    error = MakeErrorCode(qecWriteFailed, LocSaveBytes);
  const int64_t endBlock = Stream->GetPosition();
  if (!QzWriteZeros(Stream, 8) || !CloseBlock(Stream, endBlock, BlockEnd)) {
    if (error == 0) error = MakeErrorCode(qecWriteFailed, LocSaveEnd);
  }
  SetError(error);
  return Error == 0;
}

bool TQzCustomPictureExifData::LoadFromStream(TStream* Stream) {
  Clear();
  if (!Stream) {
    SetError(MakeErrorCode(qecNoStream, LocLoadNoStream));
    return false;
  }
  const int64_t start = Stream->GetPosition();
  uint8_t head[HeaderBytes];
  if (!QzReadExact(Stream, head, HeaderBytes)) {
    SetError(MakeErrorCode(qecBadSignature, LocLoadHeader));
    return false;
  }
  const uint16_t headerSize = QzGetU16(head + 6);
  // A header size below the bytes just read cannot be followed: treated as a wrong signature.
  if (std::memcmp(head, Magic, 4) != 0 || headerSize < HeaderBytes) {
    SetError(MakeErrorCode(qecBadSignature, LocLoadMagic));
    return false;
  }
  // Like every other header check of this record, an unknown version counts as a wrong
  // signature (1603), whichever way it differs.
  if (head[4] != Version) {
    SetError(MakeErrorCode(qecBadSignature, LocLoadVersion));
    return false;
  }
  FScrambled = head[10] > 100;
  Stream->SetPosition(start + headerSize);

  for (;;) {
    const int64_t block = Stream->GetPosition();
    uint8_t bh[8];
    if (!QzReadExact(Stream, bh, 8)) {
      SetError(MakeErrorCode(qecBadSignature, LocLoadBlock));
      break;
    }
    if (QzGetU16(bh) != BlockTag) {
      SetError(MakeErrorCode(qecBadSignature, LocLoadTag));
      break;
    }
    const uint16_t id = QzGetU16(bh + 2);
    const int64_t payloadEnd = block + 8 + QzGetU32(bh + 4);
    if (id == BlockStrings) {
      // Items are read only within the block's payload: an item running past it is cut short.
      auto fits = [&](int64_t Count) { return Stream->GetPosition() + Count <= payloadEnd; };
      uint16_t count = 0;
      if (!fits(2) || !QzReadValue(Stream, count)) {
        SetError(MakeErrorCode(qecBadSignature, LocLoadCount));
        break;
      }
      if (count > StringCount) count = StringCount;
      std::vector<uint8_t> bytes;
      for (int i = 0; i < count && Error == 0; ++i) {
        uint16_t marker = 0, length = 0;
        if (!fits(2) || !QzReadValue(Stream, marker)) {
          SetError(MakeErrorCode(qecBadSignature, LocLoadMarker));
        } else if (!fits(2) || !QzReadValue(Stream, length)) {
          SetError(MakeErrorCode(qecBadSignature, LocLoadLength));
        } else if (length > 0) {
          if (!fits(length) || !QzReadBytes(Stream, length, bytes)) {
            SetError(MakeErrorCode(qecBadSignature, LocLoadBytes));
          } else {
            if (FScrambled) QzScrambleExifString(bytes.data(), bytes.size());
            FStrings[i].assign(bytes.begin(), bytes.end());
          }
        }
      }
      if (Error != 0) break;
    }
    Stream->SetPosition(payloadEnd);
    if (id == BlockEnd) break;
  }
  return Error == 0;
}
