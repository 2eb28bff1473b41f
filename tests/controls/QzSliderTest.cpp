#include <climits>
#include <cstdint>

#include "tests/ui/UiTestForm.h"

namespace {

struct TStdSliderTest : UiFormTest {
  void SetUp() override {
    UiFormTest::SetUp();
    RegisterQzSliderClasses();
    QzStdCtrlsInitialize();
    Form->SetClientSize(400, 300);
    S = Put<TQzSlider>(10, 10, 300, 60);
    S->SetTabStop(true);
    S->OnPositionChanged = [this](TObject*) { ++Events; };
    Show();
  }
  void TearDown() override {
    UiFormTest::TearDown();
    QzStdCtrlsFinalize();
  }
  // Pixel along the bar (from its Min end) where the thumb's centre is.
  int32_t ThumbPixel() {
    const TRect t = S->GetPartRect(qspThumb), b = S->GetPartRect(qspBar);
    if (S->GetOrientation() == sloHorizontal) return t.Left + (t.Right - t.Left) / 2 - b.Left;
    return b.Bottom - (t.Top + (t.Bottom - t.Top) / 2);
  }
  void PointAt(int32_t Pixel) {
    const TRect b = S->GetPartRect(qspBar);
    if (S->GetOrientation() == sloHorizontal) S->SetPositionFromPoint(b.Left + Pixel, 0);
    else S->SetPositionFromPoint(0, b.Bottom - Pixel);
  }
  TPoint ScreenOf(const TRect& R) const { return {10 + (R.Left + R.Right) / 2, 10 + (R.Top + R.Bottom) / 2}; }
  TQzSlider* S = nullptr;
  int Events = 0;
};

TEST_F(TStdSliderTest, PixelsAndPositionsRoundTripOverTheWholeBar) {
  struct TCase { int32_t Min, Max; TQzSliderOrientation Orientation; };
  const TCase cases[] = {
      {-255, 255, sloHorizontal}, {0, 10, sloHorizontal},          {7, 7, sloHorizontal},
      {10, -10, sloHorizontal},   {INT_MIN, INT_MAX, sloHorizontal}, {INT_MAX - 3, INT_MAX, sloHorizontal},
      {-255, 255, sloVertical},   {0, 10, sloVertical},            {INT_MAX, INT_MIN, sloVertical},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Min) + ".." + std::to_string(c.Max) + (c.Orientation ? " vertical" : ""));
    S->SetOrientation(c.Orientation);
    S->SetBounds(10, 10, c.Orientation == sloHorizontal ? 300 : 60, c.Orientation == sloHorizontal ? 60 : 250);
    S->SetMin(INT_MIN), S->SetMax(INT_MAX), S->SetMin(c.Min), S->SetMax(c.Max);
    const TRect b = S->GetPartRect(qspBar);
    const int32_t extent = c.Orientation == sloHorizontal ? b.Right - b.Left : b.Bottom - b.Top;
    ASSERT_GT(extent, 20);
    const int64_t span = static_cast<int64_t>(c.Max) - c.Min;
    const int32_t lo = c.Min < c.Max ? c.Min : c.Max, hi = c.Min < c.Max ? c.Max : c.Min;
    // The ends of the bar are the bounds; beyond them the position stays on the bound.
    PointAt(-50);
    EXPECT_EQ(S->GetPosition(), c.Min);
    PointAt(extent + 50);
    EXPECT_EQ(S->GetPosition(), c.Max);
    for (int32_t p = 0; p <= extent; ++p) {
      PointAt(p);
      ASSERT_TRUE(S->GetPosition() >= lo && S->GetPosition() <= hi) << S->GetPosition();
      // Where there are at least as many values as pixels, each pixel comes back exactly; an empty range stays at 0.
      const bool exact = span > extent || -span > extent;
      if (exact || span == 0) {
        ASSERT_EQ(ThumbPixel(), exact ? p : 0) << "pixel " << p;
      }
    }
    // Where there are fewer values than pixels, each value comes back exactly.
    if (span != 0 && span <= extent && -span <= extent)
      for (int64_t v = lo; v <= hi; ++v) {
        S->SetPosition(static_cast<int32_t>(v));
        PointAt(ThumbPixel());
        ASSERT_EQ(S->GetPosition(), v);
      }
  }
}

