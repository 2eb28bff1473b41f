// The audio group box with its image source and the LED switch group, through their public
// interface, clicks and keys on an off-screen form.

#include "tests/ui/UiTestForm.h"

namespace {

class AudioGroups : public UiFormTest {
protected:
  void SetUp() override {
    UiFormTest::SetUp();
    RegisterQzAudioGroupBoxClasses();
    RegisterQzAudioSwitchGroupClasses();
  }
  std::string States(const TQzCustomAudioSwitchGroup* G) {
    std::string s;
    for (int i = 0; i < G->ItemCount(); ++i) s += G->GetChecked(i) ? '1' : '0';
    return s;
  }
};

// The box and the power switch report every change of their state, from code too, once each.
TEST_F(AudioGroups, BoxAndPowerSwitchReportEveryChange) {
  auto* box = Put<TQzAudioGroupBox>(10, 10, 200, 120);
  auto* power = Put<TQzAudioSwitchControl>(10, 140, 60, 25);
  int events = 0;
  std::vector<float> internal;
  box->OnChanged = box->OnActiveChanged = power->OnChanged = [&](TObject*) { ++events; };
  power->OnInternalChange = [&](TObject*, int32_t, int32_t, float V, int32_t) { internal.push_back(V); };
  Show();
  box->SetActive(false), box->SetActive(true), box->SetActive(false), box->SetActive(false);
  power->SetChecked(true), power->SetChecked(false), power->SetChecked(true), power->SetChecked(true), Pump();
  EXPECT_EQ(std::tuple(box->GetActive(), power->GetChecked(), events), std::tuple(false, true, 6));
  EXPECT_EQ(internal, std::vector<float>(3, 0.0f));
  ClickAt(box, Centre(box->GetPartRect(QzGroupBoxPartSwitch)));
  EXPECT_EQ(std::tuple(box->GetActive(), events), std::tuple(true, 7));
  ClickAt(power, 30, 12);
  EXPECT_EQ(std::tuple(power->GetChecked(), events), std::tuple(false, 8));
  power->SetFocus(), Key(VK_SPACE);
  EXPECT_EQ(std::tuple(power->GetChecked(), events), std::tuple(true, 9));
}

TEST_F(AudioGroups, SwitchingTheBoxPassesActiveAndItsOwnEnabledToTheChildren) {
  auto* box = Put<TQzAudioGroupBox>(0, 0, 300, 200);
  auto* a = Put<TQzAudioSwitchGroup>(10, 40, 100, 35, box);
  auto* b = Put<TQzAudioSwitchGroup>(10, 80, 100, 35, box);
  auto* c = Put<TQzCustomAudioControl>(10, 120, 100, 35, box);
  auto* gone = Put<TQzAudioSwitchGroup>(150, 40, 100, 35, box);
  b->SetEnabled(false);
  auto enabled = [&] {
    return std::string(a->GetEnabled() ? "a" : "-") + (b->GetEnabled() ? "b" : "-") + (c->GetEnabled() ? "c" : "-");
  };
  std::string seen;  // what the report finds: the children already follow
  box->OnActiveChanged = [&](TObject*) { seen = enabled(); };
  box->SetActive(false);
  EXPECT_EQ(std::tuple(enabled(), seen), std::tuple("---", "---"));
  gone->Free();
  // Switched on, every child audio control follows, also one that was disabled on its own.
  box->SetActive(true);
  EXPECT_EQ(enabled(), "abc");
  // A disabled box switched on leaves its children off; enabling the box alone changes nothing.
  box->SetActive(false), box->SetEnabled(false), box->SetActive(true);
  EXPECT_EQ(enabled(), "---");
  box->SetEnabled(true);
  EXPECT_EQ(enabled(), "---");
  box->SetActive(false), box->SetActive(true);
  EXPECT_EQ(enabled(), "abc");
  // Without the switch shown, a click on its place changes nothing.
  Show();
  box->SetOptions({GBO_SHOW_CAPTION, GBO_SHOW_HEADER});
  const TPoint p = Centre(box->GetPartRect(QzGroupBoxPartSwitch));
  ClickAt(box, p);
  EXPECT_TRUE(box->GetActive());
  box->SetOptions({GBO_SHOW_ACTIVE_SWITCH});
  ClickAt(box, p);
  EXPECT_FALSE(box->GetActive());
  EXPECT_EQ(enabled(), "---");
}

// Clicks select and report; the group has no keys: with the focus held, arrows, Home, End and
// Space change nothing.
TEST_F(AudioGroups, ClicksSelectAndKeysDoNothing) {
  // Actions: digits click that item, "<" ">" "^" "$" press Left, Right, Home, End, " " Space.
  struct TCase { bool Single; std::string Actions; std::string Expected; int Events; };
  const TCase cases[] = {
      {false, "0", "1000", 1},   {false, "00", "0000", 2},    {false, "02", "1010", 2},
      {false, "0> ", "1000", 1}, {false, ">>>>> ", "0000", 0}, {false, "3<< $ ^ ", "0001", 1},
      {true, "", "1000", 0},     {true, "0", "1000", 0},      {true, "2", "0010", 1},
      {true, "22", "0010", 1},   {true, ">>", "1000", 0},     {true, "$> ", "1000", 0},
      {true, "3<<<<", "0001", 1}, {true, " ", "1000", 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.Single ? "single " : "multi ") << '"' << c.Actions << '"');
    auto* g = Put<TQzAudioSwitchGroup>(10, 10, 240, 35);
    int events = 0;
    g->SetOrientation(acoHorizontal);
    g->SetOptions(c.Single ? TQzAudioSwitchGroupOptions{ASG_SINGLE_SELECTION} : TQzAudioSwitchGroupOptions{});
    g->GetItems()->SetText("a\nb\nc"), g->GetItems()->Add("d"), g->SetChecked(0, false);
    // The third checked, then unchecked again, or the first checked, which a single selection
    // keeps alone.
    g->SetChecked(2, true), g->SetChecked(c.Single ? 0 : 2, c.Single);
    g->OnChanged = [&](TObject*) { ++events; };  // the gestures' reports only
    g->SetTabStop(true);
    Show();
    g->SetFocus();
    for (char a : c.Actions)
      if (a >= '0' && a <= '9') ClickAt(g, Centre(g->GetItemRect(a - '0')));
      else Key(a == '<' ? VK_LEFT : a == '>' ? VK_RIGHT : a == '^' ? VK_HOME : a == '$' ? VK_END : VK_SPACE);
    EXPECT_TRUE(g->Focused());
    EXPECT_EQ(std::tuple(States(g), events), std::tuple(c.Expected, c.Events));
    g->Free();
  }
}

