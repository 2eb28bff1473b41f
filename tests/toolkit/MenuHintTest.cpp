// The popup menu window, hints and window device contexts, all through the off-screen backend
// and synthetic input.
#include "FormFixture.h"
#include "platform/ActnList.h"
#include "platform/ExtCtrls.h"

namespace {

class TLogBox : public TCustomControl {
public:
  explicit TLogBox(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 60, 40); }
  int Downs = 0, Clicks = 0;
  void MouseDown(TMouseButton B, TShiftState S, int32_t X, int32_t Y) override {
    ++Downs, TCustomControl::MouseDown(B, S, X, Y);
  }
  void Click() override { ++Clicks; }
};

class MenuTest : public FormFixture {
protected:
  void SetUp() override {
    FormFixture::SetUp();
    Backend->SetScreenSize(800, 600);
    Form->SetBounds(100, 100, 300, 200);
    Box = new TLogBox(Form);
    Box->SetBounds(200, 100, 60, 40), Box->SetParent(Form);
    Form->Show(), Pump();
  }
  // Synthetic input, each followed by a pump.
  void Click(uintptr_t W, int X, int Y, TMouseButton B = mbLeft) { Backend->Click(W, X, Y, B), Pump(); }
  void Move(uintptr_t W, int X, int Y) { Backend->MouseMove(W, X, Y), Pump(); }
  void Key(uintptr_t W, uint16_t K) { Backend->Key(W, K), Pump(); }
  void Tick(uint64_t Ms) { Backend->AdvanceClock(Ms), Pump(); }
  void Popup(TPopupMenu* M, int X, int Y) { M->Popup(X, Y), Pump(); }
  void ClickItem(TMenuItem* Item) { OnItem(Item, [&](uintptr_t W, TPoint C) { Click(W, C.X, C.Y); }); }
  void MoveTo(TMenuItem* Item) { OnItem(Item, [&](uintptr_t W, TPoint C) { Move(W, C.X, C.Y); }); }
  // Do at the centre of an item, in its window.
  template <class F>
  void OnItem(TMenuItem* Item, F Do) {
    uintptr_t w = 0;
    TRect r;
    EXPECT_TRUE(QzMenuItemPlace(Item, w, r)) << Item->GetCaption();
    Do(w, TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  }
  // An item's rectangle, checked to show in Window.
  TRect Place(TMenuItem* Item, TQzOffscreenWindow* Window) const {
    uintptr_t w = 0;
    TRect r;
    EXPECT_TRUE(QzMenuItemPlace(Item, w, r)) << Item->GetCaption();
    EXPECT_EQ(w, Window->NativeHandle()) << Item->GetCaption();
    return r;
  }
  TMenuItem* Add(TMenuItem* Parent, const std::string& Caption, std::vector<std::string>* Log = nullptr) {
    auto* i = new TMenuItem(Form);
    i->SetCaption(Caption);
    if (Log) i->OnClick = [Log, Caption](TObject*) { Log->push_back(Caption); };
    Parent->Add(i);
    return i;
  }
  std::vector<TQzOffscreenWindow*> Popups() const {
    std::vector<TQzOffscreenWindow*> v;
    for (TQzOffscreenWindow* w : Backend->Windows())
      if (w->Params().Popup && w->Visible()) v.push_back(w);
    return v;
  }
  TLogBox* Box = nullptr;
};

}  // namespace

