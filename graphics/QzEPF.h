// The "Extended Picture File": a chunked file ("EXPF" header, "EPFD" chunks) holding a pixel
// image and, optionally, an embedded bitmap and an opaque block of raw data.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/QzPixelAccess.h"
#include "platform/Graphics.h"

// Pixel-address routines of the toolkit's raster pictures of 24 or 32 bits per pixel: the
// address of pixel (X, Y), null for other depths or rows outside the picture.
uint8_t* EPFGetJPEGPixelAddr(TGraphic* Graphic, int32_t X, int32_t Y);
uint8_t* EPFGetPNGPixelAddr(TGraphic* Graphic, int32_t X, int32_t Y);
uint8_t* EPFGetBitmapPixelAddr(TGraphic* Graphic, int32_t X, int32_t Y);
using TQzEPFPixelAddrProc = uint8_t* (*)(TGraphic* Graphic, int32_t X, int32_t Y);

class TQzEPFImage : public TGraphic, public IQzPixelAccess {
public:
  static constexpr int HeaderBytes = 21;
  static constexpr uint16_t HeaderSize = 64;
  static constexpr uint8_t Version = 2;
  static constexpr int ChunkHeaderBytes = 10;
  enum : uint8_t { ctPicture = 1, ctRawData = 2, ctPixels = 5, ctEnd = 255 };

  TQzEPFImage();
  ~TQzEPFImage() override;
  std::string ClassName() const override { return "TQzEPFImage"; }

  // From an EPF picture or a toolkit bitmap, PNG or JPEG picture; from another graphic only
  // what that graphic's AssignTo writes (the own picture classes write none: EConvertError).
  void Assign(TPersistent* Source) override;
  // Into any raster image; anything else raises EConvertError.
  void AssignTo(TPersistent* Dest) override;
  // Sends no change notification.
  void Changed(TObject*) override {}
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  bool GetEmpty() const override { return GetWidth() < 1 || GetHeight() < 1; }
  int32_t GetWidth() const override;
  int32_t GetHeight() const override;
  bool GetTransparent() const override { return false; }
  void SetWidth(int32_t Value) override;
  void SetHeight(int32_t Value) override;
  void SetSize(int32_t AWidth, int32_t AHeight) override { ResizeBuffer(AWidth, AHeight); }
  // Empties the raw data, the embedded picture and the pixels.
  void Clear() override;
  // Raise Exception "EPF Error: <code>" on failure.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  static bool IsStreamFormatSupported(TStream* Stream);

  // Sides limited to 0 .. 15000; a new size makes a new zeroed buffer (pixels are not kept).
  bool ResizeBuffer(int32_t W, int32_t H);
  uint8_t GetPixelFormat() const { return FHeader[13]; }
  // A different format makes a new buffer for the current size.
  void SetPixelFormat(uint8_t Format);
  // 8, 16, 24, 32, 48, 64 for formats 0 .. 5; 0 for others.
  uint8_t GetBitsPerPixel() const;
  uint8_t GetBytesPerPixel() const { return FBytesPerPixel; }
  uint32_t GetRowStride() const { return FRowStride; }
  uint32_t GetPixelsSize() const { return static_cast<uint32_t>(FPixels.size()); }
  uint8_t* GetPixelPtr(int32_t X, int32_t Y) override {
    return FPixels.data() + static_cast<ptrdiff_t>(X) * FBytesPerPixel +
           static_cast<ptrdiff_t>(Y) * FRowStride;
  }
  int32_t GetPixelBits() const override { return FPixels.empty() ? 0 : GetBitsPerPixel(); }
  // Every pixel B = G = R (True when empty). Pixels without an alpha byte count as opaque.
  bool IsGrayscale() const;
  bool HasAlpha() const;
  uint32_t GetErrorCode() const { return FErrorCode; }
  const std::array<uint8_t, HeaderBytes>& GetHeader() const { return FHeader; }
  // Storage mode that a save would choose (0, 1, 8 or 9).
  uint8_t ChooseStorageMode() const;

  TBitmap* GetPicture() const { return FPicture.get(); }
  TMemoryStream* GetRawData() const { return FRawData.get(); }

private:
  void SetHeaderSize(uint16_t W, uint16_t H);
  void Fail(uint16_t Category, uint16_t Location);
  void Report(int Step);
  bool DecodePixels(const std::vector<uint8_t>& Payload, uint8_t Mode);

  std::array<uint8_t, HeaderBytes> FHeader{};
  std::unique_ptr<TBitmap> FPicture;
  TQzEPFPixelAddrProc FPixelAddr = nullptr;
  std::unique_ptr<TMemoryStream> FRawData;
  std::vector<uint8_t> FPixels;
  uint8_t FBytesPerPixel = 4;
  uint32_t FRowStride = 0;
  uint32_t FErrorCode = 0;
};

// Registers the class with TPicture ("EPF;EPFF", "Extended Picture File") and its clipboard
// format; the unit's start. QzEPFFinalize unregisters it.
void QzEPFInitialize();
void QzEPFFinalize();
