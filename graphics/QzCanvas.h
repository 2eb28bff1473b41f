// TQzCanvas draws one-pixel and wide lines straight into the pixel memory of a picture (the own
// bitmap, a DIB section, a toolkit bitmap, JPEG or PNG picture, or an own EPF, TGA or TIFF
// picture) without GDI, blending the pen colour with the target by the pen's alpha. 3-, 4- and
// 5-byte pixels are drawn; on 5-byte targets each pixel gets a soft spread around it.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/QzDIB.h"
#include "graphics/QzPixelAccess.h"
#include "platform/Graphics.h"

class TQzBitmap;

enum TQzCanvasPenSmoothness : int32_t { cpsNone, cpsLow, cpsMedium, cpsHigh };

// Rounded distance of offsets (Dx, Dy) from a pixel, as the wide pens measure it: from a table
// of 2001 x 2001 entries for offsets within +-1000 (built on first use, once per process), and
// computed for offsets beyond it.
int32_t QzCanvasDistance(int32_t Dx, int32_t Dy);

class TQzCanvasPen : public TObject {
public:
  TQzCanvasPen();
  std::string ClassName() const override { return "TQzCanvasPen"; }

  TColor GetColor() const { return RGB(FR, FG, FB); }
  // Fires OnChange when the colour differs.
  void SetColor(TColor Value);
  // 0 draws the pen colour, 255 leaves the target as it is.
  uint8_t GetAlpha() const { return FAlpha; }
  void SetAlpha(uint8_t Value) { FAlpha = Value; }
  // Pixels; 0 counts as 1. Fires OnChange when the width differs (it selects the plot routine).
  uint16_t GetWidth() const { return FWidth; }
  void SetWidth(uint16_t Value);
  // Its ordinal is the radius of the soft spread on 5-byte targets.
  TQzCanvasPenSmoothness GetSmoothness() const { return FSmoothness; }
  void SetSmoothness(TQzCanvasPenSmoothness Value) { FSmoothness = Value; }
  // Mixing of the wide pen on 4-byte targets: 0 draws the pen value, 255 keeps the target.
  uint8_t GetBlendFactor() const { return FBlendFactor; }
  void SetBlendFactor(uint8_t Value);
  // The blend of target value D with pen value S by the blend factor.
  uint8_t Blend(uint8_t D, uint8_t S) const { return FBlendTable[D * 256 + S]; }

  uint8_t GetB() const { return FB; }
  uint8_t GetG() const { return FG; }
  uint8_t GetR() const { return FR; }

  TNotifyEvent OnChange;

private:
  void BuildBlendTable();

  uint8_t FB = 0, FG = 0, FR = 0;
  uint8_t FAlpha = 0;
  uint8_t FBlendFactor = 0;
  uint16_t FWidth = 1;
  TQzCanvasPenSmoothness FSmoothness = cpsMedium;
  std::unique_ptr<uint8_t[]> FBlendTable;
};

class TQzCustomCanvas : public TObject {
public:
  TQzCustomCanvas();
  ~TQzCustomCanvas() override;
  std::string ClassName() const override { return "TQzCustomCanvas"; }

  // Attaches a picture (not owned; it must outlive its use here) or detaches with nil. Pictures
  // of other kinds or pixel sizes other than 3, 4 and 5 bytes leave the canvas detached, and a
  // detached canvas draws nothing. The clip is (0, 0, width - 1, height - 1), so plotting never
  // reaches the last column and row of the picture.
  void SetTarget(TObject* Target);
  TObject* GetTarget() const { return FTarget; }
  TCanvas* GetTargetCanvas() const { return FTargetCanvas; }
  uint8_t GetBytesPerPixel() const { return FBytesPerPixel; }
  TRect GetClipRect() const { return FClip; }
  TQzPixelAddrProc GetPixelAddrProc() const { return FPixelAddr; }
  TQzCanvasPen* GetPen() const { return FPen.get(); }
  // Handed on to the target's toolkit canvas whenever it changes.
  TFont* GetFont() const;

  // From (X1, Y1) to (X2, Y2), both ends included; horizontal and vertical lines are runs of
  // the pen colour that leave out their far end.
  void Line(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) { DrawLine(X1, Y1, X2, Y2); }
  bool IsInClip(int32_t X, int32_t Y) const {
    return X >= 0 && X >= FClip.Left && X < FClip.Right && Y >= 0 && Y >= FClip.Top &&
           Y < FClip.Bottom;
  }
  // Chooses the plot routine for the pixel size and the pen width.
  void UpdatePixelProcs();

protected:
  void DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void PlotPixel24(int32_t X, int32_t Y, uint8_t Value);
  void PlotPixel32(int32_t X, int32_t Y, uint8_t Value);
  void PlotPixel40(int32_t X, int32_t Y, uint8_t Value);
  void PlotWidePixel24(int32_t X, int32_t Y, uint8_t Value);
  void PlotWidePixel32(int32_t X, int32_t Y, uint8_t Value);
  void PlotWidePixel40(int32_t X, int32_t Y, uint8_t Value);

private:
  using TPlotProc = void (TQzCustomCanvas::*)(int32_t X, int32_t Y, uint8_t Value);
  uint8_t* PixelAddr(int32_t X, int32_t Y) {
    return FAccess ? FAccess->GetPixelPtr(X, Y) : FPixelAddr(FTarget, X, Y);
  }
  void Detach();
  void FontChanged(TObject* Sender);
  // R, G, B of the pixel at P blended with the pen by its alpha.
  void BlendPen(uint8_t* P);
  template <class TPaint>
  void ForWideSquare(int32_t X, int32_t Y, TPaint Paint);

  TObject* FTarget = nullptr;
  TCanvas* FTargetCanvas = nullptr;
  std::unique_ptr<TBitmap> FWorkBitmap;
  std::unique_ptr<TQzCanvasPen> FPen;
  TQzPixelAddrProc FPixelAddr = nullptr;
  TPlotProc FPlot = nullptr;
  TRect FClip;
  uint8_t FBytesPerPixel = 0;
  uint16_t FHalfWidth = 1;
  // The target's pixel interface or raster image and update bracket, found once when attached.
  IQzPixelAccess* FAccess = nullptr;
  TRasterImage* FRaster = nullptr;
  TQzBitmap* FBitmap = nullptr;
};

class TQzCanvas : public TQzCustomCanvas {
public:
  std::string ClassName() const override { return "TQzCanvas"; }
};
