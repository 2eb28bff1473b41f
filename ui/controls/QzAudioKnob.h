// The rotary control: a value between Min and Max shown as one frame of a vertical film strip
// of square frames, with an optional dot scale, caption and value display. Several knobs share
// one strip through a knob source.
//
// Value model: the knob's state is its angle (0..270 degrees); Value is where the angle points
// in Min..Max, the ends exactly. A range change keeps the angle, so the knob stays where it
// points and Value follows into the new range.
//
// Reports (DoChanged: OnChanged, nothing while updating): a changed Value or angle, from code or
// from a drag or a typed value; every change of Min or Max; a wheel notch reports once more
// after its value change, so a notch that moves the value reports twice, one at a limit once.
//
// Frame law of a strip of N frames: frame round((N - 1) * angle / 270), ties to even; frame 0
// points lower left, the middle one up, the last lower right. The build embeds such a strip as
// QzKnobStripResource; a knob without a strip (or with one it cannot use) draws no face.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/framework/QzAudioBase.h"

// The strip the build draws: 64 x 64 frames, 101 of them.
inline constexpr const char* QzKnobStripResource = "QZKNOBSTRIP";

enum TQzAudioKnobLayout { aklCenter, aklLeft, aklRight };

// Bit i of the stored set is member i (KNOB_SHOW_CAPTION = bit value 1 ... KNOB_EDIT_VALUE = 2048).
enum TQzAudioKnobOption {
  KNOB_SHOW_CAPTION,
  KNOB_SHOW_CAPTION_DISPLAY,
  KNOB_SHOW_CAPTION_TOP,
  KNOB_SHOW_VALUE,
  KNOB_SHOW_VALUE_DISPLAY,
  KNOB_VALUE_BOLD,
  KNOB_SHOW_SCALE,
  KNOB_SHOW_BORDER,
  KNOB_ROUND_BORDER,
  KNOB_SHOW_DIGI_TEXT,
  KNOB_SNAP_MOUSE,  // stored and streamed only
  KNOB_EDIT_VALUE,
};
using TQzAudioKnobOptions = TSet<TQzAudioKnobOption>;


// ---- the shared film strip ----

// The theme picture that replaces a linked knob source's film strip.
inline constexpr uint16_t QzThemeKnobPictureID = 61005;

