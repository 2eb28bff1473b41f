#include "graphics/QzDIB.h"

namespace {
uint8_t* RasterPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  const auto* image = static_cast<const TRasterImage*>(Picture);
  uint8_t* line = image->GetScanLine(Y);
  if (!line) return nullptr;
  switch (image->GetRawImage().Description.BitsPerPixel) {
    case 24: return line + static_cast<ptrdiff_t>(X) * 3;
    case 32: return line + static_cast<ptrdiff_t>(X) * 4;
    default: return nullptr;
  }
}

uint8_t* OwnPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  auto* access = dynamic_cast<IQzPixelAccess*>(Picture);
  return access ? access->GetPixelPtr(X, Y) : nullptr;
}
}  // namespace

uint8_t* GetBitmapPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  return RasterPixelAddr(Picture, X, Y);
}
uint8_t* GetPNGPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  return RasterPixelAddr(Picture, X, Y);
}
uint8_t* GetJPEGPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  return RasterPixelAddr(Picture, X, Y);
}
uint8_t* GetTGAPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  return OwnPixelAddr(Picture, X, Y);
}
uint8_t* GetTIFPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  return OwnPixelAddr(Picture, X, Y);
}
uint8_t* GetEPFPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  return OwnPixelAddr(Picture, X, Y);
}
uint8_t* GetQzBitmapPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  return OwnPixelAddr(Picture, X, Y);
}
uint8_t* GetDIBPixelAddr(TObject* Picture, int32_t X, int32_t Y) {
  return OwnPixelAddr(Picture, X, Y);
}

// --- TQzCustomDIB ------------------------------------------------------------------------------

TQzCustomDIB::TQzCustomDIB() : FCanvas(std::make_unique<TCanvas>()) {}

TQzCustomDIB::TQzCustomDIB(uint16_t W, uint16_t H) : TQzCustomDIB() { SetSize(W, H); }

TQzCustomDIB::~TQzCustomDIB() { FreeSection(); }

// The context lets go of the section before the section is deleted, so that nothing stays
// selected (and alive) behind a handle that is gone.
void TQzCustomDIB::FreeSection() {
  FCanvas->SetHandle(nullptr);
  if (FDC) DeleteDC(FDC);
  FDC = nullptr;
  if (FSection) DeleteObject(FSection);
  FSection = nullptr;
  FBits = nullptr;
  FImageSize = 0;
  FRowStride = 0;
}

bool TQzCustomDIB::SetSize(uint16_t W, uint16_t H) {
  if (W == FWidth && H == FHeight) return FSection != nullptr;
  FreeSection();
  // A zero side is a size like any other, only without pixels; a section the system cannot
  // make leaves 0 x 0, so that asking for that size again tries again.
  FWidth = W;
  FHeight = H;
  if (W == 0 || H == 0) return false;
  FWidth = 0;
  FHeight = 0;

  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = W;
  info.bmiHeader.biHeight = H;  // positive: bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section || !bits) {
    if (section) DeleteObject(section);
    return false;
  }
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    DeleteObject(section);
    return false;
  }
  SelectObject(dc, section);
  FSection = section;
  FBits = static_cast<uint8_t*>(bits);
  FDC = dc;
  FWidth = W;
  FHeight = H;
  FBytesPerPixel = 4;
  FRowStride = static_cast<uint32_t>(W) * FBytesPerPixel;
  FImageSize = static_cast<uint32_t>(H) * FRowStride;
  FCanvas->SetHandle(dc);
  return true;
}

uint8_t* TQzCustomDIB::GetPixelPtr(int32_t X, int32_t Y) {
  if (!FBits) return nullptr;
  const int64_t offset = static_cast<int64_t>(FImageSize) -
                         (static_cast<int64_t>(FRowStride) * Y + (static_cast<int64_t>(FWidth) - X) * 4);
  return FBits + offset;
}
