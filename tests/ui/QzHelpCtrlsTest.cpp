#include "tests/ui/UiTestForm.h"

namespace {
using QzHelpCtrls = UiFormTest;
}  // namespace

// The numbers come from extended-INI text, here read from a plain stream; what is not a number
// leaves the property alone.
TEST_F(QzHelpCtrls, NumbersGoToFormsActionsAndControlsOnly) {
  auto* f = QzCreate<TForm>(Application);
  auto named = [&](auto* c, const char* Name) { return c->SetName(Name), c; };
  auto* action = named(QzCreate<TAction>(f), "Save");
  auto* label = named(QzCreate<TLabel>(f), "Title");
  auto* images = named(QzCreate<TCustomImageList>(f), "Images");
  images->Tag = 5;
  const struct {
    const char *Name, *Value;
    int32_t Expected;  // the button's help context afterwards (it starts at 9)
  } buttons[] = {{"Go", " 103 /* a comment */", 103}, {"Signed", "-7", -7}, {"Word", "abc", 9}};
  std::string text = "#TForm\n[Self]\nHelpContext = 100\n[save]\nHelpContext=101\n[Title]\nHelpContext=102\n"
                     "[Images]\nHelpContext=104\n";
  for (const auto& b : buttons) {
    named(QzCreate<TButton>(f), b.Name)->HelpContext = 9;
    text += std::string("[") + b.Name + "]\nHelpContext = " + b.Value + "\n";
  }
  text += "#OtherForm\n[Go]\nHelpContext = 1\n";
  auto* help = QzCreate<TQzHelpContextDataSource>(nullptr);
  TMemoryStream stream;
  stream.Write(text.data(), static_cast<int32_t>(text.size())), stream.SetPosition(0);
  ASSERT_TRUE(help->GetValues()->LoadFromStream(&stream));
  help->ApplyHelpContexts(f);
  EXPECT_EQ(std::tuple(f->HelpContext, action->GetHelpContext(), label->HelpContext, images->Tag),
            std::tuple(100, 101, 102, 5));
  for (const auto& b : buttons)
    EXPECT_EQ(static_cast<TControl*>(f->FindComponent(b.Name))->HelpContext, b.Expected) << b.Name << " = " << b.Value;
  help->ApplyHelpContexts(f->FindComponent("Go"));  // not a form: nothing
  help->Free();
  f->Free();
}
