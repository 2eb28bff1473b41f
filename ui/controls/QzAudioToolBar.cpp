#include "ui/controls/QzAudioToolBar.h"

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "platform/Forms.h"
#include "ui/controls/QzAudioEdit.h"
#include "ui/controls/QzAudioSwitchControl.h"
#include "ui/framework/QzDrawUtils.h"

namespace {
constexpr int32_t ButtonOrdinals = ptbAbout + 1;
constexpr const char* SlotLabels[TQzCustomAudioPluginToolBar::DrawnSlots] = {"A", "B", "C"};
const TColor SlotGrey = RGB(65, 65, 65);

bool Holds(const TRect& R, int32_t X, int32_t Y) { return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom; }

TRect Shrunk(TRect R, int32_t DX, int32_t DY) { return Rect(R.Left + DX, R.Top + DY, R.Right - DX, R.Bottom - DY); }

TColor Entry(uint16_t Index) { return GetAudioColor(Index, true); }

void SetFontStyle(TCanvas* C, TColor Colour, TFontStyles Style) {
  C->GetFont()->SetColor(Colour);
  C->GetFont()->SetStyle(Style);
}
}  // namespace

TQzCustomAudioPluginToolBar::TQzCustomAudioPluginToolBar(TComponent* AOwner)
    : TQzCustomAudioBackgroundWinControl(AOwner) {
  for (auto& s : FSlots) s = std::make_unique<TMemoryStream>();
  ControlStyle.Include(csAcceptsControls);
  SetBounds(GetLeft(), GetTop(), 500, 45);
  SetColor(Entry(2));
}

TQzCustomAudioPluginToolBar::~TQzCustomAudioPluginToolBar() { SetPresetManager(nullptr); }

void TQzCustomAudioPluginToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomAudioBackgroundWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPresetManager) FPresetManager = nullptr;
}

void TQzCustomAudioPluginToolBar::SetActive(bool Value) {
  if (Value == GetActive()) return;
  if (Value) FFlags |= 1u;
  else FFlags &= ~1u;
  Invalidate();
  // While a form is read its later controls do not exist yet: Loaded applies the state.
  if (!IsLoading()) EnableNeighbours(Value);
  // Copy: the handler may replace itself.
  const TNotifyEvent handler = OnActiveChanged;
  if (handler) handler(this);
}

void TQzCustomAudioPluginToolBar::Loaded() {
  TQzCustomAudioBackgroundWinControl::Loaded();
  if (!GetActive()) EnableNeighbours(false);
}

void TQzCustomAudioPluginToolBar::EnableNeighbours(bool Value) {
  auto* owner = dynamic_cast<TWinControl*>(GetOwner());
  if (!owner) return;
  for (int i = 0; i < owner->ControlCount(); ++i) {
    TControl* c = owner->GetControl(i);
    if (c != this && (dynamic_cast<TQzCustomAudioWinControl*>(c) || dynamic_cast<TQzCustomAudioSwitchControl*>(c)))
      c->SetEnabled(Value);
  }
}

void TQzCustomAudioPluginToolBar::SetVisibleButtons(TQzAudioPluginToolBarButtons Value) {
  if (Value == FVisibleButtons) return;
  FVisibleButtons = Value;
  NeedLayout();
}

void TQzCustomAudioPluginToolBar::SetOptions(TQzAudioPluginToolBarOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  NeedLayout();
}

void TQzCustomAudioPluginToolBar::SetButtonStyle(TQzAudioPluginToolBarButtonStyle Value) {
  if (Value == FButtonStyle) return;
  FButtonStyle = Value;
  Invalidate();
}

void TQzCustomAudioPluginToolBar::SetSwitchStyle(TQzAudioSwitchStyle Value) {
  if (Value == FSwitchStyle) return;
  FSwitchStyle = Value;
  Invalidate();
}

void TQzCustomAudioPluginToolBar::SetPresetManager(TQzCustomAudioPresetManager* Value) {
  if (Value == FPresetManager) return;
  if (FPresetManager) FPresetManager->RemoveFreeNotification(this);
  FPresetManager = Value;
  if (FPresetManager) FPresetManager->FreeNotification(this);
}

TMemoryStream* TQzCustomAudioPluginToolBar::GetSlotStream(int32_t Index) const {
  return Index >= 0 && Index < SlotCount ? FSlots[static_cast<size_t>(Index)].get() : nullptr;
}

