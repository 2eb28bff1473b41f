#include "platform/Controls.h"

#include <algorithm>
#include <unordered_set>

#include "platform/ActnList.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Menus.h"

namespace {

std::unordered_set<TWinControl*>& LiveHandles() {
  static std::unordered_set<TWinControl*> s;
  return s;
}

TControl* gCapture = nullptr;

// The caret blinks on the toolkit's clock: on for one blink time, off for the next; showing or
// moving it starts an "on" phase, so that it stays visible while the user types.
constexpr uint32_t kCaretBlinkMs = 530;

struct TCaret {
  TWinControl* Owner = nullptr;
  int W = 0, H = 0, X = 0, Y = 0;
  bool Visible = false;
  bool BlinkOn = true;
  TTimer* Timer = nullptr;
} gCaret;

void InvalidateCaret();

void ResetCaret() {
  if (gCaret.Timer) gCaret.Timer->Free();
  gCaret = {};
}

void RestartBlink() {
  gCaret.BlinkOn = true;
  if (!gCaret.Timer) {
    gCaret.Timer = new TTimer(nullptr);
    gCaret.Timer->SetInterval(kCaretBlinkMs);
    gCaret.Timer->OnTimer = [](TObject*) {
      InvalidateCaret();
      gCaret.BlinkOn = !gCaret.BlinkOn;
    };
  }
  gCaret.Timer->SetEnabled(false);
  gCaret.Timer->SetEnabled(true);
}

void InvalidateCaret() {
  if (!gCaret.Owner || !gCaret.Visible) return;
  TCustomForm* f = gCaret.Owner->GetParentForm();
  if (!f) return;
  const TPoint o = gCaret.Owner->FormOffset();
  f->InvalidateFormRect(Rect(o.X + gCaret.X, o.Y + gCaret.Y, o.X + gCaret.X + gCaret.W, o.Y + gCaret.Y + gCaret.H));
}

}  // namespace

TControl* GetCaptureControl() { return gCapture; }
void SetCaptureControl(TControl* Control) { gCapture = Control; }

bool CreateCaret(HWND Window, HBITMAP, int Width, int Height) {
  TWinControl* c = FindControl(Window);
  if (!c) return false;
  DestroyCaret();
  gCaret = {c, std::max(Width, 1), std::max(Height, 1), 0, 0, false, true, nullptr};
  return true;
}

bool DestroyCaret() {
  if (!gCaret.Owner) return false;
  InvalidateCaret();
  ResetCaret();
  return true;
}

bool ShowCaret(HWND Window) {
  if (!gCaret.Owner || (Window && FindControl(Window) != gCaret.Owner)) return false;
  gCaret.Visible = true;
  RestartBlink();
  InvalidateCaret();
  return true;
}

bool HideCaret(HWND Window) {
  if (!gCaret.Owner || (Window && FindControl(Window) != gCaret.Owner)) return false;
  InvalidateCaret();
  gCaret.Visible = false;
  return true;
}

bool SetCaretPos(int X, int Y) {
  if (!gCaret.Owner) return false;
  InvalidateCaret();
  gCaret.X = X;
  gCaret.Y = Y;
  if (gCaret.Visible) RestartBlink();
  InvalidateCaret();
  return true;
}

bool GetCaretPos(TPoint* Point) {
  if (!gCaret.Owner || !Point) return false;
  *Point = {gCaret.X, gCaret.Y};
  return true;
}

bool QzCaretRect(TCustomForm* Form, TRect& R) {
  if (!gCaret.Owner || !gCaret.Visible || !gCaret.BlinkOn || !gCaret.Owner->IsShowing() ||
      gCaret.Owner->GetParentForm() != Form)
    return false;
  const TPoint o = gCaret.Owner->FormOffset();
  R = Rect(o.X + gCaret.X, o.Y + gCaret.Y, o.X + gCaret.X + gCaret.W, o.Y + gCaret.Y + gCaret.H);
  return true;
}

TWinControl* FindControl(HWND Handle) {
  auto* c = reinterpret_cast<TWinControl*>(Handle);
  return LiveHandles().count(c) ? c : nullptr;
}

