#include "ui/controls/QzAudioVolumeSlider.h"

#include <algorithm>
#include <cmath>

#include "engine/QzAudioMath.h"
#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "ui/controls/QzAudioEdit.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzThemeCtrls.h"

// ---- knob source ----

TQzCustomAudioSliderKnobSource::TQzCustomAudioSliderKnobSource(TComponent* AOwner)
    : TQzCustomAudioComponent(AOwner), FPicture(new TPicture()) {}

TQzCustomAudioSliderKnobSource::~TQzCustomAudioSliderKnobSource() { delete FPicture; }

void TQzCustomAudioSliderKnobSource::SetPicture(TPicture* Value) {
  FOwnPicture.reset();
  FPicture->SetGraphic(Value ? Value->GetGraphic() : nullptr);
  DoChange();
}

void TQzCustomAudioSliderKnobSource::ThemeChanged() {
  const bool themed = IsThemed();
  if (QzSwapThemePicture(FPicture, FOwnPicture,
                         themed ? GetThemeManager()->GetThemePicture(QzThemeSliderKnobPictureID) : nullptr, themed))
    DoChange();
}

bool TQzCustomAudioSliderKnobSource::IsEmpty() const {
  return !FPicture->GetGraphic() || FPicture->GetWidth() < 1 || FPicture->GetHeight() < 1;
}

// ---- the scale laws ----

namespace {
// A law as up to four anchors from the Max end of the track to the Min end; between two anchors
// the mapping is linear, or logarithmic when the upper anchor lies at or below LogFrom. Marks
// outside the open range are left out, so neighbouring parts always meet.
struct TAnchor {
  int32_t P;
  double V;
};
struct TLaw {
  TAnchor A[4];
  int N = 0;
  bool HasLog = false;
  double LogFrom = 0;
  bool IsLog(int Segment) const { return HasLog && A[Segment].V <= LogFrom; }
};

// Position 0..1 of V within the segment from Upper down to Lower.
double SegmentFraction(double V, double Upper, double Lower, bool Log) {
  if (Log) return std::log(1.0 + Upper - V) / std::log(1.0 + Upper - Lower);
  return (Upper - V) / (Upper - Lower);
}

double SegmentValue(double F, double Upper, double Lower, bool Log) {
  if (Log) return Upper + 1.0 - std::pow(1.0 + Upper - Lower, F);
  return Upper - F * (Upper - Lower);
}

int32_t RoundPixel(double X) { return static_cast<int32_t>(std::nearbyint(X)); }
}  // namespace

// ---- slider ----

TQzCustomAudioSlider::TQzCustomAudioSlider(TComponent* AOwner) : TQzCustomAudioOrientationWinControl(AOwner) {
  FOptions = {SLIDER_SHOW_VALUE, SLIDER_SHOW_TEXT};
  SetPadding(10);
  SetColor(RGB(45, 45, 45));
  SetBounds(GetLeft(), GetTop(), 80, 300);
}

TQzCustomAudioSlider::~TQzCustomAudioSlider() {
  QzReleaseAudioEdit(this);
  if (FKnobSource) FKnobSource->RemoveFreeNotification(this);
  FKnobSource = nullptr;
}

void TQzCustomAudioSlider::Notification(TComponent* AComponent, TOperation Operation) {
  // The source may be half destroyed: only let go of it.
  if (Operation == opRemove && AComponent == FKnobSource) {
    FKnobSource = nullptr;
    FNeedsLayout = true;
    if (!IsDestroying()) Invalidate();
  }
  TQzCustomAudioOrientationWinControl::Notification(AComponent, Operation);
}

void TQzCustomAudioSlider::ClampValueSilently() { ClampSingle(FValue, FMin, FMax); }

void TQzCustomAudioSlider::SetMin(float Value) {
  if (!std::isfinite(Value) || Value == FMin) return;
  FMin = Value;
  ClampValueSilently();
  NeedLayout();
}

void TQzCustomAudioSlider::SetMax(float Value) {
  if (!std::isfinite(Value) || Value == FMax) return;
  FMax = Value;
  ClampValueSilently();
  NeedLayout();
}

void TQzCustomAudioSlider::SetValue(float Value) {
  if (std::isnan(Value)) return;
  ClampSingle(Value, FMin, FMax);
  if (Value == FValue) return;
  FValue = Value;
  // Copy: a handler may replace the event.
  const TQzInternalChangeEvent internal = OnInternalChange;
  if (internal) internal(this, 0, 0, FValue, 0);
  DoChanged();
  Refresh();
}