// ---- geometry ----

TRect TQzCustomAudioPluginToolBar::Square(int32_t Left) const {
  const int32_t ch = GetClientHeight(), p = GetPadding();
  return Shrunk(Rect(Left, 0, Left + ch, ch), p, p);
}

TRect TQzCustomAudioPluginToolBar::GetSwitchRect() const { return Square(0); }

TRect TQzCustomAudioPluginToolBar::GetCompareSlotRect(int32_t Index) const {
  return Square(GetClientHeight() * (Index + 1));
}

TRect TQzCustomAudioPluginToolBar::GetButtonRect(TQzAudioPluginToolBarButton Button) const {
  int32_t standing = 0;
  for (int32_t b = Button; b < ButtonOrdinals; ++b)
    if (FVisibleButtons.Contains(static_cast<TQzAudioPluginToolBarButton>(b))) ++standing;
  return Square(GetClientWidth() - GetClientHeight() * standing);
}

TRect TQzCustomAudioPluginToolBar::GetPresetSelectRect() const {
  const int32_t ch = GetClientHeight();
  int32_t visible = 0;
  for (int32_t b = 0; b < ButtonOrdinals; ++b)
    if (FVisibleButtons.Contains(static_cast<TQzAudioPluginToolBarButton>(b))) ++visible;
  const int32_t x0 = ch + 1 + (FOptions.Contains(tboShowPresetCompare) ? 3 * ch : 0);
  const int32_t x1 = GetClientWidth() - 5 - ch * visible;
  return Shrunk(Rect(x0, 0, x1, ch), 5, 2);
}

int32_t TQzCustomAudioPluginToolBar::GetButtonAtPos(int32_t X, int32_t Y) const {
  if (!Clickable()) return -1;
  for (int32_t b = ButtonOrdinals - 1; b >= 0; --b) {
    const auto button = static_cast<TQzAudioPluginToolBarButton>(b);
    if (FVisibleButtons.Contains(button) && Holds(GetButtonRect(button), X, Y)) return b;
  }
  return -1;
}

int32_t TQzCustomAudioPluginToolBar::GetSlotAtPos(int32_t X, int32_t Y) const {
  if (Holds(GetSwitchRect(), X, Y)) return SwitchIndex;
  // Slots that are not drawn must not answer: a click there would swap the effect's state
  // into a slot the user cannot see.
  if (!Clickable() || !FOptions.Contains(tboShowPresetCompare)) return NoSlot;
  for (int32_t s = 0; s < DrawnSlots; ++s)
    if (Holds(GetCompareSlotRect(s), X, Y)) return s;
  return NoSlot;
}

// ---- gestures ----

void TQzCustomAudioPluginToolBar::SelectSlot(int32_t Slot) {
  if (TMemoryStream* left = GetSlotStream(FCurrentSlot); left && OnGetPreset) {
    left->Clear();
    OnGetPreset(this, left);
  }
  FCurrentSlot = Slot;
  Invalidate();
  TMemoryStream* chosen = GetSlotStream(Slot);
  if (!OnSetPreset || !chosen) return;
  if (chosen->GetSize() < 1) {
    // A fresh slot starts as a copy of the present state; there is nothing to load.
    if (OnGetPreset) OnGetPreset(this, chosen);
    return;
  }
  chosen->SetPosition(0);
  OnSetPreset(this, chosen);
}

void TQzCustomAudioPluginToolBar::ButtonPressed(TQzAudioPluginToolBarButton Button) {
  // The points are client coordinates of the bar: ClientToScreen alone places them below it.
  if (Button == ptbAddPreset && FPresetManager && OnGetPreset) {
    TMemoryStream stream;
    OnGetPreset(this, &stream);
    stream.SetPosition(0);
    const TPoint p = ClientToScreen(TPoint{250, GetHeight()});
    FPresetManager->AddPreset(p.X, p.Y, &stream);
  } else if (Button == ptbDeletePreset && FPresetManager && OnSetPreset) {
    TMemoryStream stream;
    const TRect area = GetPresetSelectRect();
    const TPoint p = ClientToScreen(TPoint{area.Left, GetHeight()});
    if (FPresetManager->SelectPreset(p.X, p.Y, area.Right - area.Left, PresetChooserHeight, &stream)) {
      stream.SetPosition(0);
      OnSetPreset(this, &stream);
    }
  } else if (OnBtnClick) {
    OnBtnClick(this, Button);
  }
}

