// The control bases seen from outside: the theming rule, links that let go when either side is
// freed (same owner or not, in either order), edge borders, and the wheel hook.

#include "tests/ui/UiTestForm.h"

namespace {

// A manager that records who registers, and how often.
class TTestThemeManager : public TQzCustomThemeManager {
public:
  using TQzCustomThemeManager::TQzCustomThemeManager;
  std::string ClassName() const override { return "TTestThemeManager"; }
  void RegisterThemeClient(TComponent* Client) override {
    ++Registers, TQzCustomThemeManager::RegisterThemeClient(Client);
  }
  void UnregisterThemeClient(TComponent* Client) override {
    ++Unregisters, TQzCustomThemeManager::UnregisterThemeClient(Client);
  }
  int Registers = 0, Unregisters = 0;
};

class TThemeProbe : public TQzCustomWinControl {
public:
  using TQzCustomWinControl::TQzCustomWinControl;
  std::string ClassName() const override { return "TThemeProbe"; }
  // Repaints at once (the base's Refresh); with Relink set it links that manager again first.
  void ThemeChanged() override {
    ++ThemeChanges;
    if (Relink) SetThemeManager(Relink);
    TQzCustomWinControl::ThemeChanged();
  }
  bool DoMouseWheelScroll(TObject*, TShiftState, int Direction, TPoint) override {
    return Steps.push_back(Direction), UseWheel;
  }
  int ThemeChanges = 0;
  TQzCustomThemeManager* Relink = nullptr;
  bool UseWheel = true;
  std::vector<int> Steps;
};

class TComponentProbe : public TQzCustomComponent {
public:
  using TQzCustomComponent::TQzCustomComponent;
  std::string ClassName() const override { return "TComponentProbe"; }
  void ThemeChanged() override { ++ThemeChanges; }
  int ThemeChanges = 0;
};

using QzCtrls = UiFormTest;

}  // namespace

TEST_F(QzCtrls, ThemedOnlyWhenAllFourHoldAndClientsAreForgotten) {
  auto* m = QzCreate<TTestThemeManager>(Form);
  // A manager only themes once it holds a theme.
  m->SetThemeColor(1, clBlue);
  auto* c = QzCreate<TQzCustomWinControl>(Form);
  auto* g = QzCreate<TQzCustomGraphicControl>(Form);
  auto* k = QzCreate<TQzCustomComponent>(Form);
  EXPECT_EQ(std::tuple(c->GetWidth(), g->GetWidth()), std::tuple(200, 201));
  struct Row { bool Designing, UseThemes, Assigned, Active, Want; } rows[] = {
      {false, true, true, true, true},  {true, true, true, true, false},   {false, false, true, true, false},
      {false, true, false, true, false}, {false, true, true, false, false},
  };
  for (const Row& r : rows) {
    TQzCustomThemeManager* linked = r.Assigned ? m : nullptr;
    m->SetActive(r.Active), c->SetUseThemes(r.UseThemes), g->SetUseThemes(r.UseThemes);
    c->SetThemeManager(linked), g->SetThemeManager(linked), k->SetThemeManager(linked);
    c->SetDesigning(r.Designing), g->SetDesigning(r.Designing), k->SetDesigning(r.Designing);
    // The component has no switch of its own: it goes by the other three.
    EXPECT_EQ(std::tuple(c->IsThemed(), g->IsThemed(), k->IsThemed()),
              std::tuple(r.Want, r.Want, r.Want || !r.UseThemes));
    c->SetDesigning(false), g->SetDesigning(false), k->SetDesigning(false);
  }
  // A client freed by delete, without BeforeDestruction, is forgotten all the same.
  const int clients = m->ClientCount();
  auto* d = new TQzCustomWinControl(nullptr);
  d->SetThemeManager(m);
  EXPECT_EQ(m->ClientCount(), clients + 1);
  delete d;
  EXPECT_EQ(m->ClientCount(), clients);
  // The update counter never goes below zero.
  k->EndUpdate();
  k->BeginUpdate(), k->BeginUpdate(), k->EndUpdate();
  EXPECT_TRUE(k->IsUpdating());
  k->EndUpdate(), k->EndUpdate();
  EXPECT_EQ(k->GetUpdateCount(), 0);
}

