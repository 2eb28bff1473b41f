#include "plugin/QzEditorRegistration.h"

#include "engine/QzAudioEffectPlugin.h"
#include "ui/controls/QzAudioBackground.h"
#include "ui/controls/QzAudioGroupBox.h"
#include "ui/controls/QzAudioKnob.h"
#include "ui/controls/QzAudioPresetManager.h"
#include "ui/controls/QzAudioStatusBar.h"
#include "ui/controls/QzAudioSwitchControl.h"
#include "ui/controls/QzAudioSwitchGroup.h"
#include "ui/controls/QzAudioToolBar.h"
#include "ui/controls/QzAudioVUMeter.h"
#include "ui/controls/QzAudioVolumeSlider.h"
#include "ui/controls/QzBorder.h"
#include "ui/controls/QzButtons.h"
#include "ui/controls/QzControlPanel.h"
#include "ui/controls/QzEdit.h"
#include "ui/controls/QzExtCtrls.h"
#include "ui/controls/QzSlider.h"
#include "ui/controls/QzStdCtrls.h"
#include "ui/controls/QzStdDlgs.h"
#include "ui/controls/QzTabSet.h"
#include "ui/editor/ZRTEffectGUI.h"
#include "ui/framework/QzAudioBase.h"
#include "ui/framework/QzCtrls.h"
#include "ui/framework/QzScrollBox.h"

void QzRegisterEditor() {
  // Every control class is known to the form reader before the first form is read, whether
  // the editor's description names it or not (all of these are idempotent).
  RegisterQzCtrlsClasses();
  RegisterQzAudioBaseClasses();
  RegisterQzScrollBoxClasses();
  RegisterQzStdCtrlsClasses();
  RegisterQzExtCtrlsClasses();
  RegisterQzEditClasses();
  RegisterQzSliderClasses();
  RegisterQzTabSetClasses();
  RegisterQzButtonsClasses();
  RegisterQzBorderClasses();
  RegisterQzControlPanelClasses();
  RegisterQzStdDlgsClasses();
  RegisterQzAudioBackgroundClasses();
  RegisterQzAudioPresetManagerClasses();
  RegisterQzAudioKnobClasses();
  RegisterQzAudioVolumeSliderClasses();
  RegisterQzAudioVUMeterClasses();
  RegisterQzAudioToolBarClasses();
  RegisterQzAudioStatusBarClasses();
  RegisterQzAudioGroupBoxClasses();
  RegisterQzAudioSwitchGroupClasses();
  RegisterQzAudioSwitchControlClasses();
  RegisterZRTEffectGUIClasses();
  QzRegisterEffectEditorFactory(QzCreateEffectEditor);
}
