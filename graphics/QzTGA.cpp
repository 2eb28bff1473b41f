#include "graphics/QzTGA.h"

#include <cstring>

#include "graphics/QzRasterCopy.h"
#include "graphics/QzStreamIO.h"

namespace {
constexpr uint8_t DescriptorTopLeft = 0x20;
constexpr uint8_t DescriptorRightToLeft = 0x10;
constexpr uint8_t AlphaBits32 = 8;

template <int Bpp>
int ReadRLE(TStream* Stream, uint8_t* Target, int64_t PixelCount) {
  int64_t done = 0;
  while (done < PixelCount) {
    uint8_t packet = 0;
    if (!QzReadValue(Stream, packet)) return tgaErrPixelsShort;
    const int64_t count = (packet & 127) + 1;
    if (count > PixelCount - done) return tgaErrPacketOverrun;
    uint8_t* d = Target + done * Bpp;
    if (packet & 128) {
      uint8_t pixel[Bpp];
      if (!QzReadExact(Stream, pixel, Bpp)) return tgaErrPixelsShort;
      for (int64_t i = 0; i < count; ++i) std::memcpy(d + i * Bpp, pixel, Bpp);
    } else if (!QzReadExact(Stream, d, count * Bpp)) {
      return tgaErrPixelsShort;
    }
    done += count;
  }
  return 0;
}

TClipboardFormat TGAClipboardFormat() {
  static const TClipboardFormat Format = RegisterClipboardFormat("Truevision Targa");
  return Format;
}

// Bytes of the image-ID field and the colour map between the header and the pixels.
int64_t LeadingBytes(const uint8_t* H) {
  int64_t n = H[0];
  if (H[1] == 1) n += static_cast<int64_t>(QzGetU16(H + 5)) * ((H[7] + 7) / 8);
  return n;
}

// Smallest byte count of pixel data for the header: whole pixels for type 2, full 128-pixel
// packets for type 10.
uint64_t MinPixelBytes(const uint8_t* H) {
  const uint64_t pixels = static_cast<uint64_t>(QzGetU16(H + 12)) * QzGetU16(H + 14);
  const uint64_t bpp = H[16] / 8;
  return H[2] == 2 ? pixels * bpp : (pixels + 127) / 128 * (1 + bpp);
}
}  // namespace

int ReadTGARLE24(TStream* Stream, uint8_t* Target, int64_t PixelCount) {
  return ReadRLE<3>(Stream, Target, PixelCount);
}
int ReadTGARLE32(TStream* Stream, uint8_t* Target, int64_t PixelCount) {
  return ReadRLE<4>(Stream, Target, PixelCount);
}

TQzTGAImage::TQzTGAImage() : FExifData(std::make_unique<TQzPictureExifData>()) {
  FHeader[2] = 2;
  FHeader[16] = 32;
  FHeader[17] = DescriptorTopLeft | AlphaBits32;
}

TQzTGAImage::~TQzTGAImage() = default;

int32_t TQzTGAImage::GetWidth() const { return QzGetU16(&FHeader[12]); }
int32_t TQzTGAImage::GetHeight() const { return QzGetU16(&FHeader[14]); }

bool TQzTGAImage::ResizeBuffer(int32_t W, int32_t H) {
  FPixels.clear();
  FPixels.shrink_to_fit();
  FRowStride = 0;
  if (W < 0 || H < 0 || W > QzMaxPictureSide || H > QzMaxPictureSide) W = H = 0;
  QzPutU16(&FHeader[12], static_cast<uint16_t>(W));
  QzPutU16(&FHeader[14], static_cast<uint16_t>(H));
  if (W == 0 || H == 0) return false;
  FRowStride = static_cast<uint32_t>(W) * 4;
  FPixels.assign(static_cast<size_t>(FRowStride) * static_cast<size_t>(H), 0);
  return true;
}