void TQzCustomAudioPluginToolBar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (IsEnabled()) {
    QzEndAudioEdit();
    FMouseMode = Button == mbLeft ? 1 : (Button == mbRight ? 2 : 0);
    if (FMouseMode == 1) {
      if (GetTabStop() && CanFocus()) SetFocus();
      FPressed = GetSlotAtPos(X, Y);
      if (FPressed == SwitchIndex) {
        SetActive(!GetActive());
      } else if (FPressed >= 0) {
        SelectSlot(FPressed);
      } else if (GetActive()) {
        const int32_t b = GetButtonAtPos(X, Y);
        if (b < 0) FPressed = EmptyAreaIndex;
        else ButtonPressed(static_cast<TQzAudioPluginToolBarButton>(b));
      }
    }
  }
  FLastCursor = ClientToScreen(TPoint{X, Y});
  TQzCustomAudioBackgroundWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomAudioPluginToolBar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  const TPoint cursor = ClientToScreen(TPoint{X, Y});
  if (IsEnabled()) {
    if (FMouseMode == 0) {
      const int32_t hot = GetButtonAtPos(X, Y);
      if (hot != FHotButton) {
        FHotButton = hot;
        Invalidate();
      }
    } else if (FMouseMode == 1 && FPressed == EmptyAreaIndex && FOptions.Contains(tboMoveWindow)) {
      if (auto* form = dynamic_cast<TForm*>(GetOwner()))
        form->SetBounds(form->GetLeft() + cursor.X - FLastCursor.X, form->GetTop() + cursor.Y - FLastCursor.Y,
                        form->GetWidth(), form->GetHeight());
    }
  }
  FLastCursor = cursor;
  TQzCustomAudioBackgroundWinControl::MouseMove(Shift, X, Y);
}

void TQzCustomAudioPluginToolBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FMouseMode = 0;
  FPressed = -1;
  FLastCursor = ClientToScreen(TPoint{X, Y});
  TQzCustomAudioBackgroundWinControl::MouseUp(Button, Shift, X, Y);
}

void TQzCustomAudioPluginToolBar::CMMouseLeave(TMessage& Message) {
  if (FHotButton != -1) {
    FHotButton = -1;
    Invalidate();
  }
  TQzCustomAudioBackgroundWinControl::CMMouseLeave(Message);
}

void TQzCustomAudioPluginToolBar::CMTextChanged(TMessage& Message) {
  TQzCustomAudioBackgroundWinControl::CMTextChanged(Message);
  Invalidate();
}

// ---- painting ----

void TQzCustomAudioPluginToolBar::Paint() {
  if (FNeedsLayout) UpdateLayout();
  TCanvas* c = GetCanvas();
  const TRect client = GetClientRect();
  const TColor colour = ColorToRGB(GetColor());
  c->GradientFill(client, colour, LightenColor(colour, -55), gdVertical);
  c->GetFont()->Assign(GetFont());
  DrawSwitchButton(c, GetSwitchRect(), IsEnabled(), GetActive(), "", FSwitchStyle, false);
  if (FOptions.Contains(tboShowPresetCompare)) PaintSlots(c);
  PaintButtons(c);
  PaintPresetArea(c);
  if (GetEdgeBorders().Empty() && FOptions.Contains(tboShowBorder)) Draw3DFrame(c, client, Entry(4), Entry(3));
  c->GetBrush()->SetStyle(bsSolid);
  TQzCustomAudioBackgroundWinControl::Paint();
}

void TQzCustomAudioPluginToolBar::PaintSlots(TCanvas* C) {
  const TColor dark = LightenColor(SlotGrey, -75);
  const TColor text = GetAudioColor(12, IsEnabled() && GetActive());
  for (int32_t s = 0; s < DrawnSlots; ++s) {
    const TRect r = GetCompareSlotRect(s);
    const bool current = s == FCurrentSlot;
    if (current) {
      C->GradientFill(r, dark, 0x000080, gdVertical);
      Draw3DFrame(C, r, Entry(5), Entry(6));
    } else {
      C->GradientFill(r, SlotGrey, dark, gdVertical);
      Draw3DFrame(C, r, Entry(6), Entry(5));
    }
    SetFontStyle(C, text, current ? TFontStyles{fsBold} : TFontStyles{});
    DrawAlignedText(C, SlotLabels[s], r, 1, 1, false);
  }
}

