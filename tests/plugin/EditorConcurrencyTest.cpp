// The thread contract with an editor open: the host's audio thread processes and sends events
// while its GUI thread idles the editor and loads states. The toolkit and the editor must only
// ever run on the GUI thread. Run under ThreadSanitizer in CI.
#include <atomic>
#include <cmath>
#include <thread>

#include "InProcessLibrary.h"

namespace {

using EditorConcurrency = OffscreenEditorTest;

// An audio thread as hosts run it: events, then a block, until told to stop.
class TAudioThread {
public:
  template <class TProcess>
  explicit TAudioThread(TProcess Process)
      : FThread([this, Process] {
          std::vector<float> l(256), r(256), ol(256), or_(256);
          float* in[2] = {l.data(), r.data()};
          float* out[2] = {ol.data(), or_.data()};
          for (int n = 0; !Stop.load() || n < 20; ++n) {
            for (size_t i = 0; i < l.size(); ++i) l[i] = r[i] = 0.8f * std::sin(0.02f * static_cast<float>(i + 256 * n));
            Process(in, out);
            for (size_t i = 0; i < ol.size(); ++i)
              if (!std::isfinite(ol[i]) || !std::isfinite(or_[i])) Finite = false;
            ++Blocks;
          }
        }) {}
  ~TAudioThread() { Join(); }
  void Join() {
    Stop = true;
    if (FThread.joinable()) FThread.join();
  }
  std::atomic<bool> Stop{false};
  std::atomic<bool> Finite{true};
  std::atomic<int> Blocks{0};

private:
  std::thread FThread;
};

TEST_F(EditorConcurrency, VstAudioThreadNeverReachesTheToolkit) {
  AEffect* effect = nullptr;
  TTestEditorForm* editor = OpenVstEditor(effect);
  ASSERT_NE(editor, nullptr);
  const std::vector<uint8_t> on = Chunk(effect);
  ASSERT_EQ(on.size(), 232u);
  const int refreshesAtOpen = editor->Refreshes;

  TAudioThread audio([effect](float** In, float** Out) {
    // A VstEvents block with no events: count 0, reserved 0.
    intptr_t events[4] = {};
    Dispatch(effect, effProcessEvents, 0, events);
    effect->processReplacing(effect, In, Out, 256);
  });
  std::vector<uint8_t> off;
  for (int k = 0; k < 200; ++k) {
    Screen->AdvanceClock(11);  // the meter timer is due at every idle
    Dispatch(effect, effEditIdle);
    if (k == 0) {
      // A state with the first band's gain changed.
      TQzAudioEffectPlugin* plugin = editor->Plugin;
      plugin->GetMicroEqualizer()->GetPreset()->SetBandGain(0, 4.0f);
      off = Chunk(effect);
    }
    if (k % 10 == 5) SetChunk(effect, k % 20 == 5 ? on : off);
    if (k % 25 == 7) Dispatch(effect, effSetSampleRate, 0, nullptr, k % 2 ? 48000.0f : 44100.0f);
  }
  Dispatch(effect, effEditIdle);
  audio.Join();

  ExpectToolkitOnTheGuiThreadOnly();
  EXPECT_TRUE(audio.Finite.load());
  EXPECT_GE(audio.Blocks.load(), 20);
  // Every state load showed up in the editor, refreshed on this thread.
  EXPECT_GE(editor->Refreshes, refreshesAtOpen + 20);
  EXPECT_GT(editor->Ticks, 100);
  EXPECT_FALSE(static_cast<TQzAudioPluginObject*>(effect->object)->EditorStale());
  EXPECT_EQ(TTestEditorForm::LastGain, 4.0f);  // the last state loaded (k = 195) has the changed band
  EXPECT_EQ(Dispatch(effect, effEditClose), 1);
  Dispatch(effect, effClose);
}

TEST_F(EditorConcurrency, StateLoadsOnAControlThreadOnlyMarkTheEditorStale) {
  AEffect* effect = nullptr;
  TTestEditorForm* editor = OpenVstEditor(effect);
  ASSERT_NE(editor, nullptr);
  std::vector<uint8_t> state = Chunk(effect);
  std::thread control([&] {
    for (int k = 0; k < 100; ++k) {
      SetChunk(effect, state);
      Dispatch(effect, effSetSampleRate, 0, nullptr, k % 2 ? 96000.0f : 44100.0f);
    }
  });
  control.join();
  const int before = editor->Refreshes;
  EXPECT_TRUE(static_cast<TQzAudioPluginObject*>(effect->object)->EditorStale());
  Dispatch(effect, effEditIdle);
  EXPECT_EQ(editor->Refreshes, before + 1);  // all of them shown by one refresh
  ExpectToolkitOnTheGuiThreadOnly();
  Dispatch(effect, effClose);
}

TEST_F(EditorConcurrency, DirectCallHostKeepsTheEditorAliveFromCallObject) {
  void* object = QzCreateInstanceEntry(nullptr, nullptr);
  ASSERT_NE(object, nullptr);
  ASSERT_EQ(QzCallObjectEntry(10001, 0, object, nullptr), 1);
  TTestEditorForm* editor = dynamic_cast<TTestEditorForm*>(static_cast<TQzAudioPluginObject*>(object)->ExistingEditor());
  ASSERT_NE(editor, nullptr);
  TAudioThread audio([object](float** In, float** Out) {
    QzProcessAudioEntry(object, In, Out, 256, 0, 0);
  });
  for (int k = 0; k < 200; ++k) {
    Screen->AdvanceClock(11);
    EXPECT_EQ(QzCallObjectEntry(15007, 0, object, nullptr), 1);  // visible, and pumped
    if (k % 20 == 3) QzCallObjectEntry(15006, k % 40 == 3 ? 0 : 1, object, nullptr);
  }
  audio.Join();
  EXPECT_GT(editor->Ticks, 100);
  ExpectToolkitOnTheGuiThreadOnly();
  EXPECT_EQ(QzCallObjectEntry(10004, 0, object, nullptr), 1);
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
}  // namespace
