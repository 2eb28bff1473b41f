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
    ASSERT_NE(F, nullptr);
    ASSERT_NE(F->PluginToolBar, nullptr);
    Pump();
  }
  // A click on a part of the tool bar (tool bar client coordinates), then one call of the host.
  void ClickBar(const TRect& Part) {
    const TPoint at{F->PluginToolBar->GetLeft() + (Part.Left + Part.Right) / 2,
                    F->PluginToolBar->GetTop() + (Part.Top + Part.Bottom) / 2};
    Backend->Click(Win(F), at.X, at.Y);
    Pump();
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
    EXPECT_EQ(Eq()->GetActive(), on);
    EXPECT_EQ(Limiter()->GetActive(), on);
    EXPECT_EQ(PowerNotifications(on ? 1 : 0), 1);
    EXPECT_EQ(PowerNotifications(on ? 0 : 1), 0);
    // The host's power query agrees with what it was just told.
    EXPECT_EQ(QzCallObjectEntry(15005, 0, Object, nullptr), on ? 1 : 0);
    EXPECT_EQ(F->MeterL->GetEnabled(), on);
    EXPECT_EQ(F->MeterR->GetEnabled(), on);
    EXPECT_EQ(F->FilterGainSelM->IsEnabled(), on);
    EXPECT_EQ(F->PluginToolBar->GetActive(), on);
  }
  // Switched from the host, the bar follows and reports nothing back to the presets.
  EXPECT_EQ(QzCallObjectEntry(15006, 0, Object, nullptr), 1);
  EXPECT_FALSE(F->PluginToolBar->GetActive());
  EXPECT_FALSE(Eq()->GetActive());
}

TEST_F(EditorToolBarTest, ResetTouchesTheEqualiserOnly) {
  Eq()->SetBandGain(1, 6.0f);
  Eq()->SetPan(-20.0f);
  Limiter()->SetThreshold(-5.0f);
  Limiter()->SetRelease(300.0f);
  Limiter()->SetOutputGain(-9.0f);
  Pump();
  ClickBar(F->PluginToolBar->GetButtonRect(ptbReset));
  EXPECT_EQ(Eq()->GetBandGain(1), 0.0f);
  EXPECT_EQ(Eq()->GetPan(), 0.0f);
  EXPECT_EQ(Limiter()->GetThreshold(), -5.0f);
  EXPECT_EQ(Limiter()->GetRelease(), 300.0f);
  EXPECT_EQ(Limiter()->GetOutputGain(), -9.0f);
  EXPECT_EQ(F->FilterGainSelM->GetValue(), 0.0f);
}

TEST_F(EditorToolBarTest, CompareSlotsLoadWholeOrNotAtAll) {
  TQzAudioPluginToolBar* bar = F->PluginToolBar;
  TMemoryStream original;
  P->SaveState(&original);
  ClickBar(bar->GetCompareSlotRect(1));  // B: a copy of the present state
  Eq()->SetBandGain(1, 9.0f);
  Limiter()->SetThreshold(-7.0f);
  Pump();
  const int refreshes = F->RefreshCount();
  ClickBar(bar->GetCompareSlotRect(0));  // A: back to before
  EXPECT_EQ(Eq()->GetBandGain(1), 0.0f);
  EXPECT_EQ(Limiter()->GetThreshold(), TQzAudioLimiterPreset::DefaultThreshold);
  EXPECT_EQ(F->FilterGainSelM->GetValue(), 0.0f);
  EXPECT_EQ(F->RefreshCount(), refreshes + 1);
  ClickBar(bar->GetCompareSlotRect(1));  // B: the edits again
  EXPECT_EQ(Eq()->GetBandGain(1), 9.0f);
  EXPECT_EQ(Limiter()->GetThreshold(), -7.0f);

  // Slot A spoiled: a short equaliser part, a whole equaliser part and a short limiter part, or
  // no stream of ours at all.
  for (const int size : {40, 222, 232}) {
    SCOPED_TRACE(size);
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
    ASSERT_EQ(after.GetSize(), before.GetSize());
    EXPECT_TRUE(std::equal(before.Memory(), before.Memory() + before.GetSize(), after.Memory()));
    EXPECT_EQ(Eq()->GetBandGain(1), 9.0f);
    ClickBar(bar->GetCompareSlotRect(1));
  }
}

}  // namespace
