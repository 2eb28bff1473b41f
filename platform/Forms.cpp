#include "platform/Forms.h"

#include <algorithm>
#include <atomic>
#include <climits>

#include "platform/Clipbrd.h"

#include "platform/ExtCtrls.h"
#include "platform/FormReader.h"
#include "platform/Menus.h"

namespace {

std::atomic<int> gShownForms{0};
constexpr uint64_t kDoubleClickMs = 500;
constexpr int32_t kDoubleClickDistance = 4;

// Stamps of form surfaces, drawn on the GUI thread only.
uint64_t gSurfaceStamps = 0;

uint32_t ButtonBit(TMouseButton B) { return 1u << static_cast<unsigned>(B); }

TShiftStateFlag ButtonFlag(TMouseButton B) {
  switch (B) {
    case mbRight: return ssRight;
    case mbMiddle: return ssMiddle;
    default: return ssLeft;
  }
}

}  // namespace

// ---- TCustomForm ----

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner) {
  TControl::SetVisible(false);
  ControlStyle.Include(csAcceptsControls);
  SetParentFont(false);
  SetBounds(0, 0, 320, 240);
  if (Screen) Screen->FForms.push_back(this);
}

TCustomForm::~TCustomForm() {
  Destroying();
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (const std::exception& e) {
      if (Application) Application->HandleException(this, e);
    }
  }
  if (GetCaptureControl() && GetCaptureControl()->GetParentForm() == this) SetCaptureControl(nullptr);
  FActiveControl = nullptr;
  FMouseControl = FClickControl = FLastDownControl = nullptr;
  if (Screen) {
    auto& v = Screen->FForms;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  if (Application) Application->FormGone(this);
  FWindow.reset();
  if (FCountedShown) gShownForms.fetch_sub(1, std::memory_order_acq_rel);
}

int QzShownFormCount() { return gShownForms.load(std::memory_order_acquire); }

void TCustomForm::CountShown() {
  if (GetVisible() == FCountedShown) return;
  FCountedShown = GetVisible();
  gShownForms.fetch_add(FCountedShown ? 1 : -1, std::memory_order_acq_rel);
}

void TCustomForm::DropLostWindow() {
  if (!FWindow || FWindow->Alive()) return;
  if (GetVisible()) SetVisible(false);
  if (FWindow) DestroyHandle();
  CountShown();
}

void TCustomForm::Loaded() { TCustomControl::Loaded(); }

void TCustomForm::InitForm(const std::string& ResourceName) {
  if (!ReadComponentRes(ResourceName, this)) throw EResNotFound("Resource " + ResourceName + " not found");
  DoCreate();
}

void TCustomForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::Show() { SetVisible(true); }
void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::Close() {
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (FModal) {
    if (ModalResult == mrNone) ModalResult = mrCancel;
    return;
  }
  if (action == caHide || action == caMinimize)
    Hide();
  else if (action == caFree)
    Release();
}

TModalResult TCustomForm::ShowModal() {
  if (FModal || GetVisible()) throw EComponentError("Cannot make a visible window modal");
  FModal = true;
  ModalResult = mrNone;
  Show();
  while (ModalResult == mrNone && GetVisible() && Application && !Application->Terminated()) {
    Application->ProcessMessages();
    if (ModalResult != mrNone || !GetVisible()) break;
    const uint64_t due = Application->NextTimerDue();
    const uint64_t wait = std::min<uint64_t>(due, 50);
    if (!QzWindowBackend().WaitForEvents(wait) && due == UINT64_MAX) {
      ModalResult = mrCancel;  // nothing can ever end the loop
      break;
    }
  }
  FModal = false;
  Hide();
  const TModalResult r = ModalResult == mrNone ? mrCancel : ModalResult;
  return r;
}

void TCustomForm::Release() {
  if (FReleasing) return;
  FReleasing = true;
  Hide();
  if (Application) Application->ReleaseForm(this);
}