HDC GetDC(HWND Window) {
  TWinControl* c = FindControl(Window);
  TCustomForm* f = c ? c->GetParentForm() : nullptr;
  TBitmap* surface = f ? f->GetSurface() : nullptr;
  if (!surface || surface->GetEmpty()) return nullptr;
  const TRawImage& raw = surface->GetRawImage();
  HBITMAP over = QzCreateBitmapOver(raw.Data, raw.Description.Width, raw.Description.Height,
                                    static_cast<int>(raw.Description.BytesPerLine), raw.Description.BitsPerPixel,
                                    raw.Description.LineOrder == riloBottomToTop);
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, over);
  const TPoint o = c->FormOffset();
  SetViewportOrgEx(dc, o.X, o.Y, nullptr);
  TRect vis = Rect(o.X, o.Y, o.X + c->GetWidth(), o.Y + c->GetHeight());
  for (TWinControl* p = c->GetParent(); p && p != f; p = p->GetParent()) {
    const TPoint po = p->FormOffset();
    vis = QzIntersectRect(vis, Rect(po.X, po.Y, po.X + p->GetWidth(), po.Y + p->GetHeight()));
  }
  vis = QzIntersectRect(vis, Rect(0, 0, surface->GetWidth(), surface->GetHeight()));
  IntersectClipRect(dc, vis.Left - o.X, vis.Top - o.Y, vis.Right - o.X, vis.Bottom - o.Y);
  return dc;
}

HDC GetWindowDC(HWND Window) { return GetDC(Window); }

int ReleaseDC(HWND Window, HDC DC) {
  if (!DC) return 0;
  TRect clip{};
  GetClipBox(DC, &clip);
  TPoint o{};
  GetViewportOrgEx(DC, &o);
  HBITMAP over = QzGetSelectedBitmap(DC);
  DeleteDC(DC);
  if (over) DeleteObject(over);
  // What was drawn shows at once, as on a window's own device context.
  TWinControl* c = FindControl(Window);
  TCustomForm* f = c ? c->GetParentForm() : nullptr;
  if (f && f->GetNativeWindow() && f->GetVisible() && !f->IsPainting() && f->GetSurface())
    f->GetNativeWindow()->Present(f->GetSurface(), QzOffsetRect(clip, o));
  return 1;
}

// ---- border spacing and constraints ----

void TControlBorderSpacing::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TControlBorderSpacing*>(Source);
  if (!s) return TPersistent::Assign(Source);
  FAround = s->FAround;
  FLeft = s->FLeft;
  FTop = s->FTop;
  FRight = s->FRight;
  FBottom = s->FBottom;
  Changed();
}

#define QZ_SPACING_SETTER(Name, Field)             \
  void TControlBorderSpacing::Set##Name(int32_t V) { \
    if (V == Field) return;                        \
    Field = V;                                     \
    Changed();                                     \
  }
QZ_SPACING_SETTER(Around, FAround)
QZ_SPACING_SETTER(Left, FLeft)
QZ_SPACING_SETTER(Top, FTop)
QZ_SPACING_SETTER(Right, FRight)
QZ_SPACING_SETTER(Bottom, FBottom)
#undef QZ_SPACING_SETTER

void TControlBorderSpacing::Changed() { FControl->RequestAlign(); }

void TSizeConstraints::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TSizeConstraints*>(Source);
  if (!s) return TPersistent::Assign(Source);
  FMinWidth = s->FMinWidth;
  FMinHeight = s->FMinHeight;
  FMaxWidth = s->FMaxWidth;
  FMaxHeight = s->FMaxHeight;
  Changed();
}

#define QZ_CONSTRAINT_SETTER(Name, Field)       \
  void TSizeConstraints::Set##Name(int32_t V) { \
    V = std::max(V, 0);                         \
    if (V == Field) return;                     \
    Field = V;                                  \
    Changed();                                  \
  }
QZ_CONSTRAINT_SETTER(MinWidth, FMinWidth)
QZ_CONSTRAINT_SETTER(MinHeight, FMinHeight)
QZ_CONSTRAINT_SETTER(MaxWidth, FMaxWidth)
QZ_CONSTRAINT_SETTER(MaxHeight, FMaxHeight)
#undef QZ_CONSTRAINT_SETTER

void TSizeConstraints::Apply(int32_t& Width, int32_t& Height) const {
  if (FMaxWidth > 0 && Width > FMaxWidth) Width = FMaxWidth;
  if (FMaxHeight > 0 && Height > FMaxHeight) Height = FMaxHeight;
  if (Width < FMinWidth) Width = FMinWidth;
  if (Height < FMinHeight) Height = FMinHeight;
}

void TSizeConstraints::Changed() {
  FControl->SetBounds(FControl->FLeft, FControl->FTop, FControl->FWidth, FControl->FHeight);
}

// ---- control canvas ----

TControlCanvas::TControlCanvas(TControl* AControl) : FControl(AControl) { FDC = CreateCompatibleDC(nullptr); }

TControlCanvas::~TControlCanvas() {
  SetHandle(nullptr);
  if (FDC) DeleteDC(FDC);
  if (FSurface) DeleteObject(FSurface);
}

