// The theme manager and the translation source reaching the standard and audio controls through
// the rows their units add: colours from a theme file, the theme's pictures by ID, the built-in
// look back when the manager is switched off, and translations back and forth.

#include "tests/common/GoldenTheme.h"
#include "tests/ui/UiTestForm.h"

namespace {

class QzThemeRows : public UiFormTest {
protected:
  void SetUp() override {
    UiFormTest::SetUp();
    for (auto* r :
         {RegisterQzStdCtrlsClasses, RegisterQzExtCtrlsClasses, RegisterQzBorderClasses, RegisterQzEditClasses,
          RegisterQzButtonsClasses, RegisterQzControlPanelClasses, RegisterQzScrollBoxClasses,
          RegisterQzAudioKnobClasses, RegisterQzAudioVolumeSliderClasses, RegisterQzAudioSwitchGroupClasses})
      r();
  }
  template <class T>
  T* Put(const std::string& Name, int L, int T_, int W, int H) {
    T* c = UiFormTest::Put<T>(L, T_, W, H);
    c->SetName(Name);
    return c;
  }
};

TEST_F(QzThemeRows, ThemeFileReachesEveryControlClassAndLeavesWhenSwitchedOff) {
  auto* label = Put<TQzLabel>("Label", 0, 0, 60, 20);
  auto* action = Put<TQzActionLabel>("Action", 0, 20, 60, 20);
  auto* line = Put<TQzBorderLine>("Line", 0, 100, 100, 4);
  auto* edit = Put<TQzEdit>("Edit", 100, 0, 80, 20);
  auto* scroll = Put<TQzCustomScrollingWinControl>("Scroll", 200, 0, 100, 80);
  auto* bar = Put<TQzHeaderBar>("Bar", 0, 150, 200, 40);
  bar->SetCaption(""), bar->SetColor(RGB(0, 0, 255));
  scroll->SetParentColor(false);
  auto* m = QzCreate<TQzThemeManager>(Form);
  LoadGolden(m);
  ASSERT_EQ(m->GetThemeColor(152), RampColor(152));
  // Registered: the colour after registering the form; Applied: after ApplyTheme.
  struct TRow { const char* What; std::function<TColor()> Colour; TColor Registered, Applied, Own = 0; };
  TRow rows[] = {
      {"label font", [&] { return label->GetFont()->GetColor(); }, RampColor(154), RampColor(3)},
      {"action label font", [&] { return action->GetFont()->GetColor(); }, 0xFFFFFF, RampColor(3)},
      {"border line", [&] { return line->GetColor(); }, 0xFFFFFF, RampColor(7)},
      {"edit", [&] { return edit->GetColor(); }, RampColor(1), RampColor(152)},
      {"scrolling control", [&] { return scroll->GetColor(); }, RampColor(1), RampColor(1)},
  };
  for (TRow& r : rows) r.Own = r.Colour();
  m->RegisterThemeClient(Form);
  for (const TRow& r : rows) EXPECT_EQ(r.Colour(), r.Registered) << r.What;
  const auto managers = [&] {
    return std::vector{label->GetThemeManager(), action->GetThemeManager(), line->GetThemeManager(),
                       edit->GetThemeManager(), scroll->GetThemeManager()};
  };
  // Registration takes the label as a plain label: its font colour only, no link.
  const auto linked = std::vector<TQzCustomThemeManager*>{nullptr, m, m, m, m};
  EXPECT_EQ(managers(), linked);
  // Unlinked controls are linked again by ApplyTheme, and keep its colours, not registration's.
  action->SetThemeManager(nullptr), line->SetThemeManager(nullptr);
  edit->SetThemeManager(nullptr), scroll->SetThemeManager(nullptr);
  EXPECT_EQ(std::tuple(rows[1].Colour(), rows[3].Colour()), std::tuple(rows[1].Own, rows[3].Own))
      << "a control that leaves gets its own look back";
  m->ApplyTheme(Form);
  for (const TRow& r : rows) EXPECT_EQ(r.Colour(), r.Applied) << r.What;
  EXPECT_EQ(managers(), std::vector(5, static_cast<TQzCustomThemeManager*>(m)));
  // Painted: the theme's colours while active, the built-in look once switched off.
  Show();
  EXPECT_EQ(std::tuple(ScreenPixel(50, 102), ScreenPixel(150, 150)), std::tuple(RampColor(7), RampColor(70)));
  m->SetActive(false), Pump();
  EXPECT_EQ(std::tuple(ScreenPixel(50, 102), ScreenPixel(150, 150)),
            std::tuple(ColorToRGB(clBtnShadow), RGB(0, 0, 255)));
  EXPECT_EQ(Form->GetColor(), clWhite);
  for (const TRow& r : rows) EXPECT_EQ(r.Colour(), r.Own) << r.What << " switched off";
  m->SetActive(true), Pump();
  EXPECT_EQ(ScreenPixel(50, 102), RampColor(7));
}

// Registering a form walks it class by class: a form's owned components, a windowless control's
// owned components, an own windowed control's children and owned components, a plain windowed
// control's owned components and children; labels, edits, memos, notebooks, pages and the
// notebook tab set end the walk. Menus are owner-drawn only with the option, and only those a
// client owns (the form, and each control the walk links). Components of the keeper are reached
// only through the walk, never as the form's own.
TEST_F(QzThemeRows, RegistrationWalksByClassAndHooksOnlyTheClientsMenus) {
  RegisterQzTabSetClasses();
  for (const bool ownerDraw : {false, true}) {
    SCOPED_TRACE(ownerDraw ? "owner-drawn menus" : "no owner-drawn menus");
    auto* keeper = QzCreate<TComponent>(nullptr);
    auto* win = Put<TQzCustomWinControl>("Win", 0, 0, 60, 60);
    auto* plain = Put<TCustomControl>("Plain", 60, 0, 60, 60);
    auto* graphic = Put<TQzCustomGraphicControl>("Graphic", 120, 0, 20, 20);
    auto* label = Put<TLabel>("Label", 140, 0, 20, 20);
    auto* qzLabel = Put<TQzLabel>("QzLabel", 160, 0, 20, 20);
    auto* action = Put<TQzActionLabel>("Action", 180, 0, 20, 20);
    auto* line = Put<TQzBorderLine>("Line", 200, 0, 20, 4);
    auto* edit = Put<TEdit>("Edit", 0, 60, 40, 20);
    auto* memo = Put<TMemo>("Memo", 40, 60, 40, 20);
    auto* labeled = Put<TLabeledEdit>("Labeled", 80, 60, 40, 20);
    auto* book = Put<TNotebook>("Book", 0, 100, 100, 60);
    TPage* page = book->AddPage("One");
    auto* tabs = Put<TQzNotebookTabSet>("Tabs", 100, 100, 200, 40);
    // A windowed control of the keeper, parented in P (nil: none).
    const auto kept = [&](TComponent* Owner, TWinControl* P) {
      auto* c = QzCreate<TQzCustomWinControl>(Owner ? Owner : keeper);
      if (P) c->SetParent(P);
      return c;
    };
    auto* inWin = kept(nullptr, win);
    auto* ofWin = kept(win, nullptr);
    auto* inPlain = kept(nullptr, plain);
    auto* ofPlain = kept(plain, nullptr);
    auto* ofGraphic = kept(graphic, nullptr);
    auto* ofQzLabel = kept(qzLabel, nullptr);
    auto* ofLine = kept(line, nullptr);
    auto* ofEdit = kept(edit, nullptr);
    auto* inPage = kept(nullptr, page);
    auto* inTabs = kept(nullptr, tabs);
    auto* tabButton = dynamic_cast<TQzButton*>(tabs->GetControl(0));
    ASSERT_NE(tabButton, nullptr);
    auto* m = QzCreate<TQzThemeManager>(Form);
    LoadGolden(m);
    if (ownerDraw) m->SetOptions({thoOwnerDrawMenus});
    const auto linked = [m](auto* C) { return C->GetThemeManager() == m; };
    const auto colour = [](TControl* C, int I) { return C->GetColor() == RampColor(I); };
    // Themed: what the walk's step leaves on the component once reached.
    struct TRow { const char* What; TComponent* Component; bool Reached; std::function<bool()> Themed; };
    const TRow rows[] = {
        {"form", Form, true, [&] { return colour(Form, 0); }},
        {"own windowed control", win, true, [&] { return linked(win) && colour(win, 1); }},
        {"its child", inWin, true, [&] { return linked(inWin) && colour(inWin, 1); }},
        {"owned by it", ofWin, true, [&] { return linked(ofWin); }},
        {"plain windowed control", plain, true, [&] { return colour(plain, 1); }},
        {"its child", inPlain, true, [&] { return linked(inPlain); }},
        {"owned by it", ofPlain, true, [&] { return linked(ofPlain); }},
        {"windowless control", graphic, true, [&] { return linked(graphic); }},
        {"owned by it", ofGraphic, true, [&] { return linked(ofGraphic); }},
        {"toolkit label", label, true, [&] { return label->GetFont()->GetColor() == 0xFFFFFF; }},
        {"own label, not linked", qzLabel, true,
         [&] { return qzLabel->GetFont()->GetColor() == RampColor(154) && !linked(qzLabel); }},
        {"owned by it", ofQzLabel, false, [&] { return linked(ofQzLabel); }},
        {"action label", action, true, [&] { return linked(action) && action->GetFont()->GetColor() == 0xFFFFFF; }},
        {"border line", line, true, [&] { return linked(line) && line->GetColor() == 0xFFFFFF; }},
        {"owned by it, as a windowless control's", ofLine, true, [&] { return linked(ofLine); }},
        {"edit", edit, true, [&] { return colour(edit, 152) && edit->GetBorderStyle() == bsNone; }},
        {"owned by it", ofEdit, false, [&] { return linked(ofEdit); }},
        {"memo", memo, true, [&] { return colour(memo, 152); }},
        {"labelled edit", labeled, true,
         [&] { return colour(labeled, 152) && labeled->GetEditLabel()->GetFont()->GetColor() == RampColor(3); }},
        {"notebook", book, true, [&] { return colour(book, 1); }},
        {"page", page, true, [&] { return colour(page, 1); }},
        {"in the page", inPage, false, [&] { return linked(inPage); }},
        {"notebook tab set", tabs, true, [&] { return linked(tabs) && colour(tabs, 1); }},
        {"its own scroll button", tabButton, false, [&] { return linked(tabButton); }},
        {"a child of the tab set", inTabs, false, [&] { return linked(inTabs); }},
    };
    struct TMenuRow { const char* What; TMenu* Menu; bool Hooked; } menus[] = {
        {"popup of the form", QzCreate<TPopupMenu>(Form), true},
        {"main menu of the form", QzCreate<TMainMenu>(Form), true},
        {"of a linked control", QzCreate<TPopupMenu>(win), true},
        {"of a control linked as owned", QzCreate<TPopupMenu>(ofWin), true},
        {"of a plain control", QzCreate<TPopupMenu>(plain), false},
        {"of a control not reached", QzCreate<TPopupMenu>(inTabs), false},
    };
    m->RegisterThemeClient(Form);
    for (const TRow& r : rows) {
      EXPECT_EQ(m->HasClient(r.Component), r.Reached) << r.What;
      EXPECT_EQ(r.Themed(), r.Reached) << r.What;
    }
    for (const TMenuRow& r : menus)
      EXPECT_EQ(r.Menu->OnDrawItem && r.Menu->OnMeasureItem, ownerDraw && r.Hooked) << r.What;
    m->Free(), keeper->Free(), Form->DestroyComponents();
  }
}

// A picture of W x H pixels under ID in the theme's picture list.
void AddPicture(TQzCustomThemeManager* M, uint16_t ID, int W, int H) {
  auto* item = new TQzPictureListItem(M->GetThemeItems()->GetPictures());
  item->SetID(ID);
  item->GetPicture()->SetGraphic(FilledBitmap(W, H, RGB(200, 10, 10)).get());
}

TEST_F(QzThemeRows, ThemePicturesReplaceBuiltInOnesOnlyWhileThemed) {
  auto* knobs = QzCreate<TQzAudioKnobSource>(Form);
  auto* caps = QzCreate<TQzAudioSliderKnobSource>(Form);
  auto* group = Put<TQzAudioSwitchGroup>("Group", 0, 0, 100, 40);
  TBitmap own;
  own.SetSize(30, 300);
  knobs->GetPicture()->SetGraphic(&own);
  const int capWidth = caps->GetPicture()->GetWidth();
  auto* m = QzCreate<TQzThemeManager>(Form);
  LoadGolden(m);
  AddPicture(m, QzThemeKnobPictureID, 20, 200);
  AddPicture(m, QzThemeSliderKnobPictureID, 11, 13);
  AddPicture(m, QzThemeSwitchCheckedPictureID, 9, 5);
  AddPicture(m, QzThemeSwitchUncheckedPictureID, 8, 6);
  struct TRow { const char* What; std::function<int()> Width; int Themed, Unthemed; };
  const TRow rows[] = {
      {"knob strip", [&] { return knobs->GetPicture()->GetWidth(); }, 20, 30},
      {"slider knob", [&] { return caps->GetPicture()->GetWidth(); }, 11, capWidth},
      {"checked switch", [&] { return group->GetCheckedPicture()->GetWidth(); }, 9, 0},
      {"unchecked switch", [&] { return group->GetUncheckedPicture()->GetWidth(); }, 8, 0},
  };
  // Inactive: linked, but the controls keep their own pictures.
  m->SetActive(false);
  knobs->SetThemeManager(m), caps->SetThemeManager(m), group->SetThemeManager(m);
  for (const TRow& r : rows) EXPECT_EQ(r.Width(), r.Unthemed) << r.What;
  m->SetActive(true);
  for (const TRow& r : rows) EXPECT_EQ(r.Width(), r.Themed) << r.What;
  EXPECT_TRUE(group->GetCheckedPicture()->GetTransparent() && group->GetUncheckedPicture()->GetTransparent());
  // A theme without the pictures leaves the ones taken; switched off, the own ones come back.
  m->GetThemeItems()->GetPictures()->FreeItems();
  m->GetThemeItems()->Changed();
  for (const TRow& r : rows) EXPECT_EQ(r.Width(), r.Themed) << r.What;
  m->SetActive(false);
  for (const TRow& r : rows) EXPECT_EQ(r.Width(), r.Unthemed) << r.What << " switched off";
}

// Either the manager or the controls go first; neither leaves a dangling link.
TEST_F(QzThemeRows, ManagerAndControlsFreedInEitherOrder) {
  for (bool managerFirst : {true, false}) {
    SCOPED_TRACE(managerFirst);
    auto* label = Put<TQzLabel>("Label", 0, 0, 60, 20);
    auto* edit = Put<TQzEdit>("Edit", 100, 0, 80, 20);
    auto* knobs = QzCreate<TQzAudioKnobSource>(Form);
    auto* m = QzCreate<TQzThemeManager>(Application);
    LoadGolden(m);
    AddPicture(m, QzThemeKnobPictureID, 20, 200);
    knobs->SetThemeManager(m);
    m->RegisterThemeClient(Form);
    m->ApplyTheme(Form);
    Show();
    if (managerFirst) {
      m->Free();
      EXPECT_TRUE(!label->GetThemeManager() && !edit->GetThemeManager() && !knobs->GetThemeManager());
      Pump();
      label->Free(), edit->Free(), knobs->Free();
    } else {
      label->Free(), edit->Free(), knobs->Free();
      EXPECT_FALSE(m->HasClient(label));
      m->SetActive(false);  // reaches only the clients still alive
      m->Free();
    }
    Pump();
  }
}

const char* const German =
    "#TForm\r\n[Head]\r\nText=Kopfzeile\r\n[Action]\r\nText=Aktion\r\nHint=Tu es\r\n"
    "[Bar]\r\nText=Leiste\r\nHint=Balken\r\nInfo=Auskunft\r\n[Group]\r\nHint=Gruppenhilfe\r\n"
    "[Check]\r\nHint=Ankreuzen\r\n[Label]\r\nText=Beschriftung\r\n[Scroll]\r\nText=Rollen\r\nHint=Rollbereich\r\n"
    "#Global\r\n[Group]\r\nText=Gruppe\r\n[Check]\r\nText=Prüfen\r\n[Box]\r\nText=Kasten\r\n"
    "[Button]\r\nText=Knopf\r\n[Icon]\r\nHint=Symbol\r\n";

const char* const English =
    "#TForm\r\n[Head]\r\nText=Headline\r\n[Action]\r\nText=Act\r\nHint=Do it\r\n"
    "[Bar]\r\nText=Bar\r\nHint=Strip\r\nInfo=Info\r\n[Group]\r\nText=Group\r\nHint=Group help\r\n"
    "[Check]\r\nText=Check\r\nHint=Tick\r\n[Box]\r\nText=Box\r\n[Button]\r\nText=Button\r\n"
    "[Label]\r\nText=Label\r\n[Scroll]\r\nText=Scroll\r\nHint=Scroll area\r\n#Global\r\n[Icon]\r\nHint=Icon\r\n";

TEST_F(QzThemeRows, TranslationReachesEveryControlClassAndBack) {
  auto* panel = Put<TQzControlPanel>("Panel", 0, 200, 200, 30);
  auto* box = UiFormTest::Put<TQzControlPanelBox>(0, 0, 100, 20, panel);
  box->SetName("Box");
  auto* head = Put<TQzHeadLine>("Head", 0, 0, 60, 20);
  auto* action = Put<TQzActionLabel>("Action", 0, 20, 60, 20);
  auto* bar = Put<TQzHeaderBar>("Bar", 0, 40, 200, 30);
  auto* group = Put<TQzGroupBox>("Group", 0, 80, 60, 40);
  auto* check = Put<TQzCheckBox>("Check", 60, 80, 60, 20);
  auto* button = Put<TQzButton>("Button", 120, 80, 60, 20);
  auto* label = Put<TQzLabel>("Label", 180, 80, 60, 20);
  auto* icon = Put<TQzActionIcon>("Icon", 240, 80, 20, 20);
  auto* scroll = Put<TQzCustomScrollingWinControl>("Scroll", 0, 130, 100, 60);
  auto* vls = QzCreate<TQzVLSDataSource>(Form);
  // Caption and hint of each control, and the header bar's info text, as one string.
  const auto texts = [&](TControl* C) {
    return C->GetCaption() + "|" + C->GetHint() + (C == bar ? "|" + bar->GetInfoText() : "");
  };
  struct TRow { TControl* Control; const char* InGerman; const char* InEnglish; };
  // The German texts of group, check box, panel box and button and the icon's hint are global.
  const TRow rows[] = {
      {head, "Kopfzeile|", "Headline|"}, {action, "Aktion|Tu es", "Act|Do it"},
      {bar, "Leiste|Balken|Auskunft", "Bar|Strip|Info"},
      {group, "Gruppe|Gruppenhilfe", "Group|Group help"}, {check, "Prüfen|Ankreuzen", "Check|Tick"},
      {box, "Kasten|", "Box|"}, {button, "Knopf|", "Button|"}, {label, "Beschriftung|", "Label|"},
      {icon, "|Symbol", "|Icon"}, {scroll, "Rollen|Rollbereich", "Scroll|Scroll area"},
  };
  for (bool german : {false, true, false}) {
    vls->GetValues()->SetText(german ? German : English);
    vls->TranslateForm(Form);
    for (const TRow& r : rows) EXPECT_EQ(texts(r.Control), german ? r.InGerman : r.InEnglish) << r.Control->GetName();
  }
}

}  // namespace
