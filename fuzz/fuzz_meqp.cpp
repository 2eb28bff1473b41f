#include "FuzzTarget.h"
#include "engine/QzAudioMicroEQ.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  TQzAudioMicroEqualizerPreset preset;
  const bool ok = preset.LoadFromStream(&s);
  FUZZ_CHECK(ok == (preset.Error == 0));
  // Whatever was loaded can be stored again, and reads back as it was stored.
  TMemoryStream out;
  FUZZ_CHECK(preset.SaveToStream(&out));
  out.SetPosition(0);
  TQzAudioMicroEqualizerPreset again;
  FUZZ_CHECK(again.LoadFromStream(&out));
  TMemoryStream out2;
  FUZZ_CHECK(again.SaveToStream(&out2));
  FUZZ_CHECK(out.Data() == out2.Data());
  return 0;
}
