#include "tests/controls/AudioFormTest.h"

namespace {
// A control that borrows the shared editor the way the audio controls do.
class TValueControl : public TCustomControl {
public:
  explicit TValueControl(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 80, 30), SetTabStop(true); }
  ~TValueControl() override { QzReleaseAudioEdit(this); }
  double Value = 7.0;
  int Commits = 0;
  bool EditValue() {
    return QzBeginAudioEdit(this, Rect(5, 5, 75, 25), Value, IsEnabled(), [this](double V) { Value = V, ++Commits; });
  }
};

struct TEditorFixture : AudioFormTest {
  void SetUp() override {
    AudioFormTest::SetUp();
    Form->SetClientSize(300, 200);
    A = Put<TValueControl>(0, 0, 80, 30);
    B = Put<TValueControl>(0, 100, 80, 30);
    Other = Put<TEdit>(150, 0, 100, 24);
    Show();
  }
  TValueControl* A = nullptr;
  TValueControl* B = nullptr;
  TEdit* Other = nullptr;
};
}  // namespace

// The editor opens over the control with its value, passes from holder to holder, and outlives
// them: only the holder's end closes it.
TEST_F(TEditorFixture, OpensOverTheControlAndOutlivesItsHolders) {
  TQzAudioEdit* edit = QzSharedAudioEdit();
  ASSERT_NE(edit, nullptr);
  EXPECT_FALSE(edit->GetVisible());
  A->Value = 1234.5;
  ASSERT_TRUE(A->EditValue());
  EXPECT_EQ(std::tuple(edit->GetText(), edit->GetParent(), edit->GetVisible(), edit->Focused(), edit->GetBoundsRect(),
                       QzAudioEditHeldBy(A)),
            std::tuple(FloatToDisplayText(1234.5, 2, true), A, true, true, Rect(5, 5, 75, 25), true));
  // A second control simply takes it over.
  ASSERT_TRUE(B->EditValue());
  EXPECT_EQ(std::tuple(edit->GetParent(), QzAudioEditHeldBy(A)), std::tuple(B, false));
  QzEndAudioEdit();
  EXPECT_EQ(std::tuple(edit->GetVisible(), edit->GetParent()), std::tuple(false, nullptr));
  ASSERT_TRUE(A->EditValue());
  delete B;  // not the holder: A's edit stays open
  EXPECT_EQ(std::tuple(edit->GetParent(), edit->GetVisible()), std::tuple(A, true));
  delete A;  // the holder: the editor survives, without a parent
  EXPECT_EQ(std::tuple(QzSharedAudioEdit(), edit->GetParent(), edit->GetVisible()), std::tuple(edit, nullptr, false));
  // Still usable by a new control.
  auto* c = Put<TValueControl>(0, 0, 80, 30);
  EXPECT_TRUE(c->EditValue());
  edit->SetText("2");
  Key(VK_RETURN);
  EXPECT_EQ(c->Value, 2.0);
  // Started once, however often asked; stopped, it opens nothing.
  QzAudioControlsInitialize();
  EXPECT_EQ(std::tuple(QzSharedAudioEdit(), QzSharedDigiText()->GetColor()), std::tuple(edit, GetAudioColor(12, true)));
  QzAudioControlsFinalize();
  EXPECT_EQ(QzSharedAudioEdit(), nullptr);
  EXPECT_FALSE(QzBeginAudioEdit(c, Rect(0, 0, 10, 10), 1.0, true, nullptr));
  QzEndAudioEdit();
}

// A press on any audio control ends an edit open on another control: a later Enter cannot
// commit into the control the user left.
TEST_F(TEditorFixture, PressOnAnyAudioControlEndsAnotherControlsEdit) {
  const std::vector<TControl*> controls{QzCreate<TQzAudioKnob>(Form),          QzCreate<TQzAudioVolumeSlider>(Form),
                                        QzCreate<TQzAudioSwitchGroup>(Form),   QzCreate<TQzAudioGroupBox>(Form),
                                        QzCreate<TQzAudioPluginToolBar>(Form), QzCreate<TQzAudioSwitchControl>(Form)};
  for (TControl* c : controls) {
    SCOPED_TRACE(c->ClassName());
    c->SetParent(Form), c->SetBounds(100, 140, 120, 50), Pump();
    A->Value = 7.0;
    ASSERT_TRUE(A->EditValue());
    QzSharedAudioEdit()->SetText("3");
    ClickAt(c, 5, 2);
    EXPECT_FALSE(QzAudioEditHeldBy(A));
    Key(VK_RETURN);
    EXPECT_EQ(A->Value, 7.0);
    QzEndAudioEdit();
    delete c;
  }
}

// What the user typed and how the edit ended, and what the control and the editor must show.
TEST_F(TEditorFixture, TypedTextAndEndings) {
  enum TEnd { Enter, Escape, ClickElsewhere, FocusToOtherWindow, ExitNotice };
  // Value: the control's value afterwards (it starts at 7).
  struct TCase { const char* Text; TEnd End; double Value; bool Parented; };
  const TCase cases[] = {
      {"12,5", Enter, 12.5, false}, {"-0,25", Enter, -0.25, false}, {"1.234,5", Enter, 1234.5, false},
      {"abc", Enter, 7.0, false}, {"", Enter, 7.0, false}, {"nan", Enter, 7.0, false}, {"inf", Enter, 7.0, false},
      {"-inf", Enter, 7.0, false}, {"1e999", Enter, 7.0, false}, {"12,5x", Enter, 7.0, false}, {"3", Escape, 7.0, true},
      {"3", ClickElsewhere, 7.0, true}, {"3", FocusToOtherWindow, 7.0, true}, {"3", ExitNotice, 7.0, true},
      // Either decimal mark; a dot before three digits groups thousands, as the editor shows them.
      {"2.5", Enter, 2.5, false}, {"1.25", Enter, 1.25, false}, {"1,5", Enter, 1.5, false},
      {"12.500,00", Enter, 12500.0, false}, {"12.500", Enter, 12500.0, false}, {"1.2.3", Enter, 7.0, false},
      {"2.5,0", Enter, 7.0, false}, {".", Enter, 7.0, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Text) + " / end " + std::to_string(c.End));
    A->Value = 7.0, A->Commits = 0;
    ASSERT_TRUE(A->EditValue());
    TQzAudioEdit* edit = QzSharedAudioEdit();
    edit->SetText(c.Text);
    switch (c.End) {
      case Enter: Key(VK_RETURN); break;
      case Escape: Key(VK_ESCAPE); break;
      case ClickElsewhere: ClickAt(Other, 10, 10); break;
      case FocusToOtherWindow: Backend->Focus(Win(), false), Pump(); break;
      case ExitNotice: edit->Perform(LM_EXIT); break;
    }
    EXPECT_EQ(std::tuple(A->Value, A->Commits, edit->GetVisible(), edit->GetParent() == A),
              std::tuple(c.Value, c.Value != 7.0 ? 1 : 0, false, c.Parented));
    QzEndAudioEdit();
  }
}
