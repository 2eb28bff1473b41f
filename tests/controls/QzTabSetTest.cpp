#include "tests/ui/UiTestForm.h"

namespace {

using TabSet = UiFormTest;

// Which tab a pixel belongs to, worked out from the layout rules rather than asked of the
// control: tabs of TabSize from Indent on, buttons inset by 2, raised tabs other than the
// active one 5 lower.
int ExpectedTab(int X, int Y, int Count, int Indent, int Size, int Height, TQzTabSetStyle Style, int Active) {
  for (int i = 0; i < Count; ++i) {
    int l = Indent + i * Size, r = l + Size, t = 0, b = Height;
    if (Style == tssButtons) l += 2, r -= 2, t += 2, b -= 2;
    else if (i != Active) t += 5;
    if (X >= l && X < r && Y >= t && Y < b) return i;
  }
  return -1;
}

TEST_F(TabSet, EveryPixelSelectsOnlyTheTabUnderIt) {
  for (TQzTabSetStyle style : {tssButtons, tssTabs}) {
    SCOPED_TRACE(style == tssButtons ? "buttons" : "tabs");
    auto* t = Put<TQzTabSet>(0, 0, 200, 40);
    t->SetStyle(style), t->SetTabSize(40), t->SetIndent(7);
    for (const char* s : {"Low", "Mid", "High"}) t->GetTabs()->Add(s);
    Show();
    int fired = 0;
    t->OnActiveTabChanged = [&](TObject*) { ++fired; };
    const int H = t->GetClientHeight();
    int expectedFired = 0;
    for (int y = -1; y <= H; ++y)
      for (int x = -1; x <= t->GetClientWidth(); ++x) {
        const int before = t->GetActiveTab();
        const int hit = ExpectedTab(x, y, 3, 7, 40, H, style, before);
        ASSERT_EQ(t->TabAtPos(x, y), hit) << x << "," << y;
        t->MouseDown(mbLeft, {ssLeft}, x, y);
        t->MouseUp(mbLeft, {}, x, y);
        ASSERT_EQ(t->GetActiveTab(), hit >= 0 ? hit : before) << x << "," << y;
        if (hit >= 0) ++expectedFired;
      }
    EXPECT_EQ(fired, expectedFired) << "every click on a tab reports, no other click does";
    // The right button selects nothing.
    t->SetActiveTab(0);
    t->MouseDown(mbRight, {ssRight}, 7 + 2 * 40 + 20, H / 2);
    EXPECT_EQ(t->GetActiveTab(), 0);
    t->Free();
  }
}

// Keys, and the scroll buttons where asked for and needed, move the strip within its tabs.
TEST_F(TabSet, KeysAndScrollButtonsScrollWithinTheTabs) {
  struct TRow { int Tabs, Size, Indent, Width; bool Scrolling, Shown; };
  const TRow rows[] = {{3, 40, 5, 300, false, false},    {10, 75, 5, 300, false, false}, {10, 75, 0, 301, false, false},
                       {1, 1000, 12, 200, false, false}, {0, 75, 5, 200, false, false},  {3, 75, 5, 300, true, false},
                       {10, 75, 5, 300, true, true}};
  Form->Show();
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::to_string(row.Tabs) + " tabs of " + std::to_string(row.Size) +
                 (row.Scrolling ? ", scrolling" : ""));
    auto* t = Put<TQzTabSet>(0, 0, row.Width, 40);
    t->SetTabSize(row.Size), t->SetIndent(row.Indent), t->SetStyle(tssTabs);
    for (int i = 0; i < row.Tabs; ++i) t->GetTabs()->Add("Tab " + std::to_string(i));
    if (row.Scrolling) t->SetOptions({tsoShowText, tsoEnableScrolling});
    Pump();
    TQzButton* back = t->GetScrollButton(0);
    TQzButton* ahead = t->GetScrollButton(1);
    EXPECT_EQ(std::tuple(back->GetVisible(), ahead->GetVisible()), std::tuple(row.Shown, row.Shown));
    const int area = row.Shown ? row.Width - 48 : row.Width;
    const int end = std::max(0, row.Indent + row.Tabs * row.Size - area);
    EXPECT_EQ(std::tuple(t->GetTabAreaWidth(), t->GetMaxScrollOffset()), std::tuple(area, end));
    auto press = [t](uint16_t Key, int Times) {
      for (int i = 0; i < Times; ++i) t->KeyDown(Key, {});
      return Key;
    };
    EXPECT_EQ(press(VK_LEFT, 1), VK_LEFT) << "the key is passed on";
    EXPECT_EQ(t->GetScrollOffset(), 0) << "Left at the start";
    press(VK_RIGHT, 100);
    EXPECT_EQ(t->GetScrollOffset(), end) << "Right stops at the last tab";
    if (row.Tabs > 0 && end > 0) {
      EXPECT_EQ(t->GetTabPartRect(row.Tabs - 1, 0).Right, area) << "the last tab in full view";
    }
    EXPECT_FALSE(t->ScrollRight());
    press(VK_LEFT, 100);
    EXPECT_EQ(t->GetScrollOffset(), 0);
    EXPECT_FALSE(t->ScrollLeft());
    if (row.Shown) {
      EXPECT_EQ(back->GetCaption(), "<<");
      EXPECT_LT(back->GetLeft(), ahead->GetLeft()) << "<< stands left of >>";
      for (int i = 0; i < 50; ++i) ahead->Click();
      EXPECT_EQ(t->GetScrollOffset(), end);
      back->Click();
      EXPECT_EQ(t->GetScrollOffset(), end - 37);
      // Once everything fits, the buttons go and the strip scrolls back.
      t->SetWidth(2000);
      EXPECT_FALSE(ahead->GetVisible());
      EXPECT_EQ(t->GetScrollOffset(), 0);
    }
    t->Free();
  }
}

