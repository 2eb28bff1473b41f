// TIFF pictures: writes little-endian files of one uncompressed strip of 8-bit RGBA pixels with
// the resolution as XResolution and YResolution; reads little-endian, chunky 8-bit files of RGB,
// RGBA, grey or grey-with-alpha samples in any number of strips, uncompressed or LZW-compressed
// (with or without horizontal differencing).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/QzPicExifData.h"
#include "graphics/QzPixelAccess.h"
#include "platform/Graphics.h"

class TQzTIFImage : public TGraphic, public IQzPixelAccess {
public:
  // Where the writer puts its out-of-line values and the strip, from the start of the file.
  static constexpr uint32_t BitsPerSampleOffset = 314;
  static constexpr uint32_t XResolutionOffset = 406;
  static constexpr uint32_t YResolutionOffset = 426;
  static constexpr uint32_t StripOffset = 555;

  TQzTIFImage();
  ~TQzTIFImage() override;
  std::string ClassName() const override { return "TQzTIFImage"; }

  // From a TIFF picture (pixels only; resolution and metadata start anew) or a toolkit bitmap,
  // PNG or JPEG picture (size and pixels only: resolution and metadata stay); from another
  // graphic only what its AssignTo writes.
  void Assign(TPersistent* Source) override;
  // Into any raster image; anything else raises EConvertError.
  void AssignTo(TPersistent* Dest) override;
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  bool GetEmpty() const override { return FWidth < 1 || FHeight < 1 || FPixels.empty(); }
  int32_t GetWidth() const override { return FWidth; }
  int32_t GetHeight() const override { return FHeight; }
  bool GetTransparent() const override { return false; }
  void SetWidth(int32_t Value) override;
  void SetHeight(int32_t Value) override;
  void SetSize(int32_t AWidth, int32_t AHeight) override { ResizeBuffer(AWidth, AHeight); }
  // Empty, the metadata cleared, BytesPerPixel 4, Resolution 300.
  void Clear() override;
  // Raise Exception ("TIF Error: <code>" on reading, "<code>" on writing) on failure. Reading:
  // (1605, 120) compression other than none and LZW, (1605, 121) old-style LZW (codes packed
  // least-significant bit first), (1605, 127) a predictor other than none and horizontal
  // differencing with LZW, (1501, 128) LZW codes beyond the table, overflowing it or decoding to
  // more bytes than the strip's rows, (1002, 129) LZW codes ending before the strip's rows do.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  static bool IsStreamFormatSupported(TStream* Stream);

  // A new buffer of transparent black pixels for W x H (each side limited to 0 .. 15000).
  bool ResizeBuffer(int32_t W, int32_t H);
  uint16_t GetResolution() const { return FResolution; }
  void SetResolution(uint16_t Value) { FResolution = Value; }
  uint8_t GetBitsPerPixel() const { return static_cast<uint8_t>(FBytesPerPixel * 8); }
  uint8_t* GetPixelPtr(int32_t X, int32_t Y) override {
    return FPixels.data() + static_cast<ptrdiff_t>(X) * FBytesPerPixel + static_cast<ptrdiff_t>(Y) * FRowStride;
  }
  int32_t GetPixelBits() const override { return FPixels.empty() ? 0 : GetBitsPerPixel(); }
  uint32_t GetErrorCode() const { return FErrorCode; }
  TQzPictureExifData* GetExifData() const { return FExifData.get(); }

private:
  uint32_t ReadImage(TStream* Stream);

  std::vector<uint8_t> FPixels;
  std::unique_ptr<TQzPictureExifData> FExifData;
  uint8_t FBytesPerPixel = 4;
  uint32_t FRowStride = 0;
  uint16_t FWidth = 0;
  uint16_t FHeight = 0;
  uint16_t FResolution = 300;
  uint32_t FErrorCode = 0;
};

// Registers the class with TPicture ("TIF;TIFF") and its clipboard format; the unit's start.
void QzTIFInitialize();
void QzTIFFinalize();
