#include "ui/controls/QzAudioVUMeter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/QzUtils.h"
#include "graphics/QzCanvas.h"
#include "platform/FormReader.h"
#include "platform/Forms.h"
#include "ui/controls/QzArtGeometry.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzResourceBitmaps.h"
#include "ui/framework/QzSafeMath.h"

// ---- the shared scale pictures ----

namespace {
TBitmap* ScaleEnabled = nullptr;
TBitmap* ScaleDisabled = nullptr;

TBitmap* LoadScale(const char* Name) {
  auto* b = new TBitmap();
  QzLoadBitmapResource(Name, b);
  return b;
}

// The needle's ends, measured from the pivot 10 pixels above the bottom edge.
constexpr int32_t PivotLift = 10, InnerEnd = 45, OuterEnd = 35;
// A stalled host may hand over seconds at once: more than this drops the level to its floor
// anyway, and a bounded count keeps the tick short.
constexpr uint32_t MaxElapsed = 60000;
}  // namespace

void QzAudioVUMeterInitialize() {
  if (!ScaleEnabled) ScaleEnabled = LoadScale(QzVUScaleEnabledResource);
  if (!ScaleDisabled) ScaleDisabled = LoadScale(QzVUScaleDisabledResource);
}

void QzAudioVUMeterFinalize() {
  delete ScaleEnabled;
  ScaleEnabled = nullptr;
  delete ScaleDisabled;
  ScaleDisabled = nullptr;
}

TBitmap* QzVUScalePicture(bool Enabled) { return Enabled ? ScaleEnabled : ScaleDisabled; }

// ---- meter ----

TQzCustomAudioVUMeter::TQzCustomAudioVUMeter(TComponent* AOwner)
    : TQzCustomAudioWinControl(AOwner),
      FTextLeft(new TStringList()),
      FTextRight(new TStringList()),
      FScaleBitmap(new TBitmap()),
      FNeedleBitmap(new TBitmap()),
      FNeedleCanvas(new TQzCanvas()),
      FNeedleAngle(VolumeToAngle(MinVolume)) {
  FTextLeft->OnChange = [this](TObject* Sender) { ScaleChanged(Sender); };
  FTextRight->OnChange = [this](TObject* Sender) { ScaleChanged(Sender); };
  FScaleBitmap->SetPixelFormat(pf32bit);
  FScaleBitmap->SetSize(QzArt::VuWidth, QzArt::VuHeight);
  FNeedleBitmap->SetPixelFormat(pf32bit);
  FNeedleCanvas->GetPen()->SetColor(RGB(55, 55, 55));
  // The paint covers every pixel, so nothing under the meter needs painting first.
  SetTransparent(false);
  SetBounds(GetLeft(), GetTop(), QzArt::VuWidth, QzArt::VuHeight);
  FNeedsLayout = true;
}

TQzCustomAudioVUMeter::~TQzCustomAudioVUMeter() {
  delete FNeedleCanvas;
  delete FNeedleBitmap;
  delete FScaleBitmap;
  delete FTextRight;
  delete FTextLeft;
}

float TQzCustomAudioVUMeter::VolumeToAngle(float Db) { return QzArt::VuAngleForDb(Db); }

void TQzCustomAudioVUMeter::SetVolume(float Value) {
  // NaN lands on the floor and infinities on the ends, so no non-finite level is ever stored.
  const float v = QzClamp(Value, MinVolume, MaxVolume);
  if (GetCalibrationMode()) {
    if (v != FVolume) ShowVolume(v);
    return;
  }
  if (IsEnabled() && v > FVolume) ShowVolume(v);
}

void TQzCustomAudioVUMeter::SetCalibrationMode(bool Value) {
  if (Value == GetCalibrationMode()) return;
  FFlags = Value ? (FFlags | 1u) : (FFlags & ~1u);
  FElapsed = 0;
  // The calibration text belongs to the scale picture: without a redraw it would appear late.
  FScaleRedraw = true;
  Invalidate();
}

void TQzCustomAudioVUMeter::SetTextLeft(TStringList* Value) {
  if (Value && Value != FTextLeft) FTextLeft->Assign(Value);
}

void TQzCustomAudioVUMeter::SetTextRight(TStringList* Value) {
  if (Value && Value != FTextRight) FTextRight->Assign(Value);
}

void TQzCustomAudioVUMeter::ScaleChanged(TObject*) {
  FScaleRedraw = true;
  Invalidate();
}