void TQzCustomAudioSlider::UserSetValue(double V) {
  // A typed text that reads as no finite number changes nothing.
  if (std::isfinite(V)) SetValue(static_cast<float>(V));
}

void TQzCustomAudioSlider::SetScaleType(TQzAudioSliderScaleType Value) {
  if (Value == FScaleType) return;
  FScaleType = Value;
  UpdateLayout();
  if (GetAutoInvalidate()) Refresh();
}

void TQzCustomAudioSlider::SetColorStyle(TQzAudioColorStyle Value) {
  if (Value == FColorStyle) return;
  FColorStyle = Value;
  Refresh();
}

void TQzCustomAudioSlider::SetOptions(TQzAudioSliderOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  NeedLayout();
}

void TQzCustomAudioSlider::SetLineColor(TColor Value) {
  if (Value == FLineColor) return;
  FLineColor = Value;
  Refresh();
}

void TQzCustomAudioSlider::SetKnobSource(TQzCustomAudioSliderKnobSource* Value) {
  if (Value == FKnobSource) return;
  if (FKnobSource) FKnobSource->RemoveFreeNotification(this);
  FKnobSource = Value;
  if (Value) Value->FreeNotification(this);
  NeedLayout();
}

void TQzCustomAudioSlider::SetScaleFrequency(uint16_t Value) {
  if (Value == FScaleFrequency) return;
  FScaleFrequency = Value;
  NeedLayout();
}

void TQzCustomAudioSlider::SetScaleValuesVertical(const std::string& Value) {
  if (Value == FScaleValuesVertical) return;
  FScaleValuesVertical = Value;
  NeedLayout();
}

// ---- layout ----

void TQzCustomAudioSlider::UpdateLayout() {
  if (!HandleAllocated()) return;
  TCanvas* c = GetCanvas();
  c->GetFont()->Assign(GetFont());
  const int32_t th = c->TextHeight("ABCxyj|#0123456789");
  const int32_t tw = c->TextWidth("88888,88 msec") + 8;
  const TRect client = GetClientRect();
  const int32_t cw = RectWidth(client), ch = RectHeight(client), pad = GetPadding();
  FContentRect = Rect(client.Left + pad, client.Top + pad, client.Right - pad, client.Bottom - pad);

  const bool vertical = GetOrientation() == acoVertical;
  TSize knob = DefaultSliderKnobSize(vertical ? 1 : 0, nullptr);
  if (FKnobSource && !FKnobSource->IsEmpty()) knob = {FKnobSource->GetPicture()->GetWidth(), FKnobSource->GetPicture()->GetHeight()};
  FKnobWidth = knob.cx;
  FKnobHeight = knob.cy;
  const bool upperMarks = FMax > 0;

  if (vertical) {
    FHalfKnob = FKnobHeight / 2;
    const int32_t h = RectHeight(FContentRect);
    FTrackRect = Rect(0, 0, 4, h);
    AlignRect(FTrackRect, client, 1, 1);
    FValueRect = FContentRect;
    FValueRect.Bottom = FValueRect.Top + th + (FOptions.Contains(SLIDER_SHOW_VALUE_BORDER) ? 4 : 0);
    if (FOptions.Contains(SLIDER_SHOW_VALUE)) FTrackRect.Top = FValueRect.Bottom;
    FTextRect = FContentRect;
    FTextRect.Top = FTextRect.Bottom - th - (FOptions.Contains(SLIDER_SHOW_TEXT_BORDER) ? 4 : 0);
    if (FOptions.Contains(SLIDER_SHOW_TEXT)) FTrackRect.Bottom = FTextRect.Top + FHalfKnob / 2;
    FTrackRect.Top += FKnobHeight / 2 + 2;
    FTrackRect.Bottom -= FKnobHeight / 2 + 2;
    FKnobRect = Rect(0, 0, FKnobWidth, FKnobHeight);
    AlignRect(FKnobRect, FTrackRect, 1, 1);
    // Marks are absolute pixels under every law, as the mappings read them.
    const int32_t t = FTrackRect.Top, b = FTrackRect.Bottom, fifth = (b - t) / 5;
    FZeroMark = upperMarks ? t + fifth : t;
    FMinus3Mark = FScaleType == SLIDER_SCALE_OPT ? FZeroMark + fifth : FZeroMark;
    FLowerSpan = b - FMinus3Mark;
  } else {
    FHalfKnob = FKnobWidth / 2;
    FTrackRect = Rect(0, 0, cw, 4);
    AlignRect(FTrackRect, client, 1, 1);
    FTrackRect.Left += FKnobWidth / 2 + pad;
    FTrackRect.Right -= FKnobWidth / 2 + pad;
    FValueRect = Rect(0, 0, tw, th);
    AlignRect(FValueRect, client, 1, 0);
    ShiftRect(FValueRect, 0, pad);
    FTextRect = Rect(0, 0, tw, th);
    AlignRect(FTextRect, client, 1, 0);
    ShiftRect(FTextRect, 0, ch - th - pad);
    FKnobRect = Rect(0, 0, FKnobWidth, FKnobHeight);
    AlignRect(FKnobRect, FTrackRect, 1, 1);
    const int32_t l = FTrackRect.Left, r = FTrackRect.Right, fifth = (r - l) / 5;
    FZeroMark = FScaleType != SLIDER_SCALE_LIN && upperMarks ? r - fifth : r;
    FMinus3Mark = FScaleType == SLIDER_SCALE_OPT ? FZeroMark - fifth : FZeroMark;
    FLowerSpan = FMinus3Mark - l;
  }
  ClampValueSilently();
  TQzCustomAudioOrientationWinControl::UpdateLayout();
}

