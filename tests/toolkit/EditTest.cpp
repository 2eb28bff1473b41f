// An edit: typing, selection keys, the clipboard, CM_CHANGED, the blinking caret and the loss of
// the focus.
#include "FormFixture.h"
#include "platform/Clipbrd.h"
#include "platform/StdCtrls.h"

namespace {
// The borrowed in-place editor pattern: hides itself whenever it loses the focus.
class THidingEdit : public TEdit {
public:
  using TEdit::TEdit;
  std::vector<intptr_t> Changes;  // the CM_CHANGED messages seen
  void DoExit() override { TEdit::DoExit(), Hide(); }
  void WMKillFocus(TMessage& M) override { TEdit::WMKillFocus(M), Hide(); }
  void WndProc(TMessage& M) override {
    if (M.Msg == CM_CHANGED) Changes.push_back(M.LParam);
    TEdit::WndProc(M);
  }
};

class Edit : public FormFixture {};
}  // namespace

TEST_F(Edit, TypingSelectionKeysCaretAndFocusLoss) {
  auto* other = new TEdit(Form);
  other->SetParent(Form), other->SetTop(50);
  auto* edit = new THidingEdit(Form);
  edit->SetParent(Form), edit->SetBorderStyle(bsNone);
  edit->MaxLength = 8;
  size_t changes = 0;
  edit->OnChange = [&](TObject*) {
    ++changes;
    EXPECT_EQ(edit->Changes.size(), changes);  // CM_CHANGED comes first
  };
  std::vector<int> pressed;
  edit->OnKeyPress = [&](TObject*, char& Key) { pressed.push_back(Key), Key = Key == 13 ? 0 : Key; };
  Form->Show(), Pump();
  edit->SetFocus();
  const uintptr_t w = Win();
  Backend->Key(w, 'A', {ssShift});
  Backend->Key(w, 'B');
  Backend->Key(w, 0, {}, "\xC3\xBC");  // u-umlaut, two bytes
  Backend->Key(w, VK_LEFT);
  Backend->Key(w, VK_LEFT, {ssShift});
  Backend->Key(w, 'X');  // replaces the selected "b"
  Pump();
  EXPECT_EQ(std::tuple(edit->GetText(), edit->GetSelStart()), std::tuple("Ax\xC3\xBC", 2));
  // The caret blinks on the toolkit clock: its column is inverted only in the "on" phase.
  TRect r;
  ASSERT_TRUE(QzCaretRect(Form, r));
  std::vector<TColor> phases;
  for (int i = 0; i < 5; ++i) phases.push_back(ScreenPixel(r.Left, r.Top + 1)), Backend->AdvanceClock(530), Pump();
  const TColor off = ColorToRGB(clWindow);
  EXPECT_EQ(phases, (std::vector<TColor>{clBlack, off, clBlack, off, clBlack}));
  Backend->Key(w, VK_END);
  Backend->Key(w, VK_BACK);  // one whole character
  Pump();
  EXPECT_EQ(edit->GetText(), "Ax");
  // Typing moves the caret and starts a visible phase.
  EXPECT_TRUE(QzCaretRect(Form, r));
  Backend->AdvanceClock(529), Pump();
  EXPECT_TRUE(QzCaretRect(Form, r));
  Backend->Key(w, VK_RETURN);  // consumed by the handler, not typed
  Pump();
  EXPECT_EQ(std::tuple(edit->GetText(), pressed.back()), std::tuple("Ax", 13));
  for (int i = 0; i < 10; ++i) Backend->Key(w, '7');
  Pump();
  EXPECT_EQ(edit->GetText(), "Ax777777");  // MaxLength
  EXPECT_GT(changes, 5u);
  // Ctrl+A, Ctrl+C copies; paste into the other edit.
  Backend->Key(w, 'A', {ssCtrl});
  Backend->Key(w, 'C', {ssCtrl}), Pump();
  EXPECT_EQ(Clipboard()->GetAsText(), "Ax777777");
  // Clicking elsewhere takes the focus: the editor hides itself.
  Backend->Click(w, 10, 60), Pump();
  EXPECT_EQ(std::tuple(other->Focused(), edit->GetVisible()), std::tuple(true, false));
  Backend->Key(w, 'V', {ssCtrl}), Pump();
  EXPECT_EQ(other->GetText(), "Ax777777");
  // A change made by the program is told the same way, with the edit as the message's LParam.
  const size_t before = changes;
  edit->SetText("ab");
  EXPECT_EQ(std::tuple(changes, edit->Changes.size()), std::tuple(before + 1, before + 1));
  EXPECT_EQ(edit->Changes.back(), reinterpret_cast<intptr_t>(edit));
  // The caret goes with the focused edit.
  other->Free();
  Backend->AdvanceClock(2000), Pump();
  EXPECT_FALSE(QzCaretRect(Form, r));
}
