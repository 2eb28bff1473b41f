#include "ui/controls/QzSlider.h"

#include <algorithm>

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "ui/controls/QzStdCtrls.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzSafeMath.h"
#include "ui/framework/QzVLSCtrls.h"

namespace {

constexpr const char* ThumbBitmap = "QzSliderHorz01";
constexpr const char* TextSample = "AxygX#";
constexpr uint32_t RepeatInterval = 125;

// A * B / C rounded half away from zero, in 64 bits: a range may span the whole 32-bit scale,
// so neither the span nor its product with a pixel count fits 32 bits. |A|, |B| and |C| stay
// below 2^32, so the product stays below 2^63. 0 for an empty divisor.
int64_t MulDiv64(int64_t A, int64_t B, int64_t C) {
  if (C == 0) return 0;
  const int64_t p = A * B;
  int64_t q = p / C, r = p % C;
  if (r < 0) r = -r;
  const int64_t d = C < 0 ? -C : C;
  if (2 * r >= d) q += ((p < 0) != (C < 0)) ? -1 : 1;
  return q;
}

// GDI's rectangles: right and bottom edges exclusive.
bool Inside(const TRect& R, int32_t X, int32_t Y) { return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom; }

}  // namespace

TQzCustomSlider::TQzCustomSlider(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  ControlStyle.Include(csParentBackground);
  ControlStyle.Exclude(csOpaque);
  SetBounds(GetLeft(), GetTop(), 200, 45);
}

// The owned repeat timer goes with the other owned components; nothing may repaint here.
TQzCustomSlider::~TQzCustomSlider() = default;

void TQzCustomSlider::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomWinControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FEdit) FEdit = nullptr;
  if (AComponent == FRepeatTimer) FRepeatTimer = nullptr;
}

void TQzCustomSlider::Changed() { Invalidate(); }

void TQzCustomSlider::NeedLayout() {
  FNeedsLayout = true;
  Invalidate();
}

// ---- range and position ----

bool TQzCustomSlider::StorePosition(int32_t Value) {
  Value = QzClamp(Value, FMin, FMax);
  if (Value == FPosition) return false;
  FPosition = Value;
  Invalidate();
  if (FEdit) FEdit->SetValue(static_cast<float>(FPosition));
  return true;
}

void TQzCustomSlider::PositionChanged() {
  if (OnPositionChanged) OnPositionChanged(this);
}

void TQzCustomSlider::SetPosition(int32_t Value) {
  if (StorePosition(Value)) PositionChanged();
}

void TQzCustomSlider::UserStep(int32_t Delta) { SetPosition(QzStepSat(FPosition, Delta)); }

// The position keeps its value and only moves (and reports) when the new range leaves it out;
// it is not re-derived from the thumb's pixel.
void TQzCustomSlider::SetMin(int32_t Value) {
  if (Value == FMin) return;
  FMin = Value;
  const bool moved = StorePosition(FPosition);
  if (FEdit) FEdit->SetMin(static_cast<float>(FMin));
  Invalidate();
  if (moved) PositionChanged();
}

void TQzCustomSlider::SetMax(int32_t Value) {
  if (Value == FMax) return;
  FMax = Value;
  const bool moved = StorePosition(FPosition);
  if (FEdit) FEdit->SetMax(static_cast<float>(FMax));
  Invalidate();
  if (moved) PositionChanged();
}

int32_t TQzCustomSlider::OffsetOf(int32_t Value, int32_t Extent) const {
  const int64_t span = static_cast<int64_t>(FMax) - FMin;
  return static_cast<int32_t>(std::clamp<int64_t>(MulDiv64(static_cast<int64_t>(Value) - FMin, Extent, span), 0, Extent));
}