TEST_F(TabSet, ActiveTabAndWideValuesStayInTheirRanges) {
  auto* t = Put<TQzTabSet>(0, 0, 300, 40);
  EXPECT_EQ(t->GetActiveTab(), -1);
  t->SetActiveTab(3);
  EXPECT_EQ(t->GetActiveTab(), -1) << "no tabs";
  t->GetTabs()->Add("A");
  EXPECT_EQ(t->GetActiveTab(), 0);
  t->GetTabs()->Add("B"), t->GetTabs()->Add("C"), t->SetActiveTab(7);
  EXPECT_EQ(t->GetActiveTab(), 2);
  t->GetTabs()->Delete(2);
  EXPECT_EQ(t->GetActiveTab(), 1);
  t->GetTabs()->Clear();
  EXPECT_EQ(t->GetActiveTab(), -1);
  EXPECT_TRUE(QzIsRectEmpty(t->GetTabPartRect(0, 0)));
  EXPECT_EQ(t->GetTabCaption(0), "");
  // Sizes and indents are held in their fields.
  struct TRow { int32_t TabSize, Indent; int32_t TabSizeStored, TabWidth, IndentStored; };
  const TRow rows[] = {{5, -3, 10, 10, 0},         {75, 5, 75, 75, 5}, {100000, 70000, 100000, 32767, 65535},
                       {INT32_MAX, INT32_MIN, INT32_MAX, 32767, 0}, {INT32_MIN, 65535, 10, 10, 65535}};
  for (const TRow& row : rows) {
    SCOPED_TRACE(std::to_string(row.TabSize) + " / " + std::to_string(row.Indent));
    t->SetTabSize(row.TabSize), t->SetIndent(row.Indent);
    EXPECT_EQ(std::tuple(t->GetTabSize(), t->GetTabWidth(), t->GetIndent()),
              std::tuple(row.TabSizeStored, row.TabWidth, row.IndentStored));
  }
  // So many wide tabs that their edges pass 32 bits: they still run left to right.
  t->SetTabSize(40000), t->SetIndent(70000);
  t->GetTabs()->BeginUpdate();
  for (int i = 0; i < 70000; ++i) t->GetTabs()->Add("x");
  t->GetTabs()->EndUpdate();
  int32_t last = INT32_MIN;
  for (int i : {0, 1, 50000, 65535, 65536, 69999}) {
    const TRect r = t->GetTabPartRect(i, 0);
    EXPECT_GE(r.Left, last) << i;
    EXPECT_GE(r.Right, r.Left) << i;
    last = r.Left;
  }
  EXPECT_EQ(t->GetMaxScrollOffset(), INT32_MAX);
}

