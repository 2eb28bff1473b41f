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
  // Creates the control on Form (owned and parented by it) and sets it up as a user would.
  std::function<TControl*(TForm* Form)> Create;
  // Public state worth comparing, as text (empty: only the geometry and caption are compared).
  std::function<std::string(TControl* Control)> State;
};

template <class T>
T* Place(TForm* Form, int W, int H) {
  T* c = QzCreate<T>(Form);
  c->SetBounds(10, 10, W, H), c->SetParent(Form);
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

// A control of class T linked to an action that shows image 1 of a two-image list.
template <class T>
TControl* PlaceWithImagedAction(TForm* Form, int W, int H, const std::string& Caption) {
  auto* images = QzCreate<TImageList>(Form);
  images->SetSize(8, 8);
  TBitmap strip;
  strip.SetSize(16, 8);
  images->Add(&strip);
  auto* action = QzCreate<TAction>(Form);
  action->SetCaption(Caption), action->SetImageIndex(1);
  auto* c = Place<T>(Form, W, H);
  c->SetImages(images), c->SetAction(action);
  return c;
}

std::string AudioState(TControl* C) {
  auto* a = static_cast<TQzCustomAudioControl*>(C);
  return Str(a->GetPadding(), a->GetTransparent(), a->NeedsLayout());
}

std::string SliderState(TControl* C) {
  auto* s = static_cast<TQzCustomAudioSlider*>(C);
  return Str(AudioState(C), s->GetValue(), s->GetMin(), s->GetMax(), s->GetKnobRect().Left, s->GetKnobRect().Top);
}

std::string MeterState(TControl* C) {
  auto* m = static_cast<TQzCustomAudioVUMeter*>(C);
  return Str(AudioState(C), m->GetVolume(), m->GetNeedleAngle(), m->GetCalibrationMode());
}

TControl* PlaceMeter(TForm* Form, bool Calibration) {
  auto* m = Place<TQzAudioVUMeter>(Form, 250, 155);
  m->GetTextLeft()->Add("L"), m->GetTextRight()->Add("dB");
  m->SetCaption("VU"), m->SetCalibrationMode(Calibration), m->SetVolume(-6.05f);
  return m;
}

std::string StatusBarState(TControl* C) {
  auto* b = static_cast<TQzAudioPluginStatusBar*>(C);
  return Str(AudioState(C), b->GetProductName(), b->GetVendor(), b->GetBackground()->GetWidth());
}

std::string ToolBarState(TControl* C) {
  auto* b = static_cast<TQzAudioPluginToolBar*>(C);
  return Str(AudioState(C), b->GetActive(), b->GetCurrentSlot(), b->GetHotButton(), b->GetOptions().Bits());
}

TControl* PlaceSlider(TForm* Form, TQzAudioControlOrientation Orientation, TQzAudioSliderScaleType Type,
                      TQzAudioSliderOptions Options, bool Cap) {
  auto* s = Orientation == acoVertical ? Place<TQzAudioVolumeSlider>(Form, 80, 220) : Place<TQzAudioVolumeSlider>(Form, 300, 90);
  s->SetOrientation(Orientation), s->SetMin(-50), s->SetMax(3), s->SetValue(-6), s->SetScaleType(Type), s->SetOptions(Options);
  if (Cap) s->SetKnobSource(QzCreate<TQzAudioSliderKnobSource>(Form));
  return s;
}

std::string TabSetState(TControl* C) {
  auto* t = static_cast<TQzCustomTabSet*>(C);
  return Str(t->GetActiveTab(), t->GetHotTab(), t->GetScrollOffset(), t->GetTabWidth());
}

std::string StdSliderState(TControl* C) {
  auto* s = static_cast<TQzCustomSlider*>(C);
  const TRect t = s->GetPartRect(qspThumb);
  return Str(s->GetPosition(), s->GetMin(), s->GetMax(), s->GetSpaceHorz(), s->GetSpaceVert(), t.Left, t.Top, s->IsRepeating());
}

TControl* PlaceStdSlider(TForm* Form, TQzSliderOrientation Orientation, TQzSliderBarStyle Style) {
  auto* s = Orientation == sloVertical ? Place<TQzSlider>(Form, 50, 200) : Place<TQzSlider>(Form, 200, 20);
  s->SetOrientation(Orientation), s->SetBarStyle(Style), s->SetCaption("Gain"), s->SetPosition(-40);
  return s;
}

std::vector<TPaintCase> Cases() {
  return {
      {"TQzCustomAudioBackgroundWinControl",
       [](TForm* F) { return Place<TQzCustomAudioBackgroundWinControl>(F, 80, 30); }, AudioState},
      {"TQzAudioPluginStatusBar with texts, a background and borders",
       [](TForm* F) {
         auto* b = Place<TQzAudioPluginStatusBar>(F, 300, 30);
         b->SetBackground(FilledBitmap(3, 3, RGB(90, 20, 20)).get());
         b->SetEdgeBorders({febTop}), b->SetProductName("Equaliser"), b->SetVendor("Maker");
         return b;
       },
       StatusBarState},
      {"TQzAudioPluginToolBar as the editor sets it up",
       [](TForm* F) {
         auto* b = Place<TQzAudioPluginToolBar>(F, 300, 30);
         auto* images = QzCreate<TImageList>(F);
         images->SetSize(22, 22), images->AddSliced(FilledBitmap(66, 22, RGB(200, 200, 0)).get(), 3, 1);
         images->SetDrawingStyle(dsSelected);
         b->SetImages(images), b->SetColor(0x232323), b->SetButtonStyle(tbsTransparent);
         b->SetOptions({tboShowPresetCompare}), b->SetVisibleButtons({ptbReset, ptbAbout});
         // An index the list does not hold draws nothing.
         b->OnGetImageIndex = [](TObject*, TQzAudioPluginToolBarButton B) { return B == ptbReset ? 2 : 7; };
         b->MouseMove({}, 290, 5);
         return b;
       },
       ToolBarState},
      {"TQzAudioPluginToolBar switched off with every option",
       [](TForm* F) {
         auto* b = Place<TQzAudioPluginToolBar>(F, 300, 45);
         b->SetOptions({tboShowPresetCompare, tboShowPresetSelect, tboShowCaption, tboShowBorder, tboMoveWindow});
         b->SetButtonStyle(tbsGradient), b->SetSwitchStyle(awsRed), b->SetPadding(3), b->SetActive(false);
         return b;
       },
       ToolBarState},
      {"TQzCustomGraphicControl", [](TForm* F) { return Place<TQzCustomGraphicControl>(F, 60, 40); }, nullptr},
      {"TQzCustomWinControl with borders",
       [](TForm* F) {
         return With(Place<TQzCustomWinControl>(F, 60, 40), [](auto* c) { c->SetEdgeBorders({febLeft, febTop, febRight, febBottom}); });
       },
       nullptr},
      {"TQzCustomAudioOrientationWinControl",
       [](TForm* F) { return Place<TQzCustomAudioOrientationWinControl>(F, 30, 80); }, AudioState},
      {"TQzAudioGroupBox with a child",
       [](TForm* F) {
         auto* box = Place<TQzAudioGroupBox>(F, 200, 150);
         box->SetCaption("Box"), box->SetBottomText("bottom");
         box->SetOptions({GBO_SHOW_ACTIVE_SWITCH, GBO_SHOW_CAPTION, GBO_SHOW_BORDER, GBO_SHOW_HEADER});
         auto* child = QzCreate<TQzAudioSwitchGroup>(F);
         child->SetBounds(10, 40, 120, 30), child->SetParent(box), box->SetActive(false);
         return box;
       },
       AudioState},
      {"TQzAudioGroupBox transparent over a picture",
       [](TForm* F) {
         auto* source = QzCreate<TQzAudioImageSource>(F);
         TBitmap b;
         b.SetSize(3, 3);
         source->GetPicture()->SetGraphic(&b);
         auto* box = Place<TQzAudioGroupBox>(F, 120, 80);
         box->SetImageSource(source), box->SetTransparent(true), box->SetHeaderStyle(GBH_GRADIENT_VERT);
         return box;
       },
       AudioState},
      {"TQzAudioSwitchGroup transparent toggles",
       [](TForm* F) {
         return With(Place<TQzAudioSwitchGroup>(F, 40, 120),
                     [](auto* g) { g->SetOptions({ASG_SHOW_TEXT}), g->SetTransparent(true), g->SetChecked(1, true); });
       },
       AudioState},
      {"TQzAudioSwitchControl on with its caption",
       [](TForm* F) { return With(Place<TQzAudioSwitchControl>(F, 60, 25), [](auto* w) { w->SetCaption("ON"), w->SetChecked(true); }); },
       AudioState},
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
       },
       [](TControl* C) {
         auto* k = static_cast<TQzAudioKnob*>(C);
         return Str(AudioState(C), k->GetValue(), k->GetKnobRect().Left);
       }},
      {"TQzAudioVolumeSlider with every option and the cap",
       [](TForm* F) {
         return PlaceSlider(F, acoVertical, SLIDER_SCALE_LOG,
                            {SLIDER_SHOW_VALUE, SLIDER_SHOW_VALUE_BORDER, SLIDER_SHOW_TEXT, SLIDER_SHOW_TEXT_BORDER,
                             SLIDER_SHOW_BORDER, SLIDER_SHOW_SCALE, SLIDER_FOLLOW_TRACK, SLIDER_EDIT_VALUE},
                            true);
       },
       SliderState},
      {"TQzAudioVolumeSlider horizontal with a scale",
       [](TForm* F) {
         return PlaceSlider(F, acoHorizontal, SLIDER_SCALE_LIN,
                            {SLIDER_SHOW_VALUE, SLIDER_SHOW_TEXT, SLIDER_SHOW_SCALE, SLIDER_FOLLOW_TRACK}, false);
       },
       SliderState},
      {"TQzAudioVUMeter with labels", [](TForm* F) { return PlaceMeter(F, false); }, MeterState},
      {"TQzAudioVUMeter calibrating", [](TForm* F) { return PlaceMeter(F, true); }, MeterState},
      {"TQzLabel centred AutoSize",
       [](TForm* F) {
         return With(Place<TQzLabel>(F, 150, 30), [](auto* l) {
           l->SetAlignment(taCenter), l->SetPadding(3), l->SetBackgroundStyle(cbsGradientHorz), l->SetAutoSize(true);
         });
       },
       nullptr},
      {"TQzLabel right",
       [](TForm* F) {
         return With(Place<TQzLabel>(F, 150, 30), [](auto* l) { l->SetAlignment(taRightJustify), l->SetBackgroundStyle(cbsSolid); });
       },
       nullptr},
      {"TQzButton with an action and images",
       [](TForm* F) { return PlaceWithImagedAction<TQzButton>(F, 95, 25, "Act"); },
       [](TControl* C) { return std::to_string(static_cast<TQzButton*>(C)->GetImageIndex()); }},
      {"TQzActionLabel with an action and images",
       [](TForm* F) { return PlaceWithImagedAction<TQzActionLabel>(F, 60, 20, "Link"); },
       [](TControl* C) { return std::to_string(static_cast<TQzActionLabel*>(C)->GetImageIndex()); }},
      {"TQzHeadLine", [](TForm* F) { return With(Place<TQzHeadLine>(F, 200, 30), [](auto* h) { h->SetStyle(hlsGradientVert); }); },
       nullptr},
      {"TQzCheckBox, TQzButton and TQzHeadLine themed",
       [](TForm* F) {
         auto* theme = QzCreate<TQzThemeManager>(F);
         auto* box = Place<TQzCheckBox>(F, 100, 15);
         box->SetThemeManager(theme);
         auto* button = Place<TQzButton>(F, 95, 25);
         button->SetTop(40), button->SetThemeManager(theme);
         auto* head = Place<TQzHeadLine>(F, 150, 20);
         head->SetTop(80), head->SetThemeManager(theme);
         return box;
       },
       nullptr},
      {"TQzGroupBox", [](TForm* F) { return Place<TQzGroupBox>(F, 150, 100); }, nullptr},
      // The effect's whole editor, a window of its own (owned by the test's form), with every
      // control of its form description.
      {"TQzAudioEffectGUIForm",
       [](TForm* F) -> TControl* { return With(new TQzAudioEffectGUIForm(F, true), [](auto* e) { e->Show(); }); },
       [](TControl* C) {
         auto* f = static_cast<TQzAudioEffectGUIForm*>(C);
         return Str(f->PanSel->GetValue(), f->InputSel->GetValue(), f->MeterL->GetVolume(), f->PluginToolBar->GetActive());
       }},
      {"TQzCustomScrollingWinControl",
       [](TForm* F) {
         auto* c = Place<TQzCustomScrollingWinControl>(F, 120, 90);
         c->SetVertRange(0, 500), c->GetVertScrollBar()->SetPagePercentage(20), c->GetVertScrollBar()->SetScrollPosition(100);
         return c;
       },
       [](TControl* C) {
         auto* c = static_cast<TQzCustomScrollingWinControl*>(C);
         return Str(c->GetScrollX(), c->GetScrollY(), c->GetVertScrollBar()->GetWidth(), c->GetHorzScrollBar()->GetHeight());
       }},
      {"TQzCustomAudioScrollingWinControl",
       [](TForm* F) { return Place<TQzCustomAudioScrollingWinControl>(F, 100, 80); }, nullptr},
      {"TQzControlPanel",
       [](TForm* F) {
         auto* p = Place<TQzControlPanel>(F, 150, 160);
         for (int i = 0; i < 3; ++i) {
           auto* b = QzCreate<TQzControlPanelBox>(F);
           b->SetBounds(0, i * 10, 100, 40), b->SetCaption("Box " + std::to_string(i)), b->SetParent(p);
         }
         p->GetBox(1)->SetExpanded(false), p->Realign();
         return p;
       },
       [](TControl* C) {
         auto* p = static_cast<TQzControlPanel*>(C);
         std::string s;
         for (int i = 0; i < p->BoxCount(); ++i) s += Str(p->GetBox(i)->GetTop(), p->GetBox(i)->GetHeight());
         return s;
       }},
      {"TQzControlPanelBox", [](TForm* F) { return Place<TQzControlPanelBox>(F, 100, 60); }, nullptr},
      {"TQzTabSet raised tabs, hot tracked and scrolled with its buttons",
       [](TForm* F) {
         // Shorter than the text needs: the strip grows once, before it paints.
         auto* t = Place<TQzTabSet>(F, 200, 12);
         for (const char* s : {"Low", "Mid", "High", "Output"}) t->GetTabs()->Add(s);
         t->SetStyle(tssTabs), t->SetTabSize(60), t->SetHotTrack(true), t->SetOptions({tsoShowText, tsoEnableScrolling});
         t->SetActiveTab(1), t->ScrollRight(), t->MouseMove({}, 100, 20);
         return t;
       },
       TabSetState},
      {"TQzSlider short with a caption and a gradient bar",
       [](TForm* F) { return PlaceStdSlider(F, sloHorizontal, sbsGradient); }, StdSliderState},
      {"TQzSlider vertical solid", [](TForm* F) { return PlaceStdSlider(F, sloVertical, sbsSolid); }, StdSliderState},
      {"TQzSlider themed both ways",
       [](TForm* F) {
         auto* theme = QzCreate<TQzThemeManager>(F);
         for (uint8_t i : {3, 100, 101, 104, 116, 126, 127, 150}) theme->SetThemeColor(i, RGB(i, 255 - i, 90));
         auto* upright = static_cast<TQzSlider*>(PlaceStdSlider(F, sloVertical, sbsThemed));
         upright->SetThemeManager(theme);
         auto* s = Place<TQzSlider>(F, 200, 45);
         s->SetLeft(80), s->SetThemeManager(theme);
         return upright;
       },
       StdSliderState},
  };
}

