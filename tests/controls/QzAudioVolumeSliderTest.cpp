#include <cmath>
#include <limits>

#include "tests/controls/AudioFormTest.h"

namespace {
constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

struct TSliderFixture : AudioFormTest {
  void SetUp() override {
    AudioFormTest::SetUp();
    RegisterQzAudioVolumeSliderClasses();
    Form->SetClientSize(400, 400);
    Form->OnMouseWheel = [this](TObject*, TShiftState, int32_t, TPoint, bool&) { ++FormWheels; };
    S = Put<TQzAudioVolumeSlider>(10, 10, 80, 300);
    S->OnInternalChange = [this](TObject*, int32_t, int32_t, float V, int32_t) { Internal.push_back(V); };
    S->OnChanged = [this](TObject*) { ++Changed; };
    Show();
  }
  void Arrange(TQzAudioControlOrientation O, TQzAudioSliderScaleType T, float Min, float Max) {
    S->SetOrientation(O);
    if (O == acoHorizontal) S->SetBounds(10, 10, 300, 80);
    S->SetMin(-1e6f), S->SetMax(1e6f);  // so that neither bound is refused for crossing the other
    S->SetMin(Min), S->SetMax(Max), S->SetScaleType(T);
    S->UpdateLayout();
  }
  bool Vertical() const { return S->GetOrientation() == acoVertical; }
  int32_t MaxEnd() const { return Vertical() ? S->GetTrackRect().Top : S->GetTrackRect().Right; }
  int32_t MinEnd() const { return Vertical() ? S->GetTrackRect().Bottom : S->GetTrackRect().Left; }
  float ValueAt(int32_t P) const { return Vertical() ? S->PixelToValue(0, P) : S->PixelToValue(P, 0); }
  void Reset() { Internal.clear(), Changed = 0; }
  TQzAudioVolumeSlider* S = nullptr;
  std::vector<float> Internal;
  int Changed = 0;
  int FormWheels = 0;
};

struct TLawCase { TQzAudioControlOrientation Orientation; TQzAudioSliderScaleType Type; float Min, Max; };

const TLawCase LawCases[] = {
    {acoVertical, SLIDER_SCALE_LOG, -50, 3},   {acoVertical, SLIDER_SCALE_LOG, -50, 1},
    {acoVertical, SLIDER_SCALE_LOG, -10, 0},   {acoVertical, SLIDER_SCALE_LOG, -20, -5},
    {acoVertical, SLIDER_SCALE_LOG, 2, 10},    {acoVertical, SLIDER_SCALE_LIN, 0, 100},
    {acoVertical, SLIDER_SCALE_LIN, -10, 0},   {acoVertical, SLIDER_SCALE_LIN, 5, 10},
    {acoVertical, SLIDER_SCALE_LIN, -4, 6},    {acoVertical, SLIDER_SCALE_OPT, -50, 6},
    {acoVertical, SLIDER_SCALE_OPT, -2, 3},    {acoVertical, SLIDER_SCALE_OPT, -80, 0},
    {acoHorizontal, SLIDER_SCALE_LOG, -50, 3}, {acoHorizontal, SLIDER_SCALE_LIN, 5, 10},
    {acoHorizontal, SLIDER_SCALE_LIN, -10, 0}, {acoHorizontal, SLIDER_SCALE_OPT, -50, 6},
};

std::string Name(const TLawCase& C) {
  return std::string(C.Orientation == acoVertical ? "vertical" : "horizontal") + " law " +
         std::to_string(C.Type) + " " + std::to_string(C.Min) + ".." + std::to_string(C.Max);
}
}  // namespace

// Every pixel of the track gives a value that maps back onto that pixel, the values run
// monotonically from Max to Min, and the ends give the bounds exactly.
TEST_F(TSliderFixture, MappingsRoundTripOverTheWholeTrack) {
  for (const TLawCase& c : LawCases) {
    SCOPED_TRACE(Name(c));
    Arrange(c.Orientation, c.Type, c.Min, c.Max);
    const int32_t from = MaxEnd(), to = MinEnd(), dir = to > from ? 1 : -1;
    ASSERT_GT((to - from) * dir, 50);
    EXPECT_EQ(std::tuple(ValueAt(from), ValueAt(to), S->ValueToPixel(c.Max), S->ValueToPixel(c.Min)),
              std::tuple(c.Max, c.Min, from, to));
    float last = c.Max;
    for (int32_t p = from; p != to + dir; p += dir) {
      const float v = ValueAt(p);
      ASSERT_LE(v, last) << "at pixel " << p;
      ASSERT_EQ(S->ValueToPixel(v), p) << "value " << v << " from pixel " << p;
      last = v;
    }
  }
}