TEST_F(TabSet, NotebookFollowsTheTabsAndItsThemeRowColoursIt) {
  RegisterQzTabSetClasses();  // which brings the tab set's own theme row
  auto* book = Put<TNotebook>(0, 0, 300, 100);
  book->AddPage("First");
  TPage* second = book->AddPage("");
  second->SetName("SecondPage");
  book->AddPage("Third"), book->SetPageIndex(2);
  auto* t = Put<TQzNotebookTabSet>(0, 0, 300, 40);
  t->SetStyle(tssTabs);
  int fired = 0;
  t->OnActiveTabChanged = [&](TObject*) { ++fired; };
  t->SetNotebook(book);
  EXPECT_EQ(t->GetActiveTab(), 2) << "taken from the notebook";
  // A page without caption shows its name.
  EXPECT_EQ((std::vector<std::string>{t->GetTabCaption(0), t->GetTabCaption(1), t->GetTabCaption(3)}),
            (std::vector<std::string>{"First", "SecondPage", ""}));
  EXPECT_EQ(std::tuple(t->GetTabCount(), fired), std::tuple(3, 0));
  Show();
  const TRect r = t->GetTabPartRect(1, 0);
  t->MouseDown(mbLeft, {ssLeft}, r.Left + 3, r.Bottom - 3);
  EXPECT_EQ(std::tuple(book->GetPageIndex(), second->GetColor(), fired), std::tuple(1, t->GetActiveTabColor(), 1));
  t->SetActiveTab(0);
  EXPECT_EQ(book->GetPageIndex(), 0) << "code moves the page too";
  EXPECT_EQ(fired, 1) << "but reports nothing";
  auto* theme = QzCreate<TQzThemeManager>(Form);
  theme->SetThemeColor(1, RGB(10, 20, 30)), theme->SetThemeColor(25, RGB(200, 0, 0));
  // Its own theme row colours it even while it draws unthemed, which the generic row would not.
  t->SetUseThemes(false);
  theme->RegisterThemeClient(t);
  EXPECT_EQ(std::tuple(t->GetThemeManager(), t->GetColor()), std::tuple(theme, RGB(10, 20, 30)));
  EXPECT_EQ(t->GetActiveTabColor(), 0x808080) << "unthemed";
  t->SetUseThemes(true);
  EXPECT_EQ(t->GetActiveTabColor(), RGB(200, 0, 0));
}

// The tab under the mouse is tracked whether HotTrack is set or not, and leaving the strip clears
// it; only a raised tab shows it, in the hot colour: a button's caption keeps the text colour.
TEST_F(TabSet, TabUnderTheMouseIsTrackedWhateverHotTrackHoldsAndShownOnRaisedTabs) {
  for (const TQzTabSetStyle style : {tssButtons, tssTabs})
    for (const bool track : {false, true}) {
      SCOPED_TRACE(std::string(style == tssTabs ? "tabs, " : "buttons, ") + (track ? "HotTrack" : "no HotTrack"));
      auto* t = Put<TQzTabSet>(0, 0, 200, 40);
      t->SetStyle(style), t->SetTabSize(60), t->SetIndent(0), t->SetHotTrack(track);
      for (const char* c : {"Low", "Mid"}) t->GetTabs()->Add(c);
      Show();
      const std::vector<uint32_t> cold = PixelsOf(Form);
      Move(90, 20);
      EXPECT_EQ(std::tuple(t->GetHotTab(), PixelsOf(Form) == cold), std::tuple(1, style == tssButtons));
      Move(190, 20);
      EXPECT_EQ(std::tuple(t->GetHotTab(), PixelsOf(Form) == cold), std::tuple(-1, true));
      t->Free();
    }
}

