// The toolkit's graphics unit: colours, fonts, pens, brushes, the canvas, and the picture classes
// (TGraphic, TBitmap, PNG and JPEG pictures, TPicture with its registry of picture classes).
//
// Drawing follows GDI: coordinates name pixel corners, right and bottom edges are exclusive,
// a line leaves out its end point, and nothing but text is anti-aliased.
//
// How a canvas meets pixels: a TCanvas draws through its Handle, a drawing context (HDC,
// Windows.h), onto the bitmap selected into that context at the moment of drawing, shifted by
// the context's viewport origin and limited by its clip. Three ways to get one:
//   - a TBitmap (or PNG / JPEG picture) owns a canvas over its own pixels: Bitmap->GetCanvas();
//   - SetHandle(dc) on a free TCanvas, for a context made with CreateCompatibleDC and a bitmap
//     from CreateDIBSection or QzCreateBitmapOver (how DIB sections and window surfaces are
//     drawn on);
//   - a canvas without a handle draws nothing and measures text all the same.
// The canvas does not own a handle given with SetHandle.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Classes.h"
#include "core/SysUtils.h"
#include "core/Types.h"
#include "platform/Windows.h"

// --- colours ---------------------------------------------------------------------------------
// (clBlack, clWhite and the system colours the program names most live in Types.h.)

inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clLtGray = 0xC0C0C0;
inline constexpr TColor clDkGray = 0x808080;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

inline constexpr TColor clScrollBar = 0x80000000;
inline constexpr TColor clBackground = 0x80000001;
inline constexpr TColor clInactiveCaption = 0x80000003;
inline constexpr TColor clMenu = 0x80000004;
inline constexpr TColor clWindowFrame = 0x80000006;
inline constexpr TColor clMenuText = 0x80000007;
inline constexpr TColor clCaptionText = 0x80000009;
inline constexpr TColor clActiveBorder = 0x8000000A;
inline constexpr TColor clInactiveBorder = 0x8000000B;
inline constexpr TColor clAppWorkSpace = 0x8000000C;
inline constexpr TColor clBtnText = 0x80000012;
inline constexpr TColor clInactiveCaptionText = 0x80000013;
inline constexpr TColor cl3DDkShadow = 0x80000015;
inline constexpr TColor cl3DLight = 0x80000016;
inline constexpr TColor clInfoText = 0x80000017;
inline constexpr TColor clInfoBk = 0x80000018;
inline constexpr TColor clGradientActiveCaption = 0x8000001B;
inline constexpr TColor clGradientInactiveCaption = 0x8000001C;
inline constexpr TColor clMenuHighlight = 0x8000001D;
inline constexpr TColor clMenuBar = 0x8000001E;

// The colour painted for C: a system colour through the desktop's table (its low byte picks the
// entry), any other value as RGB with its top byte dropped (clNone white, clDefault black).
TColor QzResolveColor(TColor C);

// Raised by the picture classes for content they cannot read and for impossible operations.
class EInvalidGraphic : public Exception {
public:
  using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
public:
  using Exception::Exception;
};

struct TSize {
  int32_t cx = 0;
  int32_t cy = 0;
  friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

class TCanvas;
class TGraphic;
class TBitmap;

// --- pens, brushes, fonts --------------------------------------------------------------------

// Base of pen, brush and font: notifies OnChange after every change of a property.
class TGraphicsObject : public TPersistent {
public:
  std::string ClassName() const override { return "TGraphicsObject"; }
  TNotifyEvent OnChange;

protected:
  virtual void Changed();
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// The binary raster operations, in GDI's order (R2_BLACK = pmBlack ... R2_WHITE = pmWhite).
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle { bsSolid, bsClear };
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TGradientDirection { gdVertical, gdHorizontal };

class TPen : public TGraphicsObject {
public:
  std::string ClassName() const override { return "TPen"; }
  void Assign(TPersistent* Source) override;
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  // Width 0 draws like 1: one pixel whatever the scale.
  int32_t GetWidth() const { return FWidth; }
  void SetWidth(int32_t Value);
  TPenStyle GetStyle() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  TPenMode GetMode() const { return FMode; }
  void SetMode(TPenMode Value);

private:
  TColor FColor = clBlack;
  int32_t FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
};

class TBrush : public TGraphicsObject {
public:
  std::string ClassName() const override { return "TBrush"; }
  void Assign(TPersistent* Source) override;
  TColor GetColor() const { return FColor; }
  // Setting a colour makes a clear brush solid, as the toolkit does.
  void SetColor(TColor Value);
  TBrushStyle GetStyle() const { return FStyle; }
  void SetStyle(TBrushStyle Value);

private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};

// A font by family name, size and style. Size is in points at 96 pixels per inch; Height is in
// pixels, negative for the character (em) height and positive for the cell height (ascent plus
// descent), Height = -MulDiv(Size, 96, 72). Size 0 (Height 0) is the default size, drawn as
// 8 points. "arial" (any case), "default", "ms sans serif", "tahoma" and "segoe ui" are served
// by Liberation Sans; other names go through fontconfig.
class TFont : public TGraphicsObject {
public:
  std::string ClassName() const override { return "TFont"; }
  void Assign(TPersistent* Source) override;
  bool IsEqual(const TFont* Other) const;