// ---- mapping ----

namespace {
TLaw MakeLaw(TQzAudioSliderScaleType Type, int32_t MaxEnd, int32_t MinEnd, int32_t ZeroMark, int32_t Minus3Mark,
             double Min, double Max) {
  TLaw law;
  law.A[law.N++] = {MaxEnd, Max};
  auto mark = [&](int32_t P, double V) {
    if (V < Max && V > Min) law.A[law.N++] = {P, V};
  };
  if (Type == SLIDER_SCALE_LOG) {
    mark(ZeroMark, 0.0);
    law.HasLog = true;
    law.LogFrom = 0.0;
  } else if (Type == SLIDER_SCALE_OPT) {
    mark(ZeroMark, 0.0);
    mark(Minus3Mark, -3.0);
    law.HasLog = true;
    law.LogFrom = -3.0;
  }
  law.A[law.N++] = {MinEnd, Min};
  return law;
}
}  // namespace

int32_t TQzCustomAudioSlider::ValueToPixel(float V) const {
  const bool vertical = GetOrientation() == acoVertical;
  const int32_t maxEnd = vertical ? FTrackRect.Top : FTrackRect.Right;
  const int32_t minEnd = vertical ? FTrackRect.Bottom : FTrackRect.Left;
  // An empty or reversed range (a transient state while both bounds are edited) and a NaN have
  // no place on the track but the Min end.
  if (!(FMax > FMin) || std::isnan(V)) return minEnd;
  if (V >= FMax) return maxEnd;
  if (V <= FMin) return minEnd;
  const TLaw law = MakeLaw(FScaleType, maxEnd, minEnd, FZeroMark, FMinus3Mark, FMin, FMax);
  for (int i = 0; i + 1 < law.N; ++i) {
    const TAnchor& a = law.A[i];
    const TAnchor& b = law.A[i + 1];
    if (V < b.V) continue;
    const double f = std::clamp(SegmentFraction(V, a.V, b.V, law.IsLog(i)), 0.0, 1.0);
    return a.P + RoundPixel((b.P - a.P) * f);
  }
  return minEnd;
}

float TQzCustomAudioSlider::PixelToValue(int32_t X, int32_t Y) const {
  const bool vertical = GetOrientation() == acoVertical;
  const int32_t maxEnd = vertical ? FTrackRect.Top : FTrackRect.Right;
  const int32_t minEnd = vertical ? FTrackRect.Bottom : FTrackRect.Left;
  const int32_t p = vertical ? Y : X;
  float result = 0.0f;
  if (minEnd - maxEnd == 0 || (vertical ? minEnd < maxEnd : maxEnd < minEnd)) {
    result = 0.0f;
  } else if (!(FMax > FMin)) {
    result = FMin;
  } else {
    // Distances from the Max end towards the Min end, whichever way the axis runs.
    const int32_t dir = minEnd > maxEnd ? 1 : -1;
    const int64_t d = static_cast<int64_t>(p - maxEnd) * dir;
    if (d <= 0) return FMax;
    if (d >= static_cast<int64_t>(minEnd - maxEnd) * dir) return FMin;
    const TLaw law = MakeLaw(FScaleType, maxEnd, minEnd, FZeroMark, FMinus3Mark, FMin, FMax);
    result = FMin;
    for (int i = 0; i + 1 < law.N; ++i) {
      const TAnchor& a = law.A[i];
      const TAnchor& b = law.A[i + 1];
      const int64_t da = static_cast<int64_t>(a.P - maxEnd) * dir, db = static_cast<int64_t>(b.P - maxEnd) * dir;
      if (d > db || db == da) continue;
      const double f = static_cast<double>(d - da) / static_cast<double>(db - da);
      result = static_cast<float>(SegmentValue(f, a.V, b.V, law.IsLog(i)));
      break;
    }
  }
  ClampSingle(result, FMin, FMax);
  return result;
}

