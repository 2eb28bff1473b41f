#include "graphics/QzEPF.h"

#include <algorithm>
#include <cstring>

#include "core/QzFileClasses.h"
#include "graphics/QzDIB.h"
#include "graphics/QzRasterCopy.h"
#include "graphics/QzStreamIO.h"

namespace {
constexpr uint8_t Magic[4] = {'E', 'X', 'P', 'F'};
constexpr uint8_t ChunkMagic[4] = {'E', 'P', 'F', 'D'};

uint8_t* RasterAddr(TGraphic* Graphic, int32_t X, int32_t Y) {
  auto* image = dynamic_cast<TRasterImage*>(Graphic);
  return image ? GetBitmapPixelAddr(image, X, Y) : nullptr;
}

uint8_t BytesPerPixelOf(uint8_t Format) {
  static constexpr uint8_t Table[6] = {1, 2, 3, 4, 6, 8};
  return Format < 6 ? Table[Format] : 0;
}

// Stored bytes per pixel of the pixel chunk for a storage mode and the image's pixel size.
uint32_t StoredBytes(uint8_t Mode, uint8_t Bpp) {
  switch (Mode) {
    case 1: return 3;
    case 8: return 1;
    case 9: return 2;
    default: return Bpp;
  }
}

TClipboardFormat EPFClipboardFormat() {
  static const TClipboardFormat Format = RegisterClipboardFormat("Extended Picture File");
  return Format;
}
}  // namespace

uint8_t* EPFGetJPEGPixelAddr(TGraphic* Graphic, int32_t X, int32_t Y) { return RasterAddr(Graphic, X, Y); }
uint8_t* EPFGetPNGPixelAddr(TGraphic* Graphic, int32_t X, int32_t Y) { return RasterAddr(Graphic, X, Y); }
uint8_t* EPFGetBitmapPixelAddr(TGraphic* Graphic, int32_t X, int32_t Y) { return RasterAddr(Graphic, X, Y); }

TQzEPFImage::TQzEPFImage()
    : FPicture(std::make_unique<TBitmap>()), FRawData(std::make_unique<TMemoryStream>()) {
  std::memcpy(FHeader.data(), Magic, 4);
  FHeader[4] = Version;
  FHeader[5] = 5;
  QzPutU16(&FHeader[6], HeaderSize);
  FHeader[13] = 3;
}

TQzEPFImage::~TQzEPFImage() = default;

int32_t TQzEPFImage::GetWidth() const { return QzGetU16(&FHeader[9]); }
int32_t TQzEPFImage::GetHeight() const { return QzGetU16(&FHeader[11]); }

void TQzEPFImage::SetHeaderSize(uint16_t W, uint16_t H) {
  QzPutU16(&FHeader[9], W);
  QzPutU16(&FHeader[11], H);
}

uint8_t TQzEPFImage::GetBitsPerPixel() const { return static_cast<uint8_t>(BytesPerPixelOf(GetPixelFormat()) * 8); }

bool TQzEPFImage::ResizeBuffer(int32_t W, int32_t H) {
  W = std::clamp(W, 0, QzMaxPictureSide);
  H = std::clamp(H, 0, QzMaxPictureSide);
  const uint8_t bpp = BytesPerPixelOf(GetPixelFormat());
  const size_t needed = static_cast<size_t>(W) * static_cast<size_t>(H) * bpp;
  if (W == GetWidth() && H == GetHeight() && FPixels.size() == needed) return true;
  FPixels.clear();
  FPixels.shrink_to_fit();
  SetHeaderSize(static_cast<uint16_t>(W), static_cast<uint16_t>(H));
  FBytesPerPixel = bpp;
  FRowStride = static_cast<uint32_t>(W) * bpp;
  FPixels.assign(needed, 0);
  return true;
}

void TQzEPFImage::SetWidth(int32_t Value) {
  if (Value == GetWidth()) return;
  ResizeBuffer(Value, GetHeight());
  Changed(this);
}

void TQzEPFImage::SetHeight(int32_t Value) {
  if (Value == GetHeight()) return;
  ResizeBuffer(GetWidth(), Value);
  Changed(this);
}

void TQzEPFImage::SetPixelFormat(uint8_t Format) {
  if (Format == GetPixelFormat()) return;
  FHeader[13] = Format;
  const int32_t w = GetWidth(), h = GetHeight();
  SetHeaderSize(0, 0);
  FPixels.clear();
  ResizeBuffer(w, h);
}

