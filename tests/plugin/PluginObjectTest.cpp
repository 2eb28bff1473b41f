// The plug-in object and the effect in process: tempo and rate, the editor paths with a stand-in
// editor, power switching, the combined preset and the state blob.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/QzAudioEffectPlugin.h"
#include "tests/common/TestStreams.h"

namespace {
TEST(PluginObject, TempoClampsAndNotifiesOnChange) {
  struct : TQzAudioPluginObject {
    int Tempos = 0;
    void TempoChanged() override { ++Tempos; }
  } o;
  const struct { float Set, Stored; int Calls; } cases[] = {{120.0f, 120.0f, 0}, {0.5f, 1.0f, 1},  {1000.0f, 300.0f, 2},
                                                            {300.0f, 300.0f, 2}, {90.0f, 90.0f, 3}, {NAN, 90.0f, 3},
                                                            {-INFINITY, 1.0f, 4}};
  for (const auto& c : cases) {
    o.SetTempo(c.Set);
    EXPECT_EQ(std::pair(o.GetTempo(), o.Tempos), std::pair(c.Stored, c.Calls)) << c.Set;
  }
  // The direct-call tempo opcode takes whole beats per minute.
  EXPECT_EQ(std::vector<float>({float(o.CallObject(13007, 500, nullptr)), o.GetTempo(),
                                 float(o.CallObject(13007, 0, nullptr)), o.GetTempo()}),
            std::vector<float>({1, 300.0f, 1, 1.0f}));
}

// VST hosts give 64-byte buffers for the name strings: a longer name is cut to 63 characters
// and a terminator, and nothing past the buffer is touched.
TEST(PluginObject, VstNameStringsStayInTheHostsBuffer) {
  struct TLongNames : TQzAudioPluginObject {
    std::string GetProductName() override { return std::string(100, 'p'); }
    std::string GetVendorName() override { return std::string(64, 'v'); }
  } o;
  for (int32_t opcode : {effGetProductString, effGetVendorString}) {
    SCOPED_TRACE(opcode);
    char buffer[160];
    std::memset(buffer, 0x5A, sizeof buffer);
    EXPECT_EQ(TQzAudioPluginObject::VstDispatch(&o, &o.Effect, opcode, 0, 0, buffer, 0.0f), 1);
    EXPECT_EQ(std::strlen(buffer), 63u);
    for (size_t i = 64; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0x5A) << i;
  }
}

// A stand-in for the editor window that records what the dispatchers ask of it.
struct TFakeEditor : IQzPluginEditor {
  int Left = 300, Top = 200, Width = 1024, Height = 595;
  bool Visible = false;
  TQzEditorBorderStyle Border = ebsToolWindow;
  void* Parent = nullptr;
  std::string Caption;
  int32_t GetLeft() override { return Left; }
  int32_t GetTop() override { return Top; }
  int32_t GetWidth() override { return Width; }
  int32_t GetHeight() override { return Height; }
  void SetPosition(int32_t L, int32_t T) override { Left = L, Top = T; }
  void SetBorderStyle(TQzEditorBorderStyle S) override { Border = S; }
  void SetParentWindow(void* H) override { Parent = H; }
  void Show() override { Visible = true; }
  void Hide() override { Visible = false; }
  bool GetVisible() override { return Visible; }
  void SetVisible(bool V) override { Visible = V; }
  void SetCaption(const std::string& C) override { Caption = C; }
  void UpdateControls(TObject*) override {}
};

class EditorPaths : public ::testing::Test {
protected:
  void SetUp() override {
    QzEffectEditorFactory = [](TQzAudioEffectPlugin*) -> std::unique_ptr<IQzPluginEditor> {
      return std::make_unique<TFakeEditor>();
    };
  }
  void TearDown() override { QzEffectEditorFactory = nullptr; }
  TFakeEditor* Editor() { return static_cast<TFakeEditor*>(Plugin.GetEditor()); }
  int32_t Vst(int32_t Opcode, void* Ptr = nullptr) {
    return TQzAudioPluginObject::VstDispatch(&Plugin, &Plugin.Effect, Opcode, 0, 0, Ptr, 0.0f);
  }
  TQzAudioEffectPlugin Plugin;
};

TEST_F(EditorPaths, EditorOpcodesOfBothInterfaces) {
  int16_t place[4] = {40, 0, 60, 0}, rect[4] = {};
  char caption[] = "Track 1";
  // Each call's answer and the editor's visibility and border after it.
  struct TCase { int32_t Opcode, Argument; void* Ptr; int32_t Answer; bool Visible; TQzEditorBorderStyle Border; };
  const TCase cases[] = {
      {10001, 0, nullptr, 1, true, ebsToolWindow}, {15007, 0, nullptr, 1, true, ebsToolWindow},
      {10002, 0, nullptr, 1, false, ebsToolWindow}, {15007, 0, nullptr, 0, false, ebsToolWindow},
      // Anything but 1 hides.
      {15008, 1, nullptr, 1, true, ebsToolWindow}, {15008, 2, nullptr, 1, false, ebsToolWindow},
      {17003, 0, nullptr, 1, false, ebsToolWindow}, {17003, 5, nullptr, 1, false, ebsNone},
      {18002, 0, place, 1, false, ebsNone},         {18001, 0, rect, 1, false, ebsNone},
      {18001, 0, nullptr, -1, false, ebsNone},      {18002, 0, nullptr, -1, false, ebsNone},
      {20001, 0, caption, 1, false, ebsNone},       {20001, 0, nullptr, -1, false, ebsNone},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Opcode << " " << c.Argument);
    EXPECT_EQ(Plugin.CallObject(c.Opcode, c.Argument, c.Ptr), c.Answer);
    EXPECT_EQ(std::pair(Editor()->Visible, Editor()->Border), std::pair(c.Visible, c.Border));
  }
  EXPECT_EQ(std::vector<int16_t>(rect, rect + 4), std::vector<int16_t>({40, 1024, 60, 595}));
  EXPECT_EQ(Editor()->Caption, "Track 1");
  // A VST host's size request and open place the same editor at its window's corner.
  ERect* vstRect = nullptr;
  EXPECT_EQ(Vst(effEditGetRect, &vstRect), 1);
  ASSERT_NE(vstRect, nullptr);
  EXPECT_EQ(std::vector<int>({vstRect->top, vstRect->left, vstRect->bottom, vstRect->right}),
            std::vector<int>({0, 0, 595, 1024}));
  EXPECT_EQ(Vst(effEditGetRect, nullptr), 0);
  int window = 0;
  EXPECT_EQ(Vst(effEditOpen, &window), 1);
  TFakeEditor* e = Editor();
  EXPECT_EQ(e->Parent, &window);
  EXPECT_EQ(std::vector<int>({e->Visible, e->Border, e->Left, e->Top}), std::vector<int>({true, ebsNone, 0, 0}));
  EXPECT_EQ(std::vector<int32_t>({Vst(effEditIdle), Vst(effEditClose)}), std::vector<int32_t>({1, 1}));
  EXPECT_FALSE(e->Visible);
  EXPECT_EQ(Editor(), e);  // kept for the next open
}

