#include "platform/Menus.h"

#include <algorithm>

#include "platform/ActnList.h"

TShortCut ShortCut(uint16_t Key, TShiftState Shift) {
  TShortCut s = static_cast<TShortCut>(Key & 0xFF);
  if (Shift.Contains(ssShift)) s |= scShift;
  if (Shift.Contains(ssCtrl)) s |= scCtrl;
  if (Shift.Contains(ssAlt)) s |= scAlt;
  return s;
}

std::string ShortCutToText(TShortCut S) {
  const uint16_t key = S & 0xFF;
  if (key == 0) return "";
  std::string name;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    name = std::string(1, static_cast<char>(key));
  } else if (key >= VK_F1 && key < VK_F1 + 24) {
    name = "F" + std::to_string(key - VK_F1 + 1);
  } else {
    switch (key) {
      case VK_BACK: name = "BkSp"; break;
      case VK_TAB: name = "Tab"; break;
      case VK_RETURN: name = "Enter"; break;
      case VK_ESCAPE: name = "Esc"; break;
      case VK_SPACE: name = "Space"; break;
      case VK_PRIOR: name = "PgUp"; break;
      case VK_NEXT: name = "PgDn"; break;
      case VK_END: name = "End"; break;
      case VK_HOME: name = "Home"; break;
      case VK_LEFT: name = "Left"; break;
      case VK_UP: name = "Up"; break;
      case VK_RIGHT: name = "Right"; break;
      case VK_DOWN: name = "Down"; break;
      case VK_INSERT: name = "Ins"; break;
      case VK_DELETE: name = "Del"; break;
      default: return "";
    }
  }
  std::string r;
  if (S & scShift) r += "Shift+";
  if (S & scCtrl) r += "Ctrl+";
  if (S & scAlt) r += "Alt+";
  return r + name;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  Destroying();
  if (FParent) FParent->Remove(this);
  // Sub-items belong to their owner; only the links go.
  for (TMenuItem* i : FItems) i->FParent = nullptr;
  FItems.clear();
  if (FAction) FAction->UnregisterClient(this);
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FAction) FAction = nullptr;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (auto* m = dynamic_cast<TMenu*>(Value))
    m->GetItems()->Add(this);
  else if (auto* i = dynamic_cast<TMenuItem*>(Value))
    i->Add(this);
}

void TMenuItem::SetAction(TBasicAction* Value) {
  if (Value == FAction) return;
  if (FAction) {
    FAction->UnregisterClient(this);
    FAction->RemoveFreeNotification(this);
  }
  FAction = Value;
  if (Value) {
    Value->RegisterClient(this);
    Value->FreeNotification(this);
    ActionChange(Value);
  }
}

void TMenuItem::ActionChange(TBasicAction* Sender) {
  auto* a = dynamic_cast<TCustomAction*>(Sender);
  if (!a) return;
  FCaption = a->GetCaption();
  FHint = a->GetHint();
  FEnabled = a->GetEnabled();
  FVisible = a->GetVisible();
  FChecked = a->GetChecked();
  FShortCut = a->GetShortCut();
  FImageIndex = a->GetImageIndex();
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item || Item == this) return;
  if (Item->FParent) Item->FParent->Remove(Item);
  Index = std::clamp(Index, 0, Count());
  FItems.insert(FItems.begin() + Index, Item);
  Item->FParent = this;
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  Item->FParent = nullptr;
}

void TMenuItem::Clear() {
  for (TMenuItem* i : std::vector<TMenuItem*>(FItems)) i->Free();
  FItems.clear();
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (OnClick)
    OnClick(this);
  else if (FAction)
    FAction->Execute();
}

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(new TMenuItem(nullptr)) {}

TMenu::~TMenu() {
  Destroying();
  delete FItems;
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) FImages = nullptr;
}

void TMenu::SetImages(TComponent* Value) {
  if (Value == FImages) return;
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = Value;
  if (Value) Value->FreeNotification(this);
}

namespace {
TQzPopupPresenter& Presenter() {
  static TQzPopupPresenter p;
  return p;
}

void UpdateItemActions(TMenuItem* Item) {
  for (int i = 0; i < Item->Count(); ++i) {
    TMenuItem* m = Item->GetItem(i);
    if (m->GetAction()) {
      m->GetAction()->Update();
      m->ActionChange(m->GetAction());
    }
    UpdateItemActions(m);
  }
}
}  // namespace

void QzSetPopupPresenter(TQzPopupPresenter P) { Presenter() = std::move(P); }

void TPopupMenu::Popup(int32_t X, int32_t Y) {
  FPopupPoint = {X, Y};
  if (OnPopup) OnPopup(this);
  UpdateItemActions(GetItems());
  if (Presenter()) Presenter()(this, FPopupPoint);
}
