// Menus: items with caption, action, shortcut and sub-items; the main menu and popup menus.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Components.h"
#include "platform/Controls.h"

class TBasicAction;
class TMenu;
struct TQzWindowEvent;
using TShortCut = uint16_t;

// Owner drawing: what state an item is drawn in, and the events that measure and draw it.
enum TOwnerDrawStateType {
  odSelected,
  odGrayed,
  odDisabled,
  odChecked,
  odFocused,
  odDefault,
  odHotLight,
  odInactive,
  odNoAccel,
  odNoFocusRect,
  odReserved1,
  odReserved2,
  odComboBoxEdit,
  odPainted
};
using TOwnerDrawState = TSet<TOwnerDrawStateType>;
// Sender is the menu item.
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState AState)>;
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int32_t& AWidth, int32_t& AHeight)>;

// Key in the low byte, scShift / scCtrl / scAlt above it.
enum : uint16_t { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };
TShortCut ShortCut(uint16_t Key, TShiftState Shift);
// "Ctrl+S", "Shift+F1", "" for 0.
std::string ShortCutToText(TShortCut ShortCut);

class TMenuItem : public TComponent {
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  std::string ClassName() const override { return "TMenuItem"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetParentComponent(TComponent* Value) override;

  const std::string& GetCaption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  const std::string& GetHint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool GetChecked() const { return FChecked; }
  void SetChecked(bool Value) { FChecked = Value; }
  TShortCut GetShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value) { FShortCut = Value; }
  int32_t GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(int32_t Value) { FImageIndex = Value; }
  TBasicAction* GetAction() const { return FAction; }
  void SetAction(TBasicAction* Value);
  void ActionChange(TBasicAction* Sender);
  bool IsLine() const { return FCaption == "-"; }

  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* GetItem(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  void Delete(int Index) { Remove(GetItem(Index)); }
  void Clear();
  int IndexOf(const TMenuItem* Item) const;
  TMenuItem* GetParent() const { return FParent; }

  // Runs the action or OnClick (enabled items only).
  virtual void Click();
  TNotifyEvent OnClick;
  // Measure and draw this item instead of the menu's events or the built-in look.
  TMenuDrawItemEvent OnDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

private:
  std::string FCaption, FHint;
  bool FEnabled = true, FVisible = true, FChecked = false;
  TShortCut FShortCut = 0;
  int32_t FImageIndex = -1;
  TBasicAction* FAction = nullptr;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
};

class TMenu : public TComponent {
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  std::string ClassName() const override { return "TMenu"; }
  void Notification(TComponent* AComponent, TOperation Operation) override;
  TMenuItem* GetItems() const { return FItems; }
  TComponent* GetImages() const { return FImages; }
  void SetImages(TComponent* Value);
  bool OwnerDraw = false;
  // Measure and draw every item whose own events are unset.
  TMenuDrawItemEvent OnDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

private:
  TMenuItem* FItems;
  TComponent* FImages = nullptr;
};

class TMainMenu : public TMenu {
public:
  using TMenu::TMenu;
  std::string ClassName() const override { return "TMainMenu"; }
};

class TPopupMenu : public TMenu {
public:
  using TMenu::TMenu;
  std::string ClassName() const override { return "TPopupMenu"; }
  // Shows the menu at a screen point: OnPopup, the items' actions updated, then the menu window
  // (or the presenter installed with QzSetPopupPresenter). It returns at once; the menu tracks
  // mouse and keyboard from the event pump, runs the chosen item's Click after it closed and
  // fires OnClose when it closes however it does.
  virtual void Popup(int32_t X, int32_t Y);
  // Closes the menu when it is showing (OnClose fires).
  void Close();
  TComponent* PopupComponent = nullptr;
  TPoint GetPopupPoint() const { return FPopupPoint; }
  TNotifyEvent OnPopup;
  TNotifyEvent OnClose;

private:
  TPoint FPopupPoint;
};

// Replaces the menu window by another presenter (nullptr: the menu window again).
using TQzPopupPresenter = std::function<void(TPopupMenu* Menu, TPoint ScreenPos)>;
void QzSetPopupPresenter(TQzPopupPresenter Presenter);

// ---- the menu window ----

// The menu being shown, or nullptr.
TMenu* QzActiveMenu();
// Forms pass their window events here first while a menu is showing: a click elsewhere closes
// the menu and is swallowed, keys steer it, the loss of the focus closes it. True: consumed.
bool QzMenuFilterFormEvent(const TQzWindowEvent& Event);
// The native window that shows Item's level of the open menu and Item's rectangle in it
// (client coordinates); False when Item is not showing.
bool QzMenuItemPlace(const TMenuItem* Item, uintptr_t& Window, TRect& R);
// The item under the keyboard / mouse highlight in the deepest open level, or nullptr.
TMenuItem* QzMenuHotItem();
