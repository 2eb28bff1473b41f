#include "plugin/QzEditorRegistration.h"

#include "engine/QzAudioEffectPlugin.h"
#include "ui/editor/ZRTEffectGUI.h"

void QzRegisterEditor() {
  // Every class the form description names must be known before the first editor is read.
  RegisterZRTEffectGUIClasses();
  QzRegisterEffectEditorFactory(QzCreateEffectEditor);
}
