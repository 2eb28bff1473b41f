// The level fader: a slider that keeps a 32-bit float Value within Min..Max, maps it onto a
// 4-pixel track by one of three scale laws and draws a scale, a value display, a caption and a
// knob picture. The knob picture comes from a knob source that several sliders may share.
//
// Scale laws (the track runs from Max at its top or right end to Min at its bottom or left end):
// - SLIDER_SCALE_LIN: linear over the whole track.
// - SLIDER_SCALE_LOG: linear from Max down to 0 over the first fifth of the track (when Max > 0),
//   then logarithmic in ln(1 - V) from 0 down to Min.
// - SLIDER_SCALE_OPT: linear from Max down to 0 over the first fifth, linear from 0 down to -3
//   over the second fifth, then logarithmic in ln(-2 - V) from -3 down to Min.
// A mark that falls outside Min..Max is left out and its neighbours join, so every law stays
// continuous and ValueToPixel and PixelToValue are inverse to each other up to rounding.
//
// A change of Value reports itself, whether code or the user (drag, wheel, a typed value) made
// it: OnInternalChange with the new value, then DoChanged (OnInternalChange with 0.0 and
// OnChanged, nothing while updating). Range changes and the layout clamp Value silently.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Graphics.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/framework/QzAudioBase.h"

enum TQzAudioSliderScaleType : uint8_t { SLIDER_SCALE_LIN, SLIDER_SCALE_LOG, SLIDER_SCALE_OPT };
enum TQzAudioSliderOption : uint8_t {
  SLIDER_SHOW_VALUE,
  SLIDER_SHOW_VALUE_BORDER,
  SLIDER_SHOW_TEXT,
  SLIDER_SHOW_TEXT_BORDER,
  SLIDER_SHOW_BORDER,
  SLIDER_SHOW_BACKGROUND,  // kept for stored option sets; draws nothing
  SLIDER_SHOW_SCALE,
  SLIDER_FOLLOW_TRACK,
  SLIDER_EDIT_VALUE,
};
using TQzAudioSliderOptions = TSet<TQzAudioSliderOption>;


// Holds the knob picture that sliders draw. A new source holds no picture (sliders then draw
// their built-in knob); the editor's description loads the "QZSLIDERCAP" resource into its own.
// Sliders read the picture at their next layout; they do not register with the source.
// The theme picture that replaces a linked slider knob source's picture.
inline constexpr uint16_t QzThemeSliderKnobPictureID = 61002;

class TQzCustomAudioSliderKnobSource : public TQzCustomAudioComponent {
public:
  explicit TQzCustomAudioSliderKnobSource(TComponent* AOwner);
  ~TQzCustomAudioSliderKnobSource() override;
  std::string ClassName() const override { return "TQzCustomAudioSliderKnobSource"; }

  TPicture* GetPicture() const { return FPicture; }
  // Takes a copy of Value's graphic; nil empties the picture.
  void SetPicture(TPicture* Value);
  // No picture, or one narrower or lower than 1 pixel.
  bool IsEmpty() const;
  // Themed: takes the theme's slider knob picture when the theme holds one; unthemed again, its
  // own picture comes back.
  void ThemeChanged() override;

private:
  TPicture* FPicture = nullptr;
  std::unique_ptr<TPicture> FOwnPicture;
};

class TQzAudioSliderKnobSource : public TQzCustomAudioSliderKnobSource {
public:
  using TQzCustomAudioSliderKnobSource::TQzCustomAudioSliderKnobSource;
  std::string ClassName() const override { return "TQzAudioSliderKnobSource"; }
};

