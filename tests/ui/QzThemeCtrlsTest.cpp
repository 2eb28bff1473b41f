// The theme manager seen from outside: a theme file reaching the controls already linked, no
// colours before a theme exists, registration inside an update bracket, Assign, the values it
// reads from the theme and owner-drawn menus.

#include "tests/common/GoldenTheme.h"
#include "tests/common/TestStreams.h"
#include "../graphics/FormatsTestUtil.h"
#include "tests/ui/UiTestForm.h"

namespace {

using QzThemeCtrls = UiFormTest;

}  // namespace

TEST_F(QzThemeCtrls, LoadedThemeReachesControlsLinkedBeforeAndApplyThemeTheRestOfTheForm) {
  auto* m = QzCreate<TQzThemeManager>(Form);
  auto* w = Put<TQzCustomWinControl>(0, 0, 200, 200);
  auto* edit = Put<TEdit>(0, 0, 50, 20, w);
  auto* label = Put<TLabel>(0, 30, 50, 20, w);
  // Outside w: left to ApplyTheme.
  auto* plain = QzCreate<TQzCustomWinControl>(Form);
  auto* loose = QzCreate<TEdit>(Form);
  edit->SetBorderStyle(bsSingle), loose->SetBorderStyle(bsSingle);
  const TColor before = w->GetColor();
  // Without a theme nothing turns black.
  m->ApplyTheme(Form);
  EXPECT_EQ(std::tuple(Form->GetColor(), plain->GetThemeManager()), std::tuple(TColor(clWhite), nullptr));
  w->SetThemeManager(m);
  // No theme yet: the control is listed and linked but keeps its own look.
  EXPECT_EQ(std::tuple(m->HasClient(w), m->GetActive(), w->IsThemed(), w->GetColor(), edit->GetBorderStyle()),
            std::tuple(true, false, false, before, bsSingle));
  Show();
  EXPECT_EQ(ScreenPixel(100, 100), ColorToRGB(before));
  LoadGolden(m), Pump();
  EXPECT_EQ(std::tuple(w->IsThemed(), w->GetColor(), edit->GetColor(), edit->GetFont()->GetColor(),
                       edit->GetBorderStyle(), label->GetFont()->GetColor(), ScreenPixel(100, 100)),
            std::tuple(true, RampColor(1), RampColor(152), RampColor(154), bsNone, TColor(0xFFFFFF), RampColor(1)));
  m->ApplyTheme(w);  // not a form: nothing
  EXPECT_EQ(std::tuple(plain->GetThemeManager(), label->GetFont()->GetColor()), std::tuple(nullptr, TColor(0xFFFFFF)));
  m->ApplyTheme(Form);
  EXPECT_EQ(std::tuple(Form->GetColor(), plain->GetThemeManager(), plain->GetColor(), loose->GetColor(),
                       loose->GetBorderStyle(), label->GetFont()->GetColor()),
            std::tuple(RampColor(0), m, RampColor(1), RampColor(152), bsNone, RampColor(3)));
  // Switched off, the control paints its own look again.
  m->SetActive(false);
  EXPECT_FALSE(w->IsThemed());
}