TEST(EffectPlugin, LoadedStateKeepsTheReadersErrorState) {
  TQzAudioEffectPlugin source;
  source.GetMicroEqualizer()->GetPreset()->SetBandGain(2, 4.0f);
  source.GetLimiter()->GetPreset()->SetThreshold(-9.0f);
  TMemoryStream saved;
  source.SaveState(&saved);
  const std::vector<uint8_t> blob = saved.Data();
  const auto withFloat = [&blob](size_t At, float Value) {
    std::vector<uint8_t> b = blob;
    std::memcpy(&b[At], &Value, 4);
    return b;
  };
  constexpr size_t Eq = 32, Lim = 132;
  using TE = TQzAudioMicroEqualizerPreset;
  using TL = TQzAudioLimiterPreset;
  std::vector<uint8_t> poisoned = withFloat(Eq + 4 * TE::slotInputGain, NAN);
  const float nan = NAN, absurd = 500.0f;  // an unclamped gain beyond all reason
  std::memcpy(&poisoned[Lim + 4 * TL::slotThreshold], &nan, 4);
  std::memcpy(&poisoned[Eq + 4 * TE::slotOutputGain], &absurd, 4);
  // Far outside: to the nearest bound of the range (the editor's, where the preset has none).
  std::vector<uint8_t> far = withFloat(Eq + 4 * TE::slotInputGain, -120.0f);
  const float minusInfinity = -INFINITY;
  std::memcpy(&far[Lim + 4 * TL::slotOutputGain], &minusInfinity, 4);
  std::vector<uint8_t> newerEqualizer = blob, newerLimiter = blob;
  newerEqualizer[4] = 2, newerLimiter[100 + 4] = 2;
  constexpr float Default = TL::DefaultThreshold;
  constexpr size_t All = SIZE_MAX;
  // A state that does not read whole changes nothing: a fresh object keeps its defaults, one
  // that loaded the whole blob first keeps that. The readers' outcome is kept all the same.
  const struct {
    const char* What;
    const std::vector<uint8_t>& Blob;
    size_t Bytes;
    bool WholeFirst;
    uint32_t EqualizerError, LimiterError;
    float Input, Gain, Threshold, Output;
  } cases[] = {
      {"whole", blob, All, false, 0, 0, 0.0f, 4.0f, -9.0f, 0.0f},
      {"empty", blob, 0, false, MakeErrorCode(1002, 401), MakeErrorCode(1002, 401), 0.0f, 0.0f, Default, 0.0f},
      {"empty after the whole", blob, 0, true, MakeErrorCode(1002, 401), MakeErrorCode(1002, 401), 0.0f, 4.0f, -9.0f,
       0.0f},
      {"50 bytes", blob, 50, false, MakeErrorCode(1002, 404), MakeErrorCode(1002, 401), 0.0f, 0.0f, Default, 0.0f},
      {"equaliser only", blob, 100, false, 0, MakeErrorCode(1002, 401), 0.0f, 0.0f, Default, 0.0f},
      {"limiter floats cut", blob, 150, true, 0, MakeErrorCode(1002, 402), 0.0f, 4.0f, -9.0f, 0.0f},
      {"limiter flags cut", blob, 230, false, 0, MakeErrorCode(1002, 403), 0.0f, 0.0f, Default, 0.0f},
      {"newer equaliser", newerEqualizer, All, true, MakeErrorCode(1604, 403), MakeErrorCode(1603, 402), 0.0f, 4.0f,
       -9.0f, 0.0f},
      {"newer limiter", newerLimiter, All, true, 0, MakeErrorCode(1604, 403), 0.0f, 4.0f, -9.0f, 0.0f},
      // Values that have to be replaced before they reach the stages.
      {"poisoned", poisoned, All, false, 0, 0, 0.0f, 4.0f, Default, 0.0f},
      {"poisoned and cut", poisoned, 150, false, 0, MakeErrorCode(1002, 402), 0.0f, 0.0f, Default, 0.0f},
      {"far outside", far, All, false, 0, 0, TE::MinGain, 4.0f, -9.0f, TL::MinGain},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TQzAudioEffectPlugin p;
    if (c.WholeFirst) {
      EXPECT_TRUE(p.LoadState(StreamOf(blob).get()));
    }
    TByteStream stream(c.Blob, c.Bytes);
    EXPECT_EQ(p.LoadState(&stream), c.EqualizerError == 0 && c.LimiterError == 0);
    const TQzAudioEffectPluginPreset* exchange = p.GetPreset();
    using TPart = std::pair<TQzFileClass*, uint32_t>;
    for (auto [part, error] : {TPart{exchange->EqualizerPreset(), c.EqualizerError},
                               TPart{exchange->LimiterPreset(), c.LimiterError}}) {
      EXPECT_EQ(part->Error, error);
      const std::string log = std::to_string(ErrorCategory(error)) + " " + std::to_string(ErrorLocation(error));
      EXPECT_EQ(part->ErrorLog, error ? log + "\r\n" : "");
    }
    // Never a NaN or an absurd gain in a preset.
    TQzAudioMicroEqualizerPreset* equalizer = p.GetMicroEqualizer()->GetPreset();
    TQzAudioLimiterPreset* limiter = p.GetLimiter()->GetPreset();
    EXPECT_EQ(std::vector<float>({equalizer->GetInputGain(), equalizer->GetOutputGain(), equalizer->GetBandGain(2),
                                  limiter->GetThreshold(), limiter->GetOutputGain()}),
              std::vector<float>({c.Input, 0.0f, c.Gain, c.Threshold, c.Output}));
  }
}

