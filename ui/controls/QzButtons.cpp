#include "ui/controls/QzButtons.h"

#include <algorithm>

#include "core/QzUtils.h"
#include "platform/ActnList.h"
#include "platform/FormReader.h"
#include "ui/controls/QzStdCtrls.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzThemeCtrls.h"
#include "ui/framework/QzVLSCtrls.h"

// --- button -------------------------------------------------------------------------------------

TQzCustomButton::TQzCustomButton(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  ControlStyle.Include(csParentBackground);
  ControlStyle.Exclude(csOpaque);
  SetParentColor(false);
  SetBounds(GetLeft(), GetTop(), 95, 25);
}

void TQzCustomButton::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    Invalidate();
  }
}

void TQzCustomButton::SetImages(TCustomImageList* Value) {
  if (Value == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (FImages) FImages->FreeNotification(this);
  Invalidate();
}

void TQzCustomButton::SetImageIndex(int32_t Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Invalidate();
}

void TQzCustomButton::SetImageAlign(TQzButtonImageAlign Value) {
  if (Value == FImageAlign) return;
  FImageAlign = Value;
  Invalidate();
}

void TQzCustomButton::SetShowText(bool Value) {
  if (Value == FShowText) return;
  FShowText = Value;
  Invalidate();
}

void TQzCustomButton::SetDown(bool Value) {
  if (!GetEnabled() || Value == FDown) return;
  FDown = Value;
  Invalidate();
}

void TQzCustomButton::SetHotTrack(bool Value) {
  if (!GetEnabled() || Value == FHotTrack) return;
  FHotTrack = Value;
  Invalidate();
}

void TQzCustomButton::SetDrawState(uint8_t Value) {
  if (Value == FDrawState) return;
  FDrawState = Value;
  Invalidate();
}

void TQzCustomButton::ActionChange(TBasicAction* Sender) {
  TQzCustomWinControl::ActionChange(Sender);
  if (auto* action = dynamic_cast<TCustomAction*>(Sender)) SetImageIndex(action->GetImageIndex());
}

void TQzCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (CanFocus()) SetFocus();
  SetDrawState(3);
  SetDown(true);
  TQzCustomWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  SetDrawState(0);
  TQzCustomWinControl::MouseUp(Button, Shift, X, Y);
}

void TQzCustomButton::CMTextChanged(TMessage& Message) {
  TQzCustomWinControl::CMTextChanged(Message);
  Invalidate();
}

void TQzCustomButton::CMMouseEnter(TMessage& Message) {
  TQzCustomWinControl::CMMouseEnter(Message);
  SetDrawState(1);
}

void TQzCustomButton::CMMouseLeave(TMessage& Message) {
  TQzCustomWinControl::CMMouseLeave(Message);
  SetDrawState(0);
  if (FDown) {
    FDown = false;
    Invalidate();
  }
}

void TQzCustomButton::Paint() {
  TCanvas* c = GetCanvas();
  const TRect r = GetClientRect();
  auto* action = dynamic_cast<TCustomAction*>(GetAction());
  if (action) {
    if (GetHint() != action->GetHint()) SetHint(action->GetHint());
    // Taken quietly: this paint already draws it, and a repaint from here would never settle.
    FImageIndex = action->GetImageIndex();
  }
  const bool enabled = GetEnabled() && (!action || action->GetEnabled());

  c->SetFont(GetFont());
  if (IsThemed()) {
    TQzCustomThemeManager* theme = GetThemeManager();
    int state = -1, font = 5;
    if (!IsEnabled()) {
      state = 4, font = 4;
    } else if (FDown) {
      state = 3, font = 8;
    } else if (FShowText) {
      state = FDrawState == 1 ? 1 : FDrawState == 2 ? 2 : FDrawState == 3 ? 3 : 0;
      font = state == 0 ? 5 : state + 5;
    }
    if (state >= 0) {
      theme->DrawButton(this, c, r, state);
      c->SetFont(theme->GetButtonFont(font));
    }
  } else if (IsEnabled()) {
    SetCanvasPen(c, 1, clBtnShadow, psSolid);
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(0x808080);
    c->RoundRect(r, 8, 8);
  } else {
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(0xC0C0C0);
    c->GetFont()->SetColor(clGrayText);
    c->FillRect(r);
    DrawFrameRect(c, r, clBtnShadow);
  }

  if (FImages && FImageIndex >= 0 && FImageIndex < FImages->GetCount()) {
    const int32_t W = RectWidth(r), H = RectHeight(r);
    const int32_t w = FImages->GetWidth(), h = FImages->GetHeight();
    TPoint p{3, (H - h) / 2};
    switch (FImageAlign) {
      case biaLeft: break;
      case biaRight: p = {W - 3 - w, (H - h) / 2}; break;
      case biaTop: p = {(W - w) / 2, 3}; break;
      case biaBottom: p = {(W - w) / 2, H - 3 - h}; break;
      case biaCenter: p = {(W - w) / 2, (H - h) / 2}; break;
    }
    // The list is shared with other controls: the style goes with this drawing only.
    FImages->Draw(c, p.X, p.Y, FImageIndex, enabled ? dsNormal : dsFocus, itImage, true);
  }

  if (FShowText) {
    TRect t = r;
    t.Left += 5;
    t.Right -= 5;
    const std::string text = GetVLS() ? GetVLS()->GetLanguageText("GLOBAL", GetCaption(), GetCaption()) : GetCaption();
    DrawAlignedText(c, text, t, 1, 1, true);
  }
  PaintEdgeBorders();
}

// --- check box ----------------------------------------------------------------------------------

TQzCustomCheckBox::TQzCustomCheckBox(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  SetBounds(GetLeft(), GetTop(), 100, 15);
  FitWidth();
}