TEST_F(MenuTest, RightClickShowsAPaintedMenuThatRunsTheClickedItem) {
  std::vector<std::string> log;
  auto* menu = new TPopupMenu(Form);
  int popups = 0, closes = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  menu->OnClose = [&](TObject*) { ++closes; };
  TMenuItem* open = Add(menu->GetItems(), "Open", &log);
  open->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
  Add(menu->GetItems(), "-");
  TMenuItem* off = Add(menu->GetItems(), "Open", &log);
  off->SetEnabled(false);
  TMenuItem* more = Add(menu->GetItems(), "More");
  TMenuItem* alpha = Add(more, "Alpha", &log);
  Add(more, "Beta", &log)->SetChecked(true);
  Form->SetPopupMenu(menu);
  Click(Win(), 10, 20, mbRight);
  auto shown = Popups();
  ASSERT_EQ(std::tuple(QzActiveMenu(), popups, shown.size()), std::tuple(menu, 1, 1u));
  TQzOffscreenWindow* root = shown[0];
  // At the pointer, in screen coordinates.
  EXPECT_EQ(std::tuple(root->Params().Left, root->Params().Top, root->Grabbed()), std::tuple(110, 120, true));
  // Look: background, separator, captions, shortcut text, the disabled look, the arrow.
  const TRect rOpen = Place(open, root), rLine = Place(menu->GetItems()->GetItem(1), root), rOff = Place(off, root),
              rMore = Place(more, root);
  EXPECT_LT(rLine.Bottom - rLine.Top, rOpen.Bottom - rOpen.Top);
  const TBitmap* s = root->Screen();
  const auto face = [&] { return Pixel(root->Screen(), rOpen.Left + 2, rOpen.Top + 1); };
  EXPECT_EQ(face(), ColorToRGB(clMenu));
  bool line = false;
  for (int y = rLine.Top; y < rLine.Bottom; ++y) line = line || Pixel(s, rLine.Left + 10, y) == ColorToRGB(clBtnShadow);
  EXPECT_TRUE(line);
  const int half = (rOpen.Left + rOpen.Right) / 2;
  EXPECT_LT(Darkest(s, Rect(rOpen.Left + 20, rOpen.Top, half, rOpen.Bottom)), 80);   // caption
  EXPECT_LT(Darkest(s, Rect(half, rOpen.Top, rOpen.Right - 16, rOpen.Bottom)), 80);  // "Ctrl+O"
  EXPECT_GT(Darkest(s, Rect(rOff.Left + 20, rOff.Top, half, rOff.Bottom)), 80);      // greyed
  EXPECT_LT(Darkest(s, Rect(rMore.Right - 16, rMore.Top, rMore.Right, rMore.Bottom)), 80);  // arrow
  EXPECT_EQ(Darkest(s, Rect(rOpen.Right - 16, rOpen.Top, rOpen.Right, rOpen.Bottom)), 240);
  // Hover: highlight; over "More" its sub-menu opens at the side.
  MoveTo(open);
  EXPECT_EQ(std::tuple(QzMenuHotItem(), face()), std::tuple(open, ColorToRGB(clHighlight)));
  MoveTo(more);
  EXPECT_EQ(face(), ColorToRGB(clMenu));
  shown = Popups();
  ASSERT_EQ(shown.size(), 2u);
  TQzOffscreenWindow* sub = shown[0] == root ? shown[1] : shown[0];
  EXPECT_GE(sub->Params().Left, root->Params().Left + root->Params().Width - 4);
  EXPECT_EQ(std::tuple(sub->Params().Top, sub->Grabbed()), std::tuple(root->Params().Top + rMore.Top - 2, true));
  // Clicking a sub-item closes the whole menu, then runs the item.
  ClickItem(alpha);
  EXPECT_EQ(log, std::vector<std::string>{"Alpha"});
  EXPECT_EQ(std::tuple(QzActiveMenu(), Popups().size(), closes, Box->Clicks), std::tuple(nullptr, 0u, 1, 0));
}

