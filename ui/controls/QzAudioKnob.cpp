#include "ui/controls/QzAudioKnob.h"

#include <algorithm>
#include <cmath>

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "ui/controls/QzAudioEdit.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzResourceBitmaps.h"
#include "ui/framework/QzSafeMath.h"
#include "ui/framework/QzThemeCtrls.h"

namespace {
constexpr float FullTurn = 270.0f;
// Measured once per layout: the tallest letters and digits a value or caption may hold.
constexpr const char* TextSample = "01234567890,AXgYy";

// R moved so that it sits centred in Area (offsets truncated, as the layout always did).
TRect CentreIn(int32_t W, int32_t H, const TRect& Area) {
  const int32_t l = Area.Left + (Area.Right - Area.Left - W) / 2;
  const int32_t t = Area.Top + (Area.Bottom - Area.Top - H) / 2;
  return Rect(l, t, l + W, t + H);
}

TRect CentreVertically(TRect R, const TRect& Area) {
  const int32_t h = R.Bottom - R.Top;
  R.Top = Area.Top + (Area.Bottom - Area.Top - h) / 2;
  R.Bottom = R.Top + h;
  return R;
}
}  // namespace

// ---- knob source ----

TQzCustomAudioKnobSource::TQzCustomAudioKnobSource(TComponent* AOwner)
    : TQzCustomAudioComponent(AOwner), FPicture(new TPicture()) {
  FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
}

TQzCustomAudioKnobSource::~TQzCustomAudioKnobSource() {
  FPicture->OnChange = nullptr;
  delete FPicture;
}

void TQzCustomAudioKnobSource::BeforeDestruction() {
  // The knobs keep a link to this source; each lets go through its free notification.
  FClients.clear();
  TQzCustomAudioComponent::BeforeDestruction();
}

void TQzCustomAudioKnobSource::Notification(TComponent* AComponent, TOperation Operation) {
  TQzCustomAudioComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && !IsDestroying()) {
    if (auto* c = dynamic_cast<TControl*>(AComponent)) RemoveClient(c);
  }
}

void TQzCustomAudioKnobSource::SetPicture(TPicture* Value) {
  // The caller's picture is the source's own from now on.
  FOwnPicture.reset();
  FPicture->Assign(Value);
}

void TQzCustomAudioKnobSource::ThemeChanged() {
  const bool themed = IsThemed();
  QzSwapThemePicture(FPicture, FOwnPicture, themed ? GetThemeManager()->GetThemePicture(QzThemeKnobPictureID) : nullptr,
                     themed);
}

bool TQzCustomAudioKnobSource::LoadFromResource(const std::string& Name) {
  return QzLoadPictureResource(Name, FPicture);
}

bool TQzCustomAudioKnobSource::IsEmpty() const {
  const TGraphic* g = FPicture->GetGraphic();
  return !g || g->GetEmpty() || g->GetWidth() < 5 || g->GetHeight() < 5;
}

uint16_t TQzCustomAudioKnobSource::GetFrameSize() const {
  if (IsEmpty()) return 0;
  return QzNarrow<uint16_t>(std::min(FPicture->GetWidth(), FPicture->GetHeight()));
}

void TQzCustomAudioKnobSource::AddClient(TControl* Control) {
  if (!Control || IsDestroying()) return;
  if (std::find(FClients.begin(), FClients.end(), Control) == FClients.end()) FClients.push_back(Control);
}

void TQzCustomAudioKnobSource::RemoveClient(TControl* Control) {
  if (IsDestroying()) return;
  FClients.erase(std::remove(FClients.begin(), FClients.end(), Control), FClients.end());
}

void TQzCustomAudioKnobSource::PictureChanged(TObject*) {
  if (IsDestroying()) return;
  // A copy: a repaint may not change the list, but a client's handler might.
  const std::vector<TControl*> clients = FClients;
  for (TControl* c : clients)
    if (auto* k = dynamic_cast<TQzCustomAudioKnobControl*>(c)) k->KnobSourceChanged();
  DoChange();
}

// ---- knob control: value model ----

