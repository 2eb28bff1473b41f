// The standard integer slider: a bar with a draggable thumb, arrow buttons at both ends that
// repeat while held, a caption and a value text on opposite sides of the bar, wheel and key
// stepping, and an optional value edit that mirrors the position.
//
// Contracts:
// - OnPositionChanged fires whenever the position changes: through the user's gestures (drag,
//   arrow buttons, wheel, keys), through Position set from code, and when a new Min or Max pulls
//   the position into the range. Setting the position it already has fires nothing. (A drag
//   reports every move twice, even one that keeps the position: once from the position under
//   the point, once more for the move.)
// - Min and Max may come in either order (a transient state while both are edited): the position
//   stays between them, and the bar then runs from Min at its left (bottom) end to Max. With
//   Min = Max the thumb rests at the Min end.
// - The repeat timer exists only while an arrow button is held; release, leaving the control,
//   losing the focus and being disabled all stop it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ExtCtrls.h"
#include "platform/Graphics.h"
#include "ui/controls/QzEdit.h"
#include "ui/framework/QzCtrls.h"

enum TQzSliderBarStyle : uint8_t { sbsDefault, sbsSolid, sbsGradient, sbsThemed };
enum TQzSliderOrientation : uint8_t { sloHorizontal, sloVertical };
enum TQzSliderCaptionAlign : uint8_t { scaTop, scaBottom };
enum TQzSliderValueStyle : uint8_t { slvNative, slvPercent, slvOwnerDraw, slvNone };
enum TQzSliderValueAlign : uint8_t { svaLeft, svaCenter, svaRight };
enum TQzSliderOption : uint8_t { sloAlignEdit, sloTransparent };
using TQzSliderOptions = TSet<TQzSliderOption>;
using TQzSliderEvent1 = std::function<void(TObject* Sender, TCanvas* Canvas, const TRect& Rect)>;

// Parts for GetPartRect.
enum : int { qspBar = 1, qspThumb, qspLeftButton, qspRightButton, qspCaption, qspValue };

