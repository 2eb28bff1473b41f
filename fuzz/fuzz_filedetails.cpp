#include "FuzzTarget.h"
#include "graphics/QzFileDetails.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  TQzFileDetails details;
  const bool ok = details.LoadFromStream(&s);
  FUZZ_CHECK(ok == (details.Error == 0));
  TMemoryStream out;
  FUZZ_CHECK(details.SaveToStream(&out));
  out.SetPosition(0);
  TQzFileDetails again;
  FUZZ_CHECK(again.LoadFromStream(&out));
  for (int i = 0; i < TQzFileDetails::SlotCount; ++i) {
    FUZZ_CHECK(again.GetString(i) == details.GetString(i));
    FUZZ_CHECK(again.GetInteger(i) == details.GetInteger(i));
  }
  return 0;
}
