// The extended controls' shared bitmaps and three light controls with an optional image of an
// image list: the hot-tracking link label, the action icon and the section head line.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ImgList.h"
#include "ui/framework/QzCtrls.h"

// "QZBSBTNLEFT", "QZBSBTNRIGHT", "QZBSBTNMINUS", "QZBSBTNPLUS", the six "QZALIGN..." icons and
// own copies of "QzCheckBox" and "QzChecked". Idempotent; called at library start and end.
void QzExtCtrlsInitialize();
void QzExtCtrlsFinalize();
TBitmap* QzExtCtrlsBitmap(const std::string& Name);

// Image list and index shared by the three controls: the list is forgotten when it is freed.
class TQzImageLinkedControl : public TQzCustomGraphicControl {
public:
  explicit TQzImageLinkedControl(TComponent* AOwner);
  std::string ClassName() const override { return "TQzImageLinkedControl"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  int32_t GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  void Loaded() override;
  void CMTextChanged(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;
  void ThemeChanged() override;

protected:
  // Sizes the control to its caption, font and image list; called when one of them changes,
  // never from Paint. The default keeps the size.
  virtual void FitToContent() {}
  // Images set and ImageIndex within it.
  bool HasImage() const;
  // Client size set only when it differs, so that a paint that sizes settles.
  void FitClient(int32_t W, int32_t H);
  int32_t FImageIndex = 0;

private:
  TCustomImageList* FImages = nullptr;
};

// A text link that sizes itself to its image and caption and lights up under the mouse.
class TQzCustomActionLabel : public TQzImageLinkedControl {
public:
  explicit TQzCustomActionLabel(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomActionLabel"; }
  bool GetHot() const { return FHot; }
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void CMMouseLeave(TMessage& Message) override;

protected:
  void FitToContent() override;
  void Paint() override;

private:
  bool FHot = false;
};

class TQzActionLabel : public TQzCustomActionLabel {
public:
  using TQzCustomActionLabel::TQzCustomActionLabel;
  std::string ClassName() const override { return "TQzActionLabel"; }
};

// One image of a list, at its natural size or stretched over the control with the colour of its
// top-left pixel transparent.
class TQzCustomActionIcon : public TQzImageLinkedControl {
public:
  explicit TQzCustomActionIcon(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomActionIcon"; }

protected:
  void Paint() override;
};

class TQzActionIcon : public TQzCustomActionIcon {
public:
  using TQzCustomActionIcon::TQzCustomActionIcon;
  std::string ClassName() const override { return "TQzActionIcon"; }
};

enum TQzHeadLineStyle : uint8_t { hlsSolid, hlsTransparent, hlsRoundRect, hlsGradientHorz, hlsGradientVert };

// A bold section heading over an optional background, with a line through its middle.
class TQzCustomHeadLine : public TQzImageLinkedControl {
public:
  explicit TQzCustomHeadLine(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomHeadLine"; }

  TQzHeadLineStyle GetStyle() const { return FStyle; }
  void SetStyle(TQzHeadLineStyle Value);
  uint8_t GetIndent() const { return FIndent; }
  void SetIndent(uint8_t Value);
  bool GetDrawLine() const { return FDrawLine; }
  void SetDrawLine(bool Value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);

protected:
  void FitToContent() override;
  void Paint() override;

private:
  TQzHeadLineStyle FStyle = hlsTransparent;
  uint8_t FIndent = 20;
  bool FDrawLine = true;
  TAlignment FAlignment = taLeftJustify;
};

class TQzHeadLine : public TQzCustomHeadLine {
public:
  explicit TQzHeadLine(TComponent* AOwner) : TQzCustomHeadLine(AOwner) { SetCaption("TQzHeadLine"); }
  std::string ClassName() const override { return "TQzHeadLine"; }
};

// Registers the link label, action icon and head line with the form reader; idempotent.
void RegisterQzExtCtrlsClasses();