void TCustomForm::CenterOnScreen() {
  if (FParentWindow) return;
  QzWindowBackend();
  const int32_t sw = Screen ? Screen->GetWidth() : 0, sh = Screen ? Screen->GetHeight() : 0;
  SetBounds((sw - GetWidth()) / 2, (sh - GetHeight()) / 2, GetWidth(), GetHeight());
}

TQzWindowParams TCustomForm::WindowParams() const {
  TQzWindowParams p;
  p.Title = GetCaption();
  p.Left = FParentWindow ? 0 : FLeft;
  p.Top = FParentWindow ? 0 : FTop;
  p.Width = std::max(GetClientWidth(), 1);
  p.Height = std::max(GetClientHeight(), 1);
  p.ParentWindow = FParentWindow;
  p.Borderless = GetBorderStyle() == bsNone || FParentWindow != 0;
  p.ToolWindow = GetBorderStyle() == bsToolWindow || GetBorderStyle() == bsSizeToolWin;
  p.StayOnTop = FFormStyle == fsStayOnTop || FFormStyle == fsSystemStayOnTop;
  p.SkipTaskbar = FShowInTaskBar == stNever || p.ToolWindow;
  p.Alpha = FAlphaBlend ? FAlphaBlendValue : 255;
  // As the window manager of the original platform: without the system menu there is no close
  // box either, tool windows and dialogs have no minimise and maximise boxes, and only the
  // sizeable styles can be resized.
  const TBorderStyle bs = GetBorderStyle();
  p.CloseBox = FBorderIcons.Contains(biSystemMenu);
  p.MinimizeBox = p.CloseBox && FBorderIcons.Contains(biMinimize) && bs != bsToolWindow && bs != bsSizeToolWin && bs != bsDialog;
  p.MaximizeBox = p.CloseBox && FBorderIcons.Contains(biMaximize) && bs != bsToolWindow && bs != bsSizeToolWin && bs != bsDialog;
  p.Resizable = bs == bsSizeable || bs == bsSizeToolWin;
  return p;
}

void TCustomForm::UpdateWindowParams() {
  if (!FWindow) return;
  const TQzWindowParams p = WindowParams();
  FWindow->SetTitle(p.Title);
  FWindow->SetStayOnTop(p.StayOnTop);
  FWindow->SetAlpha(p.Alpha);
  FWindow->SetDecorations(p);
}

void TCustomForm::EnsureSurface() {
  const int32_t w = std::max(GetClientWidth(), 1), h = std::max(GetClientHeight(), 1);
  if (FSurface && FSurface->GetWidth() == w && FSurface->GetHeight() == h) return;
  if (!FSurface) {
    FSurface = std::make_unique<TBitmap>();
    FSurface->SetPixelFormat(pf32bit);
  }
  FSurface->SetSize(w, h);
  FSurfaceStamp = ++gSurfaceStamps;
  FDirty = Rect(0, 0, w, h);
  FDirtyAreas.assign(1, FDirty);
}

void TCustomForm::CreateHandle() {
  if (HandleAllocated()) return;
  EnsureSurface();
  if (!FWindow) FWindow = QzWindowBackend().CreateNativeWindow(this, WindowParams());
  TCustomControl::CreateHandle();
}

void TCustomForm::DestroyHandle() {
  TCustomControl::DestroyHandle();
  FWindow.reset();
  FActive = false;
}