void TQzCustomSlider::SetPositionFromPoint(int32_t X, int32_t Y) {
  if (FNeedsLayout) Layout();
  const TRect& b = FBarRect;
  const int64_t span = static_cast<int64_t>(FMax) - FMin;
  int64_t offset, extent;
  if (FOrientation == sloHorizontal) {
    extent = RectWidth(b);
    offset = std::clamp<int64_t>(static_cast<int64_t>(X) - b.Left, 0, std::max<int64_t>(extent, 0));
  } else {
    extent = RectHeight(b);
    offset = extent - std::clamp<int64_t>(static_cast<int64_t>(Y) - b.Top, 0, std::max<int64_t>(extent, 0));
  }
  const int64_t value = FMin + MulDiv64(offset, span, extent);
  StorePosition(static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)));
  PositionChanged();
}

// ---- plain setters ----

void TQzCustomSlider::SetTickFrequency(int32_t Value) {
  FTickFrequency = Value < 1 ? 1 : Value;
  NeedLayout();
}

void TQzCustomSlider::SetShowTickMarks(bool Value) {
  FShowTickMarks = Value;
  NeedLayout();
}

void TQzCustomSlider::SetBarSize(int32_t Value) {
  FBarSize = Value < 1 ? 1 : Value;
  NeedLayout();
  FitHeight();
}

void TQzCustomSlider::SetBarColor(TColor Value) {
  FBarColor = Value;
  NeedLayout();
}

void TQzCustomSlider::SetBarStyle(TQzSliderBarStyle Value) {
  FBarStyle = Value;
  NeedLayout();
}

void TQzCustomSlider::SetOrientation(TQzSliderOrientation Value) {
  FOrientation = Value;
  NeedLayout();
  FitHeight();
}

void TQzCustomSlider::SetCaptionAlign(TQzSliderCaptionAlign Value) {
  FCaptionAlign = Value;
  NeedLayout();
}

void TQzCustomSlider::SetCaptionAlignment(TAlignment Value) {
  FCaptionAlignment = Value;
  NeedLayout();
}

void TQzCustomSlider::SetValueStyle(TQzSliderValueStyle Value) {
  FValueStyle = Value;
  NeedLayout();
}

void TQzCustomSlider::SetValueAlign(TQzSliderValueAlign Value) {
  FValueAlign = Value;
  NeedLayout();
}

void TQzCustomSlider::SetShowCaption(bool Value) {
  FShowCaption = Value;
  NeedLayout();
}

void TQzCustomSlider::SetShowButtons(bool Value) {
  FShowButtons = Value;
  NeedLayout();
}

void TQzCustomSlider::SetShowTrack(bool Value) {
  FShowTrack = Value;
  NeedLayout();
}

void TQzCustomSlider::SetSpaceHorz(int32_t Value) {
  FSpaceHorz = std::clamp(Value, 0, std::max(GetClientWidth() / 3, 0));
  NeedLayout();
}

void TQzCustomSlider::SetSpaceVert(int32_t Value) {
  FSpaceVert = std::clamp(Value, 0, std::max(GetClientHeight() / 3, 0));
  NeedLayout();
}

void TQzCustomSlider::SetOptions(TQzSliderOptions Value) {
  FOptions = Value;
  if (FOptions.Contains(sloTransparent)) {
    ControlStyle.Include(csParentBackground);
    ControlStyle.Exclude(csOpaque);
  } else {
    ControlStyle.Exclude(csParentBackground);
    ControlStyle.Include(csOpaque);
  }
  AlignEdit();
  NeedLayout();
}

void TQzCustomSlider::SetEdit(TQzCustomValueEdit* Value) {
  if (Value == FEdit) return;
  if (FEdit) FEdit->RemoveFreeNotification(this);
  FEdit = Value;
  if (!FEdit) return;
  FEdit->FreeNotification(this);
  FEdit->SetMax(static_cast<float>(FMax));
  FEdit->SetMin(static_cast<float>(FMin));
  FEdit->SetValue(static_cast<float>(FPosition));
  AlignEdit();
}

// ---- layout ----

int32_t TQzCustomSlider::MinHeight() {
  const int32_t th = QzMeasureText(GetFont(), TextSample).cy;
  return FBarSize + 2 * th + 6;
}

