#include "FuzzTarget.h"
#include "engine/QzAudioClasses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  TQzAudioPresetDetails details;
  const bool ok = details.LoadFromStream(&s);
  FUZZ_CHECK(ok == (details.Error == 0));
  TMemoryStream out;
  if (details.SaveToStream(&out)) {
    out.SetPosition(0);
    TQzAudioPresetDetails again;
    FUZZ_CHECK(again.LoadFromStream(&out));
    for (int i = 0; i < TQzAudioPresetDetails::StringCount; ++i)
      FUZZ_CHECK(again.GetString(i) == details.GetString(i) || details.GetString(i).empty());
  }
  return 0;
}
