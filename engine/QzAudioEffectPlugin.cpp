#include "engine/QzAudioEffectPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

TQzEffectEditorFactory QzEffectEditorFactory = nullptr;

void QzRegisterEffectEditorFactory(TQzEffectEditorFactory Factory) { QzEffectEditorFactory = Factory; }

namespace {
// The equaliser's gains (dB) and pan (percent) have no clamp of their own; a stored magnitude
// beyond 100 is no setting anyone made, and only turns finite audio into infinities.
constexpr float MaxUnclampedMagnitude = 100.0f;
constexpr int EqualizerUnclampedSlots[] = {TQzAudioMicroEqualizerPreset::slotOutputGain,
                                           TQzAudioMicroEqualizerPreset::slotPan,
                                           TQzAudioMicroEqualizerPreset::slotInputGain};

// Replaces every value of a preset's float block that is not a finite number, and an
// unclamped value beyond all reason, by the value a fresh preset holds. Works through the
// preset's own stream so that no field is written behind its back; reloads only when a value
// had to be replaced. Getters clamp finite values into range, but a NaN would stay.
template <class TPreset>
void RepairFloatBlock(TPreset* Target, std::span<const int> UnclampedSlots) {
  constexpr int floatCount = 16;
  TMemoryStream saved;
  TMemoryStream defaults;
  TPreset fresh;
  if (!Target->SaveToStream(&saved) || !fresh.SaveToStream(&defaults)) return;
  if (saved.GetSize() != defaults.GetSize() || saved.GetSize() < QzStreamHeaderBytes) return;
  uint16_t headerSize;
  std::memcpy(&headerSize, saved.Memory() + 6, sizeof headerSize);
  if (headerSize + floatCount * 4 > saved.GetSize()) return;
  bool repaired = false;
  for (int i = 0; i < floatCount; ++i) {
    uint8_t* at = saved.Memory() + headerSize + i * 4;
    float value;
    std::memcpy(&value, at, sizeof value);
    const bool unclamped = std::find(UnclampedSlots.begin(), UnclampedSlots.end(), i) != UnclampedSlots.end();
    if (std::isfinite(value) && !(unclamped && std::fabs(value) > MaxUnclampedMagnitude)) continue;
    std::memcpy(at, defaults.Memory() + headerSize + i * 4, sizeof value);
    repaired = true;
  }
  if (!repaired) return;
  saved.SetPosition(0);
  Target->LoadFromStream(&saved);
}

// The repair goes through the preset's stream operations, which record their own outcome; the
// preset keeps the error state of the load that brought the values in.
template <class TPreset>
void RepairKeepingErrorState(TPreset* Target, std::span<const int> UnclampedSlots) {
  const uint32_t error = Target->Error;
  const std::string log = Target->ErrorLog;
  RepairFloatBlock(Target, UnclampedSlots);
  Target->Error = error;
  Target->ErrorLog = log;
}
}  // namespace

// ---- TQzAudioEffectPluginPreset -----------------------------------------------------------------

TQzAudioEffectPluginPreset::TQzAudioEffectPluginPreset()
    : FEqualizerPreset(std::make_unique<TQzAudioMicroEqualizerPreset>()),
      FLimiterPreset(std::make_unique<TQzAudioLimiterPreset>()) {}

TQzAudioEffectPluginPreset::~TQzAudioEffectPluginPreset() {
  FEqualizerPreset.reset();
  FLimiterPreset.reset();
}

void TQzAudioEffectPluginPreset::Clear() {
  BeginUpdate();
  FEqualizerPreset->Clear();
  FLimiterPreset->Clear();
  EndUpdate();
  DoChange();
}

bool TQzAudioEffectPluginPreset::SaveToStream(TStream* Stream) {
  FEqualizerPreset->SaveToStream(Stream);
  FLimiterPreset->SaveToStream(Stream);
  return true;
}

bool TQzAudioEffectPluginPreset::LoadFromStream(TStream* Stream) {
  BeginUpdate();
  FEqualizerPreset->LoadFromStream(Stream);
  FLimiterPreset->LoadFromStream(Stream);
  EndUpdate();
  DoChange();
  return true;
}

bool TQzAudioEffectPluginPreset::GetActive() {
  const bool active = FEqualizerPreset->GetActive();
  FLimiterPreset->SetActive(active);
  return active;
}

void TQzAudioEffectPluginPreset::SetActive(bool Value) {
  FEqualizerPreset->SetActive(Value);
  FLimiterPreset->SetActive(FEqualizerPreset->GetActive());
  DoChange();
}

// ---- TQzStateLock -----------------------------------------------------------------------------

TQzStateLock::TQzStateLock(TQzAudioEffectPlugin& Plugin) : FPlugin(Plugin) {
  FPlugin.StateLock.lock();
  ++FPlugin.StateHolds;
}

TQzStateLock::~TQzStateLock() {
  if (--FPlugin.StateHolds == 0 && FPlugin.ChainStale) FPlugin.PublishChain();
  FPlugin.StateLock.unlock();
}

// ---- TQzAudioEffectPlugin ---------------------------------------------------------------------

