#include "platform/ActnList.h"
#include "platform/ImgList.h"
#include "platform/StdCtrls.h"
#include "tests/ui/UiTestForm.h"

namespace {
class THelpForm : public TForm {
public:
  using TForm::TForm;
  std::string ClassName() const override { return "THelpForm"; }
};
using QzHelpCtrls = UiFormTest;
}  // namespace

TEST_F(QzHelpCtrls, NumbersGoToFormsActionsAndControlsOnly) {
  auto* f = QzCreate<THelpForm>(Application);
  auto named = [&](auto* c, const char* Name) {
    c->SetName(Name);
    return c;
  };
  auto* action = named(QzCreate<TAction>(f), "Save");
  auto* label = named(QzCreate<TLabel>(f), "Title");
  auto* button = named(QzCreate<TButton>(f), "Go");
  auto* box = named(QzCreate<TQzCustomWinControl>(f), "Box");
  auto* images = named(QzCreate<TCustomImageList>(f), "Images");
  images->Tag = 5;
  box->HelpContext = 9;
  auto* help = QzCreate<TQzHelpContextDataSource>(nullptr);
  struct Row {
    const char *Section, *Value;
  } rows[] = {{"Self", "100"}, {"save", "101"}, {"Title", "102"}, {"Go", " 103 "}, {"Box", "abc"},
              {"Images", "104"}};
  for (const Row& r : rows) help->WriteHelpContext("THelpForm", r.Section, r.Value);
  help->WriteHelpContext("OtherForm", "Go", "1");
  help->ApplyHelpContexts(f);
  EXPECT_EQ(f->HelpContext, 100);
  EXPECT_EQ(action->GetHelpContext(), 101);
  EXPECT_EQ(label->HelpContext, 102);
  EXPECT_EQ(button->HelpContext, 103);
  EXPECT_EQ(box->HelpContext, 9);  // not a number: unchanged
  EXPECT_EQ(images->Tag, 5);

  // A number that does not fit a 32-bit help context counts as no number.
  help->WriteHelpContext("THelpForm", "Go", "4294967397");
  help->ApplyHelpContexts(f);
  EXPECT_EQ(button->HelpContext, 103);
  help->ApplyHelpContexts(button);  // not a form: nothing
  help->Free();
  f->Free();
}
