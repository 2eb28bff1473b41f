// Labels, buttons, check boxes, memos and labelled edits as a form description and a theme
// meet them; icons; BeforeDestruction.
#include <gtest/gtest.h>

#include "platform/FormReader.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace {

class StdControlsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Backend = QzUseOffscreenBackend();
    ASSERT_NE(Backend, nullptr);
    Form = new TForm(Application);
    Form->SetClientSize(300, 200);
    Form->SetColor(clWhite);
  }
  void TearDown() override {
    if (Form) Form->Free();
  }
  void Pump() { Application->ProcessMessages(); }
  uintptr_t Win() const { return Form->GetNativeWindow()->NativeHandle(); }
  int Darkest(const TRect& R) const {
    int best = 255;
    const TBitmap* s = Backend->Screen(Win());
    for (int y = R.Top; y < R.Bottom; ++y)
      for (int x = R.Left; x < R.Right; ++x) {
        const uint8_t* p = s->GetScanLine(y) + x * 4;
        best = std::min(best, (p[0] + p[1] + p[2]) / 3);
      }
    return best;
  }
  TQzOffscreenBackend* Backend = nullptr;
  TForm* Form = nullptr;
};

}  // namespace

TEST_F(StdControlsTest, DescriptionWithTheStandardControls) {
  const std::string text = R"(object F: TForm
  object Info: TLabel
    Left = 10
    Top = 5
    Caption = 'Hello'
    Alignment = taRightJustify
  end
  object Ok: TButton
    Left = 10
    Top = 30
    Caption = 'OK'
    ModalResult = 1
  end
  object Check: TCheckBox
    Left = 100
    Top = 30
    Caption = 'Mono'
    Checked = True
  end
  object Notes: TMemo
    Left = 10
    Top = 60
    Lines = ('first line' 'second')
    ScrollBars = ssAutoVertical
  end
  object Name: TLabeledEdit
    Left = 180
    Top = 100
    Width = 100
    Height = 22
    EditLabel.Caption = 'Name'
    LabelSpacing = 4
  end
end)";
  TFormReader::ReadRootComponent(Form, text);
  auto* info = dynamic_cast<TLabel*>(Form->FindComponent("Info"));
  auto* ok = dynamic_cast<TButton*>(Form->FindComponent("Ok"));
  auto* check = dynamic_cast<TCheckBox*>(Form->FindComponent("Check"));
  auto* notes = dynamic_cast<TMemo*>(Form->FindComponent("Notes"));
  auto* name = dynamic_cast<TLabeledEdit*>(Form->FindComponent("Name"));
  ASSERT_TRUE(info && ok && check && notes && name);
  EXPECT_EQ(info->GetAlignment(), taRightJustify);
  EXPECT_GT(info->GetWidth(), 10);  // AutoSize: as wide as "Hello"
  EXPECT_LT(info->GetWidth(), 60);
  EXPECT_EQ(ok->ModalResult, 1);
  EXPECT_TRUE(check->GetChecked());
  EXPECT_EQ(notes->GetLines()->Count(), 2);
  EXPECT_EQ(notes->ScrollBars, ssAutoVertical);
  EXPECT_EQ(name->GetEditLabel()->GetCaption(), "Name");
  // The label stands above the edit, on the edit's parent, and follows it.
  EXPECT_EQ(name->GetEditLabel()->GetParent(), Form);
  EXPECT_EQ(name->GetEditLabel()->GetLeft(), 180);
  EXPECT_EQ(name->GetEditLabel()->GetTop() + name->GetEditLabel()->GetHeight() + 4, 100);
  name->SetBounds(150, 150, 100, 22);
  EXPECT_EQ(name->GetEditLabel()->GetLeft(), 150);
  EXPECT_EQ(name->GetEditLabel()->GetTop() + name->GetEditLabel()->GetHeight() + 4, 150);
  name->SetLabelPosition(lpLeft);
  EXPECT_EQ(name->GetEditLabel()->GetLeft() + name->GetEditLabel()->GetWidth() + 4, 150);
  name->Hide();
  EXPECT_FALSE(name->GetEditLabel()->GetVisible());

  // What they paint: the memo's lines, the label's text at its right edge.
  Form->Show();
  Pump();
  EXPECT_LT(Darkest(Rect(notes->GetLeft() + 3, notes->GetTop() + 2, notes->GetLeft() + 60, notes->GetTop() + 14)), 80);
  EXPECT_LT(Darkest(info->GetBoundsRect()), 80);

  // The button ends a modal loop with its result; the check box steps through its states.
  ok->Click();
  EXPECT_EQ(Form->ModalResult, 1);
  std::vector<TCheckBoxState> states;
  check->OnChange = [&](TObject*) { states.push_back(check->GetState()); };
  check->Click();
  check->SetState(cbGrayed);  // refused without AllowGrayed
  check->AllowGrayed = true;
  check->Click();
  check->Click();
  check->Click();
  EXPECT_EQ(states, (std::vector<TCheckBoxState>{cbUnchecked, cbChecked, cbGrayed, cbUnchecked}));
  check->SetFocus();
  Backend->Key(Win(), VK_SPACE);
  Pump();
  EXPECT_TRUE(check->GetChecked());

  // The label goes with its edit.
  name->Free();
  EXPECT_EQ(Form->FindComponent("Name"), nullptr);
  for (int i = 0; i < Form->ControlCount(); ++i) EXPECT_EQ(dynamic_cast<TBoundLabel*>(Form->GetControl(i)), nullptr);
}

