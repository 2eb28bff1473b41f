#include <gtest/gtest.h>

#include "platform/ActnList.h"
#include "platform/ExtCtrls.h"
#include "platform/FormReader.h"
#include "platform/Forms.h"
#include "platform/Menus.h"

namespace {

// A control that exists only here, with properties of every stored kind.
enum TTestMode { tmFirst, tmSecond, tmThird };
enum TTestOption { toA, toB, toC };
using TTestOptions = TSet<TTestOption>;

class TTestBox : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::string ClassName() const override { return "TTestBox"; }
  void SetMode(TTestMode V) { Mode = V; }
  void SetOptions(TTestOptions V) { Options = V; }
  void SetRatio(double V) { Ratio = V; }
  void SetSmall(uint8_t V) { Small = V; }
  void SetPartner(TTestBox* V) { Partner = V; }
  TStringList* GetItems() const { return Items.get(); }
  void Loaded() override { TCustomControl::Loaded(), PartnerAtLoaded = Partner; }
  TTestMode Mode = tmFirst;
  TTestOptions Options;
  double Ratio = 0;
  uint8_t Small = 0;
  TTestBox* Partner = nullptr;
  TTestBox* PartnerAtLoaded = nullptr;
  std::unique_ptr<TStringList> Items = std::make_unique<TStringList>();
  TKeyEvent OnKey;
};

class TTestForm : public TForm {
public:
  explicit TTestForm(TComponent* AOwner, const std::string& Res) : TForm(AOwner) { InitForm(Res); }
  std::string ClassName() const override { return "TTestForm"; }
  void FormCreate(TObject*) { ++Created; }
  void BoxClick(TObject* Sender) { Clicked = Sender; }
  void BoxKey(TObject*, uint16_t& Key, TShiftState) { Key = 0; }
  void Tick(TObject*) { ++Ticks; }
  int Created = 0;
  int Ticks = 0;
  TObject* Clicked = nullptr;
  TTestBox* Outer = nullptr;
  TTestBox* Inner = nullptr;
  TPopupMenu* Popup = nullptr;
};

std::map<std::string, std::string> gTexts;  // the form descriptions by upper-case name

void Register() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterEnumNames<TTestMode>({"tmFirst", "tmSecond", "tmThird"});
  RegisterEnumNames<TTestOption>({"toA", "toB", "toC"});
  TClassRegistrar<TTestBox>("TTestBox", "TCustomControl", true)
      .Prop("Mode", &TTestBox::SetMode)
      .Prop("Options", &TTestBox::SetOptions)
      .Prop("Ratio", &TTestBox::SetRatio)
      .Prop("Small", &TTestBox::SetSmall)
      .Prop("Partner", &TTestBox::SetPartner)
      .Object("Items", &TTestBox::GetItems)
      .Prop("OnKey", &TTestBox::OnKey);
  TClassRegistrar<TTestForm>("TTestForm", "TForm", false)
      .Method("FormCreate", &TTestForm::FormCreate)
      .Method("BoxClick", &TTestForm::BoxClick)
      .Method("BoxKey", &TTestForm::BoxKey)
      .Method("Tick", &TTestForm::Tick)
      .Field("Outer", &TTestForm::Outer)
      .Field("Inner", &TTestForm::Inner)
      .Field("Popup", &TTestForm::Popup);
  SetFormTextSource([](const std::string& name, std::string& text) {
    auto it = gTexts.find(UpperCase(name));
    if (it == gTexts.end()) return false;
    text = it->second;
    return true;
  });
}

const char* kGood = R"(// the test form
object TestForm: TTestForm
  ClientWidth = 400
  ClientHeight = 300
  Caption = 'It''s a '#65'test' +
    ' form'
  Color = $232323
  Font.Color = clWhite
  Font.Style = [fsBold]
  Constraints.MinWidth = 200
  KeyPreview = True
  BorderStyle = bsToolWindow
  OnCreate = FormCreate
  object Outer: TTestBox
    Align = alClient
    BorderSpacing.Around = 5
    Partner = Inner            // resolved after Inner exists
    PopupMenu = Popup
    Mode = tmThird
    Options = [toA, toC]
    Ratio = -1.5e1
    Small = 255
    Items = ('LOW' 'MID' 'HIGH')
    OnClick = BoxClick
    OnKey = BoxKey
    Tag = 7
    object Inner: TTestBox
      Left = 10
      Top = 20
      Width = 30
      Height = 40
      Color = clSilver
      Partner = nil
    end
  end
  object Ticker: TTimer
    Interval = 10
    OnTimer = Tick
  end
  object ActionList: TActionList
    object acSave: TAction
      Caption = 'Save'
    end
  end
  object Popup: TPopupMenu
    object MenuItem1: TMenuItem
      Action = acSave
    end
  end
end
)";

}  // namespace

