// The scroll bar and the scrolling container seen from outside: position clamping and its one
// change event, thumb geometry at the range's edges, drags, visibility by scroll style and the
// wheel that a child keeps for itself.

#include "tests/ui/UiTestForm.h"

namespace {

// A child that keeps the wheel (as a knob does) when asked to.
class TWheelChild : public TQzCustomWinControl {
public:
  using TQzCustomWinControl::TQzCustomWinControl;
  std::string ClassName() const override { return "TWheelChild"; }
  bool DoMouseWheelScroll(TObject*, TShiftState, int, TPoint) override { return UseWheel; }
  bool UseWheel = true;
};

class QzScrollBox : public UiFormTest {
protected:
  // A bar of W x H filling a host of its own size, aligned along its length.
  TQzCustomScrollBar* Bar(int W, int H) {
    auto* host = Put<TQzCustomWinControl>(0, 0, W, H);
    auto* b = QzCreate<TQzCustomScrollBar>(host);
    b->SetParent(host), b->SetAlign(W > H ? alTop : alLeft), b->SetBounds(0, 0, W, H);
    b->OnChange = [this](TObject*, int32_t Kind, int32_t& Position) {
      Kinds.push_back(Kind), Changes.push_back(Position);
    };
    return b;
  }
  TQzCustomScrollingWinControl* Box() { return Put<TQzCustomScrollingWinControl>(10, 10, 200, 150); }
  std::vector<int32_t> Changes, Kinds;
};

}  // namespace

TEST_F(QzScrollBox, PositionIsClampedAndReportedOnceAndThumbSizeAndPlace) {
  TQzCustomScrollBar* b = Bar(102, 10);
  struct Row {
    int32_t Set, Want;
    bool Fires;
  } rows[] = {{150, 100, true},     {100, 100, false}, {-5, 0, true}, {INT32_MIN, 0, false},
              {INT32_MAX, 100, true}, {40, 40, true}};
  for (const Row& r : rows) {
    Changes.clear();
    b->SetScrollPosition(r.Set);
    EXPECT_EQ(std::tuple(b->GetPosition(), Changes.size()), std::tuple(r.Want, r.Fires ? size_t{1} : size_t{0}))
        << r.Set;
  }
  EXPECT_EQ(Kinds, std::vector<int32_t>(Kinds.size(), 4));
  // A range change pulls the position in without reporting it.
  Changes.clear();
  b->SetMax(20);
  EXPECT_EQ(b->GetPosition(), 20);
  b->SetMin(30);
  EXPECT_EQ(std::tuple(b->GetMax(), b->GetPosition(), Changes.size()), std::tuple(30, 30, 0u));
  // The thumb: a 100-pixel track on a 10-pixel-high bar first.
  struct Thumb { int W, H; uint32_t Percent; int32_t Min, Max, Pos; TRect Want; } thumbs[] = {
      {102, 10, 50, 0, 100, 0, Rect(1, 1, 51, 9)}, {102, 10, 50, 0, 100, 100, Rect(51, 1, 101, 9)},
      {102, 10, 10, 0, 100, 0, Rect(1, 1, 21, 9)},  // twice the thickness
      {102, 10, 0, 0, 100, 50, Rect(1, 1, 101, 9)},
      {102, 10, 250, 0, 100, 50, Rect(1, 1, 101, 9)},  // held at 100 %
      {102, 10, 50, 5, 5, 5, Rect(1, 1, 51, 9)},       // empty range: at the start, not at -1
      // A thickness larger than half the track still leaves the thumb inside the track.
      {42, 30, 10, -1000, 1000, 1000, Rect(1, 1, 41, 29)},
      {12, 102, 50, 0, 10, 10, Rect(1, 51, 11, 101)},  // vertical
  };
  // Horizontal bars are aligned top or bottom; the host has exactly the bar's size.
  for (const Thumb& r : thumbs) {
    auto* bar = Bar(r.W, r.H);
    bar->SetMin(r.Min), bar->SetMax(r.Max), bar->SetScrollPosition(r.Pos), bar->SetPagePercentage(r.Percent);
    const int kind = r.W > r.H ? 1 : 2;
    EXPECT_EQ(bar->GetThumbRect(kind), r.Want) << r.W << "x" << r.H << " " << r.Percent << "% " << r.Pos;
    EXPECT_EQ(bar->GetThumbRect(3 - kind), bar->GetClientRect());
    bar->GetParent()->Free();
  }
}