// Done when the size, font or bar changes rather than in Paint, so that a paint never resizes.
void TQzCustomSlider::FitHeight() {
  if (FOrientation == sloHorizontal && GetHeight() < MinHeight()) SetBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
}

void TQzCustomSlider::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  if (FOrientation == sloHorizontal) AHeight = std::max(AHeight, MinHeight());
  TQzCustomWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  AlignEdit();
}

void TQzCustomSlider::AlignEdit() {
  if (!FEdit || !FOptions.Contains(sloAlignEdit)) return;
  const int32_t top = GetTop() + (GetHeight() - FEdit->GetHeight()) / 2;
  if (FEdit->GetTop() != top) FEdit->SetBounds(FEdit->GetLeft(), top, FEdit->GetWidth(), FEdit->GetHeight());
}

void TQzCustomSlider::Layout() {
  FNeedsLayout = false;
  FTextHeight = QzMeasureText(GetFont(), TextSample).cy;
  if (TBitmap* thumb = QzStdCtrlsBitmap(ThumbBitmap); thumb && !thumb->GetEmpty()) {
    FThumbWidth = thumb->GetWidth();
    FThumbHeight = thumb->GetHeight();
  } else {
    FThumbWidth = FThumbHeight = 22;
  }
  const int32_t w = GetClientWidth(), h = GetClientHeight();
  const int32_t sh = FSpaceHorz, sv = FSpaceVert;
  const int32_t edge = GetEdgeBorders().Bits() != 0 ? 1 : 0;
  TRect b;
  if (FOrientation == sloHorizontal) {
    const int32_t bw = std::max(w - FThumbWidth - 2 * sh - 2, 0);
    b = Rect((w - bw) / 2, (h - FBarSize) / 2, (w - bw) / 2 + bw, (h - FBarSize) / 2 + FBarSize);
    const int32_t shrink = (FShowButtons ? sh + FButtonWidth : 0) + edge;
    b.Left += shrink;
    b.Right = std::max(b.Right - shrink, b.Left);
    FLeftButton = Rect(sh, (h - FButtonHeight) / 2, sh + FButtonWidth, (h - FButtonHeight) / 2 + FButtonHeight);
    FRightButton = Rect(w - sh - FButtonWidth, FLeftButton.Top, w - sh, FLeftButton.Bottom);
  } else {
    // Upright: the horizontal arrangement turned, the Min end at the bottom.
    const int32_t bh = std::max(h - FThumbHeight - 2 * sv - 2, 0);
    b = Rect((w - FBarSize) / 2, (h - bh) / 2, (w - FBarSize) / 2 + FBarSize, (h - bh) / 2 + bh);
    const int32_t shrink = (FShowButtons ? sv + FButtonHeight : 0) + edge;
    b.Top += shrink;
    b.Bottom = std::max(b.Bottom - shrink, b.Top);
    const int32_t left = (w - FButtonWidth) / 2;
    const int32_t top = b.Top - sv - FThumbHeight / 2 - FButtonHeight;
    FLeftButton = Rect(left, top, left + FButtonWidth, top + FButtonHeight);
    const int32_t bottom = b.Bottom + sv + FThumbHeight / 2;
    FRightButton = Rect(left, bottom, left + FButtonWidth, bottom + FButtonHeight);
  }
  FBarRect = b;
}