class PaintStability : public UiFormTest, public ::testing::WithParamInterface<TPaintCase> {};

std::string Snapshot(const TPaintCase& Case, TControl* C) {
  return Str(C->GetCaption(), C->GetLeft(), C->GetTop(), C->GetWidth(), C->GetHeight(), C->GetColor(),
             Case.State ? Case.State(C) : "");
}

TEST_P(PaintStability, SecondPaintChangesNothing) {
  const TPaintCase& row = GetParam();
  TControl* c = row.Create(Form);
  Show();
  // A control is looked at on the test's form, a window on itself.
  TCustomForm* shown = dynamic_cast<TCustomForm*>(c);
  if (!shown) shown = Form;
  auto Pixels = [this, shown] { return PixelsOf(shown); };
  EXPECT_TRUE(QzIsRectEmpty(shown->GetInvalidRect())) << "the first paint marked more painting";
  const std::vector<uint32_t> first = Pixels();
  ASSERT_FALSE(first.empty()) << "nothing was shown";
  const std::string state = Snapshot(row, c);
  const int timers = Application->TimerCount();
  Repaint(c);
  EXPECT_EQ(Pixels(), first) << "the second paint changed pixels";
  EXPECT_TRUE(QzIsRectEmpty(shown->GetInvalidRect())) << "the paint marked more painting";
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