class TQzCustomAudioKnobSource : public TQzCustomAudioComponent {
public:
  explicit TQzCustomAudioKnobSource(TComponent* AOwner);
  ~TQzCustomAudioKnobSource() override;
  std::string ClassName() const override { return "TQzCustomAudioKnobSource"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;

  TPicture* GetPicture() const { return FPicture; }
  // Copies Value into the owned picture.
  void SetPicture(TPicture* Value);
  // Loads a named resource into the picture; False, with the picture empty, when the resource
  // is missing or unreadable (the knobs then draw without a face).
  bool LoadFromResource(const std::string& Name = QzKnobStripResource);

  // No graphic, or a side below 5 pixels.
  bool IsEmpty() const;
  // The shorter side of the picture; 0 when IsEmpty.
  uint16_t GetFrameSize() const;
  void AddClient(TControl* Control);
  void RemoveClient(TControl* Control);
  int ClientCount() const { return static_cast<int>(FClients.size()); }
  // Themed: takes the theme's knob picture when the theme holds one; unthemed again, its own
  // picture comes back.
  void ThemeChanged() override;

private:
  void PictureChanged(TObject* Sender);
  TPicture* FPicture;
  // The picture a theme's replaced, while themed.
  std::unique_ptr<TPicture> FOwnPicture;
  std::vector<TControl*> FClients;
};

class TQzAudioKnobSource : public TQzCustomAudioKnobSource {
public:
  using TQzCustomAudioKnobSource::TQzCustomAudioKnobSource;
  std::string ClassName() const override { return "TQzAudioKnobSource"; }
};

// ---- value model and gestures ----

class TQzCustomAudioKnobControl : public TQzCustomAudioWinControl {
public:
  explicit TQzCustomAudioKnobControl(TComponent* AOwner);
  ~TQzCustomAudioKnobControl() override;
  std::string ClassName() const override { return "TQzCustomAudioKnobControl"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void BeforeDestruction() override;
  void UpdateLayout() override;

  // Within Min..Max (bounds in either order); Min when they are equal.
  float GetValue() const;
  // Raised to Min, then lowered to Max, so that on a range set up backwards (Min above Max) every
  // value becomes Max; a NaN is ignored. Turns the knob to the value's angle and reports a change
  // of the angle.
  void SetValue(float Value);
  float GetMin() const { return FMin; }
  float GetMax() const { return FMax; }
  // A non-finite bound is ignored. The angle is kept, so Value moves with the range; a changed
  // bound reports.
  void SetMin(float Value);
  void SetMax(float Value);
  // 0..270 degrees: the knob's state.
  float GetAngle() const;
  // Clamped to 0..270; a NaN is ignored. A changed angle reports.
  void SetAngle(float Value);

  TQzAudioKnobLayout GetLayout() const { return FLayout; }
  void SetLayout(TQzAudioKnobLayout Value);
  TQzAudioKnobOptions GetOptions() const { return FOptions; }
  void SetOptions(TQzAudioKnobOptions Value);
  TQzAudioColorStyle GetColorStyle() const { return FColorStyle; }
  void SetColorStyle(TQzAudioColorStyle Value);
  TQzCustomAudioKnobSource* GetKnobSource() const { return FKnobSource; }
  void SetKnobSource(TQzCustomAudioKnobSource* Value);
  // Called by the linked source when its picture changes: lays out again at the next paint.
  void KnobSourceChanged();

  const TRect& GetKnobRect() const { return FKnobRect; }
  const TRect& GetCaptionRect() const { return FCaptionRect; }
  const TRect& GetValueRect() const { return FValueRect; }

  // Opens the shared in-place editor over the value rect; Enter commits as a user change.
  void EditValue();
  void EndEditValue();

  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  // Up lowers the value, down raises it, by 1 (0.1 with Ctrl). Used whenever the knob is
  // enabled, so the notch never also scrolls the container.
  bool DoMouseWheelScroll(TObject* Sender, TShiftState Shift, int Direction, TPoint MousePos) override;

  TQzAudioEvent03 OnGetValueText;

protected:
  // The text of the value display.
  std::string ValueText() const;
  int32_t FTextHeight = 0;

private:
  // Stores the angle clamped to 0..270 and repaints; False when it was held already.
  bool StoreAngle(double Value);

  TQzCustomAudioKnobSource* FKnobSource = nullptr;
  TQzAudioKnobLayout FLayout = aklCenter;
  TQzAudioKnobOptions FOptions;
  TQzAudioColorStyle FColorStyle = acsDefault;
  TRect FKnobRect{}, FCaptionRect{}, FValueRect{};
  TPoint FLastMouse{};
  float FWheelStep = 1.0f;
  // Double, so that a value set reads back as set.
  double FAngle = 0.0;
  float FMax = 1.0f, FMin = -80.0f;
  uint8_t FMouseMode = 0;
};

// ---- painting ----

class TQzCustomAudioKnob : public TQzCustomAudioKnobControl {
public:
  explicit TQzCustomAudioKnob(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomAudioKnob"; }

  uint8_t GetScaleSpace() const { return FScaleSpace; }
  void SetScaleSpace(uint8_t Value);
  TColor GetScaleColor() const { return FScaleColor; }
  void SetScaleColor(TColor Value);
  TColor GetScaleHighlight() const { return FScaleHighlight; }
  void SetScaleHighlight(TColor Value);

  // The strip frame shown for Angle on a strip of W x H, or -1 when the strip holds no whole
  // frame (empty, or wider than tall).
  static int32_t FrameIndex(int32_t W, int32_t H, float Angle);

protected:
  void Paint() override;

private:
  void PaintScale(TCanvas* C, bool Enabled);
  void PaintValue(TCanvas* C, bool Enabled);
  void PaintCaption(TCanvas* C, bool Enabled);
  void PaintFace(TCanvas* C);

  uint8_t FScaleSpace = 255;
  TColor FScaleColor = 0;
  TColor FScaleHighlight = 0xFFFFFF;
};

class TQzAudioKnob : public TQzCustomAudioKnob {
public:
  using TQzCustomAudioKnob::TQzCustomAudioKnob;
  std::string ClassName() const override { return "TQzAudioKnob"; }
};

// Registers the knob classes, their enumerations and published properties with the form
// reader; idempotent.
void RegisterQzAudioKnobClasses();
