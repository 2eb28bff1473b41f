#include "ui/editor/ZRTEffectGUI.h"

#include "core/QzUtils.h"
#include "platform/FormReader.h"
#include "ui/editor/ZRTEffectControls.h"
#include "ui/framework/QzDrawUtils.h"
#include "ui/framework/QzResourceBitmaps.h"

namespace {
// Direct-call notifications (the same numbers call_object takes).
constexpr int32_t NotifyPower = 15006;
constexpr int32_t NotifyVisible = 15008;
constexpr uint16_t KeyC = 67;

const TQzEditorControlSpec* SpecOf(const TObject* Control) {
  const auto* c = dynamic_cast<const TComponent*>(Control);
  if (!c) return nullptr;
  for (const TQzEditorControlSpec& s : QzEditorControls)
    if (SameText(c->GetName(), s.Name)) return &s;
  return nullptr;
}

// The value a knob or slider holds now.
float ControlValue(TObject* Control) {
  if (auto* k = dynamic_cast<TQzCustomAudioKnobControl*>(Control)) return k->GetValue();
  if (auto* s = dynamic_cast<TQzCustomAudioSlider*>(Control)) return s->GetValue();
  return 0.0f;
}

// Range first (max, then min), value after. The controls report these changes; the refresh's
// flag makes the handlers ignore them.
void ShowRange(TComponent* Control, float Min, float Max) {
  if (auto* k = dynamic_cast<TQzCustomAudioKnobControl*>(Control)) {
    k->SetMax(Max);
    k->SetMin(Min);
  } else if (auto* s = dynamic_cast<TQzCustomAudioSlider*>(Control)) {
    s->SetMax(Max);
    s->SetMin(Min);
  }
}

void ShowValue(TComponent* Control, float Value) {
  if (auto* k = dynamic_cast<TQzCustomAudioKnobControl*>(Control))
    k->SetValue(Value);
  else if (auto* s = dynamic_cast<TQzCustomAudioSlider*>(Control))
    s->SetValue(Value);
}

// The plug-in's editor: owns the form and frees it as the toolkit frees components.
class TQzEffectEditorHandle final : public IQzPluginEditor {
public:
  explicit TQzEffectEditorHandle(TQzAudioEffectGUIForm* Form) : FForm(Form) {}
  ~TQzEffectEditorHandle() override { FForm->Free(); }
  int32_t GetLeft() override { return FForm->GetLeft(); }
  int32_t GetTop() override { return FForm->GetTop(); }
  int32_t GetWidth() override { return FForm->GetWidth(); }
  int32_t GetHeight() override { return FForm->GetHeight(); }
  void SetPosition(int32_t L, int32_t T) override { FForm->SetPosition(L, T); }
  void SetBorderStyle(TQzEditorBorderStyle S) override { FForm->SetBorderStyle(S); }
  void SetParentWindow(void* H) override { FForm->SetParentWindow(H); }
  void Show() override { FForm->Show(); }
  void Hide() override { FForm->Hide(); }
  bool GetVisible() override { return FForm->GetVisible(); }
  void SetVisible(bool V) override { FForm->SetVisible(V); }
  void SetCaption(const std::string& C) override { FForm->SetCaption(C); }
  void UpdateControls(TObject* Sender) override { FForm->UpdateControls(Sender); }
  void RefreshFromPlugin() override { FForm->RefreshFromPlugin(); }
  TQzAudioEffectGUIForm* Form() const { return FForm; }

private:
  TQzAudioEffectGUIForm* FForm;
};
}  // namespace

TQzAudioEffectGUIForm::TQzAudioEffectGUIForm(TComponent* AOwner, bool HostedByVst)
    : TForm(AOwner), FHostedByVst(HostedByVst) {
  RegisterZRTEffectGUIClasses();
  InitForm(QzEffectGUIFormResource);
}

TQzAudioEffectGUIForm::~TQzAudioEffectGUIForm() = default;

void TQzAudioEffectGUIForm::BeforeDestruction() {
  // The meters stop before anything they read goes away.
  if (AudioTimer) AudioTimer->Stop();
  Plugin = nullptr;
  TForm::BeforeDestruction();
}

void TQzAudioEffectGUIForm::SetName(const std::string& NewName) {
  std::string name = NewName;
  for (int i = 1; GetOwner() && !name.empty(); ++i) {
    TComponent* other = GetOwner()->FindComponent(name);
    if (!other || other == this) break;
    name = NewName + "_" + std::to_string(i);
  }
  TForm::SetName(name);
}

