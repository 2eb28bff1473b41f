// What one drag step of a knob costs: the value change and the repaint it causes, which covers
// the knob's own bounds (and the parent under its transparent parts), not the whole window.
#include <benchmark/benchmark.h>

#include "QzEditorBench.h"
#include "ui/controls/QzAudioKnob.h"

namespace {
void BM_KnobDragStep(benchmark::State& State) {
  TForm* form = qzbench::EditorForm(State);
  if (!form) return;
  auto* source = QzCreate<TQzAudioKnobSource>(form);
  // A strip of the size the artwork has, whether or not the artwork is in this build.
  if (!source->LoadFromResource()) {
    TPortableNetworkGraphic strip;
    strip.SetSize(64, 64 * 101);
    source->GetPicture()->Assign(&strip);
  }
  auto* knob = QzCreate<TQzAudioKnob>(form);
  knob->SetParent(form);
  knob->SetBounds(100, 100, 110, 125);
  knob->SetKnobSource(source);
  knob->SetOptions({KNOB_SHOW_CAPTION, KNOB_SHOW_VALUE, KNOB_SHOW_SCALE});
  knob->SetMin(0);
  knob->SetMax(100);
  form->Show();
  Application->ProcessMessages();
  knob->MouseDown(mbLeft, {}, 50, 50);
  int x = 50, dir = 1;
  for (auto _ : State) {
    // Back and forth, so that every step moves the value.
    if (x >= 90 || x <= 10) dir = -dir;
    x += dir;
    knob->MouseMove({ssLeft}, x, 50);
    Application->ProcessMessages();
  }
  knob->MouseUp(mbLeft, {}, x, 50);
  qzbench::FreeEditorForm(form);
}
BENCHMARK(BM_KnobDragStep);
}  // namespace