void TCustomForm::SetVisible(bool Value) {
  if (Value == GetVisible()) return;
  if (Value) {
    HandleNeeded();
    if (!FShownOnce) {
      FShownOnce = true;
      if (FPosition == poScreenCenter || FPosition == poDesktopCenter || FPosition == poMainFormCenter ||
          FPosition == poOwnerFormCenter || FPosition == poWorkAreaCenter)
        CenterOnScreen();
    }
    TControl::SetVisible(true);
    UpdateWindowParams();
    if (FWindow) {
      const TQzWindowParams p = WindowParams();
      FWindow->SetBounds(p.Left, p.Top, p.Width, p.Height);
      FWindow->SetVisible(true);
    }
    InvalidateFormRect(GetClientRect());
    DoShow();
    if (FWindow && GetVisible()) FWindow->TakeFocus();
  } else {
    if (Application) Application->CancelHint();
    DoHide();
    TControl::SetVisible(false);
    if (FWindow) FWindow->SetVisible(false);
    if (FActive) SetWindowActive(false);
    if (GetCaptureControl() && GetCaptureControl()->GetParentForm() == this) SetCaptureControl(nullptr);
  }
  CountShown();
}

void TCustomForm::SetText(const std::string& Value) {
  TCustomControl::SetText(Value);
  if (FWindow) FWindow->SetTitle(Value);
}

void TCustomForm::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (!HandleAllocated()) return;
  EnsureSurface();
  if (FWindow && !FFromWindow) {
    const TQzWindowParams p = WindowParams();
    FWindow->SetBounds(p.Left, p.Top, p.Width, p.Height);
  }
}

TPoint TCustomForm::GetClientOrigin() const {
  if (FWindow) return FWindow->ScreenOrigin();
  return {FLeft, FTop};
}

void TCustomForm::SetFocus() {
  if (!CanFocus()) return;
  if (FWindow) FWindow->TakeFocus();
}

void TCustomForm::SetBorderStyle(TBorderStyle Value) {
  TCustomControl::SetBorderStyle(Value);
  UpdateWindowParams();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  FBorderIcons = Value;
  UpdateWindowParams();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  FFormStyle = Value;
  UpdateWindowParams();
}

void TCustomForm::SetAlphaBlend(bool Value) {
  FAlphaBlend = Value;
  UpdateWindowParams();
}

void TCustomForm::SetAlphaBlendValue(uint8_t Value) {
  FAlphaBlendValue = Value;
  UpdateWindowParams();
}

void TCustomForm::SetParentWindow(uintptr_t Value) {
  // The same parent again keeps the window, unless the host destroyed it under us.
  if (Value == FParentWindow && (!FWindow || FWindow->Alive())) return;
  const bool hadWindow = FWindow != nullptr;
  const bool visible = GetVisible();
  if (hadWindow) {
    if (visible) TControl::SetVisible(false);
    DestroyHandle();
  }
  FParentWindow = Value;
  if (Value) {
    FLeft = 0;
    FTop = 0;
  }
  if (hadWindow) {
    HandleNeeded();
    if (visible) {
      TControl::SetVisible(false);
      SetVisible(true);
    }
  }
  CountShown();
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (Control == this) Control = nullptr;
  if (Control && !ContainsControl(Control)) return;
  if (Control == FActiveControl) return;
  TWinControl* old = FActiveControl;
  FActiveControl = Control;
  if (FActive && old) {
    old->Perform(WM_KILLFOCUS, reinterpret_cast<intptr_t>(Control));
    if (FActiveControl == Control) old->Perform(CM_EXIT);
  }
  if (FActive && Control && FActiveControl == Control) {
    Control->Perform(CM_ENTER);
    if (FActiveControl == Control) Control->Perform(WM_SETFOCUS, reinterpret_cast<intptr_t>(old));
  }
}

void TCustomForm::FocusControlGone(TControl* Control) {
  if (!FActiveControl || !Control) return;
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (Control != FActiveControl && !(w && w->ContainsControl(FActiveControl))) return;
  SetActiveControl(nullptr);
}

void TCustomForm::ControlGone(TControl* Control) {
  if (FActiveControl == Control) FActiveControl = nullptr;
  if (FMouseControl == Control) FMouseControl = nullptr;
  if (FClickControl == Control) FClickControl = nullptr;
  if (FLastDownControl == Control) FLastDownControl = nullptr;
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (w) {
    if (FActiveControl && w->ContainsControl(FActiveControl)) FActiveControl = nullptr;
    if (FMouseControl && w->ContainsControl(FMouseControl)) FMouseControl = nullptr;
    if (FClickControl && w->ContainsControl(FClickControl)) FClickControl = nullptr;
    if (FLastDownControl && w->ContainsControl(FLastDownControl)) FLastDownControl = nullptr;
  }
}

