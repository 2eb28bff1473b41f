// What the editor's host-style benchmark (QzEditorHostBench, the X11 path a host runs) cannot
// make the editor do: a full paint of the 1024 x 595 window, and one step of a knob drag (the
// knob alone repaints). Idling, meters, opening and exposing are measured there.
#include <benchmark/benchmark.h>


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

}  // namespace
