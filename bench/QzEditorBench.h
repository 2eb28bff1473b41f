// What the control benchmarks share: an off-screen window of the editor's size with the audio
// controls' shared objects, so that every control is measured against the same painting.
#pragma once

#include <benchmark/benchmark.h>

#include "platform/Forms.h"
#include "platform/WindowBackend.h"
#include "ui/controls/QzAudioEdit.h"

namespace qzbench {

// An empty form of the editor's size, not yet shown; nullptr (and the benchmark skipped) when
// there is no off-screen backend. Free it with FreeEditorForm.
inline TForm* EditorForm(benchmark::State& State) {
  if (!QzUseOffscreenBackend()) {
    State.SkipWithError("no off-screen window backend");
    return nullptr;
  }
  QzAudioControlsInitialize();
  auto* form = QzCreate<TForm>(Application);
  form->SetClientSize(1024, 595);
  return form;
}

inline void FreeEditorForm(TForm* Form) {
  Form->Free();
  QzAudioControlsFinalize();
}

}  // namespace qzbench
