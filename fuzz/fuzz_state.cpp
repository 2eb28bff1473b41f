#include "FuzzTarget.h"
#include "engine/QzAudioEffectPlugin.h"

// The effect's whole state as a host hands it over: a blob either loads whole or leaves the state
// exactly as it was, and a state the effect took, saved again, loads back to the same bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TQzAudioEffectPlugin effect;
  TMemoryStream before;
  effect.SaveState(&before);
  TFuzzStream in(Data, Size);
  const bool loaded = effect.LoadState(&in);
  TMemoryStream after;
  effect.SaveState(&after);
  if (!loaded) {
    FUZZ_CHECK(after.Data() == before.Data());
    return 0;
  }
  after.SetPosition(0);
  FUZZ_CHECK(effect.LoadState(&after));
  TMemoryStream again;
  effect.SaveState(&again);
  FUZZ_CHECK(again.Data() == after.Data());
  return 0;
}
