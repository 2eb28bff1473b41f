#include "plugin/QzEditorRegistration.h"

#include "engine/QzAudioEffectPlugin.h"

void QzRegisterEditor() {
  // The editor form (ui/editor) is not part of the library yet: without a factory the effect
  // creates no window, effEditOpen answers 0 and the direct-call editor requests -1. The form's
  // factory goes here once it exists.
  QzRegisterEffectEditorFactory(nullptr);
}
