// Truevision TGA pictures: writes uncompressed 32-bit true-colour files with a top-left origin;
// reads true-colour files of 24 and 32 bits, uncompressed (type 2) or run-length coded (type 10),
// of either origin, and the picture metadata that may follow the pixels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/QzPicExifData.h"
#include "graphics/QzPixelAccess.h"
#include "platform/Graphics.h"

// Run-length packets (n < 128: n + 1 literal pixels; n >= 128: one pixel repeated (n & 127) + 1
// times) read from Stream until PixelCount pixels of 3 or 4 bytes are stored at Target.
// Results: 0 done; 5 the stream ended first; 6 a packet would run past PixelCount.
int ReadTGARLE24(TStream* Stream, uint8_t* Target, int64_t PixelCount);
int ReadTGARLE32(TStream* Stream, uint8_t* Target, int64_t PixelCount);

// Error numbers of TQzTGAImage (plain numbers, no location).
enum : uint32_t {
  tgaErrHeaderShort = 1,
  tgaErrZeroSize = 2,
  tgaErrNoImage = 3,
  tgaErrDepth = 4,
  tgaErrPixelsShort = 5,
  tgaErrPacketOverrun = 6,
  tgaErrTooLarge = 7,
  tgaErrUnsupportedType = 99,
  tgaErrNoStream = 100,
  tgaErrHeaderWrite = 101,
  tgaErrPixelsWrite = 102,
};

class TQzTGAImage : public TGraphic, public IQzPixelAccess {
public:
  static constexpr int HeaderBytes = 18;

  TQzTGAImage();
  ~TQzTGAImage() override;
  std::string ClassName() const override { return "TQzTGAImage"; }

  // From a TGA picture (pixels and header; the metadata is cleared) or a raster image (size and
  // pixels only: the metadata stays); from another graphic only what its AssignTo writes.
  void Assign(TPersistent* Source) override;
  // Into any raster image; anything else raises EConvertError.
  void AssignTo(TPersistent* Dest) override;
  void Changed(TObject*) override {}
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  bool GetEmpty() const override { return GetWidth() < 1 || GetHeight() < 1 || FPixels.empty(); }
  int32_t GetWidth() const override;
  int32_t GetHeight() const override;
  bool GetTransparent() const override { return false; }
  void SetWidth(int32_t Value) override;
  void SetHeight(int32_t Value) override;
  void SetSize(int32_t AWidth, int32_t AHeight) override { ResizeBuffer(AWidth, AHeight); }
  void Clear() override;
  // Failures set the error number and raise nothing.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  // A TGA header this class decodes, with the pixel data it announces.
  static bool IsStreamFormatSupported(TStream* Stream);

  // Stores the size in the header and makes a new buffer of transparent black pixels; False
  // (and no buffer) for a zero side or a side above 15000.
  bool ResizeBuffer(int32_t W, int32_t H);
  uint8_t GetBitsPerPixel() const { return 32; }
  uint8_t* GetPixelPtr(int32_t X, int32_t Y) override {
    return FPixels.data() + static_cast<ptrdiff_t>(X) * 4 + static_cast<ptrdiff_t>(Y) * FRowStride;
  }
  int32_t GetPixelBits() const override { return FPixels.empty() ? 0 : 32; }
  uint32_t GetErrorCode() const { return FErrorCode; }
  const std::array<uint8_t, HeaderBytes>& GetHeader() const { return FHeader; }
  TQzPictureExifData* GetExifData() const { return FExifData.get(); }

private:
  void ReadPixels(TStream* Stream);

  std::array<uint8_t, HeaderBytes> FHeader{};
  std::unique_ptr<TQzPictureExifData> FExifData;
  std::vector<uint8_t> FPixels;
  uint32_t FRowStride = 0;
  uint32_t FErrorCode = 0;
};

// Registers the class with TPicture ("TGA", "TPIC") and its clipboard format; the unit's start.
void QzTGAInitialize();
void QzTGAFinalize();