  const std::string& GetName() const { return FName; }
  void SetName(const std::string& Value);
  int32_t GetSize() const;
  void SetSize(int32_t Value);
  int32_t GetHeight() const { return FHeight; }
  void SetHeight(int32_t Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  TFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  TFontPitch GetPitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);
  int32_t GetPixelsPerInch() const { return 96; }

private:
  std::string FName = "default";
  int32_t FHeight = 0;
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  TFontPitch FPitch = fpDefault;
};

// --- canvas ----------------------------------------------------------------------------------

using TCopyMode = uint32_t;
inline constexpr TCopyMode cmSrcCopy = SRCCOPY;
inline constexpr TCopyMode cmSrcPaint = SRCPAINT;
inline constexpr TCopyMode cmSrcAnd = SRCAND;
inline constexpr TCopyMode cmSrcInvert = SRCINVERT;
inline constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
inline constexpr TCopyMode cmDstInvert = DSTINVERT;
inline constexpr TCopyMode cmBlackness = BLACKNESS;
inline constexpr TCopyMode cmWhiteness = WHITENESS;

class TCanvas : public TPersistent {
public:
  TCanvas();
  ~TCanvas() override;
  std::string ClassName() const override { return "TCanvas"; }

  // The drawing context drawn on; null when unbound. Not owned.
  HDC GetHandle() const { return FHandle; }
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TPen* GetPen() const { return FPen.get(); }
  TBrush* GetBrush() const { return FBrush.get(); }
  TFont* GetFont() const { return FFont.get(); }
  // These copy the values of the given object (Assign), as the toolkit's setters do.
  void SetPen(TPen* Value);
  void SetBrush(TBrush* Value);
  void SetFont(TFont* Value);
  TPoint GetPenPos() const { return FPenPos; }
  void SetPenPos(TPoint Value) { FPenPos = Value; }
  TCopyMode GetCopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }

  // The rectangle drawing reaches, in logical coordinates (empty when unbound).
  TRect GetClipRect() const;
  // Narrows (Clipping on) or drops the context's clip; a canvas shares its clip with the context.
  void SetClipRect(const TRect& Value);
  bool GetClipping() const;
  void SetClipping(bool Value);

  void MoveTo(int32_t X, int32_t Y);
  // Draws from the pen position to (X, Y), leaving out (X, Y); the pen position moves there.
  void LineTo(int32_t X, int32_t Y);
  // MoveTo (X1, Y1) and LineTo (X2, Y2).
  void Line(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void Line(TPoint P1, TPoint P2) { Line(P1.X, P1.Y, P2.X, P2.Y); }
  void Polyline(const std::vector<TPoint>& Points);
  void Polygon(const std::vector<TPoint>& Points);

  // Outline in the pen on the edge pixels of [Left, Right) x [Top, Bottom), inside filled with
  // the brush. With a clear pen the filled area is one pixel narrower and lower, as in GDI.
  void Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
  // Brush only, [Left, Right) x [Top, Bottom); a clear brush fills nothing.
  void FillRect(const TRect& R);
  void FillRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) { FillRect(Rect(X1, Y1, X2, Y2)); }
  // A one-pixel frame in the brush colour.
  void FrameRect(const TRect& R);
  void RoundRect(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t CX, int32_t CY);
  void RoundRect(const TRect& R, int32_t CX, int32_t CY) {
    RoundRect(R.Left, R.Top, R.Right, R.Bottom, CX, CY);
  }
  // The ellipse inscribed in [Left, Right) x [Top, Bottom), never outside it.
  void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }

  // Text (UTF-8) with its cell's top-left corner at (X, Y), in the font's colour. A solid brush
  // first fills the cell (TextWidth x TextHeight) with the brush colour; a clear brush leaves
  // the background as it is. The pen position is not used.
  void TextOut(int32_t X, int32_t Y, const std::string& Text);
  // TextOut clipped to R.
  void TextRect(const TRect& R, int32_t X, int32_t Y, const std::string& Text);
  TSize TextExtent(const std::string& Text);
  int32_t TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
  int32_t TextHeight(const std::string& Text) { return TextExtent(Text).cy; }

  // The graphic at its own size with its top-left corner at (X, Y).
  void Draw(int32_t X, int32_t Y, TGraphic* Graphic);
  void StretchDraw(const TRect& Dest, TGraphic* Graphic);
  // Copies (scaling) Source of another canvas into Dest with the copy mode; HALFTONE as the
  // context's stretch mode averages (SetStretchBltMode).
  void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
  // Lines of colours from Start to Stop: gdVertical from the top row (Start) to the bottom row
  // (Stop), gdHorizontal from the left column to the right one.
  void GradientFill(const TRect& R, TColor Start, TColor Stop, TGradientDirection Direction);

  // Pixels[X, Y]: CLR_INVALID outside the clip or when unbound.
  TColor GetPixel(int32_t X, int32_t Y) const;
  void SetPixel(int32_t X, int32_t Y, TColor Color);

  void Lock() {}
  void Unlock() {}

  // Fired before and after each drawing operation (a bitmap marks itself changed this way).
  TNotifyEvent OnChanging;
  TNotifyEvent OnChange;
  // Raise OnChanging / OnChange; graphics drawing themselves on the canvas call them too.
  virtual void Changing();
  virtual void Changed();

private:
  struct TTarget;
  bool Target(TTarget& T) const;
  void PenLine(TTarget& T, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void FillSpans(TTarget& T, const std::vector<int32_t>& L, const std::vector<int32_t>& R,
                 int32_t Top, bool Outline);
  void DrawText(TTarget& T, int32_t X, int32_t Y, const std::string& Text, const TRect* Clip);

  HDC FHandle = nullptr;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  std::unique_ptr<TFont> FFont;
  TPoint FPenPos;
  TCopyMode FCopyMode = cmSrcCopy;
  uint32_t FPenPhase = 0;  // position in the dash pattern, carried across LineTo calls
};

// --- pictures --------------------------------------------------------------------------------

enum TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent =
    std::function<void(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                       const TRect& R, const std::string& Msg)>;

// Base of every picture class. Readers treat their input as hostile: content they cannot read
// raises EInvalidGraphic and leaves the graphic empty.
class TGraphic : public TPersistent {
public:
  TGraphic() = default;
  std::string ClassName() const override { return "TGraphic"; }

  // From a graphic: Source->AssignTo(this); otherwise the toolkit's "cannot assign" error.
  void Assign(TPersistent* Source) override;
  // Into Dest. The default draws this graphic on a raster image sized to it; anything else
  // raises the toolkit's "Cannot assign a ... to a ..." (EConvertError).
  void AssignTo(TPersistent* Dest) override;

  virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
  virtual bool GetEmpty() const = 0;
  virtual int32_t GetWidth() const = 0;
  virtual int32_t GetHeight() const = 0;
  virtual void SetWidth(int32_t Value) = 0;
  virtual void SetHeight(int32_t Value) = 0;
  virtual void SetSize(int32_t AWidth, int32_t AHeight);
  virtual bool GetTransparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);
  virtual void Clear();
  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  bool GetModified() const { return FModified; }
  void SetModified(bool Value);

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

  // Sets Modified and fires OnChange.
  virtual void Changed(TObject* Sender);
  virtual void Progress(TObject* Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow,
                        const TRect& R, const std::string& Msg);

protected:
  bool FTransparent = false;
  bool FModified = false;
};

