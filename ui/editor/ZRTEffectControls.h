// How the editor's knobs and sliders map onto the effect's two live presets: which field each
// control edits, the range it offers and the text it shows. The form (ZRTEffectGUI) keeps one
// entry per control; nothing here touches the toolkit.
#pragma once

#include <cstdint>
#include <string>

#include "engine/QzAudioLimiter.h"
#include "engine/QzAudioMicroEQ.h"

enum TQzEditorField : uint8_t {
  efLowcut,
  efHighcut,
  efBandFrequency,
  efBandBandwidth,
  efBandGain,
  efPan,
  efInputGain,    // equaliser input gain
  efOutputGain,   // limiter output gain: the effect's output level
  efThreshold,    // limiter
  efRelease,      // limiter
};

struct TQzEditorControlSpec {
  const char* Name;  // the control's name in the form description
  TQzEditorField Field;
  uint8_t Band;      // band fields: 0 low, 1 mid, 2 high
  float Min, Max;    // the range the control offers
};

// Every knob and slider in the order the refresh sets their ranges.
inline constexpr TQzEditorControlSpec QzEditorControls[] = {
    {"LowcutSel", efLowcut, 0, 20.0f, 250.0f},
    {"HighCutSel", efHighcut, 0, 1000.0f, 20000.0f},
    {"FrequencySelL", efBandFrequency, 0, 20.0f, 250.0f},
    {"FrequencySelM", efBandFrequency, 1, 250.0f, 2500.0f},
    {"FrequencySelH", efBandFrequency, 2, 2500.0f, 20000.0f},
    {"BandwidthSelL", efBandBandwidth, 0, 0.5f, 5.0f},
    {"BandwidthSelM", efBandBandwidth, 1, 0.5f, 5.0f},
    {"BandwidthSelH", efBandBandwidth, 2, 0.5f, 5.0f},
    {"FilterGainSelL", efBandGain, 0, -15.0f, 15.0f},
    {"FilterGainSelM", efBandGain, 1, -15.0f, 15.0f},
    {"FilterGainSelH", efBandGain, 2, -15.0f, 15.0f},
    {"Thresholdsel", efThreshold, 0, -10.0f, 0.0f},
    // The limiter holds 75..750 ms: a knob reaching below 75 would offer values the preset
    // silently refuses.
    {"ReleaseSel", efRelease, 0, TQzAudioLimiterPreset::MinRelease, 500.0f},
    {"PanSel", efPan, 0, TQzAudioMicroEqualizerPreset::MinPan, TQzAudioMicroEqualizerPreset::MaxPan},
    {"InputSel", efInputGain, 0, TQzAudioMicroEqualizerPreset::MinGain, TQzAudioMicroEqualizerPreset::MaxGain},
    {"OutputSel", efOutputGain, 0, TQzAudioMicroEqualizerPreset::MinGain, TQzAudioMicroEqualizerPreset::MaxGain},
};

// The field as the preset's clamping getter reads it.
float QzReadEditorField(TQzAudioMicroEqualizerPreset& Eq, TQzAudioLimiterPreset& Limiter,
                        const TQzEditorControlSpec& Spec);
// Writes the field through the preset's setter (which clamps and notifies on a change), unless
// the preset that holds it is updating.
void QzWriteEditorField(TQzAudioMicroEqualizerPreset& Eq, TQzAudioLimiterPreset& Limiter,
                        const TQzEditorControlSpec& Spec, float Value);

// "L 100   R 75,0", "L 75,0   R 100" or "Center" (also for a pan that is not a number).
std::string QzPanText(float Pan);
// Below 1000: "999,0 Hz"; from 1000 on in kilohertz: "1,0 KHz".
std::string QzFrequencyText(float Frequency);
// The text a control shows for a field value: the number with one decimal and its unit.
std::string QzEditorValueText(const TQzEditorControlSpec& Spec, float Value);