TEST_F(TStdSliderTest, SettersKeepTheirLimitsAndValueTextFollowsBoundsAndCode) {
  // Position: INT_MIN: leave as is; Events: OnPositionChanged calls of the step.
  struct TStep { const char* What; int32_t Min, Max, Position, Expected; int Events; };
  const TStep steps[] = {
      {"start", -255, 255, 100, 100, 1}, {"a wider range keeps the position", -1000, 1000, INT_MIN, 100, 0},
      {"a lower Max clamps", -1000, 50, INT_MIN, 50, 1}, {"Min above Max stays between them", 200, 50, INT_MIN, 50, 0},
      {"code beyond the reversed range", 200, 50, 500, 200, 1}, {"the same position again", 200, 50, 200, 200, 0},
      {"Min = Max (each bound moves it)", 9, 9, INT_MIN, 9, 2},
      {"at the top of the scale", INT_MAX - 1, INT_MAX, INT_MIN, INT_MAX - 1, 1},
  };
  for (const TStep& s : steps) {
    Events = 0;
    S->SetMin(s.Min), S->SetMax(s.Max);
    if (s.Position != INT_MIN) S->SetPosition(s.Position);
    EXPECT_EQ(std::tuple(S->GetPosition(), Events), std::tuple(s.Expected, s.Events)) << s.What;
  }
  // The value text of each style, the percentage of the way from Min to Max.
  struct TCase { TQzSliderValueStyle Style; int32_t Min, Max, Position; std::string Text; };
  const TCase cases[] = {
      {slvNative, -255, 255, -7, "-7"},      {slvPercent, 0, 200, 50, "25%"},
      {slvPercent, 5, 5, 5, "0%"},           {slvPercent, INT_MIN, INT_MAX, INT_MAX, "100%"},
      {slvPercent, 100, 0, 0, "100%"},       {slvNone, 0, 10, 3, ""},
  };
  for (const TCase& c : cases) {
    S->SetValueStyle(c.Style), S->SetMin(c.Min), S->SetMax(c.Max), S->SetPosition(c.Position);
    EXPECT_EQ(S->GetValueText(S->GetPosition()), c.Text);
  }
  // The other setters keep their limits.
  S->SetButtonChange(0), S->SetWheelChange(-3), S->SetBarSize(0), S->SetTickFrequency(INT_MIN);
  S->SetSpaceHorz(1000), S->SetSpaceVert(-1);
  EXPECT_EQ(std::tuple(S->GetButtonChange(), S->GetWheelChange(), S->GetBarSize(), S->GetTickFrequency(),
                       S->GetSpaceHorz(), S->GetSpaceVert()),
            std::tuple(1, 1, 1, 1, S->GetClientWidth() / 3, 0));
  // The layout keeps the stored spacing: the left button sits that far in.
  S->SetSpaceHorz(10);
  EXPECT_EQ(S->GetPartRect(qspLeftButton).Left, 10);
  Pump();
  EXPECT_EQ(S->GetSpaceHorz(), 10);
  // Too short for bar, caption and value text: it grows, and stays grown.
  S->SetBounds(10, 10, 300, 5);
  const int32_t h = S->GetHeight();
  EXPECT_GT(h, 5);
  S->SetBarSize(10);
  EXPECT_EQ(S->GetHeight(), h + 9);
}

