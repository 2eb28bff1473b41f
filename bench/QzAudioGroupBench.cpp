// What one full paint of the editor's group box costs at its design size, 1014 x 519: the
// stretched background picture, the border and the switch groups inside it.
#include <benchmark/benchmark.h>

#include "platform/Forms.h"
#include "platform/WindowBackend.h"
#include "ui/controls/QzAudioEdit.h"
#include "ui/controls/QzAudioGroupBox.h"
#include "ui/controls/QzAudioSwitchGroup.h"
#include "ui/framework/QzResourceBitmaps.h"

namespace {
TQzAudioSwitchGroup* AddSwitchGroup(TForm* Form, TWinControl* Box, TRect R, const char* Items) {
  auto* g = QzCreate<TQzAudioSwitchGroup>(Form);
  g->SetBoundsRect(R);
  g->SetOrientation(acoHorizontal);
  g->SetOptions({ASG_SHOW_TEXT});
  g->SetPadding(5);
  g->SetStyle(awsWhite);
  g->GetItems()->SetText(Items);
  g->SetParent(Box);
  return g;
}

void BM_GroupBoxFullPaint(benchmark::State& State) {
  if (!QzUseOffscreenBackend()) {
    State.SkipWithError("a window is still open");
    return;
  }
  QzAudioControlsInitialize();
  auto* form = QzCreate<TForm>(Application);
  form->SetClientSize(1024, 595);
  auto* source = QzCreate<TQzAudioImageSource>(form);
  // The artwork when this build has it, else a picture of the same size.
  if (!QzLoadPictureResource("QZGROUPBOXBG", source->GetPicture())) {
    TBitmap plain;
    plain.SetSize(1014, 519);
    source->GetPicture()->SetGraphic(&plain);
  }
  auto* box = QzCreate<TQzAudioGroupBox>(form);
  box->SetBounds(5, 40, 1014, 519);
  box->SetCaption("Compressor");
  box->SetAlignment(taCenter);
  box->SetOptions({GBO_SHOW_CAPTION, GBO_SHOW_BORDER});
  box->SetImageSource(source);
  box->SetParent(form);
  AddSwitchGroup(form, box, Rect(95, 480, 640, 515), "LOW\nMID\nHIGH\nLowcut / Highcut")->SetChecked(1, true);
  AddSwitchGroup(form, box, Rect(645, 480, 910, 515), "MONO\nBYPASS");
  form->Show();
  Application->ProcessMessages();
  for (auto _ : State) {
    box->Invalidate();
    Application->ProcessMessages();
  }
  form->Free();
  QzAudioControlsFinalize();
}
BENCHMARK(BM_GroupBoxFullPaint)->Unit(benchmark::kMillisecond);
}  // namespace
