// The effect: a stereo micro-equaliser followed by a peak limiter, its combined preset and the
// state blob hosts store ("MEQP" stream followed by "VXLM" stream, 232 bytes, no own header).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "engine/QzAudioLimiter.h"
#include "engine/QzAudioMicroEQ.h"
#include "engine/QzAudioPluginObject.h"
#include "core/QzFileClasses.h"

// One equaliser preset and one limiter preset: the plug-in's state, the file format of preset
// files and the content of the editor's compare slots.
class TQzAudioEffectPluginPreset : public TQzFileClass {
public:
  TQzAudioEffectPluginPreset();
  ~TQzAudioEffectPluginPreset() override;
  std::string ClassName() const override { return "TQzAudioEffectPluginPreset"; }

  // Both presets to their defaults, one notification.
  void Clear() override;
  // The equaliser stream, then the limiter stream, at the stream's position. The results of the
  // two parts are in their Error fields; these return True.
  bool SaveToStream(TStream* Stream) override;
  bool LoadFromStream(TStream* Stream) override;

  // The equaliser preset's Active flag, copied into the limiter preset on every read.
  bool GetActive();
  // Both presets' Active flag, then one notification.
  void SetActive(bool Value);

  TQzAudioMicroEqualizerPreset* EqualizerPreset() const { return FEqualizerPreset.get(); }
  TQzAudioLimiterPreset* LimiterPreset() const { return FLimiterPreset.get(); }

private:
  std::unique_ptr<TQzAudioMicroEqualizerPreset> FEqualizerPreset;
  std::unique_ptr<TQzAudioLimiterPreset> FLimiterPreset;
};

class TQzAudioEffectPlugin;

// The effect's rules for its two presets, whatever set them: the limiter runs mode 2 with its
// look-ahead, the equaliser's output gain stays at 0 dB (the limiter's output gain is the
// effect's output level) and the saturation stays off. Each preset that needs a change is
// changed in one batch and notifies once. Applied when the effect is made, at the end of every
// state load, power switch and clear of the exchange copy, and by the editor's refresh; the
// caller holds the state lock where the presets are live. True when something changed.
bool QzApplyEffectPresetRules(TQzAudioMicroEqualizerPreset& Equalizer, TQzAudioLimiterPreset& Limiter);

// Creates the editor window of the effect, hidden, on the GUI thread. The library registers it
// explicitly when it loads (plugin/QzEditorRegistration.cpp); null while the program has no
// editor: CreateEditor then creates nothing and editor requests answer as not carried out.
using TQzEffectEditorFactory = std::unique_ptr<IQzPluginEditor> (*)(TQzAudioEffectPlugin* Plugin);
extern TQzEffectEditorFactory QzEffectEditorFactory;
void QzRegisterEffectEditorFactory(TQzEffectEditorFactory Factory);

// What one block of the effect runs with: the designs of both stages, handed to the audio thread
// as one, so that no block runs one stage's new design with the other's old one.
struct TQzEffectChainParams {
  TQzEqualizerParams Equalizer;
  TQzCustomAudioLimiter::TBlockParams Limiter;
};

// The plug-in's state lock, held by state operations and by the editor's refresh and edits. The
// stages' designs made while it is held reach the audio thread together when the outermost
// holder lets go: a state load, a power switch or a rate change is never heard half done.
class TQzStateLock {
public:
  explicit TQzStateLock(TQzAudioEffectPlugin& Plugin);
  ~TQzStateLock();
  TQzStateLock(const TQzStateLock&) = delete;
  TQzStateLock& operator=(const TQzStateLock&) = delete;

private:
  TQzAudioEffectPlugin& FPlugin;
};

class TQzAudioEffectPlugin : public TQzAudioPluginObject {
public:
  TQzAudioEffectPlugin();
  ~TQzAudioEffectPlugin() override;
  std::string ClassName() const override { return "TQzAudioEffectPlugin"; }

  std::unique_ptr<IQzPluginEditor> CreateEditor() override;
  std::string GetProductName() override { return QzDisplayText(QzStoredProductName); }
  std::string GetLongProductName() override { return QzDisplayText(QzStoredLongProductName); }
  std::string GetShortName() override { return "Equalizer"; }
  // The exchange copy's power flag as of the last save, load or SetActive.
  bool GetActive() override;
  // Switches both stages on or off and changes nothing else.
  void SetActive(bool Value) override;
  // Gives the host's rate to both stages.
  void SampleRateChanged() override;
  void SaveState(TStream* Stream) override;
  // Whole or not at all: a state that does not read whole (short, damaged, a part of a newer
  // version) leaves everything as it was and answers False. The readers' outcome stays in the
  // exchange copy's Error fields either way.
  bool LoadState(TStream* Stream) override;
  // The filters' memories, the limiter's reduction and its meters start over at the next block.
  void ClearProcessingHistory() override;
  void LoadFaceBitmap() override { LoadFaceFromResource(); }
  void StartProcess() override {}
  void StopProcess() override {}
  // Audio thread: the equaliser from the inputs into the outputs, then the limiter in place.
  void ProcessReplacing(float** Inputs, float** Outputs, uint16_t Frames, int32_t A, int32_t B) override;

  // The exchange copy's change handler: copies it into the live presets and marks the editor
  // stale (any thread).
  void PresetChanged(TObject* Sender);
  TQzAudioEffectPluginPreset* GetPreset() const { return Preset.get(); }
  // Limiter meter Index (0, 1 input; 2, 3 output), in dB.
  float GetLimiterMeter(uint8_t Index) const;
  // Every limiter meter in dB, each reset in the same step (the meter timer's read-and-reset).
  void TakeLimiterMeters(float (&Db)[TQzCustomAudioLimiter::MeterCount]) { Limiter->TakeMeters(Db); }

  // Called on: any control thread, the editor's included, never the audio thread. Held while
  // the live presets are read or written outside the state operations (the editor's refresh and
  // its edits), so that they never interleave with a state saved or loaded on another thread.
  // Not held across a host callback: the host may call in again, or free the object.
  TQzStateLock LockState() { return TQzStateLock(*this); }

  TQzAudioMicroEqualizer* GetMicroEqualizer() const { return MicroEqualizer.get(); }
  TQzCustomAudioLimiter* GetLimiter() const { return Limiter.get(); }

private:
  friend class TQzStateLock;
  // A stage designed anew: its set goes out with the other stage's current one, at once or when
  // the state lock's outermost holder lets go.
  void StageDesigned();
  // Both stages' current designs to the audio thread as one set; StateLock held.
  void PublishChain();

  std::unique_ptr<TQzAudioMicroEqualizer> MicroEqualizer;
  std::unique_ptr<TQzCustomAudioLimiter> Limiter;
  std::unique_ptr<TQzAudioEffectPluginPreset> Preset;
  // Hosts may save and load states, switch the power and change the rate on different threads
  // while the editor edits on the GUI thread; the presets are used by one of them at a time, so
  // every save is one whole state and every load is applied whole. Never taken on the audio
  // thread, which reads only the published parameter sets.
  std::recursive_mutex StateLock;
  // Under StateLock: how deeply it is held, and whether a stage was designed meanwhile.
  int StateHolds = 0;
  bool ChainStale = false;
  TQzPublished<TQzEffectChainParams> Chain;
};