// ---- gestures ----

void TQzCustomAudioSlider::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (IsEnabled()) {
    FMouseMode = Button == mbLeft ? 1 : (Button == mbRight ? 2 : 0);
    EndEditValue();
    if (Button == mbLeft) {
      if (GetTabStop() && CanFocus()) SetFocus();
      if (FOptions.Contains(SLIDER_EDIT_VALUE) && PointInRect(FValueRect, {X, Y})) EditValue();
    }
  }
  TQzCustomAudioOrientationWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomAudioSlider::MouseMove(TShiftState, int32_t X, int32_t Y) {
  if (IsEnabled() && FMouseMode == 1) SetValue(PixelToValue(X, Y));
}

void TQzCustomAudioSlider::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FMouseMode = 0;
  TQzCustomAudioOrientationWinControl::MouseUp(Button, Shift, X, Y);
}

bool TQzCustomAudioSlider::DoMouseWheelScroll(TObject*, TShiftState Shift, int Direction, TPoint) {
  if (!IsEnabled()) return false;
  // Steps in dB: a multiplicative step would never leave 0 and would push negative levels the
  // wrong way.
  const double step = Shift.Contains(ssCtrl) ? 1.0 : 0.1;
  UserSetValue(static_cast<double>(FValue) + (Direction == 0 ? step : -step));
  return true;
}

void TQzCustomAudioSlider::EditValue() {
  QzBeginAudioEdit(this, FValueRect, FValue, IsEnabled(), [this](double V) { UserSetValue(V); });
}

// A press anywhere ends whichever control's edit is open, so that a later Enter cannot commit
// into a control the user has left.
void TQzCustomAudioSlider::EndEditValue() { QzEndAudioEdit(); }

// ---- paint ----

void TQzCustomAudioSlider::Paint() {
  if (NeedsLayout()) UpdateLayout();
  TCanvas* c = GetCanvas();
  const bool enabled = IsEnabled();
  const bool vertical = GetOrientation() == acoVertical;
  SetCanvasPen(c, 1, 0x808080, psSolid);
  c->GetBrush()->SetStyle(bsClear);
  DrawSliderTrack(c, FTrackRect, GetColor());

  if (FOptions.Contains(SLIDER_FOLLOW_TRACK)) {
    TRect r = FTrackRect;
    ExpandRect(r, -1, -1);
    if (vertical) r.Top = ValueToPixel(FValue);
    else r.Right = ValueToPixel(FValue);
    const TColor fill = GetAudioColor(24, false);
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(enabled ? fill : LightenColor(fill, -75));
    c->FillRect(r);
  }
  if (FOptions.Contains(SLIDER_SHOW_VALUE)) PaintValue(c, enabled);
  if (FOptions.Contains(SLIDER_SHOW_TEXT)) PaintText(c, enabled);
  if (FOptions.Contains(SLIDER_SHOW_SCALE)) PaintScale(c, enabled);
  if (FOptions.Contains(SLIDER_SHOW_BORDER)) {
    SetCanvasPen(c, 1, GetAudioColor(18, enabled), psSolid);
    c->GetBrush()->SetStyle(bsClear);
    c->RoundRect(GetClientRect(), 5, 5);
  }

  TRect knob = FKnobRect;
  const int32_t lead = ValueToPixel(FValue) - FHalfKnob;
  if (vertical) ShiftRect(knob, 0, lead - knob.Top);
  else ShiftRect(knob, lead - knob.Left, 0);
  const uint8_t orientation = vertical ? 1 : 0;
  if (FKnobSource) DrawSliderKnob(c, knob, orientation, GetColor(), FKnobSource->GetPicture()->GetGraphic());
  else DrawDefaultSliderKnob(c, knob, orientation, GetColor());

  SetCanvasPen(c, 1, FLineColor, psSolid);
  if (vertical) {
    const int32_t mid = knob.Top + RectHeight(knob) / 2;
    c->Line(knob.Left, mid, knob.Right, mid);
  } else {
    const int32_t mid = knob.Left + RectWidth(knob) / 2;
    c->Line(mid, knob.Top + 1, mid, knob.Bottom - 1);
  }
  TQzCustomAudioOrientationWinControl::Paint();
}

