#include <gtest/gtest.h>

#include "platform/Clipbrd.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace {
// The borrowed in-place editor pattern: hides itself whenever it loses the focus.
class THidingEdit : public TEdit {
public:
  using TEdit::TEdit;
  void DoExit() override { TEdit::DoExit(), Hide(); }
  void WMKillFocus(TMessage& M) override { TEdit::WMKillFocus(M), Hide(); }
};
}  // namespace

TEST(Edit, TypingSelectionKeysAndFocusLoss) {
  TQzOffscreenBackend* be = QzUseOffscreenBackend();
  ASSERT_NE(be, nullptr);
  auto* form = new TForm(Application);
  form->SetClientSize(200, 100);
  auto* other = new TEdit(form);
  other->SetParent(form), other->SetTop(50);
  auto* edit = new THidingEdit(form);
  edit->SetParent(form), edit->SetBorderStyle(bsNone);
  edit->MaxLength = 8;
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  std::vector<int> pressed;
  edit->OnKeyPress = [&](TObject*, char& Key) { pressed.push_back(Key), Key = Key == 13 ? 0 : Key; };
  form->Show();
  Application->ProcessMessages();
  edit->SetFocus();
  const uintptr_t w = form->GetNativeWindow()->NativeHandle();
  be->Key(w, 'A', {ssShift});
  be->Key(w, 'B');
  be->Key(w, 0, {}, "\xC3\xBC");  // u-umlaut, two bytes
  be->Key(w, VK_LEFT);
  be->Key(w, VK_LEFT, {ssShift});
  be->Key(w, 'X');  // replaces the selected "b"
  Application->ProcessMessages();
  EXPECT_EQ(std::tuple(edit->GetText(), edit->GetSelStart()), std::tuple("Ax\xC3\xBC", 2));
  be->Key(w, VK_END);
  be->Key(w, VK_BACK);  // one whole character
  Application->ProcessMessages();
  EXPECT_EQ(edit->GetText(), "Ax");
  be->Key(w, VK_RETURN);  // consumed by the handler, not typed
  Application->ProcessMessages();
  EXPECT_EQ(std::tuple(edit->GetText(), pressed.back()), std::tuple("Ax", 13));
  for (int i = 0; i < 10; ++i) be->Key(w, '7');
  Application->ProcessMessages();
  EXPECT_EQ(edit->GetText(), "Ax777777");  // MaxLength
  EXPECT_GT(changes, 5);
  TRect caret;
  EXPECT_TRUE(QzCaretRect(form, caret));
  // Ctrl+A, Ctrl+C copies; paste into the other edit.
  be->Key(w, 'A', {ssCtrl});
  be->Key(w, 'C', {ssCtrl}), Application->ProcessMessages();
  EXPECT_EQ(Clipboard()->GetAsText(), "Ax777777");
  // Clicking elsewhere takes the focus: the editor hides itself.
  be->Click(w, 10, 60), Application->ProcessMessages();
  EXPECT_EQ(std::tuple(other->Focused(), edit->GetVisible()), std::tuple(true, false));
  be->Key(w, 'V', {ssCtrl}), Application->ProcessMessages();
  EXPECT_EQ(other->GetText(), "Ax777777");
  form->Free();
}
