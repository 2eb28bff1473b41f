// The control panel and its boxes from outside: stacking by Top, collapsing, hiding and moving
// through the header's buttons, the Index setter, and every order of tearing down.

#include "tests/ui/UiTestForm.h"

namespace {

class QzControlPanelTest : public UiFormTest {
protected:
  void SetUp() override {
    UiFormTest::SetUp();
    Panel = Put<TQzControlPanel>(0, 0, 200, 300);
    Panel->OnExpandedChanged = [this](TObject* Sender) { Senders.push_back(Sender); };
  }
  TQzControlPanelBox* Add(int32_t Top, int32_t Height) { return Put<TQzControlPanelBox>(0, Top, 100, Height, Panel); }
  // Tops and heights of the boxes in list order.
  std::vector<int32_t> Layout() const {
    std::vector<int32_t> v;
    for (int i = 0; i < Panel->BoxCount(); ++i)
      v.push_back(Panel->GetBox(i)->GetTop()), v.push_back(Panel->GetBox(i)->GetHeight());
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

TEST_F(QzControlPanelTest, StacksByTopIndexAndBorders) {
  // Order: creation index of each list place after layout.
  struct Row { const char* Name; std::vector<int32_t> Tops; std::vector<int> Order; } rows[] = {
      {"in order", {0, 10, 20}, {0, 1, 2}}, {"reversed", {20, 10, 0}, {2, 1, 0}},
      {"equal tops keep the list order", {5, 5, 5}, {0, 1, 2}}, {"two equal", {9, 1, 9}, {1, 0, 2}},
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
      const int32_t want = i == 2 ? 300 - y : heights[r.Order[i]];
      EXPECT_EQ(std::tuple(b, b->GetIndex(), b->GetLeft(), b->GetWidth(), b->GetTop(), b->GetHeight()),
                std::tuple(boxes[r.Order[i]], i, 2, 196, y, want))
          << r.Name << " place " << i;
      y += want + 2;
    }
    for (TQzControlPanelBox* b : boxes) b->Free();
    EXPECT_EQ(Panel->BoxCount(), 0);
  }
  EXPECT_TRUE(!Panel->GetBox(-1) && !Panel->GetBox(0));
  // An Index set by code survives the next sort by Top.
  std::vector<TQzControlPanelBox*> boxes;
  for (int i = 0; i < 4; ++i) boxes.push_back(Add(i * 10, 40));
  Panel->Realign();
  struct Move { int Box; int32_t Index; std::vector<int> Want; } moves[] = {
      {3, 0, {3, 0, 1, 2}}, {3, 0, {3, 0, 1, 2}}, {0, 3, {3, 1, 2, 0}},
      {1, 1, {3, 1, 2, 0}}, {2, 99, {3, 1, 0, 2}}, {2, -5, {2, 3, 1, 0}},
  };
  for (const Move& r : moves) {
    boxes[r.Box]->SetIndex(r.Index);
    Panel->SetBounds(0, 0, 200, 301), Panel->SetBounds(0, 0, 200, 300);  // another layout pass
    for (int i = 0; i < 4; ++i) EXPECT_EQ(Panel->GetBox(i), boxes[r.Want[i]]) << r.Box << "->" << r.Index;
  }
  // Without a panel there is no index and nothing to move.
  auto* loose = QzCreate<TQzControlPanelBox>(Form);
  loose->SetIndex(2);
  EXPECT_EQ(loose->GetIndex(), -1);
  // New borders wait for the next layout.
  Panel->SetBorderHorz(10), Panel->SetBorderVert(7);
  EXPECT_EQ(Panel->GetBox(0)->GetLeft(), 2);
  Panel->Realign();
  EXPECT_EQ(std::tuple(Panel->GetBox(0)->GetLeft(), Panel->GetBox(0)->GetTop(), Panel->GetBox(0)->GetWidth()),
            std::tuple(10, 7, 180));
}

TEST_F(QzControlPanelTest, HeaderButtonsCollapseHideAndMove) {
  TQzControlPanelBox* a = Add(0, 50);
  TQzControlPanelBox* b = Add(10, 60);
  TQzControlPanelBox* c = Add(20, 70);
  Panel->Realign();
  Show();
  const int32_t hh = a->GetHeader()->GetHeight();
  EXPECT_TRUE(hh > 6 && hh % 2 == 0) << hh;
  EXPECT_EQ(Layout(), (std::vector<int32_t>{2, 50, 54, 60, 116, 184}));
  Click(c, 1);  // collapse the last: the box above does not grow
  EXPECT_FALSE(c->GetExpanded());
  EXPECT_EQ(Layout(), (std::vector<int32_t>{2, 50, 54, 60, 116, hh}));
  EXPECT_EQ(Senders, std::vector<TObject*>{Panel});
  Click(c, 1);
  EXPECT_EQ(Layout(), (std::vector<int32_t>{2, 50, 54, 60, 116, 184}));
  Click(c, 2);  // hidden: still listed, no room taken; the box above now fills
  EXPECT_EQ(std::tuple(c->GetVisible(), Panel->BoxCount(), b->GetHeight()), std::tuple(false, 3, 300 - 54));
  c->SetVisible(true);
  const auto order = [&] { return std::vector{Panel->GetBox(0), Panel->GetBox(1), Panel->GetBox(2)}; };
  Click(a, 3);  // move down
  EXPECT_EQ(order(), (std::vector{b, a, c}));
  Click(c, 4);  // move up
  EXPECT_EQ(order(), (std::vector{b, c, a}));
  Click(b, 4);  // the first has nowhere to go
  Click(a, 3);  // nor the last
  EXPECT_EQ(order(), (std::vector{b, c, a}));
  Pump();
}

TEST_F(QzControlPanelTest, TearDownInAnyOrder) {
  struct Row { const char* Name; bool LayoutFirst, ReparentOne, FreeOneFirst, FreePanel; } rows[] = {
      {"box freed before any layout", false, false, true, true},
      {"box re-parented before any layout", false, true, false, true},
      {"box freed after layout", true, false, true, true}, {"boxes go with the panel", true, false, false, true},
      {"re-parented, panel kept", false, true, true, false},
  };
  for (const Row& r : rows) {
    auto* p = QzCreate<TQzControlPanel>(Form);
    p->SetParent(Form);
    std::vector<TQzControlPanelBox*> boxes;
    for (int i = 0; i < 3; ++i) boxes.push_back(QzCreate<TQzControlPanelBox>(Form)), boxes.back()->SetParent(p);
    EXPECT_EQ(boxes[1]->GetPanel(), p) << r.Name;
    if (r.LayoutFirst) p->Realign();
    TQzControlPanelBox* moved = nullptr;
    if (r.ReparentOne) {
      moved = boxes[1];
      moved->SetParent(Form);
      EXPECT_EQ(std::tuple(moved->GetPanel(), p->BoxCount()), std::tuple(nullptr, 2)) << r.Name;
    }
    if (r.FreeOneFirst) {
      TQzControlPanelBox* gone = moved ? moved : boxes[0];
      gone->Free();
      if (gone == moved) moved = nullptr;
      EXPECT_EQ(p->IndexOfBox(gone), -1) << r.Name;
    }
    p->Realign();
    if (r.FreePanel) p->Free();
    if (moved) moved->SetIndex(0), moved->Free();
    if (!r.FreePanel) p->Free();
  }
}