TEST_F(QzThemeCtrls, RegistrationInsideABracketIsThemedWhenItClosesAndAssignTakesOnlyAManagersTheme) {
  auto* m = QzCreate<TQzThemeManager>(Form);
  LoadGolden(m);
  auto* w = QzCreate<TQzCustomWinControl>(Form);
  m->BeginUpdate();
  w->SetThemeManager(m);
  EXPECT_TRUE(m->HasClient(w));
  m->SetThemeColor(1, clRed);
  EXPECT_TRUE(w->GetColor() != RampColor(1) && w->GetColor() != clRed);
  m->EndUpdate();
  EXPECT_EQ(w->GetColor(), clRed);
  w->Free();
  EXPECT_EQ(m->ClientCount(), 0);
  // Assign takes only another manager's theme.
  auto* other = QzCreate<TQzThemeManager>(Form);
  w = QzCreate<TQzCustomWinControl>(Form);
  w->SetThemeManager(m);
  LoadGolden(other);
  struct Case { std::string Name; TPersistent* Source; bool Throws; TColor Want; } cases[] = {
      {"nil", nullptr, false, clRed}, {"itself", m, false, clRed}, {"not a manager", w->GetFont(), true, clRed},
      {"another manager", other, false, RampColor(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.Throws) EXPECT_THROW(m->Assign(c.Source), EConvertError);
    else m->Assign(c.Source);
    EXPECT_EQ(m->GetThemeColor(1), c.Want);
  }
  EXPECT_EQ(std::tuple(w->GetColor(), m->IsUpdating()), std::tuple(RampColor(1), false));
}

TEST_F(QzThemeCtrls, FontsAndScrollBarSizesFromTheTheme) {
  auto* m = QzCreate<TQzThemeManager>(Form);
  LoadGolden(m);
  for (auto [state, index] : {std::pair{0, 121}, {4, 125}, {7, 123}, {9, 125}, {10, 121}, {-1, 121}})
    EXPECT_EQ(m->GetButtonFont(state)->GetColor(), RampColor(index)) << state;
  EXPECT_EQ(m->GetButtonFont(0)->GetName(), "arial");
  struct Case { std::string Text; int32_t Horz, Vert; } cases[] = {
      {"", 10, 10}, {"#ScrollBars\r\n[Sizes]\r\nHorizontal=16\r\nVertical=12\r\n", 16, 12},
      {"#ScrollBars\r\n[Sizes]\r\nHorizontal=0\r\nVertical=-7\r\n", 4, 4},
      {"#ScrollBars\r\n[Sizes]\r\nHorizontal=2147483647\r\nVertical=wide\r\n", 64, 10},
  };
  for (const Case& c : cases) {
    m->GetThemeItems()->GetValues()->SetText(c.Text);
    EXPECT_EQ(std::tuple(m->GetHorzScrollBarSize(), m->GetVertScrollBarSize()), std::tuple(c.Horz, c.Vert)) << c.Text;
  }
}

// Every drawing service draws the same through a device context as on a canvas, in the colours
// its part or state names.
TEST_F(QzThemeCtrls, DrawingServicesOnCanvasAndContextAlike) {
  auto* m = QzCreate<TQzThemeManager>(Form);
  LoadGolden(m);
  using M = TQzCustomThemeManager;
  using TOnCanvas = void (M::*)(TControl*, TCanvas*, const TRect&, int);
  using TOnDC = void (M::*)(TControl*, HDC, const TRect&, int);
  // Colour: theme colour index expected at Probe.
  const struct { const char* Name; TOnCanvas Canvas; TOnDC DC; int Arg; TPoint Probe; int Colour; } services[] = {
      {"background", &M::FillBackground, &M::EraseBackgroundDC, 0, {20, 10}, 1},
      {"horizontal bar", &M::DrawScrollBarHorz, &M::DrawScrollBarHorzDC, 0, {20, 10}, 12},
      {"vertical button hot", &M::DrawScrollBarVert, &M::DrawScrollBarVertDC, 2, {20, 10}, 14},
      {"horizontal button disabled", &M::DrawScrollBarHorz, &M::DrawScrollBarHorzDC, 4, {20, 10}, 16},
      {"slider bar", &M::DrawSliderBar, &M::DrawSliderBarDC, 0, {20, 10}, 100},
      {"slider bar part 3", &M::DrawSliderBar, &M::DrawSliderBarDC, 3, {20, 10}, 104},
      {"slider thumb part 3", &M::DrawSliderThumb, &M::DrawSliderThumbDC, 3, {20, 10}, 104},
      {"tab set", &M::FillTabSetBackground, &M::FillTabSetBackgroundDC, 5, {20, 10}, 23},
      {"header bar", &M::DrawHeaderBarBackground, &M::DrawHeaderBarBackgroundDC, 0, {20, 0}, 70},
      {"button selected", &M::DrawButton, &M::DrawButtonDC, 2, {20, 1}, 118},
  };
  for (const auto& s : services) {
    SCOPED_TRACE(s.Name);
    auto onCanvas = FilledBitmap(40, 20, clFuchsia), onDC = FilledBitmap(40, 20, clFuchsia);
    (m->*s.Canvas)(nullptr, onCanvas->GetCanvas(), Rect(0, 0, 40, 20), s.Arg);
    (m->*s.DC)(nullptr, onDC->GetCanvas()->GetHandle(), Rect(0, 0, 40, 20), s.Arg);
    EXPECT_EQ(onCanvas->GetCanvas()->GetPixel(s.Probe.X, s.Probe.Y), RampColor(s.Colour));
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 40; ++x)
        ASSERT_EQ(onDC->GetCanvas()->GetPixel(x, y), onCanvas->GetCanvas()->GetPixel(x, y)) << x << "," << y;
    (m->*s.DC)(nullptr, nullptr, Rect(0, 0, 40, 20), s.Arg);  // no context: nothing
  }
}

TEST_F(QzThemeCtrls, OwnerDrawnPopupMenuStaysInsideItsItem) {
  auto* m = QzCreate<TQzThemeManager>(Form);
  LoadGolden(m);
  m->SetOptions({thoOwnerDrawMenus});
  auto* w = QzCreate<TQzCustomWinControl>(Form);
  auto* menu = QzCreate<TPopupMenu>(w);
  auto* item = QzCreate<TMenuItem>(menu);
  item->SetCaption("Open");
  menu->GetItems()->Add(item);
  w->SetThemeManager(m);
  ASSERT_TRUE(menu->OnDrawItem && menu->OnMeasureItem);
  auto b = FilledBitmap(120, 40, clBlack);
  TCanvas* c = b->GetCanvas();
  int32_t width = 0, height = 0;
  menu->OnMeasureItem(item, c, width, height);
  EXPECT_GT(width, c->TextWidth("Open"));
  EXPECT_GT(height, 0);
  struct Case {
    TOwnerDrawState State;
    TColor Fill;
  } cases[] = {{{}, RampColor(1)}, {{odSelected}, RampColor(134)}, {{odGrayed, odDisabled}, RampColor(1)}};
  for (const Case& k : cases) {
    menu->OnDrawItem(item, c, Rect(10, 10, 110, 30), k.State);
    // Nothing around the item is touched.
    EXPECT_EQ(std::tuple(c->GetPixel(11, 11), c->GetPixel(5, 5), c->GetPixel(115, 35)),
              std::tuple(k.Fill, clBlack, clBlack));
  }
  // A freed manager leaves no hook behind.
  m->Free();
  EXPECT_FALSE(menu->OnDrawItem || menu->OnMeasureItem);
}