void TCustomForm::SelectNext(TWinControl* CurControl, bool GoForward) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  std::vector<TWinControl*> ok;
  for (TWinControl* w : list)
    if (w->GetTabStop() && w->CanFocus()) ok.push_back(w);
  if (ok.empty()) return;
  auto it = std::find(ok.begin(), ok.end(), CurControl);
  size_t i;
  if (it == ok.end())
    i = GoForward ? 0 : ok.size() - 1;
  else
    i = GoForward ? (static_cast<size_t>(it - ok.begin()) + 1) % ok.size()
                  : (static_cast<size_t>(it - ok.begin()) + ok.size() - 1) % ok.size();
  ok[i]->SetFocus();
}

void TCustomForm::SetWindowActive(bool Active) {
  if (Active == FActive) return;
  FActive = Active;
  if (Active) {
    Activate();
    if (FActive && FActiveControl) FActiveControl->Perform(WM_SETFOCUS);
  } else {
    // The focused control hears of it however the focus goes.
    if (FActiveControl) FActiveControl->Perform(WM_KILLFOCUS);
    Deactivate();
  }
}

namespace {
int64_t AreaOf(const TRect& R) {
  return static_cast<int64_t>(R.Right - R.Left) * static_cast<int64_t>(R.Bottom - R.Top);
}
}  // namespace

void TCustomForm::InvalidateFormRect(const TRect& R) {
  if (!FSurface) return;
  TRect r = QzIntersectRect(R, Rect(0, 0, FSurface->GetWidth(), FSurface->GetHeight()));
  if (QzIsRectEmpty(r)) return;
  FDirty = QzUnionRect(FDirty, r);
  // A few areas at most: more cost more paint passes than the pixels they spare.
  constexpr size_t MaxAreas = 8;
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < FDirtyAreas.size(); ++i) {
      const TRect u = QzUnionRect(FDirtyAreas[i], r);
      // Overlapping areas, or ones whose bounds waste little, become one.
      if (!QzIsRectEmpty(QzIntersectRect(FDirtyAreas[i], r)) ||
          AreaOf(u) <= AreaOf(FDirtyAreas[i]) + AreaOf(r) + AreaOf(u) / 4) {
        r = u;
        FDirtyAreas.erase(FDirtyAreas.begin() + static_cast<ptrdiff_t>(i));
        merged = true;
        break;
      }
    }
  }
  FDirtyAreas.push_back(r);
  if (FDirtyAreas.size() > MaxAreas) FDirtyAreas.assign(1, FDirty);
}

void TCustomForm::PaintControl(const TRect& FormClip) { TCustomControl::PaintControl(FormClip); }

void TCustomForm::UpdateForm() {
  if (FPainting || !HandleAllocated() || !FSurface || QzIsRectEmpty(FDirty)) return;
  FPainting = true;
  const std::vector<TRect> areas = std::move(FDirtyAreas);
  FDirtyAreas.clear();
  FDirty = {};
  try {
    for (const TRect& r : areas) {
      PaintControl(r);
      TRect caret;
      if (QzCaretRect(this, caret)) {
        const TRect c = QzIntersectRect(caret, r);
        for (int32_t y = c.Top; y < c.Bottom; ++y) {
          uint8_t* row = FSurface->GetScanLine(y);
          for (int32_t x = c.Left; x < c.Right; ++x)
            for (int k = 0; k < 3; ++k) row[x * 4 + k] = static_cast<uint8_t>(255 - row[x * 4 + k]);
        }
      }
    }
  } catch (...) {
    FPainting = false;
    throw;
  }
  FPainting = false;
  if (FWindow && GetVisible())
    for (const TRect& r : areas) FWindow->Present(FSurface.get(), r);
}

