#include "graphics/QzTIF.h"

#include <algorithm>
#include <cstring>

#include "core/QzFileClasses.h"
#include "graphics/QzRasterCopy.h"
#include "graphics/QzStreamIO.h"

namespace {
enum : uint16_t {
  tagImageWidth = 256, tagImageLength = 257, tagBitsPerSample = 258, tagCompression = 259,
  tagPhotometric = 262, tagStripOffsets = 273, tagSamplesPerPixel = 277, tagRowsPerStrip = 278,
  tagStripByteCounts = 279, tagXResolution = 282, tagYResolution = 283,
  tagPlanarConfiguration = 284, tagResolutionUnit = 296, tagPredictor = 317,
};
enum : uint16_t { ttShort = 3, ttLong = 4, ttRational = 5 };
constexpr uint32_t MaxSamples = 8;
enum : uint32_t { compNone = 1, compLZW = 5 };
enum : uint32_t { predNone = 1, predHorizontal = 2 };

// TIFF's LZW codes: Clear empties the table, EndOfInformation ends the strip; the table holds at
// most 4096 strings, so no code is wider than 12 bits.
enum : uint32_t { lzwClear = 256, lzwEnd = 257, lzwFirstFree = 258, lzwTableSize = 4096 };
constexpr uint32_t LzwMinWidth = 9, LzwMaxWidth = 12;

// The most bytes Count bytes of LZW codes can decode to: each code of at least 9 bits yields at
// most one byte more than any code before it, and no string is longer than the table.
uint64_t MaxLzwOutput(uint64_t Count) {
  const uint64_t codes = Count * 8 / LzwMinWidth;
  return codes * std::min<uint64_t>(codes, lzwTableSize);
}

// Decodes one strip of LZW codes (most-significant bit first, 9 to 12 bits, the width growing
// one code before the table needs it, as TIFF's writers do) into exactly OutSize
// bytes. Old-style strips, whose codes were packed least-significant bit first, begin with the
// bytes of such a Clear (0, then an odd byte); read the other way they would decode into wrong
// pixels, so they are refused. Nothing is read past the strip nor written past OutSize.
uint32_t DecodeLzwStrip(const uint8_t* In, size_t InSize, uint8_t* Out, size_t OutSize) {
  if (InSize >= 2 && In[0] == 0 && (In[1] & 1) != 0) return MakeErrorCode(qecUnsupported, 121);
  struct TEntry { uint16_t Prefix, Length; uint8_t Suffix; };
  std::vector<TEntry> table(lzwTableSize);
  for (uint32_t i = 0; i < 256; ++i) table[i] = {0, 1, static_cast<uint8_t>(i)};
  const uint64_t bitEnd = static_cast<uint64_t>(InSize) * 8;
  uint64_t bit = 0;
  size_t out = 0;
  uint32_t next = lzwFirstFree, width = LzwMinWidth;
  bool havePrev = false;
  uint32_t prev = 0;
  while (bit + width <= bitEnd) {
    const size_t at = static_cast<size_t>(bit >> 3);
    const uint32_t window = static_cast<uint32_t>(In[at]) << 16 | (at + 1 < InSize ? In[at + 1] << 8 : 0) |
                            (at + 2 < InSize ? In[at + 2] : 0);
    const uint32_t code = (window >> (24 - (bit & 7) - width)) & ((1u << width) - 1);
    bit += width;
    if (code == lzwEnd) break;
    if (code == lzwClear) {
      next = lzwFirstFree;
      width = LzwMinWidth;
      havePrev = false;
      continue;
    }
    // A code may name the string the table is about to get (the previous one plus its own first
    // byte), never one beyond it.
    if (code > next || (code == next && !havePrev)) return MakeErrorCode(qecUndecodable, 128);
    const uint32_t known = code < next ? code : prev;
    const size_t length = table[known].Length + (code < next ? 0u : 1u);
    if (length > OutSize - out) return MakeErrorCode(qecUndecodable, 128);
    uint8_t* p = Out + out + table[known].Length;
    for (uint32_t c = known;; c = table[c].Prefix) {
      *--p = table[c].Suffix;
      if (c < 256) break;
    }
    if (code == next) Out[out + length - 1] = Out[out];
    if (havePrev) {
      if (next >= lzwTableSize) return MakeErrorCode(qecUndecodable, 128);
      table[next] = {static_cast<uint16_t>(prev), static_cast<uint16_t>(table[prev].Length + 1), Out[out]};
      ++next;
      if (next + 1 >= (1u << width) && width < LzwMaxWidth) ++width;
    }
    out += length;
    prev = code;
    havePrev = true;
  }
  return out == OutSize ? 0 : MakeErrorCode(qecReadFailed, 129);
}

// Undoes horizontal differencing: each sample was stored as its difference from the same sample
// of the pixel to its left, modulo 256.
void UndoHorizontalDifferencing(uint8_t* Data, size_t Rows, size_t RowBytes, uint32_t Samples) {
  for (size_t y = 0; y < Rows; ++y, Data += RowBytes)
    for (size_t i = Samples; i < RowBytes; ++i) Data[i] = static_cast<uint8_t>(Data[i] + Data[i - Samples]);
}

TClipboardFormat TIFClipboardFormat() {
  static const TClipboardFormat Format = RegisterClipboardFormat("Tagged Image File Format");
  return Format;
}

// The first value of an entry of type SHORT or LONG; Fallback for other types.
uint32_t EntryValue(const uint8_t* E, uint32_t Fallback) {
  switch (QzGetU16(E + 2)) {
    case ttShort: return QzGetU16(E + 8);
    case ttLong: return QzGetU32(E + 8);
    default: return Fallback;
  }
}

// All values of a SHORT or LONG entry, inline or at their offset from the start of the file.
// False for other types, more than MaxCount values or values beyond the stream's end.
bool EntryValues(TStream* Stream, int64_t Start, const uint8_t* E, uint32_t MaxCount,
                 std::vector<uint32_t>& Out) {
  Out.clear();
  const uint16_t type = QzGetU16(E + 2);
  const uint32_t count = QzGetU32(E + 4);
  if ((type != ttShort && type != ttLong) || count == 0 || count > MaxCount) return false;
  const uint32_t size = type == ttShort ? 2 : 4;
  std::vector<uint8_t> bytes;
  if (count * size <= 4) {
    bytes.assign(E + 8, E + 12);
  } else {
    Stream->SetPosition(Start + QzGetU32(E + 8));
    if (!QzReadBytes(Stream, static_cast<int64_t>(count) * size, bytes)) return false;
  }
  for (uint32_t i = 0; i < count; ++i)
    Out.push_back(size == 2 ? QzGetU16(&bytes[i * 2]) : QzGetU32(&bytes[i * 4]));
  return true;
}

void PutEntry(uint8_t* P, uint16_t Tag, uint16_t Type, uint32_t Count, uint32_t Value) {
  QzPutU16(P, Tag);
  QzPutU16(P + 2, Type);
  QzPutU32(P + 4, Count);
  if (Type == ttShort && Count == 1)
    QzPutU16(P + 8, static_cast<uint16_t>(Value));
  else
    QzPutU32(P + 8, Value);
}
}  // namespace

