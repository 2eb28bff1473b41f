// The controls and the presets: each gesture writes its own field, a refresh never writes,
// states round-trip through the host interfaces with the editor alive, and the value texts.
#include <cmath>
#include <thread>

#include "EditorFixture.h"
#include "ui/editor/ZRTEffectControls.h"

namespace {

using TEq = TQzAudioMicroEqualizerPreset;
using TLim = TQzAudioLimiterPreset;

// Each control's field, read straight from the presets.
const struct {
  const char* Control;
  std::function<float(TEq&, TLim&)> Read;
} Fields[] = {
    {"LowcutSel", [](TEq& e, TLim&) { return e.GetLowcutFrequency(); }},
    {"HighCutSel", [](TEq& e, TLim&) { return e.GetHighcutFrequency(); }},
    {"FrequencySelL", [](TEq& e, TLim&) { return e.GetBandFrequency(0); }},
    {"FrequencySelM", [](TEq& e, TLim&) { return e.GetBandFrequency(1); }},
    {"FrequencySelH", [](TEq& e, TLim&) { return e.GetBandFrequency(2); }},
    {"BandwidthSelL", [](TEq& e, TLim&) { return e.GetBandBandwidth(0); }},
    {"BandwidthSelM", [](TEq& e, TLim&) { return e.GetBandBandwidth(1); }},
    {"BandwidthSelH", [](TEq& e, TLim&) { return e.GetBandBandwidth(2); }},
    {"FilterGainSelL", [](TEq& e, TLim&) { return e.GetBandGain(0); }},
    {"FilterGainSelM", [](TEq& e, TLim&) { return e.GetBandGain(1); }},
    {"FilterGainSelH", [](TEq& e, TLim&) { return e.GetBandGain(2); }},
    {"PanSel", [](TEq& e, TLim&) { return e.GetPan(); }}, {"InputSel", [](TEq& e, TLim&) { return e.GetInputGain(); }},
    {"OutputSel", [](TEq&, TLim& l) { return l.GetOutputGain(); }},
    {"Thresholdsel", [](TEq&, TLim& l) { return l.GetThreshold(); }},
    {"ReleaseSel", [](TEq&, TLim& l) { return l.GetRelease(); }},
};

std::vector<float> Snapshot(TQzAudioEffectPlugin* P) {
  std::vector<float> v;
  for (const auto& f : Fields) v.push_back(f.Read(*P->GetMicroEqualizer()->GetPreset(), *P->GetLimiter()->GetPreset()));
  v.push_back(static_cast<float>(P->GetMicroEqualizer()->GetPreset()->GetFlagWord()));
  return v;
}

// A state blob made from presets set up by Setup.
std::vector<uint8_t> Blob(const std::function<void(TEq&, TLim&)>& Setup) {
  TQzAudioEffectPluginPreset preset;
  TEq& eq = *preset.EqualizerPreset();
  TLim& lim = *preset.LimiterPreset();
  // What the editor's refresh holds on purpose, so that only the values under test can differ.
  lim.SetMode(2), lim.SetLookAhead(true), lim.SetActive(true);
  eq.SetOutputGain(0.0f), eq.SetSaturation(false), eq.SetActive(true);
  Setup(eq, lim);
  TMemoryStream s;
  preset.SaveToStream(&s);
  return {s.Memory(), s.Memory() + s.GetSize()};
}

TEST_F(EditorTest, EachGestureWritesOnlyItsOwnField) {
  AEffect* e = NewVst();
  TQzAudioEffectGUIForm* f = OpenVstEditor(e);
  TQzAudioEffectPlugin* p = PluginOf(e);
  Idle(e);
  for (size_t i = 0; i < std::size(Fields); ++i) {
    SCOPED_TRACE(Fields[i].Control);
    auto* c = dynamic_cast<TControl*>(f->FindComponent(Fields[i].Control));
    ASSERT_NE(c, nullptr);
    const std::vector<float> before = Snapshot(p);
    const TPoint at = At(c);
    // A notch each way: one of them moves a value that sits at an end of its range.
    Backend->Wheel(Win(f), at.X, at.Y, 120), Idle(e);
    if (Snapshot(p) == before) Backend->Wheel(Win(f), at.X, at.Y, -120), Idle(e);
    const std::vector<float> after = Snapshot(p);
    for (size_t j = 0; j < before.size(); ++j)
      EXPECT_EQ(after[j] == before[j], j != i) << (j < std::size(Fields) ? Fields[j].Control : "flags");
  }
  // Clicks on the switch items: each flips its own flag of the equaliser and nothing else.
  const struct { TQzAudioSwitchGroup* Group; int Item; uint32_t Flag; } switches[] = {
      {f->BandSwitchGroup, 0, 1u << 0},  {f->BandSwitchGroup, 1, 1u << 1},
      {f->BandSwitchGroup, 2, 1u << 2},  {f->BandSwitchGroup, 3, TEq::flagCutFilters},
      {f->OutputSwitchGroup, 0, TEq::flagMono}, {f->OutputSwitchGroup, 1, TEq::flagBypass},
  };
  // The editor's pixels, to see that a switch clicked on and off again looks as before: the group
  // takes no focus and draws none.
  const auto pixels = [&] {
    const TBitmap* s = Backend->Screen(Win(f));
    std::vector<uint8_t> v;
    for (int y = 0; s && y < s->GetHeight(); ++y)
      v.insert(v.end(), s->GetScanLine(y), s->GetScanLine(y) + 4 * s->GetWidth());
    return v;
  };
  for (const auto& sw : switches) {
    SCOPED_TRACE(sw.Group->GetName() + " " + std::to_string(sw.Item));
    const std::vector<float> before = Snapshot(p);
    const std::vector<uint8_t> shown = pixels();
    const uint32_t flags = p->GetMicroEqualizer()->GetPreset()->GetFlagWord();
    const TPoint at = At(sw.Group, sw.Group->GetItemRect(sw.Item));
    Backend->Click(Win(f), at.X, at.Y), Idle(e);
    EXPECT_EQ(p->GetMicroEqualizer()->GetPreset()->GetFlagWord() ^ flags, sw.Flag);
    const std::vector<float> after = Snapshot(p);
    EXPECT_TRUE(std::equal(before.begin(), before.end() - 1, after.begin()));
    EXPECT_EQ(sw.Group->GetChecked(sw.Item), (p->GetMicroEqualizer()->GetPreset()->GetFlagWord() & sw.Flag) != 0);
    Backend->Click(Win(f), at.X, at.Y), Idle(e);
    EXPECT_EQ(std::tuple(p->GetMicroEqualizer()->GetPreset()->GetFlagWord(), sw.Group->Focused(), pixels() == shown),
              std::tuple(flags, false, true));
  }
  // Drags: a knob upwards and a slider's cap downwards.
  const float gain = p->GetMicroEqualizer()->GetPreset()->GetBandGain(1);
  Drag(f, At(f->FilterGainSelM), 0, -40), Idle(e);
  EXPECT_GT(p->GetMicroEqualizer()->GetPreset()->GetBandGain(1), gain);
  EXPECT_EQ(p->GetMicroEqualizer()->GetPreset()->GetBandGain(1), f->FilterGainSelM->GetValue());
  const float input = p->GetMicroEqualizer()->GetPreset()->GetInputGain();
  Drag(f, At(f->InputSel, f->InputSel->GetKnobRect()), 0, 60), Idle(e);
  EXPECT_LT(p->GetMicroEqualizer()->GetPreset()->GetInputGain(), input);
}

// Counts the stages' recomputations (one per change of a live preset) while it lives.
class TStageUpdates {
public:
  explicit TStageUpdates(TQzAudioEffectPlugin* P) : FStages{P->GetMicroEqualizer(), P->GetLimiter()} {
    for (size_t i = 0; i < 2; ++i) {
      FOld[i] = FStages[i]->OnUpdate;
      FStages[i]->OnUpdate = [this, i](TObject* S) { ++Count, FOld[i](S); };
    }
  }
  ~TStageUpdates() {
    for (size_t i = 0; i < 2; ++i) FStages[i]->OnUpdate = FOld[i];
  }
  int Count = 0;

private:
  TQzAudioUpdateClass* FStages[2];
  TNotifyEvent FOld[2];
};

TEST_F(EditorTest, EachGestureWritesOneChangeAndTheRefreshNone) {
  AEffect* e = NewVst();
  TQzAudioEffectGUIForm* f = OpenVstEditor(e);
  TQzAudioEffectPlugin* p = PluginOf(e);
  Idle(e);
  TStageUpdates updates(p);
  // Expected < 0: one change when the gesture moved a value, none when it did not.
  const auto gesture = [&](const std::string& Name, const std::function<void()>& Do, int Expected) {
    const std::vector<float> before = Snapshot(p);
    updates.Count = 0;
    Do(), Idle(e), Idle(e);
    EXPECT_EQ(updates.Count, Expected >= 0 ? Expected : Snapshot(p) != before) << Name;
    return Snapshot(p) != before;
  };
  for (const auto& field : Fields) {
    auto* c = dynamic_cast<TControl*>(f->FindComponent(field.Control));
    ASSERT_NE(c, nullptr);
    // A notch each way, one of which moves the value: a knob reports a notch that moves its value
    // twice, and one at an end of its range once.
    const TPoint at = At(c);
    const bool up = gesture(field.Control, [&] { Backend->Wheel(Win(f), at.X, at.Y, 120); }, -1);
    const bool down = gesture(field.Control, [&] { Backend->Wheel(Win(f), at.X, at.Y, -120); }, -1);
    EXPECT_TRUE(up || down) << field.Control;
  }
  gesture("knob drag", [&] { Drag(f, At(f->FilterGainSelH), 0, -30); }, 1);
  gesture("slider drag", [&] { Drag(f, At(f->OutputSel, f->OutputSel->GetKnobRect()), 0, 40); }, 1);
  for (TQzAudioSwitchGroup* g : {f->BandSwitchGroup, f->OutputSwitchGroup}) {
    const TPoint at = At(g, g->GetItemRect(1));
    gesture(g->GetName(), [&] { Backend->Click(Win(f), at.X, at.Y); }, 1);
  }
  // The power switch is one change of the plug-in's state, which both stages take.
  const TRect sw = f->PluginToolBar->GetSwitchRect();
  const TPoint power = At(f->PluginToolBar, sw);
  gesture("power", [&] { Backend->Click(Win(f), power.X, power.Y); }, 2);
  EXPECT_FALSE(p->GetMicroEqualizer()->GetPreset()->GetActive() || p->GetLimiter()->GetPreset()->GetActive());
  // A refresh moves the controls, which report as they do from any code, and writes nothing: a
  // threshold below the knob's range stays in the preset while the knob shows its end.
  gesture("power", [&] { Backend->Click(Win(f), power.X, power.Y); }, 2);
  SetChunk(e, Blob([](TEq&, TLim& l) { l.SetThreshold(-5.0f); })), Idle(e);
  int reports = 0;
  const TNotifyEvent knob = f->Thresholdsel->OnChanged, bar = f->PluginToolBar->OnActiveChanged;
  f->Thresholdsel->OnChanged = f->PluginToolBar->OnActiveChanged = [&](TObject* S) {
    ++reports, (S == f->Thresholdsel ? knob : bar)(S);
  };
  const std::vector<uint8_t> blob = Blob([](TEq& q, TLim& l) { l.SetThreshold(-12.0f), q.SetActive(false); });
  SetChunk(e, blob);
  gesture("refresh", [] {}, 0);
  EXPECT_EQ(std::tuple(reports, f->Thresholdsel->GetValue(), f->PluginToolBar->GetActive(), Chunk(e)),
            std::tuple(2, -10.0f, false, blob));
  f->Thresholdsel->OnChanged = knob, f->PluginToolBar->OnActiveChanged = bar;
}

TEST_F(EditorTest, RefreshDetailsValueTextsAndChangesFromAnotherThread) {
  AEffect* e = NewVst();
  TQzAudioEffectPlugin* p = PluginOf(e);
  TQzAudioEffectGUIForm* f = OpenVstEditor(e);
  // Saturation goes off with its derived values, not only in the preset.
  EXPECT_FALSE(p->GetMicroEqualizer()->GetPreset()->GetSaturation() || p->GetMicroEqualizer()->GetSaturation());
  // The release knob offers nothing the preset would refuse.
  EXPECT_TRUE(f->ReleaseSel->GetMin() >= TLim::MinRelease && f->ReleaseSel->GetMax() <= TLim::MaxRelease);
  // Double-clicking the threshold or release knob leaves the pan alone; the pan knob centres it.
  p->GetMicroEqualizer()->GetPreset()->SetPan(40.0f), Idle(e);
  for (TQzAudioKnob* k : {f->Thresholdsel, f->ReleaseSel, f->PanSel}) {
    const TPoint at = At(k);
    Backend->Click(Win(f), at.X, at.Y), Backend->Click(Win(f), at.X, at.Y), Idle(e);
    EXPECT_EQ(p->GetMicroEqualizer()->GetPreset()->GetPan(), k == f->PanSel ? 0.0f : 40.0f) << k->GetName();
  }
  // A form without a plug-in shows nothing and takes no harm from a refresh.
  auto* lone = new TQzAudioEffectGUIForm(Application, false);
  lone->UpdateControls(nullptr);
  EXPECT_EQ(lone->RefreshCount(), 0);
  lone->Free();
  // The value texts.
  TEq& q = *p->GetMicroEqualizer()->GetPreset();
  const struct {
    TControl* Control;
    std::function<void()> Set;
    const char* Text;
  } cases[] = {
      {f->PanSel, [&] { q.SetPan(25.0f); }, "L 75,0   R 100"}, {f->PanSel, [&] { q.SetPan(-25.0f); }, "L 100   R 75,0"},
      {f->PanSel, [&] { q.SetPan(0.0f); }, "Center"},
      {f->HighCutSel, [&] { q.SetHighcutFrequency(12500.0f); }, "12,5 KHz"},
      {f->FrequencySelM, [&] { q.SetBandFrequency(1, 999.0f); }, "999,0 Hz"},
      {f->FrequencySelM, [&] { q.SetBandFrequency(1, 1000.0f); }, "1,0 KHz"},
      {f->LowcutSel, [&] { q.SetLowcutFrequency(125.0f); }, "125,0 Hz"},
      {f->BandwidthSelH, [&] { q.SetBandBandwidth(2, 2.5f); }, "2,5"},
      {f->ReleaseSel, [&] { p->GetLimiter()->GetPreset()->SetRelease(1234.0f); }, "750,0 msec"},
      {f->OutputSel, [&] { p->GetLimiter()->GetPreset()->SetOutputGain(-12.3f); }, "-12,3 dB"},
  };
  for (const auto& c : cases) {
    c.Set();
    EXPECT_EQ(f->ControlGetValueText(c.Control, 0.0), c.Text);
  }
  EXPECT_EQ(QzPanText(std::nanf("")), "Center");
  // A state loaded on another thread shows at the next pump; it comes back whole, values at the far
  // ends of the limiter's controls too, but for the two the refresh changes on purpose.
  Idle(e);
  const int refreshes = f->RefreshCount();
  const auto setup = [](TEq& q, TLim& l) {
    l.SetThreshold(-14.5f), l.SetRelease(740.0f), l.SetOutputGain(-79.0f);
    q.SetBandGain(0, 9.0f), q.SetPan(-30.0f), q.SetBandEnabled(2, true);
  };
  const std::vector<uint8_t> blob = Blob([&](TEq& q, TLim& l) { setup(q, l), l.SetMode(0), q.SetOutputGain(-6.0f); });
  std::thread([&] { SetChunk(e, blob); }).join();
  EXPECT_EQ(f->RefreshCount(), refreshes);
  EXPECT_NE(f->FilterGainSelL->GetValue(), 9.0f);
  Idle(e);
  EXPECT_EQ(std::tuple(f->RefreshCount(), f->FilterGainSelL->GetValue(), QzToolkitThreadViolations(), Chunk(e)),
            std::tuple(refreshes + 1, 9.0f, 0, Blob(setup)));
}

}  // namespace