void TCustomForm::ChangeMouseControl(TControl* Control) {
  if (Control == FMouseControl) return;
  TControl* old = FMouseControl;
  FMouseControl = Control;
  if (old) old->Perform(CM_MOUSELEAVE);
  if (Control && FMouseControl == Control) Control->Perform(CM_MOUSEENTER);
}

void TCustomForm::DispatchMouse(const TQzWindowEvent& E) {
  const TPoint p{E.X, E.Y};
  TControl* capture = GetCaptureControl();
  if (capture && capture->GetParentForm() != this) capture = nullptr;
  TControl* hit = nullptr;
  if (E.Kind != qeMouseLeave) {
    hit = ControlAtPos(p, true);
    if (!hit && QzPtInRect(GetClientRect(), p)) hit = this;
  }
  if (!capture) ChangeMouseControl(hit);
  if ((E.Kind == qeMouseMove || E.Kind == qeMouseLeave) && Application && !capture && FButtons == 0)
    Application->HintMouseMessage(hit == this ? nullptr : hit, ClientToScreen(p));
  if (E.Kind == qeMouseLeave) return;
  TControl* target = capture ? capture : hit;
  if (!target) return;
  if (!target->IsEnabled() && E.Kind != qeMouseMove) return;
  const TPoint o = target->FormOffset();
  const int32_t x = p.X - o.X, y = p.Y - o.Y;
  TShiftState shift = E.Shift;
  if (FButtons & ButtonBit(mbLeft)) shift.Include(ssLeft);
  if (FButtons & ButtonBit(mbRight)) shift.Include(ssRight);
  if (FButtons & ButtonBit(mbMiddle)) shift.Include(ssMiddle);
  switch (E.Kind) {
    case qeMouseDown: {
      const uint64_t now = QzWindowBackend().Now();
      const bool dbl = !FDoubleDown && FLastDownControl == target && FLastDownButton == E.Button &&
                       now - FLastDownTime <= kDoubleClickMs && std::abs(p.X - FLastDownPos.X) <= kDoubleClickDistance &&
                       std::abs(p.Y - FLastDownPos.Y) <= kDoubleClickDistance &&
                       target->ControlStyle.Contains(csDoubleClicks);
      FDoubleDown = dbl;
      FLastDownTime = now;
      FLastDownPos = p;
      FLastDownButton = E.Button;
      FLastDownControl = target;
      if (FButtons == 0 && target->ControlStyle.Contains(csCaptureMouse)) SetCaptureControl(target);
      FButtons |= ButtonBit(E.Button);
      shift.Include(ButtonFlag(E.Button));
      if (dbl) {
        shift.Include(ssDouble);
        if (E.Button == mbLeft) target->DblClick();
      }
      FClickControl = (E.Button == mbLeft && !dbl) ? target : nullptr;
      if (FLastDownControl == target) target->MouseDown(E.Button, shift, x, y);
      break;
    }
    case qeMouseUp: {
      FButtons &= ~ButtonBit(E.Button);
      target->MouseUp(E.Button, shift, x, y);
      if (E.Button == mbLeft && FClickControl == target && QzPtInRect(target->GetClientRect(), {x, y})) {
        FClickControl = nullptr;
        target->Click();
      }
      if (E.Button == mbRight && !FDoubleDown) {
        for (TControl* c = target; c; c = c->GetParent())
          if (TPopupMenu* m = c->GetPopupMenu()) {
            m->PopupComponent = target;
            const TPoint s = target->ClientToScreen({x, y});
            m->Popup(s.X, s.Y);
            break;
          }
      }
      if (FButtons == 0) {
        SetCaptureControl(nullptr);
        TControl* now = ControlAtPos(p, true);
        if (!now && QzPtInRect(GetClientRect(), p)) now = this;
        ChangeMouseControl(now);
      }
      break;
    }
    case qeMouseMove: target->MouseMove(shift, x, y); break;
    case qeMouseWheel: {
      const TPoint screen = ClientToScreen(p);
      for (TControl* c = target; c; c = c->GetParent()) {
        if (!c->IsEnabled()) continue;
        if (c->DoMouseWheel(E.Shift, E.WheelDelta, screen)) break;
      }
      break;
    }
    default: break;
  }
}

