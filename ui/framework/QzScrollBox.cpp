#include "ui/framework/QzScrollBox.h"

#include <algorithm>

#include "platform/FormReader.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzThemeCtrls.h"
#include "ui/framework/QzVLSCtrls.h"
#include "ui/framework/QzSafeMath.h"

namespace {
constexpr int32_t kKindScroll = 4;
constexpr TColor kTrackColor = 0xC0C0C0;
}  // namespace

// ---- scroll bar ----

TQzCustomScrollBar::TQzCustomScrollBar(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  SetColor(clBtnFace);
  SetBorderStyle(bsNone);
}

void TQzCustomScrollBar::FireChange() {
  int32_t p = FPosition;
  if (OnChange) OnChange(this, kKindScroll, p);
}

void TQzCustomScrollBar::SetScrollPosition(int32_t Value) {
  Value = QzClamp(Value, FMin, FMax);
  if (Value == FPosition) return;
  FPosition = Value;
  Invalidate();
  FireChange();
}

void TQzCustomScrollBar::ShowPosition(int32_t Value) {
  Value = QzClamp(Value, FMin, FMax);
  if (Value == FPosition) return;
  FPosition = Value;
  Invalidate();
}

void TQzCustomScrollBar::SetMin(int32_t Value) {
  if (Value == FMin) return;
  FMin = Value;
  if (FMax < FMin) FMax = FMin;
  FPosition = QzClamp(FPosition, FMin, FMax);
  Invalidate();
}

void TQzCustomScrollBar::SetMax(int32_t Value) {
  if (Value == FMax) return;
  FMax = Value;
  if (FMin > FMax) FMin = FMax;
  FPosition = QzClamp(FPosition, FMin, FMax);
  Invalidate();
}

void TQzCustomScrollBar::SetPagePercentage(uint32_t Value) {
  Value = std::min<uint32_t>(Value, 100);
  if (Value == FPagePercentage) return;
  FPagePercentage = Value;
  Invalidate();
}

void TQzCustomScrollBar::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  Invalidate();
}

int32_t TQzCustomScrollBar::TrackLength() const {
  return std::max(0, (IsHorizontal() ? GetClientWidth() : GetClientHeight()) - 2);
}

int32_t TQzCustomScrollBar::CalcThumbSize() const {
  const int32_t track = TrackLength();
  if (FPagePercentage == 0 || FPagePercentage >= 100) return track;
  const int32_t t = QzMulDiv(track, static_cast<int32_t>(FPagePercentage), 100);
  // A thin page on a long range would leave a thumb too small to grab; one longer than the
  // track would push its offset below the track's start.
  return std::min(track, std::max(t, 2 * Thickness()));
}

TRect TQzCustomScrollBar::GetThumbRect(int32_t Kind) {
  if (Kind != Part()) {
    FThumbRect = GetClientRect();
    return FThumbRect;
  }
  FThumbSize = CalcThumbSize();
  const int32_t pos = QzClamp(FPosition, FMin, FMax);
  const int32_t offset = QzMulDiv(pos - FMin, TrackLength() - FThumbSize, FMax - FMin, 0) + 1;
  if (IsHorizontal())
    FThumbRect = Rect(offset, 1, offset + FThumbSize, 1 + std::max(0, GetClientHeight() - 2));
  else
    FThumbRect = Rect(1, offset, 1 + std::max(0, GetWidth() - 2), offset + FThumbSize);
  return FThumbRect;
}

int32_t TQzCustomScrollBar::ThumbHitTest(int32_t X, int32_t Y) {
  const TRect r = GetThumbRect(Part());
  return QzPtInRect(r, Point(X, Y)) ? Part() : kNoPart;
}

void TQzCustomScrollBar::InheritParentTheme() {
  auto* p = dynamic_cast<TQzCustomScrollingWinControl*>(GetParent());
  if (!p) return;
  // Through the base setters, which compare first: no repaint while nothing changes.
  if (p->GetThemeManager() != GetThemeManager()) TQzCustomWinControl::SetThemeManager(p->GetThemeManager());
  if (p->GetUseThemes() != GetUseThemes()) TQzCustomWinControl::SetUseThemes(p->GetUseThemes());
}