TQzCustomAudioKnobControl::TQzCustomAudioKnobControl(TComponent* AOwner) : TQzCustomAudioWinControl(AOwner) {
  SetPadding(5);
  SetBounds(GetLeft(), GetTop(), 100, 100);
}

TQzCustomAudioKnobControl::~TQzCustomAudioKnobControl() {
  QzReleaseAudioEdit(this);
  // Without the repaint of SetKnobSource: the painting half of the object is gone already.
  if (FKnobSource) {
    FKnobSource->RemoveClient(this);
    FKnobSource->RemoveFreeNotification(this);
    FKnobSource = nullptr;
  }
}

void TQzCustomAudioKnobControl::BeforeDestruction() {
  QzReleaseAudioEdit(this);
  SetKnobSource(nullptr);
  TQzCustomAudioWinControl::BeforeDestruction();
}

void TQzCustomAudioKnobControl::Notification(TComponent* AComponent, TOperation Operation) {
  // The source may be half destroyed: only let go of it.
  if (Operation == opRemove && AComponent == FKnobSource) {
    FKnobSource = nullptr;
    FNeedsLayout = true;
    if (!IsDestroying()) Invalidate();
  }
  TQzCustomAudioWinControl::Notification(AComponent, Operation);
}

float TQzCustomAudioKnobControl::GetValue() const {
  // The ends read back exactly; in between the value is where the angle points in the range.
  if (FAngle <= 0.0) return FMin;
  if (FAngle >= FullTurn) return FMax;
  const double v = FMin + (static_cast<double>(FMax) - FMin) * FAngle / FullTurn;
  return QzClamp(static_cast<float>(v), FMin, FMax);
}

bool TQzCustomAudioKnobControl::StoreAngle(double Value) {
  const double a = QzClamp(Value, 0.0, static_cast<double>(FullTurn));
  if (a == FAngle) return false;
  FAngle = a;
  // Only the knob's own pixels (and what shows through them) need painting again.
  Invalidate();
  return true;
}

void TQzCustomAudioKnobControl::SetValue(float Value) {
  if (std::isnan(Value)) return;
  // Min first, Max last: Max wins when the bounds are crossed.
  float v = Value < FMin ? FMin : Value;
  if (v > FMax) v = FMax;
  // Also what keeps an empty range (Min = Max) from dividing by zero below.
  if (v == GetValue()) return;
  const double share = (static_cast<double>(v) - FMin) / (static_cast<double>(FMax) - FMin);
  if (StoreAngle(std::fabs(share) * FullTurn)) DoChanged();
}

void TQzCustomAudioKnobControl::SetMin(float Value) {
  if (!std::isfinite(Value) || Value == FMin) return;
  FMin = Value;
  Invalidate();
  DoChanged();
}

void TQzCustomAudioKnobControl::SetMax(float Value) {
  if (!std::isfinite(Value) || Value == FMax) return;
  FMax = Value;
  Invalidate();
  DoChanged();
}

float TQzCustomAudioKnobControl::GetAngle() const { return static_cast<float>(FAngle); }

void TQzCustomAudioKnobControl::SetAngle(float Value) {
  if (!std::isnan(Value) && StoreAngle(Value)) DoChanged();
}

// ---- knob control: properties ----

void TQzCustomAudioKnobControl::SetLayout(TQzAudioKnobLayout Value) {
  if (Value == FLayout) return;
  FLayout = Value;
  NeedLayout();
}

void TQzCustomAudioKnobControl::SetOptions(TQzAudioKnobOptions Value) {
  if (Value.Bits() == FOptions.Bits()) return;
  FOptions = Value;
  FNeedsLayout = true;
  UpdateLayout();
  Invalidate();
}

void TQzCustomAudioKnobControl::SetColorStyle(TQzAudioColorStyle Value) {
  if (Value == FColorStyle) return;
  FColorStyle = Value;
  Invalidate();
}

void TQzCustomAudioKnobControl::SetKnobSource(TQzCustomAudioKnobSource* Value) {
  if (Value == FKnobSource) return;
  if (FKnobSource) {
    FKnobSource->RemoveClient(this);
    FKnobSource->RemoveFreeNotification(this);
  }
  FKnobSource = Value;
  if (Value) {
    Value->FreeNotification(this);
    Value->AddClient(this);
  }
  if (!IsDestroying()) NeedLayout();
}