// A registered picture class: what TPicture needs to make one, recognise one and, when the
// class can tell, recognise its stream content (a static IsStreamFormatSupported(TStream*)
// that leaves the stream position where it was).
struct TGraphicClassInfo {
  std::string Name;
  std::function<TGraphic*()> Create;
  std::function<bool(const TGraphic*)> IsInstance;
  std::function<bool(TStream*)> IsStreamFormatSupported;
};
using TGraphicClass = const TGraphicClassInfo*;

template <class T>
TGraphicClass GraphicClassOf() {
  static const TGraphicClassInfo Info = [] {
    TGraphicClassInfo I;
    I.Name = T().ClassName();
    I.Create = [] { return static_cast<TGraphic*>(new T()); };
    I.IsInstance = [](const TGraphic* G) { return dynamic_cast<const T*>(G) != nullptr; };
    if constexpr (requires(TStream* S) { T::IsStreamFormatSupported(S); })
      I.IsStreamFormatSupported = [](TStream* S) { return T::IsStreamFormatSupported(S); };
    return I;
  }();
  return &Info;
}

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };
enum TRawImageLineOrder { riloTopToBottom, riloBottomToTop };

// How the pixels of a raster image lie in memory. Channels are given as precision and shift
// within the pixel read as a little-endian integer: 32-bit pixels are B, G, R, A in memory
// (blue shift 0, alpha shift 24; AlphaPrec 0 when the fourth byte is no alpha), 24-bit pixels
// B, G, R, 16-bit pixels 5-6-5. Lines start on 4-byte boundaries.
struct TRawImageDescription {
  int32_t Width = 0;
  int32_t Height = 0;
  uint8_t Depth = 0;  // significant bits per pixel: 16, 24, or 32 with alpha
  uint8_t BitsPerPixel = 0;
  TRawImageLineOrder LineOrder = riloTopToBottom;
  uint32_t BytesPerLine = 0;
  uint8_t RedPrec = 0, RedShift = 0, GreenPrec = 0, GreenShift = 0;
  uint8_t BluePrec = 0, BlueShift = 0, AlphaPrec = 0, AlphaShift = 0;
};

struct TRawImage {
  TRawImageDescription Description;
  uint8_t* Data = nullptr;
  size_t DataSize = 0;
  // The first byte of picture row Line (0 = top) whatever the line order; null outside.
  uint8_t* GetLineStart(int32_t Line) const;
};

// A picture held as pixels in memory, with a canvas over them: base of TBitmap and of the PNG
// and JPEG pictures. Pixel formats held: pf16bit (5-6-5), pf24bit and pf32bit; pfDevice is
// pf32bit; pf1bit, pf4bit, pf8bit and pf15bit are taken as pf24bit. Changing the format keeps the
// picture. New pixels are black; the fourth byte of a 32-bit pixel is 0 unless the pixels
// carry alpha.
class TRasterImage : public TGraphic {
public:
  TRasterImage();
  ~TRasterImage() override;
  std::string ClassName() const override { return "TRasterImage"; }

  void Assign(TPersistent* Source) override;
  void AssignTo(TPersistent* Dest) override;
  // Copies the pixels (scaled with the stretch mode of the canvas's context); honours
  // Transparent (pixels of TransparentColor are left out) and, for 32-bit pixels with alpha,
  // blends by alpha.
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  bool GetEmpty() const override { return FWidth < 1 || FHeight < 1; }
  int32_t GetWidth() const override { return FWidth; }
  int32_t GetHeight() const override { return FHeight; }
  void SetWidth(int32_t Value) override { SetSize(Value, FHeight); }
  void SetHeight(int32_t Value) override { SetSize(FWidth, Value); }
  // Sides are limited to 0..32767 and 512 MiB of pixels; a larger size raises
  // EInvalidGraphicOperation and keeps the picture.
  void SetSize(int32_t AWidth, int32_t AHeight) override;
  void Clear() override;