TEST_F(TStdSliderTest, ArrowsRepeatUntilReleasedLeftOrDisabledAndDragsReportTwicePerMove) {
  S->SetMin(-1000), S->SetMax(1000);
  const int timers = Application->TimerCount();
  const TPoint left = ScreenOf(S->GetPartRect(qspLeftButton));
  const TPoint right = ScreenOf(S->GetPartRect(qspRightButton));
  const std::pair<const char*, std::function<void()>> stops[] = {
      {"release", [&] { Backend->MouseUp(Win(), left.X, left.Y); }}, {"leave", [&] { S->Perform(CM_MOUSELEAVE); }},
      {"focus loss", [&] { S->Perform(WM_KILLFOCUS); }}, {"disable", [&] { S->SetEnabled(false); }},
  };
  for (const auto& [what, stop] : stops) {
    SCOPED_TRACE(what);
    S->SetEnabled(true), S->SetPosition(0);
    Events = 0;
    Down(left.X, left.Y);
    EXPECT_TRUE(S->IsRepeating());
    // The first step comes with the press, the next after 125 ms, then every 125 ms.
    std::vector<int32_t> seen{S->GetPosition()};
    for (int ms : {124, 1, 125}) Tick(ms), seen.push_back(S->GetPosition());
    EXPECT_EQ(seen, (std::vector<int32_t>{-5, -5, -10, -15}));
    EXPECT_EQ(Events, 3);
    stop(), Pump();
    EXPECT_FALSE(S->IsRepeating());
    EXPECT_EQ(Application->TimerCount(), timers);
    Tick(1000);
    EXPECT_EQ(S->GetPosition(), -15);
    Up(left.X, left.Y);
  }
  // A second press without a release replaces the timer instead of adding one.
  S->SetEnabled(true), S->SetPosition(0);
  Backend->MouseDown(Win(), left.X, left.Y);
  Down(right.X, right.Y);
  EXPECT_EQ(Application->TimerCount(), timers + 1);
  Tick(125);
  EXPECT_EQ(S->GetPosition(), 5);
  Up(right.X, right.Y);
  EXPECT_EQ(Application->TimerCount(), timers);
  // A drag of the thumb reports twice per move: the position under the point, then the move.
  S->SetPosition(0);
  const TPoint thumb = ScreenOf(S->GetPartRect(qspThumb));
  Down(thumb.X, thumb.Y);
  Events = 0;
  Move(thumb.X + 20, thumb.Y, {ssLeft});
  EXPECT_EQ(Events, 2);
  EXPECT_GT(S->GetPosition(), 0);
  Move(5000, thumb.Y, {ssLeft});
  EXPECT_EQ(std::tuple(Events, S->GetPosition()), std::tuple(4, S->GetMax()));
  Up(5000, thumb.Y);
  // A press on the bar away from the thumb moves nothing.
  const TRect b = S->GetPartRect(qspBar);
  ClickAt(S, b.Left + 2, b.Top + 1);
  EXPECT_EQ(S->GetPosition(), S->GetMax());
}

TEST_F(TStdSliderTest, KeysAndWheelStepWithoutOverflow) {
  auto* other = Put<TQzEdit>(10, 200, 80, 25);
  struct TCase { TQzSliderOrientation Orientation; bool UseKeys; int32_t Start; uint16_t Key; TShiftState Shift;
                 int32_t Expected; };
  const TCase cases[] = {
      {sloHorizontal, true, 0, VK_RIGHT, {}, 5},         {sloHorizontal, true, 0, VK_UP, {ssCtrl}, 1},
      {sloHorizontal, true, 0, VK_LEFT, {}, -5},         {sloHorizontal, true, 0, VK_DOWN, {ssCtrl}, -1},
      {sloHorizontal, true, 0, VK_HOME, {}, -255},       {sloHorizontal, true, 0, VK_END, {}, 255},
      {sloVertical, true, 0, VK_HOME, {}, 255},          {sloVertical, true, 0, VK_END, {}, -255},
      {sloHorizontal, true, 253, VK_RIGHT, {}, 255},     {sloHorizontal, false, 0, VK_RIGHT, {}, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Key) + (c.UseKeys ? "" : " without keys"));
    S->SetOrientation(c.Orientation), S->SetUseKeys(c.UseKeys), S->SetPosition(c.Start), S->SetFocus();
    Events = 0;
    Key(c.Key, c.Shift);
    EXPECT_EQ(std::tuple(S->GetPosition(), Events), std::tuple(c.Expected, c.Expected != c.Start ? 1 : 0));
  }
  // Tab still moves the focus on.
  S->SetUseKeys(true), S->SetFocus();
  Key(VK_TAB);
  EXPECT_EQ(Form->GetActiveControl(), other);
  // Steps at the top of the 32-bit scale saturate.
  S->SetOrientation(sloHorizontal), S->SetMax(INT_MAX), S->SetMin(INT_MAX - 10), S->SetPosition(INT_MAX - 1);
  S->SetWheelChange(INT_MAX), S->SetButtonChange(INT_MAX);
  const TRect t = S->GetPartRect(qspBar);
  std::vector<int32_t> seen;
  const auto wheel = [&](int Delta) { Wheel(10 + t.Left, 10 + t.Top, Delta), seen.push_back(S->GetPosition()); };
  wheel(120), wheel(-120);
  S->SetFocus();
  Key(VK_RIGHT);
  seen.push_back(S->GetPosition());
  S->SetEnabled(false);  // a disabled slider leaves the wheel alone
  wheel(-120);
  EXPECT_EQ(seen, (std::vector<int32_t>{INT_MAX, INT_MAX - 10, INT_MAX, INT_MAX}));
}