TQzTIFImage::TQzTIFImage() : FExifData(std::make_unique<TQzPictureExifData>()) {
  FExifData->SetScrambled(true);
}

TQzTIFImage::~TQzTIFImage() = default;

bool TQzTIFImage::ResizeBuffer(int32_t W, int32_t H) {
  W = std::clamp(W, 0, QzMaxPictureSide);
  H = std::clamp(H, 0, QzMaxPictureSide);
  const size_t size = static_cast<size_t>(W) * static_cast<size_t>(H) * FBytesPerPixel;
  if (W == FWidth && H == FHeight && FPixels.size() == size) return true;
  FWidth = static_cast<uint16_t>(W);
  FHeight = static_cast<uint16_t>(H);
  FRowStride = static_cast<uint32_t>(W) * FBytesPerPixel;
  FPixels.assign(size, 0);
  FPixels.shrink_to_fit();
  return true;
}

void TQzTIFImage::SetWidth(int32_t Value) {
  if (Value == FWidth) return;
  ResizeBuffer(Value, FHeight);
  Changed(this);
}

void TQzTIFImage::SetHeight(int32_t Value) {
  if (Value == FHeight) return;
  ResizeBuffer(FWidth, Value);
  Changed(this);
}

void TQzTIFImage::Clear() {
  ResizeBuffer(0, 0);
  FExifData->Clear();
  FBytesPerPixel = 4;
  FResolution = 300;
}

