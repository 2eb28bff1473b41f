#include "platform/ActnList.h"

#include <algorithm>

#include "platform/Controls.h"
#include "platform/Menus.h"

TBasicAction::~TBasicAction() {
  Destroying();
  const std::vector<TComponent*> clients = FClients;
  FClients.clear();
  for (TComponent* c : clients) {
    if (auto* ctl = dynamic_cast<TControl*>(c); ctl && ctl->GetAction() == this) ctl->SetAction(nullptr);
    if (auto* mi = dynamic_cast<TMenuItem*>(c); mi && mi->GetAction() == this) mi->SetAction(nullptr);
  }
}

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::RegisterClient(TComponent* Client) {
  if (std::find(FClients.begin(), FClients.end(), Client) == FClients.end()) FClients.push_back(Client);
}

void TBasicAction::UnregisterClient(TComponent* Client) {
  FClients.erase(std::remove(FClients.begin(), FClients.end(), Client), FClients.end());
}

void TBasicAction::Change() {
  for (TComponent* c : std::vector<TComponent*>(FClients)) {
    if (auto* ctl = dynamic_cast<TControl*>(c)) ctl->ActionChange(this);
    if (auto* mi = dynamic_cast<TMenuItem*>(c)) mi->ActionChange(this);
  }
}

bool QzLinkAction(TComponent* Client, TBasicAction*& Link, TBasicAction* Value) {
  if (Value == Link) return false;
  if (Link) {
    Link->UnregisterClient(Client);
    Link->RemoveFreeNotification(Client);
  }
  Link = Value;
  if (Value) {
    Value->RegisterClient(Client);
    Value->FreeNotification(Client);
  }
  return true;
}

TCustomAction::~TCustomAction() {
  Destroying();
  SetActionList(nullptr);
}

void TCustomAction::SetParentComponent(TComponent* Value) {
  if (auto* l = dynamic_cast<TActionList*>(Value)) SetActionList(l);
}

bool TCustomAction::Execute() {
  Update();
  if (!FEnabled) return false;
  return TBasicAction::Execute();
}

bool TCustomAction::Update() {
  if (TBasicAction::Update()) return true;
  if (DisableIfNoHandler) SetEnabled(static_cast<bool>(OnExecute));
  return false;
}

#define QZ_ACTION_SETTER(Name, Type, Field) \
  void TCustomAction::Set##Name(Type Value) { \
    if (Value == Field) return;               \
    Field = Value;                            \
    Change();                                 \
  }
QZ_ACTION_SETTER(Caption, const std::string&, FCaption)
QZ_ACTION_SETTER(Hint, const std::string&, FHint)
QZ_ACTION_SETTER(Enabled, bool, FEnabled)
QZ_ACTION_SETTER(Visible, bool, FVisible)
QZ_ACTION_SETTER(Checked, bool, FChecked)
QZ_ACTION_SETTER(ImageIndex, int32_t, FImageIndex)
QZ_ACTION_SETTER(ShortCut, uint16_t, FShortCut)
#undef QZ_ACTION_SETTER

void TCustomAction::SetActionList(TActionList* Value) {
  if (Value == FActionList) return;
  if (FActionList) {
    auto& v = FActionList->FActions;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
    FActionList->RemoveFreeNotification(this);
  }
  FActionList = Value;
  if (Value) {
    Value->FActions.push_back(this);
    Value->FreeNotification(this);
  }
}

int TCustomAction::GetIndex() const {
  if (!FActionList) return -1;
  auto& v = FActionList->FActions;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

TActionList::~TActionList() {
  Destroying();
  for (TCustomAction* a : std::vector<TCustomAction*>(FActions)) a->SetActionList(nullptr);
}

void TActionList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) FImages = nullptr;
  FActions.erase(std::remove(FActions.begin(), FActions.end(), AComponent), FActions.end());
}

void TActionList::SetImages(TComponent* Value) {
  if (Value == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
}

void TActionList::UpdateActions() {
  for (TCustomAction* a : std::vector<TCustomAction*>(FActions)) a->Update();
}