void TCustomForm::DispatchKey(const TQzWindowEvent& E) {
  TWinControl* target = FActiveControl;
  if (target && !target->CanFocus()) target = nullptr;
  if (E.Kind == qeKeyDown || E.Kind == qeKeyUp) {
    uint16_t key = E.Key;
    const bool down = E.Kind == qeKeyDown;
    if (KeyPreview || !target) {
      if (down)
        KeyDown(key, E.Shift);
      else
        KeyUp(key, E.Shift);
    }
    if (key != 0 && target && target != this) {
      if (down)
        target->KeyDown(key, E.Shift);
      else
        target->KeyUp(key, E.Shift);
    }
    if (down && key == VK_TAB && !E.Shift.Contains(ssCtrl) && !E.Shift.Contains(ssAlt))
      SelectNext(FActiveControl, !E.Shift.Contains(ssShift));
    return;
  }
  if (E.Kind != qeChar || E.Text.empty()) return;
  std::string text = E.Text;
  if (KeyPreview || !target) {
    UTF8KeyPress(text);
    if (text.size() == 1) {
      char c = text[0];
      KeyPress(c);
      if (c == 0) return;
      text[0] = c;
    }
    if (text.empty()) return;
  }
  if (target && target != this) {
    target->UTF8KeyPress(text);
    if (text.size() == 1) {
      char c = text[0];
      target->KeyPress(c);
    }
  }
}

void TCustomForm::HandleWindowEvent(const TQzWindowEvent& E) {
  if (QzMenuFilterFormEvent(E)) return;
  if (Application && (E.Kind == qeMouseDown || E.Kind == qeMouseWheel || E.Kind == qeKeyDown || E.Kind == qeMouseLeave ||
                      E.Kind == qeFocusOut))
    Application->CancelHint();
  switch (E.Kind) {
    case qeMouseDown:
    case qeMouseUp:
    case qeMouseMove:
    case qeMouseWheel:
    case qeMouseLeave: DispatchMouse(E); break;
    case qeKeyDown:
    case qeKeyUp:
    case qeChar: DispatchKey(E); break;
    case qeFocusIn: SetWindowActive(true); break;
    case qeFocusOut: SetWindowActive(false); break;
    case qeResize:
      FFromWindow = true;
      try {
        SetClientSize(E.Width, E.Height);
      } catch (...) {
        FFromWindow = false;
        throw;
      }
      FFromWindow = false;
      if (FWindow && (GetClientWidth() != E.Width || GetClientHeight() != E.Height)) {
        const TQzWindowParams p = WindowParams();
        FWindow->SetBounds(p.Left, p.Top, p.Width, p.Height);
      }
      break;
    case qeMove:
      if (!FParentWindow) {
        FLeft = E.X;
        FTop = E.Y;
      }
      break;
    case qeClose: Close(); break;
    case qeExpose:
      UpdateForm();
      if (FWindow && FSurface && GetVisible()) FWindow->Present(FSurface.get(), E.Area);
      break;
  }
}

// ---- TScreen ----

int32_t TScreen::GetWidth() const { return QzWindowBackend().ScreenWidth(); }
int32_t TScreen::GetHeight() const { return QzWindowBackend().ScreenHeight(); }

TCustomForm* TScreen::GetActiveForm() const {
  for (TCustomForm* f : FForms)
    if (f->GetActive()) return f;
  return nullptr;
}

// ---- TApplication ----