  TCanvas* GetCanvas();
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat Value);
  // The 32-bit pixels' fourth byte is alpha (set by readers of pictures with alpha).
  bool GetHasAlpha() const { return FHasAlpha; }
  void SetHasAlpha(bool Value);
  TColor GetTransparentColor() const;
  void SetTransparentColor(TColor Value);
  TTransparentMode GetTransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode Value);
  // The pixel memory; valid until the size or the format changes.
  const TRawImage& GetRawImage() const { return FRawImage; }
  uint8_t* GetScanLine(int32_t Row) const { return FRawImage.GetLineStart(Row); }
  HBITMAP GetBitmapHandle() const { return FBitmap; }

  // Brackets direct pixel work; the last EndUpdate marks the picture changed.
  void BeginUpdate(bool CanvasOnly = false);
  void EndUpdate(bool StreamIsValid = false);

  void Changed(TObject* Sender) override;

protected:
  // Replaces the pixels with a blank (black) block of the size and format; no change event.
  void Allocate(int32_t AWidth, int32_t AHeight, TPixelFormat Format);
  void CopyPixelsFrom(const TRasterImage* Source);
  // Readers say whether the pixels they are about to allocate carry alpha (no change event).
  void SetHasAlphaQuiet(bool Value) { FHasAlpha = Value; }
  // Runs a reader: a failed read leaves the picture empty and raises on; either way the change
  // is announced.
  template <class TRead>
  void LoadPixels(TRead&& Read) {
    try {
      Read();
    } catch (...) {
      Allocate(0, 0, GetPixelFormat());
      Changed(this);
      throw;
    }
    Changed(this);
  }
  // The block a reader fills: the old pixels go before the new block is made, so that a large
  // picture is never held twice.
  void AllocateForReading(int32_t AWidth, int32_t AHeight, TPixelFormat Format, bool HasAlpha);
  // The pixels as unpadded top-down rows of B, G, R, and the fourth byte of 32-bit pixels when
  // WithAlpha; empty for an empty picture.
  std::vector<uint8_t> PackedPixels(bool WithAlpha) const;

private:
  void CanvasChanged(TObject* Sender);
  void FreeBitmap();

  int32_t FWidth = 0;
  int32_t FHeight = 0;
  TPixelFormat FPixelFormat = pf32bit;
  bool FHasAlpha = false;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
  HBITMAP FBitmap = nullptr;
  HDC FDC = nullptr;
  std::unique_ptr<TCanvas> FCanvas;
  TRawImage FRawImage;
  int32_t FUpdateCount = 0;
};

// A Windows bitmap picture: reads BMP files of 1, 4, 8, 16, 24 and 32 bits (uncompressed, RLE8,
// RLE4, bit fields, top-down or bottom-up, core and info headers up to V5) and writes 24- or
// 32-bit ones (16-bit pictures are written as 24-bit).
class TBitmap : public TRasterImage {
public:
  std::string ClassName() const override { return "TBitmap"; }
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  // The named resource of the module (Resources.h), read by content (BMP, PNG or JPEG).
  // Raises EResNotFound when there is no such resource.
  void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);
  static bool IsStreamFormatSupported(TStream* Stream);
};

// An icon: pixels with alpha. Reads PNG or BMP content and writes PNG (the form of the icon
// images of today's icon files); the multi-image icon file format itself is not read.
class TIcon : public TRasterImage {
public:
  std::string ClassName() const override { return "TIcon"; }
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
};

class EResNotFound : public Exception {
public:
  using Exception::Exception;
};

// A PNG picture (libpng). Loaded pictures with an alpha channel or transparency become 32-bit
// pixels with alpha, others 24-bit; saving writes RGBA for 32-bit pictures with alpha and RGB
// otherwise.
class TPortableNetworkGraphic : public TRasterImage {
public:
  std::string ClassName() const override { return "TPortableNetworkGraphic"; }
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  static bool IsStreamFormatSupported(TStream* Stream);
};

// A JPEG picture (libjpeg-turbo): always 24-bit pixels. Saving encodes baseline (or
// progressive) JPEG at CompressionQuality 1..100.
class TJPEGImage : public TRasterImage {
public:
  std::string ClassName() const override { return "TJPEGImage"; }
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  static bool IsStreamFormatSupported(TStream* Stream);
  int32_t GetCompressionQuality() const { return FQuality; }
  void SetCompressionQuality(int32_t Value);
  bool GetGrayScale() const { return FGrayScale; }
  void SetGrayScale(bool Value) { FGrayScale = Value; }
  bool GetProgressiveEncoding() const { return FProgressive; }
  void SetProgressiveEncoding(bool Value) { FProgressive = Value; }

private:
  int32_t FQuality = 75;
  bool FGrayScale = false;
  bool FProgressive = false;
};
using TJpegImage = TJPEGImage;

