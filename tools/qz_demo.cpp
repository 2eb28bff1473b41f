// Makes the inputs of the main job:
//   qz_demo signal OUT.wav [SECONDS]   a stereo test signal at 48000 Hz: a chord with a bass line
//                                      on the left, a sweep on the right, and loud drum-like hits
//                                      that peak near -2 dBFS on both channels
//   qz_demo state OUT.bin              a state blob with a clear equaliser curve (bass and treble
//                                      raised, middle cut) and a fast limiter (mode 2, look-ahead)
//                                      whose threshold of -12 dBFS holds the hits down
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/QzAudioEffectPlugin.h"

namespace {
int MakeSignal(const char* Path, double Seconds) {
  const int rate = 48000;
  const auto frames = static_cast<size_t>(Seconds * rate);
  std::vector<float> data(frames * 2);
  const double pi = 3.14159265358979323846;
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    // Left: a soft chord and a bass note.
    double left = 0.08 * (std::sin(2 * pi * 220 * t) + std::sin(2 * pi * 277.18 * t) + std::sin(2 * pi * 329.63 * t)) +
                  0.15 * std::sin(2 * pi * 55 * t);
    // Right: a logarithmic sweep 40 Hz .. 16 kHz.
    const double k = std::log(16000.0 / 40.0) / Seconds;
    double right = 0.25 * std::sin(2 * pi * 40 * (std::exp(k * t) - 1) / k);
    // Every half second a decaying hit on both channels, clipped at -1 dBFS.
    const double beat = std::fmod(t, 0.5);
    const double hit = 0.891 * std::exp(-beat * 30) * std::sin(2 * pi * 90 * beat);
    left = std::fabs(hit) > std::fabs(left) ? hit : left + hit * 0.5;
    right = std::fabs(hit) > std::fabs(right) ? hit : right + hit * 0.5;
    data[2 * i] = static_cast<float>(std::clamp(left, -0.891, 0.891));
    data[2 * i + 1] = static_cast<float>(std::clamp(right, -0.891, 0.891));
  }
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  SNDFILE* f = sf_open(Path, SFM_WRITE, &info);
  if (!f) {
    std::fprintf(stderr, "qz_demo: cannot create %s\n", Path);
    return 1;
  }
  const bool ok = sf_writef_float(f, data.data(), static_cast<sf_count_t>(frames)) == static_cast<sf_count_t>(frames);
  return sf_close(f) == 0 && ok ? 0 : 1;
}

int MakeState(const char* Path) {
  TQzAudioEffectPluginPreset preset;
  TQzAudioMicroEqualizerPreset* eq = preset.EqualizerPreset();
  eq->SetBandFrequency(0, 80.0f);
  eq->SetBandGain(0, 9.0f);
  eq->SetBandFrequency(1, 1000.0f);
  eq->SetBandGain(1, -9.0f);
  eq->SetBandFrequency(2, 8000.0f);
  eq->SetBandGain(2, 6.0f);
  for (uint8_t b = 0; b < 3; ++b) eq->SetBandEnabled(b, true);
  eq->SetActive(true);
  TQzAudioLimiterPreset* lim = preset.LimiterPreset();
  lim->SetThreshold(-6.0f);  // factor-10 scale: an amplitude of 0.251, -12 dBFS
  lim->SetMode(2);
  lim->SetLookAhead(true);
  lim->SetActive(true);
  TFileStream file(Path, fmCreate);
  preset.SaveToStream(&file);
  return eq->Error == 0 && lim->Error == 0 ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  try {
    if (what == "signal" && (argc == 3 || argc == 4)) return MakeSignal(argv[2], argc == 4 ? std::atof(argv[3]) : 4.0);
    if (what == "state" && argc == 3) return MakeState(argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qz_demo: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: qz_demo signal OUT.wav [SECONDS] | qz_demo state OUT.bin\n");
  return 2;
}
