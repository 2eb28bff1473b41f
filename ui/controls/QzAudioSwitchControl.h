// The audio switch control: one LED push switch with its caption, on or off. The plug-in tool
// bar's power switch enables and disables it along with the audio windowed controls beside it.
//
// A change of Checked reports itself (the internal change event, then OnChanged), whether code
// or the user made it, as a switch group's Checked does; setting the state it holds reports
// nothing. The user toggles it by a click (left button) or Space / Enter while it has the
// focus. A press also ends the shared in-place value editor, as on every audio control.
#pragma once

#include <cstdint>
#include <string>

#include "ui/controls/QzAudioPaint.h"
#include "ui/framework/QzAudioBase.h"

class TQzCustomAudioSwitchControl : public TQzCustomAudioControl {
public:
  // 60 x 25, off, yellow both ways, caption shown.
  explicit TQzCustomAudioSwitchControl(TComponent* AOwner);
  std::string ClassName() const override { return "TQzCustomAudioSwitchControl"; }
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void CMTextChanged(TMessage& Message) override;

  bool GetChecked() const { return FChecked; }
  // Shows the state and reports a change.
  void SetChecked(bool Value);
  // The switch's colour while off (Style) and on (SelectedStyle).
  TQzAudioSwitchStyle GetStyle() const { return FStyle; }
  void SetStyle(TQzAudioSwitchStyle Value);
  TQzAudioSwitchStyle GetSelectedStyle() const { return FSelectedStyle; }
  void SetSelectedStyle(TQzAudioSwitchStyle Value);
  bool GetShowText() const { return FShowText; }
  void SetShowText(bool Value);

protected:
  void Paint() override;

private:
  TQzAudioSwitchStyle FStyle = awsYellow;
  TQzAudioSwitchStyle FSelectedStyle = awsYellow;
  bool FChecked = false;
  bool FShowText = true;
};

class TQzAudioSwitchControl : public TQzCustomAudioSwitchControl {
public:
  using TQzCustomAudioSwitchControl::TQzCustomAudioSwitchControl;
  std::string ClassName() const override { return "TQzAudioSwitchControl"; }
};

// Registers the switch control with the form reader; idempotent.
void RegisterQzAudioSwitchControlClasses();
