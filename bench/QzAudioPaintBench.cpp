// What one value display and one switch face cost to paint: a knob's digital-text value and an
// LED switch with caption, each into a small bitmap as a control's paint would.
#include <benchmark/benchmark.h>

#include "ui/controls/QzAudioEdit.h"
#include "ui/controls/QzAudioPaint.h"
#include "ui/controls/QzDigiText.h"

namespace {
void BM_DigiTextValue(benchmark::State& State) {
  TBitmap target;
  target.SetSize(80, 24);
  TQzDigiText digits;
  digits.SetColor(GetAudioColor(12, true));
  digits.SetSize(8);
  digits.SetOptions(static_cast<uint32_t>(State.range(0)));
  for (auto _ : State) digits.Draw(target.GetCanvas(), "-12,50dB", Rect(0, 0, 80, 24));
}
BENCHMARK(BM_DigiTextValue)->Arg(0)->Arg(DIGI_BOLD)->Arg(DIGI_BOLD | DIGI_SLANTED | DIGI_GAPPED);

void BM_SwitchButton(benchmark::State& State) {
  QzAudioControlsInitialize();
  // A face picture of the size the artwork has, whether or not the artwork is in this build.
  for (int slot : {4, 5}) {
    TBitmap* face = QzAudioSwitchPicture(slot);
    if (face && face->GetEmpty()) face->SetSize(40, 16);
  }
  TBitmap target;
  target.SetSize(60, 24);
  bool down = false;
  for (auto _ : State) {
    DrawSwitchButton(target.GetCanvas(), Rect(2, 2, 58, 22), true, down, "ON", awsYellow, false);
    down = !down;
  }
  QzAudioControlsFinalize();
}
BENCHMARK(BM_SwitchButton);
}  // namespace
