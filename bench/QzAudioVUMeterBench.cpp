// What one meter tick costs: a fall step of the needle and the repaint it causes, which covers
// the needle's old and new place, not the whole meter or window.
#include <benchmark/benchmark.h>

#include "QzEditorBench.h"
#include "ui/controls/QzAudioVUMeter.h"

namespace {
void BM_VUMeterTick(benchmark::State& State) {
  TForm* form = qzbench::EditorForm(State);
  if (!form) return;
  auto* meter = QzCreate<TQzAudioVUMeter>(form);
  meter->SetParent(form);
  meter->SetBounds(700, 80, 250, 155);
  meter->GetTextLeft()->Add("L");
  meter->SetCaption("Output");
  form->Show();
  Application->ProcessMessages();
  for (auto _ : State) {
    // Back to the top once the needle rests, so that every tick moves it.
    if (meter->GetVolume() <= TQzCustomAudioVUMeter::MinVolume) meter->SetVolume(TQzCustomAudioVUMeter::MaxVolume);
    meter->TimeBaseTick(nullptr, TQzCustomAudioVUMeter::FallStep);
    Application->ProcessMessages();
  }
  qzbench::FreeEditorForm(form);
}
BENCHMARK(BM_VUMeterTick);
}  // namespace