void TControlCanvas::Update() {
  TCustomForm* form = FControl->GetParentForm();
  TBitmap* surface = form ? form->GetSurface() : nullptr;
  if (!surface || surface->GetEmpty()) {
    SetHandle(nullptr);
    return;
  }
  if (!FSurface || FSurfaceStamp != form->SurfaceStamp()) {
    // A bitmap over the form's pixels; this context never owns them.
    const TRawImage& raw = surface->GetRawImage();
    HBITMAP over = QzCreateBitmapOver(raw.Data, raw.Description.Width, raw.Description.Height,
                                      static_cast<int>(raw.Description.BytesPerLine), raw.Description.BitsPerPixel,
                                      raw.Description.LineOrder == riloBottomToTop);
    SelectObject(FDC, over);
    if (FSurface) DeleteObject(FSurface);
    FSurface = over;
    FSurfaceStamp = form->SurfaceStamp();
  }
  const TPoint o = FControl->FormOffset();
  SetViewportOrgEx(FDC, o.X, o.Y, nullptr);
  // Visible part: the control clipped by each parent's client area.
  TRect vis = QzOffsetRect(FControl->GetClientRect(), o);
  for (TWinControl* p = FControl->GetParent(); p; p = p->GetParent()) {
    if (dynamic_cast<TCustomForm*>(p) == form) {
      vis = QzIntersectRect(vis, Rect(0, 0, surface->GetWidth(), surface->GetHeight()));
      break;
    }
    vis = QzIntersectRect(vis, QzOffsetRect(p->GetClientRect(), p->FormOffset()));
  }
  if (FControl == form) vis = QzIntersectRect(vis, Rect(0, 0, surface->GetWidth(), surface->GetHeight()));
  SelectClipRgn(FDC, nullptr);
  IntersectClipRect(FDC, vis.Left - o.X, vis.Top - o.Y, vis.Right - o.X, vis.Bottom - o.Y);
  if (FRestricted)
    IntersectClipRect(FDC, FRestrict.Left - o.X, FRestrict.Top - o.Y, FRestrict.Right - o.X, FRestrict.Bottom - o.Y);
  if (GetHandle() != FDC) SetHandle(FDC);
}

void TControlCanvas::Unbind() {
  if (!FSurface) return;
  SetHandle(nullptr);
  // A fresh context: the old one lets go of the bitmap, which then goes.
  DeleteDC(FDC);
  DeleteObject(FSurface);
  FSurface = nullptr;
  FSurfaceStamp = 0;
  FDC = CreateCompatibleDC(nullptr);
}

void TControlCanvas::Restrict(const TRect& FormRect) {
  FRestricted = true;
  FRestrict = FormRect;
  const TPoint o = FControl->FormOffset();
  IntersectClipRect(FDC, FormRect.Left - o.X, FormRect.Top - o.Y, FormRect.Right - o.X, FormRect.Bottom - o.Y);
}

namespace {
// Ends a paint's restriction however the paint ends.
struct TRestrictScope {
  TControlCanvas* Canvas;
  ~TRestrictScope() { Canvas->EndRestrict(); }
};
}  // namespace

// ---- TControl ----

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner),
      ControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks},
      FBorderSpacing(std::make_unique<TControlBorderSpacing>(this)),
      FConstraints(std::make_unique<TSizeConstraints>(this)),
      FFont(std::make_unique<TFont>()) {
  FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

TControl::~TControl() {
  Destroying();
  if (gCapture == this) gCapture = nullptr;
  if (FParent) {
    if (TCustomForm* f = GetParentForm()) f->ControlGone(this);
    FParent->RemoveControl(this);
  }
  if (FAction) FAction->UnregisterClient(this);
  if (Application) Application->ControlGone(this);
  FFont->OnChange = nullptr;
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FPopupMenu) FPopupMenu = nullptr;
  if (AComponent == FAction) FAction = nullptr;
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (FAction) ActionChange(FAction);
  AdjustSize();
}

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* p = dynamic_cast<TWinControl*>(Value)) SetParent(p);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  for (TWinControl* p = AParent; p; p = p->GetParent())
    if (p == this) throw EComponentError("A control cannot have itself as its parent");
  if (FParent) {
    ReleaseFocus();
    if (TCustomForm* f = GetParentForm()) f->ControlGone(this);
    Invalidate();
    FParent->RemoveControl(this);
  }
  if (AParent) AParent->InsertControl(this);
}

void TControl::ForgetSurface() {
  if (FCanvas) FCanvas->Unbind();
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (TControl* c : w->FControls) c->ForgetSurface();
}

TCustomForm* TControl::GetParentForm() const {
  const TControl* c = this;
  TCustomForm* found = nullptr;
  while (c) {
    if (auto* f = dynamic_cast<TCustomForm*>(const_cast<TControl*>(c))) found = f;
    c = c->FParent;
  }
  return found;
}