TApplication::~TApplication() {
  Destroying();
  FHintWindow.reset();
  if (FHintTimer) {
    TTimer* t = FHintTimer;
    FHintTimer = nullptr;
    t->Free();
  }
  // Owned components (timers among them) go while the timer list still exists.
  DestroyComponents();
  for (TCustomForm* f : std::vector<TCustomForm*>(FReleased))
    if (f->GetOwner() != this) f->Free();
  FReleased.clear();
}

void TApplication::HandleException(TObject* Sender, const std::exception& E) {
  if (OnException) {
    try {
      OnException(Sender, E);
    } catch (...) {
    }
  }
}

void TApplication::RegisterTimer(TTimer* Timer) {
  if (std::find(FTimers.begin(), FTimers.end(), Timer) == FTimers.end()) FTimers.push_back(Timer);
}

void TApplication::UnregisterTimer(TTimer* Timer) {
  FTimers.erase(std::remove(FTimers.begin(), FTimers.end(), Timer), FTimers.end());
}

uint64_t TApplication::NextTimerDue() const {
  uint64_t best = UINT64_MAX;
  const uint64_t now = QzWindowBackend().Now();
  for (TTimer* t : FTimers)
    if (t->Running()) best = std::min(best, t->NextDue() > now ? t->NextDue() - now : 0);
  return best;
}

void TApplication::RunTimers() {
  const uint64_t now = QzWindowBackend().Now();
  for (TTimer* t : std::vector<TTimer*>(FTimers)) {
    // A handler may free other timers: only those still registered fire.
    if (std::find(FTimers.begin(), FTimers.end(), t) == FTimers.end()) continue;
    if (!t->Running() || now < t->NextDue()) continue;
    try {
      t->Fire(now);
    } catch (const std::exception& e) {
      HandleException(t, e);
    }
  }
}

void TApplication::ReleaseForm(TCustomForm* Form) {
  if (std::find(FReleased.begin(), FReleased.end(), Form) == FReleased.end()) FReleased.push_back(Form);
}

void TApplication::FormGone(TCustomForm* Form) {
  FReleased.erase(std::remove(FReleased.begin(), FReleased.end(), Form), FReleased.end());
}

bool TApplication::IdleCanWait() {
  const uint64_t now = QzWindowBackend().Now();
  const bool fast = now - FLastIdle < 12;
  FLastIdle = now;
  if (!fast || now * 3 >= FNextPumpThirds || !FReleased.empty() || QzWindowBackend().EventsQueued()) return false;
  if (Screen)
    for (TCustomForm* f : Screen->FForms)
      if (!QzIsRectEmpty(f->GetInvalidRect())) return false;
  return true;
}

void TApplication::DropLostWindows() {
  if (FHintWindow && FHintWindow->GetNativeWindow() && !FHintWindow->GetNativeWindow()->Alive()) FHintWindow->Close();
  if (Screen)
    for (TCustomForm* f : std::vector<TCustomForm*>(Screen->FForms)) f->DropLostWindow();
}

void TApplication::ControlGone(TControl* Control) {
  HintControlGone(Control);
  QzClipboardControlGone(Control);
}

void TApplication::ProcessMessages() {
  // Sixty pumps a second on average under a fast host: each moves the next one on by 50/3 ms
  // from where it was due, so the host's jitter loses none, but never to less than half that
  // from now, so a late pump brings no burst after it, nor to more than that from now (an early
  // pump, or a clock that started again).
  const uint64_t now3 = QzWindowBackend().Now() * 3;
  FNextPumpThirds = std::min(std::max(FNextPumpThirds + 50, now3 + 25), now3 + 50);
  try {
    QzWindowBackend().Pump();
  } catch (const std::exception& e) {
    HandleException(this, e);
  }
  DropLostWindows();
  RunTimers();
  while (!FReleased.empty()) {
    TCustomForm* f = FReleased.back();
    FReleased.pop_back();
    f->Free();
  }
  if (Screen)
    for (TCustomForm* f : std::vector<TCustomForm*>(Screen->FForms)) {
      try {
        f->UpdateForm();
      } catch (const std::exception& e) {
        HandleException(f, e);
      }
    }
  if (OnIdle) OnIdle(this);
}