bool TQzTIFImage::IsStreamFormatSupported(TStream* Stream) {
  static constexpr uint8_t Magic[4] = {'I', 'I', 42, 0};
  return QzStreamStartsWith(Stream, Magic, 4);
}

void TQzTIFImage::SaveToStream(TStream* Stream) {
  FErrorCode = 0;
  if (!Stream) {
    FErrorCode = MakeErrorCode(qecNoStream, 425);
    throw Exception(ErrorCodeToStr(FErrorCode));
  }
  // Offsets in the file count from its first byte, wherever the stream puts it.
  uint8_t head[StripOffset] = {};
  head[0] = head[1] = 'I';
  QzPutU16(head + 2, 42);
  QzPutU32(head + 4, 8);
  if (!QzWriteExact(Stream, head, 8)) {
    FErrorCode = MakeErrorCode(qecWriteFailed, 426);
    throw Exception(ErrorCodeToStr(FErrorCode));
  }
  QzPutU16(head + 8, 12);
  uint8_t* e = head + 10;
  PutEntry(e, tagImageWidth, ttShort, 1, FWidth), e += 12;
  PutEntry(e, tagImageLength, ttShort, 1, FHeight), e += 12;
  PutEntry(e, tagBitsPerSample, ttShort, 4, BitsPerSampleOffset), e += 12;
  PutEntry(e, tagCompression, ttShort, 1, 1), e += 12;
  PutEntry(e, tagPhotometric, ttShort, 1, 2), e += 12;
  PutEntry(e, tagStripOffsets, ttLong, 1, StripOffset), e += 12;
  PutEntry(e, tagSamplesPerPixel, ttShort, 1, 4), e += 12;
  PutEntry(e, tagRowsPerStrip, ttLong, 1, FHeight), e += 12;
  PutEntry(e, tagStripByteCounts, ttLong, 1, static_cast<uint32_t>(FWidth) * FHeight * 4), e += 12;
  PutEntry(e, tagXResolution, ttRational, 1, XResolutionOffset), e += 12;
  PutEntry(e, tagYResolution, ttRational, 1, YResolutionOffset), e += 12;
  PutEntry(e, tagResolutionUnit, ttShort, 1, 2);
  for (int i = 0; i < 4; ++i) QzPutU16(head + BitsPerSampleOffset + 2 * i, 8);
  QzPutU32(head + XResolutionOffset, FResolution);
  QzPutU32(head + XResolutionOffset + 4, 1);
  QzPutU32(head + YResolutionOffset, FResolution);
  QzPutU32(head + YResolutionOffset + 4, 1);
  bool ok = QzWriteExact(Stream, head + 8, StripOffset - 8);
  std::vector<uint8_t> row(static_cast<size_t>(FWidth) * 4);
  for (int32_t y = 0; ok && y < FHeight && !FPixels.empty(); ++y) {
    const uint8_t* s = GetPixelPtr(0, y);
    for (int32_t x = 0; x < FWidth; ++x, s += FBytesPerPixel) {
      uint8_t* d = &row[static_cast<size_t>(x) * 4];
      d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = FBytesPerPixel >= 4 ? s[3] : 255;
    }
    ok = QzWriteExact(Stream, row.data(), static_cast<int64_t>(row.size()));
  }
  if (!ok) {
    FErrorCode = MakeErrorCode(qecWriteFailed, 427);
    throw Exception(ErrorCodeToStr(FErrorCode));
  }
}