void TQzCustomCheckBox::FitWidth() {
  if (IsLoading() || IsDestroying()) return;
  TBitmap* box = QzStdCtrlsBitmap("QzCheckBox");
  const int32_t boxWidth = box && !box->GetEmpty() ? box->GetWidth() : 15;
  const int32_t width = boxWidth + 10 + QzMeasureText(CaptionFont(), GetCaption()).cx;
  if (width != GetClientWidth()) SetClientWidth(width);
}

TFont* TQzCustomCheckBox::CaptionFont() const {
  return IsThemed() ? GetThemeManager()->GetCheckBoxFont() : GetFont();
}

void TQzCustomCheckBox::ThemeChanged() {
  FitWidth();
  TQzCustomWinControl::ThemeChanged();
}

void TQzCustomCheckBox::Loaded() {
  TQzCustomWinControl::Loaded();
  FitWidth();
}

void TQzCustomCheckBox::CMFontChanged(TMessage& Message) {
  TQzCustomWinControl::CMFontChanged(Message);
  FitWidth();
}

void TQzCustomCheckBox::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  Invalidate();
}

void TQzCustomCheckBox::Changed() {
  if (OnChanged) OnChanged(this);
}

void TQzCustomCheckBox::Toggle() {
  FChecked = !FChecked;
  Invalidate();
  Changed();
}

void TQzCustomCheckBox::EraseBackground(HDC DC) {
  TWinControl* parent = GetParent();
  if (!parent) {
    TQzCustomWinControl::EraseBackground(DC);
    return;
  }
  TCanvas c;
  c.SetHandle(DC);
  c.GetBrush()->SetColor(parent->GetColor());
  c.GetBrush()->SetStyle(bsSolid);
  c.FillRect(GetClientRect());
  c.SetHandle(nullptr);
}

void TQzCustomCheckBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) Toggle();
  TQzCustomWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomCheckBox::MouseUp(TMouseButton, TShiftState, int32_t, int32_t) {}

void TQzCustomCheckBox::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_RETURN || Key == VK_SPACE) {
    Key = 0;
    Toggle();
  }
  TQzCustomWinControl::KeyDown(Key, Shift);
}

void TQzCustomCheckBox::CMEnabledChanged(TMessage& Message) {
  Invalidate();
  TQzCustomWinControl::CMEnabledChanged(Message);
}

void TQzCustomCheckBox::CMTextChanged(TMessage& Message) {
  TQzCustomWinControl::CMTextChanged(Message);
  FitWidth();
  Invalidate();
}

void TQzCustomCheckBox::Paint() {
  TCanvas* c = GetCanvas();
  c->SetFont(CaptionFont());
  if (!IsEnabled()) c->GetFont()->SetColor(clGrayText);
  TBitmap* box = QzStdCtrlsBitmap("QzCheckBox");
  TBitmap* mark = QzStdCtrlsBitmap("QzChecked");
  // Without the artwork the box keeps the artwork's 15 pixels and is drawn plainly.
  const bool hasBox = box && !box->GetEmpty();
  const bool hasMark = mark && !mark->GetEmpty();
  const int32_t maxSide = hasMark ? mark->GetHeight() : 15;
  const int32_t side = std::min(c->TextHeight(GetCaption() + "Axgy|#"), maxSide);

  const TRect r = GetClientRect();
  const int32_t top = (RectHeight(r) - side) / 2;
  const TRect b = Rect(0, top, side, top + side);
  if (hasBox) {
    c->StretchDraw(b, box);
  } else {
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(clWindow);
    c->FillRect(b);
    DrawFrameRect(c, b, clBtnShadow);
  }
  if (FChecked) {
    if (hasMark) {
      c->StretchDraw(b, mark);
    } else {
      c->GetBrush()->SetStyle(bsSolid);
      c->GetBrush()->SetColor(c->GetFont()->GetColor());
      c->FillRect(Rect(b.Left + 3, b.Top + 3, b.Right - 3, b.Bottom - 3));
    }
  }
  c->GetBrush()->SetStyle(bsClear);
  DrawAlignedText(c, GetCaption(), Rect(side + 5, r.Top, r.Right, r.Bottom), 0, 1, false);
  PaintEdgeBorders();
}

void RegisterQzButtonsClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzCtrlsClasses();
  RegisterEnumNames<TQzButtonImageAlign>({"biaLeft", "biaRight", "biaTop", "biaBottom", "biaCenter"});
  TClassRegistrar<TQzCustomButton>("TQzCustomButton", "TQzCustomWinControl", false);
  TClassRegistrar<TQzButton>("TQzButton", "TQzCustomButton", true)
      .Prop("Images", &TQzButton::SetImages)
      .Prop("ImageIndex", &TQzButton::SetImageIndex)
      .Prop("ImageAlign", &TQzButton::SetImageAlign)
      .Prop("ShowText", &TQzButton::SetShowText)
      .Prop("Down", &TQzButton::SetDown)
      .Prop("HotTrack", &TQzButton::SetHotTrack)
      .Prop("OnChanged", &TQzButton::OnChanged);
  TClassRegistrar<TQzCustomCheckBox>("TQzCustomCheckBox", "TQzCustomWinControl", false);
  TClassRegistrar<TQzCheckBox>("TQzCheckBox", "TQzCustomCheckBox", true)
      .Prop("Checked", &TQzCheckBox::SetChecked)
      .Prop("OnChanged", &TQzCheckBox::OnChanged);

  using V = TQzVLSDataSource;
  V::ClassTable().Add<TQzCheckBox>(V::CaptionAndHint(true, true, false));
  V::ClassTable().Add<TQzButton>(V::CaptionAndHint(false, true, false));
}