TRect TQzCustomSlider::GetPartRect(int Part) {
  if (FNeedsLayout) Layout();
  const TRect& b = FBarRect;
  const bool horz = FOrientation == sloHorizontal;
  switch (Part) {
    case qspBar: return b;
    case qspThumb: {
      if (horz) {
        const int32_t left = b.Left + OffsetOf(FPosition, RectWidth(b)) - FThumbWidth / 2;
        const int32_t top = b.Top + (RectHeight(b) - FThumbHeight) / 2;
        return Rect(left, top, left + FThumbWidth, top + FThumbHeight);
      }
      const int32_t offset = RectHeight(b) - OffsetOf(FPosition, RectHeight(b));
      const int32_t left = b.Left + (RectWidth(b) - FThumbWidth) / 2;
      const int32_t top = b.Top + offset - FThumbHeight / 2;
      return Rect(left, top, left + FThumbWidth, top + FThumbHeight);
    }
    case qspLeftButton: return FShowButtons ? FLeftButton : Rect(0, 0, 0, 0);
    case qspRightButton: return FShowButtons ? FRightButton : Rect(0, 0, 0, 0);
    case qspCaption:
    case qspValue: {
      if (!horz) return Rect(0, 0, 0, 0);
      const std::string text = Part == qspCaption ? GetCaption() : GetValueText(FPosition);
      const int32_t width = QzMeasureText(GetFont(), text).cx;
      const int32_t above = b.Top - FThumbHeight / 2 - FTextHeight, below = b.Bottom + FThumbHeight / 2;
      const int32_t centred = b.Left + (RectWidth(b) - width) / 2;
      int32_t left, top;
      if (Part == qspCaption) {
        top = FCaptionAlign == scaBottom ? below : above;
        left = FCaptionAlignment == taLeftJustify ? b.Left : FCaptionAlignment == taRightJustify ? b.Right - width : centred;
      } else {
        const bool valueBelow = (FCaptionAlignment != taCenter) == (FCaptionAlign == scaBottom);
        top = valueBelow ? below : above;
        left = !FShowCaption || FCaptionAlignment == taCenter ? centred
               : FCaptionAlignment == taLeftJustify           ? b.Right - width
                                                               : b.Left;
      }
      return Rect(left, top, left + width, top + FTextHeight);
    }
    default: return Rect(0, 0, 0, 0);
  }
}

std::string TQzCustomSlider::GetValueText(int32_t Value) {
  switch (FValueStyle) {
    case slvNative: return std::to_string(Value);
    case slvPercent: {
      // Signed, so that a reversed range still reads 0% at Min and 100% at Max.
      const int64_t span = static_cast<int64_t>(FMax) - FMin;
      return std::to_string(MulDiv64(100, static_cast<int64_t>(Value) - FMin, span)) + "%";
    }
    default: return "";
  }
}

// ---- painting ----

void TQzCustomSlider::EraseBackground(HDC DC) {
  if (FOptions.Contains(sloTransparent)) return;
  TQzCustomWinControl::EraseBackground(DC);
}

void TQzCustomSlider::DrawBar(TCanvas* Canvas, const TRect& R) {
  const bool themed = IsThemed();
  const TColor frame1 = themed ? GetThemeManager()->GetThemeColor(126) : clBtnShadow;
  const TColor frame2 = themed ? GetThemeManager()->GetThemeColor(127) : TColor(0xC0C0C0);
  Canvas->GetBrush()->SetStyle(bsSolid);
  Canvas->GetBrush()->SetColor(FBarColor);
  Canvas->FillRect(R);
  switch (FBarStyle) {
    case sbsSolid:
      Canvas->FillRect(R);
      DrawFrameRect(Canvas, R, frame1);
      break;
    case sbsGradient: {
      const TColor dark = LightenColor(FBarColor, -200);
      if (FOrientation == sloVertical) DrawGradientRect(Canvas, R, FBarColor, dark, true);
      else DrawGradientRect(Canvas, R, dark, FBarColor, false);
      break;
    }
    case sbsThemed:
      if (themed) GetThemeManager()->DrawSliderBar(this, Canvas, R, GetEnabled() ? 0 : 3);
      break;
    case sbsDefault: break;
  }
  if (FBarStyle != sbsSolid && !(FBarStyle == sbsThemed && themed)) Draw3DFrame(Canvas, R, frame1, frame2);
}

void TQzCustomSlider::DrawThumb(TCanvas* Canvas, const TRect& R, bool, bool) {
  if (TBitmap* thumb = QzStdCtrlsBitmap(ThumbBitmap); thumb && !thumb->GetEmpty()) Canvas->Draw(R.Left, R.Top, thumb);
}