// Values just either side of a mark land within a pixel of it; the editor's range puts its
// 0 dB mark a fifth of the way down, the logarithmic law below it.
TEST_F(TSliderFixture, LawsAreContinuousAtTheirMarks) {
  struct TSeam { TQzAudioControlOrientation Orientation; TQzAudioSliderScaleType Type; float Min, Max, At;
                 bool Minus3; };
  const TSeam seams[] = {
      {acoVertical, SLIDER_SCALE_LOG, -50, 3, 0, false},   {acoVertical, SLIDER_SCALE_OPT, -50, 6, 0, false},
      {acoVertical, SLIDER_SCALE_OPT, -50, 6, -3, true},   {acoHorizontal, SLIDER_SCALE_LOG, -50, 3, 0, false},
      {acoHorizontal, SLIDER_SCALE_OPT, -50, 6, -3, true}, {acoHorizontal, SLIDER_SCALE_OPT, -50, 6, 0, false},
  };
  Arrange(acoVertical, SLIDER_SCALE_LOG, -50, 1);
  const TRect t = S->GetTrackRect();
  EXPECT_EQ(std::tuple(S->GetZeroMark(), S->ValueToPixel(0), S->PixelToValue(0, S->GetZeroMark())),
            std::tuple(t.Top + (t.Bottom - t.Top) / 5, t.Top + (t.Bottom - t.Top) / 5, 0.0f));
  // The logarithmic part: halfway down it lies at 1 - 51^0.5.
  const int32_t half = S->GetZeroMark() + S->GetLowerSpan() / 2;
  const double f = double(half - S->GetZeroMark()) / S->GetLowerSpan();
  EXPECT_NEAR(S->PixelToValue(0, half), 1.0 - std::pow(51.0, f), 1e-4);
  for (const TSeam& s : seams) {
    SCOPED_TRACE(Name({s.Orientation, s.Type, s.Min, s.Max}) + " at " + std::to_string(s.At));
    Arrange(s.Orientation, s.Type, s.Min, s.Max);
    const int32_t mark = s.Minus3 ? S->GetMinus3Mark() : S->GetZeroMark();
    EXPECT_TRUE(mark != MaxEnd() && mark != MinEnd());
    EXPECT_EQ(S->ValueToPixel(s.At), mark);
    EXPECT_LE(std::abs(S->ValueToPixel(s.At + 1e-3f) - mark), 1);
    EXPECT_LE(std::abs(S->ValueToPixel(s.At - 1e-3f) - mark), 1);
    EXPECT_NEAR(ValueAt(mark), s.At, 1e-5);
  }
}

// Empty, reversed and huge ranges, refused bounds and crowded scales: mapping stays inside the
// track and the range, and painting every scale comes back.
TEST_F(TSliderFixture, DegenerateRangesStayBounded) {
  const TLawCase cases[] = {
      {acoVertical, SLIDER_SCALE_LOG, -5, -5},      {acoVertical, SLIDER_SCALE_LIN, 3, 3},
      {acoVertical, SLIDER_SCALE_OPT, -3, -3},      {acoHorizontal, SLIDER_SCALE_LIN, 2, 2},
      {acoHorizontal, SLIDER_SCALE_OPT, -50, 6},    {acoVertical, SLIDER_SCALE_LOG, -1e30f, 1e30f},
      {acoVertical, SLIDER_SCALE_OPT, -1e30f, 1e30f}, {acoHorizontal, SLIDER_SCALE_LIN, -1e30f, 1e30f},
      {acoVertical, SLIDER_SCALE_LOG, 5, -5},       {acoHorizontal, SLIDER_SCALE_LIN, 5, -5},
  };
  for (const TLawCase& c : cases) {
    SCOPED_TRACE(Name(c));
    Arrange(c.Orientation, c.Type, -1, 1);
    S->SetMin(c.Min), S->SetMax(c.Max), S->SetMin(NaN), S->SetMax(Inf);
    EXPECT_EQ(std::tuple(S->GetMin(), S->GetMax()), std::tuple(c.Min, c.Max));
    S->SetScaleFrequency(65535);
    S->SetOptions({SLIDER_SHOW_VALUE, SLIDER_SHOW_TEXT, SLIDER_SHOW_SCALE, SLIDER_FOLLOW_TRACK}), S->UpdateLayout();
    const int32_t lo = std::min(MaxEnd(), MinEnd()), hi = std::max(MaxEnd(), MinEnd());
    for (float v : {c.Min, c.Max, 0.0f, -3.0f, 1e20f, -1e20f, NaN})
      EXPECT_TRUE(S->ValueToPixel(v) >= lo && S->ValueToPixel(v) <= hi) << v;
    for (int32_t p = lo - 5; p <= hi + 5; p += 7) {
      const float v = ValueAt(p);
      EXPECT_TRUE(v >= std::min(c.Min, c.Max) && v <= std::max(c.Min, c.Max)) << p << ": " << v;  // NaN fails too
    }
    Repaint(S);
    EXPECT_FALSE(S->NeedsLayout());
  }
}