TQzAudioMicroEqualizerPreset* TQzAudioEffectGUIForm::Equalizer() const {
  return Plugin ? Plugin->GetMicroEqualizer()->GetPreset() : nullptr;
}

TQzAudioLimiterPreset* TQzAudioEffectGUIForm::Limiter() const {
  return Plugin ? Plugin->GetLimiter()->GetPreset() : nullptr;
}

// ---- the editor interface ----

void TQzAudioEffectGUIForm::SetPosition(int32_t Left, int32_t Top) {
  SetBounds(Left, Top, TForm::GetWidth(), TForm::GetHeight());
}

void TQzAudioEffectGUIForm::SetBorderStyle(TQzEditorBorderStyle Style) {
  TForm::SetBorderStyle(Style == ebsNone ? bsNone : bsToolWindow);
}

void TQzAudioEffectGUIForm::SetParentWindow(void* Handle) {
  TForm::SetParentWindow(reinterpret_cast<uintptr_t>(Handle));
}

void TQzAudioEffectGUIForm::Show() { SetVisible(true); }
void TQzAudioEffectGUIForm::Hide() { SetVisible(false); }

void TQzAudioEffectGUIForm::SetVisible(bool Value) {
  // A window of its own is shown opaque: a host told that the editor is visible must not be
  // left with a window nobody can see because it was never activated.
  if (Value && !FHostedByVst) SetAlphaBlendValue(255);
  TForm::SetVisible(Value);
  // Hidden, an embedded window leaves the host's window: the host may destroy it or open the
  // editor in another one. Showing again makes the window anew in whatever parent is set then.
  if (!Value && TForm::GetParentWindow() && HandleAllocated()) DestroyHandle();
}

// ---- form handlers ----

void TQzAudioEffectGUIForm::FormCreate(TObject*) {
  FirstActivate = true;
  Plugin = nullptr;
  if (!FHostedByVst) {
    SetAlphaBlend(true);
    SetAlphaBlendValue(0);
  }
  if (PluginStatusBar) {
    PluginStatusBar->SetVendor(QzDisplayText(QzStoredVendorName));
    PluginStatusBar->SetProductName(QzDisplayText(QzStoredProductName));
  }
  SetColor(0);
  GetFont()->SetColor(0xC0C0C0);
  SetText(QzDisplayText(QzStoredProductName));
}

void TQzAudioEffectGUIForm::FormActivate(TObject*) {
  if (!FirstActivate) return;
  FirstActivate = false;
  Invalidate();
  if (!FHostedByVst) SetAlphaBlendValue(255);
  UpdateControls(this);
}

// The host callbacks come last in these handlers: the host may close the plug-in from inside
// one (the plug-in then stays until the host's call that led here returns).
void TQzAudioEffectGUIForm::FormShow(TObject*) {
  UpdateControls(this);
  if (Plugin && PluginStatusBar) PluginStatusBar->SetProductName(Plugin->GetProductName());
  if (Plugin) Plugin->NotifyHost(NotifyVisible, TForm::GetVisible() ? 1 : 0);
}

void TQzAudioEffectGUIForm::FormClose(TObject*, TCloseAction& CloseAction) {
  CloseAction = caNone;
  Hide();
  if (Plugin) Plugin->NotifyHost(NotifyVisible, TForm::GetVisible() ? 1 : 0);
}

void TQzAudioEffectGUIForm::FormKeyDown(TObject*, uint16_t& Key, TShiftState Shift) {
  if (Key != KeyC || !Shift.Contains(ssCtrl)) return;
  Key = 0;
  // What is on screen: pending paints first.
  UpdateForm();
  CopyRectToClipboard(GetCanvas(), GetClientRect());
}

void TQzAudioEffectGUIForm::AudioTimerEvnt(TObject*) {
  if (!Plugin || Plugin->MetersSuspended()) return;
  float db[TQzCustomAudioLimiter::MeterCount];
  // One step reads and resets, so no peak between the read and the reset is lost.
  Plugin->TakeLimiterMeters(db);
  if (MeterL) MeterL->SetVolume(db[2]);
  if (MeterR) MeterR->SetVolume(db[3]);
}

void TQzAudioEffectGUIForm::PluginToolBarBtnClick(TObject*, TQzAudioPluginToolBarButton Button) {
  if (Button == ptbReset) {
    // The equaliser only: the limiter keeps its settings.
    TQzAudioMicroEqualizerPreset* eq = Equalizer();
    if (!eq) return;
    auto lock = Plugin->LockState();
    if (!eq->IsUpdating()) eq->Clear();
  } else if (Button == ptbAbout && AboutDialog) {
    AboutDialog->Execute();
  }
}