void TQzCustomAudioVUMeter::CMEnabledChanged(TMessage& Message) {
  TQzCustomAudioWinControl::CMEnabledChanged(Message);
  ScaleChanged(this);
}

void TQzCustomAudioVUMeter::CMTextChanged(TMessage& Message) {
  TQzCustomAudioWinControl::CMTextChanged(Message);
  ScaleChanged(this);
}

void TQzCustomAudioVUMeter::EraseBackground(HDC) {}

void TQzCustomAudioVUMeter::TimeBaseTick(TObject*, uint32_t Elapsed) {
  if (GetCalibrationMode()) {
    FElapsed = 0;
    return;
  }
  FElapsed = std::min(FElapsed + std::min(Elapsed, MaxElapsed), MaxElapsed);
  float v = FVolume;
  while (FElapsed >= FallStep) {
    FElapsed -= FallStep;
    if (v <= MinVolume) {
      FElapsed %= FallStep;
      break;
    }
    v -= v >= -3.0f ? 0.5f : std::fabs(v) / 10.0f;
  }
  v = std::max(v, MinVolume);
  if (v != FVolume) ShowVolume(v);
}

void TQzCustomAudioVUMeter::ShowVolume(float Value) {
  const float old = FNeedleAngle;
  FVolume = Value;
  FNeedleAngle = VolumeToAngle(Value);
  if (GetCalibrationMode()) {
    // The text in the middle of the scale shows the level and the angle.
    ScaleChanged(this);
    return;
  }
  if (FNeedsLayout || FScaleRedraw) {
    Invalidate();
    return;
  }
  if (FNeedleAngle != old) InvalidateClient(QzUnionRect(NeedleRect(old), NeedleRect(FNeedleAngle)));
}

void TQzCustomAudioVUMeter::InvalidateClient(const TRect& R) {
  if (!GetVisible() || !GetParent()) return;
  TCustomForm* form = GetParentForm();
  if (!form) return;
  const TRect r = QzIntersectRect(R, GetClientRect());
  if (!QzIsRectEmpty(r)) form->InvalidateFormRect(QzOffsetRect(r, FormOffset()));
}

void TQzCustomAudioVUMeter::NeedleEnds(float Angle, TPoint& Inner, TPoint& Outer) const {
  const int32_t px = GetClientWidth() / 2, py = GetClientHeight() - PivotLift;
  const auto a = static_cast<double>(static_cast<float>(static_cast<double>(Angle) * std::numbers::pi / 180.0));
  const double s = std::sin(a), c = std::cos(a);
  // (0, dy) from the pivot, rotated; nearbyint rounds halves to even.
  auto rotated = [&](int32_t Dy) {
    return TPoint{px + static_cast<int32_t>(std::nearbyint(Dy * s)), py + static_cast<int32_t>(std::nearbyint(Dy * c))};
  };
  Inner = rotated(PivotLift - InnerEnd);
  Outer = rotated(OuterEnd - py);
}

TRect TQzCustomAudioVUMeter::NeedleRect(float Angle) const {
  TPoint a, b;
  NeedleEnds(Angle, a, b);
  // Both ends are drawn; one more pixel all round covers the line's neighbourhood.
  return Rect(std::min(a.X, b.X) - 1, std::min(a.Y, b.Y) - 1, std::max(a.X, b.X) + 2, std::max(a.Y, b.Y) + 2);
}

void TQzCustomAudioVUMeter::UpdateLayout() {
  FNeedleBitmap->SetSize(std::max(GetClientWidth(), 0), std::max(GetClientHeight(), 0));
  // The pixel memory moved with the size.
  FNeedleCanvas->SetTarget(FNeedleBitmap);
  TQzCustomAudioWinControl::UpdateLayout();
}