TEST_F(MenuTest, KeysSteerTheMenuAndAClickElsewhereClosesIt) {
  std::vector<std::string> log;
  auto* menu = new TPopupMenu(Form);
  int closes = 0;
  menu->OnClose = [&](TObject*) { ++closes; };
  Add(menu->GetItems(), "First", &log);
  Add(menu->GetItems(), "-");
  Add(menu->GetItems(), "Off", &log)->SetEnabled(false);
  TMenuItem* more = Add(menu->GetItems(), "More");
  Add(more, "Alpha", &log), Add(more, "Beta", &log);
  Add(menu->GetItems(), "Hidden", &log)->SetVisible(false);  // left out: Up from the first item wraps past it
  // The hot item afterwards ("" none, "closed" menu gone) and the menus shown.
  struct TStep { uint16_t Key; std::string Hot; size_t Levels; };
  const TStep steps[] = {
      {VK_DOWN, "First", 1}, {VK_DOWN, "Off", 1},   {VK_DOWN, "More", 1},  {VK_RIGHT, "Alpha", 2},
      {VK_DOWN, "Beta", 2},  {VK_DOWN, "Alpha", 2}, {VK_LEFT, "More", 1},  {VK_UP, "Off", 1},
      {VK_RETURN, "Off", 1}, {VK_UP, "First", 1},   {VK_UP, "More", 1},    {VK_RETURN, "Alpha", 2},
      {VK_ESCAPE, "More", 1}, {VK_ESCAPE, "closed", 0},
  };
  Popup(menu, 300, 300);
  ASSERT_EQ(Popups().size(), 1u);
  const uintptr_t rootWin = Popups()[0]->NativeHandle();
  int n = 0;
  for (const TStep& st : steps) {
    // The keyboard stays with the form, which hands the keys over; a grabbed display sends
    // them to the menu window itself: both roads are taken.
    Key(n++ % 2 ? rootWin : Win(), st.Key);
    const std::string hot = !QzActiveMenu() ? "closed" : QzMenuHotItem() ? QzMenuHotItem()->GetCaption() : "";
    EXPECT_EQ(std::tuple(hot, Popups().size()), std::tuple(st.Hot, st.Levels)) << "step " << n;
  }
  EXPECT_EQ(std::tuple(log.size(), closes), std::tuple(0u, 1));
  // Enter runs the item; the form's focused control never saw the keys.
  Popup(menu, 300, 300);
  Backend->Key(Win(), VK_DOWN);
  Key(Win(), VK_RETURN);
  EXPECT_EQ(std::tuple(log, QzActiveMenu()), std::tuple(std::vector<std::string>{"First"}, nullptr));
  // A click elsewhere closes the menu and is swallowed.
  Popup(menu, 300, 300);
  ASSERT_EQ(QzActiveMenu(), menu);
  Click(Win(), 210, 110);
  EXPECT_EQ(std::tuple(QzActiveMenu(), Box->Downs, Box->Clicks), std::tuple(nullptr, 0, 0));
  Click(Win(), 210, 110);
  EXPECT_EQ(Box->Clicks, 1);
  // Outside every window of ours (a grabbed pointer reports it to the menu window).
  Popup(menu, 300, 300);
  Click(Popups()[0]->NativeHandle(), -50, 5);
  EXPECT_EQ(std::tuple(QzActiveMenu(), closes, log.size()), std::tuple(nullptr, 4, 1u));
}

TEST_F(MenuTest, ActionsScreenEdgesOwnerDrawAndItemsFreedWhileShowing) {
  auto* list = new TActionList(Form);
  auto* act = new TAction(Form);
  auto* dead = new TAction(Form);  // no handler: disabled
  act->SetActionList(list), dead->SetActionList(list);
  act->SetCaption("Save");
  int executed = 0;
  act->OnExecute = [&](TObject*) { ++executed; };
  auto* menu = new TPopupMenu(Form);
  TMenuItem* item = Add(menu->GetItems(), "");
  TMenuItem* deadItem = Add(menu->GetItems(), "");
  item->SetAction(act), deadItem->SetAction(dead);
  // Near the bottom-right corner the menu opens to the left and upwards, inside the screen.
  Popup(menu, 790, 590);
  ASSERT_EQ(Popups().size(), 1u);
  const TQzWindowParams p = Popups()[0]->Params();
  EXPECT_TRUE(p.Left + p.Width <= 790 && p.Top + p.Height <= 590);
  EXPECT_EQ(std::tuple(item->GetCaption(), deadItem->GetEnabled()), std::tuple("Save", false));
  ClickItem(deadItem);  // a disabled item does nothing and the menu stays
  EXPECT_EQ(QzActiveMenu(), menu);
  ClickItem(item);
  EXPECT_EQ(executed, 1);
  // Owner drawing: the menu's events measure and draw the items, with their state.
  std::vector<std::pair<std::string, TOwnerDrawState>> drawn;
  menu->OnMeasureItem = [](TObject*, TCanvas*, int32_t& W, int32_t& H) { W = 150, H = 30; };
  menu->OnDrawItem = [&](TObject* Sender, TCanvas* C, TRect R, TOwnerDrawState S) {
    drawn.emplace_back(static_cast<TMenuItem*>(Sender)->GetCaption(), S);
    C->GetBrush()->SetColor(clLime);
    C->FillRect(R);
  };
  Popup(menu, 100, 100);
  ASSERT_EQ(Popups().size(), 1u);
  const TRect r = Place(item, Popups()[0]);
  EXPECT_EQ(std::tuple(r.Bottom - r.Top, r.Right - r.Left >= 150, Pixel(Popups()[0]->Screen(), r.Left + 5, r.Top + 5)),
            std::tuple(30, true, clLime));
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(std::tuple(drawn[0].second.Contains(odSelected), drawn[1].second.Contains(odDisabled)),
            std::tuple(false, true));
  drawn.clear();
  Key(Win(), VK_DOWN);
  ASSERT_FALSE(drawn.empty());
  EXPECT_TRUE(drawn[0].second.Contains(odSelected));
  // Items freed while they show take the menu down with them; a handler may free the menu.
  TMenuItem* more = Add(menu->GetItems(), "More");
  TMenuItem* sub = Add(more, "Sub");
  menu->OnDrawItem = nullptr, menu->OnMeasureItem = nullptr;
  Popup(menu, 100, 100);
  MoveTo(more);
  ASSERT_EQ(Popups().size(), 2u);
  sub->Free();
  EXPECT_EQ(std::tuple(QzActiveMenu(), Popups().size()), std::tuple(nullptr, 0u));
  item->OnClick = [&](TObject*) { menu->Free(); };
  Popup(menu, 100, 100);
  ClickItem(item);
  EXPECT_EQ(std::tuple(QzActiveMenu(), Popups().size()), std::tuple(nullptr, 0u));
}

