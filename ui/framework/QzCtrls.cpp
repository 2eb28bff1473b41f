#include "ui/framework/QzCtrls.h"

#include "platform/FormReader.h"
#include "ui/framework/QzDrawUtils.h"

// ---- links ----

bool TQzLinks::IsThemed() const {
  return !FSelf->IsDesigning() && UseThemes && ThemeManager && ThemeManager->GetActive();
}

void TQzLinks::Link(TComponent* Old, TComponent* New) {
  if (Old) Old->RemoveFreeNotification(FSelf);
  if (New) New->FreeNotification(FSelf);
}

bool TQzLinks::SetThemeManager(TQzCustomThemeManager* Value) {
  // A manager on its way out has already let its clients go and takes no new ones: a link made
  // now would outlive it.
  if (Value && Value->IsDestroying()) Value = nullptr;
  if (Value == ThemeManager) return false;
  TQzCustomThemeManager* old = ThemeManager;
  if (old) old->UnregisterThemeClient(FSelf);
  Link(old, Value);
  ThemeManager = Value;
  if (Value) Value->RegisterThemeClient(FSelf);
  return true;
}

bool TQzLinks::SetVLS(TQzVLSDataSource* Value) {
  if (Value == VLS) return false;
  Link(VLS, Value);
  VLS = Value;
  return true;
}

void TQzLinks::SetHelp(TQzHelpContextDataSource* Value) {
  if (Value == Help) return;
  Link(Help, Value);
  Help = Value;
}

bool TQzLinks::Removed(TComponent* AComponent) {
  bool hit = false;
  if (AComponent == ThemeManager) {
    ThemeManager = nullptr;
    hit = true;
  }
  if (AComponent == VLS) {
    VLS = nullptr;
    hit = true;
  }
  if (AComponent == Help) {
    Help = nullptr;
    hit = true;
  }
  return hit;
}

void TQzLinks::Release() {
  SetThemeManager(nullptr);
  SetVLS(nullptr);
  SetHelp(nullptr);
}

// ---- component ----

TQzCustomComponent::TQzCustomComponent(TComponent* AOwner) : TComponent(AOwner) {}

// Released here too for components freed without Free (on the stack, by delete).
TQzCustomComponent::~TQzCustomComponent() { FLinks.Release(); }

void TQzCustomComponent::BeforeDestruction() {
  TComponent::BeforeDestruction();
  FLinks.Release();
}

// The theme manager tells its clients of its end while it is still whole (its BeforeDestruction),
// so the link goes through SetThemeManager: unregistered, and ThemeChanged lets descendants
// follow. The other sources may be half destroyed here: their pointers are only cleared.
void TQzCustomComponent::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == GetThemeManager()) SetThemeManager(nullptr);
  else FLinks.Removed(AComponent);
}

void TQzCustomComponent::SetThemeManager(TQzCustomThemeManager* Value) {
  if (FLinks.SetThemeManager(Value) && !IsDestroying()) ThemeChanged();
}

void TQzCustomComponent::SetVLS(TQzVLSDataSource* Value) {
  if (FLinks.SetVLS(Value)) VLSChanged();
}

// ---- graphic control ----

TQzCustomGraphicControl::TQzCustomGraphicControl(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(GetLeft(), GetTop(), 201, 176);
}

TQzCustomGraphicControl::~TQzCustomGraphicControl() { FLinks.Release(); }

void TQzCustomGraphicControl::BeforeDestruction() {
  TGraphicControl::BeforeDestruction();
  FLinks.Release();
}

void TQzCustomGraphicControl::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == GetThemeManager()) SetThemeManager(nullptr);
}

void TQzCustomGraphicControl::SetThemeManager(TQzCustomThemeManager* Value) {
  if (FLinks.SetThemeManager(Value) && !IsDestroying()) ThemeChanged();
}

void TQzCustomGraphicControl::SetUseThemes(bool Value) {
  if (Value == FLinks.UseThemes) return;
  FLinks.UseThemes = Value;
  Refresh();
}

// ---- windowed control ----

TQzCustomWinControl::TQzCustomWinControl(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(GetLeft(), GetTop(), 200, 150);
}

TQzCustomWinControl::~TQzCustomWinControl() { FLinks.Release(); }

void TQzCustomWinControl::BeforeDestruction() {
  TCustomControl::BeforeDestruction();
  FLinks.Release();
}

void TQzCustomWinControl::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == GetThemeManager()) SetThemeManager(nullptr);
  else if (FLinks.Removed(AComponent) && !IsDestroying()) Invalidate();
}

void TQzCustomWinControl::SetThemeManager(TQzCustomThemeManager* Value) {
  if (FLinks.SetThemeManager(Value) && !IsDestroying()) ThemeChanged();
}

void TQzCustomWinControl::SetVLS(TQzVLSDataSource* Value) {
  if (FLinks.SetVLS(Value)) VLSChanged();
}

void TQzCustomWinControl::SetUseThemes(bool Value) {
  if (Value == FLinks.UseThemes) return;
  FLinks.UseThemes = Value;
  Refresh();
}

