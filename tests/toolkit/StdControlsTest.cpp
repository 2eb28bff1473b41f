// Labels, buttons, check boxes, memos and labelled edits as a form description and a theme
// meet them; icons.
#include "FormFixture.h"
#include "platform/FormReader.h"
#include "platform/StdCtrls.h"
#include "tests/common/TestPixels.h"

namespace {

class StdControlsTest : public FormFixture {};

}  // namespace

TEST_F(StdControlsTest, DescriptionWithTheStandardControls) {
  const std::string text =
      "object F: TForm\n"
      "  object Info: TLabel\n    Left = 10\n    Top = 5\n    Caption = 'Hello'\n"
      "    Alignment = taRightJustify\n  end\n"
      "  object Ok: TButton\n    Left = 10\n    Top = 30\n    Caption = 'OK'\n    ModalResult = 1\n  end\n"
      "  object Check: TCheckBox\n    Left = 100\n    Top = 30\n    Caption = 'Mono'\n    Checked = True\n  end\n"
      "  object Notes: TMemo\n    Left = 10\n    Top = 60\n    Lines = ('first line' 'second')\n"
      "    ScrollBars = ssAutoVertical\n  end\n"
      "  object Name: TLabeledEdit\n    Left = 180\n    Top = 100\n    Width = 100\n    Height = 22\n"
      "    EditLabel.Caption = 'Name'\n    LabelSpacing = 4\n  end\n"
      "end";
  TFormReader::ReadRootComponent(Form, text);
  auto* info = dynamic_cast<TLabel*>(Form->FindComponent("Info"));
  auto* ok = dynamic_cast<TButton*>(Form->FindComponent("Ok"));
  auto* check = dynamic_cast<TCheckBox*>(Form->FindComponent("Check"));
  auto* notes = dynamic_cast<TMemo*>(Form->FindComponent("Notes"));
  auto* name = dynamic_cast<TLabeledEdit*>(Form->FindComponent("Name"));
  ASSERT_TRUE(info && ok && check && notes && name);
  EXPECT_EQ(std::tuple(info->GetAlignment(), ok->ModalResult, check->GetChecked(), notes->GetLines()->Count(),
                       notes->ScrollBars),
            std::tuple(taRightJustify, 1, true, 2, ssAutoVertical));
  EXPECT_TRUE(info->GetWidth() > 10 && info->GetWidth() < 60) << "AutoSize: as wide as \"Hello\"";
  // The label stands above the edit, on the edit's parent, and follows it.
  TBoundLabel* l = name->GetEditLabel();
  EXPECT_EQ(std::tuple(l->GetCaption(), l->GetParent(), l->GetLeft(), l->GetTop() + l->GetHeight() + 4),
            std::tuple("Name", Form, 180, 100));
  name->SetBounds(150, 150, 100, 22);
  EXPECT_EQ(std::tuple(l->GetLeft(), l->GetTop() + l->GetHeight() + 4), std::tuple(150, 150));
  name->SetLabelPosition(lpLeft);
  EXPECT_EQ(l->GetLeft() + l->GetWidth() + 4, 150);
  name->Hide();
  EXPECT_FALSE(l->GetVisible());
  // What they paint: the memo's lines, the label's text at its right edge.
  Form->Show(), Pump();
  const TBitmap* screen = Backend->Screen(Win());
  const TRect lines = Rect(notes->GetLeft() + 3, notes->GetTop() + 2, notes->GetLeft() + 60, notes->GetTop() + 14);
  EXPECT_LT(std::max(Darkest(screen, lines), Darkest(screen, info->GetBoundsRect())), 80);
  // The button ends a modal loop with its result; the check box steps through its states.
  ok->Click();
  EXPECT_EQ(Form->ModalResult, 1);
  std::vector<TCheckBoxState> states;
  check->OnChange = [&](TObject*) { states.push_back(check->GetState()); };
  check->Click();
  check->SetState(cbGrayed);  // refused without AllowGrayed
  check->AllowGrayed = true;
  for (int i = 0; i < 3; ++i) check->Click();
  EXPECT_EQ(states, (std::vector<TCheckBoxState>{cbUnchecked, cbChecked, cbGrayed, cbUnchecked}));
  check->SetFocus();
  Backend->Key(Win(), VK_SPACE), Pump();
  EXPECT_TRUE(check->GetChecked());
  // The label goes with its edit.
  name->Free();
  for (int i = 0; i < Form->ControlCount(); ++i) EXPECT_EQ(dynamic_cast<TBoundLabel*>(Form->GetControl(i)), nullptr);
}

TEST(StdGraphics, IconsReadPngAndBmpAndWritePng) {
  auto src = FilledBitmap(16, 16, clRed, pf32bit);
  src->GetCanvas()->SetPixel(3, 4, clBlue);
  for (bool asPng : {true, false}) {
    TMemoryStream s;
    TPortableNetworkGraphic png;
    png.Assign(src.get());
    (asPng ? static_cast<TGraphic&>(png) : *src).SaveToStream(&s);
    s.SetPosition(0);
    TIcon icon;
    icon.LoadFromStream(&s);
    ASSERT_EQ(icon.GetWidth(), 16) << asPng;
    EXPECT_EQ(std::tuple(icon.GetCanvas()->GetPixel(3, 4), icon.GetCanvas()->GetPixel(5, 5)),
              std::tuple(clBlue, clRed));
    TMemoryStream out;
    icon.SaveToStream(&out);
    out.SetPosition(0);
    TPortableNetworkGraphic back;
    back.LoadFromStream(&out);
    EXPECT_EQ(back.GetCanvas()->GetPixel(3, 4), clBlue);
  }
  TMemoryStream junk;
  junk.WriteBuffer("not a picture", 13), junk.SetPosition(0);
  TIcon bad;
  EXPECT_THROW(bad.LoadFromStream(&junk), EInvalidGraphic);
  EXPECT_TRUE(bad.GetEmpty());
}
