// Actions: named commands with a caption, hint and enabled state that controls and menu items
// follow. An action without an OnExecute handler is disabled (DisableIfNoHandler).
#pragma once

#include <string>
#include <vector>

#include "platform/Components.h"

class TActionList;

class TBasicAction : public TComponent {
public:
  using TComponent::TComponent;
  ~TBasicAction() override;
  std::string ClassName() const override { return "TBasicAction"; }
  // Runs OnExecute; False when there is none or the action is disabled.
  virtual bool Execute();
  // Runs OnUpdate, or applies DisableIfNoHandler; True when something ran.
  virtual bool Update();
  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

  // Controls and menu items that show the action.
  void RegisterClient(TComponent* Client);
  void UnregisterClient(TComponent* Client);

protected:
  // Tells the clients that something they show changed.
  void Change();

private:
  std::vector<TComponent*> FClients;
};

// Points a client's action link at Value: the old action forgets the client, the new one lists
// it and tells it when it is freed. False when the link already held Value.
bool QzLinkAction(TComponent* Client, TBasicAction*& Link, TBasicAction* Value);

class TCustomAction : public TBasicAction {
public:
  using TBasicAction::TBasicAction;
  ~TCustomAction() override;
  std::string ClassName() const override { return "TCustomAction"; }
  void SetParentComponent(TComponent* Value) override;
  bool Execute() override;
  bool Update() override;

  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value);
  int32_t GetHelpContext() const { return FHelpContext; }
  void SetHelpContext(int32_t Value) { FHelpContext = Value; }
  int32_t GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value);
  uint16_t GetShortCut() const { return FShortCut; }
  void SetShortCut(uint16_t Value);
  std::string Category;
  bool DisableIfNoHandler = true;

  TActionList* GetActionList() const { return FActionList; }
  void SetActionList(TActionList* Value);
  int GetIndex() const;

private:
  std::string FCaption, FHint;
  bool FEnabled = true, FVisible = true, FChecked = false;
  int32_t FHelpContext = 0, FImageIndex = -1;
  uint16_t FShortCut = 0;
  TActionList* FActionList = nullptr;
};

class TAction : public TCustomAction {
public:
  using TCustomAction::TCustomAction;
  std::string ClassName() const override { return "TAction"; }
};
using TContainedAction = TCustomAction;

// Holds actions (owned by the form, listed here). Images: an image list, not owned.
class TActionList : public TComponent {
public:
  using TComponent::TComponent;
  ~TActionList() override;
  std::string ClassName() const override { return "TActionList"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  int ActionCount() const { return static_cast<int>(FActions.size()); }
  TCustomAction* GetAction(int Index) const { return FActions.at(static_cast<size_t>(Index)); }
  TComponent* GetImages() const { return FImages; }
  void SetImages(TComponent* Value);
  // Updates every action (DisableIfNoHandler, OnUpdate).
  void UpdateActions();

private:
  friend class TCustomAction;
  std::vector<TCustomAction*> FActions;
  TComponent* FImages = nullptr;
};
