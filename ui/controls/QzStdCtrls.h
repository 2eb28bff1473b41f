// What the standard and extended controls share: the named control bitmaps their units load at
// library start, and the two passive text controls, the header bar and the label.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "ui/framework/QzCtrls.h"

// A set of named bitmaps, each loaded from the module resource of that name with Transparent set.
// A resource that is missing or unreadable leaves an empty bitmap: the controls then draw without
// it. Names are looked up without regard to ASCII case.
class TQzNamedBitmaps {
public:
  // Loads every non-empty name of Names that is not yet loaded; never throws.
  void Load(const std::vector<std::string>& Names);
  // nullptr for a name that was not loaded (or before Load).
  TBitmap* Find(const std::string& Name) const;
  bool Loaded() const { return !FItems.empty(); }

private:
  struct TItem {
    std::string Name;
    std::unique_ptr<TBitmap> Bitmap;
  };
  std::vector<TItem> FItems;
};

// The standard controls' bitmaps: "QZEDITUP", "QZEDITDN", "QzCheckBox", "QzChecked",
// "QzSliderHorz01", "QZSLIDERBTNLEFT", "QZSLIDERBTNRIGHT". Called at library start and end (and
// by tests); both are idempotent.
void QzStdCtrlsInitialize();
void QzStdCtrlsFinalize();
// The loaded bitmap of that name; nullptr before QzStdCtrlsInitialize or for another name.
TBitmap* QzStdCtrlsBitmap(const std::string& Name);

// Size of Text in Font, measured off-screen: controls that fit themselves to their text do it
// when the text or font changes, never from Paint, so that a paint never asks for another.
TSize QzMeasureText(TFont* Font, const std::string& Text);

// Drawn with the header bar's and label's solid or gradient backgrounds.
enum TQzBackgroundStyle : uint8_t { cbsGradientHorz, cbsGradientVert, cbsSolid, cbsTransparent };

// A title band: a large bold caption, an information line under it, an optional picture stretched
// over the band, a bottom line; with MoveWindow it drags its form.
class TQzCustomHeaderBar : public TQzCustomWinControl {
public:
  explicit TQzCustomHeaderBar(TComponent* AOwner);
  ~TQzCustomHeaderBar() override;
  std::string ClassName() const override { return "TQzCustomHeaderBar"; }

  // Owned; drawing into it or loading it repaints the bar.
  TBitmap* GetBitmap() const { return FBitmap.get(); }
  void SetBitmap(TBitmap* Value);
  const std::string& GetInfoText() const { return FInfoText; }
  void SetInfoText(const std::string& Value);
  uint8_t GetPadding() const { return FPadding; }
  void SetPadding(uint8_t Value);
  uint16_t GetTextPosition() const { return FTextPosition; }
  void SetTextPosition(uint16_t Value);
  bool GetBottomLine() const { return FBottomLine; }
  void SetBottomLine(bool Value);
  bool GetOptimizedImage() const { return FOptimizedImage; }
  void SetOptimizedImage(bool Value);
  bool GetMoveWindow() const { return FMoveWindow; }
  void SetMoveWindow(bool Value) { FMoveWindow = Value; }

  // With a picture the picture covers the band; without one the theme's header background or,
  // unthemed, the control's colour is laid under the texts, so nothing stale shows through.
  void EraseBackground(HDC DC) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void CMTextChanged(TMessage& Message) override;

protected:
  void Paint() override;

private:
  void BitmapChanged(TObject* Sender);
  bool HasPicture() const;

  std::unique_ptr<TBitmap> FBitmap;
  std::string FInfoText;
  uint8_t FPadding = 3;
  uint16_t FTextPosition = 0;
  bool FBottomLine = true;
  bool FOptimizedImage = true;
  bool FMoveWindow = false;
  bool FDragging = false;
  TPoint FLastPos{0, 0};
};

class TQzHeaderBar : public TQzCustomHeaderBar {
public:
  using TQzCustomHeaderBar::TQzCustomHeaderBar;
  std::string ClassName() const override { return "TQzHeaderBar"; }
};

// A windowless text label with padding, an optional solid or gradient background and self-sizing.
// The caption is the toolkit's text of the control.
class TQzCustomLabel : public TQzCustomGraphicControl {
public:
  explicit TQzCustomLabel(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomLabel"; }

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  uint8_t GetPadding() const { return FPadding; }
  void SetPadding(uint8_t Value);
  TQzBackgroundStyle GetBackgroundStyle() const { return FBackgroundStyle; }
  void SetBackgroundStyle(TQzBackgroundStyle Value);
  // Width of the caption at the last paint.
  int32_t GetTextWidth() const { return FTextWidth; }
  void SetAutoSize(bool Value) override;
  // The label fits itself (FitToText); the toolkit's own sizing keeps the bounds.
  void CalculatePreferredSize(int32_t& PreferredWidth, int32_t& PreferredHeight) override;
  void Loaded() override;
  void CMTextChanged(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;

protected:
  void Paint() override;

private:
  // With AutoSize: the bounds that fit the measured text plus padding. A left-justified label
  // keeps its left edge, a right-justified one its right edge, a centred one its centre; once the
  // bounds fit, nothing moves again.
  void FitToText();

  TAlignment FAlignment = taLeftJustify;
  uint8_t FPadding = 0;
  TQzBackgroundStyle FBackgroundStyle = cbsTransparent;
  int32_t FTextWidth = 0;
};

class TQzLabel : public TQzCustomLabel {
public:
  explicit TQzLabel(TComponent* AOwner) : TQzCustomLabel(AOwner) { SetCaption("TQzLabel"); }
  std::string ClassName() const override { return "TQzLabel"; }
};

// Registers the header bar and label classes, their enumeration and published properties with
// the form reader ("Bitmap = 'NAME'" loads the named resource); idempotent.
void RegisterQzStdCtrlsClasses();