void TQzCustomScrollBar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) FDragState = 1;
  else if (Button == mbRight) FDragState = 2;
  if (Button == mbLeft) {
    if (auto* p = dynamic_cast<TQzCustomScrollingWinControl*>(GetParent())) p->ScrollBarMouseDown();
    const TRect r = GetThumbRect(Part());
    FGrabOffset = IsHorizontal() ? X - r.Left : Y - r.Top;
    FPressedPart = ThumbHitTest(X, Y);
    Invalidate();
  }
  FLastMouse = Point(X, Y);
  TQzCustomWinControl::MouseDown(Button, Shift, X, Y);
}

void TQzCustomScrollBar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (FDragState == 0) {
    const int32_t hot = ThumbHitTest(X, Y);
    if (hot != FHotPart) {
      FHotPart = hot;
      Invalidate();
    }
  } else if (FDragState == 1) {
    if (FPressedPart == Part()) {
      const int32_t mouse = IsHorizontal() ? X : Y;
      const int32_t span = TrackLength() - CalcThumbSize();
      // The thumb's start is one pixel in (the frame), so the travel counts from there: holding
      // the thumb still keeps the position. An empty travel keeps Min.
      const int32_t p = QzMulDiv(QzStepSat(mouse, -FGrabOffset - 1), QzStepSat(FMax, -FMin), span, 0);
      FPosition = QzClamp(QzStepSat(FMin, p), FMin, FMax);
    }
    Invalidate();
    FireChange();
  }
  FLastMouse = Point(X, Y);
  TQzCustomWinControl::MouseMove(Shift, X, Y);
}

void TQzCustomScrollBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  FDragState = 0;
  FLastMouse = Point(X, Y);
  if (FPressedPart != kNoPart) {
    FPressedPart = kNoPart;
    Invalidate();
  }
  if (auto* p = dynamic_cast<TQzCustomScrollingWinControl*>(GetParent())) p->ScrollBarMouseUp();
  TQzCustomWinControl::MouseUp(Button, Shift, X, Y);
}

void TQzCustomScrollBar::CMMouseLeave(TMessage& Message) {
  TQzCustomWinControl::CMMouseLeave(Message);
  if (FHotPart == kNoPart) return;
  FHotPart = kNoPart;
  Invalidate();
}

void TQzCustomScrollBar::EraseBackground(HDC DC) {
  InheritParentTheme();
  if (IsThemed()) {
    if (IsHorizontal()) GetThemeManager()->DrawScrollBarHorzDC(this, DC, GetClientRect(), 0);
    else GetThemeManager()->DrawScrollBarVertDC(this, DC, GetClientRect(), 0);
    return;
  }
  TCanvas c;
  c.SetHandle(DC);
  SetCanvasPen(&c, 1, clBtnShadow, psSolid);
  c.GetBrush()->SetStyle(bsSolid);
  c.GetBrush()->SetColor(kTrackColor);
  c.Rectangle(GetClientRect());
  c.SetHandle(nullptr);
}

int TQzCustomScrollBar::ThemedThumbPart() const {
  if (!FActive) return 1;
  if (FDragState == 1) return 3;
  return FHotPart != kNoPart ? 2 : 1;
}

void TQzCustomScrollBar::Paint() {
  InheritParentTheme();
  const TRect r = GetThumbRect(Part());
  if (FThumbSize < TrackLength() && IsThemed()) {
    if (IsHorizontal()) GetThemeManager()->DrawScrollBarHorz(this, GetCanvas(), r, ThemedThumbPart());
    else GetThemeManager()->DrawScrollBarVert(this, GetCanvas(), r, ThemedThumbPart());
  } else if (FThumbSize < TrackLength()) {
    TCanvas* c = GetCanvas();
    SetCanvasPen(c, 1, clBtnShadow, psSolid);
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(GetColor());
    c->RoundRect(r, 4, 4);
  }
  TQzCustomWinControl::Paint();
}

// ---- container ----

TQzCustomScrollingWinControl::TQzCustomScrollingWinControl(TComponent* AOwner) : TQzCustomWinControl(AOwner) {
  const auto change = [this](TObject* Sender, int32_t Kind, int32_t& Position) {
    ScrollBarChange(Sender, Kind, Position);
  };
  FVertBar = QzCreate<TQzCustomScrollBar>(this);
  FVertBar->SetWidth(IsThemed() ? GetThemeManager()->GetVertScrollBarSize() : GetSystemMetrics(SM_CYHSCROLL));
  FVertBar->SetParent(this);
  FVertBar->SetAlign(alRight);
  FVertBar->OnChange = change;
  FHorzBar = QzCreate<TQzCustomScrollBar>(this);
  FHorzBar->SetHeight(IsThemed() ? GetThemeManager()->GetHorzScrollBarSize() : 12);
  FHorzBar->SetParent(this);
  FHorzBar->SetAlign(alBottom);
  FHorzBar->OnChange = change;
}

