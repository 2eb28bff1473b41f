// Every control must settle: painted twice with nothing changed it paints the same pixels, marks
// nothing for another paint, starts no timer and changes none of its public state. One row per
// set-up whose paint reaches code no other row reaches: add yours to Cases().
#include <cctype>
#include <sstream>

#include "tests/ui/UiTestForm.h"
#include "ui/editor/ZRTEffectGUI.h"

namespace {

struct TPaintCase {
  std::string Name;
  // Creates controls on Form (owned and parented by it) and sets them up as a user would; the one
  // returned is looked at on its own window when it is a form.
  std::function<TControl*(TForm* Form)> Create;
};

template <class T>
T* Place(TForm* Form, int W, int H, int L = 10, int T_ = 10) {
  T* c = QzCreate<T>(Form);
  c->SetBounds(L, T_, W, H), c->SetParent(Form);
  return c;
}

// Its arguments as one text, numbers and words alike, space-separated.
template <class... A>
std::string Str(const A&... Parts) {
  std::ostringstream s;
  s.precision(9);  // every float apart
  ((s << Parts << ' '), ...);
  return s.str();
}

// The public state worth comparing of C, by what C is.
std::string State(TControl* C) {
  std::string s = Str(C->GetCaption(), C->GetLeft(), C->GetTop(), C->GetWidth(), C->GetHeight(), C->GetColor());
  if (auto* a = dynamic_cast<TQzCustomAudioControl*>(C))
    s += Str(a->GetPadding(), a->GetTransparent(), a->NeedsLayout());
  if (auto* a = dynamic_cast<TQzCustomAudioSlider*>(C))
    s += Str(a->GetValue(), a->GetMin(), a->GetMax(), a->GetKnobRect().Left, a->GetKnobRect().Top);
  if (auto* b = dynamic_cast<TQzAudioPluginStatusBar*>(C))
    s += Str(b->GetProductName(), b->GetVendor(), b->GetBackground()->GetWidth());
  if (auto* b = dynamic_cast<TQzAudioPluginToolBar*>(C))
    s += Str(b->GetActive(), b->GetCurrentSlot(), b->GetHotButton(), b->GetOptions().Bits());
  if (auto* k = dynamic_cast<TQzAudioKnob*>(C)) s += Str(k->GetValue(), k->GetKnobRect().Left);
  if (auto* b = dynamic_cast<TQzButton*>(C)) s += Str(b->GetImageIndex());
  if (auto* l = dynamic_cast<TQzActionLabel*>(C)) s += Str(l->GetImageIndex());
  if (auto* t = dynamic_cast<TQzCustomTabSet*>(C))
    s += Str(t->GetActiveTab(), t->GetHotTab(), t->GetScrollOffset(), t->GetTabWidth());
  if (auto* l = dynamic_cast<TQzCustomSlider*>(C)) {
    const TRect t = l->GetPartRect(qspThumb);
    s += Str(l->GetPosition(), l->GetMin(), l->GetMax(), l->GetSpaceHorz(), l->GetSpaceVert(), t.Left, t.Top,
             l->IsRepeating());
  }
  if (auto* c = dynamic_cast<TQzCustomScrollingWinControl*>(C))
    s += Str(c->GetScrollX(), c->GetScrollY(), c->GetVertScrollBar()->GetWidth(), c->GetHorzScrollBar()->GetHeight());
  if (auto* p = dynamic_cast<TQzControlPanel*>(C))
    for (int i = 0; i < p->BoxCount(); ++i) s += Str(p->GetBox(i)->GetTop(), p->GetBox(i)->GetHeight());
  if (auto* f = dynamic_cast<TQzAudioEffectGUIForm*>(C))
    s += Str(f->PanSel->GetValue(), f->InputSel->GetValue(), f->MeterL->GetVolume(), f->PluginToolBar->GetActive());
  return s;
}

// A control of class T linked to an action that shows image 1 of a two-image list.
template <class T>
void PlaceWithImagedAction(TForm* Form, int W, int H, int Top, const std::string& Caption) {
  auto* images = QzCreate<TImageList>(Form);
  images->SetSize(8, 8);
  TBitmap strip;
  strip.SetSize(16, 8);
  images->Add(&strip);
  auto* action = QzCreate<TAction>(Form);
  action->SetCaption(Caption), action->SetImageIndex(1);
  auto* c = Place<T>(Form, W, H, 10, Top);
  c->SetImages(images), c->SetAction(action);
}

TQzSlider* PlaceStdSlider(TForm* Form, TQzSliderOrientation Orientation, TQzSliderBarStyle Style, int Left = 10) {
  auto* s = Orientation == sloVertical ? Place<TQzSlider>(Form, 50, 200, Left) : Place<TQzSlider>(Form, 200, 20, Left);
  s->SetOrientation(Orientation), s->SetBarStyle(Style), s->SetCaption("Gain"), s->SetPosition(-40);
  return s;
}

std::vector<TPaintCase> Cases() {
  return {
      {"The bases, a plain group box and a panel box side by side",
       [](TForm* F) -> TControl* {
         Place<TQzCustomAudioBackgroundWinControl>(F, 80, 30);
         Place<TQzCustomGraphicControl>(F, 60, 40, 100);
         Place<TQzCustomWinControl>(F, 60, 40, 170)->SetEdgeBorders({febLeft, febTop, febRight, febBottom});
         Place<TQzCustomAudioOrientationWinControl>(F, 30, 80, 240);
         Place<TQzCustomAudioScrollingWinControl>(F, 100, 80, 10, 60);
         Place<TQzControlPanelBox>(F, 100, 60, 120, 60);
         return Place<TQzGroupBox>(F, 150, 100, 160, 130);
       }},
      {"TQzAudioPluginStatusBar with texts, a background and borders, TQzAudioPluginToolBar as the editor sets "
       "it up and switched off with every option",
       [](TForm* F) -> TControl* {
         auto* status = Place<TQzAudioPluginStatusBar>(F, 300, 30);
         status->SetBackground(FilledBitmap(3, 3, RGB(90, 20, 20)).get());
         status->SetEdgeBorders({febTop}), status->SetProductName("Equaliser"), status->SetVendor("Maker");
         auto* b = Place<TQzAudioPluginToolBar>(F, 300, 30, 10, 50);
         auto* images = QzCreate<TImageList>(F);
         images->SetSize(22, 22), images->AddSliced(FilledBitmap(66, 22, RGB(200, 200, 0)).get(), 3, 1);
         images->SetDrawingStyle(dsSelected);
         b->SetImages(images), b->SetColor(0x232323), b->SetButtonStyle(tbsTransparent);
         b->SetOptions({tboShowPresetCompare}), b->SetVisibleButtons({ptbReset, ptbAbout});
         // An index the list does not hold draws nothing.
         b->OnGetImageIndex = [](TObject*, TQzAudioPluginToolBarButton B) { return B == ptbReset ? 2 : 7; };
         b->MouseMove({}, 290, 5);
         auto* off = Place<TQzAudioPluginToolBar>(F, 300, 45, 10, 90);
         off->SetOptions({tboShowPresetCompare, tboShowPresetSelect, tboShowCaption, tboShowBorder, tboMoveWindow});
         off->SetButtonStyle(tbsGradient), off->SetSwitchStyle(awsRed), off->SetPadding(3), off->SetActive(false);
         return status;
       }},
      {"TQzAudioGroupBox with a child",
       [](TForm* F) {
         auto* box = Place<TQzAudioGroupBox>(F, 200, 150);
         box->SetCaption("Box"), box->SetBottomText("bottom");
         box->SetOptions({GBO_SHOW_ACTIVE_SWITCH, GBO_SHOW_CAPTION, GBO_SHOW_BORDER, GBO_SHOW_HEADER});
         auto* child = QzCreate<TQzAudioSwitchGroup>(F);
         child->SetBounds(10, 40, 120, 30), child->SetParent(box), box->SetActive(false);
         return box;
       }},
      {"TQzAudioGroupBox transparent over a picture, transparent toggles and a switch",
       [](TForm* F) {
         auto* source = QzCreate<TQzAudioImageSource>(F);
         TBitmap b;
         b.SetSize(3, 3);
         source->GetPicture()->SetGraphic(&b);
         auto* box = Place<TQzAudioGroupBox>(F, 120, 80);
         box->SetImageSource(source), box->SetTransparent(true), box->SetHeaderStyle(GBH_GRADIENT_VERT);
         auto* g = Place<TQzAudioSwitchGroup>(F, 40, 120, 140);
         g->SetOptions({ASG_SHOW_TEXT}), g->SetTransparent(true), g->SetChecked(1, true);
         auto* w = Place<TQzAudioSwitchControl>(F, 60, 25, 190);
         w->SetCaption("ON"), w->SetChecked(true);
         return box;
       }},
      {"TQzAudioKnob with strip, scale, value and caption",
       [](TForm* F) {
         auto* source = QzCreate<TQzAudioKnobSource>(F);
         TPortableNetworkGraphic strip;
         strip.SetSize(20, 20 * 5);
         source->GetPicture()->Assign(&strip);
         auto* k = Place<TQzAudioKnob>(F, 110, 125);
         k->SetKnobSource(source), k->SetValue(-20);
         k->SetOptions({KNOB_SHOW_CAPTION, KNOB_SHOW_VALUE, KNOB_SHOW_SCALE, KNOB_SHOW_BORDER});
         return k;
       }},
      {"TQzAudioVolumeSlider with every option and the cap",
       [](TForm* F) {
         auto* s = Place<TQzAudioVolumeSlider>(F, 80, 220);
         s->SetOrientation(acoVertical), s->SetMin(-50), s->SetMax(3), s->SetValue(-6);
         s->SetScaleType(SLIDER_SCALE_LOG);
         s->SetOptions({SLIDER_SHOW_VALUE, SLIDER_SHOW_VALUE_BORDER, SLIDER_SHOW_TEXT, SLIDER_SHOW_TEXT_BORDER,
                        SLIDER_SHOW_BORDER, SLIDER_SHOW_SCALE, SLIDER_FOLLOW_TRACK, SLIDER_EDIT_VALUE});
         s->SetKnobSource(QzCreate<TQzAudioSliderKnobSource>(F));
         return s;
       }},
      {"TQzLabel centred AutoSize and right, TQzHeadLine, TQzButton and TQzActionLabel with imaged actions",
       [](TForm* F) -> TControl* {
         auto* l = Place<TQzLabel>(F, 150, 30);
         l->SetAlignment(taCenter), l->SetPadding(3), l->SetBackgroundStyle(cbsGradientHorz), l->SetAutoSize(true);
         auto* r = Place<TQzLabel>(F, 150, 30, 10, 50);
         r->SetAlignment(taRightJustify), r->SetBackgroundStyle(cbsSolid);
         Place<TQzHeadLine>(F, 200, 30, 10, 90)->SetStyle(hlsGradientVert);
         PlaceWithImagedAction<TQzButton>(F, 95, 25, 130, "Act");
         PlaceWithImagedAction<TQzActionLabel>(F, 60, 20, 170, "Link");
         return l;
       }},
      {"TQzCheckBox, TQzButton and TQzHeadLine themed",
       [](TForm* F) {
         auto* theme = QzCreate<TQzThemeManager>(F);
         auto* box = Place<TQzCheckBox>(F, 100, 15);
         box->SetThemeManager(theme);
         Place<TQzButton>(F, 95, 25, 10, 40)->SetThemeManager(theme);
         Place<TQzHeadLine>(F, 150, 20, 10, 80)->SetThemeManager(theme);
         return box;
       }},
      // The effect's whole editor, a window of its own (owned by the test's form), with every
      // control of its form description.
      {"TQzAudioEffectGUIForm",
       [](TForm* F) -> TControl* { return With(new TQzAudioEffectGUIForm(F, true), [](auto* e) { e->Show(); }); }},
      {"TQzCustomScrollingWinControl, TQzControlPanel and TQzTabSet raised tabs, hot tracked and scrolled",
       [](TForm* F) -> TControl* {
         auto* c = Place<TQzCustomScrollingWinControl>(F, 120, 90);
         c->SetVertRange(0, 500), c->GetVertScrollBar()->SetPagePercentage(20);
         c->GetVertScrollBar()->SetScrollPosition(100);
         auto* p = Place<TQzControlPanel>(F, 150, 160, 140);
         for (int i = 0; i < 3; ++i) {
           auto* b = QzCreate<TQzControlPanelBox>(F);
           b->SetBounds(0, i * 10, 100, 40), b->SetCaption("Box " + std::to_string(i)), b->SetParent(p);
         }
         p->GetBox(1)->SetExpanded(false), p->Realign();
         // Shorter than the text needs: the strip grows once, before it paints; its buttons scroll it.
         auto* t = Place<TQzTabSet>(F, 200, 12, 10, 190);
         for (const char* s : {"Low", "Mid", "High", "Output"}) t->GetTabs()->Add(s);
         t->SetStyle(tssTabs), t->SetTabSize(60), t->SetHotTrack(true),
             t->SetOptions({tsoShowText, tsoEnableScrolling});
         t->SetActiveTab(1), t->ScrollRight(), t->MouseMove({}, 100, 20);
         return t;
       }},
      {"TQzSlider short with a caption and a gradient bar, and vertical solid",
       [](TForm* F) -> TControl* {
         PlaceStdSlider(F, sloVertical, sbsSolid, 250);
         return PlaceStdSlider(F, sloHorizontal, sbsGradient);
       }},
  };
}

class PaintStability : public UiFormTest, public ::testing::WithParamInterface<TPaintCase> {};

TEST_P(PaintStability, SecondPaintChangesNothing) {
  TControl* c = GetParam().Create(Form);
  Show();
  // A control is looked at on the test's form, a window on itself.
  TCustomForm* shown = dynamic_cast<TCustomForm*>(c);
  if (!shown) shown = Form;
  std::vector<TControl*> made;
  for (int i = 0; i < Form->ComponentCount(); ++i)
    if (auto* m = dynamic_cast<TControl*>(Form->GetComponent(i))) made.push_back(m);
  auto snapshot = [&made] {
    std::string s;
    for (TControl* m : made) s += State(m) + "\n";
    return s;
  };
  EXPECT_TRUE(QzIsRectEmpty(shown->GetInvalidRect())) << "the first paint marked more painting";
  const std::vector<uint32_t> first = PixelsOf(shown);
  ASSERT_FALSE(first.empty()) << "nothing was shown";
  const std::string state = snapshot();
  const int timers = Application->TimerCount();
  for (TControl* m : made) m->Invalidate();
  Pump();
  EXPECT_EQ(PixelsOf(shown), first) << "the second paint changed pixels";
  EXPECT_TRUE(QzIsRectEmpty(shown->GetInvalidRect())) << "the paint marked more painting";
  EXPECT_EQ(Application->TimerCount(), timers) << "the paint started a timer";
  EXPECT_EQ(snapshot(), state);
}

INSTANTIATE_TEST_SUITE_P(Controls, PaintStability, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TPaintCase>& Info) {
                           std::string n;
                           for (char ch : Info.param.Name)
                             if (std::isalnum(static_cast<unsigned char>(ch))) n += ch;
                           return n;
                         });

}  // namespace