class TQzCustomAudioSlider : public TQzCustomAudioOrientationWinControl {
public:
  // Range -10..0, Value 1 (0 from the first layout on), 80 x 300, Padding 10, options value and caption.
  explicit TQzCustomAudioSlider(TComponent* AOwner);
  ~TQzCustomAudioSlider() override;
  std::string ClassName() const override { return "TQzCustomAudioSlider"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  float GetMin() const { return FMin; }
  float GetMax() const { return FMax; }
  float GetValue() const { return FValue; }
  // Non-finite bounds are ignored. The value is clamped into the new range silently.
  void SetMin(float Value);
  void SetMax(float Value);
  // Clamped; a changed value is stored, reported (see above) and shown. A NaN keeps the old one.
  void SetValue(float Value);

  TQzAudioSliderScaleType GetScaleType() const { return FScaleType; }
  void SetScaleType(TQzAudioSliderScaleType Value);
  TQzAudioColorStyle GetColorStyle() const { return FColorStyle; }
  void SetColorStyle(TQzAudioColorStyle Value);
  TQzAudioSliderOptions GetOptions() const { return FOptions; }
  void SetOptions(TQzAudioSliderOptions Value);
  TColor GetLineColor() const { return FLineColor; }
  void SetLineColor(TColor Value);
  TQzCustomAudioSliderKnobSource* GetKnobSource() const { return FKnobSource; }
  void SetKnobSource(TQzCustomAudioSliderKnobSource* Value);
  uint16_t GetScaleFrequency() const { return FScaleFrequency; }
  void SetScaleFrequency(uint16_t Value);
  const std::string& GetScaleValuesVertical() const { return FScaleValuesVertical; }
  // Labelled negative marks of a vertical scale, each followed by ";" ("-1;-3;-10;").
  void SetScaleValuesVertical(const std::string& Value);

  // Layout results (client coordinates); valid after UpdateLayout.
  TRect GetTrackRect() const { return FTrackRect; }
  TRect GetKnobRect() const { return FKnobRect; }
  TRect GetValueRect() const { return FValueRect; }
  TRect GetTextRect() const { return FTextRect; }
  // Pixels on the track axis where 0 and -3 sit under the LOG and OPT laws, and the extent of
  // their logarithmic part. The linear law maps the whole track and does not read them.
  int32_t GetZeroMark() const { return FZeroMark; }
  int32_t GetMinus3Mark() const { return FMinus3Mark; }
  int32_t GetLowerSpan() const { return FLowerSpan; }

  // Value (clamped into the range) to a pixel on the track axis: y when vertical, x when
  // horizontal; always within the track's ends.
  int32_t ValueToPixel(float V) const;
  // The inverse: the value at X (horizontal) or Y (vertical), within Min..Max. A track shorter
  // than 1 pixel gives 0.
  float PixelToValue(int32_t X, int32_t Y) const;

  // Opens the shared in-place editor over the value display; a confirmed number is a user change.
  void EditValue();
  void EndEditValue();

  void UpdateLayout() override;

  TQzAudioEvent03 OnGetValueText;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  // A notch moves the value by 0.1 (1.0 with Ctrl) up or down and is always used up, so the
  // container does not scroll as well.
  bool DoMouseWheelScroll(TObject* Sender, TShiftState Shift, int Direction, TPoint MousePos) override;

private:
  // SetValue for a typed or stepped value; one that is not a finite number changes nothing.
  void UserSetValue(double V);
  // Keeps the value inside the range without reporting.
  void ClampValueSilently();
  void PaintScale(TCanvas* C, bool Enabled);
  void PaintValue(TCanvas* C, bool Enabled);
  void PaintText(TCanvas* C, bool Enabled);

  TQzCustomAudioSliderKnobSource* FKnobSource = nullptr;
  TQzAudioSliderScaleType FScaleType = SLIDER_SCALE_LIN;
  TQzAudioColorStyle FColorStyle = acsDefault;
  TQzAudioSliderOptions FOptions;
  TRect FContentRect{}, FTrackRect{}, FKnobRect{}, FValueRect{}, FTextRect{};
  TColor FLineColor = 0;
  int32_t FKnobWidth = 0, FKnobHeight = 0;
  std::string FScaleValuesVertical = "3;2;1;0;-1;-2;-3;-5;-10;-20;-40;-80;";
  int32_t FLowerSpan = 0, FHalfKnob = 0, FZeroMark = 0, FMinus3Mark = 0;
  uint8_t FMouseMode = 0;
  // Value starts outside the default range; the first layout brings it in, silently.
  float FMin = -10.0f, FMax = 0.0f, FValue = 1.0f;
  uint16_t FScaleFrequency = 5;
};

class TQzAudioVolumeSlider : public TQzCustomAudioSlider {
public:
  using TQzCustomAudioSlider::TQzCustomAudioSlider;
  std::string ClassName() const override { return "TQzAudioVolumeSlider"; }
};

// Registers the slider and knob-source classes and their enumerations with the form reader;
// idempotent.
void RegisterQzAudioVolumeSliderClasses();