void TQzCustomScrollingWinControl::SetScrollBars(TScrollStyle Value) {
  if (Value == FScrollBars) return;
  FScrollBars = Value;
  UpdateScrollBars();
}

void TQzCustomScrollingWinControl::SetHorzRange(int32_t Min, int32_t Max) {
  FHorzBar->SetMin(Min);
  FHorzBar->SetMax(Max);
  UpdateScrollBars();
}

void TQzCustomScrollingWinControl::SetVertRange(int32_t Min, int32_t Max) {
  FVertBar->SetMin(Min);
  FVertBar->SetMax(Max);
  UpdateScrollBars();
}

void TQzCustomScrollingWinControl::ScrollByWheel(TObject*, TShiftState, int Direction, TPoint) {
  if (Direction == 0) FVertBar->SetScrollPosition(QzStepSat(FVertBar->GetPosition(), -FWheelStep));
  else if (Direction == 1) FVertBar->SetScrollPosition(QzStepSat(FVertBar->GetPosition(), FWheelStep));
}

void TQzCustomScrollingWinControl::MouseWheelUpScroll(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled) {
  ScrollByWheel(Sender, Shift, 0, MousePos);
  Handled = true;
}

void TQzCustomScrollingWinControl::MouseWheelDownScroll(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled) {
  ScrollByWheel(Sender, Shift, 1, MousePos);
  Handled = true;
}

void TQzCustomScrollingWinControl::MouseWheelUpHandler(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled) {
  MouseWheelUpScroll(Sender, Shift, MousePos, Handled);
}

void TQzCustomScrollingWinControl::MouseWheelDownHandler(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled) {
  MouseWheelDownScroll(Sender, Shift, MousePos, Handled);
}

void TQzCustomScrollingWinControl::ScrollBarChange(TObject* Sender, int32_t, int32_t& Position) {
  if (Sender == FVertBar) FScrollY = Position;
  else FScrollX = Position;
  ScrollPositionChanged();
}

void TQzCustomScrollingWinControl::ScrollPositionChanged() {
  Invalidate();
  UpdateScrollBars();
}

int32_t TQzCustomScrollingWinControl::GetScrollClientWidth() const {
  int32_t w = GetClientWidth();
  if (FVertBar->GetVisible()) w -= FVertBar->GetWidth();
  if (GetEdgeBorders().Contains(febLeft)) --w;
  if (GetEdgeBorders().Contains(febRight)) --w;
  return w;
}

int32_t TQzCustomScrollingWinControl::GetScrollClientHeight() const {
  int32_t h = GetClientHeight();
  if (FHorzBar->GetVisible()) h -= FHorzBar->GetHeight();
  if (GetEdgeBorders().Contains(febTop)) --h;
  if (GetEdgeBorders().Contains(febBottom)) --h;
  return h;
}

void TQzCustomScrollingWinControl::UpdateScrollBars() {
  if (IsDestroying()) return;
  // Themed, the theme's sizes; with UseThemes but no active theme the platform's thickness;
  // otherwise the bars keep their own.
  if (IsThemed()) {
    FHorzBar->SetHeight(GetThemeManager()->GetHorzScrollBarSize());
    FVertBar->SetWidth(GetThemeManager()->GetVertScrollBarSize());
  } else if (GetUseThemes()) {
    const int32_t size = GetSystemMetrics(SM_CYHSCROLL);
    FHorzBar->SetHeight(size);
    FVertBar->SetWidth(size);
  }
  // One rule for both directions: a bar shows while its range is longer than the room it scrolls.
  const auto needed = [](const TQzCustomScrollBar* Bar, int32_t Room) {
    return static_cast<int64_t>(Bar->GetMax()) - Bar->GetMin() > Room;
  };
  bool horz = false, vert = false;
  switch (FScrollBars) {
    case ssNone: break;
    case ssHorizontal: horz = true; break;
    case ssVertical: vert = true; break;
    case ssBoth: horz = vert = true; break;
    case ssAutoHorizontal: horz = needed(FHorzBar, GetScrollClientWidth()); break;
    case ssAutoVertical: vert = needed(FVertBar, GetScrollClientHeight()); break;
    case ssAutoBoth:
      vert = needed(FVertBar, GetScrollClientHeight());
      horz = needed(FHorzBar, GetScrollClientWidth());
      break;
  }
  FHorzBar->SetVisible(horz);
  FVertBar->SetVisible(vert);
  // The position is held in the range first, so an empty range (Min = Max) shows Min.
  FScrollX = QzClamp(FScrollX, FHorzBar->GetMin(), FHorzBar->GetMax());
  FScrollY = QzClamp(FScrollY, FVertBar->GetMin(), FVertBar->GetMax());
  FHorzBar->ShowPosition(FScrollX);
  FVertBar->ShowPosition(FScrollY);
}