using TClipboardFormat = UINT;

// Holds one graphic of any registered class. Built-in: "bmp" (TBitmap), "png"
// (TPortableNetworkGraphic), "jpg;jpeg;jpe;jfif" (TJPEGImage). Extensions are matched without
// case and without the leading dot.
class TPicture : public TPersistent {
public:
  TPicture();
  ~TPicture() override;
  std::string ClassName() const override { return "TPicture"; }

  // From a picture or a graphic: a copy of its graphic; nil: empty.
  void Assign(TPersistent* Source) override;
  TGraphic* GetGraphic() const { return FGraphic.get(); }
  // Takes a copy of Value (a graphic of the same class); nil empties the picture.
  void SetGraphic(TGraphic* Value);
  // The graphic as a bitmap: a graphic of another class is converted (and replaced), an empty
  // picture gets an empty bitmap.
  TBitmap* GetBitmap();
  TPortableNetworkGraphic* GetPNG();
  TJPEGImage* GetJpeg();
  int32_t GetWidth() const;
  int32_t GetHeight() const;
  void Clear() { SetGraphic(nullptr); }

  // By the file extension; content that is not of that class raises EInvalidGraphic.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  // By content: the classes that recognise the stream (BMP, PNG and JPEG by their signatures,
  // then the registered classes). Unknown content raises EInvalidGraphic; a failed load leaves
  // the picture empty.
  void LoadFromStream(TStream* Stream);
  void LoadFromStreamWithFileExt(TStream* Stream, const std::string& FileExt);
  void SaveToStream(TStream* Stream);
  void LoadFromResourceName(HINSTANCE Instance, const std::string& ResName);

  static bool SupportsClipboardFormat(TClipboardFormat Format);
  void LoadFromClipboardFormat(TClipboardFormat Format, TStream* Data);

  // Extensions separated by ";" ("EPF;EPFF"); a later registration of an extension wins.
  static void RegisterFileFormat(const std::string& Extensions, const std::string& Description,
                                 TGraphicClass GraphicClass);
  static void RegisterClipboardFormat(TClipboardFormat Format, TGraphicClass GraphicClass);
  static void UnregisterGraphicClass(TGraphicClass GraphicClass);
  static TGraphicClass FindGraphicClassWithFileExt(const std::string& Ext);
  // "Description (*.ext)|*.ext" pairs, for file dialogs.
  static std::string GetFileFilter();

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

protected:
  virtual void Changed(TObject* Sender);

private:
  void Adopt(TGraphic* NewGraphic);
  template <class TGraphicKind>
  TGraphicKind* ConvertedTo();
  void LoadWith(TGraphicClass Class, TStream* Stream);
  std::unique_ptr<TGraphic> FGraphic;
};

// Limits of the built-in picture readers, the same as the program's own formats': no side above
// 15000 pixels and no decoded buffer above 512 MiB, checked before anything is allocated.
inline constexpr int32_t QzMaxReadSide = 15000;
inline constexpr uint64_t QzMaxReadBytes = uint64_t{1} << 29;
inline bool QzReadSizeAllowed(uint64_t Width, uint64_t Height, uint64_t BytesPerPixel) {
  return Width >= 1 && Height >= 1 && Width <= QzMaxReadSide && Height <= QzMaxReadSide &&
         Width * Height * BytesPerPixel <= QzMaxReadBytes;
}

// Checks the content of a stream for one of the built-in formats without moving it.
bool QzStreamStartsWith(TStream* Stream, const void* Magic, size_t Count);
// For decoders that take the whole file from memory: the rest of the stream, which must start
// with Magic and hold at most 1 GiB; EInvalidGraphic ("Invalid <Format>: ...") otherwise.
std::vector<uint8_t> QzReadRestOfPicture(TStream* Stream, const void* Magic, size_t MagicSize,
                                         const std::string& Format);