// ---- hints ----

namespace {
std::string ShortHint(const std::string& Hint) {
  const size_t bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(0, bar);
}
}  // namespace

bool TApplication::HintShowing() const { return FHintWindow && FHintWindow->Showing(); }

uintptr_t TApplication::HintWindowHandle() const { return FHintWindow ? FHintWindow->NativeHandle() : 0; }

void TApplication::CancelHint() {
  if (FHintTimer) FHintTimer->SetEnabled(false);
  if (FHintWindow) FHintWindow->Close();
  // The hint shows again only after the pointer has left the control.
}

void TApplication::HintControlGone(TControl* Control) {
  if (Control != FHintControl) return;
  CancelHint();
  FHintControl = nullptr;
}

void TApplication::HintMouseMessage(TControl* Control, TPoint ScreenPos) {
  FHintPos = ScreenPos;
  if (Control == FHintControl) return;
  CancelHint();
  FHintControl = Control;
  if (!Control || !ShowHint || !Control->GetShowHint() || ShortHint(Control->GetHint()).empty()) return;
  if (!FHintTimer) {
    FHintTimer = new TTimer(nullptr);
    FHintTimer->SetEnabled(false);
    FHintTimer->OnTimer = [this](TObject*) { HintTimerFired(); };
  }
  FHintTimer->SetInterval(std::max<uint32_t>(HintPause, 1));
  FHintTimer->SetEnabled(true);
}

void TApplication::HintTimerFired() {
  FHintTimer->SetEnabled(false);
  if (HintShowing()) {
    FHintWindow->Close();
    return;
  }
  if (!FHintControl || !FHintControl->IsShowing() || !FHintControl->GetShowHint()) return;
  ShowHintWindow();
  if (HintHidePause > 0) {
    FHintTimer->SetInterval(HintHidePause);
    FHintTimer->SetEnabled(true);
  }
}

void TApplication::ShowHintWindow() {
  FHintText = ShortHint(FHintControl->GetHint());
  if (!FHintWindow) FHintWindow = std::make_unique<TQzPopupWindow>();
  TBitmap measure;
  measure.SetSize(1, 1);
  const TSize ext = measure.GetCanvas()->TextExtent(FHintText);
  const int32_t w = ext.cx + 8, h = ext.cy + 4;
  TCanvas* c = FHintWindow->BeginPaint(w, h, HintColor);
  c->GetBrush()->SetColor(clBlack);
  c->FrameRect(Rect(0, 0, w, h));
  c->GetBrush()->SetStyle(bsClear);
  c->GetFont()->SetColor(clInfoText);
  c->TextOut(4, 2, FHintText);
  c->GetBrush()->SetStyle(bsSolid);
  // Below the pointer (clear of a 20-pixel cursor), kept on the screen.
  const int32_t sw = QzWindowBackend().ScreenWidth(), sh = QzWindowBackend().ScreenHeight();
  int32_t x = FHintPos.X, y = FHintPos.Y + 20;
  if (x + w > sw) x = std::max(sw - w, 0);
  if (y + h > sh) y = std::max(FHintPos.Y - h - 2, 0);
  FHintWindow->ShowAt(x, y);
}

// ---- process-wide objects ----

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

// Made before every ordinary static object of the program (whose unit starts may create
// components owned by Application) and freed after them.
struct TToolkitLifetime {
  TToolkitLifetime() {
    Application = new TApplication(nullptr);
    Screen = new TScreen(nullptr);
    RegisterToolkitClasses();
  }
  ~TToolkitLifetime() {
    TApplication* a = Application;
    a->Free();
    Application = nullptr;
    Screen->Free();
    Screen = nullptr;
  }
};

__attribute__((init_priority(200))) TToolkitLifetime gToolkitLifetime;

}  // namespace