void TQzEPFImage::Clear() {
  FRawData->Clear();
  FPicture = std::make_unique<TBitmap>();
  ResizeBuffer(0, 0);
}

bool TQzEPFImage::IsGrayscale() const {
  if (FBytesPerPixel < 3) return true;
  for (size_t i = 0; i + FBytesPerPixel <= FPixels.size(); i += FBytesPerPixel)
    if (FPixels[i] != FPixels[i + 1] || FPixels[i] != FPixels[i + 2]) return false;
  return true;
}

bool TQzEPFImage::HasAlpha() const {
  if (FBytesPerPixel != 4) return false;
  for (size_t i = 3; i < FPixels.size(); i += 4)
    if (FPixels[i] < 255) return true;
  return false;
}

uint8_t TQzEPFImage::ChooseStorageMode() const {
  // The coded modes know pixels of B, G, R and an optional alpha byte; other layouts are
  // stored as they are.
  if (FBytesPerPixel != 3 && FBytesPerPixel != 4) return 0;
  const bool grey = IsGrayscale(), alpha = HasAlpha();
  if (grey) return alpha ? 9 : 8;
  return alpha ? 0 : 1;
}

void TQzEPFImage::Fail(uint16_t Category, uint16_t Location) {
  if (FErrorCode == 0) FErrorCode = MakeErrorCode(Category, Location);
}

void TQzEPFImage::Report(int Step) {
  if (OnProgress)
    Progress(this, psRunning, static_cast<uint8_t>(Round(Step * 100.0 / 5)), false, TRect{}, "");
}

bool TQzEPFImage::IsStreamFormatSupported(TStream* Stream) {
  return QzStreamStartsWith(Stream, Magic, 4);
}

namespace {
// Chunk framing: a zeroed head is reserved, the payload written, the head filled in.
bool WriteChunk(TStream* Stream, uint8_t Type, uint8_t SubType, const uint8_t* Data, int64_t Size) {
  uint8_t head[TQzEPFImage::ChunkHeaderBytes];
  std::memcpy(head, ChunkMagic, 4);
  head[4] = Type;
  head[5] = SubType;
  QzPutU32(head + 6, static_cast<uint32_t>(Size));
  return QzWriteExact(Stream, head, sizeof head) && QzWriteExact(Stream, Data, Size);
}
}  // namespace

void TQzEPFImage::SaveToStream(TStream* Stream) {
  FErrorCode = 0;
  if (!Stream) {
    Fail(qecNoStream, 300);
  } else {
    std::memcpy(FHeader.data(), Magic, 4);
    FHeader[4] = Version;
    FHeader[5] = 5;
    QzPutU16(&FHeader[6], HeaderSize);
    const uint8_t mode = ChooseStorageMode();
    FHeader[14] = mode;
    if (!QzWriteExact(Stream, FHeader.data(), HeaderBytes) || !QzWriteZeros(Stream, HeaderSize - HeaderBytes)) {
      Fail(qecWriteFailed, 301);
    } else {
      Report(1);
      if (!FPicture->GetEmpty()) {
        TMemoryStream picture;
        try {
          FPicture->SaveToStream(&picture);
        } catch (const std::exception&) {
          Fail(qecWriteFailed, 302);
        }
        if (FErrorCode == 0 &&
            !WriteChunk(Stream, ctPicture, 0, picture.Memory(), picture.GetSize()))
          Fail(qecWriteFailed, 302);
      }
      Report(2);
      if (FErrorCode == 0 && FRawData->GetSize() > 0 &&
          !WriteChunk(Stream, ctRawData, 0, FRawData->Memory(), FRawData->GetSize()))
        Fail(qecWriteFailed, 302);
      Report(3);
      if (FErrorCode == 0) {
        const uint32_t stored = StoredBytes(mode, FBytesPerPixel);
        const size_t count = FBytesPerPixel ? FPixels.size() / FBytesPerPixel : 0;
        std::vector<uint8_t> payload;
        if (mode == 0) {
          payload = FPixels;
        } else {
          payload.resize(count * stored);
          for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = &FPixels[i * FBytesPerPixel];
            uint8_t* d = &payload[i * stored];
            if (mode == 1) {
              d[0] = p[0], d[1] = p[1], d[2] = p[2];
            } else {
              d[0] = p[2];
              if (mode == 9) d[1] = p[3];
            }
          }
        }
        if (!WriteChunk(Stream, ctPixels, mode, payload.data(), static_cast<int64_t>(payload.size())))
          Fail(qecWriteFailed, 302);
      }
      Report(4);
      if (FErrorCode == 0 && !WriteChunk(Stream, ctEnd, 0, nullptr, 0)) Fail(qecWriteFailed, 302);
      Report(5);
    }
  }
  if (FErrorCode != 0) throw Exception("EPF Error: " + ErrorCodeToStr(FErrorCode));
}

