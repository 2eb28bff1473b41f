#include "engine/QzAudioEffectPlugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

TQzEffectEditorFactory QzEffectEditorFactory = nullptr;

void QzRegisterEffectEditorFactory(TQzEffectEditorFactory Factory) { QzEffectEditorFactory = Factory; }

namespace {
// A gain or pan slot that a loaded state may carry far beyond any setting: the equaliser's
// gains and pan have no clamp of their own. Such a value goes to the nearest bound of the
// editor's range, infinities included; a NaN, which has no nearest bound, to the value a fresh
// preset holds.
struct TSlotRange {
  int Slot;
  float Min, Max;
};
using TEq = TQzAudioMicroEqualizerPreset;
using TLim = TQzAudioLimiterPreset;
constexpr TSlotRange EqualizerRanges[] = {{TEq::slotOutputGain, TEq::MinGain, TEq::MaxGain},
                                          {TEq::slotPan, TEq::MinPan, TEq::MaxPan},
                                          {TEq::slotInputGain, TEq::MinGain, TEq::MaxGain}};

constexpr uint32_t SlotBit(int Slot) { return 1u << Slot; }
// The slots a stage reads. The others are reserved: whatever they hold travels through a load
// and a save untouched, for whoever wrote it.
constexpr uint32_t EqualizerReadSlots = SlotBit(TEq::slotInputGain + 1) - 1;  // 0 .. 13
constexpr uint32_t LimiterReadSlots = SlotBit(TLim::slotThreshold) | SlotBit(TLim::slotAttack) |
                                      SlotBit(TLim::slotRelease) | SlotBit(TLim::slotBalance) |
                                      SlotBit(TLim::slotOutputGain) | SlotBit(TLim::slotInputGain);

struct TPresetRanges {
  std::span<const TSlotRange> Ranges;
  uint32_t ReadSlots;
};
constexpr TPresetRanges EqualizerSlots{EqualizerRanges, EqualizerReadSlots};
// The limiter's slots all clamp in their getters (ClampEveryRangedSlot).
constexpr TPresetRanges LimiterSlots{{}, LimiterReadSlots};

// Brings the equaliser's gain and pan slots into their ranges and replaces a NaN in any slot a
// stage reads by the value a fresh preset holds (a getter's clamp keeps a NaN). Works through
// the preset's own stream so that no field is written behind its back; reloads only when a
// value had to change.
template <class TPreset>
void BringIntoRange(TPreset* Target, const TPresetRanges& Slots) {
  constexpr int floatCount = 16;
  TMemoryStream saved;
  TMemoryStream defaults;
  TPreset fresh;
  if (!Target->SaveToStream(&saved) || !fresh.SaveToStream(&defaults)) return;
  if (saved.GetSize() != defaults.GetSize() || saved.GetSize() < QzStreamHeaderBytes) return;
  uint16_t headerSize;
  std::memcpy(&headerSize, saved.Memory() + 6, sizeof headerSize);
  if (headerSize + floatCount * 4 > saved.GetSize()) return;
  bool changed = false;
  for (int i = 0; i < floatCount; ++i) {
    if (!(Slots.ReadSlots & SlotBit(i))) continue;
    uint8_t* at = saved.Memory() + headerSize + i * 4;
    float value, fixed;
    std::memcpy(&value, at, sizeof value);
    const auto range =
        std::find_if(Slots.Ranges.begin(), Slots.Ranges.end(), [i](const TSlotRange& R) { return R.Slot == i; });
    if (std::isnan(value))
      std::memcpy(&fixed, defaults.Memory() + headerSize + i * 4, sizeof fixed);
    else if (range != Slots.Ranges.end())
      fixed = std::clamp(value, range->Min, range->Max);
    else
      continue;
    if (std::memcmp(&fixed, &value, sizeof fixed) == 0) continue;
    std::memcpy(at, &fixed, sizeof fixed);
    changed = true;
  }
  if (!changed) return;
  saved.SetPosition(0);
  Target->LoadFromStream(&saved);
}

// The clamped getters clamp their slot in place. Reading them all brings every loaded value
// beyond its range, infinities included, to the nearest bound at once, also where no stage
// reads it yet (cut filters switched off): the state a host takes back is the state that plays.
void ClampEveryRangedSlot(TEq& Equalizer, TLim& Limiter) {
  Equalizer.GetLowcutFrequency(), Equalizer.GetHighcutFrequency();
  for (uint8_t band = 0; band < 3; ++band)
    Equalizer.GetBandFrequency(band), Equalizer.GetBandBandwidth(band), Equalizer.GetBandGain(band);
  Limiter.GetThreshold(), Limiter.GetAttack(), Limiter.GetRelease(), Limiter.GetBalance();
  Limiter.GetOutputGain(), Limiter.GetInputGain();
}

// The repair goes through the preset's stream operations, which record their own outcome; the
// preset keeps the error state of the load that brought the values in.
template <class TPreset>
void BringIntoRangeKeepingErrorState(TPreset* Target, const TPresetRanges& Slots) {
  const uint32_t error = Target->Error;
  const std::string log = Target->ErrorLog;
  BringIntoRange(Target, Slots);
  Target->Error = error;
  Target->ErrorLog = log;
}

template <class TPreset>
void TakeErrorState(TPreset* Target, const TPreset& Source) {
  Target->Error = Source.Error;
  Target->ErrorLog = Source.ErrorLog;
}
}  // namespace

