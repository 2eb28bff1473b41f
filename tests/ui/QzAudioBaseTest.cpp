// The audio bases through their public interface and through a form description.

#include "tests/ui/UiTestForm.h"

namespace {

class TKnobProbe : public TQzCustomAudioOrientationWinControl {
public:
  using TQzCustomAudioOrientationWinControl::TQzCustomAudioOrientationWinControl;
  std::string ClassName() const override { return "TKnobProbe"; }
  // What a user's drag does.
  void Gesture() { DoChanged(); }
  void UpdateLayout() override { ++Layouts, TQzCustomAudioOrientationWinControl::UpdateLayout(); }
  int Layouts = 0;
};

using QzAudioBase = UiFormTest;

bool Opaque(const TControl* C) {
  return C->ControlStyle.Contains(csOpaque) && !C->ControlStyle.Contains(csParentBackground);
}

}  // namespace

TEST_F(QzAudioBase, FreshControlsTransparentRoundTripParentLookAndImageLinks) {
  auto* k = QzCreate<TKnobProbe>(Form);
  EXPECT_EQ(std::tuple(k->NeedsLayout(), k->GetTransparent(), Opaque(k)), std::tuple(true, false, false));
  k->SetTransparent(true);
  EXPECT_TRUE(k->ControlStyle.Contains(csParentBackground));
  k->SetTransparent(false);
  EXPECT_TRUE(Opaque(k) && Opaque(QzCreate<TQzCustomAudioControl>(Form)));
  k->SetPadding(1000);
  EXPECT_EQ(k->GetPadding(), 255);
  k->SetPadding(-3);
  EXPECT_EQ(k->GetPadding(), 0);
  const int layouts = k->Layouts;
  k->SetOrientation(acoHorizontal);
  EXPECT_EQ(k->Layouts, layouts + 1);
  // Parent font and colour are taken over; a freed image list leaves no link.
  k->SetParent(Form), k->SetParentColor(true);
  Form->SetColor(clYellow), Form->GetFont()->SetSize(17);
  EXPECT_EQ(std::tuple(k->GetColor(), k->GetFont()->GetSize()), std::tuple(TColor(clYellow), 17));
  auto* elsewhere = QzCreate<TComponent>(nullptr);
  auto* images = QzCreate<TCustomImageList>(elsewhere);
  k->SetImages(images), k->UpdateLayout();
  EXPECT_FALSE(k->NeedsLayout());
  elsewhere->Free();
  EXPECT_EQ(std::tuple(k->GetImages(), k->NeedsLayout()), std::tuple(nullptr, true));
}

// Transparent = False, the value a new control holds, changes nothing: the control keeps its
// parent's background; True and back makes it opaque.
TEST_F(QzAudioBase, FormDescriptionNamesTheClassAndTransparentChangesOnlyWhenItDiffers) {
  TClassRegistrar<TKnobProbe>("TKnobProbe", "TQzCustomAudioOrientationWinControl", true);
  TForm* f = ReadForm("  object Clock: TQzAudioTimer\n    Interval = 0\n  end\n"
                                 "  object Solid: TKnobProbe\n    Transparent = False\n    TimeBase = Clock\n  end\n"
                                 "  object Clear: TKnobProbe\n    Orientation = acoHorizontal\n    Padding = 4\n"
                                 "    Transparent = True\n    Transparent = False\n"
                                 "    EdgeBorders = [febLeft, febBottom]\n  end\n");
  auto* solid = static_cast<TKnobProbe*>(f->FindComponent("Solid"));
  auto* clear = static_cast<TKnobProbe*>(f->FindComponent("Clear"));
  auto* clock = static_cast<TQzAudioTimer*>(f->FindComponent("Clock"));
  EXPECT_EQ(std::tuple(solid->GetCaption(), Opaque(solid), Opaque(clear), clear->GetOrientation(), clear->GetPadding(),
                       clock->GetInterval(), solid->GetTimeBase(), clock->HasClient(solid)),
            std::tuple("TKnobProbe", false, true, acoHorizontal, 4, 1, clock, true));
  EXPECT_EQ(clear->GetEdgeBorders(), (TQzEdgeBorders{febLeft, febBottom}));
  f->Free();
}

TEST_F(QzAudioBase, UpdateBracketSuppressesChangeEvents) {
  auto* k = QzCreate<TKnobProbe>(Form);
  std::string log;
  k->OnInternalChange = [&](TObject*, int32_t, int32_t, float, int32_t) { log += "internal "; };
  k->OnChanged = [&](TObject*) { log += "changed "; };
  k->BeginUpdate();
  k->Gesture();
  EXPECT_EQ(log, "");
  k->EndUpdate();
  k->EndUpdate();  // one too many: harmless
  k->Gesture();
  EXPECT_EQ(log, "internal changed ");
  auto* c = QzCreate<TQzCustomAudioComponent>(Form);
  int changes = 0;
  c->OnChange = [&](TObject*, int32_t, int32_t) { ++changes; };
  c->BeginUpdate(), c->DoChange(), c->EndUpdate(), c->DoChange();
  EXPECT_EQ(changes, 1);
  // A handler that frees the control does not take the running handler with it.
  k->OnChanged = [&](TObject* Sender) { log += "freed", static_cast<TComponent*>(Sender)->Free(); };
  k->Gesture();
  EXPECT_EQ(log, "internal changed internal freed");
}
