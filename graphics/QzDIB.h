// Off-screen 32-bit DIB sections with a drawing context and canvas over them, and the
// pixel-address routines through which pixel code reaches the pixels of any picture class.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/QzPixelAccess.h"
#include "platform/Graphics.h"
#include "platform/Windows.h"

// The address of pixel (X, Y) of Picture, row 0 at the top; no range check.
using TQzPixelAddrProc = uint8_t* (*)(TObject* Picture, int32_t X, int32_t Y);

// The toolkit's raster pictures (Picture must be a TRasterImage of that class): the start of
// scan line Y plus X times 3 or 4 bytes; null for pictures of other depths or a row outside
// the picture. The memory of a raster image stays put only between its BeginUpdate and
// EndUpdate: take and use the address inside such a bracket.
uint8_t* GetBitmapPixelAddr(TObject* Picture, int32_t X, int32_t Y);
uint8_t* GetPNGPixelAddr(TObject* Picture, int32_t X, int32_t Y);
uint8_t* GetJPEGPixelAddr(TObject* Picture, int32_t X, int32_t Y);
// The program's own pictures: their GetPixelPtr (IQzPixelAccess); null for an object that
// does not implement it.
uint8_t* GetTGAPixelAddr(TObject* Picture, int32_t X, int32_t Y);
uint8_t* GetTIFPixelAddr(TObject* Picture, int32_t X, int32_t Y);
uint8_t* GetEPFPixelAddr(TObject* Picture, int32_t X, int32_t Y);
uint8_t* GetQzBitmapPixelAddr(TObject* Picture, int32_t X, int32_t Y);
uint8_t* GetDIBPixelAddr(TObject* Picture, int32_t X, int32_t Y);

// A bottom-up 32-bit DIB section (pixels B, G, R, X) selected into a memory context that its
// canvas draws on, so the same pixels can be drawn with the canvas and addressed directly.
class TQzCustomDIB : public TObject, public IQzPixelAccess {
public:
  TQzCustomDIB();
  TQzCustomDIB(uint16_t W, uint16_t H);
  ~TQzCustomDIB() override;
  std::string ClassName() const override { return "TQzCustomDIB"; }

  // Re-creates the section for a new size (the pixels are not kept). True when a section
  // exists afterwards. A zero side leaves no section and no context (the size is kept); a
  // section the system cannot make leaves none either, and a size of 0 x 0.
  bool SetSize(uint16_t W, uint16_t H);
  TCanvas* GetCanvas() const { return FCanvas.get(); }
  uint16_t GetWidth() const { return FWidth; }
  uint16_t GetHeight() const { return FHeight; }
  uint32_t GetRowStride() const { return FRowStride; }
  uint32_t GetImageSize() const { return FImageSize; }
  uint8_t* GetBits() const { return FBits; }
  HBITMAP GetSection() const { return FSection; }
  HDC GetDC() const { return FDC; }

  uint8_t* GetPixelPtr(int32_t X, int32_t Y) override;
  int32_t GetPixelBits() const override { return FBits ? 32 : 0; }

private:
  void FreeSection();

  std::unique_ptr<TCanvas> FCanvas;
  uint32_t FImageSize = 0;
  uint8_t* FBits = nullptr;
  HBITMAP FSection = nullptr;
  HDC FDC = nullptr;
  uint16_t FWidth = 0;
  uint16_t FHeight = 0;
  uint32_t FRowStride = 0;  // 32 bits: a 16-bit stride would wrap from 16384 pixels on
  uint8_t FBytesPerPixel = 4;
};

class TQzDIB : public TQzCustomDIB {
public:
  using TQzCustomDIB::TQzCustomDIB;
  std::string ClassName() const override { return "TQzDIB"; }
};