int32_t TQzAudioEffectGUIForm::PluginToolBarGetImageIndex(TObject*, TQzAudioPluginToolBarButton Button) {
  return Button == ptbReset ? 2 : 0;
}

void TQzAudioEffectGUIForm::PluginToolBarActiveChanged(TObject*) {
  TQzAudioMicroEqualizerPreset* eq = Equalizer();
  if (!eq || FRefreshing > 0 || !PluginToolBar) return;
  auto lock = Plugin->LockState();
  if (!eq->IsUpdating()) Plugin->SetActive(PluginToolBar->GetActive());
}

void TQzAudioEffectGUIForm::PluginToolBarGetPreset(TObject*, TStream* Stream) {
  if (Plugin && Stream) Plugin->SaveState(Stream);
}

void TQzAudioEffectGUIForm::PluginToolBarSetPreset(TObject*, TStream* Stream) {
  // The plug-in loads a state whole or not at all; the editor then shows it once, at the next
  // pump.
  if (Plugin && Stream) Plugin->LoadState(Stream);
}

std::string TQzAudioEffectGUIForm::AboutVersionLine() const {
  const std::string product = QzDisplayText(QzStoredProductName);
  // The plug-in's own version, so that the box and the host never disagree.
  return product + " Ver. " + (Plugin ? Plugin->GetVersionString() : std::string());
}

void TQzAudioEffectGUIForm::AboutDialogDrawBottom(TObject*, TCanvas* Canvas, const TRect& Rect) {
  if (!Canvas) return;
  Canvas->GetFont()->SetSize(7);
  Canvas->GetBrush()->SetStyle(bsClear);
  Canvas->TextOut(Rect.Left, Rect.Top, AboutVersionLine());
  Canvas->TextOut(Rect.Left, Rect.Top + 45, QzDisplayText(QzStoredAboutLine).substr(0, 46));
}

// ---- controls and presets ----

// The edits below hold the plug-in's state lock: a state saved on another thread meanwhile
// holds the edit or not, never half of a switch group, and a load is never interleaved.
void TQzAudioEffectGUIForm::KnobChanged(TObject* Sender) {
  TQzAudioMicroEqualizerPreset* eq = Equalizer();
  if (!eq || FRefreshing > 0) return;
  auto lock = Plugin->LockState();
  if (const TQzEditorControlSpec* spec = SpecOf(Sender)) QzWriteEditorField(*eq, *Limiter(), *spec, ControlValue(Sender));
}

void TQzAudioEffectGUIForm::PanSelDblClick(TObject* Sender) {
  TQzAudioMicroEqualizerPreset* eq = Equalizer();
  // Only the pan knob's own double-click centres it; the form description also gives this
  // handler to the threshold and release knobs.
  if (!eq || FRefreshing > 0 || Sender != PanSel) return;
  auto lock = Plugin->LockState();
  if (eq->IsUpdating()) return;
  eq->SetPan(0.0f);
  PanSel->SetValue(eq->GetPan());
}

void TQzAudioEffectGUIForm::BandSwitchGroupChanged(TObject*) {
  TQzAudioMicroEqualizerPreset* eq = Equalizer();
  if (!eq || FRefreshing > 0 || !BandSwitchGroup) return;
  auto lock = Plugin->LockState();
  if (eq->IsUpdating()) return;
  for (uint8_t i = 0; i < 3; ++i) eq->SetBandEnabled(i, BandSwitchGroup->GetChecked(i));
  eq->SetCutFiltersEnabled(BandSwitchGroup->GetChecked(3));
}

void TQzAudioEffectGUIForm::OutputSwitchGroupChanged(TObject*) {
  TQzAudioMicroEqualizerPreset* eq = Equalizer();
  if (!eq || FRefreshing > 0 || !OutputSwitchGroup) return;
  auto lock = Plugin->LockState();
  if (eq->IsUpdating()) return;
  eq->SetMono(OutputSwitchGroup->GetChecked(0));
  eq->SetBypass(OutputSwitchGroup->GetChecked(1));
}

std::string TQzAudioEffectGUIForm::ControlGetValueText(TObject* Sender, double Value) {
  const TQzEditorControlSpec* spec = SpecOf(Sender);
  if (!spec) return FloatToDisplayText(Value, 1, true);
  TQzAudioMicroEqualizerPreset* eq = Equalizer();
  if (!eq) return QzEditorValueText(*spec, static_cast<float>(Value));
  // The clamping getters write back in place: never over a value a load is storing.
  auto lock = Plugin->LockState();
  return QzEditorValueText(*spec, QzReadEditorField(*eq, *Limiter(), *spec));
}

