// The translation source on a form: the class table, the "Global" fallbacks, menus found by
// name or by their first caption, and translations back and forth that always give the same
// captions.

#include "tests/ui/UiTestForm.h"

namespace {

const char* const German =
    "#TForm\r\n[Self]\r\nCaption=Entzerrer\r\n[OkButton]\r\nText=Gut\r\n[Title]\r\nText=Titel\r\nHint=Kopf\r\n"
    "[Panel]\r\nText=Tafel\r\nHint=Feld\r\n[Name]\r\nText=Name#13DE\r\nHint=nur hier\r\n"
    "[OpenItem]\r\nText=Öffnen\r\n[Save]\r\nText=Sichern\r\n"
    "#Global\r\n[Page1]\r\nText=Seite\r\nHint=Blatt\r\n[CopyAction]\r\nText=Kopieren\r\nHint=In die Ablage\r\n"
    "[Close]\r\nText=Schließen\r\n";

const char* const English =
    "#TForm\r\n[Self]\r\nCaption=Equaliser\r\n[OkButton]\r\nText=OK\r\n[Title]\r\nText=Title\r\nHint=Head\r\n"
    "[Panel]\r\nText=Panel\r\nHint=Field\r\n[Name]\r\nText=Name\r\nHint=here only\r\n[Save]\r\nText=Save\r\n"
    "#Global\r\n[OpenItem]\r\nText=Open\r\n[Page1]\r\nText=Page\r\nHint=Sheet\r\n"
    "[CopyAction]\r\nText=Copy\r\nHint=To the clipboard\r\n[Close]\r\nText=Close\r\n";

class QzVLSCtrls : public UiFormTest {
protected:
  void SetUp() override {
    UiFormTest::SetUp();
    Button = Named<TButton>("OkButton");
    Title = Named<TLabel>("Title");
    Panel = Named<TQzCustomWinControl>("Panel");
    Edit = Named<TLabeledEdit>("Name");
    Notebook = Named<TNotebook>("Book");
    Page = Notebook->AddPage("Page one");
    Page->SetName("Page1");
    Actions = Named<TActionList>("Actions");
    Copy = Named<TAction>("CopyAction");
    Copy->SetActionList(Actions);
    Menu = Named<TPopupMenu>("Menu");
    Open = AddItem("OpenItem", "Open");
    Unnamed = AddItem("", "Close");
    SaveItem = AddItem("", "Save");
    Vls = QzCreate<TQzVLSDataSource>(Form);
  }
  template <class T>
  T* Named(const std::string& Name) {
    T* c = QzCreate<T>(Form);
    c->SetName(Name);
    if (auto* ctl = dynamic_cast<TControl*>(c)) ctl->SetParent(Form);
    return c;
  }
  TMenuItem* AddItem(const std::string& Name, const std::string& Caption) {
    auto* i = QzCreate<TMenuItem>(Form);
    if (!Name.empty()) i->SetName(Name);
    i->SetCaption(Caption);
    Menu->GetItems()->Add(i);
    return i;
  }
  void Translate(const char* Language) { Vls->GetValues()->SetText(Language), Vls->TranslateForm(Form); }
  // Every property the source may write.
  std::vector<std::string> Texts() const {
    return {Form->GetCaption(), Button->GetCaption(),   Title->GetCaption(),       Title->GetHint(),
            Panel->GetCaption(), Panel->GetHint(),      Edit->GetEditLabel()->GetCaption(), Edit->GetHint(),
            Page->GetCaption(),  Page->GetHint(),       Copy->GetCaption(),        Copy->GetHint(),
            Open->GetCaption(),  Unnamed->GetCaption(), SaveItem->GetCaption()};
  }
  TButton* Button = nullptr;
  TLabel* Title = nullptr;
  TQzCustomWinControl* Panel = nullptr;
  TLabeledEdit* Edit = nullptr;
  TNotebook* Notebook = nullptr;
  TPage* Page = nullptr;
  TActionList* Actions = nullptr;
  TAction* Copy = nullptr;
  TPopupMenu* Menu = nullptr;
  TMenuItem *Open = nullptr, *Unnamed = nullptr, *SaveItem = nullptr;
  TQzVLSDataSource* Vls = nullptr;
};

}  // namespace

// Every class of the table translated, then each language again after the other one.
TEST_F(QzVLSCtrls, TranslationsOfEveryClassBackAndForthGiveTheSameCaptions) {
  Translate(English);
  const auto english = Texts();
  Translate(German);
  const std::vector<std::string> german = {
      "Entzerrer", "Gut", "Titel", "", "Tafel", "Feld", "Name\rDE", "nur hier", "Seite", "Blatt", "Kopieren",
      "In die Ablage", "Öffnen",
      // No entry by name: found under "Global" by the caption the item was designed with.
      "Schließen",
      // "Save" is the designed caption, looked up under the form's group.
      "Sichern"};
  EXPECT_EQ(Texts(), german);
  Translate(English);
  EXPECT_EQ(Texts(), english);
  Translate(German);
  EXPECT_EQ(Texts(), german);
}

TEST_F(QzVLSCtrls, MissingStringsLeaveThePropertyAndFallBackToGlobalThenDefault) {
  struct Case { std::string Name, Language, Caption, Hint; } cases[] = {
      {"nothing stored", "", "Before", "tip"},
      {"only Global: a button takes it", "#Global\r\n[OkButton]\r\nText=Fine\r\n", "Fine", "tip"},
      {"empty value counts as missing", "#TForm\r\n[OkButton]\r\nText=\r\n", "Before", "tip"},
      {"another form's group", "#TOtherForm\r\n[OkButton]\r\nText=Other\r\n", "Before", "tip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Button->SetCaption("Before"), Button->SetHint("tip"), Panel->SetCaption("Before");
    Translate(c.Language.c_str());
    EXPECT_EQ(std::tuple(Button->GetCaption(), Button->GetHint()), std::tuple(c.Caption, c.Hint));
    // Own windowed controls have no "Global" fallback.
    Translate("#Global\r\n[Panel]\r\nText=Global panel\r\n");
    EXPECT_EQ(Panel->GetCaption(), "Before");
  }
  Vls->GetValues()->SetText(
      "#TForm\r\n[A]\r\nText=form\r\n#Global\r\n[A]\r\nText=global a\r\n[B]\r\nText=global b\r\n");
  struct Lookup { std::string Group, Section, Want; } lookups[] = {
      {"TForm", "A", "form"}, {"TForm", "B", "global b"}, {"GLOBAL", "A", "global a"},
      {"TForm", "C", "default"}, {"TForm", "", "default"},
  };
  for (const Lookup& c : lookups) EXPECT_EQ(Vls->GetLanguageText(c.Group, c.Section, "default"), c.Want) << c.Section;
  // Nothing happens at design time or to anything but a form.
  Vls->GetValues()->SetText(German);
  Vls->TranslateForm(Panel), Vls->SetDesigning(true);
  Vls->TranslateForm(Form);
  EXPECT_EQ(Button->GetCaption(), "Before");
}