void TQzCustomSlider::DrawThumbVert(TCanvas* Canvas, const TRect& R, bool Hot, bool Pressed) {
  if (IsThemed()) GetThemeManager()->DrawSliderThumb(this, Canvas, R, GetEnabled() ? 2 : 3);
  else DrawThumb(Canvas, R, Hot, Pressed);
}

void TQzCustomSlider::Paint() {
  if (FNeedsLayout) Layout();
  TCanvas* c = GetCanvas();
  c->SetFont(GetFont());
  const bool themed = IsThemed();
  TQzCustomThemeManager* tm = GetThemeManager();
  const TRect thumb = GetPartRect(qspThumb);
  const bool horz = FOrientation == sloHorizontal;

  DrawBar(c, FBarRect);
  if (FShowTrack) {
    TRect t = horz ? Rect(FBarRect.Left, FBarRect.Top, std::min(thumb.Left + 1, FBarRect.Right), FBarRect.Bottom)
                   : Rect(FBarRect.Left, std::max(thumb.Bottom, FBarRect.Top), FBarRect.Right, FBarRect.Bottom);
    ExpandRect(t, -1, -1);
    if (t.Right > t.Left && t.Bottom > t.Top) {
      c->GetBrush()->SetStyle(bsSolid);
      c->GetBrush()->SetColor(themed ? tm->GetThemeColor(150) : clHighlight);
      c->FillRect(t);
    }
  }

  c->GetBrush()->SetStyle(bsClear);
  c->GetFont()->SetColor(themed ? tm->GetThemeColor(GetEnabled() ? 3 : 6) : clBlack);
  if (horz && FShowCaption) DrawAlignedText(c, GetCaption(), GetPartRect(qspCaption), 1, 1, true);
  if (FValueStyle == slvOwnerDraw) {
    if (OnDrawValue) OnDrawValue(this, c, GetPartRect(qspValue));
  } else if (horz && FValueStyle != slvNone) {
    const uint8_t align = FCaptionAlignment == taLeftJustify ? 2 : FCaptionAlignment == taRightJustify ? 0 : 1;
    DrawAlignedText(c, GetValueText(FPosition), GetPartRect(qspValue), align, 1, false);
  }

  if (horz) DrawThumb(c, thumb, FHot, FMouseState == 1);
  else DrawThumbVert(c, thumb, FHot, FMouseState == 1);

  if (FShowButtons) {
    const TColor face = themed ? tm->GetThemeColor(116) : TColor(0xC0C0C0);
    const TColor shade = LightenColor(face, -50);
    const TRect buttons[2] = {FLeftButton, FRightButton};
    const char* arrows[2] = {"QZSLIDERBTNLEFT", "QZSLIDERBTNRIGHT"};
    for (int i = 0; i < 2; ++i) {
      TRect inner = buttons[i];
      ExpandRect(inner, -1, -1);
      const bool pressed = FPressState == 2 + i;
      DrawGradientRect(c, inner, pressed ? shade : face, pressed ? face : shade, true);
      if (TBitmap* arrow = QzStdCtrlsBitmap(arrows[i]); arrow && !arrow->GetEmpty())
        c->Draw(buttons[i].Left + (RectWidth(buttons[i]) - arrow->GetWidth()) / 2,
                buttons[i].Top + (RectHeight(buttons[i]) - arrow->GetHeight()) / 2, arrow);
      SetCanvasPen(c, 1, clBlack, psSolid);
      c->GetBrush()->SetStyle(bsClear);
      c->RoundRect(buttons[i], 3, 3);
    }
  }

  PaintEdgeBorders();
  if (IsDesigning()) {
    SetCanvasPen(c, 1, clBlack, psDot);
    c->GetBrush()->SetStyle(bsClear);
    c->Rectangle(GetClientRect());
  }
}

// ---- gestures ----

void TQzCustomSlider::StartRepeat(uint8_t State, int32_t Delta) {
  StopRepeat();
  FPressState = State;
  FRepeatDelta = Delta;
  FRepeatTimer = QzCreate<TTimer>(this);
  FRepeatTimer->SetInterval(RepeatInterval);
  FRepeatTimer->OnTimer = [this](TObject* Sender) { RepeatTick(Sender); };
  Invalidate();
  UserStep(Delta);
}

