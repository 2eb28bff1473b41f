// The effect's editor window: the equaliser's and the limiter's controls, the two meters, the
// tool bar with power and compare slots, and the status bar, read from the form description
// "TQZAUDIOEFFECTGUIFORM". The form edits the live presets of one effect plug-in directly.
//
// Threads: the form and everything it owns live on the host's GUI thread. It never refreshes
// itself on another thread: a change made elsewhere marks the plug-in's editor stale and the
// next pump calls RefreshFromPlugin.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/QzAudioEffectPlugin.h"
#include "platform/ActnList.h"
#include "platform/Forms.h"
#include "platform/ImgList.h"
#include "platform/Menus.h"
#include "ui/controls/QzAudioGroupBox.h"
#include "ui/controls/QzAudioKnob.h"
#include "ui/controls/QzAudioStatusBar.h"
#include "ui/controls/QzAudioSwitchGroup.h"
#include "ui/controls/QzAudioToolBar.h"
#include "ui/controls/QzAudioVUMeter.h"
#include "ui/controls/QzAudioVolumeSlider.h"
#include "ui/controls/QzStdDlgs.h"
#include "ui/framework/QzAudioTimeBase.h"

// The name of the form description among the library's resources.
inline constexpr const char* QzEffectGUIFormResource = "TQZAUDIOEFFECTGUIFORM";

class TQzAudioEffectGUIForm : public TForm, public IQzPluginEditor {
public:
  // Reads the form description. HostedByVst decides the window's transparency steps for this
  // instance (a process may hold instances of both host interfaces).
  TQzAudioEffectGUIForm(TComponent* AOwner, bool HostedByVst);
  ~TQzAudioEffectGUIForm() override;
  std::string ClassName() const override { return "TQzAudioEffectGUIForm"; }
  void BeforeDestruction() override;
  // Every instance of the effect has its own editor, all owned by the application object: a
  // name taken by another one gets a number, as a second window of the same form does.
  void SetName(const std::string& NewName) override;

  // ---- IQzPluginEditor ----
  int32_t GetLeft() override { return TForm::GetLeft(); }
  int32_t GetTop() override { return TForm::GetTop(); }
  int32_t GetWidth() override { return TForm::GetWidth(); }
  int32_t GetHeight() override { return TForm::GetHeight(); }
  void SetPosition(int32_t Left, int32_t Top) override;
  void SetBorderStyle(TQzEditorBorderStyle Style) override;
  using TForm::SetBorderStyle;
  void SetParentWindow(void* Handle) override;
  void Show() override;
  void Hide() override;
  bool GetVisible() override { return TForm::GetVisible(); }
  void SetVisible(bool Value) override;
  void SetCaption(const std::string& Caption) override { SetText(Caption); }
  // Sets every control's range and value from the presets. Runs on the GUI thread only; does
  // nothing while no plug-in is linked.
  void UpdateControls(TObject* Sender) override;

  // ---- handlers named by the form description ----
  void FormCreate(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& CloseAction);
  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void AudioTimerEvnt(TObject* Sender);

  void LowcutSelChanged(TObject* Sender) { KnobChanged(Sender); }
  void HighCutSelChanged(TObject* Sender) { KnobChanged(Sender); }
  void FrequencySelMChanged(TObject* Sender) { KnobChanged(Sender); }
  void BandwidthSelMChanged(TObject* Sender) { KnobChanged(Sender); }
  void FilterGainSelMChanged(TObject* Sender) { KnobChanged(Sender); }
  void PanSelChanged(TObject* Sender) { KnobChanged(Sender); }
  void InputSelChanged(TObject* Sender) { KnobChanged(Sender); }
  void OutputSelChanged(TObject* Sender) { KnobChanged(Sender); }
  void ThresholdselChanged(TObject* Sender) { KnobChanged(Sender); }
  void ReleaseSelChanged(TObject* Sender) { KnobChanged(Sender); }
  void PanSelDblClick(TObject* Sender);
  // Band switches 0 .. 2, then the cut filters; mono, then bypass.
  void BandSwitchGroupChanged(TObject* Sender);
  void OutputSwitchGroupChanged(TObject* Sender);
  // One value text for every knob and slider: the preset's value behind Sender.
  std::string ControlGetValueText(TObject* Sender, double Value);

  void PluginToolBarBtnClick(TObject* Sender, TQzAudioPluginToolBarButton Button);
  int32_t PluginToolBarGetImageIndex(TObject* Sender, TQzAudioPluginToolBarButton Button);
  // The power switch: both stages, through the plug-in, so that the host's power query agrees.
  void PluginToolBarActiveChanged(TObject* Sender);
  // The compare slots carry the state blob.
  void PluginToolBarGetPreset(TObject* Sender, TStream* Stream);
  // Loads a slot whole or not at all: a slot whose content does not read as both presets leaves
  // the live state alone.
  void PluginToolBarSetPreset(TObject* Sender, TStream* Stream);