// Every order of freeing a control and the three sources it links, with the sources on the
// same form or owned elsewhere: no link dangles (ASan builds check the memory) and the
// manager's client list forgets the control.
TEST_F(QzCtrls, LinksLetGoWhicheverSideGoesFirst) {
  for (bool sameOwner : {true, false})
    for (bool sourcesFirst : {true, false})
      for (bool byOwner : {true, false}) {
        SCOPED_TRACE(std::string(sameOwner ? "same owner" : "other owner") +
                     (sourcesFirst ? ", sources first" : ", users first") +
                     (byOwner ? ", freed by owner" : ", freed one by one"));
        TComponent* sourceOwner = sameOwner ? static_cast<TComponent*>(Form) : QzCreate<TComponent>(nullptr);
        auto* users = QzCreate<TComponent>(nullptr);
        auto* m = QzCreate<TTestThemeManager>(sourceOwner);
        auto* help = QzCreate<TQzHelpContextDataSource>(sourceOwner);
        auto* vls = QzCreate<TQzVLSDataSource>(sourceOwner);
        auto* win = QzCreate<TQzCustomWinControl>(users);
        auto* graphic = QzCreate<TQzCustomGraphicControl>(users);
        auto* comp = QzCreate<TQzCustomComponent>(users);
        win->SetParent(Form), graphic->SetParent(Form);
        win->SetThemeManager(m), win->SetHelp(help), win->SetVLS(vls), graphic->SetThemeManager(m);
        comp->SetThemeManager(m), comp->SetHelp(help), comp->SetVLS(vls);
        EXPECT_EQ(m->ClientCount(), 3);
        const auto freeSources = [&] { m->Free(), help->Free(), vls->Free(); };
        if (sourcesFirst) {
          if (byOwner && !sameOwner) sourceOwner->Free();
          else freeSources();
          EXPECT_TRUE(!win->GetThemeManager() && !win->GetHelp() && !win->GetVLS() && !graphic->GetThemeManager() &&
                      !comp->GetThemeManager() && !comp->GetHelp() && !comp->GetVLS() && !win->IsThemed());
          Pump();  // a paint after the manager went reads no freed manager
          users->Free();
        } else {
          const int before = m->Unregisters;
          if (!byOwner) win->Free(), graphic->Free(), comp->Free();
          users->Free();
          EXPECT_EQ(std::tuple(m->Unregisters - before, m->ClientCount()), std::tuple(3, 0));
          if (sameOwner) freeSources();
          else sourceOwner->Free();
        }
        if (!sameOwner && sourcesFirst && !byOwner) sourceOwner->Free();
      }
}