// A changed value reports, from code as from drag, wheel and typed numbers; ranges clamp silently,
// and junk typed keeps the value.
TEST_F(TSliderFixture, ValueChangesReportRangesClampSilently) {
  // A new slider holds 1 until its first layout brings it into the default range -10..0.
  auto* fresh = QzCreate<TQzAudioVolumeSlider>(Form);
  EXPECT_EQ(fresh->GetValue(), 1.0f);
  fresh->SetParent(Form), Repaint(fresh);
  EXPECT_EQ(fresh->GetValue(), 0.0f);
  fresh->Free();
  Arrange(acoVertical, SLIDER_SCALE_LOG, -50, 3);
  S->SetValue(-10), Reset();
  S->SetValue(-10), S->SetValue(NaN);
  EXPECT_EQ(std::tuple(Internal.size(), Changed), std::tuple(0u, 0));
  S->SetValue(100);  // clamped to Max: the value first, then 0.0 with OnChanged
  EXPECT_EQ(std::tuple(S->GetValue(), Internal, Changed), std::tuple(3.0f, std::vector{3.0f, 0.0f}, 1));
  S->SetMax(1);  // the range change clamps the value
  EXPECT_EQ(S->GetValue(), 1.0f);
  S->SetMin(5);  // reversed for a moment while the editor sets both
  S->SetMin(-50);
  EXPECT_EQ(std::tuple(Internal.size(), Changed), std::tuple(2u, 1));
  // While updating, the internal event still carries the value; OnChanged waits.
  S->BeginUpdate(), S->SetValue(-20), S->EndUpdate();
  EXPECT_EQ(std::tuple(S->GetValue(), Internal, Changed), std::tuple(-20.0f, std::vector{3.0f, 0.0f, -20.0f}, 1));
  Reset();
  // Drag: a press alone does not move; every move reports once.
  const int32_t x = 10 + S->GetTrackRect().Left + 2;
  Down(x, 10 + S->GetZeroMark());
  EXPECT_EQ(std::tuple(S->GetValue(), Changed), std::tuple(-20.0f, 0));
  Move(x, 10 + S->GetZeroMark(), {ssLeft});
  Up(x, 10 + S->GetZeroMark());
  EXPECT_EQ(std::tuple(S->GetValue(), Changed), std::tuple(0.0f, 1));
  ASSERT_EQ(Internal.size(), 2u);
  EXPECT_EQ(Internal[0], 0.0f);
  // Wheel: additive steps in dB, the same up and down whatever the level's sign or size, used up
  // by the slider even at the end of the range.
  struct TWheel { float From; int32_t Delta; TShiftState Shift; float To; };
  const TWheel wheels[] = {
      {-10, 120, {}, -9.9f}, {-10, -120, {}, -10.1f}, {-10, 120, {ssCtrl}, -9.0f},
      {0, 120, {}, 0.1f},    {0, -120, {ssCtrl}, -1},  {1, 120, {}, 1},
      {-0.5f, 120, {}, -0.4f}, {1, -120, {ssCtrl}, 0}, {-45, -120, {}, -45.1f},
  };
  for (const TWheel& w : wheels) {
    SCOPED_TRACE(std::to_string(w.From) + " by " + std::to_string(w.Delta));
    S->SetValue(w.From), Reset();
    FormWheels = 0;
    Wheel(50, 150, w.Delta, w.Shift);
    EXPECT_NEAR(S->GetValue(), w.To, 1e-5);
    EXPECT_EQ(Changed, w.To != w.From ? 1 : 0);
    EXPECT_EQ(FormWheels, 0) << "the container scrolled as well";
  }
  // A typed number reports too; junk keeps the value.
  Arrange(acoVertical, SLIDER_SCALE_LOG, -50, 3);
  S->SetOptions({SLIDER_SHOW_VALUE, SLIDER_SHOW_TEXT, SLIDER_EDIT_VALUE}), S->UpdateLayout();
  const TRect r = S->GetValueRect();
  struct TCase { const char* Text; float Value; };
  const TCase cases[] = {{"-12,5", -12.5f}, {"99", 3.0f}, {"abc", -7.0f}, {"nan", -7.0f}, {"inf", -7.0f}};
  for (const TCase& c : cases) {
    S->SetValue(-7), Reset();
    ClickAt(S, Centre(r));
    ASSERT_TRUE(QzAudioEditHeldBy(S)) << c.Text;
    QzSharedAudioEdit()->SetText(c.Text);
    Key(VK_RETURN);
    EXPECT_EQ(std::tuple(S->GetValue(), Changed), std::tuple(c.Value, c.Value != -7.0f ? 1 : 0)) << c.Text;
  }
}

