#include "graphics/QzRasterCopy.h"

#include <cstring>

int32_t QzRasterBytesPerPixel(const TRasterImage* Image) {
  switch (Image->GetRawImage().Description.BitsPerPixel) {
    case 24: return 3;
    case 32: return 4;
    default: return 0;
  }
}

bool QzCopyFromRaster(TRasterImage* Image, uint8_t* Dst, int64_t DstStride, int32_t DstBpp,
                      int32_t Width, int32_t Height) {
  if (!Image || Image->GetWidth() != Width || Image->GetHeight() != Height) return false;
  const int32_t bpp = QzRasterBytesPerPixel(Image);
  if (bpp == 0 || DstBpp < 3) return false;
  const bool alpha = bpp == 4 && Image->GetHasAlpha();
  Image->BeginUpdate(false);
  for (int32_t y = 0; y < Height; ++y) {
    const uint8_t* s = Image->GetScanLine(y);
    uint8_t* d = Dst + y * DstStride;
    if (!s) continue;
    for (int32_t x = 0; x < Width; ++x, s += bpp, d += DstBpp) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
      if (DstBpp >= 4) d[3] = alpha ? s[3] : 255;
    }
  }
  Image->EndUpdate(false);
  return true;
}

bool QzCopyFromAnyRaster(TRasterImage* Image, uint8_t* Dst, int64_t DstStride, int32_t DstBpp,
                         int32_t Width, int32_t Height) {
  if (!Image || QzRasterBytesPerPixel(Image) != 0)
    return QzCopyFromRaster(Image, Dst, DstStride, DstBpp, Width, Height);
  TBitmap temp;
  temp.Assign(Image);
  temp.SetPixelFormat(pf32bit);
  return QzCopyFromRaster(&temp, Dst, DstStride, DstBpp, Width, Height);
}

void QzCopyToRaster(const uint8_t* Src, int64_t SrcStride, int32_t SrcBpp, int32_t Width,
                    int32_t Height, TRasterImage* Image) {
  if (QzRasterBytesPerPixel(Image) == 0) Image->SetPixelFormat(pf32bit);
  Image->SetSize(Width, Height);
  const int32_t bpp = QzRasterBytesPerPixel(Image);
  if (bpp == 0 || !Src || SrcBpp < 3) return;
  Image->BeginUpdate(false);
  for (int32_t y = 0; y < Height; ++y) {
    uint8_t* d = Image->GetScanLine(y);
    const uint8_t* s = Src + y * SrcStride;
    if (!d) continue;
    for (int32_t x = 0; x < Width; ++x, s += SrcBpp, d += bpp) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
  }
  Image->EndUpdate(false);
}

bool QzIsClassNamed(const TObject* Object, const char* Name) {
  if (!Object) return false;
  const std::string name = Object->ClassName();
  return !name.empty() && std::strstr(Name, name.c_str()) != nullptr;
}

void QzDrawPixels(const uint8_t* Src, int64_t SrcStride, int32_t SrcBpp, int32_t Width,
                  int32_t Height, TCanvas* Canvas, const TRect& Rect) {
  if (!Canvas || Width < 1 || Height < 1) return;
  TBitmap temp;
  temp.SetPixelFormat(pf24bit);
  QzCopyToRaster(Src, SrcStride, SrcBpp, Width, Height, &temp);
  Canvas->StretchDraw(Rect, &temp);
}

bool QzAssignPixelsTo(const uint8_t* Src, int64_t SrcStride, int32_t SrcBpp, int32_t Width,
                      int32_t Height, TPersistent* Dest) {
  auto* raster = dynamic_cast<TRasterImage*>(Dest);
  if (!raster) return false;
  if (dynamic_cast<TBitmap*>(Dest) || dynamic_cast<TJPEGImage*>(Dest) ||
      dynamic_cast<TPortableNetworkGraphic*>(Dest)) {
    QzCopyToRaster(Src, SrcStride, SrcBpp, Width, Height, raster);
    return true;
  }
  // Another raster class takes a toolkit bitmap through its own Assign, which never comes
  // back here.
  TBitmap temp;
  temp.SetPixelFormat(pf32bit);
  QzCopyToRaster(Src, SrcStride, SrcBpp, Width, Height, &temp);
  raster->Assign(&temp);
  return true;
}