void TQzCustomSlider::StopRepeat() {
  if (FRepeatTimer) {
    TTimer* t = FRepeatTimer;
    FRepeatTimer = nullptr;
    t->Free();
  }
  if (FPressState >= 2) {
    FPressState = 0;
    Invalidate();
  }
}

void TQzCustomSlider::RepeatTick(TObject*) {
  if (FPressState == 2 || FPressState == 3) UserStep(FRepeatDelta);
  else StopRepeat();
}

void TQzCustomSlider::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FMouseState = Button == mbLeft ? 1 : Button == mbRight ? 2 : 0;
  if (Button == mbLeft) {
    if (FEdit) {
      if (FEdit->CanFocus()) FEdit->SetFocus();
    } else if (GetTabStop() && CanFocus()) {
      SetFocus();
    }
    if (FNeedsLayout) Layout();
    if (FShowButtons && Inside(FLeftButton, X, Y)) {
      FHot = false;
      StartRepeat(2, -FButtonChange);
    } else if (FShowButtons && Inside(FRightButton, X, Y)) {
      FHot = false;
      StartRepeat(3, FButtonChange);
    } else if (Inside(GetPartRect(qspThumb), X, Y)) {
      FPressState = 1;
      SetPositionFromPoint(X, Y);
    }
    Invalidate();
  }
  TQzCustomWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomSlider::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (GetEnabled()) {
    if (FMouseState == 1 && FPressState == 1) {
      SetPositionFromPoint(X, Y);
      PositionChanged();
    } else if (FMouseState != 1 && FHotTracking) {
      const bool hot = Inside(GetPartRect(qspThumb), X, Y);
      if (hot != FHot) {
        FHot = hot;
        Invalidate();
      }
    }
  }
  TQzCustomWinControl::MouseMove(Shift, X, Y);
}

void TQzCustomSlider::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  StopRepeat();
  FPressState = 0;
  FHot = FHotTracking && Inside(GetPartRect(qspThumb), X, Y);
  FMouseState = 0;
  Invalidate();
  TQzCustomWinControl::MouseUp(Button, Shift, X, Y);
}

void TQzCustomSlider::CMMouseLeave(TMessage& Message) {
  StopRepeat();
  if (FHot) {
    FHot = false;
    Invalidate();
  }
  TQzCustomWinControl::CMMouseLeave(Message);
}

void TQzCustomSlider::CMEnabledChanged(TMessage& Message) {
  if (!GetEnabled()) {
    StopRepeat();
    FPressState = FMouseState = 0;
    FHot = false;
  }
  TQzCustomWinControl::CMEnabledChanged(Message);
  Invalidate();
}

void TQzCustomSlider::WMKillFocus(TMessage& Message) {
  StopRepeat();
  TQzCustomWinControl::WMKillFocus(Message);
}

bool TQzCustomSlider::DoMouseWheelScroll(TObject*, TShiftState, int Direction, TPoint) {
  if (!GetEnabled()) return false;
  UserStep(Direction == 0 ? FWheelChange : -FWheelChange);
  return true;
}

void TQzCustomSlider::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (FUseKeys) {
    const int32_t step = Shift.Contains(ssCtrl) ? 1 : FButtonChange;
    const bool vert = FOrientation == sloVertical;
    switch (Key) {
      case VK_UP:
      case VK_RIGHT: UserStep(step); break;
      case VK_LEFT:
      case VK_DOWN: UserStep(-step); break;
      case VK_HOME: SetPosition(vert ? FMax : FMin); break;
      case VK_END: SetPosition(vert ? FMin : FMax); break;
      default: break;
    }
    // Tab stays with the form, which moves the focus on.
    if (Key != VK_TAB) Key = 0;
  }
  TQzCustomWinControl::KeyDown(Key, Shift);
}

// ---- messages ----

void TQzCustomSlider::ThemeChanged() { NeedLayout(); }