void TQzTGAImage::SetWidth(int32_t Value) {
  if (Value != GetWidth()) ResizeBuffer(Value, GetHeight());
}

void TQzTGAImage::SetHeight(int32_t Value) {
  if (Value != GetHeight()) ResizeBuffer(GetWidth(), Value);
}

void TQzTGAImage::Clear() {
  ResizeBuffer(0, 0);
  FExifData->Clear();
  FErrorCode = 0;
}

void TQzTGAImage::SaveToStream(TStream* Stream) {
  FErrorCode = 0;
  if (!Stream) {
    FErrorCode = tgaErrNoStream;
    return;
  }
  const uint16_t w = static_cast<uint16_t>(GetWidth()), h = static_cast<uint16_t>(GetHeight());
  FHeader.fill(0);
  FHeader[2] = 2;
  QzPutU16(&FHeader[12], w);
  QzPutU16(&FHeader[14], h);
  FHeader[16] = 32;
  // Top-left origin, and the fourth byte of every pixel is alpha.
  FHeader[17] = DescriptorTopLeft | AlphaBits32;
  if (!QzWriteExact(Stream, FHeader.data(), HeaderBytes)) {
    FErrorCode = tgaErrHeaderWrite;
    return;
  }
  if (w > 0 && h > 0 && !FPixels.empty() &&
      !QzWriteExact(Stream, FPixels.data(), static_cast<int64_t>(FPixels.size())))
    FErrorCode = tgaErrPixelsWrite;
}

bool TQzTGAImage::IsStreamFormatSupported(TStream* Stream) {
  if (!Stream) return false;
  const int64_t pos = Stream->GetPosition();
  uint8_t h[HeaderBytes];
  const bool read = QzReadExact(Stream, h, HeaderBytes);
  const int64_t remaining = QzStreamRemaining(Stream);
  Stream->SetPosition(pos);
  if (!read) return false;
  const uint16_t w = QzGetU16(h + 12), ht = QzGetU16(h + 14);
  return h[1] <= 1 && (h[2] == 2 || h[2] == 10) && (h[16] == 24 || h[16] == 32) && (h[17] & 0xC0) == 0 &&
         w >= 1 && ht >= 1 && w <= QzMaxPictureSide && ht <= QzMaxPictureSide &&
         static_cast<uint64_t>(remaining) >= static_cast<uint64_t>(LeadingBytes(h)) + MinPixelBytes(h);
}

void TQzTGAImage::LoadFromStream(TStream* Stream) {
  Clear();
  if (!Stream) {
    FErrorCode = tgaErrNoStream;
    return;
  }
  std::array<uint8_t, HeaderBytes> h{};
  if (!QzReadExact(Stream, h.data(), HeaderBytes)) {
    FErrorCode = tgaErrHeaderShort;
    return;
  }
  const uint16_t w = QzGetU16(&h[12]), ht = QzGetU16(&h[14]);
  const uint8_t type = h[2], depth = h[16];
  if (w == 0 || ht == 0)
    FErrorCode = tgaErrZeroSize;
  else if (type == 0)
    FErrorCode = tgaErrNoImage;
  else if (depth != 24 && depth != 32)
    FErrorCode = tgaErrDepth;
  else if (w > QzMaxPictureSide || ht > QzMaxPictureSide)
    FErrorCode = tgaErrTooLarge;
  if (FErrorCode != 0) return;

  // Types other than true colour, plain or run-length coded, are not decoded: no pixels are
  // made up for them. The metadata may still follow the header.
  if ((type != 2 && type != 10) || h[1] > 1) {
    FErrorCode = tgaErrUnsupportedType;
  } else {
    Stream->Seek(LeadingBytes(h.data()), soCurrent);
    if (static_cast<uint64_t>(QzStreamRemaining(Stream)) < MinPixelBytes(h.data())) {
      FErrorCode = tgaErrPixelsShort;
      return;
    }
    FHeader = h;
    ResizeBuffer(w, ht);
    ReadPixels(Stream);
    if (FErrorCode != 0) return;
  }
  FExifData->LoadFromStream(Stream);
}