bool TQzEPFImage::DecodePixels(const std::vector<uint8_t>& Payload, uint8_t Mode) {
  const uint32_t stored = StoredBytes(Mode, FBytesPerPixel);
  const size_t count = FPixels.size() / FBytesPerPixel;
  if (Mode != 1 && Mode != 8 && Mode != 9) {
    // Stored as the buffer holds it: the buffer's bytes from the payload's start. A payload
    // too short for them is no picture of this size.
    if (Payload.size() < FPixels.size()) return false;
    std::copy_n(Payload.begin(), FPixels.size(), FPixels.begin());
    return true;
  }
  if (Payload.size() < count * stored) return false;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* s = &Payload[i * stored];
    uint8_t* d = &FPixels[i * FBytesPerPixel];
    if (Mode == 1) {
      d[0] = s[0], d[1] = s[1], d[2] = s[2];
    } else {
      d[0] = d[1] = d[2] = s[0];
    }
    if (FBytesPerPixel == 4) d[3] = Mode == 9 ? s[1] : 255;
  }
  return true;
}

void TQzEPFImage::LoadFromStream(TStream* Stream) {
  // Nothing of an earlier picture survives into this one: raw data and embedded picture go too.
  Clear();
  FErrorCode = 0;
  if (!Stream) {
    Fail(qecNoStream, 500);
    throw Exception("EPF Error: " + ErrorCodeToStr(FErrorCode));
  }
  const int64_t start = Stream->GetPosition();
  std::array<uint8_t, HeaderBytes> head{};
  if (!QzReadExact(Stream, head.data(), HeaderBytes)) {
    Fail(qecBadSignature, 501);
  } else if (std::memcmp(head.data(), Magic, 4) != 0 || QzGetU16(&head[6]) < HeaderBytes) {
    Fail(qecBadSignature, 502);
  } else if (head[4] != Version) {
    Fail(qecBadVersion, 503);
  }
  const uint16_t w = QzGetU16(&head[9]), h = QzGetU16(&head[11]);
  const uint8_t format = head[13], mode = head[14];
  const uint8_t bpp = BytesPerPixelOf(format);
  if (FErrorCode == 0) Stream->SetPosition(start + QzGetU16(&head[6]));
  if (FErrorCode == 0 && w > 0 && h > 0) {
    // The buffer is made for the file's own size and pixel format, and only once the stream
    // is known to hold a pixel payload of that size.
    const bool coded = mode == 1 || mode == 8 || mode == 9;
    if (w > QzMaxPictureSide || h > QzMaxPictureSide || bpp == 0 || (coded && bpp != 3 && bpp != 4))
      Fail(qecUnsupported, 506);
    else if (static_cast<uint64_t>(QzStreamRemaining(Stream)) <
             static_cast<uint64_t>(w) * h * StoredBytes(mode, bpp))
      Fail(qecReadFailed, 508);
  }
  if (FErrorCode != 0) throw Exception("EPF Error: " + ErrorCodeToStr(FErrorCode));

  FHeader = head;
  SetHeaderSize(0, 0);
  FPixels.clear();
  ResizeBuffer(w, h);
  if (w > 0 && h > 0) {
    std::vector<uint8_t> payload;
    for (;;) {
      const int64_t chunk = Stream->GetPosition();
      uint8_t ch[ChunkHeaderBytes];
      if (!QzReadExact(Stream, ch, sizeof ch)) {
        Fail(qecReadFailed, 504);
        break;
      }
      if (std::memcmp(ch, ChunkMagic, 4) != 0) {
        Fail(qecBadSignature, 505);
        break;
      }
      const uint8_t type = ch[4], sub = ch[5];
      const uint32_t length = QzGetU32(ch + 6);
      const bool wanted = length > 0 && ((type == ctPicture && sub != 1) || type == ctRawData || type == ctPixels);
      if (wanted && !QzReadBytes(Stream, length, payload)) {
        Fail(qecReadFailed, 507);
        break;
      }
      if (wanted && type == ctPicture) {
        TMemoryStream m;
        m.WriteBuffer(payload.data(), static_cast<int32_t>(payload.size()));
        m.SetPosition(0);
        try {
          FPicture->LoadFromStream(&m);
        } catch (const std::exception&) {
          FPicture = std::make_unique<TBitmap>();
        }
      } else if (wanted && type == ctRawData) {
        FRawData->Clear();
        FRawData->WriteBuffer(payload.data(), static_cast<int32_t>(payload.size()));
        FRawData->SetPosition(0);
      } else if (wanted && type == ctPixels) {
        if (!DecodePixels(payload, mode)) {
          Fail(qecReadFailed, 508);
          break;
        }
      }
      Stream->SetPosition(chunk + ChunkHeaderBytes + static_cast<int64_t>(length));
      if (type == ctEnd) break;
    }
  }
  if (FErrorCode != 0) throw Exception("EPF Error: " + ErrorCodeToStr(FErrorCode));
}

void TQzEPFImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
  if (GetEmpty()) return;
  QzDrawPixels(FPixels.data(), FRowStride, FBytesPerPixel, GetWidth(), GetHeight(), ACanvas, Rect);
}

void TQzEPFImage::Assign(TPersistent* Source) {
  if (auto* epf = dynamic_cast<TQzEPFImage*>(Source); epf || QzIsClassNamed(Source, "TQzEPFImage")) {
    if (!epf || epf == this) return;
    Clear();
    FErrorCode = 0;
    FHeader[13] = epf->GetPixelFormat();
    if (epf->GetWidth() > 0 && epf->GetHeight() > 0) {
      ResizeBuffer(epf->GetWidth(), epf->GetHeight());
      if (FPixels.size() == epf->FPixels.size()) FPixels = epf->FPixels;
    }
    FRawData->WriteBuffer(epf->FRawData->Memory(), static_cast<int32_t>(epf->FRawData->GetSize()));
    FRawData->SetPosition(0);
    Changed(this);
    return;
  }
  auto* raster = dynamic_cast<TRasterImage*>(Source);
  if (!raster) {
    TGraphic::Assign(Source);
    return;
  }
  Clear();
  FPixelAddr = nullptr;
  const int32_t depth = raster->GetRawImage().Description.BitsPerPixel;
  if (dynamic_cast<TPortableNetworkGraphic*>(raster) || QzIsClassNamed(raster, "TPortableNetworkGraphic")) {
    if (depth == 24 || depth == 32) FPixelAddr = EPFGetPNGPixelAddr;
  } else if (dynamic_cast<TJPEGImage*>(raster) || QzIsClassNamed(raster, "TJPEGImage")) {
    FPixelAddr = EPFGetJPEGPixelAddr;
  } else if (dynamic_cast<TBitmap*>(raster) || QzIsClassNamed(raster, "TBitmap")) {
    FPixelAddr = EPFGetBitmapPixelAddr;
  }
  if (!FPixelAddr) throw Exception("UNKNWON PICTURE TYPE");
  SetPixelFormat(3);
  ResizeBuffer(raster->GetWidth(), raster->GetHeight());
  if (GetWidth() != raster->GetWidth() || GetHeight() != raster->GetHeight()) {
    ResizeBuffer(0, 0);
    FErrorCode = MakeErrorCode(qecInvalidArgument, 300);
    throw Exception(ErrorCodeToStr(FErrorCode));
  }
  QzCopyFromRaster(raster, FPixels.data(), FRowStride, FBytesPerPixel, GetWidth(), GetHeight());
}

void TQzEPFImage::AssignTo(TPersistent* Dest) {
  if (!QzAssignPixelsTo(FPixels.data(), FRowStride, FBytesPerPixel, GetWidth(), GetHeight(), Dest))
    TGraphic::AssignTo(Dest);
}

void QzEPFInitialize() {
  TPicture::RegisterFileFormat("EPF;EPFF", "Extended Picture File", GraphicClassOf<TQzEPFImage>());
  TPicture::RegisterClipboardFormat(EPFClipboardFormat(), GraphicClassOf<TQzEPFImage>());
}

void QzEPFFinalize() { TPicture::UnregisterGraphicClass(GraphicClassOf<TQzEPFImage>()); }