void TQzCustomAudioKnobControl::KnobSourceChanged() {
  // The frame size may have changed: the next paint lays the knob out again.
  FNeedsLayout = true;
  Invalidate();
}

// ---- knob control: layout ----

void TQzCustomAudioKnobControl::UpdateLayout() {
  if (!HandleAllocated()) return;
  TCanvas* c = GetCanvas();
  c->GetFont()->Assign(GetFont());
  FTextHeight = c->TextHeight(TextSample);
  const int32_t th = FTextHeight, pad = GetPadding();
  const int32_t s = FKnobSource ? FKnobSource->GetFrameSize() : 50;
  const bool scale = FOptions.Contains(KNOB_SHOW_SCALE);
  const bool showValue = FOptions.Contains(KNOB_SHOW_VALUE), showCaption = FOptions.Contains(KNOB_SHOW_CAPTION);
  const TRect client = GetClientRect();
  FValueRect = FCaptionRect = TRect{};

  if (FLayout == aklCenter) {
    TRect area = Rect(client.Left, client.Top + pad, client.Right, client.Bottom - pad);
    if (showValue) {
      FValueRect = Rect(area.Left + pad, area.Top + pad, area.Right - pad, area.Top + th + 4 + pad);
      area.Top = FValueRect.Bottom;
    }
    if (showCaption) {
      FCaptionRect = Rect(client.Left + pad, client.Bottom - th - 4 - pad, client.Right - pad, client.Bottom - pad);
      area.Bottom = FCaptionRect.Top;
    }
    FKnobRect = CentreIn(s, s, area);
    if (scale) FKnobRect = QzOffsetRect(FKnobRect, TPoint{0, 5});
  } else {
    const TRect area = Rect(client.Left + pad, client.Top + pad, client.Right - pad, client.Bottom - pad);
    const int32_t reach = s + pad + (scale ? 5 : 0);
    TRect text = area;
    if (FLayout == aklLeft) text.Left = area.Left + reach;
    else text.Right = area.Right - reach;
    if (showValue) {
      FValueRect = Rect(text.Left, area.Top, text.Right, area.Top + th + 4);
      if (!showCaption) FValueRect = CentreVertically(FValueRect, area);
    }
    if (showCaption) {
      FCaptionRect = Rect(text.Left, area.Bottom - th - 4, text.Right, area.Bottom);
      if (!showValue) FCaptionRect = CentreVertically(FCaptionRect, area);
    }
    const int32_t left = FLayout == aklLeft ? area.Left : area.Right - s;
    FKnobRect = CentreVertically(Rect(left, 0, left + s, s), area);
  }
  if (FOptions.Contains(KNOB_SHOW_CAPTION_TOP)) std::swap(FCaptionRect, FValueRect);
  TQzCustomAudioWinControl::UpdateLayout();
}

// ---- knob control: gestures ----

void TQzCustomAudioKnobControl::EditValue() {
  const bool enabled = IsEnabled() && (!GetParent() || GetParent()->IsEnabled());
  QzBeginAudioEdit(this, FValueRect, GetValue(), enabled, [this](double V) { SetValue(static_cast<float>(V)); });
}

void TQzCustomAudioKnobControl::EndEditValue() { QzEndAudioEdit(); }

void TQzCustomAudioKnobControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (IsEnabled()) FMouseMode = Button == mbLeft ? 1 : (Button == mbRight ? 2 : 0);
  EndEditValue();
  if (FMouseMode == 1) {
    if (GetTabStop() && CanFocus()) SetFocus();
    const TRect& r = FValueRect;
    if (FOptions.Contains(KNOB_EDIT_VALUE) && X >= r.Left && X <= r.Right && Y >= r.Top && Y <= r.Bottom) EditValue();
  }
  FLastMouse = TPoint{X, Y};
  TQzCustomAudioWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomAudioKnobControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (IsEnabled() && FMouseMode == 1) {
    const int32_t dx = FLastMouse.X - X, dy = FLastMouse.Y - Y;
    // One drag across the whole control moves a fifth of the range.
    const float k = (FMax - FMin) / 5.0f;
    if (std::abs(dy) <= std::abs(dx)) {
      if (dx != 0 && GetWidth() > 0) {
        const float delta = static_cast<float>(std::abs(dx)) * k / static_cast<float>(GetWidth());
        SetValue(dx >= 1 ? GetValue() - delta : GetValue() + delta);
      }
    } else if (GetHeight() > 0) {
      const float delta = static_cast<float>(std::abs(dy)) * k / static_cast<float>(GetHeight());
      SetValue(dy >= 1 ? GetValue() + delta : GetValue() - delta);
    }
  }
  FLastMouse = TPoint{X, Y};
  TQzCustomAudioWinControl::MouseMove(Shift, X, Y);
}

void TQzCustomAudioKnobControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FMouseMode = 0;
  FLastMouse = TPoint{X, Y};
  TQzCustomAudioWinControl::MouseUp(Button, Shift, X, Y);
}

bool TQzCustomAudioKnobControl::DoMouseWheelScroll(TObject*, TShiftState Shift, int Direction, TPoint) {
  if (!IsEnabled()) return false;
  const float step = Shift.Contains(ssCtrl) ? 0.1f : FWheelStep;
  SetValue(Direction == 0 ? GetValue() - step : GetValue() + step);
  // Every notch reports once more, also at an end of the range: a notch is a gesture even when
  // it moves nothing.
  Invalidate();
  DoChanged();
  return true;
}

std::string TQzCustomAudioKnobControl::ValueText() const {
  const TQzAudioEvent03 handler = OnGetValueText;
  if (handler) return handler(const_cast<TQzCustomAudioKnobControl*>(this), GetValue());
  return FloatToDisplayText(GetValue(), 2, true);
}

// ---- painted knob ----

TQzCustomAudioKnob::TQzCustomAudioKnob(TComponent* AOwner) : TQzCustomAudioKnobControl(AOwner) {
  SetMax(5.0f);
  SetPadding(0);
  SetColor(GetAudioColor(16, IsEnabled()));
  SetBounds(GetLeft(), GetTop(), 110, 125);
  ControlStyle.Include(csParentBackground);
  ControlStyle.Include(csSetCaption);
  ControlStyle.Exclude(csOpaque);
}

void TQzCustomAudioKnob::SetScaleSpace(uint8_t Value) {
  if (Value == FScaleSpace) return;
  FScaleSpace = Value;
  Invalidate();
}

void TQzCustomAudioKnob::SetScaleColor(TColor Value) {
  if (Value == FScaleColor) return;
  FScaleColor = Value;
  Invalidate();
}

void TQzCustomAudioKnob::SetScaleHighlight(TColor Value) {
  if (Value == FScaleHighlight) return;
  FScaleHighlight = Value;
  Invalidate();
}

int32_t TQzCustomAudioKnob::FrameIndex(int32_t W, int32_t H, float Angle) {
  // A strip wider than tall holds no whole frame: nothing is read from it.
  if (W < 1 || H < W) return -1;
  const int32_t last = H / W - 1;
  const float a = std::isnan(Angle) ? 0.0f : QzClamp(Angle, 0.0f, FullTurn);
  // nearbyint rounds halves to even, as the frame law asks.
  const auto k = static_cast<int32_t>(std::nearbyint(static_cast<double>(last) * a / FullTurn));
  return QzClamp(k, 0, last);
}