void TQzCustomScrollingWinControl::ThemeChanged() {
  Relayout();
  TQzCustomWinControl::ThemeChanged();
}

void TQzCustomScrollingWinControl::WMSize(TMessage& Message) {
  TQzCustomWinControl::WMSize(Message);
  Relayout();
}

// ---- audio container ----

TQzCustomAudioScrollingWinControl::TQzCustomAudioScrollingWinControl(TComponent* AOwner)
    : TQzCustomScrollingWinControl(AOwner) {
  ControlStyle.Exclude(csOpaque);
  ControlStyle.Include(csParentBackground);
}

void TQzCustomAudioScrollingWinControl::AfterConstruction() {
  TQzCustomScrollingWinControl::AfterConstruction();
  SetCaption(ClassName());
}

TQzCustomAudioScrollingWinControl::~TQzCustomAudioScrollingWinControl() { SetTimeBase(nullptr); }

void TQzCustomAudioScrollingWinControl::BeforeDestruction() {
  TQzCustomScrollingWinControl::BeforeDestruction();
  SetTimeBase(nullptr);
}

void TQzCustomAudioScrollingWinControl::Notification(TComponent* AComponent, TOperation Operation) {
  // The time base may be half destroyed: only let go of it.
  if (Operation == opRemove && AComponent == FTimeBase) FTimeBase = nullptr;
  TQzCustomScrollingWinControl::Notification(AComponent, Operation);
}

void TQzCustomAudioScrollingWinControl::SetTimeBase(TQzCustomAudioTimeBase* Value) {
  if (Value == FTimeBase) return;
  TQzCustomAudioTimeBase* old = FTimeBase;
  FTimeBase = Value;
  RelinkTimeBase(this, old, Value);
}

void TQzCustomAudioScrollingWinControl::WMSize(TMessage& Message) {
  TQzCustomScrollingWinControl::WMSize(Message);
  UpdateLayout();
}

void TQzCustomAudioScrollingWinControl::CMTextChanged(TMessage& Message) {
  TQzCustomScrollingWinControl::CMTextChanged(Message);
  if (FAutoInvalidate) Invalidate();
}

// ---- registration ----

void RegisterQzScrollBoxClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterQzAudioBaseClasses();
  TClassRegistrar<TQzCustomScrollBar>("TQzCustomScrollBar", "TQzCustomWinControl", false)
      .Prop("PagePercentage", &TQzCustomScrollBar::SetPagePercentage)
      .Prop("Min", &TQzCustomScrollBar::SetMin)
      .Prop("Max", &TQzCustomScrollBar::SetMax);
  TClassRegistrar<TQzCustomScrollingWinControl>("TQzCustomScrollingWinControl", "TQzCustomWinControl", false)
      .Prop("ScrollBars", &TQzCustomScrollingWinControl::SetScrollBars)
      .Prop("WheelStep", &TQzCustomScrollingWinControl::SetWheelStep);
  TClassRegistrar<TQzCustomAudioScrollingWinControl>("TQzCustomAudioScrollingWinControl",
                                                     "TQzCustomScrollingWinControl", false)
      .Prop("TimeBase", &TQzCustomAudioScrollingWinControl::SetTimeBase);

  using M = TQzCustomThemeManager;
  M::FormTable().Add<TQzCustomScrollingWinControl>([](TComponent* c, M* m) {
    // ParentColor is read before the link: registering may colour the control, which ends it.
    auto* w = static_cast<TQzCustomScrollingWinControl*>(c);
    const bool parentColor = w->GetParentColor();
    QzLinkThemeThenColour(w, m, [m, parentColor](TQzCustomScrollingWinControl* s) {
      if (!parentColor) s->SetColor(m->GetThemeColor(1));
    });
  });
  using V = TQzVLSDataSource;
  V::ClassTable().Add<TQzCustomScrollingWinControl>(V::CaptionAndHint(true, false, false));
}
