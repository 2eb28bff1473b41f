// The toolkit's image lists: numbered images of one size, drawn by index in one of four
// drawing styles and with an enabled or disabled look.
#pragma once

#include <memory>
#include <vector>

#include "platform/Components.h"
#include "platform/Graphics.h"

// In the toolkit's order: callers set "the third style" (dsNormal) by number.
enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

// Images are held as 32-bit pixels with alpha. Draw styles: dsNormal and dsTransparent draw the
// image over what is there (dsNormal first fills its cell with BkColor unless that is clNone);
// dsFocus mixes a quarter and dsSelected half of BlendColor into the image (clNone or
// clDefault: the highlight colour). The disabled look is the image in light grey.
class TCustomImageList : public TComponent {
public:
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;
  std::string ClassName() const override { return "TCustomImageList"; }
  void Assign(TPersistent* Source) override;

  int32_t GetWidth() const { return FWidth; }
  int32_t GetHeight() const { return FHeight; }
  // Changing the size clears the list.
  void SetWidth(int32_t Value);
  void SetHeight(int32_t Value);
  void SetSize(int32_t AWidth, int32_t AHeight);
  int32_t GetCount() const { return static_cast<int32_t>(FImages.size()); }
  TDrawingStyle GetDrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TDrawingStyle Value);
  TImageType GetImageType() const { return FImageType; }
  void SetImageType(TImageType Value) { FImageType = Value; }
  TColor GetBkColor() const { return FBkColor; }
  void SetBkColor(TColor Value);
  TColor GetBlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor Value);
  bool GetMasked() const { return FMasked; }
  void SetMasked(bool Value) { FMasked = Value; }

  // Adds the image (cut into Width-wide pieces when it is wider, each piece one image);
  // Mask, when given, is a picture of the same size whose black pixels are the visible ones.
  // A picture with alpha keeps its alpha. Returns the index of the first image added, -1 when
  // nothing was added.
  int32_t Add(TRasterImage* Image, TRasterImage* Mask = nullptr);
  // Pixels of MaskColor become transparent (clDefault: the colour of the bottom-left pixel).
  int32_t AddMasked(TRasterImage* Image, TColor MaskColor);
  // Cuts a picture into HorizontalCount x VerticalCount equal cells, row by row.
  int32_t AddSliced(TRasterImage* Image, int32_t HorizontalCount, int32_t VerticalCount);
  void Delete(int32_t Index);
  void Clear();
  // Copies image Index into Image (32 bits with alpha); false for a bad index.
  bool GetBitmap(int32_t Index, TBitmap* Image) const;

  void Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled = true);
  void Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, TDrawingStyle ADrawingStyle,
            TImageType AImageType, bool Enabled = true);
  // The image stretched into Rect.
  void StretchDraw(TCanvas* Canvas, int32_t Index, const TRect& Rect, bool Enabled = true);

  TNotifyEvent OnChange;

protected:
  virtual void Change();

private:
  // One image: Width x Height pixels B, G, R, A, top-down.
  using TImage = std::vector<uint8_t>;
  int32_t AddCell(const TRasterImage* Image, const TRasterImage* Mask, int32_t X, int32_t Y,
                  int32_t W, int32_t H, bool Keyed, TColor Key);
  void Render(TCanvas* Canvas, const TRect& Dest, int32_t Index, TDrawingStyle Style, bool Enabled);

  int32_t FWidth = 16;
  int32_t FHeight = 16;
  TDrawingStyle FDrawingStyle = dsNormal;
  TImageType FImageType = itImage;
  TColor FBkColor = clNone;
  TColor FBlendColor = clNone;
  bool FMasked = true;
  std::vector<TImage> FImages;
};

class TImageList : public TCustomImageList {
public:
  using TCustomImageList::TCustomImageList;
  std::string ClassName() const override { return "TImageList"; }
};