// A loaded value beyond its range, infinite or not, comes back at the nearest bound; a NaN in a
// slot a stage reads at its default. Reserved slots carry whatever they hold through a load and
// a save.
TEST(EffectPlugin, LoadedValuesGoToTheirNearestBoundAndReservedSlotsPassThrough) {
  constexpr size_t Eq = 32, Lim = 132;
  using TE = TQzAudioMicroEqualizerPreset;
  using TL = TQzAudioLimiterPreset;
  const float inf = INFINITY, nan = NAN;
  TQzAudioEffectPlugin fresh;
  TMemoryStream saved;
  fresh.SaveState(&saved);
  const std::vector<uint8_t> blob = saved.Data();
  const auto at = [&blob](size_t Offset) {
    float v;
    std::memcpy(&v, &blob[Offset], 4);
    return v;
  };
  const struct {
    size_t Offset;
    float Loaded, Saved;
  } cases[] = {
      {Eq + 4 * TE::slotLowcut, inf, 500.0f},           {Eq + 4 * TE::slotLowcut, -inf, 20.0f},
      {Eq + 4 * TE::slotLowcut, 1e30f, 500.0f},         {Eq + 4 * TE::slotLowcut, nan, at(Eq + 4 * TE::slotLowcut)},
      {Eq + 4 * TE::slotHighcut, -inf, 1000.0f},        {Eq + 4 * TE::slotBandFrequency, inf, 20000.0f},
      {Eq + 4 * (TE::slotBandBandwidth + 2), -inf, 0.5f}, {Eq + 4 * (TE::slotBandGain + 1), inf, 15.0f},
      {Eq + 4 * TE::slotPan, -inf, TE::MinPan},         {Eq + 4 * TE::slotPan, inf, TE::MaxPan},
      {Eq + 4 * TE::slotInputGain, inf, TE::MaxGain},   {Eq + 4 * TE::slotInputGain, -inf, TE::MinGain},
      {Eq + 4 * 14, nan, nan},                          {Eq + 4 * 14, -inf, -inf},
      {Eq + 4 * 15, 1e30f, 1e30f},                      {Lim + 4 * TL::slotThreshold, inf, TL::MaxThreshold},
      {Lim + 4 * TL::slotThreshold, -inf, TL::MinThreshold}, {Lim + 4 * TL::slotThreshold, nan, TL::DefaultThreshold},
      {Lim + 4 * TL::slotAttack, inf, TL::MaxAttack},   {Lim + 4 * TL::slotRelease, -inf, TL::MinRelease},
      {Lim + 4 * TL::slotBalance, inf, TL::MaxBalance}, {Lim + 4 * TL::slotOutputGain, inf, TL::MaxGain},
      {Lim + 4 * TL::slotInputGain, -inf, TL::MinGain}, {Lim + 4 * 3, nan, nan},
      {Lim + 4 * 3, inf, inf},                          {Lim + 4 * 7, -inf, -inf},
      {Lim + 4 * 15, nan, nan},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "float at " << c.Offset << " loaded as " << c.Loaded);
    std::vector<uint8_t> loaded = blob;
    std::memcpy(&loaded[c.Offset], &c.Loaded, 4);
    TQzAudioEffectPlugin p;
    ASSERT_TRUE(p.LoadState(StreamOf(loaded).get()));
    TMemoryStream again;
    p.SaveState(&again);
    std::vector<uint8_t> expected = blob;
    std::memcpy(&expected[c.Offset], &c.Saved, 4);
    EXPECT_EQ(again.Data(), expected);  // bit for bit: a reserved NaN keeps its payload
  }
}

