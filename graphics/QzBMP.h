// TQzBitmap, the program's own picture: pixels in a buffer of its own (4-byte B, G, R, A or
// 5-byte B, G, R, A, M pixels, rows top down, no padding), conversions from and to the
// toolkit's pictures and rendering over a checkerboard. Resampling is in QzResample.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/QzPixelAccess.h"
#include "platform/Graphics.h"

// No side of an own picture buffer exceeds this.
inline constexpr int32_t QzMaxBitmapSide = 15000;

// The 16 bytes that lead the bitmap's stream and describe the bitmap while it lives.
#pragma pack(push, 1)
struct TQzBitmapHeader {
  char Magic[4] = {'Q', 'Z', 'B', 'M'};
  uint8_t Version = 1;
  uint8_t Fixed = 5;
  uint16_t HeaderSize = 64;
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t BitCount = 32;
  uint8_t Reserved = 0;
  uint8_t StorageMode = 0;
  uint8_t HeaderFlag = 0;
};
#pragma pack(pop)
static_assert(sizeof(TQzBitmapHeader) == 16);

// Per-channel colour mapping [plane: 0 red, 1 green, 2 blue][component][grey].
using TQzColorTable = uint8_t[3][256][256];
// Every entry [p][v][g] := v: the identity mapping.
void ResetColorTable(TQzColorTable& Table);

// Pixel formats, from the bit count: 0 none (no buffer can be made), 1 = 32 bits (B, G, R, A),
// 2 = 40 bits (B, G, R, A, M), 3 = 64 bits (allocated, zeroed, not used), 4 = 80 bits (no buffer).
class TQzBitmap : public TGraphic, public IQzPixelAccess {
public:
  TQzBitmap();
  ~TQzBitmap() override;
  std::string ClassName() const override { return "TQzBitmap"; }

  void BeginUpdate() { ++FUpdateCount; }
  // The last EndUpdate of a bracket notifies the change.
  void EndUpdate();
  bool IsUpdating() const { return FUpdateCount > 0; }
  // OnChange, unless inside an update bracket.
  void Changed(TObject* Sender) override;

  void Clear() override;
  // Sides are limited to 0 .. 15000. A zero side empties the bitmap; a new size makes a new
  // buffer of white, opaque pixels (mask 255). The result is False when no buffer could be made.
  bool SetBitmapSize(int32_t W, int32_t H);
  void SetSize(int32_t AWidth, int32_t AHeight) override { SetBitmapSize(AWidth, AHeight); }
  void SetWidth(int32_t Value) override;
  void SetHeight(int32_t Value) override;
  int32_t GetWidth() const override { return FHeader.Width; }
  int32_t GetHeight() const override { return FHeader.Height; }
  bool GetEmpty() const override;
  bool IsEmpty() const { return FHeader.Width == 0 || FHeader.Height == 0; }
  // Frees the buffer and makes a new one of W x H (limited to 15000) in the current pixel
  // format. Without a buffer (a zero side, pixel formats 0 and 4, no memory) the size is 0 x 0
  // unless a side was 0. False for pixel format 0 and when memory ran out.
  bool ResizeBuffer(int32_t W, int32_t H);

  // Buffer + X * bytes per pixel + Y * row stride; no range check.
  uint8_t* GetPixelPtr(int32_t X, int32_t Y) override {
    return FBuffer.get() + static_cast<ptrdiff_t>(X) * FBytesPerPixel +
           static_cast<ptrdiff_t>(Y) * FRowStride;
  }
  int32_t GetPixelBits() const override { return FBuffer ? FHeader.BitCount : 0; }

  uint8_t GetBitCount() const { return FHeader.BitCount; }
  // Like every operation of the bitmap, it starts a new status: the error code is cleared.
  uint8_t GetPixelFormat() {
    FErrorCode = 0;
    return PixelFormat();
  }
  // Converting from format 1 to 2 keeps the picture (mask 255); any other change of a picture
  // with pixels leaves it white and opaque at the same size. Formats 0 and above 4 keep the
  // current one and report (1603, 606).
  void SetPixelFormat(uint8_t Format);
  uint32_t GetBytesPerPixel() const { return FBytesPerPixel; }
  uint32_t GetRowStride() const { return FRowStride; }
  uint32_t GetBufferSize() const { return FBufferSize; }
  uint32_t GetErrorCode() const { return FErrorCode; }
  const TQzBitmapHeader& GetHeader() const { return FHeader; }
  void SetHeaderFlag(uint8_t Value) { FHeader.HeaderFlag = Value; }

  bool HasAlpha() const;
  bool HasMask() const;
  bool GetTransparent() const override;
  void ResetAlpha();
  void FillColor(TColor Color);
  void FillMask(uint8_t Value);
  // The pixels both bitmaps share (the smaller width and height): all bytes between equal
  // formats, B, G, R, A from a 4-byte source into a 5-byte bitmap; nothing for other pairs.
  void CopyPixels(const TQzBitmap* Source);
  // A copy of Source: header block, pixels and colour table. (1504, 251) for a nil source.
  bool AssignBitmap(const TQzBitmap* Source);

  // From the clipboard, a TQzBitmap, or a toolkit or own picture of 24 or 32 bits per pixel.
  // Raises Exception "UNKNWON PICTURE TYPE" for other depths and the error text when the
  // picture does not fit (1504, 901).
  void Assign(TPersistent* Source) override;
  // Into a TBitmap (sized to this bitmap; an empty bitmap leaves it alone); other raster images
  // get the picture drawn on them (TGraphic's way), anything else raises EConvertError.
  void AssignTo(TPersistent* Dest) override;
  // Scales the pixels into R of Dest (edges inclusive, limited to Dest): 24-bit destinations
  // get the picture blended over them by its alpha, 32-bit ones its four bytes.
  void CopyToRasterImage(TRasterImage* Dest, const TRect& R);
  // The picture fitted into Rect over a checkerboard, through a 24-bit bitmap.
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  void DrawToBitmap(TGraphic* Bitmap, const TRect& Rect, bool Checker);
  // Fits the picture into Rect keeping its aspect, centres it in the whole Bitmap (a 24- or
  // 32-bit TBitmap) and maps its colours through the colour table; the checkerboard fills the
  // rest. Alpha is not applied.
  void DrawToBitmapEx(TGraphic* Bitmap, const TRect& Rect, bool Checker);

  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;

  TQzColorTable& GetColorTable() { return FColorTable->Table; }
  void ResetColorTable() { ::ResetColorTable(FColorTable->Table); }

private:
  uint8_t PixelFormat() const;
  void SetError(uint16_t Category, uint16_t Location);
  void FreeBuffer();
  void AssignGraphic(TGraphic* Source);

  uint32_t FBufferSize = 0;
  std::unique_ptr<uint8_t[]> FBuffer;
  TQzBitmapHeader FHeader;
  uint32_t FRowStride = 0;
  uint8_t FBytesPerPixel = 0;
  int32_t FUpdateCount = 0;
  uint32_t FErrorCode = 0;
  bool FFillOnResize = true;
  struct TColorTableHolder {
    TQzColorTable Table;
  };
  std::unique_ptr<TColorTableHolder> FColorTable;  // 192 KiB: kept off the stack
};
