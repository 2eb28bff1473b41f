#include "platform/ExtCtrls.h"

#include "platform/Forms.h"
#include "platform/WindowBackend.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) { Restart(); }

TTimer::~TTimer() {
  Destroying();
  if (Application) Application->UnregisterTimer(this);
}

void TTimer::Loaded() {
  TComponent::Loaded();
  Restart();
}

void TTimer::SetInterval(uint32_t Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  Restart();
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Restart();
}

bool TTimer::Running() const { return FEnabled && FInterval > 0 && !IsDesigning() && !IsDestroying(); }

void TTimer::Restart() {
  if (!Application) return;
  if (Running()) {
    FNextDue = QzWindowBackend().Now() + FInterval;
    Application->RegisterTimer(this);
  } else {
    Application->UnregisterTimer(this);
  }
}

void TTimer::Fire(uint64_t Now) {
  FNextDue = Now + FInterval;
  // A copy: the handler may free this timer or assign another handler.
  const TNotifyEvent handler = OnTimer;
  if (handler) handler(this);
}

// ---- notebook ----

TPage::TPage(TComponent* AOwner) : TCustomControl(AOwner) {
  SetVisible(false);
  SetAlign(alClient);
  ControlStyle.Include(csAcceptsControls);
}

void TPage::SetParentComponent(TComponent* Value) {
  if (auto* n = dynamic_cast<TNotebook*>(Value)) SetParent(n);
}

int TPage::GetPageIndex() const {
  auto* n = dynamic_cast<TNotebook*>(GetParent());
  if (!n) return -1;
  for (int i = 0; i < n->PageCount(); ++i)
    if (n->GetPage(i) == this) return i;
  return -1;
}

TNotebook::TNotebook(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 150, 150);
  ControlStyle.Include(csAcceptsControls);
}

void TNotebook::Loaded() {
  TCustomControl::Loaded();
  if (FPageIndex < 0 && PageCount() > 0) FPageIndex = 0;
  ShowPages();
}

int TNotebook::PageCount() const {
  int n = 0;
  for (int i = 0; i < ControlCount(); ++i)
    if (dynamic_cast<TPage*>(GetControl(i))) ++n;
  return n;
}

TPage* TNotebook::GetPage(int Index) const {
  int n = 0;
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* p = dynamic_cast<TPage*>(GetControl(i))) {
      if (n == Index) return p;
      ++n;
    }
  throw EListError("Page index out of bounds (" + std::to_string(Index) + ")");
}

void TNotebook::SetPageIndex(int Index) {
  if (Index < -1 || Index >= PageCount() || Index == FPageIndex) return;
  FPageIndex = Index;
  if (IsLoading()) return;
  ShowPages();
  if (OnPageChanged) OnPageChanged(this);
}

void TNotebook::ShowPages() {
  for (int i = 0; i < PageCount(); ++i) GetPage(i)->SetVisible(i == FPageIndex);
}

TPage* TNotebook::AddPage(const std::string& Caption) {
  auto* p = new TPage(GetOwner() ? GetOwner() : this);
  p->SetCaption(Caption);
  p->SetParent(this);
  if (FPageIndex < 0) SetPageIndex(0);
  return p;
}

void TNotebook::WndProc(TMessage& Message) {
  TCustomControl::WndProc(Message);
  // A page that arrives or goes keeps the one-visible-page rule.
  if (Message.Msg == CM_CONTROLCHANGE && !IsLoading() && !IsDestroying()) {
    if (FPageIndex >= PageCount()) FPageIndex = PageCount() - 1;
    if (FPageIndex < 0 && PageCount() > 0) FPageIndex = 0;
    ShowPages();
  }
}
