// Every control must settle: painted twice with nothing changed it paints the same pixels, marks
// nothing for another paint, starts no timer and changes none of its public state. One row per
// control class: add yours to Cases().
#include <cctype>
#include <functional>
#include <string>

#include "tests/ui/UiTestForm.h"
#include "ui/controls/QzControlPanel.h"
#include "ui/controls/QzEdit.h"
#include "ui/framework/QzScrollBox.h"

namespace {

struct TPaintCase {
  std::string Name;
  // Creates the control on Form (owned and parented by it) and sets it up as a user would.
  std::function<TControl*(TForm* Form)> Create;
  // Public state worth comparing, as text (empty: only the geometry and caption are compared).
  std::function<std::string(TControl* Control)> State;
};

template <class T>
TControl* Place(TForm* Form, int W, int H) {
  T* c = QzCreate<T>(Form);
  c->SetBounds(10, 10, W, H);
  c->SetParent(Form);
  return c;
}

std::string AudioState(TControl* C) {
  auto* a = static_cast<TQzCustomAudioControl*>(C);
  return std::to_string(a->GetPadding()) + (a->GetTransparent() ? " transparent" : " opaque") +
         (a->NeedsLayout() ? " needs-layout" : "");
}

std::string EditState(TControl* C) {
  auto* e = static_cast<TQzCustomEdit*>(C);
  return e->GetEditText() + " " + std::to_string(e->GetCaretIndex()) + " " + std::to_string(e->GetScrollOffset());
}

std::vector<TPaintCase> Cases() {
  return {
      {"TQzCustomGraphicControl", [](TForm* F) { return Place<TQzCustomGraphicControl>(F, 60, 40); }, nullptr},
      {"TQzCustomWinControl", [](TForm* F) { return Place<TQzCustomWinControl>(F, 60, 40); }, nullptr},
      {"TQzCustomWinControl with borders",
       [](TForm* F) {
         auto* c = static_cast<TQzCustomWinControl*>(Place<TQzCustomWinControl>(F, 60, 40));
         c->SetEdgeBorders({febLeft, febTop, febRight, febBottom});
         return c;
       },
       nullptr},
      {"TQzCustomAudioControl", [](TForm* F) { return Place<TQzCustomAudioControl>(F, 80, 30); }, AudioState},
      {"TQzCustomAudioWinControl", [](TForm* F) { return Place<TQzCustomAudioWinControl>(F, 80, 30); }, AudioState},
      {"TQzCustomAudioOrientationWinControl",
       [](TForm* F) { return Place<TQzCustomAudioOrientationWinControl>(F, 30, 80); }, AudioState},
      {"TQzCustomScrollingWinControl",
       [](TForm* F) {
         auto* c = static_cast<TQzCustomScrollingWinControl*>(Place<TQzCustomScrollingWinControl>(F, 120, 90));
         c->SetVertRange(0, 500);
         c->GetVertScrollBar()->SetPagePercentage(20);
         c->GetVertScrollBar()->SetScrollPosition(100);
         return c;
       },
       [](TControl* C) {
         auto* c = static_cast<TQzCustomScrollingWinControl*>(C);
         return std::to_string(c->GetScrollX()) + "," + std::to_string(c->GetScrollY()) + " " +
                std::to_string(c->GetVertScrollBar()->GetWidth()) + " " +
                std::to_string(c->GetHorzScrollBar()->GetHeight());
       }},
      {"TQzCustomAudioScrollingWinControl",
       [](TForm* F) { return Place<TQzCustomAudioScrollingWinControl>(F, 100, 80); }, nullptr},
      {"TQzCustomScrollBar",
       [](TForm* F) {
         auto* b = static_cast<TQzCustomScrollBar*>(Place<TQzCustomScrollBar>(F, 100, 14));
         b->SetAlign(alBottom);
         b->SetPagePercentage(30);
         b->SetScrollPosition(60);
         return b;
       },
       [](TControl* C) { return std::to_string(static_cast<TQzCustomScrollBar*>(C)->GetPosition()); }},
      {"TQzEdit",
       [](TForm* F) {
         auto* e = static_cast<TQzEdit*>(Place<TQzEdit>(F, 90, 25));
         e->SetEditText("a text longer than the edit is wide");
         e->SetEdgeBorders({febBottom});
         return e;
       },
       EditState},
      {"TQzCustomValueEdit", [](TForm* F) { return Place<TQzCustomValueEdit>(F, 75, 25); }, EditState},
      {"TQzControlPanel",
       [](TForm* F) {
         auto* p = static_cast<TQzControlPanel*>(Place<TQzControlPanel>(F, 150, 160));
         for (int i = 0; i < 3; ++i) {
           auto* b = QzCreate<TQzControlPanelBox>(F);
           b->SetBounds(0, i * 10, 100, 40);
           b->SetCaption("Box " + std::to_string(i));
           b->SetParent(p);
         }
         p->GetBox(1)->SetExpanded(false);
         p->Realign();
         return p;
       },
       [](TControl* C) {
         auto* p = static_cast<TQzControlPanel*>(C);
         std::string s;
         for (int i = 0; i < p->BoxCount(); ++i) {
           const TQzControlPanelBox* b = p->GetBox(i);
           s += std::to_string(b->GetTop()) + ":" + std::to_string(b->GetHeight()) + " ";
         }
         return s;
       }},
      {"TQzControlPanelBox", [](TForm* F) { return Place<TQzControlPanelBox>(F, 100, 60); }, nullptr},
  };
}

class PaintStability : public UiFormTest, public ::testing::WithParamInterface<TPaintCase> {};

std::string Snapshot(const TPaintCase& Case, TControl* C) {
  std::string s = C->GetCaption() + " " + std::to_string(C->GetLeft()) + "," + std::to_string(C->GetTop()) + " " +
                  std::to_string(C->GetWidth()) + "x" + std::to_string(C->GetHeight()) + " " +
                  std::to_string(C->GetColor());
  if (Case.State) s += " " + Case.State(C);
  return s;
}

TEST_P(PaintStability, SecondPaintChangesNothing) {
  const TPaintCase& row = GetParam();
  TControl* c = row.Create(Form);
  Form->Show();
  Pump();
  EXPECT_TRUE(QzIsRectEmpty(Form->GetInvalidRect())) << "the first paint marked more painting";
  const std::vector<uint32_t> first = Pixels();
  const std::string state = Snapshot(row, c);
  const int timers = Application->TimerCount();

  c->Invalidate();
  Pump();
  EXPECT_EQ(Pixels(), first) << "the second paint changed pixels";
  EXPECT_TRUE(QzIsRectEmpty(Form->GetInvalidRect())) << "the paint marked more painting";
  EXPECT_EQ(Application->TimerCount(), timers) << "the paint started a timer";
  EXPECT_EQ(Snapshot(row, c), state);
}

INSTANTIATE_TEST_SUITE_P(Controls, PaintStability, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TPaintCase>& Info) {
                           std::string n;
                           for (char ch : Info.param.Name)
                             if (std::isalnum(static_cast<unsigned char>(ch))) n += ch;
                           return n;
                         });

}  // namespace