TEST_F(TStdSliderTest, EditMirrorsThePositionAndIsReleased) {
  auto* edit = Put<TQzCustomValueEdit>(320, 0, 60, 20);
  S->SetPosition(40), S->SetEdit(edit);
  EXPECT_EQ(std::tuple(edit->GetMin(), edit->GetMax(), edit->GetValue()), std::tuple(-255.0f, 255.0f, 40.0f));
  EXPECT_EQ(edit->GetTop(), S->GetTop() + (S->GetHeight() - 20) / 2);
  S->SetPosition(-12);
  EXPECT_EQ(edit->GetValue(), -12.0f);
  // A press on an arrow hands the focus to the edit and keeps repeating.
  S->SetFocus();
  const TRect left = S->GetPartRect(qspLeftButton);
  Down(10 + left.Left + 2, 10 + left.Top + 2);
  EXPECT_TRUE(edit->Focused());
  Tick(125);
  EXPECT_EQ(edit->GetValue(), -22.0f);
  Up(10 + left.Left + 2, 10 + left.Top + 2);
  Events = 0;
  edit->Free();
  EXPECT_EQ(S->GetEdit(), nullptr);
  S->SetPosition(3);  // reported, and the freed edit is left alone
  EXPECT_EQ(Events, 1);
}

// Caption and value text of a 300 x 60 slider, "Gain" at -7, at known places round its bar
// (34, 28 - 265, 32): the caption on its row and side, the value text at the other end of the
// same row, or on the other row when the caption is centred (or hidden, then centred itself).
TEST_F(TStdSliderTest, CaptionValueTextAndBarAreDrawnInPlace) {
  S->SetCaption("Gain"), S->SetPosition(-7);
  struct TCase { TQzSliderCaptionAlign Row; TAlignment Side; bool Shown; TRect Caption, Value; };
  const TCase cases[] = {
      {scaTop, taLeftJustify, true, Rect(34, 8, 57, 21), Rect(243, 8, 265, 21)},
      {scaTop, taLeftJustify, false, Rect(34, 8, 57, 21), Rect(138, 8, 160, 21)},
      {scaTop, taCenter, true, Rect(138, 8, 161, 21), Rect(138, 39, 160, 52)},
      {scaTop, taRightJustify, true, Rect(242, 8, 265, 21), Rect(34, 8, 56, 21)},
      {scaBottom, taLeftJustify, true, Rect(34, 39, 57, 52), Rect(243, 39, 265, 52)},
      {scaBottom, taCenter, true, Rect(138, 39, 161, 52), Rect(138, 8, 160, 21)},
      {scaBottom, taRightJustify, true, Rect(242, 39, 265, 52), Rect(34, 39, 56, 52)},
      {scaBottom, taRightJustify, false, Rect(242, 39, 265, 52), Rect(138, 39, 160, 52)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Row) + " " + std::to_string(c.Side) + (c.Shown ? "" : " hidden"));
    S->SetCaptionAlign(c.Row), S->SetCaptionAlignment(c.Side), S->SetShowCaption(c.Shown);
    EXPECT_EQ((std::vector{S->GetPartRect(qspBar), S->GetPartRect(qspCaption), S->GetPartRect(qspValue)}),
              (std::vector{Rect(34, 28, 265, 32), c.Caption, c.Value}));
    // Painted there: ink inside the value's rectangle.
    Repaint(S);
    const auto at = [&](int X, int Y) { return ScreenPixel(10 + X, 10 + Y); };
    int ink = 0;
    for (int y = c.Value.Top; y < c.Value.Bottom; ++y)
      for (int x = c.Value.Left; x < c.Value.Right; ++x) ink += at(x, y) != at(c.Value.Left, c.Value.Top);
    EXPECT_GT(ink, 10) << "no value text drawn in its place";
  }
  // The bar takes the theme's colour only from a linked theme that holds colours.
  auto* theme = QzCreate<TQzThemeManager>(Form);
  struct TTheme { bool Linked, Colours; TColor Bar; };
  const TTheme themes[] = {{false, false, 0x808080}, {true, false, 0x808080}, {true, true, 0x3366AA}};
  for (const TTheme& c : themes) {
    if (c.Colours) theme->SetThemeColor(100, 0x3366AA);
    S->SetThemeManager(c.Linked ? theme : nullptr), S->SetBarSize(6), S->SetPosition(S->GetMin());
    Repaint(S);
    const TRect b = S->GetPartRect(qspBar);
    EXPECT_EQ(ScreenPixel(10 + b.Left + 3 * (b.Right - b.Left) / 4, 10 + b.Top + 3), c.Bar);
  }
}

}  // namespace