void TQzCustomAudioVUMeter::DrawScale(bool Enabled) {
  TCanvas* c = FScaleBitmap->GetCanvas();
  // A plain face where the picture is missing or smaller than the meter.
  c->GetBrush()->SetStyle(bsSolid);
  c->GetBrush()->SetColor(Enabled ? RGB(238, 226, 190) : RGB(176, 176, 174));
  c->FillRect(Rect(0, 0, FScaleBitmap->GetWidth(), FScaleBitmap->GetHeight()));
  TBitmap* picture = QzVUScalePicture(Enabled);
  if (picture && !picture->GetEmpty()) c->Draw(0, 0, picture);

  const int32_t w = GetClientWidth(), h = GetClientHeight();
  c->GetFont()->Assign(GetFont());
  c->GetFont()->SetSize(6);
  c->GetFont()->SetColor(RGB(65, 65, 65));
  c->GetBrush()->SetStyle(bsClear);
  const int32_t th = c->TextHeight("ABCDEFgjy#X0123456789");
  const auto m = static_cast<int32_t>(std::nearbyint(static_cast<float>(w) / 9.5f));
  const auto q = static_cast<int32_t>(std::nearbyint(static_cast<float>(w) * 0.25f));
  const int32_t labelWidth = w / 2 - q;
  auto labels = [&](const TStringList* Lines, int32_t X, uint8_t HAlign) {
    TRect r = QzOffsetRect(Rect(0, 0, labelWidth, th), TPoint{X, h - 20 - th});
    for (int i = Lines->Count() - 1; i >= 0; --i) {
      DrawAlignedText(c, Lines->Get(i), r, HAlign, 1, false);
      r = QzOffsetRect(r, TPoint{0, -th});
    }
  };
  labels(FTextLeft, m, 2);
  labels(FTextRight, w - m - labelWidth, 0);

  c->GetFont()->SetSize(8);
  c->GetFont()->SetColor(clBlack);
  const TRect middle = QzOffsetRect(Rect(0, 0, 50, 2 * th), TPoint{(w - 50) / 2, h / 2});
  if (GetCalibrationMode())
    DrawAlignedText(c, FloatToDisplayText(FVolume, 2, true) + " = " + FloatToDisplayText(FNeedleAngle, 2, true),
                    middle, 1, 1, false);
  else if (!GetCaption().empty())
    DrawAlignedText(c, GetCaption(), middle, 1, 1, false);
  c->GetBrush()->SetStyle(bsSolid);
  FScaleEnabled = Enabled;
  FScaleRedraw = false;
}

void TQzCustomAudioVUMeter::Paint() {
  const int32_t w = GetClientWidth(), h = GetClientHeight();
  const TRect full = Rect(0, 0, w, h);
  bool whole = false;
  if (FNeedsLayout || FNeedleBitmap->GetWidth() != w || FNeedleBitmap->GetHeight() != h) {
    UpdateLayout();
    whole = true;
  }
  // The angle first, so that the calibration text shows the angle this paint draws.
  FNeedleAngle = VolumeToAngle(FVolume);
  const bool enabled = IsEnabled();
  if (FScaleRedraw || enabled != FScaleEnabled) {
    DrawScale(enabled);
    whole = true;
  }

  // A tick marks only the needle's old and new place; the needle picture keeps the scale
  // everywhere else, so only what this paint may reach is rebuilt and copied.
  TCanvas* canvas = GetCanvas();
  const TRect clip = QzIntersectRect(canvas->GetClipRect(), full);
  const TRect rebuild = whole ? full : clip;
  TCanvas* target = FNeedleBitmap->GetCanvas();
  const TRect scaleRect = Rect(0, 0, FScaleBitmap->GetWidth(), FScaleBitmap->GetHeight());
  if (rebuild.Right > scaleRect.Right || rebuild.Bottom > scaleRect.Bottom) {
    target->GetBrush()->SetStyle(bsSolid);
    target->GetBrush()->SetColor(GetColor());
    target->FillRect(rebuild);
  }
  const TRect scale = QzIntersectRect(rebuild, scaleRect);
  if (!QzIsRectEmpty(scale)) target->CopyRect(scale, FScaleBitmap->GetCanvas(), scale);
  TPoint inner, outer;
  NeedleEnds(FNeedleAngle, inner, outer);
  FNeedleCanvas->Line(inner.X, inner.Y, outer.X, outer.Y);
  if (!QzIsRectEmpty(clip)) canvas->CopyRect(clip, target, clip);
  // A new look found by a partial paint (a parent enabled or disabled) must reach the rest too.
  if (whole && clip != full) Invalidate();
  TQzCustomAudioWinControl::Paint();
}

// ---- registration ----

void RegisterQzAudioVUMeterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBaseClasses();
  TClassRegistrar<TQzCustomAudioVUMeter>("TQzCustomAudioVUMeter", "TQzCustomAudioWinControl", false);
  TClassRegistrar<TQzAudioVUMeter>("TQzAudioVUMeter", "TQzCustomAudioVUMeter", true)
      .Prop("CalibrationMode", &TQzAudioVUMeter::SetCalibrationMode)
      .Object("TextLeft", &TQzAudioVUMeter::GetTextLeft)
      .Object("TextRight", &TQzAudioVUMeter::GetTextRight)
      .Prop("Volume", &TQzAudioVUMeter::SetVolume);
}