void TQzCustomAudioSlider::PaintValue(TCanvas* C, bool Enabled) {
  C->GetFont()->SetSize(8);
  C->GetFont()->SetColor(GetAudioColor(12, Enabled));
  const std::string text = OnGetValueText ? OnGetValueText(this, FValue) : FloatToDisplayText(FValue, 2, true);
  static constexpr TQzAudioSwitchStyle Switch[] = {awsYellow, awsYellow, awsBlue, awsRed, awsWhite};
  if (FColorStyle >= acsYellow && FColorStyle <= acsWhite) {
    DrawSwitchButton(C, FValueRect, Enabled, true, text, Switch[FColorStyle], false);
    return;
  }
  if (FOptions.Contains(SLIDER_SHOW_VALUE_BORDER)) DrawAudioControlFrame(C, FValueRect, Enabled);
  else if (GetParentFont()) C->GetFont()->SetColor(GetFont()->GetColor());
  else C->GetFont()->SetColor(FColorStyle == acsGreen ? clBlack : GetAudioColor(12, Enabled));
  C->GetBrush()->SetStyle(bsClear);
  TRect r = FValueRect;
  DrawAlignedText(C, text, ExpandRect(r, -1, -1), 1, 1, true);
}

void TQzCustomAudioSlider::PaintText(TCanvas* C, bool Enabled) {
  C->GetFont()->Assign(GetFont());
  if (FOptions.Contains(SLIDER_SHOW_TEXT_BORDER)) {
    SetCanvasPen(C, 1, GetAudioColor(4, Enabled), psSolid);
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetColor(GetAudioColor(10, Enabled));
    C->RoundRect(FTextRect, 3, 3);
    C->GetFont()->SetColor(GetAudioColor(12, Enabled));
  } else if (!GetParentFont()) {
    C->GetFont()->SetColor(GetAudioColor(40, Enabled));
  }
  C->GetFont()->SetSize(8);
  C->GetBrush()->SetStyle(bsClear);
  TRect r = FTextRect;
  DrawAlignedText(C, GetCaption(), ExpandRect(r, -1, -1), 1, 1, true);
}

namespace {
// Whether Label is one of the ";"-terminated entries of List (whole entries only: "-1" is not
// found in "-10;").
bool ListHasEntry(const std::string& List, const std::string& Label) {
  size_t start = 0;
  while (start < List.size()) {
    const size_t end = List.find(';', start);
    if (end == std::string::npos) return false;
    if (List.compare(start, end - start, Label) == 0) return true;
    start = end + 1;
  }
  return false;
}
// Labels are only useful while they can be told apart; this also bounds the loops for ranges
// that reach far beyond any track.
constexpr int32_t MaxScaleLabels = 1000;
}  // namespace