TPoint TControl::FormOffset() const {
  TPoint o{0, 0};
  for (const TControl* c = this; c && !dynamic_cast<const TCustomForm*>(c); c = c->FParent) {
    o.X += c->FLeft;
    o.Y += c->FTop;
  }
  return o;
}

TRect TControl::GetClientRect() const { return Rect(0, 0, FWidth, FHeight); }
int32_t TControl::GetClientWidth() const { return GetClientRect().Right - GetClientRect().Left; }
int32_t TControl::GetClientHeight() const { return GetClientRect().Bottom - GetClientRect().Top; }

void TControl::SetClientWidth(int32_t Value) { SetWidth(Value + (FWidth - GetClientWidth())); }
void TControl::SetClientHeight(int32_t Value) { SetHeight(Value + (FHeight - GetClientHeight())); }
void TControl::SetClientSize(int32_t W, int32_t H) {
  SetBounds(FLeft, FTop, W + (FWidth - GetClientWidth()), H + (FHeight - GetClientHeight()));
}

TPoint TControl::GetClientOrigin() const {
  if (!FParent) return {FLeft, FTop};
  const TPoint p = FParent->GetClientOrigin();
  return {p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(TPoint P) const {
  const TPoint o = GetClientOrigin();
  return {P.X + o.X, P.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint P) const {
  const TPoint o = GetClientOrigin();
  return {P.X - o.X, P.Y - o.Y};
}

void TControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  // Far beyond any screen, and small enough that offsets summed over every nesting level and
  // a control's far edge stay inside 32 bits (a form description may say anything here).
  constexpr int32_t Far = 1 << 20;
  ALeft = std::clamp(ALeft, -Far, Far);
  ATop = std::clamp(ATop, -Far, Far);
  FConstraints->Apply(AWidth, AHeight);
  AWidth = std::clamp(AWidth, 0, Far);
  AHeight = std::clamp(AHeight, 0, Far);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  const bool resized = AWidth != FWidth || AHeight != FHeight;
  Invalidate();
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  Invalidate();
  if (resized && !IsLoading()) Resize();
  RequestAlign();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::RequestAlign() {
  if (FParent && (FAlign != alNone || FParent->FAligning)) FParent->Realign();
}

void TControl::SetAlign(TAlign Value) {
  if (Value == FAlign) return;
  const TAlign old = FAlign;
  FAlign = Value;
  if (FParent && (old != alNone || Value != alNone)) FParent->Realign();
}

void TControl::SetAnchors(TAnchors Value) { FAnchors = Value; }

void TControl::SetAutoSize(bool Value) {
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  AdjustSize();
}

void TControl::CalculatePreferredSize(int32_t& PreferredWidth, int32_t& PreferredHeight) {
  PreferredWidth = 0;
  PreferredHeight = 0;
  if (!ControlStyle.Contains(csSetCaption) || FText.empty()) return;
  TCanvas c;
  c.SetFont(FFont.get());
  const TSize s = c.TextExtent(FText);
  PreferredWidth = s.cx;
  PreferredHeight = s.cy;
}

void TControl::AdjustSize() {
  if (!FAutoSize || IsLoading() || IsDestroying()) return;
  int32_t w = 0, h = 0;
  CalculatePreferredSize(w, h);
  SetBounds(FLeft, FTop, w > 0 ? w : FWidth, h > 0 ? h : FHeight);
}

void TControl::SetVisible(bool Value) {
  if (Value == FVisible) return;
  VisibleChanging();
  if (!Value) {
    ReleaseFocus();
    Invalidate();
  }
  FVisible = Value;
  if (Value) Invalidate();
  Perform(CM_VISIBLECHANGED, Value ? 1 : 0);
  if (FParent && FAlign != alNone) FParent->Realign();
}

bool TControl::IsShowing() const {
  for (const TControl* c = this; c; c = c->FParent) {
    if (!c->FVisible) return false;
    if (dynamic_cast<const TCustomForm*>(c) && !c->FParent) return true;
  }
  return false;
}

void TControl::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  if (!Value) ReleaseFocus();
  FEnabled = Value;
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::IsEnabled() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FEnabled) return false;
  return true;
}

void TControl::SetColor(TColor Value) {
  if (Value == FColor && !FParentColor) return;
  FColor = Value;
  FParentColor = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
  if (Value == FParentColor) return;
  FParentColor = Value;
  if (Value && FParent) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (FParentColor && FParent && FColor != FParent->FColor) {
    FColor = FParent->FColor;
    Perform(CM_COLORCHANGED);
    FParentColor = true;
  }
}

void TControl::SetFont(TFont* Value) {
  if (Value) FFont->Assign(Value);
}

void TControl::SetParentFont(bool Value) {
  if (Value == FParentFont) return;
  FParentFont = Value;
  if (Value && FParent) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent || FFont->IsEqual(FParent->FFont.get())) return;
  FUpdatingFont = true;
  FFont->Assign(FParent->FFont.get());
  FUpdatingFont = false;
  Perform(CM_FONTCHANGED);
}