// A left click takes the focus only with TabStop set, which a new group leaves off; a group with
// the focus looks as one without it.
TEST_F(AudioGroups, FocusOnlyWithTabStopAndNeverDrawn) {
  auto* g = Put<TQzAudioSwitchGroup>(10, 10, 240, 35);
  auto* power = Put<TQzAudioSwitchControl>(10, 60, 60, 25);
  g->SetOrientation(acoHorizontal);
  EXPECT_FALSE(g->GetTabStop());
  Show();
  const TRect area = g->GetBoundsRect();
  const auto pixels = [&] {
    std::vector<TColor> v;
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int x = area.Left; x < area.Right; ++x) v.push_back(ScreenPixel(x, y));
    return v;
  };
  // Item 1 is checked by the first click and stays so (single selection): only the focus moves.
  struct TCase { bool TabStop; TMouseButton Button; bool Focused; };
  const TCase cases[] = {{false, mbLeft, false}, {true, mbRight, false}, {true, mbLeft, true}, {false, mbLeft, true}};
  for (const TCase& c : cases) {
    g->SetTabStop(c.TabStop);
    const TPoint at = Centre(g->GetItemRect(1));
    ClickAt(g, at.X, at.Y, c.Button);
    EXPECT_EQ(std::tuple(g->Focused(), States(g)), std::tuple(c.Focused, "01")) << c.TabStop << c.Button;
  }
  const std::vector<TColor> focused = pixels();
  power->SetFocus(), Pump();
  ASSERT_FALSE(g->Focused());
  Repaint(g);
  EXPECT_EQ(pixels(), focused);
}

