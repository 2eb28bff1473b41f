// The tool bar of the editor: power, reset and the compare slots, clicked as a user does.
#include "EditorFixture.h"

namespace {

class EditorToolBarTest : public EditorTest {
protected:
  void SetUp() override {
    EditorTest::SetUp();
    Object = NewDirect();
    P = PluginOf(Object);
    ASSERT_EQ(QzCallObjectEntry(10001, 0, Object, nullptr), 1);
    F = FormOf(P);
    ASSERT_TRUE(F && F->PluginToolBar);
    Pump();
  }
  // A click on a part of the tool bar (tool bar client coordinates), then one call of the host.
  void ClickBar(const TRect& Part) {
    const TPoint at{F->PluginToolBar->GetLeft() + (Part.Left + Part.Right) / 2,
                    F->PluginToolBar->GetTop() + (Part.Top + Part.Bottom) / 2};
    Backend->Click(Win(F), at.X, at.Y), Pump();
  }
  void Pump() { QzCallObjectEntry(15007, 0, Object, nullptr); }
  int PowerNotifications(int32_t Value) const {
    int n = 0;
    for (const auto& c : Log.Calls) n += c.Opcode == 15006 && c.Value == Value;
    return n;
  }
  TQzAudioMicroEqualizerPreset* Eq() const { return P->GetMicroEqualizer()->GetPreset(); }
  TQzAudioLimiterPreset* Limiter() const { return P->GetLimiter()->GetPreset(); }
  void* Object = nullptr;
  TQzAudioEffectPlugin* P = nullptr;
  TQzAudioEffectGUIForm* F = nullptr;
};

TEST_F(EditorToolBarTest, PowerSwitchesBothStagesAndTellsTheHostOnce) {
  for (const bool on : {false, true}) {
    SCOPED_TRACE(on ? "on" : "off");
    Log.Calls.clear();
    ClickBar(F->PluginToolBar->GetSwitchRect());
    EXPECT_EQ(std::tuple(PowerNotifications(on ? 1 : 0), PowerNotifications(on ? 0 : 1)), std::tuple(1, 0));
    // The host's power query agrees with what it was just told.
    EXPECT_EQ(QzCallObjectEntry(15005, 0, Object, nullptr), on ? 1 : 0);
    EXPECT_EQ((std::vector<bool>{Eq()->GetActive(), Limiter()->GetActive(), F->MeterL->GetEnabled(),
                                 F->MeterR->GetEnabled(), F->FilterGainSelM->IsEnabled(),
                                 F->PluginToolBar->GetActive()}),
              std::vector<bool>(6, on));
  }
  // Switched from the host, the bar follows and reports nothing back to the presets.
  EXPECT_EQ(QzCallObjectEntry(15006, 0, Object, nullptr), 1);
  EXPECT_FALSE(F->PluginToolBar->GetActive() || Eq()->GetActive());
}

TEST_F(EditorToolBarTest, CompareSlotsLoadWholeOrNotAtAllAndResetTouchesTheEqualiserOnly) {
  TQzAudioPluginToolBar* bar = F->PluginToolBar;
  TMemoryStream original;
  P->SaveState(&original);
  ClickBar(bar->GetCompareSlotRect(1));  // B: a copy of the present state
  Eq()->SetBandGain(1, 9.0f), Eq()->SetPan(-20.0f), Limiter()->SetThreshold(-7.0f), Limiter()->SetRelease(300.0f);
  Pump();
  const int refreshes = F->RefreshCount();
  ClickBar(bar->GetCompareSlotRect(0));  // A: back to before
  EXPECT_EQ(std::tuple(Eq()->GetBandGain(1), Limiter()->GetThreshold(), F->FilterGainSelM->GetValue(),
                       F->RefreshCount()),
            std::tuple(0.0f, TQzAudioLimiterPreset::DefaultThreshold, 0.0f, refreshes + 1));
  ClickBar(bar->GetCompareSlotRect(1));  // B: the edits again
  EXPECT_EQ(std::tuple(Eq()->GetBandGain(1), Limiter()->GetThreshold()), std::tuple(9.0f, -7.0f));
  // Slot A spoiled: a short equaliser part, a whole equaliser part and a short limiter part, or
  // no stream of ours at all.
  for (const int size : {40, 222, 232}) {
    TMemoryStream* a = bar->GetSlotStream(0);
    std::vector<uint8_t> junk(static_cast<size_t>(size), 0x5A);
    if (size < 232) std::copy(original.Memory(), original.Memory() + size, junk.begin());
    a->Clear();
    a->Write(junk.data(), static_cast<int32_t>(junk.size()));
    TMemoryStream before;
    P->SaveState(&before);
    ClickBar(bar->GetCompareSlotRect(0));
    TMemoryStream after;
    P->SaveState(&after);
    EXPECT_EQ(std::tuple(after.Data(), Eq()->GetBandGain(1)), std::tuple(before.Data(), 9.0f)) << size;
    ClickBar(bar->GetCompareSlotRect(1));
  }
  ClickBar(bar->GetButtonRect(ptbReset));
  EXPECT_EQ(std::tuple(Eq()->GetBandGain(1), Eq()->GetPan(), Limiter()->GetThreshold(), Limiter()->GetRelease(),
                       F->FilterGainSelM->GetValue()),
            std::tuple(0.0f, 0.0f, -7.0f, 300.0f, 0.0f));
}

}  // namespace