TEST_F(TSliderFixture, KnobSourceSharesTheCapAndLetsGo) {
  auto* source = QzCreate<TQzAudioSliderKnobSource>(Form);
  EXPECT_TRUE(source->IsEmpty()) << "a new source holds no picture";
  QzLoadPictureResource("QZSLIDERCAP", source->GetPicture());
  ASSERT_FALSE(source->IsEmpty());
  EXPECT_EQ(std::tuple(source->GetPicture()->GetWidth(), source->GetPicture()->GetHeight()), std::tuple(26, 52));
  auto* other = Put<TQzAudioVolumeSlider>(0, 0, 80, 300);
  S->SetKnobSource(source), other->SetKnobSource(source), S->UpdateLayout();
  EXPECT_EQ(S->GetKnobRect().Right - S->GetKnobRect().Left, 26);
  // Without a picture the slider falls back to the built-in knob size for its orientation.
  source->SetPicture(nullptr);
  EXPECT_TRUE(source->IsEmpty());
  S->SetOrientation(acoHorizontal), S->SetBounds(10, 10, 300, 80), S->UpdateLayout();
  EXPECT_EQ(S->GetKnobRect().Right - S->GetKnobRect().Left, 52);
  Pump();
  source->Free();
  EXPECT_TRUE(!S->GetKnobSource() && !other->GetKnobSource());
  Repaint(S);
}