void TControl::FontChanged(TObject*) {
  if (FUpdatingFont) return;
  FParentFont = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  TextChanged();
  Perform(CM_TEXTCHANGED);
}

bool TControl::GetShowHint() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FParentShowHint || !c->FParent) return c->FShowHint;
  return false;
}

void TControl::SetShowHint(bool Value) {
  FShowHint = Value;
  FParentShowHint = false;
}

void TControl::Changed() { Perform(CM_CHANGED, 0, reinterpret_cast<intptr_t>(this)); }

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (Value == FPopupMenu) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (Value) Value->FreeNotification(this);
}

void TControl::SetAction(TBasicAction* Value) {
  // While loading, the stored properties win; Loaded applies the action afterwards.
  if (QzLinkAction(this, FAction, Value) && Value && !IsLoading()) ActionChange(Value);
}

void TControl::ActionChange(TBasicAction* Sender) {
  auto* a = dynamic_cast<TCustomAction*>(Sender);
  if (!a) return;
  SetCaption(a->GetCaption());
  SetHint(a->GetHint());
  SetEnabled(a->GetEnabled());
  SetVisible(a->GetVisible());
  HelpContext = a->GetHelpContext();
}

void TControl::Invalidate() {
  if (!FVisible || !FParent) {
    if (auto* f = dynamic_cast<TCustomForm*>(this)) f->InvalidateFormRect(GetClientRect());
    return;
  }
  TCustomForm* f = GetParentForm();
  if (!f) return;
  const TPoint o = FormOffset();
  f->InvalidateFormRect(Rect(o.X, o.Y, o.X + FWidth, o.Y + FHeight));
}

void TControl::Refresh() {
  Invalidate();
  Update();
}

void TControl::Update() {
  if (TCustomForm* f = GetParentForm()) f->UpdateForm();
}

TCanvas* TControl::GetCanvas() {
  if (!FCanvas) FCanvas = std::make_unique<TControlCanvas>(this);
  FCanvas->Update();
  return FCanvas.get();
}

void TControl::PaintControl(const TRect& FormClip) {
  const TPoint o = FormOffset();
  const TRect r = QzIntersectRect(Rect(o.X, o.Y, o.X + FWidth, o.Y + FHeight), FormClip);
  if (QzIsRectEmpty(r)) return;
  TCanvas* c = GetCanvas();
  FCanvas->Restrict(r);
  const TRestrictScope scope{FCanvas.get()};
  c->SetFont(FFont.get());
  c->GetBrush()->SetColor(FColor);
  Paint();
}

intptr_t TControl::Perform(uint32_t Msg, intptr_t WParam, intptr_t LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_SIZE: WMSize(M); break;
    case CM_TEXTCHANGED: CMTextChanged(M); break;
    case CM_FONTCHANGED: CMFontChanged(M); break;
    case CM_COLORCHANGED: CMColorChanged(M); break;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(M); break;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(M); break;
    case CM_ENABLEDCHANGED: CMEnabledChanged(M); break;
    case CM_VISIBLECHANGED: CMVisibleChanged(M); break;
    case CM_MOUSEENTER: CMMouseEnter(M); break;
    case CM_MOUSELEAVE: CMMouseLeave(M); break;
    default: break;
  }
}

void TControl::WMSize(TMessage&) {}

void TControl::CMTextChanged(TMessage&) {
  AdjustSize();
  Invalidate();
}

void TControl::CMFontChanged(TMessage&) {
  AdjustSize();
  Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (TControl* c : w->FControls) c->Perform(CM_PARENTFONTCHANGED);
}

void TControl::CMColorChanged(TMessage&) {
  Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(this))
    for (TControl* c : w->FControls) c->Perform(CM_PARENTCOLORCHANGED);
}

void TControl::CMParentFontChanged(TMessage&) { ParentFontChanged(); }
void TControl::CMParentColorChanged(TMessage&) { ParentColorChanged(); }
void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }
void TControl::CMVisibleChanged(TMessage&) {}

void TControl::CMMouseEnter(TMessage&) {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage&) {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click() {
  if (OnClick) {
    OnClick(this);
  } else if (FAction && !IsDesigning()) {
    FAction->Execute();
  }
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

bool TControl::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  if (handled) return true;
  if (WheelDelta < 0) return DoMouseWheelDown(Shift, MousePos);
  if (WheelDelta > 0) return DoMouseWheelUp(Shift, MousePos);
  return false;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, handled);
  return handled;
}