TQzAudioEffectPlugin::TQzAudioEffectPlugin() {
  Preset = std::make_unique<TQzAudioEffectPluginPreset>();
  Preset->OnChange = [this](TObject* Sender) { PresetChanged(Sender); };
  MicroEqualizer = std::make_unique<TQzAudioMicroEqualizer>();
  // Every change of the live equaliser preset shows in the editor. It may come on any control
  // thread, so it only marks the editor stale; the pump refreshes it on the GUI thread. The
  // handler holds the plug-in, which owns the equaliser, never the editor.
  MicroEqualizer->OnUpdate = [this](TObject*) {
    StageDesigned();
    MarkEditorStale();
  };
  MicroEqualizer->GetPreset()->SetSaturation(true);
  Limiter = std::make_unique<TQzCustomAudioLimiter>();
  Limiter->OnUpdate = [this](TObject*) { StageDesigned(); };
  PublishChain();
  LoadFaceBitmap();
}

TQzAudioEffectPlugin::~TQzAudioEffectPlugin() {
  // The editor first: its timers, its last paint and its unhooking still look at the stages
  // and the presets.
  FreeEditor();
  MicroEqualizer->OnUpdate = nullptr;
  Limiter->OnUpdate = nullptr;
  MicroEqualizer.reset();
  Limiter.reset();
  Preset.reset();
}

std::unique_ptr<IQzPluginEditor> TQzAudioEffectPlugin::CreateEditor() {
  if (!QzEffectEditorFactory) return nullptr;
  // The window system comes before the first window (no display is opened for a plug-in without
  // an editor); without one the editor is still made, hidden, so that its size can be reported.
  if (QzPrepareWindowSystem) QzPrepareWindowSystem();
  std::unique_ptr<IQzPluginEditor> form = QzEffectEditorFactory(this);
  if (!form) return nullptr;
  form->UpdateControls(MicroEqualizer.get());
  return form;
}

bool TQzAudioEffectPlugin::GetActive() {
  TQzStateLock lock(*this);
  return Preset->GetActive();
}

void TQzAudioEffectPlugin::SetActive(bool Value) {
  TQzStateLock lock(*this);
  // Edits made since the last save or load live only in the stages' presets; take them into
  // the exchange copy first so that switching the power does not undo them.
  Preset->EqualizerPreset()->Assign(MicroEqualizer->GetPreset());
  Preset->LimiterPreset()->Assign(Limiter->GetPreset());
  Preset->SetActive(Value);
}

void TQzAudioEffectPlugin::SampleRateChanged() {
  TQzStateLock lock(*this);
  MicroEqualizer->SetSampleRate(SampleRate);
  Limiter->SetSampleRate(SampleRate);
  // The equaliser designs for a new rate without telling anyone.
  ChainStale = true;
}

void TQzAudioEffectPlugin::SaveState(TStream* Stream) {
  TQzStateLock lock(*this);
  Preset->EqualizerPreset()->Assign(MicroEqualizer->GetPreset());
  Preset->LimiterPreset()->Assign(Limiter->GetPreset());
  Preset->SaveToStream(Stream);
}

void TQzAudioEffectPlugin::LoadState(TStream* Stream) {
  TQzStateLock lock(*this);
  Preset->LoadFromStream(Stream);
  MicroEqualizer->GetPreset()->Assign(Preset->EqualizerPreset());
  Limiter->GetPreset()->Assign(Preset->LimiterPreset());
}

void TQzAudioEffectPlugin::PresetChanged(TObject*) {
  if (!MicroEqualizer || !Limiter) return;
  TQzStateLock lock(*this);
  // A state from outside may carry values no preset would hold; they never reach the stages.
  RepairKeepingErrorState(Preset->EqualizerPreset(), std::span<const int>(EqualizerUnclampedSlots));
  RepairKeepingErrorState(Preset->LimiterPreset(), std::span<const int>());
  MicroEqualizer->GetPreset()->Assign(Preset->EqualizerPreset());
  Limiter->GetPreset()->Assign(Preset->LimiterPreset());
  // No window is made for a refresh, and none is touched here: this may run on any thread.
  MarkEditorStale();
}

void TQzAudioEffectPlugin::StageDesigned() {
  if (!MicroEqualizer || !Limiter) return;  // still being made
  std::lock_guard<std::recursive_mutex> lock(StateLock);
  if (StateHolds > 0) ChainStale = true;
  else PublishChain();
}

void TQzAudioEffectPlugin::PublishChain() {
  ChainStale = false;
  Chain.Publish({MicroEqualizer->DesignedParams(), Limiter->DesignedParams()});
}

void TQzAudioEffectPlugin::ProcessReplacing(float** Inputs, float** Outputs, uint16_t Frames, int32_t, int32_t) {
  const TQzEffectChainParams& p = Chain.Acquire();
  MicroEqualizer->Process(Inputs, Outputs, Frames, p.Equalizer);
  Limiter->Process(Outputs, Outputs, Frames, p.Limiter);
}

float TQzAudioEffectPlugin::GetLimiterMeter(uint8_t Index) const { return Limiter->GetMeter(Index); }