uint32_t TQzTIFImage::ReadImage(TStream* Stream) {
  const int64_t start = Stream->GetPosition();
  uint8_t head[8];
  if (!QzReadExact(Stream, head, 8)) return MakeErrorCode(qecBadSignature, 102);
  if (head[0] == 'M' && head[1] == 'M') return MakeErrorCode(qecUnsupported, 103);
  if (QzGetU16(head + 2) != 42) return MakeErrorCode(qecBadSignature, 104);
  if (head[0] != 'I' || head[1] != 'I') return MakeErrorCode(qecUnsupported, 103);
  Stream->SetPosition(start + QzGetU32(head + 4));
  uint16_t count = 0;
  if (!QzReadValue(Stream, count)) return MakeErrorCode(qecBadSignature, 105);

  uint32_t width = 0, height = 0, compression = 1, photometric = 0xFFFF, samples = 1;
  uint32_t planar = 1, rowsPerStrip = 0xFFFFFFFF, predictor = predNone;
  bool offsetsValid = true, countsValid = true;
  std::vector<uint32_t> bits{1}, offsets, counts, values;
  for (uint32_t i = 0; i < count; ++i) {
    const int64_t pos = Stream->GetPosition();
    uint8_t e[12];
    if (!QzReadExact(Stream, e, 12)) return MakeErrorCode(qecBadSignature, 106);
    switch (QzGetU16(e)) {
      case tagImageWidth: width = EntryValue(e, 0); break;
      case tagImageLength: height = EntryValue(e, 0); break;
      case tagCompression: compression = EntryValue(e, 0); break;
      case tagPhotometric: photometric = EntryValue(e, 0xFFFF); break;
      case tagSamplesPerPixel: samples = EntryValue(e, 0); break;
      case tagPlanarConfiguration: planar = EntryValue(e, 0); break;
      case tagRowsPerStrip: rowsPerStrip = EntryValue(e, 0); break;
      case tagPredictor: predictor = EntryValue(e, 0); break;
      case tagBitsPerSample:
        if (!EntryValues(Stream, start, e, MaxSamples, bits)) bits.clear();
        break;
      case tagStripOffsets:
        offsetsValid = EntryValues(Stream, start, e, QzMaxPictureSide, offsets);
        break;
      case tagStripByteCounts:
        countsValid = EntryValues(Stream, start, e, QzMaxPictureSide, counts);
        break;
      case tagXResolution:
      case tagYResolution: {
        Stream->SetPosition(start + QzGetU32(e + 8));
        uint32_t rational[2];
        if (QzReadExact(Stream, rational, 8) && rational[1] > 0)
          FResolution = static_cast<uint16_t>(Round(static_cast<double>(rational[0]) / rational[1]));
        break;
      }
      default: break;
    }
    Stream->SetPosition(pos + 12);
  }

  if (compression != compNone && compression != compLZW) return MakeErrorCode(qecUnsupported, 120);
  if (width == 0 || height == 0) return MakeErrorCode(qecUnsupported, 122);
  if (width > QzMaxPictureSide || height > QzMaxPictureSide) return MakeErrorCode(qecUnsupported, 126);
  // Chunky 8-bit samples: RGB or RGBA, grey or grey with alpha.
  const bool rgb = photometric == 2 && (samples == 3 || samples == 4);
  const bool grey = photometric <= 1 && (samples == 1 || samples == 2);
  if ((!rgb && !grey) || planar != 1 || bits.size() < 1 ||
      !std::all_of(bits.begin(), bits.end(), [](uint32_t b) { return b == 8; }))
    return MakeErrorCode(qecUnsupported, 123);
  // The predictor only ever accompanies compressed strips; readers ignore it on plain ones.
  const bool lzw = compression == compLZW;
  if (lzw && predictor != predNone && predictor != predHorizontal) return MakeErrorCode(qecUnsupported, 127);
  if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
  const uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
  if (!offsetsValid || offsets.size() < strips || !countsValid || (!counts.empty() && counts.size() < strips) ||
      (lzw && counts.empty()))
    return MakeErrorCode(qecUnsupported, 124);

  const uint64_t rowBytes = static_cast<uint64_t>(width) * samples;
  const uint64_t size = static_cast<uint64_t>(Stream->GetSize());
  auto stripRows = [&](uint32_t s) { return std::min(rowsPerStrip, height - s * rowsPerStrip); };
  // Every strip is checked against the stream before the buffer is made. A compressed strip
  // must be able to decode to its rows at all, and the strips together hold no more bytes than
  // the file: so a small file cannot make a large picture, however its strips overlap.
  uint64_t stored = 0;
  for (uint32_t s = 0; s < strips; ++s) {
    const uint64_t need = stripRows(s) * rowBytes;
    const uint64_t bytes = lzw ? counts[s] : need;
    stored += bytes;
    if ((!lzw && !counts.empty() && counts[s] < need) || static_cast<uint64_t>(start) + offsets[s] + bytes > size ||
        static_cast<uint64_t>(start) + stored > size)
      return MakeErrorCode(qecReadFailed, 125);
    if (lzw && MaxLzwOutput(bytes) < need) return MakeErrorCode(qecReadFailed, 129);
  }
  FBytesPerPixel = 4;
  ResizeBuffer(static_cast<int32_t>(width), static_cast<int32_t>(height));
  std::vector<uint8_t> data, codes;
  for (uint32_t s = 0; s < strips; ++s) {
    const uint32_t first = s * rowsPerStrip;
    const uint32_t rows = stripRows(s);
    Stream->SetPosition(start + offsets[s]);
    if (!QzReadBytes(Stream, static_cast<int64_t>(lzw ? counts[s] : rows * rowBytes), lzw ? codes : data))
      return MakeErrorCode(qecReadFailed, 125);
    if (lzw) {
      data.resize(rows * rowBytes);
      if (const uint32_t error = DecodeLzwStrip(codes.data(), codes.size(), data.data(), data.size())) return error;
      if (predictor == predHorizontal) UndoHorizontalDifferencing(data.data(), rows, rowBytes, samples);
    }
    const uint8_t* p = data.data();
    for (uint32_t y = first; y < first + rows; ++y) {
      uint8_t* d = GetPixelPtr(0, static_cast<int32_t>(y));
      for (uint32_t x = 0; x < width; ++x, p += samples, d += 4) {
        if (rgb) {
          d[0] = p[2], d[1] = p[1], d[2] = p[0], d[3] = samples == 4 ? p[3] : 255;
        } else {
          const uint8_t v = photometric == 0 ? static_cast<uint8_t>(255 - p[0]) : p[0];
          d[0] = d[1] = d[2] = v;
          d[3] = samples == 2 ? p[1] : 255;
        }
      }
    }
  }
  return 0;
}

