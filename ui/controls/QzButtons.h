// The owner-drawn push button and check box of the standard controls.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ImgList.h"
#include "ui/framework/QzCtrls.h"

enum TQzButtonImageAlign : uint8_t { biaLeft, biaRight, biaTop, biaBottom, biaCenter };

// A push button with normal, hot and pressed looks, an optional image of an image list and a
// caption. Down follows the mouse: pressing sets it, leaving the button clears it.
class TQzCustomButton : public TQzCustomWinControl {
public:
  explicit TQzCustomButton(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomButton"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  int32_t GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  TQzButtonImageAlign GetImageAlign() const { return FImageAlign; }
  void SetImageAlign(TQzButtonImageAlign Value);
  bool GetShowText() const { return FShowText; }
  void SetShowText(bool Value);
  bool GetDown() const { return FDown; }
  // Ignored while the button is disabled.
  void SetDown(bool Value);
  bool GetHotTrack() const { return FHotTrack; }
  void SetHotTrack(bool Value);
  // 0 normal, 1 hot (mouse over), 3 pressed.
  uint8_t GetDrawState() const { return FDrawState; }

  TNotifyEvent OnChanged;

  // Also takes the action's image index (repainting only when it differs).
  void ActionChange(TBasicAction* Sender) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void CMTextChanged(TMessage& Message) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;

protected:
  void Paint() override;

private:
  void SetDrawState(uint8_t Value);

  TCustomImageList* FImages = nullptr;
  int32_t FImageIndex = -1;
  TQzButtonImageAlign FImageAlign = biaLeft;
  bool FShowText = true;
  bool FDown = false;
  bool FHotTrack = false;
  uint8_t FDrawState = 0;
};

class TQzButton : public TQzCustomButton {
public:
  using TQzCustomButton::TQzCustomButton;
  std::string ClassName() const override { return "TQzButton"; }
};

// A check box drawn from the shared "QzCheckBox" and "QzChecked" bitmaps (QzStdCtrls.h), toggled
// by a left click, Enter or Space. It sizes its width to the box and caption.
class TQzCustomCheckBox : public TQzCustomWinControl {
public:
  explicit TQzCustomCheckBox(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomCheckBox"; }

  bool GetChecked() const { return FChecked; }
  // Stores and repaints; reports nothing (only the user's toggles call Changed).
  void SetChecked(bool Value);

  TNotifyEvent OnChanged;

  void EraseBackground(HDC DC) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void CMEnabledChanged(TMessage& Message) override;
  void CMTextChanged(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;
  void Loaded() override;
  // The theme may bring another font: the width follows.
  void ThemeChanged() override;

protected:
  virtual void Changed();
  void Paint() override;

private:
  void Toggle();
  // Width: the box, 10 pixels and the caption; set when the caption or font changes.
  void FitWidth();
  // The theme's check-box font when themed, else Font.
  TFont* CaptionFont() const;
  bool FChecked = true;
};

class TQzCheckBox : public TQzCustomCheckBox {
public:
  using TQzCustomCheckBox::TQzCustomCheckBox;
  std::string ClassName() const override { return "TQzCheckBox"; }
};

// Registers the button and check-box classes and their published properties with the form
// reader; idempotent.
void RegisterQzButtonsClasses();
