// Frame-like controls: a separator line and a plain group box with its caption set into the top
// edge of its frame.
#pragma once

#include <cstdint>
#include <string>

#include "ui/framework/QzCtrls.h"

enum TQzBorderLineOrientation : uint8_t { bloHorizontal, bloVertical };
enum TQzBorderLineStyle : uint8_t { blsLine, blsFill, blsBitmap };

// One line across the control's width at its middle row, in theme colour 7 when themed and in
// clBtnShadow otherwise. Orientation and Style are kept for stored forms; the line is always
// horizontal.
class TQzBorderLine : public TQzCustomGraphicControl {
public:
  explicit TQzBorderLine(TComponent* AOwner);
  std::string ClassName() const override { return "TQzBorderLine"; }

  TQzBorderLineOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TQzBorderLineOrientation Value) { FOrientation = Value; }
  TQzBorderLineStyle GetStyle() const { return FStyle; }
  void SetStyle(TQzBorderLineStyle Value);
  // The colour the line is drawn in now.
  TColor LineColor() const;

protected:
  void Paint() override;

private:
  TQzBorderLineOrientation FOrientation = bloHorizontal;
  TQzBorderLineStyle FStyle = blsLine;
};

class TQzCustomGroupBox : public TQzCustomWinControl {
public:
  explicit TQzCustomGroupBox(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomGroupBox"; }
  // The whole control: the frame does not take space from aligned children.
  TRect GetClientRect() const override;

  bool GetRoundBorder() const { return FRoundBorder; }
  void SetRoundBorder(bool Value);
  bool GetBorderCaption() const { return FBorderCaption; }
  void SetBorderCaption(bool Value);
  bool GetShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);
  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // Height of the caption font at the last paint (10 before).
  int32_t GetCaptionHeight() const { return FCaptionHeight; }
  void CMTextChanged(TMessage& Message) override;

protected:
  void Paint() override;

private:
  bool FRoundBorder = true;
  bool FBorderCaption = true;
  bool FShowCaption = true;
  TAlignment FAlignment = taLeftJustify;
  int32_t FCaptionHeight = 10;
};

class TQzGroupBox : public TQzCustomGroupBox {
public:
  explicit TQzGroupBox(TComponent* AOwner) : TQzCustomGroupBox(AOwner) { SetCaption("TQzGroupBox"); }
  std::string ClassName() const override { return "TQzGroupBox"; }
};

// Registers the border line and group box with the form reader; idempotent.
void RegisterQzBorderClasses();
