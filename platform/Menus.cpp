#include "platform/Menus.h"

#include <algorithm>
#include <unordered_set>

#include "platform/ActnList.h"
#include "platform/ImgList.h"
#include "platform/WindowBackend.h"

namespace {
// Items alive, so that a chosen item freed by a handler while the menu closes is not clicked.
std::unordered_set<const TMenuItem*>& LiveItems() {
  static std::unordered_set<const TMenuItem*> s;
  return s;
}
void MenuGone(const TMenu* Menu, const TMenuItem* Item);
}  // namespace

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

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) { LiveItems().insert(this); }

TMenuItem::~TMenuItem() {
  Destroying();
  LiveItems().erase(this);
  MenuGone(nullptr, this);
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
  if (QzLinkAction(this, FAction, Value) && Value) ActionChange(Value);
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
  MenuGone(this, nullptr);
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

bool HasVisibleItems(const TMenuItem* Item) {
  for (int i = 0; i < Item->Count(); ++i)
    if (Item->GetItem(i)->GetVisible()) return true;
  return false;
}

// Metrics of the built-in look.
constexpr int32_t kBorder = 2;       // frame around the items
constexpr int32_t kGutter = 24;      // check mark or image column
constexpr int32_t kArrowSpace = 20;  // sub-menu arrow column
constexpr int32_t kShortCutGap = 24; // between the widest caption and the shortcut texts
constexpr int32_t kLineHeight = 9;

// One open level of a menu: the visible items of Parent in a popup window.
class TMenuLevel : public TQzPopupWindow {
public:
  TMenuLevel(TMenu* AMenu, TMenuItem* AParent) : Menu(AMenu), Parent(AParent) {
    for (int i = 0; i < Parent->Count(); ++i)
      if (Parent->GetItem(i)->GetVisible()) Items.push_back(Parent->GetItem(i));
  }
  void HandleWindowEvent(const TQzWindowEvent& Event) override;

  // Measures the items and paints them; then the window shows at Pos or, where the screen ends,
  // at Alt (the other side of the parent item, or above the point).
  void Open(TPoint Pos, TPoint AltX, TPoint AltY);
  void Paint();
  int ItemAt(TPoint Screen) const;
  bool Selectable(int Index) const { return Index >= 0 && Index < static_cast<int>(Items.size()) && !Items[Index]->IsLine(); }

  TMenu* Menu;
  TMenuItem* Parent;
  std::vector<TMenuItem*> Items;
  std::vector<TRect> Rects;  // client coordinates
  int Hot = -1;
  int32_t Width = 0, Height = 0, ShortCutX = 0;
};

// The menu being shown: its levels, root first.
struct TTracker {
  TPopupMenu* Menu = nullptr;
  std::vector<std::unique_ptr<TMenuLevel>> Levels;
};
TTracker* gTracker = nullptr;

const TMenuDrawItemEvent& DrawEvent(TMenu* M, TMenuItem* I) { return I->OnDrawItem ? I->OnDrawItem : M->OnDrawItem; }
const TMenuMeasureItemEvent& MeasureEvent(TMenu* M, TMenuItem* I) {
  return I->OnMeasureItem ? I->OnMeasureItem : M->OnMeasureItem;
}

void TMenuLevel::Open(TPoint Pos, TPoint AltX, TPoint AltY) {
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TCanvas* c = scratch.GetCanvas();
  auto* images = dynamic_cast<TCustomImageList*>(Menu->GetImages());
  const int32_t textH = c->TextHeight("Wg");
  int32_t captionW = 0, shortW = 0;
  bool anySub = false;
  std::vector<int32_t> heights, ownerW;
  for (TMenuItem* i : Items) {
    int32_t w = 0, h = 0;
    if (i->IsLine()) {
      h = kLineHeight;
    } else {
      w = c->TextWidth(i->GetCaption());
      h = std::max(textH + 8, 22);
      if (images && i->GetImageIndex() >= 0) h = std::max(h, images->GetHeight() + 4);
      shortW = std::max(shortW, c->TextWidth(ShortCutToText(i->GetShortCut())));
      anySub = anySub || HasVisibleItems(i);
    }
    if (const auto& m = MeasureEvent(Menu, i)) {
      int32_t ow = w + kGutter + 8, oh = h;
      m(i, c, ow, oh);
      ownerW.push_back(std::max(ow, 0));
      h = std::max(oh, 0);
    } else {
      ownerW.push_back(-1);
      captionW = std::max(captionW, w);
    }
    heights.push_back(h);
  }
  int32_t gutter = kGutter;
  if (images) gutter = std::max(gutter, images->GetWidth() + 8);
  ShortCutX = gutter + captionW + (shortW > 0 ? kShortCutGap : 0);
  Width = ShortCutX + shortW + kArrowSpace;
  if (!anySub && shortW == 0) Width = gutter + captionW + 16;
  for (int32_t w : ownerW) Width = std::max(Width, w);
  Width += 2 * kBorder;
  Rects.clear();
  int32_t y = kBorder;
  for (int32_t h : heights) {
    Rects.push_back(Rect(kBorder, y, Width - kBorder, y + h));
    y += h;
  }
  Height = y + kBorder;
  Paint();
  const int32_t sw = QzWindowBackend().ScreenWidth(), sh = QzWindowBackend().ScreenHeight();
  int32_t x = Pos.X, top = Pos.Y;
  if (x + Width > sw) x = std::max(AltX.X - Width, 0);
  if (top + Height > sh) top = std::max(AltY.Y - Height, 0);
  ShowAt(x, top);
}

void TMenuLevel::Paint() {
  TCanvas* c = BeginPaint(Width, Height, clMenu);
  // The frame: light outer top-left, dark bottom-right, as a raised panel.
  c->GetPen()->SetStyle(psSolid);
  c->GetPen()->SetWidth(1);
  c->GetPen()->SetColor(cl3DLight);
  c->MoveTo(0, Height - 1);
  c->LineTo(0, 0);
  c->LineTo(Width - 1, 0);
  c->GetPen()->SetColor(cl3DDkShadow);
  c->LineTo(Width - 1, Height - 1);
  c->LineTo(-1, Height - 1);
  c->GetPen()->SetColor(clBtnShadow);
  c->MoveTo(Width - 2, 1);
  c->LineTo(Width - 2, Height - 2);
  c->LineTo(0, Height - 2);
  auto* images = dynamic_cast<TCustomImageList*>(Menu->GetImages());
  for (size_t n = 0; n < Items.size(); ++n) {
    TMenuItem* i = Items[n];
    const TRect r = Rects[n];
    const bool hot = static_cast<int>(n) == Hot && !i->IsLine();
    const bool enabled = i->GetEnabled();
    if (const auto& d = DrawEvent(Menu, i)) {
      TOwnerDrawState st;
      if (hot) st.Include(odSelected);
      if (!enabled) {
        st.Include(odGrayed);
        st.Include(odDisabled);
      }
      if (i->GetChecked()) st.Include(odChecked);
      c->GetBrush()->SetStyle(bsSolid);
      c->GetBrush()->SetColor(clMenu);
      c->GetFont()->SetColor(clMenuText);
      d(i, c, r, st);
      continue;
    }
    if (i->IsLine()) {
      const int32_t my = (r.Top + r.Bottom) / 2;
      c->GetPen()->SetColor(clBtnShadow);
      c->Line(r.Left + 1, my - 1, r.Right - 1, my - 1);
      c->GetPen()->SetColor(clBtnHighlight);
      c->Line(r.Left + 1, my, r.Right - 1, my);
      continue;
    }
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(hot ? clHighlight : clMenu);
    c->FillRect(r);
    const TColor text = !enabled ? clGrayText : (hot ? clHighlightText : clMenuText);
    const int32_t th = c->TextHeight("Wg");
    const int32_t ty = r.Top + (r.Bottom - r.Top - th) / 2;
    const int32_t gutter = images ? std::max(kGutter, images->GetWidth() + 8) : kGutter;
    if (images && i->GetImageIndex() >= 0 && i->GetImageIndex() < images->GetCount()) {
      images->Draw(c, r.Left + (gutter - images->GetWidth()) / 2,
                   r.Top + (r.Bottom - r.Top - images->GetHeight()) / 2, i->GetImageIndex(), enabled);
    } else if (i->GetChecked()) {
      // A tick: two strokes, two pixels thick.
      c->GetPen()->SetColor(text);
      const int32_t cx = r.Left + gutter / 2 - 4, cy = (r.Top + r.Bottom) / 2;
      for (int k = 0; k < 2; ++k) {
        c->Line(cx, cy - 1 + k, cx + 3, cy + 2 + k);
        c->Line(cx + 3, cy + 2 + k, cx + 9, cy - 4 + k);
      }
    }
    c->GetBrush()->SetStyle(bsClear);
    auto out = [&](int32_t x, const std::string& s) {
      if (!enabled && !hot) {
        // The engraved look of a disabled item: a light copy one pixel down and right.
        c->GetFont()->SetColor(clBtnHighlight);
        c->TextOut(x + 1, ty + 1, s);
      }
      c->GetFont()->SetColor(text);
      c->TextOut(x, ty, s);
    };
    out(r.Left + gutter, i->GetCaption());
    const std::string sc = ShortCutToText(i->GetShortCut());
    if (!sc.empty()) out(r.Left + ShortCutX - kBorder, sc);
    if (HasVisibleItems(i)) {
      // The sub-menu arrow, pointing right.
      const int32_t ax = r.Right - kArrowSpace / 2 - 2, ay = (r.Top + r.Bottom) / 2;
      c->GetPen()->SetColor(text);
      c->GetBrush()->SetStyle(bsSolid);
      c->GetBrush()->SetColor(text);
      c->Polygon({{ax, ay - 4}, {ax + 4, ay}, {ax, ay + 4}});
    }
  }
  c->GetBrush()->SetStyle(bsSolid);
  Present();
}

int TMenuLevel::ItemAt(TPoint Screen) const {
  const TRect s = ScreenRect();
  const TPoint p{Screen.X - s.Left, Screen.Y - s.Top};
  for (size_t n = 0; n < Rects.size(); ++n)
    if (QzPtInRect(Rects[n], p)) return static_cast<int>(n);
  return -1;
}

// ---- tracking ----

void EndTracking(TMenuItem* Chosen) {
  if (!gTracker) return;
  TTracker* t = gTracker;
  gTracker = nullptr;
  TPopupMenu* menu = t->Menu;
  for (auto it = t->Levels.rbegin(); it != t->Levels.rend(); ++it) (*it)->Close();
  delete t;
  if (menu && menu->OnClose) menu->OnClose(menu);
  if (Chosen && LiveItems().count(Chosen)) Chosen->Click();
}

void Regrab() {
  if (gTracker && !gTracker->Levels.empty())
    if (TQzNativeWindow* w = gTracker->Levels.back()->GetNativeWindow()) w->GrabInput(true);
}

// Closes the levels from Level on (the root: the whole menu).
void CloseFrom(size_t Level) {
  if (!gTracker) return;
  if (Level == 0) return EndTracking(nullptr);
  while (gTracker->Levels.size() > Level) {
    gTracker->Levels.back()->Close();
    gTracker->Levels.pop_back();
  }
  Regrab();
}

void SetHot(size_t Level, int Index) {
  TMenuLevel* l = gTracker->Levels[Level].get();
  if (l->Hot == Index) return;
  l->Hot = Index;
  l->Paint();
}

// Opens the sub-menu of item Index of Level; True when it opened.
bool OpenSub(size_t Level, int Index, bool SelectFirst) {
  CloseFrom(Level + 1);
  if (!gTracker) return false;
  TMenuLevel* l = gTracker->Levels[Level].get();
  if (!l->Selectable(Index)) return false;
  TMenuItem* item = l->Items[static_cast<size_t>(Index)];
  if (!item->GetEnabled() || !HasVisibleItems(item)) return false;
  auto sub = std::make_unique<TMenuLevel>(gTracker->Menu, item);
  const TRect s = l->ScreenRect();
  const TRect r = l->Rects[static_cast<size_t>(Index)];
  TMenuLevel* raw = sub.get();
  gTracker->Levels.push_back(std::move(sub));
  if (SelectFirst)
    for (size_t n = 0; n < raw->Items.size(); ++n)
      if (raw->Selectable(static_cast<int>(n))) {
        raw->Hot = static_cast<int>(n);
        break;
      }
  raw->Open({s.Right - 3, s.Top + r.Top - kBorder}, {s.Left + 3, 0}, {0, s.Top + r.Bottom + kBorder});
  Regrab();
  return true;
}

void Choose(size_t Level, int Index) {
  TMenuLevel* l = gTracker->Levels[Level].get();
  if (!l->Selectable(Index)) return;
  TMenuItem* item = l->Items[static_cast<size_t>(Index)];
  if (!item->GetEnabled()) return;
  if (HasVisibleItems(item)) {
    OpenSub(Level, Index, true);
    return;
  }
  EndTracking(item);
}

// The deepest level under a screen point, or -1.
int LevelAt(TPoint Screen) {
  for (size_t n = gTracker->Levels.size(); n-- > 0;)
    if (QzPtInRect(gTracker->Levels[n]->ScreenRect(), Screen)) return static_cast<int>(n);
  return -1;
}

void TrackKey(uint16_t Key) {
  const size_t level = gTracker->Levels.size() - 1;
  TMenuLevel* l = gTracker->Levels[level].get();
  const int n = static_cast<int>(l->Items.size());
  switch (Key) {
    case VK_UP:
    case VK_DOWN: {
      const int step = Key == VK_DOWN ? 1 : -1;
      int i = l->Hot;
      for (int k = 0; k < n; ++k) {
        i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
        if (l->Selectable(i)) {
          SetHot(level, i);
          break;
        }
      }
      break;
    }
    case VK_RIGHT: OpenSub(level, l->Hot, true); break;
    case VK_LEFT:
      if (level > 0) CloseFrom(level);
      break;
    case VK_RETURN:
    case VK_SPACE: Choose(level, l->Hot); break;
    case VK_ESCAPE: CloseFrom(level); break;
    default: break;
  }
}

// Mouse input in screen coordinates, from whichever window it reached.
void TrackMouse(TQzEventKind Kind, TPoint Screen) {
  const int level = LevelAt(Screen);
  if (level < 0) {
    if (Kind == qeMouseDown) EndTracking(nullptr);
    return;
  }
  const size_t lv = static_cast<size_t>(level);
  const int index = gTracker->Levels[lv]->ItemAt(Screen);
  switch (Kind) {
    case qeMouseMove:
      if (index < 0) break;
      if (gTracker->Levels[lv]->Hot != index) {
        SetHot(lv, gTracker->Levels[lv]->Selectable(index) ? index : -1);
        if (!OpenSub(lv, index, false)) CloseFrom(lv + 1);
      }
      break;
    case qeMouseDown:
      if (index >= 0 && HasVisibleItems(gTracker->Levels[lv]->Items[static_cast<size_t>(index)])) OpenSub(lv, index, false);
      break;
    case qeMouseUp:
      if (index >= 0) {
        TMenuItem* item = gTracker->Levels[lv]->Items[static_cast<size_t>(index)];
        if (!HasVisibleItems(item)) Choose(lv, index);
      }
      break;
    default: break;
  }
}

void TMenuLevel::HandleWindowEvent(const TQzWindowEvent& E) {
  if (!gTracker) return;
  const TRect s = ScreenRect();
  switch (E.Kind) {
    case qeMouseDown:
    case qeMouseUp:
    case qeMouseMove: TrackMouse(E.Kind, {s.Left + E.X, s.Top + E.Y}); break;
    case qeKeyDown: TrackKey(E.Key); break;
    default: TQzPopupWindow::HandleWindowEvent(E); break;
  }
}

void MenuGone(const TMenu* Menu, const TMenuItem* Item) {
  if (!gTracker) return;
  if (Menu && gTracker->Menu == Menu) return EndTracking(nullptr);
  if (!Item) return;
  for (size_t n = 0; n < gTracker->Levels.size(); ++n) {
    const TMenuLevel* l = gTracker->Levels[n].get();
    if (l->Parent == Item || std::find(l->Items.begin(), l->Items.end(), Item) != l->Items.end()) {
      // What is left of the menu goes with it.
      return EndTracking(nullptr);
    }
  }
}

}  // namespace

