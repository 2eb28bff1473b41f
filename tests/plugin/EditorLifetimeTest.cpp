// The effect freed while its editor is open: the editor goes first, while the stages, presets
// and face it looks at still exist, and nothing of it runs afterwards. Meant for the
// AddressSanitizer build, where a late use is a report; elsewhere it is a crash or a wrong value.
#include <thread>

#include "InProcessLibrary.h"

namespace {

using EditorLifetime = OffscreenEditorTest;

TEST_F(EditorLifetime, FreedInEveryStateTheEditorCanBeIn) {
  struct TCase { const char* Name; bool TimerDue; bool LoadOnAnotherThread; bool Hidden; };
  const TCase cases[] = {
      {"open", false, false, false},
      {"open, meter timer due", true, false, false},
      {"open, right after a state load on another thread", false, true, false},
      {"timer due and state loaded", true, true, false},
      {"closed but kept", true, false, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    AEffect* effect = nullptr;
    ASSERT_NE(OpenVstEditor(effect), nullptr);
    auto* plugin = static_cast<TQzAudioEffectPlugin*>(effect->object);
    plugin->GetMicroEqualizer()->GetPreset()->SetBandGain(0, 2.5f);
    Dispatch(effect, effEditIdle);
    const std::vector<uint8_t> state = GetChunk(effect);
    ASSERT_EQ(TTestEditorForm::Alive.load(), 1);
    if (c.Hidden) Dispatch(effect, effEditClose);
    if (c.TimerDue) Screen->AdvanceClock(100);
    if (c.LoadOnAnotherThread) std::thread([&] { SetChunk(effect, state); }).join();
    TTestEditorForm::LastGain = -1.0f;
    Dispatch(effect, effClose);
    // The editor saw the stages whole as it went.
    EXPECT_EQ(TTestEditorForm::Alive.load(), 0);
    EXPECT_EQ(TTestEditorForm::LastGain, 2.5f);
    // The toolkit's next round finds no timer or window of the freed editor.
    Screen->AdvanceClock(100);
    Application->ProcessMessages();
    EXPECT_EQ(QzNativeWindowCount(), 0);
  }
  ExpectToolkitOnTheGuiThreadOnly();
}
}  // namespace
