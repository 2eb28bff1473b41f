// The thread contract with an editor open: the host's audio thread processes and sends events
// while its GUI thread idles the editor and loads states. The toolkit and the editor must only
// ever run on the GUI thread. Run under ThreadSanitizer in CI.
//
// Then the effect freed while its editor is open: the editor goes first, while the stages,
// presets and face it looks at still exist, and nothing of it runs afterwards. Meant for the
// AddressSanitizer build, where a late use is a report; elsewhere it is a crash or a wrong value.
#include <atomic>
#include <thread>

#include "InProcessLibrary.h"

namespace {

using EditorConcurrency = OffscreenEditorTest;

TEST_F(EditorConcurrency, VstAudioThreadNeverReachesTheToolkit) {
  AEffect* effect = nullptr;
  TTestEditorForm* editor = OpenVstEditor(effect);
  ASSERT_NE(editor, nullptr);
  const std::vector<uint8_t> on = GetChunk(effect);
  ASSERT_EQ(on.size(), 232u);
  const int refreshesAtOpen = editor->Refreshes;

  TAudioThread audio([effect](float** In, float** Out, int N) {
    // A VstEvents block with no events: count 0, reserved 0.
    intptr_t events[4] = {};
    Dispatch(effect, effProcessEvents, 0, 0, events);
    effect->processReplacing(effect, In, Out, N);
  });
  std::vector<uint8_t> off;
  for (int k = 0; k < 200; ++k) {
    Screen->AdvanceClock(11);  // the meter timer is due at every idle
    Dispatch(effect, effEditIdle);
    if (k == 0) {  // a state with the first band's gain changed
      editor->Plugin->GetMicroEqualizer()->GetPreset()->SetBandGain(0, 4.0f);
      off = GetChunk(effect);
    }
    if (k % 10 == 5) SetChunk(effect, k % 20 == 5 ? on : off);
    if (k % 25 == 7) Dispatch(effect, effSetSampleRate, 0, 0, nullptr, k % 2 ? 48000.0f : 44100.0f);
  }
  Dispatch(effect, effEditIdle);
  audio.Join();

  ExpectToolkitOnTheGuiThreadOnly();
  EXPECT_TRUE(audio.Finite.load());
  // Every state load showed up in the editor, refreshed on this thread.
  EXPECT_GE(editor->Refreshes, refreshesAtOpen + 20);
  EXPECT_GT(editor->Ticks, 100);
  EXPECT_FALSE(static_cast<TQzAudioPluginObject*>(effect->object)->EditorStale());
  EXPECT_EQ(TTestEditorForm::LastGain, 4.0f);  // the last state loaded (k = 195) has the changed band
  EXPECT_EQ(Dispatch(effect, effEditClose), 1);
  Dispatch(effect, effClose);
}

TEST_F(EditorConcurrency, APumpFromAnotherThreadIsRefused) {
  AEffect* effect = nullptr;
  TTestEditorForm* editor = OpenVstEditor(effect);  // this thread pumps from now on
  ASSERT_NE(editor, nullptr);
  const int ticks = editor->Ticks;
  Screen->AdvanceClock(50);
#ifdef NDEBUG
  std::thread([effect] { Dispatch(effect, effEditIdle); }).join();
  EXPECT_EQ(QzToolkitThreadViolations(), 1);
  EXPECT_EQ(editor->Ticks, ticks);  // the timer did not run there
  EXPECT_EQ(TTestEditorForm::ForeignThreadUses.load(), 0);
#else
  EXPECT_DEATH(std::thread([effect] { Dispatch(effect, effEditIdle); }).join(), "");
#endif
  Dispatch(effect, effEditIdle);
  EXPECT_EQ(editor->Ticks, ticks + 1);
  QzResetToolkitThread();
  Dispatch(effect, effClose);
}

TEST_F(EditorConcurrency, FreedInEveryStateTheEditorCanBeIn) {
  struct TCase { const char* Name; bool TimerDue; bool LoadOnAnotherThread; bool Hidden; };
  const TCase cases[] = {
      {"open", false, false, false},
      {"open, meter timer due", true, false, false},
      {"open, right after state loads and rate changes on another thread", false, true, false},
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
    if (c.LoadOnAnotherThread) {
      std::thread([&] {
        for (int k = 0; k < 100; ++k) {
          SetChunk(effect, state);
          Dispatch(effect, effSetSampleRate, 0, 0, nullptr, k % 2 ? 96000.0f : 44100.0f);
        }
      }).join();
      EXPECT_TRUE(plugin->EditorStale()) << "a control thread's load refreshed the editor itself";
    }
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