void TQzTIFImage::LoadFromStream(TStream* Stream) {
  Clear();
  FErrorCode = Stream ? ReadImage(Stream) : MakeErrorCode(qecNoStream, 101);
  if (FErrorCode != 0) {
    ResizeBuffer(0, 0);
    throw Exception("TIF Error: " + ErrorCodeToStr(FErrorCode));
  }
}

void TQzTIFImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (GetEmpty()) return;
  QzDrawPixels(FPixels.data(), FRowStride, FBytesPerPixel, FWidth, FHeight, ACanvas, Rect);
}

void TQzTIFImage::Assign(TPersistent* Source) {
  if (auto* tif = dynamic_cast<TQzTIFImage*>(Source)) {
    if (tif == this) return;
    Clear();
    FPixels = tif->FPixels;
    FBytesPerPixel = tif->FBytesPerPixel;
    FRowStride = tif->FRowStride;
    FWidth = tif->FWidth;
    FHeight = tif->FHeight;
    Changed(this);
    return;
  }
  auto* raster = dynamic_cast<TRasterImage*>(Source);
  if (!raster || !(dynamic_cast<TBitmap*>(raster) || dynamic_cast<TPortableNetworkGraphic*>(raster) ||
                   dynamic_cast<TJPEGImage*>(raster))) {
    // What the source's AssignTo cannot write ends in the toolkit's conversion error, never
    // in silence.
    TGraphic::Assign(Source);
    return;
  }
  // Only the pixels change: the resolution and the metadata stay the picture's own.
  ResizeBuffer(raster->GetWidth(), raster->GetHeight());
  if (FWidth != raster->GetWidth() || FHeight != raster->GetHeight()) {
    ResizeBuffer(0, 0);
    return;
  }
  QzCopyFromAnyRaster(raster, FPixels.data(), FRowStride, FBytesPerPixel, FWidth, FHeight);
  Changed(this);
}

void TQzTIFImage::AssignTo(TPersistent* Dest) {
  if (!QzAssignPixelsTo(FPixels.data(), FRowStride, FBytesPerPixel, FWidth, FHeight, Dest))
    TGraphic::AssignTo(Dest);
}

void QzTIFInitialize() {
  TPicture::RegisterFileFormat("TIF;TIFF", "Tagged Image File Format", GraphicClassOf<TQzTIFImage>());
  TPicture::RegisterClipboardFormat(TIFClipboardFormat(), GraphicClassOf<TQzTIFImage>());
}

void QzTIFFinalize() { TPicture::UnregisterGraphicClass(GraphicClassOf<TQzTIFImage>()); }