// Checked[i] and a change of Items report from code, Options neither report nor change a state; an items
// change that leaves none checked checks item 0 in both selection modes.
TEST_F(AudioGroups, CodeChangesOfStatesAndItemsReport) {
  struct TCase { bool Single; std::function<void(TQzCustomAudioSwitchGroup*)> Do; std::string Expected; int Events; };
  const TCase cases[] = {
      {false, [](auto* g) { g->SetChecked(1, true), g->SetChecked(1, true); }, "01", 1},
      {false, [](auto* g) { g->SetChecked(1, false), g->SetChecked(9, true); }, "00", 0},
      {false, [](auto* g) { g->GetItems()->Add("C"); }, "100", 1},
      {false, [](auto* g) { g->SetOptions({ASG_SHOW_TEXT}); }, "00", 0},  // options are no state
      // Nor does single selection switched on uncheck anything.
      {false, [](auto* g) { g->SetChecked(0, true), g->SetChecked(1, true), g->SetOptions({ASG_SINGLE_SELECTION}); },
       "11", 2},
      {true, [](auto* g) { g->GetItems()->Add("C"); }, "100", 1},
      {false, [](auto* g) { g->SetChecked(1, true), g->GetItems()->Add("C"); }, "010", 2},
      {true, [](auto* g) { g->SetChecked(1, true), g->SetChecked(0, true), g->SetChecked(0, true); }, "10", 2},
      {false, [](auto* g) { g->BeginUpdate(), g->SetChecked(0, true), g->GetItems()->Clear(), g->EndUpdate(); }, "", 0},
  };
  for (const TCase& c : cases) {
    auto* g = Put<TQzAudioSwitchGroup>(0, 0, 101, 35);
    ASSERT_EQ(States(g), "00");  // a new group checks nothing
    // Single selection checks one; clearing it leaves none.
    g->SetOptions(c.Single ? TQzAudioSwitchGroupOptions{ASG_SINGLE_SELECTION} : TQzAudioSwitchGroupOptions{});
    g->SetChecked(0, false);
    int events = 0;
    g->OnChanged = [&](TObject*) { ++events; };
    c.Do(g);
    EXPECT_EQ(std::tuple(States(g), events), std::tuple(c.Expected, c.Events)) << c.Expected;
    g->Free();
  }
}

TEST_F(AudioGroups, ItemsStatesRectanglesAndImages) {
  auto* g = Put<TQzAudioSwitchGroup>(0, 0, 101, 35);
  EXPECT_EQ(std::tuple(States(g), g->GetItems()->GetText()), std::tuple("00", "A\r\nB\r\n"));
  g->SetOrientation(acoHorizontal);
  g->GetItems()->SetText("x\ny\nz");
  EXPECT_EQ(States(g), "100");  // single selection keeps one checked
  // 101 wide, padding 2: cells of 32 from 2, the last one a pixel wider; each shrunk by 1.
  EXPECT_EQ((std::vector{g->GetItemRect(0), g->GetItemRect(1), g->GetItemRect(2)}),
            (std::vector{Rect(3, 3, 33, 32), Rect(35, 3, 65, 32), Rect(67, 3, 98, 32)}));
  EXPECT_EQ((std::vector{g->ItemAtPos(33, 10), g->ItemAtPos(34, 10), g->ItemAtPos(98, 32)}), (std::vector{0, -1, 2}));
  g->SetOrientation(acoVertical), g->SetBounds(0, 0, 20, 101);
  EXPECT_EQ(g->GetItemRect(2), Rect(3, 67, 17, 98));
  g->SetOptions({ASG_SHOW_TEXT}), g->SetChecked(0, false), g->SetChecked(2, true);
  g->GetItems()->Add("w");
  EXPECT_EQ(States(g), "0010");
  g->SetChecked(5, true), g->SetChecked(-1, true);
  EXPECT_EQ(States(g), "0010");
  EXPECT_FALSE(g->GetChecked(4));
  g->GetItems()->Clear();
  EXPECT_EQ(std::tuple(g->ItemCount(), g->ItemAtPos(5, 5)), std::tuple(0, -1));
  // Padding wider than the group: empty cells, no item to hit.
  g->GetItems()->SetText("p\nq"), g->SetPadding(200);
  EXPECT_EQ(g->ItemAtPos(10, 50), -1);
  g->Free();
  // Switch images come from the list, which keeps its drawing style.
  auto* images = QzCreate<TImageList>(Form);
  images->SetSize(8, 8), images->Add(FilledBitmap(8, 8, clRed).get());
  g = Put<TQzAudioSwitchGroup>(0, 0, 200, 40);
  g->SetOrientation(acoHorizontal), g->SetOptions({}), g->SetImages(images), g->SetChecked(0, true);
  Show();
  // No image index handler: bare switches.
  const TRect r0 = g->GetItemRect(0), r1 = g->GetItemRect(1);
  const TPoint at0{r0.Left + 5 + 4, r0.Top + (r0.Bottom - r0.Top - 8) / 2 + 4};
  const TPoint at1{r1.Left + 5 + 4, r1.Top + (r1.Bottom - r1.Top - 8) / 2 + 4};
  EXPECT_NE(ScreenPixel(at0.X, at0.Y), static_cast<TColor>(clRed));
  g->OnGetImageIndex = [](TObject*, int32_t) { return 0; };
  Repaint(g);
  EXPECT_EQ(ScreenPixel(at0.X, at0.Y), static_cast<TColor>(clRed));  // checked: normal look
  EXPECT_NE(ScreenPixel(at1.X, at1.Y), static_cast<TColor>(clRed));  // unchecked: selected look
  EXPECT_EQ(std::tuple(ScreenPixel(r1.Left, r1.Top), ScreenPixel(r0.Left, r0.Top), images->GetDrawingStyle()),
            std::tuple(static_cast<TColor>(0xC0C0C0), static_cast<TColor>(clBlack), dsNormal));
}