bool TControl::MouseCapture() const { return gCapture == this; }

void TControl::SetMouseCapture(bool Value) {
  if (Value)
    gCapture = this;
  else if (gCapture == this)
    gCapture = nullptr;
}

void TControl::ReleaseFocus() {
  if (TCustomForm* f = GetParentForm()) f->FocusControlGone(this);
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) { ControlStyle.Include(csOpaque); }

TWinControl::~TWinControl() {
  Destroying();
  // Children still attached go with their parent.
  while (!FControls.empty()) {
    TControl* c = FControls.back();
    RemoveControl(c);
    c->Free();
  }
  if (FHandleAllocated) LiveHandles().erase(this);
  if (gCaret.Owner == this) ResetCaret();
}

void TWinControl::Loaded() {
  TControl::Loaded();
  Realign();
}

TControl* TWinControl::GetControl(int Index) const {
  if (Index < 0 || Index >= ControlCount()) throw EListError("Control index out of bounds (" + std::to_string(Index) + ")");
  return FControls[static_cast<size_t>(Index)];
}

void TWinControl::InsertControl(TControl* AControl) {
  FControls.push_back(AControl);
  AControl->FParent = this;
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    if (w->FTabOrder < 0) {
      int n = 0;
      for (TControl* c : FControls)
        if (c != w && dynamic_cast<TWinControl*>(c)) ++n;
      w->FTabOrder = n;
    }
    if (FHandleAllocated) w->HandleNeeded();
  }
  AControl->ParentColorChanged();
  AControl->ParentFontChanged();
  Perform(CM_CONTROLCHANGE, reinterpret_cast<intptr_t>(AControl), 1);
  if (AControl->FAlign != alNone) Realign();
  AControl->Invalidate();
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(FControls.begin(), FControls.end(), AControl);
  if (it == FControls.end()) return;
  if (gCapture == AControl) gCapture = nullptr;
  FControls.erase(it);
  AControl->FParent = nullptr;
  AControl->ForgetSurface();
  if (auto* w = dynamic_cast<TWinControl*>(AControl); w && w->FHandleAllocated) w->DestroyHandle();
  if (!IsDestroying()) {
    Perform(CM_CONTROLCHANGE, reinterpret_cast<intptr_t>(AControl), 0);
    if (AControl->FAlign != alNone) Realign();
  }
}

bool TWinControl::ContainsControl(const TControl* AControl) const {
  for (const TControl* c = AControl; c; c = c->FParent)
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint P, bool AllowDisabled, bool AllowWinControls) const {
  auto hit = [&](TControl* c) {
    return c->FVisible && (AllowDisabled || c->FEnabled) &&
           QzPtInRect(Rect(c->FLeft, c->FTop, c->FLeft + c->FWidth, c->FTop + c->FHeight), P);
  };
  // Windowed children lie above windowless ones; later ones above earlier ones.
  if (AllowWinControls) {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
      auto* w = dynamic_cast<TWinControl*>(*it);
      if (!w || !hit(w)) continue;
      TControl* inner = w->ControlAtPos({P.X - w->FLeft, P.Y - w->FTop}, AllowDisabled, true);
      return inner ? inner : w;
    }
  }
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
    if (!dynamic_cast<TWinControl*>(*it) && hit(*it)) return *it;
  return nullptr;
}

void TWinControl::HandleNeeded() {
  if (!FHandleAllocated) CreateHandle();
}

HWND TWinControl::GetHandle() {
  HandleNeeded();
  return reinterpret_cast<HWND>(this);
}

void TWinControl::CreateHandle() {
  if (FHandleAllocated) return;
  FHandleAllocated = true;
  LiveHandles().insert(this);
  for (TControl* c : std::vector<TControl*>(FControls))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
  Perform(WM_SIZE, 0, (static_cast<intptr_t>(FHeight) << 16) | (FWidth & 0xFFFF));
}

void TWinControl::DestroyHandle() {
  if (!FHandleAllocated) return;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  if (gCaret.Owner == this) ResetCaret();
  FHandleAllocated = false;
  LiveHandles().erase(this);
}

void TWinControl::AdjustClientRect(TRect&) {}

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0 && --FAlignLevel == 0 && FAlignPending) Realign();
}

void TWinControl::Realign() {
  if (FAlignLevel > 0 || IsLoading() || IsDestroying()) {
    FAlignPending = true;
    return;
  }
  if (FAligning) return;
  FAlignPending = false;
  FAligning = true;
  try {
    TRect r = GetClientRect();
    AdjustClientRect(r);
    AlignControls(nullptr, r);
  } catch (...) {
    FAligning = false;
    throw;
  }
  FAligning = false;
}