class TQzCustomSlider : public TQzCustomWinControl {
public:
  explicit TQzCustomSlider(TComponent* AOwner);
  ~TQzCustomSlider() override;
  std::string ClassName() const override { return "TQzCustomSlider"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

  int32_t GetMin() const { return FMin; }
  // Keeps the position within the new range (OnPositionChanged when that moved it).
  void SetMin(int32_t Value);
  int32_t GetMax() const { return FMax; }
  void SetMax(int32_t Value);
  int32_t GetPosition() const { return FPosition; }
  // Clamped to the range; a change repaints, syncs the edit and fires OnPositionChanged.
  void SetPosition(int32_t Value);
  int32_t GetButtonChange() const { return FButtonChange; }
  void SetButtonChange(int32_t Value) { FButtonChange = Value < 1 ? 1 : Value; }
  int32_t GetWheelChange() const { return FWheelChange; }
  void SetWheelChange(int32_t Value) { FWheelChange = Value < 1 ? 1 : Value; }
  int32_t GetTickFrequency() const { return FTickFrequency; }
  void SetTickFrequency(int32_t Value);
  bool GetShowTickMarks() const { return FShowTickMarks; }
  void SetShowTickMarks(bool Value);
  int32_t GetBarSize() const { return FBarSize; }
  void SetBarSize(int32_t Value);
  TColor GetBarColor() const { return FBarColor; }
  void SetBarColor(TColor Value);
  TQzSliderBarStyle GetBarStyle() const { return FBarStyle; }
  void SetBarStyle(TQzSliderBarStyle Value);
  TQzSliderOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TQzSliderOrientation Value);
  TQzSliderCaptionAlign GetCaptionAlign() const { return FCaptionAlign; }
  void SetCaptionAlign(TQzSliderCaptionAlign Value);
  TAlignment GetCaptionAlignment() const { return FCaptionAlignment; }
  void SetCaptionAlignment(TAlignment Value);
  TQzSliderValueStyle GetValueStyle() const { return FValueStyle; }
  void SetValueStyle(TQzSliderValueStyle Value);
  TQzSliderValueAlign GetValueAlign() const { return FValueAlign; }
  void SetValueAlign(TQzSliderValueAlign Value);
  bool GetShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);
  bool GetShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool Value);
  bool GetShowTrack() const { return FShowTrack; }
  void SetShowTrack(bool Value);
  int32_t GetSpaceHorz() const { return FSpaceHorz; }
  // 0 .. ClientWidth div 3.
  void SetSpaceHorz(int32_t Value);
  int32_t GetSpaceVert() const { return FSpaceVert; }
  // 0 .. ClientHeight div 3.
  void SetSpaceVert(int32_t Value);
  bool GetUseKeys() const { return FUseKeys; }
  void SetUseKeys(bool Value) { FUseKeys = Value; }
  TQzSliderOptions GetOptions() const { return FOptions; }
  void SetOptions(TQzSliderOptions Value);
  TQzCustomValueEdit* GetEdit() const { return FEdit; }
  // Pushes Max, then Min, then the position into the edit.
  void SetEdit(TQzCustomValueEdit* Value);

  // Part 1 bar, 2 thumb, 3 left (top) button, 4 right (bottom) button, 5 caption, 6 value text;
  // any other part is empty. Caption and value text have no place on a vertical slider.
  TRect GetPartRect(int Part);
  // The position under a point of the bar (clamped to its ends), as a drag sets it; fires
  // OnPositionChanged once.
  void SetPositionFromPoint(int32_t X, int32_t Y);
  bool IsRepeating() const { return FRepeatTimer != nullptr; }
  bool IsHot() const { return FHot; }

  virtual void DrawBar(TCanvas* Canvas, const TRect& R);
  virtual void DrawThumb(TCanvas* Canvas, const TRect& R, bool Hot, bool Pressed);
  virtual void DrawThumbVert(TCanvas* Canvas, const TRect& R, bool Hot, bool Pressed);
  virtual std::string GetValueText(int32_t Value);

  // A horizontal slider never gets shorter than its bar, caption and value text need.
  void SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) override;
  void EraseBackground(HDC DC) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  bool DoMouseWheelScroll(TObject* Sender, TShiftState Shift, int Direction, TPoint MousePos) override;
  void ThemeChanged() override;
  void CMTextChanged(TMessage& Message) override;
  void CMFontChanged(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;
  void CMEnabledChanged(TMessage& Message) override;
  void WMKillFocus(TMessage& Message) override;
  void WMSize(TMessage& Message) override;

  TNotifyEvent OnPositionChanged;
  TQzSliderEvent1 OnDrawValue;

protected:
  void Paint() override;

private:
  void Changed();
  // Clamps, stores, repaints and syncs the edit; True when the position changed.
  bool StorePosition(int32_t Value);
  // A step of the user's (arrow button, wheel, key): fires OnPositionChanged when it moved.
  void UserStep(int32_t Delta);
  void PositionChanged();
  void NeedLayout();
  void Layout();
  void AlignEdit();
  void FitHeight();
  int32_t MinHeight();
  void StartRepeat(uint8_t State, int32_t Delta);
  void StopRepeat();
  void RepeatTick(TObject* Sender);
  // Pixels from the Min end of the bar (0 .. Extent) for Value.
  int32_t OffsetOf(int32_t Value, int32_t Extent) const;

  int32_t FMin = -255;
  int32_t FMax = 255;
  int32_t FPosition = 0;
  int32_t FButtonChange = 5;
  int32_t FWheelChange = 1;
  int32_t FTickFrequency = 25;
  bool FShowTickMarks = false;
  int32_t FBarSize = 4;
  TColor FBarColor = 0x808080;
  TQzSliderBarStyle FBarStyle = sbsThemed;
  TQzSliderOrientation FOrientation = sloHorizontal;
  TQzSliderCaptionAlign FCaptionAlign = scaBottom;
  TAlignment FCaptionAlignment = taCenter;
  TQzSliderValueStyle FValueStyle = slvPercent;
  TQzSliderValueAlign FValueAlign = svaCenter;
  bool FShowCaption = true;
  bool FShowButtons = true;
  bool FShowTrack = true;
  int32_t FSpaceHorz = 3;
  int32_t FSpaceVert = 3;
  bool FUseKeys = true;
  TQzSliderOptions FOptions{sloAlignEdit, sloTransparent};
  TQzCustomValueEdit* FEdit = nullptr;

  int32_t FThumbWidth = 22, FThumbHeight = 22;
  int32_t FButtonWidth = 14, FButtonHeight = 14;
  int32_t FTextHeight = 0;
  TRect FBarRect{0, 0, 0, 0};
  TRect FLeftButton{0, 0, 0, 0};
  TRect FRightButton{0, 0, 0, 0};
  bool FNeedsLayout = true;
  bool FHot = false;
  bool FHotTracking = true;
  uint8_t FMouseState = 0;  // 0 none, 1 left, 2 right
  uint8_t FPressState = 0;  // 0 none, 1 dragging, 2 left button repeating, 3 right button repeating
  TTimer* FRepeatTimer = nullptr;
  int32_t FRepeatDelta = 0;
};

class TQzSlider : public TQzCustomSlider {
public:
  using TQzCustomSlider::TQzCustomSlider;
  std::string ClassName() const override { return "TQzSlider"; }
};

// Registers the slider classes, enumerations and published properties with the form reader, and
// the slider's row of the translation source; idempotent.
void RegisterQzSliderClasses();