void QzSetPopupPresenter(TQzPopupPresenter P) { Presenter() = std::move(P); }

void TPopupMenu::Popup(int32_t X, int32_t Y) {
  EndTracking(nullptr);
  FPopupPoint = {X, Y};
  if (OnPopup) OnPopup(this);
  UpdateItemActions(GetItems());
  if (Presenter()) {
    Presenter()(this, FPopupPoint);
    return;
  }
  if (!HasVisibleItems(GetItems())) return;
  gTracker = new TTracker;
  gTracker->Menu = this;
  gTracker->Levels.push_back(std::make_unique<TMenuLevel>(this, GetItems()));
  gTracker->Levels[0]->Open({X, Y}, {X, 0}, {0, Y});
  Regrab();
}

void TPopupMenu::Close() {
  if (gTracker && gTracker->Menu == this) EndTracking(nullptr);
}

TMenu* QzActiveMenu() { return gTracker ? gTracker->Menu : nullptr; }

bool QzMenuFilterFormEvent(const TQzWindowEvent& E) {
  if (!gTracker) return false;
  switch (E.Kind) {
    case qeMouseDown:
      EndTracking(nullptr);
      return true;
    case qeMouseUp:
    case qeMouseMove:
    case qeMouseWheel:
    case qeMouseLeave:
    case qeKeyUp:
    case qeChar: return true;
    case qeKeyDown: TrackKey(E.Key); return true;
    case qeFocusOut: EndTracking(nullptr); return false;
    default: return false;
  }
}

bool QzMenuItemPlace(const TMenuItem* Item, uintptr_t& Window, TRect& R) {
  if (!gTracker) return false;
  for (const auto& l : gTracker->Levels) {
    auto it = std::find(l->Items.begin(), l->Items.end(), Item);
    if (it == l->Items.end()) continue;
    Window = l->NativeHandle();
    R = l->Rects[static_cast<size_t>(it - l->Items.begin())];
    return true;
  }
  return false;
}

TMenuItem* QzMenuHotItem() {
  if (!gTracker || gTracker->Levels.empty()) return nullptr;
  const TMenuLevel* l = gTracker->Levels.back().get();
  return l->Selectable(l->Hot) ? l->Items[static_cast<size_t>(l->Hot)] : nullptr;
}