TEST_F(QzScrollBox, DragMovesThePositionWithinTheRange) {
  auto* b = Bar(102, 10);
  b->SetPagePercentage(50);
  Show();
  // Grab the thumb 10 px in; 50 px of travel cover 0..100.
  Down(11, 5);
  EXPECT_EQ(b->GetPressedPart(), 1);
  struct Row { int X; int32_t Want; } rows[] = {{36, 50}, {500, 100}, {-500, 0}, {11, 0}, {61, 100}};
  for (const Row& r : rows) {
    Move(r.X, 5, {ssLeft});
    EXPECT_EQ(b->GetPosition(), r.Want) << r.X;
  }
  Up(61, 5);
  EXPECT_EQ(std::tuple(b->GetPressedPart(), Changes.size()), std::tuple(-1, size_t{5}));
  // A thumb that fills the track has no travel: a drag keeps Min instead of dividing by zero.
  b->SetPagePercentage(100);
  Backend->MouseDown(Win(), 30, 5);
  Backend->MouseMove(Win(), 90, 5, {ssLeft});
  Up(90, 5);
  EXPECT_EQ(b->GetPosition(), 0);
}

TEST_F(QzScrollBox, VisibilityFollowsTheScrollStyle) {
  TQzCustomScrollingWinControl* s = Box();
  Show();
  // Scroll client without bars: 200 x 150. Ranges are 0..Max.
  struct Row { TScrollStyle Style; int32_t HMax, VMax; bool Horz, Vert; } rows[] = {
      {ssNone, 1000, 1000, false, false},       {ssHorizontal, 0, 0, true, false},
      {ssVertical, 0, 0, false, true},          {ssBoth, 0, 0, true, true},
      {ssAutoHorizontal, 150, 1000, false, false}, {ssAutoHorizontal, 250, 1000, true, false},
      {ssAutoVertical, 1000, 100, false, false},   {ssAutoVertical, 1000, 200, false, true},
      {ssAutoBoth, 100, 100, false, false},        {ssAutoBoth, 400, 100, true, false},
      {ssAutoBoth, 100, 400, false, true},         {ssAutoBoth, 400, 400, true, true},
  };
  for (const Row& r : rows) {
    s->SetScrollBars(ssNone), s->SetHorzRange(0, r.HMax), s->SetVertRange(0, r.VMax), s->SetScrollBars(r.Style);
    EXPECT_EQ(std::tuple(s->GetHorzScrollBar()->GetVisible(), s->GetVertScrollBar()->GetVisible()),
              std::tuple(r.Horz, r.Vert))
        << r.Style << " " << r.HMax << " " << r.VMax;
  }
  // The same rule on both axes: a range that starts above 0 counts by its length.
  s->SetScrollBars(ssAutoBoth), s->SetHorzRange(1000, 1100), s->SetVertRange(1000, 1100);
  EXPECT_FALSE(s->GetHorzScrollBar()->GetVisible() || s->GetVertScrollBar()->GetVisible());
}

// With an active theme manager the bars take the theme's sizes and draw through its scroll-bar
// services: the background as part 0, the thumb as part 1 at rest or inactive, 2 under the
// mouse, 3 while dragged. Without one they draw plainly.
TEST_F(QzScrollBox, ThemedBarsDrawThroughTheManager) {
  auto* m = QzCreate<TQzThemeManager>(Form);
  for (int i = 0; i < 256; ++i) m->SetThemeColor(static_cast<uint8_t>(i), RGB(i, 255 - i, 7));
  m->GetThemeItems()->GetValues()->SetText("#ScrollBars\n[Sizes]\nHorizontal=16\nVertical=12\n");
  TQzCustomScrollingWinControl* s = Box();
  s->SetUseThemes(true), s->SetThemeManager(m);
  TQzCustomScrollBar* h = s->GetHorzScrollBar();
  EXPECT_EQ(std::tuple(h->GetHeight(), s->GetVertScrollBar()->GetWidth()), std::tuple(16, 12));
  h->SetPagePercentage(20);
  Show();
  // The horizontal bar spans the box's bottom (y 144 .. 159 on the form); its thumb starts at x 11.
  const int y = 152, thumbX = 30, trackX = 160;
  auto theme = [&](int I) { return ColorToRGB(m->GetThemeColor(static_cast<uint8_t>(I))); };
  EXPECT_EQ(ScreenPixel(trackX, y), theme(12));
  const struct {
    const char* What;
    std::function<void()> Do;
    int Thumb;
  } steps[] = {
      {"at rest", [] {}, 13},
      {"under the mouse", [&] { Backend->MouseMove(Win(), thumbX, y); }, 14},
      {"dragged", [&] { Backend->MouseDown(Win(), thumbX, y); }, 15},
      {"inactive",
       [&] { Backend->MouseUp(Win(), thumbX, y), h->SetActive(false), Backend->MouseMove(Win(), thumbX + 1, y); }, 13},
  };
  for (const auto& step : steps) {
    step.Do(), Pump();
    EXPECT_EQ(ScreenPixel(thumbX, y), theme(step.Thumb)) << step.What;
  }
  s->SetThemeManager(nullptr), Pump();
  EXPECT_EQ(ScreenPixel(trackX, y), RGB(0xC0, 0xC0, 0xC0));
}