void TWinControl::AlignControls(TControl*, TRect& R) {
  // Spacing already claimed at each edge of the remaining area: 0 at the parent's edges, the
  // facing spacing of the last control placed there otherwise; the larger of two applies.
  int32_t sl = 0, st = 0, sr = 0, sb = 0;
  auto list = [&](TAlign a) {
    std::vector<TControl*> v;
    for (TControl* c : FControls)
      if (c->FVisible && c->FAlign == a) v.push_back(c);
    return v;
  };
  auto tops = list(alTop);
  std::stable_sort(tops.begin(), tops.end(), [](TControl* a, TControl* b) { return a->FTop < b->FTop; });
  for (TControl* c : tops) {
    const TControlBorderSpacing* s = c->FBorderSpacing.get();
    const int32_t top = R.Top + std::max(st, s->SpaceTop());
    const int32_t left = R.Left + std::max(sl, s->SpaceLeft());
    const int32_t right = R.Right - std::max(sr, s->SpaceRight());
    c->SetBounds(left, top, std::max(right - left, 0), c->FHeight);
    R.Top = top + c->FHeight;
    st = s->SpaceBottom();
  }
  auto bottoms = list(alBottom);
  std::stable_sort(bottoms.begin(), bottoms.end(),
                   [](TControl* a, TControl* b) { return a->FTop + a->FHeight > b->FTop + b->FHeight; });
  for (TControl* c : bottoms) {
    const TControlBorderSpacing* s = c->FBorderSpacing.get();
    const int32_t bottom = R.Bottom - std::max(sb, s->SpaceBottom());
    const int32_t left = R.Left + std::max(sl, s->SpaceLeft());
    const int32_t right = R.Right - std::max(sr, s->SpaceRight());
    c->SetBounds(left, bottom - c->FHeight, std::max(right - left, 0), c->FHeight);
    R.Bottom = c->FTop;
    sb = s->SpaceTop();
  }
  auto lefts = list(alLeft);
  std::stable_sort(lefts.begin(), lefts.end(), [](TControl* a, TControl* b) { return a->FLeft < b->FLeft; });
  for (TControl* c : lefts) {
    const TControlBorderSpacing* s = c->FBorderSpacing.get();
    const int32_t left = R.Left + std::max(sl, s->SpaceLeft());
    const int32_t top = R.Top + std::max(st, s->SpaceTop());
    const int32_t bottom = R.Bottom - std::max(sb, s->SpaceBottom());
    c->SetBounds(left, top, c->FWidth, std::max(bottom - top, 0));
    R.Left = left + c->FWidth;
    sl = s->SpaceRight();
  }
  auto rights = list(alRight);
  std::stable_sort(rights.begin(), rights.end(),
                   [](TControl* a, TControl* b) { return a->FLeft + a->FWidth > b->FLeft + b->FWidth; });
  for (TControl* c : rights) {
    const TControlBorderSpacing* s = c->FBorderSpacing.get();
    const int32_t right = R.Right - std::max(sr, s->SpaceRight());
    const int32_t top = R.Top + std::max(st, s->SpaceTop());
    const int32_t bottom = R.Bottom - std::max(sb, s->SpaceBottom());
    c->SetBounds(right - c->FWidth, top, c->FWidth, std::max(bottom - top, 0));
    R.Right = c->FLeft;
    sr = s->SpaceLeft();
  }
  for (TControl* c : list(alClient)) {
    const TControlBorderSpacing* s = c->FBorderSpacing.get();
    const int32_t left = R.Left + std::max(sl, s->SpaceLeft());
    const int32_t top = R.Top + std::max(st, s->SpaceTop());
    const int32_t right = R.Right - std::max(sr, s->SpaceRight());
    const int32_t bottom = R.Bottom - std::max(sb, s->SpaceBottom());
    c->SetBounds(left, top, std::max(right - left, 0), std::max(bottom - top, 0));
  }
}

void TWinControl::AnchorChildren(int32_t OldWidth, int32_t OldHeight) {
  const int32_t dx = GetClientWidth() - OldWidth, dy = GetClientHeight() - OldHeight;
  if (dx == 0 && dy == 0) return;
  for (TControl* c : std::vector<TControl*>(FControls)) {
    if (c->FAlign != alNone) continue;
    int32_t l = c->FLeft, t = c->FTop, w = c->FWidth, h = c->FHeight;
    const TAnchors a = c->FAnchors;
    if (a.Contains(akRight)) {
      if (a.Contains(akLeft))
        w += dx;
      else
        l += dx;
    } else if (!a.Contains(akLeft)) {
      l += dx / 2;
    }
    if (a.Contains(akBottom)) {
      if (a.Contains(akTop))
        h += dy;
      else
        t += dy;
    } else if (!a.Contains(akTop)) {
      t += dy / 2;
    }
    c->SetBounds(l, t, w, h);
  }
}

void TWinControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  const int32_t oldCW = GetClientWidth(), oldCH = GetClientHeight();
  const int32_t oldW = FWidth, oldH = FHeight;
  TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (FWidth == oldW && FHeight == oldH) return;
  if (FHandleAllocated) Perform(WM_SIZE, 0, (static_cast<intptr_t>(FHeight) << 16) | (FWidth & 0xFFFF));
  if (!IsLoading()) AnchorChildren(oldCW, oldCH);
  Realign();
}

void TWinControl::SetVisible(bool Value) {
  if (Value && FParent && FParent->FHandleAllocated) HandleNeeded();
  TControl::SetVisible(Value);
}

void TWinControl::SetBorderStyle(TBorderStyle Value) {
  if (Value == FBorderStyle) return;
  FBorderStyle = Value;
  Invalidate();
}

void TWinControl::EraseBackground(HDC DC) {
  TCanvas c;
  c.SetHandle(DC);
  c.GetBrush()->SetColor(GetColor());
  c.GetBrush()->SetStyle(bsSolid);
  c.FillRect(GetClientRect());
  c.SetHandle(nullptr);
}

void TWinControl::PaintControl(const TRect& FormClip) {
  const TPoint o = FormOffset();
  const TRect r = QzIntersectRect(Rect(o.X, o.Y, o.X + FWidth, o.Y + FHeight), FormClip);
  if (QzIsRectEmpty(r)) return;
  TCanvas* c = GetCanvas();
  FCanvas->Restrict(r);
  {
    const TRestrictScope scope{FCanvas.get()};
    if (!ControlStyle.Contains(csParentBackground)) EraseBackground(c->GetHandle());
    c->SetFont(GetFont());
    c->GetBrush()->SetColor(GetColor());
    c->GetBrush()->SetStyle(bsSolid);
    Paint();
  }
  PaintChildren(r);
}

void TWinControl::PaintChildren(const TRect& FormClip) {
  // A paint handler may add or remove children: walk a copy and skip the ones that went.
  const std::vector<TControl*> kids = FControls;
  auto present = [&](TControl* c) { return std::find(FControls.begin(), FControls.end(), c) != FControls.end(); };
  for (TControl* c : kids)
    if (!dynamic_cast<TWinControl*>(c) && present(c) && c->FVisible) c->PaintControl(FormClip);
  for (TControl* c : kids)
    if (dynamic_cast<TWinControl*>(c) && present(c) && c->FVisible) c->PaintControl(FormClip);
}

int32_t TWinControl::GetTabOrder() const { return FTabOrder; }

void TWinControl::SetTabOrder(int32_t Value) { FTabOrder = Value; }

bool TWinControl::CanFocus() const {
  if (ControlStyle.Contains(csNoFocus)) return false;
  TCustomForm* f = GetParentForm();
  if (!f) return false;
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->FVisible || !c->FEnabled) return false;
  return true;
}

bool TWinControl::Focused() const {
  TCustomForm* f = GetParentForm();
  return f && f->GetActive() && f->GetActiveControl() == this;
}

void TWinControl::SetFocus() {
  TCustomForm* f = GetParentForm();
  if (!f || !CanFocus()) return;
  f->SetActiveControl(this);
  if (!f->GetActive() && f->GetNativeWindow()) f->GetNativeWindow()->TakeFocus();
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) const {
  std::vector<TWinControl*> kids;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) kids.push_back(w);
  std::stable_sort(kids.begin(), kids.end(), [](TWinControl* a, TWinControl* b) { return a->FTabOrder < b->FTabOrder; });
  for (TWinControl* w : kids) {
    List.push_back(w);
    w->GetTabOrderList(List);
  }
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::WMSetFocus(TMessage&) { Invalidate(); }
void TWinControl::WMKillFocus(TMessage&) { Invalidate(); }
void TWinControl::CMEnter(TMessage&) { DoEnter(); }
void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_SETFOCUS: WMSetFocus(M); break;
    case WM_KILLFOCUS: WMKillFocus(M); break;
    case CM_ENTER: CMEnter(M); break;
    case CM_EXIT: CMExit(M); break;
    default: TControl::WndProc(M); break;
  }
}

void TWinControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::UTF8KeyPress(std::string& UTF8Key) {
  if (OnUTF8KeyPress) OnUTF8KeyPress(this, UTF8Key);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}

void TCustomControl::Paint() {
  if (OnPaint) OnPaint(this);
}