void TQzCustomAudioSlider::PaintScale(TCanvas* C, bool Enabled) {
  C->GetFont()->Assign(GetFont());
  C->GetFont()->SetSize(7);
  if (!GetParentFont()) C->GetFont()->SetColor(IsThemed() ? GetThemeManager()->GetThemeColor(3) : GetAudioColor(40, Enabled));
  SetCanvasPen(C, 1, GetAudioColor(45, Enabled), psSolid);
  C->GetBrush()->SetStyle(bsClear);
  const TRect& t = FTrackRect;
  const int32_t halfText = C->TextHeight("1234567890,") / 2;

  if (GetOrientation() == acoVertical) {
    const int32_t hk = FKnobWidth / 2;
    int32_t y = t.Top + 5;
    do {
      C->Line(t.Left - 2, y, t.Left - 2 - hk, y);
      C->Line(t.Right + 2, y, t.Right + 2 + hk, y);
      y += 5;
    } while (y < t.Bottom);
    auto label = [&](double V) {
      const std::string text = FloatToDisplayText(V, 0, true);
      const int32_t at = ValueToPixel(static_cast<float>(V)) - halfText;
      C->TextOut(t.Right + 4 + hk, at, text);
      C->TextOut(t.Left - 4 - hk - C->TextWidth(text), at, text);
    };
    // 0, 1, 2 ... up to the first integer at or above Max.
    for (int32_t v = 0; v < MaxScaleLabels; ++v) {
      label(v);
      if (v >= FMax) break;
    }
    // -1, -2 ... down to the first integer at or below Min, when listed.
    for (int32_t v = -1; v > -MaxScaleLabels; --v) {
      if (ListHasEntry(FScaleValuesVertical, FloatToDisplayText(v, 0, true))) label(v);
      if (v <= FMin) break;
    }
    return;
  }

  if (FScaleFrequency <= 1 || FScaleType == SLIDER_SCALE_LOG) return;
  if (!GetParentFont()) C->GetFont()->SetColor(GetFont()->GetColor());
  const double step = (static_cast<double>(FMax) - FMin) / FScaleFrequency;
  const int32_t count = std::min<int32_t>(FScaleFrequency, std::max<int32_t>(RectWidth(t), 0));
  const int32_t textHeight = C->TextHeight("1234567890,");
  for (int32_t i = 0; i <= count; ++i) {
    const int32_t x = ValueToPixel(static_cast<float>(FMin + step * i));
    if (x >= t.Right && i > 0) break;
    C->Line(x, t.Top - 2, x, t.Top - 4);
    C->Line(x, t.Bottom + 2, x, t.Bottom + 4);
    const std::string text = FloatToDisplayText(std::fabs(PixelToValue(x, 0)), 0, true);
    const int32_t left = x - C->TextWidth(text) / 2;
    C->TextOut(left, t.Top - 4 - textHeight, text);
    C->TextOut(left, t.Bottom + 6, text);
  }
}

// ---- registration ----

void RegisterQzAudioVolumeSliderClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBaseClasses();
  RegisterEnumNames<TQzAudioSliderScaleType>({"SLIDER_SCALE_LIN", "SLIDER_SCALE_LOG", "SLIDER_SCALE_OPT"});
  RegisterQzAudioPaintEnums();
  RegisterEnumNames<TQzAudioSliderOption>({"SLIDER_SHOW_VALUE", "SLIDER_SHOW_VALUE_BORDER", "SLIDER_SHOW_TEXT",
                                           "SLIDER_SHOW_TEXT_BORDER", "SLIDER_SHOW_BORDER", "SLIDER_SHOW_BACKGROUND",
                                           "SLIDER_SHOW_SCALE", "SLIDER_FOLLOW_TRACK", "SLIDER_EDIT_VALUE"});

  TClassRegistrar<TQzCustomAudioSliderKnobSource>("TQzCustomAudioSliderKnobSource", "TQzCustomAudioComponent", false);
  TClassRegistrar<TQzAudioSliderKnobSource>("TQzAudioSliderKnobSource", "TQzCustomAudioSliderKnobSource", true)
      .Object("Picture", &TQzAudioSliderKnobSource::GetPicture);

  TClassRegistrar<TQzCustomAudioSlider>("TQzCustomAudioSlider", "TQzCustomAudioOrientationWinControl", false);
  TClassRegistrar<TQzAudioVolumeSlider>("TQzAudioVolumeSlider", "TQzCustomAudioSlider", true)
      .Prop("Min", &TQzAudioVolumeSlider::SetMin)
      .Prop("Max", &TQzAudioVolumeSlider::SetMax)
      .Prop("ColorStyle", &TQzAudioVolumeSlider::SetColorStyle)
      .PropColor("LineColor", &TQzAudioVolumeSlider::SetLineColor)
      .Prop("KnobSource", &TQzAudioVolumeSlider::SetKnobSource)
      .Prop("ScaleFrequency", &TQzAudioVolumeSlider::SetScaleFrequency)
      .Prop("ScaleType", &TQzAudioVolumeSlider::SetScaleType)
      .Prop("Options", &TQzAudioVolumeSlider::SetOptions)
      .Prop("ScaleValuesVertical", &TQzAudioVolumeSlider::SetScaleValuesVertical)
      .Prop("Value", &TQzAudioVolumeSlider::SetValue)
      .Prop("OnGetValueText", &TQzAudioVolumeSlider::OnGetValueText);
}