void TQzAudioEffectGUIForm::UpdateControls(TObject*) {
  TQzAudioMicroEqualizerPreset* eq = Equalizer();
  // Only the toolkit's thread may touch the controls; another thread marks the editor stale.
  if (!eq || !QzCheckToolkitThread()) {
    if (Plugin) Plugin->MarkEditorStale();
    return;
  }
  TQzAudioEffectPlugin* plugin = Plugin;
  const bool active = ShowPresets(*eq, *Limiter());
  // Last, outside the state lock and the update bracket: the host may call in again from here
  // (a power switch of its own then finds the preset not updating) or close the plug-in.
  plugin->NotifyHost(NotifyPower, active ? 1 : 0);
}

bool TQzAudioEffectGUIForm::ShowPresets(TQzAudioMicroEqualizerPreset& Eq, TQzAudioLimiterPreset& Lim) {
  // The presets are read whole, never while a state is loaded on another thread.
  auto lock = Plugin->LockState();
  ++FRefreshing;
  ++FRefreshCount;
  // The effect keeps these rules itself; the refresh holds to the same ones, outside the batch
  // below, so that the stages' derived values follow at once.
  QzApplyEffectPresetRules(Eq, Lim);
  for (const TQzEditorControlSpec& s : QzEditorControls) ShowRange(FindComponent(s.Name), s.Min, s.Max);

  Eq.BeginUpdate();
  for (const TQzEditorControlSpec& s : QzEditorControls) ShowValue(FindComponent(s.Name), QzReadEditorField(Eq, Lim, s));
  if (BandSwitchGroup) {
    for (uint8_t i = 0; i < 3; ++i) BandSwitchGroup->SetChecked(i, Eq.GetBandEnabled(i));
    BandSwitchGroup->SetChecked(3, Eq.GetCutFiltersEnabled());
  }
  if (OutputSwitchGroup) {
    OutputSwitchGroup->SetChecked(0, Eq.GetMono());
    OutputSwitchGroup->SetChecked(1, Eq.GetBypass());
  }
  const bool active = Eq.GetActive();
  if (MeterL) MeterL->SetEnabled(active);
  if (MeterR) MeterR->SetEnabled(active);
  // The bar reports the change; its handler ignores it during the refresh.
  if (PluginToolBar) PluginToolBar->SetActive(active);
  if (PluginStatusBar) PluginStatusBar->SetProductName(Plugin->GetProductName());
  Eq.EndUpdate();
  --FRefreshing;
  return active;
}

// ---- creation and registration ----

std::unique_ptr<IQzPluginEditor> QzCreateEffectEditor(TQzAudioEffectPlugin* Plugin) {
  if (!Plugin) return nullptr;
  auto* form = new TQzAudioEffectGUIForm(Application, Plugin->GetHostMode() == qhmVst);
  auto handle = std::make_unique<TQzEffectEditorHandle>(form);
  form->Plugin = Plugin;
  // Centred once, now: a host may read the place (18001) and set its own (18002) before the
  // first show, which keeps it.
  form->CenterOnScreen();
  return handle;
}

TQzAudioEffectGUIForm* QzEffectEditorForm(IQzPluginEditor* Editor) {
  auto* h = dynamic_cast<TQzEffectEditorHandle*>(Editor);
  return h ? h->Form() : nullptr;
}

void RegisterZRTEffectGUIClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterToolkitClasses();
  RegisterQzAudioBaseClasses();
  RegisterQzAudioKnobClasses();
  RegisterQzAudioVolumeSliderClasses();
  RegisterQzAudioVUMeterClasses();
  RegisterQzStdDlgsClasses();
  RegisterQzAudioToolBarClasses();
  RegisterQzAudioGroupBoxClasses();
  RegisterQzAudioSwitchGroupClasses();
  RegisterQzAudioStatusBarClasses();
  RegisterEnumNames<TDrawingStyle>({"dsFocus", "dsSelected", "dsNormal", "dsTransparent"});
  // "Bitmap = 'NAME'": the images cut from a named picture resource, one per Width pixels.
  TClassRegistrar<TImageList>("TImageList", "TComponent", true)
      .Prop("Width", &TImageList::SetWidth)
      .Prop("Height", &TImageList::SetHeight)
      .Prop("DrawingStyle", &TImageList::SetDrawingStyle)
      .Custom("Bitmap", [](TImageList* L, const TFormValue& V, TFormReader&) {
        TPicture picture;
        if (!QzLoadPictureResource(formreader_detail::ToString(V), &picture)) return;
        if (auto* image = dynamic_cast<TRasterImage*>(picture.GetGraphic())) L->Add(image);
      });

  using F = TQzAudioEffectGUIForm;
  TClassRegistrar<F> r("TQzAudioEffectGUIForm", "TForm", false);
  r.Method("FormCreate", &F::FormCreate)
      .Method("FormActivate", &F::FormActivate)
      .Method("FormShow", &F::FormShow)
      .Method("FormClose", &F::FormClose)
      .Method("FormKeyDown", &F::FormKeyDown)
      .Method("AudioTimerEvnt", &F::AudioTimerEvnt)
      .Method("LowcutSelChanged", &F::LowcutSelChanged)
      .Method("HighCutSelChanged", &F::HighCutSelChanged)
      .Method("FrequencySelMChanged", &F::FrequencySelMChanged)
      .Method("BandwidthSelMChanged", &F::BandwidthSelMChanged)
      .Method("FilterGainSelMChanged", &F::FilterGainSelMChanged)
      .Method("PanSelChanged", &F::PanSelChanged)
      .Method("InputSelChanged", &F::InputSelChanged)
      .Method("OutputSelChanged", &F::OutputSelChanged)
      .Method("ThresholdselChanged", &F::ThresholdselChanged)
      .Method("ReleaseSelChanged", &F::ReleaseSelChanged)
      .Method("PanSelDblClick", &F::PanSelDblClick)
      .Method("ControlGetValueText", &F::ControlGetValueText)
      .Method("BandSwitchGroupChanged", &F::BandSwitchGroupChanged)
      .Method("OutputSwitchGroupChanged", &F::OutputSwitchGroupChanged)
      .Method("PluginToolBarBtnClick", &F::PluginToolBarBtnClick)
      .Method("PluginToolBarGetImageIndex", &F::PluginToolBarGetImageIndex)
      .Method("PluginToolBarActiveChanged", &F::PluginToolBarActiveChanged)
      .Method("PluginToolBarGetPreset", &F::PluginToolBarGetPreset)
      .Method("PluginToolBarSetPreset", &F::PluginToolBarSetPreset)
      .Method("AboutDialogDrawBottom", &F::AboutDialogDrawBottom)
      .Method("LowBoxActiveChanged", &F::LowBoxActiveChanged)
      .Method("MidBoxActiveChanged", &F::MidBoxActiveChanged)
      .Method("HighBoxActiveChanged", &F::HighBoxActiveChanged);
  r.Field("InputBox", &F::InputBox)
      .Field("AudioImageSource", &F::AudioImageSource)
      .Field("BandSwitchGroup", &F::BandSwitchGroup)
      .Field("OutputSwitchGroup", &F::OutputSwitchGroup)
      .Field("InputSel", &F::InputSel)
      .Field("OutputSel", &F::OutputSel)
      .Field("FilterGainSelL", &F::FilterGainSelL)
      .Field("FilterGainSelM", &F::FilterGainSelM)
      .Field("FilterGainSelH", &F::FilterGainSelH)
      .Field("FrequencySelL", &F::FrequencySelL)
      .Field("FrequencySelM", &F::FrequencySelM)
      .Field("FrequencySelH", &F::FrequencySelH)
      .Field("BandwidthSelL", &F::BandwidthSelL)
      .Field("BandwidthSelM", &F::BandwidthSelM)
      .Field("BandwidthSelH", &F::BandwidthSelH)
      .Field("HighCutSel", &F::HighCutSel)
      .Field("LowcutSel", &F::LowcutSel)
      .Field("PanSel", &F::PanSel)
      .Field("ReleaseSel", &F::ReleaseSel)
      .Field("Thresholdsel", &F::Thresholdsel)
      .Field("MeterL", &F::MeterL)
      .Field("MeterR", &F::MeterR)
      .Field("PluginToolBar", &F::PluginToolBar)
      .Field("PluginStatusBar", &F::PluginStatusBar)
      .Field("AudioTimer", &F::AudioTimer)
      .Field("AboutDialog", &F::AboutDialog)
      .Field("AudioKnobSource", &F::AudioKnobSource)
      .Field("QzAudioSliderKnobSource1", &F::QzAudioSliderKnobSource1)
      .Field("Images22x22", &F::Images22x22)
      .Field("ActionList", &F::ActionList)
      .Field("acSavePreset", &F::acSavePreset)
      .Field("acLoadPreset", &F::acLoadPreset)
      .Field("ToolbarPopup", &F::ToolbarPopup)
      .Field("MenuItem1", &F::MenuItem1);
}