// The audio controls from a form description: sources named, missing artwork leaving empty
// pictures and the gradient, a tool bar read switched off holding its neighbours off, and a group
// box read switched off holding its switch group off.
TEST_F(TSliderFixture, AudioControlsReadFromAFormDescription) {
  for (auto* r : {RegisterQzAudioKnobClasses, RegisterQzAudioGroupBoxClasses, RegisterQzAudioSwitchGroupClasses,
                  RegisterQzAudioToolBarClasses, RegisterQzAudioStatusBarClasses})
    r();
  TForm* form = ReadForm(
      "  object PluginToolBar: TQzAudioPluginToolBar\n    Height = 30\n"
      "    Active = False\n    ButtonStyle = tbsTransparent\n    SwitchStyle = awsBlue\n"
      "    Options = [tboShowPresetCompare]\n    Padding = 0\n    VisibleButtons = [ptbReset, ptbAbout]\n  end\n"
      "  object PluginStatusBar: TQzAudioPluginStatusBar\n    Height = 30\n"
      "    Background = 'NO_SUCH_PICTURE'\n    ProductName = 'Equaliser'\n    Vendor = 'Maker'\n  end\n"
      "  object Cap: TQzAudioSliderKnobSource\n    AudioVersion = '9.9'\n  end\n"
      "  object In: TQzAudioVolumeSlider\n    Min = -50\n    Max = 3\n    ScaleType = SLIDER_SCALE_LOG\n"
      "    Options = [SLIDER_SHOW_VALUE, SLIDER_SHOW_SCALE]\n    KnobSource = Cap\n    Value = -6.5\n  end\n"
      "  object Strip: TQzAudioKnobSource\n    Picture = 'NO_SUCH_STRIP'\n    AudioVersion = '1.0'\n  end\n"
      "  object Freq: TQzAudioKnob\n    Options = [KNOB_SHOW_VALUE, KNOB_EDIT_VALUE]\n"
      "    Layout = aklLeft\n    ColorStyle = acsBlue\n    KnobSource = Strip\n"
      "    Min = 1000\n    Max = 20000\n    ScaleSpace = 12\n    Value = 1000.5\n  end\n"
      "  object Source: TQzAudioImageSource\n    Picture = 'NO SUCH PICTURE'\n    AudioVersion = ''\n  end\n"
      "  object Box: TQzAudioGroupBox\n    ImageSource = Source\n    Active = False\n"
      "    Options = [GBO_SHOW_CAPTION, GBO_SHOW_BORDER]\n    SwitchStyle = awsBlue\n"
      "    object Bands: TQzAudioSwitchGroup\n      Options = [ASG_SHOW_TEXT]\n"
      "      Items = ('LOW' 'MID' 'HIGH')\n      SelectedStyle = awsRed\n      BorderStyle = absSunken\n    end\n"
      "  end\n");
  auto* s = dynamic_cast<TQzAudioVolumeSlider*>(form->FindComponent("In"));
  auto* k = dynamic_cast<TQzAudioKnob*>(form->FindComponent("Freq"));
  auto* strip = static_cast<TQzAudioKnobSource*>(form->FindComponent("Strip"));
  auto* box = dynamic_cast<TQzAudioGroupBox*>(form->FindComponent("Box"));
  auto* bands = dynamic_cast<TQzAudioSwitchGroup*>(form->FindComponent("Bands"));
  auto* bar = dynamic_cast<TQzAudioPluginToolBar*>(form->FindComponent("PluginToolBar"));
  auto* status = dynamic_cast<TQzAudioPluginStatusBar*>(form->FindComponent("PluginStatusBar"));
  ASSERT_TRUE(s && k && box && bands && bar && status);
  EXPECT_EQ(std::tuple(bar->GetActive(), bar->GetButtonStyle(), bar->GetSwitchStyle(), bar->GetHeight(),
                       bar->GetOptions(), bar->GetVisibleButtons()),
            std::tuple(false, tbsTransparent, awsBlue, 30, TQzAudioPluginToolBarOptions{tboShowPresetCompare},
                       TQzAudioPluginToolBarButtons{ptbReset, ptbAbout}));
  EXPECT_FALSE(status->GetEnabled() || s->GetEnabled() || k->GetEnabled() || box->GetEnabled())
      << "the bar switched off its neighbours";
  EXPECT_EQ(std::tuple(status->HasBackground(), status->GetProductName(), status->GetVendor()),
            std::tuple(false, "Equaliser", "Maker"));
  EXPECT_EQ(std::tuple(s->GetMin(), s->GetValue(), s->GetScaleType(), s->GetOptions().Contains(SLIDER_SHOW_SCALE),
                       s->GetKnobSource()),
            std::tuple(-50.0f, -6.5f, SLIDER_SCALE_LOG, true, form->FindComponent("Cap")));
  EXPECT_EQ(std::tuple(k->GetKnobSource(), strip->IsEmpty(), k->GetOptions()),
            std::tuple(strip, true, TQzAudioKnobOptions{KNOB_SHOW_VALUE, KNOB_EDIT_VALUE}));
  EXPECT_EQ(std::tuple(k->GetLayout(), k->GetColorStyle(), k->GetScaleSpace(), k->GetMin(), k->GetMax(), k->GetValue()),
            std::tuple(aklLeft, acsBlue, 12, 1000.0f, 20000.0f, 1000.5f));
  EXPECT_EQ(std::tuple(box->GetImageSource()->IsEmpty(), box->GetOptions(), box->GetSwitchStyle(),
                       bands->GetSelectedStyle(), bands->GetAudioBorderStyle()),
            std::tuple(true, TQzAudioGroupBoxOptions{GBO_SHOW_CAPTION, GBO_SHOW_BORDER}, awsBlue, awsRed, absSunken));
  // The sources' read-only version reads and stays their own.
  for (const char* name : {"Cap", "Strip", "Source"})
    EXPECT_EQ(static_cast<TQzCustomAudioComponent*>(form->FindComponent(name))->GetAudioVersion(), "2.5") << name;
  // Reading the items checks the first one, in a toggle group too.
  EXPECT_EQ(std::tuple(bands->ItemCount(), bands->GetChecked(0), bands->GetChecked(1), bands->GetChecked(2),
                       bands->GetEnabled()),
            std::tuple(3, true, false, false, false));
  box->SetEnabled(true), box->SetActive(true);
  EXPECT_TRUE(bands->GetEnabled());
  form->Free();
}