// Disabled, a raised tab's caption turns grey; buttons keep theirs in the text and the active
// text colour.
TEST_F(TabSet, OnlyRaisedTabsShowTheDisabledColour) {
  for (const TQzTabSetStyle style : {tssButtons, tssTabs}) {
    SCOPED_TRACE(style == tssTabs ? "tabs" : "buttons");
    auto* t = Put<TQzTabSet>(0, 0, 200, 40);
    t->SetStyle(style), t->SetTabSize(60), t->SetIndent(0);
    for (const char* c : {"Low", "Mid"}) t->GetTabs()->Add(c);
    Show();
    const std::vector<uint32_t> enabled = PixelsOf(Form);
    t->SetEnabled(false), Repaint(t);
    EXPECT_EQ(PixelsOf(Form) == enabled, style == tssButtons);
    t->Free();
  }
}

// A click selects without taking the focus, TabStop set or not (a new strip has it off); given the
// focus, Left and Right scroll.
TEST_F(TabSet, ClickTakesNoFocusKeysScrollWithIt) {
  auto* t = Put<TQzTabSet>(0, 0, 300, 40);
  for (int i = 0; i < 10; ++i) t->GetTabs()->Add("Tab " + std::to_string(i));
  EXPECT_FALSE(t->GetTabStop());
  Show();
  for (const bool tabStop : {false, true}) {
    t->SetTabStop(tabStop);
    const TPoint at = Centre(t->GetTabPartRect(tabStop ? 2 : 1, 0));
    ClickAt(t, at);
    EXPECT_EQ(std::tuple(t->Focused(), t->GetActiveTab()), std::tuple(false, tabStop ? 2 : 1)) << tabStop;
  }
  t->SetFocus(), Key(VK_RIGHT), Key(VK_RIGHT), Key(VK_LEFT);
  EXPECT_EQ(std::tuple(t->Focused(), t->GetScrollOffset()), std::tuple(true, 75 / 2));
}

// The notebook may live on another form; either may go first.
TEST_F(TabSet, FreeOrderLeavesNoDanglingLink) {
  for (bool otherOwner : {false, true}) {
    for (bool notebookFirst : {false, true}) {
      SCOPED_TRACE(std::string(otherOwner ? "other owner, " : "same owner, ") +
                   (notebookFirst ? "notebook freed first" : "tab set freed first"));
      TComponent* holder = otherOwner ? QzCreate<TComponent>(nullptr) : Form;
      auto* book = QzCreate<TNotebook>(holder);
      book->AddPage("One"), book->AddPage("Two");
      auto* t = Put<TQzNotebookTabSet>(0, 0, 300, 40);
      t->SetNotebook(book), t->SetActiveTab(1);
      Show();
      if (notebookFirst) {
        (otherOwner ? holder : static_cast<TComponent*>(book))->Free();
        EXPECT_EQ(t->GetNotebook(), nullptr);
        EXPECT_EQ(std::tuple(t->GetTabCount(), t->GetActiveTab()), std::tuple(0, -1));
        t->MouseDown(mbLeft, {ssLeft}, 20, 20);
        Repaint(t);
        t->Free();
      } else {
        t->Free();
        book->SetPageIndex(0);
        (otherOwner ? holder : static_cast<TComponent*>(book))->Free();
      }
      Pump();
    }
  }
}

}  // namespace