TEST(FormReader, ReadsNestedComponentsReferencesAndEvents) {
  Register();
  gTexts["TESTFORM"] = kGood;
  auto* f = new TTestForm(Application, "TestForm");
  EXPECT_EQ(std::tuple(f->Created, f->GetName(), f->GetCaption(), f->GetClientWidth(), f->GetColor(),
                       f->GetFont()->GetColor(), f->GetFont()->GetStyle().Contains(fsBold),
                       f->GetConstraints()->GetMinWidth(), f->KeyPreview, f->GetBorderStyle()),
            std::tuple(1, "TestForm", "It's a Atest form", 400, 0x232323u, 0xFFFFFFu, true, 200, true, bsToolWindow));
  TTestBox *outer = f->Outer, *inner = f->Inner;
  ASSERT_TRUE(outer && inner);
  // References exist before Loaded.
  EXPECT_EQ(std::tuple(outer->GetParent(), inner->GetParent(), inner->GetOwner(), outer->Partner,
                       outer->PartnerAtLoaded, outer->GetPopupMenu()),
            std::tuple(f, outer, f, inner, inner, f->Popup));
  EXPECT_EQ(std::tuple(outer->Mode, outer->Options, outer->Ratio, outer->Small, outer->Tag,
                       outer->GetItems()->GetText()),
            std::tuple(tmThird, TTestOptions{toA, toC}, -15.0, 255, 7, "LOW\r\nMID\r\nHIGH\r\n"));
  // Aligned after loading (client-aligned with spacing 5 in 400 x 300); the parent font reached
  // the nested control.
  EXPECT_EQ(std::tuple(outer->GetBoundsRect(), inner->GetColor(), inner->GetFont()->GetColor()),
            std::tuple(Rect(5, 5, 395, 295), 0xC0C0C0u, 0xFFFFFFu));
  outer->Click();
  EXPECT_EQ(f->Clicked, outer);
  uint16_t key = 65;
  outer->OnKey(outer, key, {});
  EXPECT_EQ(key, 0);
  // The menu item follows its action, read inside its list; with no handler it disables itself.
  auto* action = dynamic_cast<TAction*>(f->FindComponent("acSave"));
  ASSERT_TRUE(action && f->Popup->GetItems()->Count() == 1);
  TMenuItem* item = f->Popup->GetItems()->GetItem(0);
  EXPECT_FALSE(action->Execute());
  EXPECT_EQ(std::tuple(item->GetCaption(), action->GetActionList(), action->GetEnabled(), item->GetEnabled()),
            std::tuple("Save", f->FindComponent("ActionList"), false, false));
  f->Free();
}

TEST(FormReader, RejectsBadDescriptionsWithTheLine) {
  Register();
  // A text that starts with a blank is the inside of "object F: TTestForm ... end".
  const struct { std::string Text; const char* Needle; } cases[] = {
      {"  Bogus = 1\n", "line 2"}, {"  Color = 'red'\n", "line 2"}, {"  OnCreate = NoSuchHandler\n", "NoSuchHandler"},
      {"  OnCreate = BoxKey\n", "does not match"}, {"  object B: TTestBox\n    Partner = Missing\n  end\n", "Missing"},
      {"  object B: TTestBox\n    Partner = P\n  end\n  object P: TTimer\n  end\n", "wrong class"},
      {"  object B: TTestBox\n    Small = 256\n  end\n", "out of range"},
      {"  object B: TTestBox\n    Mode = tmFourth\n  end\n", "tmFourth"},
      {"  object B: TNoSuchClass\n  end\n", "TNoSuchClass"},
      {"  object B: TTestBox\n  end\n  object B: TTestBox\n  end\n", "duplicate"},
      {"  Caption = 'unterminated\n", "unterminated"}, {"object F: TTestForm\n  Width = 10\n", "'end' expected"},
      {"object F: TOtherForm\nend", "TOtherForm"}, {"object F: TTestForm\nend\nmore", "after the final end"},
      {"", "'object' expected"},
  };
  for (const auto& c : cases) {
    const std::string text = c.Text[0] == ' ' ? "object F: TTestForm\n" + c.Text + "end" : c.Text;
    gTexts["BAD"] = text;
    try {
      (new TTestForm(Application, "BAD"))->Free();
      ADD_FAILURE() << "accepted: " << text;
    } catch (const EReadError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Needle), std::string::npos) << e.what() << " for " << text;
    }
  }
  EXPECT_THROW(new TTestForm(Application, "NOT_THERE"), EResNotFound);
  // A truncated good description fails cleanly at every length.
  const std::string good = kGood;
  for (size_t n = 0; n + 1 < good.size(); n += 7) {
    gTexts["CUT"] = good.substr(0, n);
    EXPECT_THROW(new TTestForm(Application, "CUT"), EReadError) << n;
  }
}
