// The control panel and its boxes from outside: stacking by Top, collapsing, hiding and moving
// through the header's buttons, the Index setter, and every order of tearing down.
#include <string>
#include <vector>

#include "platform/FormReader.h"
#include "tests/ui/UiTestForm.h"
#include "ui/controls/QzControlPanel.h"

namespace {

class QzControlPanelTest : public UiFormTest {
protected:
  void SetUp() override {
    UiFormTest::SetUp();
    Panel = QzCreate<TQzControlPanel>(Form);
    Panel->SetBounds(0, 0, 200, 300);
    Panel->SetParent(Form);
    Panel->OnExpandedChanged = [this](TObject* Sender) { Senders.push_back(Sender); };
  }
  TQzControlPanelBox* Add(int32_t Top, int32_t Height) {
    auto* b = QzCreate<TQzControlPanelBox>(Form);
    b->SetBounds(0, Top, 100, Height);
    b->SetParent(Panel);
    return b;
  }
  // Tops and heights of the boxes in list order.
  std::vector<int32_t> Layout() const {
    std::vector<int32_t> v;
    for (int i = 0; i < Panel->BoxCount(); ++i) {
      v.push_back(Panel->GetBox(i)->GetTop());
      v.push_back(Panel->GetBox(i)->GetHeight());
    }
    return v;
  }
  void Click(TQzControlPanelBox* B, int Button) {
    const TRect r = B->GetHeader()->ButtonRect(Button);
    B->GetHeader()->MouseDown(mbLeft, {}, r.Left + 1, r.Top + 1);
  }
  TQzControlPanel* Panel = nullptr;
  std::vector<TObject*> Senders;
};

}  // namespace

TEST_F(QzControlPanelTest, StacksByTopAndFillsWithTheLast) {
  struct Row {
    const char* Name;
    std::vector<int32_t> Tops;
    std::vector<int> Order;  // creation index of each list place after layout
  } rows[] = {
      {"in order", {0, 10, 20}, {0, 1, 2}},
      {"reversed", {20, 10, 0}, {2, 1, 0}},
      {"equal tops keep the list order", {5, 5, 5}, {0, 1, 2}},
      {"two equal", {9, 1, 9}, {1, 0, 2}},
  };
  const int32_t heights[] = {50, 60, 70};
  for (const Row& r : rows) {
    std::vector<TQzControlPanelBox*> boxes;
    for (int i = 0; i < 3; ++i) boxes.push_back(Add(r.Tops[i], heights[i]));
    Panel->Realign();
    ASSERT_EQ(Panel->BoxCount(), 3) << r.Name;
    int32_t y = 2;
    for (int i = 0; i < 3; ++i) {
      TQzControlPanelBox* b = Panel->GetBox(i);
      EXPECT_EQ(b, boxes[r.Order[i]]) << r.Name << " place " << i;
      EXPECT_EQ(b->GetIndex(), i);
      EXPECT_EQ(b->GetLeft(), 2);
      EXPECT_EQ(b->GetWidth(), 196);
      EXPECT_EQ(b->GetTop(), y) << r.Name << " place " << i;
      const int32_t want = i == 2 ? 300 - y : heights[r.Order[i]];
      EXPECT_EQ(b->GetHeight(), want) << r.Name << " place " << i;
      y += want + 2;
    }
    for (TQzControlPanelBox* b : boxes) b->Free();
    EXPECT_EQ(Panel->BoxCount(), 0);
  }
  EXPECT_EQ(Panel->GetBox(-1), nullptr);
  EXPECT_EQ(Panel->GetBox(0), nullptr);
}

TEST_F(QzControlPanelTest, HeaderButtonsCollapseHideAndMove) {
  TQzControlPanelBox* a = Add(0, 50);
  TQzControlPanelBox* b = Add(10, 60);
  TQzControlPanelBox* c = Add(20, 70);
  Panel->Realign();
  Show();
  const int32_t hh = a->GetHeader()->GetHeight();
  EXPECT_GT(hh, 6);
  EXPECT_EQ(hh % 2, 0);
  EXPECT_EQ(Layout(), (std::vector<int32_t>{2, 50, 54, 60, 116, 184}));

  Click(c, 1);  // collapse the last: the box above does not grow
  EXPECT_FALSE(c->GetExpanded());
  EXPECT_EQ(Layout(), (std::vector<int32_t>{2, 50, 54, 60, 116, hh}));
  EXPECT_EQ(Senders, std::vector<TObject*>{Panel});
  Click(c, 1);
  EXPECT_EQ(Layout(), (std::vector<int32_t>{2, 50, 54, 60, 116, 184}));

  Click(c, 2);  // hidden: still listed, no room taken; the box above now fills
  EXPECT_FALSE(c->GetVisible());
  EXPECT_EQ(Panel->BoxCount(), 3);
  EXPECT_EQ(b->GetHeight(), 300 - 54);
  c->SetVisible(true);

  Click(a, 3);  // move down: b, a, c
  EXPECT_EQ(Panel->GetBox(0), b);
  EXPECT_EQ(Panel->GetBox(1), a);
  Click(c, 4);  // move up: b, c, a
  EXPECT_EQ(Panel->GetBox(1), c);
  EXPECT_EQ(Panel->GetBox(2), a);
  Click(b, 4);  // the first has nowhere to go
  Click(a, 3);  // nor the last
  EXPECT_EQ(Panel->GetBox(0), b);
  EXPECT_EQ(Panel->GetBox(2), a);
  Pump();
}