bool QzApplyEffectPresetRules(TQzAudioMicroEqualizerPreset& Equalizer, TQzAudioLimiterPreset& Limiter) {
  // Each preset notifies once, after all of its changes, so that its stage designs once.
  const bool limiter = Limiter.GetMode() != 2 || !Limiter.GetLookAhead();
  if (limiter) {
    Limiter.BeginUpdate();
    Limiter.SetMode(2);
    Limiter.SetLookAhead(true);
    Limiter.EndUpdate();
    Limiter.DoChange();
  }
  const bool equalizer = Equalizer.GetOutputGain() != 0.0f || Equalizer.GetSaturation();
  if (equalizer) {
    Equalizer.BeginUpdate();
    Equalizer.SetOutputGain(0.0f);
    Equalizer.SetSaturation(false);
    Equalizer.EndUpdate();
    Equalizer.DoChange();
  }
  return limiter || equalizer;
}

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
  Limiter = std::make_unique<TQzCustomAudioLimiter>();
  Limiter->OnUpdate = [this](TObject*) { StageDesigned(); };
  // A fresh instance plays as it will once any editor has shown it.
  QzApplyEffectPresetRules(*MicroEqualizer->GetPreset(), *Limiter->GetPreset());
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

void TQzAudioEffectPlugin::ClearProcessingHistory() {
  MicroEqualizer->ResetState();
  Limiter->ResetState();
}

void TQzAudioEffectPlugin::SaveState(TStream* Stream) {
  TQzStateLock lock(*this);
  Preset->EqualizerPreset()->Assign(MicroEqualizer->GetPreset());
  Preset->LimiterPreset()->Assign(Limiter->GetPreset());
  Preset->SaveToStream(Stream);
}

bool TQzAudioEffectPlugin::LoadState(TStream* Stream) {
  // Both parts are read aside first: a state that does not read whole changes nothing. The
  // limiter part is read even after a failed equaliser part, so that the exchange copy shows
  // both readers' outcome.
  TQzAudioMicroEqualizerPreset equalizer;
  TQzAudioLimiterPreset limiter;
  const bool equalizerRead = equalizer.LoadFromStream(Stream);
  const bool whole = limiter.LoadFromStream(Stream) && equalizerRead;
  TQzStateLock lock(*this);
  TakeErrorState(Preset->EqualizerPreset(), equalizer);
  TakeErrorState(Preset->LimiterPreset(), limiter);
  if (!whole) return false;
  // One change of the exchange copy: PresetChanged takes it into the stages.
  Preset->BeginUpdate();
  Preset->EqualizerPreset()->Assign(&equalizer);
  Preset->LimiterPreset()->Assign(&limiter);
  Preset->EndUpdate();
  Preset->DoChange();
  return true;
}

void TQzAudioEffectPlugin::PresetChanged(TObject*) {
  if (!MicroEqualizer || !Limiter) return;
  TQzStateLock lock(*this);
  // A state from outside may carry values no preset would hold; they never reach the stages.
  BringIntoRangeKeepingErrorState(Preset->EqualizerPreset(), EqualizerSlots);
  BringIntoRangeKeepingErrorState(Preset->LimiterPreset(), LimiterSlots);
  ClampEveryRangedSlot(*Preset->EqualizerPreset(), *Preset->LimiterPreset());
  // The effect's own rules before the copy (the exchange copy notifies nobody), so that each
  // stage designs once and the audio thread gets the result in the one hand-over of this lock,
  // whether an editor exists or not.
  QzApplyEffectPresetRules(*Preset->EqualizerPreset(), *Preset->LimiterPreset());
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
