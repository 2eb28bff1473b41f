#include "ui/controls/QzAudioSwitchControl.h"

#include "platform/FormReader.h"
#include "ui/controls/QzAudioEdit.h"

TQzCustomAudioSwitchControl::TQzCustomAudioSwitchControl(TComponent* AOwner) : TQzCustomAudioControl(AOwner) {
  SetBounds(GetLeft(), GetTop(), 60, 25);
  // Focusable, so that Space and Enter reach the switch.
  SetTabStop(true);
}

void TQzCustomAudioSwitchControl::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  Invalidate();
  Changed();
}

void TQzCustomAudioSwitchControl::SetStyle(TQzAudioSwitchStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  Invalidate();
}

void TQzCustomAudioSwitchControl::SetSelectedStyle(TQzAudioSwitchStyle Value) {
  if (Value == FSelectedStyle) return;
  FSelectedStyle = Value;
  Invalidate();
}

void TQzCustomAudioSwitchControl::SetShowText(bool Value) {
  if (Value == FShowText) return;
  FShowText = Value;
  Invalidate();
}

void TQzCustomAudioSwitchControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (IsEnabled()) {
    QzEndAudioEdit();
    if (Button == mbLeft) {
      if (GetTabStop() && CanFocus()) SetFocus();
      SetChecked(!FChecked);
    }
  }
  TQzCustomAudioControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomAudioSwitchControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  TQzCustomAudioControl::KeyDown(Key, Shift);
  if ((Key == VK_SPACE || Key == VK_RETURN) && IsEnabled()) {
    Key = 0;
    SetChecked(!FChecked);
  }
}

void TQzCustomAudioSwitchControl::CMTextChanged(TMessage& Message) {
  TQzCustomAudioControl::CMTextChanged(Message);
  Invalidate();
}

void TQzCustomAudioSwitchControl::Paint() {
  TCanvas* c = GetCanvas();
  const int32_t pad = GetPadding();
  const TRect r = Rect(pad, pad, GetClientWidth() - pad, GetClientHeight() - pad);
  c->SetFont(GetFont());
  c->GetFont()->SetStyle(c->GetFont()->GetStyle() + fsBold);
  DrawSwitchButton(c, r, IsEnabled(), FChecked, FShowText ? GetCaption() : std::string(),
                   FChecked ? FSelectedStyle : FStyle, false);
  TQzCustomAudioControl::Paint();
}

void RegisterQzAudioSwitchControlClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBaseClasses();
  RegisterQzAudioPaintEnums();
  TClassRegistrar<TQzCustomAudioSwitchControl>("TQzCustomAudioSwitchControl", "TQzCustomAudioControl", false);
  TClassRegistrar<TQzAudioSwitchControl>("TQzAudioSwitchControl", "TQzCustomAudioSwitchControl", true)
      .Prop("Checked", &TQzAudioSwitchControl::SetChecked)
      .Prop("Style", &TQzAudioSwitchControl::SetStyle)
      .Prop("SelectedStyle", &TQzAudioSwitchControl::SetSelectedStyle)
      .Prop("ShowText", &TQzAudioSwitchControl::SetShowText);
}