TEST_F(QzControlPanelTest, IndexMoveSurvivesTheSort) {
  std::vector<TQzControlPanelBox*> boxes;
  for (int i = 0; i < 4; ++i) boxes.push_back(Add(i * 10, 40));
  Panel->Realign();
  struct Row {
    int Box;
    int32_t Index;
    std::vector<int> Want;
  } rows[] = {
      {3, 0, {3, 0, 1, 2}}, {3, 0, {3, 0, 1, 2}}, {0, 3, {3, 1, 2, 0}},
      {1, 1, {3, 1, 2, 0}}, {2, 99, {3, 1, 0, 2}}, {2, -5, {2, 3, 1, 0}},
  };
  for (const Row& r : rows) {
    boxes[r.Box]->SetIndex(r.Index);
    Panel->SetBounds(0, 0, 200, 301);  // another layout pass
    Panel->SetBounds(0, 0, 200, 300);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Panel->GetBox(i), boxes[r.Want[i]]) << r.Box << "->" << r.Index;
  }
  // Without a panel there is no index and nothing to move.
  auto* loose = QzCreate<TQzControlPanelBox>(Form);
  EXPECT_EQ(loose->GetIndex(), -1);
  loose->SetIndex(2);
  EXPECT_EQ(loose->GetIndex(), -1);
}

TEST_F(QzControlPanelTest, BordersWaitForTheNextLayout) {
  TQzControlPanelBox* a = Add(0, 50);
  Panel->Realign();
  Panel->SetBorderHorz(10);
  Panel->SetBorderVert(7);
  EXPECT_EQ(a->GetLeft(), 2);
  Panel->Realign();
  EXPECT_EQ(a->GetLeft(), 10);
  EXPECT_EQ(a->GetTop(), 7);
  EXPECT_EQ(a->GetWidth(), 180);
}

TEST_F(QzControlPanelTest, TearDownInAnyOrder) {
  struct Row {
    const char* Name;
    bool LayoutFirst, ReparentOne, FreeOneFirst, FreePanel;
  } rows[] = {
      {"box freed before any layout", false, false, true, true},
      {"box re-parented before any layout", false, true, false, true},
      {"box freed after layout", true, false, true, true},
      {"boxes go with the panel", true, false, false, true},
      {"re-parented, panel kept", false, true, true, false},
  };
  for (const Row& r : rows) {
    auto* p = QzCreate<TQzControlPanel>(Form);
    p->SetParent(Form);
    std::vector<TQzControlPanelBox*> boxes;
    for (int i = 0; i < 3; ++i) {
      auto* b = QzCreate<TQzControlPanelBox>(Form);
      b->SetParent(p);
      boxes.push_back(b);
    }
    EXPECT_EQ(boxes[1]->GetPanel(), p) << r.Name;
    if (r.LayoutFirst) p->Realign();
    TQzControlPanelBox* moved = nullptr;
    if (r.ReparentOne) {
      moved = boxes[1];
      moved->SetParent(Form);
      EXPECT_EQ(moved->GetPanel(), nullptr) << r.Name;
      EXPECT_EQ(p->BoxCount(), 2) << r.Name;
    }
    if (r.FreeOneFirst) {
      TQzControlPanelBox* gone = moved ? moved : boxes[0];
      gone->Free();
      if (gone == moved) moved = nullptr;
      EXPECT_EQ(p->IndexOfBox(gone), -1) << r.Name;
    }
    p->Realign();
    if (r.FreePanel) p->Free();
    if (moved) {
      moved->SetIndex(0);
      moved->Free();
    }
    if (!r.FreePanel) p->Free();
  }
}

namespace {
class TPanelForm : public TForm {
public:
  using TForm::TForm;
  std::string ClassName() const override { return "TPanelForm"; }
};
}  // namespace

TEST_F(QzControlPanelTest, FormDescriptionStacksTheBoxesOnceLoaded) {
  RegisterQzControlPanelClasses();
  TClassRegistrar<TPanelForm>("TPanelForm", "TForm", false);
  auto* f = QzCreate<TPanelForm>(Application);
  TFormReader::ReadRootComponent(f,
                                 "object PanelForm: TPanelForm\n"
                                 "  object P: TQzControlPanel\n    Width = 120\n    Height = 200\n"
                                 "    BorderHorz = 4\n    ItemSpace = 0\n"
                                 "    object Second: TQzControlPanelBox\n      Top = 50\n      Height = 30\n"
                                 "      Caption = 'Second'\n    end\n"
                                 "    object First: TQzControlPanelBox\n      Top = 10\n      Height = 40\n"
                                 "      Expanded = False\n    end\n"
                                 "  end\n"
                                 "end\n");
  auto* p = static_cast<TQzControlPanel*>(f->FindComponent("P"));
  auto* first = static_cast<TQzControlPanelBox*>(f->FindComponent("First"));
  auto* second = static_cast<TQzControlPanelBox*>(f->FindComponent("Second"));
  ASSERT_EQ(p->BoxCount(), 2);
  EXPECT_EQ(p->GetBox(0), first);
  EXPECT_EQ(first->GetTop(), 2);
  EXPECT_EQ(first->GetHeight(), first->GetHeader()->GetHeight());
  EXPECT_EQ(second->GetTop(), 2 + first->GetHeight());
  EXPECT_EQ(second->GetTop() + second->GetHeight(), 200);
  EXPECT_EQ(second->GetLeft(), 4);
  f->Free();
}