TEST(StdGraphics, IconsReadPngAndBmpAndWritePng) {
  TBitmap src;
  src.SetPixelFormat(pf32bit);
  src.SetSize(16, 16);
  src.GetCanvas()->GetBrush()->SetColor(clRed);
  src.GetCanvas()->FillRect(Rect(0, 0, 16, 16));
  src.GetCanvas()->SetPixel(3, 4, clBlue);
  for (bool asPng : {true, false}) {
    TMemoryStream s;
    if (asPng) {
      TPortableNetworkGraphic png;
      png.Assign(&src);
      png.SaveToStream(&s);
    } else {
      src.SaveToStream(&s);
    }
    s.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(&s);
    ASSERT_EQ(icon.GetWidth(), 16) << asPng;
    EXPECT_EQ(icon.GetCanvas()->GetPixel(3, 4), clBlue);
    EXPECT_EQ(icon.GetCanvas()->GetPixel(5, 5), clRed);
    TMemoryStream out;
    icon.SaveToStream(&out);
    out.SetPosition(0);
    TPortableNetworkGraphic back;
    back.LoadFromStream(&out);
    EXPECT_EQ(back.GetCanvas()->GetPixel(3, 4), clBlue);
  }
  TMemoryStream junk;
  junk.WriteBuffer("not a picture", 13);
  junk.SetPosition(0);
  TIcon bad;
  EXPECT_THROW(bad.LoadFromStream(&junk), EInvalidGraphic);
  EXPECT_TRUE(bad.GetEmpty());
}

namespace {
class TOrderProbe : public TComponent {
public:
  TOrderProbe(TComponent* AOwner, std::vector<std::string>* Log, std::string Id)
      : TComponent(AOwner), FLog(Log), FId(std::move(Id)) {}
  ~TOrderProbe() override { FLog->push_back("destroy " + FId); }
  void BeforeDestruction() override { FLog->push_back("before " + FId + (IsDestroying() ? " destroying" : "")); }

private:
  std::vector<std::string>* FLog;
  std::string FId;
};
}  // namespace

TEST(Components, BeforeDestructionRunsFirstAlsoForOwnedComponents) {
  std::vector<std::string> log;
  auto* owner = new TOrderProbe(nullptr, &log, "owner");
  auto* child = new TOrderProbe(owner, &log, "child");
  new TOrderProbe(child, &log, "grandchild");
  owner->Free();
  EXPECT_EQ(log, (std::vector<std::string>{"before owner destroying", "before child destroying",
                                           "before grandchild destroying", "destroy owner", "destroy child",
                                           "destroy grandchild"}));
}
