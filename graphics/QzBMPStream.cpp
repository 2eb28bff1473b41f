#include "graphics/QzBMPStream.h"

#include <cstring>
#include <vector>

#include "core/QzFileClasses.h"
#include "graphics/QzStreamIO.h"

namespace {
// A 64-bit bitmap carries no stored rows but still allocates a buffer; a stream of a few bytes
// must not be able to ask for gigabytes of it.
constexpr uint64_t MaxUnstoredBuffer = 64u << 20;
}  // namespace

uint32_t QzBitmapStoredPixelSize(uint8_t BitCount, uint8_t StorageMode) {
  if (BitCount == 32) return StorageMode == 1 ? 3 : StorageMode == 2 ? 4 : 0;
  if (BitCount == 40) {
    switch (StorageMode) {
      case 1: return 3;
      case 2: return 4;
      case 3: return 4;
      case 5: return 5;
      default: return 0;
    }
  }
  return 0;
}

uint32_t QzWriteBitmapStream(TStream* Stream, TQzBitmapHeader& Header, TQzBitmap& Bitmap) {
  if (!Stream) return MakeErrorCode(qecNoStream, 501);
  const int64_t start = Stream->GetPosition();
  std::memcpy(Header.Magic, "QZBM", 4);
  Header.Version = 1;
  Header.Fixed = 5;
  Header.HeaderSize = QzBitmapStreamHeaderSize;
  switch (Bitmap.GetPixelFormat()) {
    case 1: Header.StorageMode = Bitmap.HasAlpha() ? 2 : 1; break;
    case 2:
      if (Bitmap.HasAlpha())
        Header.StorageMode = Bitmap.HasMask() ? 5 : 2;
      else
        Header.StorageMode = Bitmap.HasMask() ? 3 : 1;
      break;
    default: break;
  }
  const bool hasRows = Bitmap.GetBufferSize() > 0;
  // Without rows only the block is written, and it says so: a reader goes on right after it,
  // where the next record of the stream starts.
  TQzBitmapHeader out = Header;
  if (!hasRows) {
    out.HeaderSize = sizeof(TQzBitmapHeader);
    out.StorageMode = 0;
  }
  if (!QzWriteExact(Stream, &out, sizeof out)) return MakeErrorCode(qecWriteFailed, 502);
  if (!hasRows) return 0;
  if (!QzWriteZeros(Stream, start + Header.HeaderSize - Stream->GetPosition()))
    return MakeErrorCode(qecWriteFailed, 502);
  Header.HeaderFlag = 0;

  const uint32_t stored = QzBitmapStoredPixelSize(Header.BitCount, Header.StorageMode);
  if (stored == 0) return 0;
  const int32_t width = Header.Width, height = Header.Height;
  const uint32_t bpp = Bitmap.GetBytesPerPixel();
  std::vector<uint8_t> row(static_cast<size_t>(width) * stored);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = Bitmap.GetPixelPtr(0, y);
    uint8_t* dst = row.data();
    for (int32_t x = 0; x < width; ++x, src += bpp, dst += stored) {
      std::memcpy(dst, src, stored == 5 || Header.StorageMode != 3 ? stored : 3);
      if (Header.StorageMode == 3) dst[3] = src[4];
    }
    if (!QzWriteExact(Stream, row.data(), static_cast<int64_t>(row.size())))
      return MakeErrorCode(qecWriteFailed, 503);
  }
  return 0;
}

uint32_t QzReadBitmapStream(TStream* Stream, TQzBitmapHeader& Header, TQzBitmap& Bitmap) {
  if (!Stream) return MakeErrorCode(qecNoStream, 601);
  const int64_t start = Stream->GetPosition();
  TQzBitmapHeader in;
  if (!QzReadExact(Stream, &in, sizeof in)) return MakeErrorCode(qecBadSignature, 602);
  if ((std::memcmp(in.Magic, "QZBM", 4) != 0 && std::memcmp(in.Magic, "QBMP", 4) != 0) ||
      in.HeaderSize < sizeof(TQzBitmapHeader))
    return MakeErrorCode(qecBadSignature, 603);
  if (in.Version == 0) return MakeErrorCode(qecBadVersion, 604);
  Stream->SetPosition(start + in.HeaderSize);

  // Everything the header announces is checked before the buffer is made: sides within the
  // bitmap's limit, a storage mode the bit count can hold, and rows the stream really has.
  const uint64_t pixels = static_cast<uint64_t>(in.Width) * in.Height;
  const uint32_t stored = QzBitmapStoredPixelSize(in.BitCount, in.StorageMode);
  if (in.Width > QzMaxBitmapSide || in.Height > QzMaxBitmapSide) return MakeErrorCode(qecUndecodable, 605);
  if (pixels > 0) {
    if ((in.BitCount == 32 || in.BitCount == 40) && stored == 0) return MakeErrorCode(qecUndecodable, 605);
    if (in.BitCount == 64 && pixels * 8 > MaxUnstoredBuffer) return MakeErrorCode(qecUndecodable, 605);
    if (static_cast<uint64_t>(QzStreamRemaining(Stream)) < pixels * stored)
      return MakeErrorCode(qecReadFailed, 607);
  }

  Header = in;
  if (!Bitmap.ResizeBuffer(in.Width, in.Height) ||
      (pixels > 0 && Bitmap.GetBufferSize() == 0 && Bitmap.GetPixelFormat() != 4)) {
    Header.Width = 0;
    Header.Height = 0;
    return MakeErrorCode(qecUndecodable, 606);
  }
  // ResizeBuffer starts from its own idea of the block; the stored one is what the bitmap keeps.
  const uint16_t width = Header.Width, height = Header.Height;
  Header = in;
  Header.Width = width;
  Header.Height = height;
  if (stored == 0 || Bitmap.GetBufferSize() == 0) return 0;

  const uint32_t bpp = Bitmap.GetBytesPerPixel();
  std::vector<uint8_t> row(static_cast<size_t>(width) * stored);
  for (int32_t y = 0; y < height; ++y) {
    if (!QzReadExact(Stream, row.data(), static_cast<int64_t>(row.size()))) {
      Bitmap.ResizeBuffer(0, 0);
      Header.Width = Header.Height = 0;
      return MakeErrorCode(qecReadFailed, 607);
    }
    uint8_t* dst = Bitmap.GetPixelPtr(0, y);
    const uint8_t* src = row.data();
    for (uint32_t x = 0; x < width; ++x, dst += bpp, src += stored) {
      switch (in.StorageMode) {
        case 1:
          std::memcpy(dst, src, 3);
          dst[3] = 255;
          if (bpp == 5) dst[4] = 255;
          break;
        case 2:
          std::memcpy(dst, src, 4);
          if (bpp == 5) dst[4] = 255;
          break;
        case 3:
          std::memcpy(dst, src, 3);
          dst[3] = 255;
          dst[4] = src[3];
          break;
        case 5: std::memcpy(dst, src, 5); break;
        default: break;
      }
    }
  }
  return 0;
}