void TQzCustomAudioKnob::Paint() {
  if (FNeedsLayout) UpdateLayout();
  TCanvas* c = GetCanvas();
  const bool enabled = IsEnabled() && (!GetParent() || GetParent()->IsEnabled());
  const TRect client = GetClientRect();
  const bool border = GetOptions().Contains(KNOB_SHOW_BORDER);
  const bool round = GetOptions().Contains(KNOB_ROUND_BORDER);
  if (!GetTransparent() || border) {
    c->GetBrush()->SetColor(GetColor());
    c->GetBrush()->SetStyle(GetTransparent() ? bsClear : bsSolid);
    SetCanvasPen(c, 1, border ? GetAudioColor(3, true) : GetColor(), psSolid);
    if (round) c->RoundRect(client, 3, 3);
    else c->Rectangle(client);
  }
  if (GetOptions().Contains(KNOB_SHOW_SCALE)) PaintScale(c, enabled);
  if (GetOptions().Contains(KNOB_SHOW_VALUE)) PaintValue(c, enabled);
  if (GetOptions().Contains(KNOB_SHOW_CAPTION) && !GetCaption().empty()) PaintCaption(c, enabled);
  PaintFace(c);
  if (border) {
    SetCanvasPen(c, 1, clBlack, psSolid);
    c->GetBrush()->SetStyle(bsClear);
    if (round) c->RoundRect(client, 5, 5);
    else c->Rectangle(client);
  }
  c->GetBrush()->SetStyle(bsSolid);
  TQzCustomAudioKnobControl::Paint();
}

void TQzCustomAudioKnob::PaintScale(TCanvas* C, bool Enabled) {
  int32_t radius = 45;
  TQzCustomAudioKnobSource* source = GetKnobSource();
  if (source && source->GetPicture()->GetWidth() > 0 && source->GetPicture()->GetHeight() > 0)
    radius = (source->GetPicture()->GetWidth() + FScaleSpace) / 2;
  const TRect& k = GetKnobRect();
  const int32_t cx = k.Left + (k.Right - k.Left) / 2, cy = k.Top + (k.Bottom - k.Top) / 2;
  const float angle = GetAngle();
  C->GetBrush()->SetStyle(bsSolid);
  auto dot = [&](float P) {
    const TColor colour = !Enabled ? clGray : (P < 135.0f - angle ? FScaleColor : FScaleHighlight);
    const double rad = static_cast<double>(P) * 3.14159265358979323846 / 180.0;
    const auto x = static_cast<int32_t>(std::nearbyint(cx - radius * std::sin(rad)));
    const auto y = static_cast<int32_t>(std::nearbyint(cy - radius * std::cos(rad)));
    SetCanvasPen(C, 1, colour, psSolid);
    C->GetBrush()->SetColor(colour);
    C->Ellipse(x - 1, y - 1, x + 2, y + 2);
  };
  // 17 dots 16.2 degrees apart: straight up, then out to each side.
  for (float p = 0.0f; p > -135.0f; p -= 16.2f) dot(p);
  for (float p = 16.2f; p < 135.0f; p += 16.2f) dot(p);
}

void TQzCustomAudioKnob::PaintValue(TCanvas* C, bool Enabled) {
  const TQzAudioKnobOptions o = GetOptions();
  // The value keeps the font's own style; the option only adds bold to it.
  C->GetFont()->Assign(GetFont());
  if (o.Contains(KNOB_VALUE_BOLD)) C->GetFont()->SetStyle(GetFont()->GetStyle() + fsBold);
  const bool display = o.Contains(KNOB_SHOW_VALUE_DISPLAY);
  C->GetFont()->SetColor(!Enabled ? GetAudioColor(12, false) : (display ? GetAudioColor(12, true) : GetFont()->GetColor()));
  const std::string text = ValueText();
  const TRect& r = GetValueRect();
  if (!display) {
    DrawAlignedText(C, text, r, 1, 1, false);
    return;
  }
  switch (GetColorStyle()) {
    case acsYellow: case acsBlue: case acsRed: case acsWhite:
      DrawSwitchButton(C, r, Enabled, true, text, static_cast<uint8_t>(GetColorStyle() - acsYellow), false);
      return;
    default:
      break;
  }
  DrawAudioControlFrame(C, r, Enabled);
  TQzDigiText* digits = QzSharedDigiText();
  if (o.Contains(KNOB_SHOW_DIGI_TEXT) && digits) {
    digits->SetColor(GetAudioColor(12, Enabled));
    digits->SetSize(8);
    digits->SetOptions(DIGI_BOLD);
    digits->Draw(C, text, r);
  } else {
    DrawAlignedText(C, text, r, 1, 1, false);
  }
}

