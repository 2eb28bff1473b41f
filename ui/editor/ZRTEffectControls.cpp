#include "ui/editor/ZRTEffectControls.h"

#include <cmath>

#include "core/QzUtils.h"

namespace {
std::string Number(float Value) { return FloatToDisplayText(Value, 1, true); }

bool IsLimiterField(TQzEditorField Field) {
  return Field == efOutputGain || Field == efThreshold || Field == efRelease;
}
}  // namespace

float QzReadEditorField(TQzAudioMicroEqualizerPreset& Eq, TQzAudioLimiterPreset& Limiter,
                        const TQzEditorControlSpec& Spec) {
  switch (Spec.Field) {
    case efLowcut: return Eq.GetLowcutFrequency();
    case efHighcut: return Eq.GetHighcutFrequency();
    case efBandFrequency: return Eq.GetBandFrequency(Spec.Band);
    case efBandBandwidth: return Eq.GetBandBandwidth(Spec.Band);
    case efBandGain: return Eq.GetBandGain(Spec.Band);
    case efPan: return Eq.GetPan();
    case efInputGain: return Eq.GetInputGain();
    case efOutputGain: return Limiter.GetOutputGain();
    case efThreshold: return Limiter.GetThreshold();
    case efRelease: return Limiter.GetRelease();
  }
  return 0.0f;
}

void QzWriteEditorField(TQzAudioMicroEqualizerPreset& Eq, TQzAudioLimiterPreset& Limiter,
                        const TQzEditorControlSpec& Spec, float Value) {
  // A preset inside a batch (a load, a refresh) is not written into from a control: the batch
  // decides its values.
  if (IsLimiterField(Spec.Field) ? Limiter.IsUpdating() : Eq.IsUpdating()) return;
  switch (Spec.Field) {
    case efLowcut: Eq.SetLowcutFrequency(Value); break;
    case efHighcut: Eq.SetHighcutFrequency(Value); break;
    case efBandFrequency: Eq.SetBandFrequency(Spec.Band, Value); break;
    case efBandBandwidth: Eq.SetBandBandwidth(Spec.Band, Value); break;
    case efBandGain: Eq.SetBandGain(Spec.Band, Value); break;
    case efPan: Eq.SetPan(Value); break;
    case efInputGain: Eq.SetInputGain(Value); break;
    case efOutputGain: Limiter.SetOutputGain(Value); break;
    case efThreshold: Limiter.SetThreshold(Value); break;
    case efRelease: Limiter.SetRelease(Value); break;
  }
}

std::string QzPanText(float Pan) {
  if (Pan < 0.0f) return "L 100   R " + Number(100.0f + Pan);
  if (Pan > 0.0f) return "L " + Number(100.0f - Pan) + "   R 100";
  return "Center";
}

std::string QzFrequencyText(float Frequency) {
  if (Frequency < 1000.0f) return Number(Frequency) + " Hz";
  return Number(Frequency / 1000.0f) + " KHz";
}

std::string QzEditorValueText(const TQzEditorControlSpec& Spec, float Value) {
  switch (Spec.Field) {
    case efLowcut: return Number(Value) + " Hz";
    case efHighcut: return Number(Value / 1000.0f) + " KHz";
    case efBandFrequency: return QzFrequencyText(Value);
    case efBandBandwidth: return Number(Value);
    case efPan: return QzPanText(Value);
    case efRelease: return Number(Value) + " msec";
    case efBandGain:
    case efInputGain:
    case efOutputGain:
    case efThreshold: return Number(Value) + " dB";
  }
  return Number(Value);
}