void TQzTGAImage::ReadPixels(TStream* Stream) {
  const int32_t w = GetWidth(), h = GetHeight();
  const int bpp = FHeader[16] / 8;
  const int64_t count = static_cast<int64_t>(w) * h;
  std::vector<uint8_t> data;
  if (FHeader[2] == 2) {
    if (!QzReadBytes(Stream, count * bpp, data)) FErrorCode = tgaErrPixelsShort;
  } else {
    data.resize(static_cast<size_t>(count * bpp));
    const int r = bpp == 3 ? ReadTGARLE24(Stream, data.data(), count) : ReadTGARLE32(Stream, data.data(), count);
    if (r != 0) FErrorCode = static_cast<uint32_t>(r);
  }
  if (data.size() != static_cast<size_t>(count * bpp)) return;
  // Rows come bottom first unless the descriptor says top-left; columns right to left when
  // its right-to-left bit is set. The buffer is always top row first, left to right.
  const bool bottomUp = (FHeader[17] & DescriptorTopLeft) == 0;
  const bool rightToLeft = (FHeader[17] & DescriptorRightToLeft) != 0;
  const uint8_t* s = data.data();
  for (int32_t row = 0; row < h; ++row) {
    const int32_t y = bottomUp ? h - 1 - row : row;
    for (int32_t col = 0; col < w; ++col, s += bpp) {
      uint8_t* d = GetPixelPtr(rightToLeft ? w - 1 - col : col, y);
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      d[3] = bpp == 4 ? s[3] : 255;
    }
  }
  // What the buffer now holds: 32-bit pixels, top-left origin.
  FHeader[16] = 32;
  FHeader[17] = DescriptorTopLeft | AlphaBits32;
}

void TQzTGAImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (GetEmpty()) return;
  QzDrawPixels(FPixels.data(), FRowStride, 4, GetWidth(), GetHeight(), ACanvas, Rect);
}

void TQzTGAImage::Assign(TPersistent* Source) {
  if (auto* tga = dynamic_cast<TQzTGAImage*>(Source)) {
    if (tga == this) return;
    Clear();
    FHeader = tga->FHeader;
    ResizeBuffer(tga->GetWidth(), tga->GetHeight());
    FPixels = tga->FPixels;
    return;
  }
  auto* raster = dynamic_cast<TRasterImage*>(Source);
  if (!raster) {
    TGraphic::Assign(Source);
    return;
  }
  // Only the pixels change: the metadata stays the picture's own.
  FErrorCode = 0;
  if (!ResizeBuffer(raster->GetWidth(), raster->GetHeight())) {
    if (raster->GetWidth() > QzMaxPictureSide || raster->GetHeight() > QzMaxPictureSide)
      FErrorCode = tgaErrTooLarge;
    return;
  }
  // Every pixel gets a defined alpha: the source's where it carries one, opaque otherwise.
  QzCopyFromAnyRaster(raster, FPixels.data(), FRowStride, 4, GetWidth(), GetHeight());
}

void TQzTGAImage::AssignTo(TPersistent* Dest) {
  if (!QzAssignPixelsTo(FPixels.data(), FRowStride, 4, GetWidth(), GetHeight(), Dest))
    TGraphic::AssignTo(Dest);
}

void QzTGAInitialize() {
  TPicture::RegisterFileFormat("TGA", "Truevision Advanced Raster Graphics Array", GraphicClassOf<TQzTGAImage>());
  TPicture::RegisterFileFormat("TPIC", "Truevision Picture", GraphicClassOf<TQzTGAImage>());
  TPicture::RegisterClipboardFormat(TGAClipboardFormat(), GraphicClassOf<TQzTGAImage>());
}

void QzTGAFinalize() { TPicture::UnregisterGraphicClass(GraphicClassOf<TQzTGAImage>()); }