void TQzCustomSlider::CMTextChanged(TMessage& Message) {
  TQzCustomWinControl::CMTextChanged(Message);
  Invalidate();
}

void TQzCustomSlider::CMFontChanged(TMessage& Message) {
  TQzCustomWinControl::CMFontChanged(Message);
  NeedLayout();
  FitHeight();
}

void TQzCustomSlider::WMSize(TMessage& Message) {
  TQzCustomWinControl::WMSize(Message);
  NeedLayout();
}

// ---- registration ----

void RegisterQzSliderClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzCtrlsClasses();
  RegisterQzEditClasses();
  RegisterEnumNames<TQzSliderBarStyle>({"sbsDefault", "sbsSolid", "sbsGradient", "sbsThemed"});
  RegisterEnumNames<TQzSliderOrientation>({"sloHorizontal", "sloVertical"});
  RegisterEnumNames<TQzSliderCaptionAlign>({"scaTop", "scaBottom"});
  RegisterEnumNames<TQzSliderValueStyle>({"slvNative", "slvPercent", "slvOwnerDraw", "slvNone"});
  RegisterEnumNames<TQzSliderValueAlign>({"svaLeft", "svaCenter", "svaRight"});
  RegisterEnumNames<TQzSliderOption>({"sloAlignEdit", "sloTransparent"});
  TClassRegistrar<TQzCustomSlider>("TQzCustomSlider", "TQzCustomWinControl", false);
  // Bounds before the position, as a stored form lists them, so that the position is not clamped
  // to the defaults first.
  TClassRegistrar<TQzSlider>("TQzSlider", "TQzCustomSlider", true)
      .Prop("Min", &TQzSlider::SetMin)
      .Prop("Max", &TQzSlider::SetMax)
      .Prop("Position", &TQzSlider::SetPosition)
      .Prop("ButtonChange", &TQzSlider::SetButtonChange)
      .Prop("WheelChange", &TQzSlider::SetWheelChange)
      .Prop("TickFrequency", &TQzSlider::SetTickFrequency)
      .Prop("ShowTickMarks", &TQzSlider::SetShowTickMarks)
      .Prop("BarSize", &TQzSlider::SetBarSize)
      .Prop("BarColor", &TQzSlider::SetBarColor)
      .Prop("BarStyle", &TQzSlider::SetBarStyle)
      .Prop("Orientation", &TQzSlider::SetOrientation)
      .Prop("CaptionAlign", &TQzSlider::SetCaptionAlign)
      .Prop("CaptionAlignment", &TQzSlider::SetCaptionAlignment)
      .Prop("ValueStyle", &TQzSlider::SetValueStyle)
      .Prop("ValueAlign", &TQzSlider::SetValueAlign)
      .Prop("ShowCaption", &TQzSlider::SetShowCaption)
      .Prop("ShowButtons", &TQzSlider::SetShowButtons)
      .Prop("ShowTrack", &TQzSlider::SetShowTrack)
      .Prop("SpaceHorz", &TQzSlider::SetSpaceHorz)
      .Prop("SpaceVert", &TQzSlider::SetSpaceVert)
      .Prop("UseKeys", &TQzSlider::SetUseKeys)
      .Prop("Options", &TQzSlider::SetOptions)
      .Prop("Edit", &TQzSlider::SetEdit)
      .Prop("OnPositionChanged", &TQzSlider::OnPositionChanged)
      .Prop("OnDrawValue", &TQzSlider::OnDrawValue);
  // Caption from the form's group or "Global", hint from the form's group only.
  TQzVLSDataSource::ClassTable().Add<TQzSlider>([](TComponent* c, TQzVLSDataSource* vls, const std::string& group) {
    auto* s = static_cast<TQzSlider*>(c);
    std::string text;
    if (vls->ReadTextOrGlobal(group, s->GetName(), "Text", text)) s->SetCaption(text);
    if (vls->ReadText(group, s->GetName(), "Hint", text)) s->SetHint(text);
  });
}
