// What the editor costs on the host's GUI thread: a full paint of the 1024 x 595 window, one
// step of a knob drag (the knob alone repaints), and one simulated second of a host idling the
// open editor at 60 Hz while audio moves the meters.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine/QzAudioEffectPlugin.h"
#include "platform/WindowBackend.h"
#include "ui/controls/QzAudioEdit.h"
#include "ui/editor/ZRTEffectGUI.h"

namespace {

// One effect with its editor shown on the off-screen backend.
struct TOpenEditor {
  TOpenEditor() {
    QzAudioControlsInitialize();
    Application->Initialize();
    Backend = QzUseOffscreenBackend();
    QzRegisterEffectEditorFactory(QzCreateEffectEditor);
    // The pump a host's idle call runs, as the library sets it up.
    QzToolkitEventPump = [] { Application->ProcessMessages(); };
    Plugin = std::make_unique<TQzAudioEffectPlugin>();
    Form = QzEffectEditorForm(Plugin->GetEditor());
    if (Form) {
      Form->Show();
      Application->ProcessMessages();
    }
  }
  ~TOpenEditor() {
    Plugin.reset();
    Application->ProcessMessages();
    QzRegisterEffectEditorFactory(nullptr);
    QzToolkitEventPump = nullptr;
    QzAudioControlsFinalize();
  }
  uintptr_t Win() const { return Form->GetNativeWindow()->NativeHandle(); }
  TQzOffscreenBackend* Backend = nullptr;
  std::unique_ptr<TQzAudioEffectPlugin> Plugin;
  TQzAudioEffectGUIForm* Form = nullptr;
};

void BM_EditorFullPaint(benchmark::State& State) {
  TOpenEditor e;
  if (!e.Form || !e.Backend) return State.SkipWithError("no editor");
  for (auto _ : State) {
    e.Form->Invalidate();
    e.Form->UpdateForm();
  }
}
BENCHMARK(BM_EditorFullPaint)->Unit(benchmark::kMillisecond);

void BM_EditorKnobDragStep(benchmark::State& State) {
  TOpenEditor e;
  if (!e.Form || !e.Backend) return State.SkipWithError("no editor");
  TQzAudioKnob* k = e.Form->FilterGainSelM;
  // The knob's centre in the form's client area.
  int x = k->GetWidth() / 2, y = k->GetHeight() / 2;
  for (TControl* c = k; c && c != e.Form; c = c->GetParent()) {
    x += c->GetLeft();
    y += c->GetTop();
  }
  e.Backend->MouseDown(e.Win(), x, y);
  Application->ProcessMessages();
  int step = 0;
  for (auto _ : State) {
    // Up and down by two pixels: the value keeps moving and stays inside the range.
    e.Backend->MouseMove(e.Win(), x, y - ((step++ & 1) ? 0 : 2), {ssLeft});
    Application->ProcessMessages();
  }
  e.Backend->MouseUp(e.Win(), x, y);
}
BENCHMARK(BM_EditorKnobDragStep)->Unit(benchmark::kMicrosecond);

// One 10 ms tick of the meter timer with audio moving the level: the needles alone repaint.
void BM_EditorMeterTick(benchmark::State& State) {
  TOpenEditor e;
  if (!e.Form || !e.Backend) return State.SkipWithError("no editor");
  std::vector<float> l(480), r(480);
  float* io[2] = {l.data(), r.data()};
  int n = 0;
  for (auto _ : State) {
    State.PauseTiming();
    const float level = (n++ % 10) * 0.09f + 0.05f;
    for (size_t i = 0; i < l.size(); ++i) l[i] = r[i] = (i & 1) ? level : -level;
    e.Plugin->ProcessReplacing(io, io, static_cast<uint16_t>(l.size()), 0, 0);
    e.Backend->AdvanceClock(10);
    State.ResumeTiming();
    Application->ProcessMessages();
  }
}
BENCHMARK(BM_EditorMeterTick)->Unit(benchmark::kMicrosecond);

// One iteration is one second of a host idling the editor at 60 Hz, the meters fed by audio
// (processed with the timing paused: that is the audio thread's work, not the GUI's).
void BM_EditorIdleSecondAt60Hz(benchmark::State& State) {
  TOpenEditor e;
  if (!e.Form || !e.Backend) return State.SkipWithError("no editor");
  constexpr int Frames = 800;  // 1/60 s at 48 kHz
  std::vector<float> l(Frames), r(Frames);
  float* io[2] = {l.data(), r.data()};
  double phase = 0.0;
  for (auto _ : State) {
    for (int tick = 0; tick < 60; ++tick) {
      State.PauseTiming();
      // A tone whose level swings slowly, as music does.
      const float level = 0.2f + 0.7f * static_cast<float>(std::fabs(std::sin(phase * 0.0005)));
      for (int i = 0; i < Frames; ++i, phase += 1.0) l[i] = r[i] = level * static_cast<float>(std::sin(phase * 0.06));
      e.Plugin->ProcessReplacing(io, io, Frames, 0, 0);
      e.Backend->AdvanceClock(16);
      State.ResumeTiming();
      e.Plugin->EditorIdle();
    }
  }
}
BENCHMARK(BM_EditorIdleSecondAt60Hz)->Unit(benchmark::kMillisecond);

}  // namespace