TEST_F(MenuTest, HintsShowAfterThePauseAndGoOnLeaveClickOrTimeout) {
  Box->SetHint("Gain|The gain of the band");
  auto* plain = new TLogBox(Form);
  plain->SetBounds(10, 10, 50, 30), plain->SetParent(Form), plain->SetHint("Never"), Pump();
  auto rest = [&](int X, int Y, uint64_t Ms) { Move(Win(), X, Y), Tick(Ms); };
  // Off by default (the form's ShowHint is off and the box takes it).
  rest(220, 110, 1000);
  EXPECT_FALSE(Application->HintShowing());
  rest(5, 5, 10);
  Form->SetShowHint(true);
  plain->SetShowHint(false);
  rest(220, 110, 499);
  EXPECT_FALSE(Application->HintShowing());
  Tick(1);
  ASSERT_TRUE(Application->HintShowing());
  EXPECT_EQ(Application->HintText(), "Gain");
  TQzOffscreenWindow* hw = Backend->Window(Application->HintWindowHandle());
  ASSERT_NE(hw, nullptr);
  // A popup below the pointer at screen (320, 210), framed; the hint never takes the focus.
  EXPECT_EQ(std::tuple(hw->Params().Popup, hw->Grabbed(), hw->Params().Left, hw->Params().Top,
                       Pixel(hw->Screen(), 2, 2), Pixel(hw->Screen(), 0, 0), Form->GetActive()),
            std::tuple(true, false, 320, 230, ColorToRGB(clInfoBk), TColor(clBlack), true));
  // Moving on the control keeps it; it goes after HintHidePause and stays away.
  rest(222, 112, Application->HintHidePause - 1);
  EXPECT_TRUE(Application->HintShowing());
  Tick(1);
  EXPECT_FALSE(Application->HintShowing());
  rest(223, 113, 2000);
  EXPECT_FALSE(Application->HintShowing());
  // Leaving and coming back shows it again; a click hides it.
  rest(150, 150, 10);
  rest(220, 110, 500);
  ASSERT_TRUE(Application->HintShowing());
  Click(Win(), 220, 110);
  EXPECT_FALSE(Application->HintShowing());
  // No hint for a control that turned it off, nor once the control is gone.
  rest(20, 20, 1000);
  EXPECT_FALSE(Application->HintShowing());
  rest(220, 110, 500);
  ASSERT_TRUE(Application->HintShowing());
  Box->Free();
  Box = nullptr;
  EXPECT_FALSE(Application->HintShowing());
  Tick(5000);
  EXPECT_FALSE(Application->HintShowing());
}

TEST_F(MenuTest, WindowDcDrawsAtTheControlClippedToIt) {
  // The control's origin, clipped to it, shown on release.
  HDC dc = GetWindowDC(Box->GetHandle());
  ASSERT_NE(dc, nullptr);
  TCanvas c;
  c.SetHandle(dc);
  c.GetBrush()->SetColor(clFuchsia);
  c.FillRect(Rect(-10, -10, 5, 5)), c.SetHandle(nullptr);
  EXPECT_EQ(ReleaseDC(Box->GetHandle(), dc), 1);
  const TBitmap* s = Backend->Screen(Win());
  // Clipped to the control.
  EXPECT_EQ((std::vector<bool>{Pixel(s, 200, 100) == clFuchsia, Pixel(s, 204, 104) == clFuchsia,
                               Pixel(s, 205, 105) == clFuchsia, Pixel(s, 199, 100) == clFuchsia}),
            (std::vector<bool>{true, true, false, false}));
  EXPECT_EQ(GetDC(0), nullptr);
}