// A freed theme manager tells its clients while it is still whole: each unlinks through
// SetThemeManager, follows with ThemeChanged and repaints at once, before any pump. A parent that
// repaints first paints its child while the child still links the manager; a client that links
// the manager again from ThemeChanged, or linked it while the manager was designed, lets go all
// the same. ASan builds check that nothing reads the freed manager.
TEST_F(QzCtrls, FreedManagerUnlinksItsClientsWhileItIsWhole) {
  struct Case { const char* Name; bool ChildFirst, Designing, Relink, ControlsFirst; } cases[] = {
      {"parent linked first", false, false, false, false}, {"child linked first", true, false, false, false},
      {"linked while designed", false, true, false, false}, {"linking again", false, false, true, false},
      {"controls freed first", false, false, false, true},
  };
  Show();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.Name);
    auto* m = QzCreate<TTestThemeManager>(nullptr);
    m->SetThemeColor(1, clBlue);
    auto* parent = Put<TThemeProbe>(0, 0, 200, 150);
    auto* child = Put<TThemeProbe>(20, 20, 50, 50, parent);
    auto* graphic = Put<TQzCustomGraphicControl>(250, 0, 20, 20);
    auto* comp = QzCreate<TComponentProbe>(Form);
    parent->SetColor(clWhite), child->SetColor(clLime);
    m->SetDesigning(k.Designing);
    for (TThemeProbe* p : k.ChildFirst ? std::vector{child, parent} : std::vector{parent, child})
      p->SetThemeManager(m);
    graphic->SetThemeManager(m), comp->SetThemeManager(m);
    EXPECT_EQ(m->ClientCount(), 4);
    Pump();
    EXPECT_EQ(std::tuple(ScreenPixel(100, 100), ScreenPixel(30, 30)), std::tuple(TColor(clBlue), TColor(clBlue)));
    const int before[] = {parent->ThemeChanges, child->ThemeChanges, comp->ThemeChanges};
    if (k.Relink) child->Relink = m;
    if (k.ControlsFirst) {
      child->Free(), parent->Free(), graphic->Free(), comp->Free();
      EXPECT_EQ(m->ClientCount(), 0);
      m->Free();
      continue;
    }
    m->Free();
    EXPECT_TRUE(!parent->GetThemeManager() && !child->GetThemeManager() && !graphic->GetThemeManager() &&
                !comp->GetThemeManager());
    const int after[] = {parent->ThemeChanges, child->ThemeChanges, comp->ThemeChanges};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(after[i], before[i] + 1) << i;
    // Repainted from inside the notification, in the controls' own colours.
    EXPECT_EQ(std::tuple(ScreenPixel(100, 100), ScreenPixel(30, 30)), std::tuple(TColor(clWhite), TColor(clLime)));
    Pump();
    child->Free(), parent->Free(), graphic->Free(), comp->Free();
  }
}

TEST_F(QzCtrls, EdgeBordersDrawAndShrinkTheClientArea) {
  auto* c = Put<TQzCustomWinControl>(0, 0, 200, 150);
  auto* child = Put<TQzCustomWinControl>(0, 0, 10, 10, c);
  c->SetColor(clWhite), child->SetColor(clWhite), child->SetAlign(alClient), c->SetEdgeBorders({febLeft, febBottom});
  EXPECT_EQ(child->GetBoundsRect(), Rect(1, 0, 200, 149));
  Show();
  const TColor shadow = ColorToRGB(clBtnShadow);
  EXPECT_EQ((std::vector<bool>{ScreenPixel(0, 0) == shadow, ScreenPixel(0, 149) == shadow,
                               ScreenPixel(199, 149) == shadow, ScreenPixel(199, 0) == shadow}),
            (std::vector<bool>{true, true, true, false}));
  // Themed: the border takes theme colour 9, the erase colour 1.
  auto* m = QzCreate<TTestThemeManager>(Form);
  m->SetThemeColor(9, clRed), m->SetThemeColor(1, clBlue);
  c->SetThemeManager(m), child->SetThemeManager(m), Pump();
  EXPECT_EQ(std::tuple(ScreenPixel(0, 10), ScreenPixel(50, 50)), std::tuple(TColor(clRed), TColor(clBlue)));
}

// A notch the control uses does not also reach its container; the user's own wheel events stay
// free and come first.
TEST_F(QzCtrls, WheelStepIsHandledAndUserEventsStayFree) {
  auto* outer = Put<TThemeProbe>(0, 0, 300, 200);
  auto* knob = Put<TThemeProbe>(10, 10, 50, 50, outer);
  Show();
  Backend->Wheel(Win(), 20, 20, -120);
  Wheel(20, 20, 120);
  EXPECT_EQ(knob->Steps, (std::vector<int>{1, 0}));
  EXPECT_TRUE(outer->Steps.empty());
  knob->UseWheel = false;  // at its end: the container scrolls
  Wheel(20, 20, -120);
  EXPECT_EQ(outer->Steps, (std::vector<int>{1}));
  int userNotches = 0;
  knob->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& Handled) { ++userNotches, Handled = true; };
  Wheel(20, 20, -120);
  EXPECT_EQ(std::tuple(userNotches, knob->Steps.size()), std::tuple(1, 3u));
}