TEST(EffectPlugin, PowerSwitchKeepsEditsAndTheRateReachesBothStages) {
  TQzAudioEffectPlugin p;
  // Edits made on the live presets after the last save.
  p.GetMicroEqualizer()->GetPreset()->SetBandGain(0, 6.0f);
  p.GetLimiter()->GetPreset()->SetThreshold(-11.0f);
  auto state = [&p] {
    return std::vector<float>{float(p.GetActive()), float(p.GetMicroEqualizer()->GetPreset()->GetActive()),
                              float(p.GetLimiter()->GetPreset()->GetActive()),
                              p.GetMicroEqualizer()->GetPreset()->GetBandGain(0),
                              p.GetLimiter()->GetPreset()->GetThreshold()};
  };
  p.SetActive(false);
  EXPECT_EQ(state(), std::vector<float>({0, 0, 0, 6.0f, -11.0f}));
  p.SetActive(true);
  EXPECT_EQ(state(), std::vector<float>({1, 1, 1, 6.0f, -11.0f}));
  p.SetSampleRate(48000);
  EXPECT_EQ(std::vector<uint32_t>({p.GetMicroEqualizer()->GetSampleRate(), p.GetLimiter()->GetSampleRate()}),
            std::vector<uint32_t>({48000, 48000}));
  // The combined preset alone: clearing notifies; reading the power flag copies it into the
  // limiter part, without a notification.
  TQzAudioEffectPluginPreset preset;
  TChangeCounter changes(preset);
  preset.Clear();
  preset.SetActive(false);
  preset.LimiterPreset()->SetActive(true);
  EXPECT_FALSE(preset.GetActive());
  EXPECT_EQ(std::pair(preset.LimiterPreset()->GetActive(), changes.Count), std::pair(false, 2));
}
// A host that renders twice through one instance (a second track after the first) switches it
// off and on between the two: the second render is that of a fresh instance. Switching off, or
// stopping, alone starts no new stream.
TEST(EffectPlugin, NewStreamStartsClean) {
  const auto setUp = [](TQzAudioEffectPlugin& P) {
    TQzAudioEffectPluginPreset preset;
    for (uint8_t b = 0; b < 3; ++b) preset.EqualizerPreset()->SetBandEnabled(b, true);
    preset.EqualizerPreset()->SetBandGain(0, 9.0f), preset.LimiterPreset()->SetThreshold(-12.0f);
    TMemoryStream s;
    preset.SaveToStream(&s);
    s.SetPosition(0);
    ASSERT_TRUE(P.LoadState(&s));
  };
  // Blocks of 512 frames at Level; a level of 0 is silence.
  const auto play = [](TQzAudioEffectPlugin& P, float Level, int Blocks) {
    std::vector<float> l(512), r(512), out;
    for (int k = 0; k < Blocks; ++k) {
      for (size_t i = 0; i < l.size(); ++i) l[i] = r[i] = Level * std::sin(0.011f * float(i + 512 * size_t(k)));
      float* io[2] = {l.data(), r.data()};
      P.ProcessReplacing(io, io, 512, 0, 0);
      out.insert(out.end(), l.begin(), l.end());
    }
    return out;
  };
  const struct {
    const char* What;
    std::vector<std::pair<int32_t, int32_t>> Calls;
    bool Clean;
  } cases[] = {
      {"stop, off, on, start", {{effStopProcess, 0}, {effMainsChanged, 0}, {effMainsChanged, 1}, {effStartProcess, 0}},
       true},
      {"switched on", {{effMainsChanged, 1}}, true},
      {"started", {{effStartProcess, 0}}, true},
      {"switched off", {{effMainsChanged, 0}}, false},
      {"stopped", {{effStopProcess, 0}}, false},
  };
  TQzAudioEffectPlugin fresh;
  setUp(fresh);
  play(fresh, 0.0f, 1);
  const std::vector<float> expected = play(fresh, 0.3f, 4);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TQzAudioEffectPlugin p;
    setUp(p);
    play(p, 2.5f, 20);
    for (auto [opcode, value] : c.Calls) TQzAudioPluginObject::VstDispatch(&p, &p.Effect, opcode, 0, value, nullptr, 0);
    // The meters follow the new stream only: silence reads -80 dB.
    play(p, 0.0f, 1);
    EXPECT_EQ(p.GetLimiterMeter(2) == -80.0f, c.Clean);
    EXPECT_EQ(play(p, 0.3f, 4) == expected, c.Clean);
  }
}
}  // namespace