void TQzCustomAudioPluginToolBar::PaintButtons(TCanvas* C) {
  TCustomImageList* images = GetImages();
  for (int32_t b = 0; b < ButtonOrdinals; ++b) {
    const auto button = static_cast<TQzAudioPluginToolBarButton>(b);
    if (!FVisibleButtons.Contains(button)) continue;
    const TRect r = GetButtonRect(button);
    switch (FButtonStyle) {
      case tbsTransparent: break;
      case tbsTransparentFrame: Draw3DFrame(C, r, Entry(6), Entry(5)); break;
      case tbsSolid:
        C->GetBrush()->SetStyle(bsSolid);
        C->GetBrush()->SetColor(SlotGrey);
        C->FillRect(r);
        break;
      case tbsGradient: C->GradientFill(r, SlotGrey, LightenColor(SlotGrey, -75), gdVertical); break;
    }
    if (!images) continue;
    const int32_t index = OnGetImageIndex ? OnGetImageIndex(this, button) : b;
    // A list left empty by a missing resource, or an index it does not hold, draws no picture.
    if (index < 0 || index >= images->GetCount()) continue;
    const int32_t x = r.Left + (r.Right - r.Left - images->GetWidth()) / 2;
    const int32_t y = r.Top + (r.Bottom - r.Top - images->GetHeight()) / 2;
    images->Draw(C, x, y, index, b == FHotButton ? dsNormal : dsSelected, itImage, true);
  }
}

void TQzCustomAudioPluginToolBar::PaintPresetArea(TCanvas* C) {
  std::string text;
  if (FOptions.Contains(tboShowPresetSelect)) text = "< no preset selected >";
  else if (FOptions.Contains(tboShowCaption)) text = GetCaption();
  if (text.empty()) return;
  const TRect r = GetPresetSelectRect();
  DrawAudioControlFrame(C, r, IsEnabled());
  SetFontStyle(C, clWhite, TFontStyles{fsBold});
  DrawAlignedText(C, text, r, 1, 1, false);
}

void RegisterQzAudioToolBarClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBackgroundClasses();
  RegisterQzAudioPresetManagerClasses();
  RegisterQzAudioPaintEnums();
  RegisterEnumNames<TQzAudioPluginToolBarButton>({"ptbAddPreset", "ptbEditPreset", "ptbSavePreset", "ptbLoadPreset",
                                                  "ptbCopyPreset", "ptbDeletePreset", "ptbReset", "ptbEdit",
                                                  "ptbResize", "ptbPresets", "ptbSettings", "ptbReserved", "ptbHelp",
                                                  "ptbAbout"});
  RegisterEnumNames<TQzAudioPluginToolBarOption>({"tboHotTrack", "tboMoveWindow", "tboShowCaption",
                                                  "tboShowPresetCompare", "tboShowPresetSelect", "tboShowBorder"});
  RegisterEnumNames<TQzAudioPluginToolBarButtonStyle>(
      {"tbsTransparent", "tbsTransparentFrame", "tbsSolid", "tbsGradient"});
  TClassRegistrar<TQzCustomAudioPluginToolBar>("TQzCustomAudioPluginToolBar", "TQzCustomAudioBackgroundWinControl",
                                               false);
  TClassRegistrar<TQzAudioPluginToolBar>("TQzAudioPluginToolBar", "TQzCustomAudioPluginToolBar", true)
      .Prop("Active", &TQzAudioPluginToolBar::SetActive)
      .Prop("ButtonStyle", &TQzAudioPluginToolBar::SetButtonStyle)
      .Prop("SwitchStyle", &TQzAudioPluginToolBar::SetSwitchStyle)
      .Prop("Options", &TQzAudioPluginToolBar::SetOptions)
      .Prop("PresetManager", &TQzAudioPluginToolBar::SetPresetManager)
      .Prop("VisibleButtons", &TQzAudioPluginToolBar::SetVisibleButtons)
      .Prop("OnBtnClick", &TQzAudioPluginToolBar::OnBtnClick)
      .Prop("OnGetPreset", &TQzAudioPluginToolBar::OnGetPreset)
      .Prop("OnSetPreset", &TQzAudioPluginToolBar::OnSetPreset)
      .Prop("OnActiveChanged", &TQzAudioPluginToolBar::OnActiveChanged)
      .Prop("OnGetImageIndex", &TQzAudioPluginToolBar::OnGetImageIndex);
}