  // The about box's bottom strip: product name and version, and one more line.
  void AboutDialogDrawBottom(TObject* Sender, TCanvas* Canvas, const TRect& Rect);
  // "<product> Ver. <version>", the version as the plug-in reports it.
  std::string AboutVersionLine() const;

  void LowBoxActiveChanged(TObject*) {}
  void MidBoxActiveChanged(TObject*) {}
  void HighBoxActiveChanged(TObject*) {}

  // The plug-in this form edits; nil until the plug-in links it.
  TQzAudioEffectPlugin* Plugin = nullptr;
  bool FirstActivate = true;

  // ---- components of the form description ----
  TQzAudioGroupBox* InputBox = nullptr;
  TQzAudioImageSource* AudioImageSource = nullptr;
  TQzAudioSwitchGroup* BandSwitchGroup = nullptr;
  TQzAudioSwitchGroup* OutputSwitchGroup = nullptr;
  TQzAudioVolumeSlider* InputSel = nullptr;
  TQzAudioVolumeSlider* OutputSel = nullptr;
  TQzAudioKnob* FilterGainSelL = nullptr;
  TQzAudioKnob* FilterGainSelM = nullptr;
  TQzAudioKnob* FilterGainSelH = nullptr;
  TQzAudioKnob* FrequencySelL = nullptr;
  TQzAudioKnob* FrequencySelM = nullptr;
  TQzAudioKnob* FrequencySelH = nullptr;
  TQzAudioKnob* BandwidthSelL = nullptr;
  TQzAudioKnob* BandwidthSelM = nullptr;
  TQzAudioKnob* BandwidthSelH = nullptr;
  TQzAudioKnob* HighCutSel = nullptr;
  TQzAudioKnob* LowcutSel = nullptr;
  TQzAudioKnob* PanSel = nullptr;
  TQzAudioKnob* ReleaseSel = nullptr;
  TQzAudioKnob* Thresholdsel = nullptr;
  TQzAudioVUMeter* MeterL = nullptr;
  TQzAudioVUMeter* MeterR = nullptr;
  TQzAudioPluginToolBar* PluginToolBar = nullptr;
  TQzAudioPluginStatusBar* PluginStatusBar = nullptr;
  TQzAudioTimer* AudioTimer = nullptr;
  TQzAboutDialog* AboutDialog = nullptr;
  TQzAudioKnobSource* AudioKnobSource = nullptr;
  TQzAudioSliderKnobSource* QzAudioSliderKnobSource1 = nullptr;
  TImageList* Images22x22 = nullptr;
  TActionList* ActionList = nullptr;
  TAction* acSavePreset = nullptr;
  TAction* acLoadPreset = nullptr;
  TPopupMenu* ToolbarPopup = nullptr;
  TMenuItem* MenuItem1 = nullptr;

  // How many refreshes ran (for the host-side checks of the thread contract).
  int RefreshCount() const { return FRefreshCount; }

private:
  // The live presets; nullptr without a plug-in.
  TQzAudioMicroEqualizerPreset* Equalizer() const;
  TQzAudioLimiterPreset* Limiter() const;
  // UpdateControls' work under the plug-in's state lock: every control shows the presets.
  // Answers the equaliser's power flag.
  bool ShowPresets(TQzAudioMicroEqualizerPreset& Eq, TQzAudioLimiterPreset& Lim);
  // The change handler of every knob and slider: writes the one preset field behind Sender.
  void KnobChanged(TObject* Sender);

  bool FHostedByVst;
  // Above 0 while UpdateControls sets the controls: the controls report what it sets, and every
  // handler returns at once, so nothing is written back.
  int FRefreshing = 0;
  int FRefreshCount = 0;
};

// Creates the editor of Plugin, hidden, with its controls showing the presets. The plug-in's
// editor handle owns the form and frees it with the toolkit's Free.
std::unique_ptr<IQzPluginEditor> QzCreateEffectEditor(TQzAudioEffectPlugin* Plugin);
// The form behind an editor made by QzCreateEffectEditor; nullptr for any other editor.
TQzAudioEffectGUIForm* QzEffectEditorForm(IQzPluginEditor* Editor);

// Registers the form's class, its handlers and components, and every control class its
// description names with the form reader; idempotent.
void RegisterZRTEffectGUIClasses();