void TQzCustomWinControl::SetUseThemeBackground(bool Value) {
  if (Value == FUseThemeBackground) return;
  FUseThemeBackground = Value;
  Refresh();
}

void TQzCustomWinControl::SetEdgeBorders(TQzEdgeBorders Value) {
  if (Value == FEdgeBorders) return;
  FEdgeBorders = Value;
  EdgeBordersChanged();
  Realign();
  Refresh();
}

void TQzCustomWinControl::AdjustClientRect(TRect& ARect) {
  TCustomControl::AdjustClientRect(ARect);
  if (FEdgeBorders.Contains(febTop)) ++ARect.Top;
  if (FEdgeBorders.Contains(febBottom)) --ARect.Bottom;
  if (FEdgeBorders.Contains(febLeft)) ++ARect.Left;
  if (FEdgeBorders.Contains(febRight)) --ARect.Right;
}

void TQzCustomWinControl::EraseBackground(HDC DC) {
  if (IsThemed() && FUseThemeBackground)
    GetThemeManager()->EraseBackgroundDC(this, DC, GetClientRect(), 0);
  else
    TCustomControl::EraseBackground(DC);
}

void TQzCustomWinControl::Paint() {
  TCustomControl::Paint();
  PaintEdgeBorders();
}

void TQzCustomWinControl::PaintEdgeBorders() {
  if (FEdgeBorders.Empty()) return;
  TCanvas* c = GetCanvas();
  SetCanvasPen(c, 1, IsThemed() ? GetThemeManager()->GetThemeColor(9) : clBtnShadow, psSolid);
  const int32_t w = GetClientWidth(), h = GetClientHeight();
  if (FEdgeBorders.Contains(febTop)) c->Line(0, 0, w, 0);
  if (FEdgeBorders.Contains(febBottom)) c->Line(0, h - 1, w, h - 1);
  if (FEdgeBorders.Contains(febLeft)) c->Line(0, 0, 0, h);
  if (FEdgeBorders.Contains(febRight)) c->Line(w - 1, 0, w - 1, h);
}

bool TQzCustomWinControl::DoMouseWheelScroll(TObject*, TShiftState, int, TPoint) { return false; }

void TQzCustomWinControl::MouseWheelUpHandler(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled) {
  Handled = DoMouseWheelScroll(Sender, Shift, 0, MousePos);
}

void TQzCustomWinControl::MouseWheelDownHandler(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled) {
  Handled = DoMouseWheelScroll(Sender, Shift, 1, MousePos);
}

bool TQzCustomWinControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  bool handled = false;
  MouseWheelDownHandler(this, Shift, MousePos, handled);
  return handled;
}

bool TQzCustomWinControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  bool handled = false;
  MouseWheelUpHandler(this, Shift, MousePos, handled);
  return handled;
}

// ---- registration ----

void RegisterQzCtrlsClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterEnumNames<TQzEdgeBorder>({"febLeft", "febTop", "febRight", "febBottom"});
  TClassRegistrar<TQzCustomThemeManager>("TQzCustomThemeManager", "TComponent", false);
  TClassRegistrar<TQzThemeManager>("TQzThemeManager", "TQzCustomThemeManager", true);
  TClassRegistrar<TQzVLSDataSource>("TQzVLSDataSource", "TComponent", true)
      .Prop("OnChanged", &TQzVLSDataSource::OnChanged)
      .Prop("OnError", &TQzVLSDataSource::OnError);
  TClassRegistrar<TQzCustomHelpContextDataSource>("TQzCustomHelpContextDataSource", "TComponent", false);
  TClassRegistrar<TQzHelpContextDataSource>("TQzHelpContextDataSource", "TQzCustomHelpContextDataSource", true)
      .Prop("OnHelp", &TQzHelpContextDataSource::OnHelp);

  TClassRegistrar<TQzCustomComponent>("TQzCustomComponent", "TComponent", false)
      .Prop("ThemeManager", &TQzCustomComponent::SetThemeManager)
      .Prop("VLS", &TQzCustomComponent::SetVLS)
      .Prop("Help", &TQzCustomComponent::SetHelp);
  TClassRegistrar<TQzCustomGraphicControl>("TQzCustomGraphicControl", "TGraphicControl", false)
      .Prop("ThemeManager", &TQzCustomGraphicControl::SetThemeManager)
      .Prop("UseThemes", &TQzCustomGraphicControl::SetUseThemes);
  TClassRegistrar<TQzCustomWinControl>("TQzCustomWinControl", "TCustomControl", false)
      .Prop("ThemeManager", &TQzCustomWinControl::SetThemeManager)
      .Prop("VLS", &TQzCustomWinControl::SetVLS)
      .Prop("Help", &TQzCustomWinControl::SetHelp)
      .Prop("UseThemes", &TQzCustomWinControl::SetUseThemes)
      .Prop("UseThemeBackground", &TQzCustomWinControl::SetUseThemeBackground)
      .Prop("EdgeBorders", &TQzCustomWinControl::SetEdgeBorders);
}