TEST_F(AudioGroups, BoxPaintsItsSharedPictureHeaderSwitchAndBorder) {
  // Owned by nothing the boxes are in: only its free notification tells them it went.
  auto* source = QzCreate<TQzAudioImageSource>(nullptr);
  auto* one = Put<TQzAudioGroupBox>(0, 0, 60, 60);
  auto* two = Put<TQzAudioGroupBox>(70, 0, 60, 60);
  one->SetOptions({}), two->SetOptions({});
  EXPECT_TRUE(source->IsEmpty());
  one->SetImageSource(source), two->SetImageSource(source);
  source->AddClient(one);
  EXPECT_EQ(source->ClientCount(), 2);
  Show();
  // No picture: the gradient from Color down to Color darkened by 125.
  const TColor top = RGB(45, 45, 45);
  EXPECT_EQ(std::tuple(ScreenPixel(30, 0), ScreenPixel(30, 59)), std::tuple(top, LightenColor(top, -125)));
  EXPECT_FALSE(one->NeedsLayout());
  TPicture picture;
  picture.SetGraphic(FilledBitmap(4, 4, clRed).get());
  source->SetPicture(&picture);
  EXPECT_FALSE(source->IsEmpty());
  Pump();
  EXPECT_EQ(ScreenPixel(30, 59), static_cast<TColor>(clRed));
  EXPECT_EQ(ScreenPixel(100, 30), static_cast<TColor>(clRed));
  two->Free();
  EXPECT_EQ(source->ClientCount(), 1);
  source->Free();
  EXPECT_EQ(one->GetImageSource(), nullptr);
  Pump();
  EXPECT_EQ(ScreenPixel(30, 0), top);
  // A box with a header, a sunken border and its switch on the right.
  QzAudioControlsInitialize();
  auto* box = Put<TQzAudioGroupBox>(10, 10, 200, 100);
  box->SetOptions({GBO_SHOW_ACTIVE_SWITCH, GBO_SHOW_HEADER, GBO_SHOW_BORDER, GBO_SUNKEN_BORDER});
  box->SetSwitchAlign(asaRight), box->SetHeaderStyle(GBH_GRADIENT_HORZ);
  Show();
  const TColor header = RGB(105, 105, 105);
  EXPECT_EQ(ScreenPixel(10 + 1, 10 + 12), header);
  EXPECT_EQ(ScreenPixel(10 + 150, 10 + 12), ScreenPixel(10 + 150, 10 + 1));
  EXPECT_NE(ScreenPixel(10 + 150, 10 + 12), header);
  // Sunken: dark top-left, light bottom-right.
  EXPECT_EQ(std::tuple(ScreenPixel(10, 50), ScreenPixel(10 + 199, 50)), std::tuple(RGB(25, 25, 25), RGB(95, 95, 95)));
  // The switch sits at the right end of the header: its pressed frame, dark top-left.
  EXPECT_EQ(box->GetPartRect(QzGroupBoxPartSwitch), Rect(178, 3, 197, 22));
  EXPECT_EQ(ScreenPixel(10 + 178, 10 + 3), GetAudioColor(18, true));
  box->SetActive(false), Pump();
  EXPECT_EQ(ScreenPixel(10 + 178, 10 + 3), GetAudioColor(19, true));
  EXPECT_EQ(std::tuple(box->HitTest(197, 22), box->HitTest(198, 22)), std::tuple(int(QzGroupBoxPartSwitch), 0));
  box->SetAlignment(taCenter);
  EXPECT_EQ(box->GetPartRect(QzGroupBoxPartCaption), Rect(30, 0, 170, 25));
  QzAudioControlsFinalize();
}

}  // namespace