// However the theme goes, the bars take the platform's thickness again at once and draw plainly.
TEST_F(QzScrollBox, BarsTakeThePlatformThicknessBackWhenTheThemeGoes) {
  const int32_t platform = GetSystemMetrics(SM_CYHSCROLL);
  ASSERT_NE(platform, 20);
  struct Case { const char* How; std::function<void(TQzThemeManager*&, TQzCustomScrollingWinControl*)> Go; } cases[] = {
      {"unlinked", [](TQzThemeManager*&, TQzCustomScrollingWinControl* s) { s->SetThemeManager(nullptr); }},
      {"switched off", [](TQzThemeManager*& m, TQzCustomScrollingWinControl*) { m->SetActive(false); }},
      {"manager freed", [](TQzThemeManager*& m, TQzCustomScrollingWinControl*) { TComponent::FreeAndNil(m); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.How);
    auto* m = QzCreate<TQzThemeManager>(nullptr);
    m->SetThemeColor(12, clRed);
    m->GetThemeItems()->GetValues()->SetText("#ScrollBars\n[Sizes]\nHorizontal=20\nVertical=20\n");
    TQzCustomScrollingWinControl* s = Box();
    s->SetThemeManager(m);
    TQzCustomScrollBar* h = s->GetHorzScrollBar();
    TQzCustomScrollBar* v = s->GetVertScrollBar();
    Show();
    EXPECT_EQ(std::tuple(h->GetHeight(), v->GetWidth(), ScreenPixel(150, 150)), std::tuple(20, 20, TColor(clRed)));
    c.Go(m, s);
    EXPECT_EQ(std::tuple(h->GetHeight(), v->GetWidth()), std::tuple(platform, platform));
    Pump();
    EXPECT_EQ(ScreenPixel(150, 152), RGB(0xC0, 0xC0, 0xC0));
    s->Free();
    if (m) m->Free();
  }
}

TEST_F(QzScrollBox, WheelScrollsUnlessAChildKeepsIt) {
  TQzCustomScrollingWinControl* s = Box();
  s->SetVertRange(0, 3);
  auto* child = Put<TWheelChild>(20, 20, 40, 40, s);
  Show();
  struct Row { int X, Y, Delta; bool ChildKeeps; int32_t Want; } rows[] = {
      {15, 15, -120, false, 1},  // on the container: one step down
      {40, 40, -120, true, 1},   // on a child that uses the notch: the container stays
      {40, 40, -120, false, 2},  // on a child that does not: the container scrolls
      {15, 15, -120, false, 3},  {15, 15, -120, false, 3},  // held at Max
      {15, 15, 120, false, 2},
  };
  for (const Row& r : rows) {
    child->UseWheel = r.ChildKeeps;
    Wheel(10 + r.X, 10 + r.Y, r.Delta);
    EXPECT_EQ(std::tuple(s->GetScrollY(), s->GetVertScrollBar()->GetPosition()), std::tuple(r.Want, r.Want))
        << r.X << "," << r.Y;
  }
  // An empty range keeps the position at its one value.
  s->SetVertRange(7, 7);
  EXPECT_EQ(std::tuple(s->GetScrollY(), s->GetVertScrollBar()->GetPosition()), std::tuple(7, 7));
}