void TQzCustomAudioKnob::PaintCaption(TCanvas* C, bool Enabled) {
  // Unlike the value, the caption is plain whatever the font's style.
  C->GetFont()->Assign(GetFont());
  C->GetFont()->SetStyle(GetOptions().Contains(KNOB_VALUE_BOLD) ? TFontStyles{fsBold} : TFontStyles{});
  const TRect& r = GetCaptionRect();
  if (GetOptions().Contains(KNOB_SHOW_CAPTION_DISPLAY)) {
    SetCanvasPen(C, 1, clBlack, psSolid);
    C->GetBrush()->SetStyle(bsSolid);
    C->GetBrush()->SetColor(GetAudioColor(10, Enabled));
    C->RoundRect(r, 3, 3);
  }
  DrawAlignedText(C, GetCaption(), Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1), 1, 1, false);
}

void TQzCustomAudioKnob::PaintFace(TCanvas* C) {
  TQzCustomAudioKnobSource* source = GetKnobSource();
  if (!source) return;
  auto* strip = dynamic_cast<TPortableNetworkGraphic*>(source->GetPicture()->GetGraphic());
  if (!strip) return;
  const int32_t w = strip->GetWidth();
  const int32_t k = FrameIndex(w, strip->GetHeight(), GetAngle());
  if (k < 0) return;
  const TRect dest = CentreIn(w, w, GetKnobRect());
  C->CopyRect(dest, strip->GetCanvas(), Rect(0, k * w, w, (k + 1) * w));
}

// ---- registration ----

void RegisterQzAudioKnobClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBaseClasses();
  RegisterEnumNames<TQzAudioKnobLayout>({"aklCenter", "aklLeft", "aklRight"});
  RegisterEnumNames<TQzAudioKnobOption>({"KNOB_SHOW_CAPTION", "KNOB_SHOW_CAPTION_DISPLAY", "KNOB_SHOW_CAPTION_TOP",
                                         "KNOB_SHOW_VALUE", "KNOB_SHOW_VALUE_DISPLAY", "KNOB_VALUE_BOLD",
                                         "KNOB_SHOW_SCALE", "KNOB_SHOW_BORDER", "KNOB_ROUND_BORDER",
                                         "KNOB_SHOW_DIGI_TEXT", "KNOB_SNAP_MOUSE", "KNOB_EDIT_VALUE"});
  RegisterQzAudioPaintEnums();

  TClassRegistrar<TQzCustomAudioKnobSource>("TQzCustomAudioKnobSource", "TQzCustomAudioComponent", false);
  // "Picture = 'NAME'" names the strip's resource; a missing one leaves the source empty
  // instead of failing the whole form.
  TClassRegistrar<TQzAudioKnobSource>("TQzAudioKnobSource", "TQzCustomAudioKnobSource", true)
      .Custom("Picture", [](TQzAudioKnobSource* S, const TFormValue& V, TFormReader&) {
        S->LoadFromResource(formreader_detail::ToString(V));
      });
  TClassRegistrar<TQzCustomAudioKnobControl>("TQzCustomAudioKnobControl", "TQzCustomAudioWinControl", false);
  TClassRegistrar<TQzCustomAudioKnob>("TQzCustomAudioKnob", "TQzCustomAudioKnobControl", false);
  TClassRegistrar<TQzAudioKnob>("TQzAudioKnob", "TQzCustomAudioKnob", true)
      .Prop("ColorStyle", &TQzAudioKnob::SetColorStyle)
      .Prop("Options", &TQzAudioKnob::SetOptions)
      .Prop("Layout", &TQzAudioKnob::SetLayout)
      .Prop("KnobSource", &TQzAudioKnob::SetKnobSource)
      .Prop("Min", &TQzAudioKnob::SetMin)
      .Prop("Max", &TQzAudioKnob::SetMax)
      .PropColor("ScaleColor", &TQzAudioKnob::SetScaleColor)
      .PropColor("ScaleHighlight", &TQzAudioKnob::SetScaleHighlight)
      .Prop("ScaleSpace", &TQzAudioKnob::SetScaleSpace)
      .Prop("Value", &TQzAudioKnob::SetValue)
      .Prop("OnGetValueText", &TQzAudioKnob::OnGetValueText);
}
