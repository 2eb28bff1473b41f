// CI runs: 20000 (a theme holds a picture list, whose thumbnails are drawn pixel by pixel: slow
// under the sanitizers' instrumentation)
#include "FuzzTarget.h"
#include "graphics/QzPictureFormats.h"
#include "ui/framework/QzThemeItems.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  QzRegisterPictureFormats();
  TFuzzStream s(Data, Size);
  TQzThemeItems theme;
  int changes = 0;
  theme.OnChange = [&](TObject*) { ++changes; };
  const bool ok = theme.LoadFromStream(&s);
  FUZZ_CHECK(ok == (theme.Error == 0));
  FUZZ_CHECK(changes == 1);
  FUZZ_CHECK(!theme.IsUpdating());
  // No picture is made up: each item takes at least its 38 bytes of the input.
  FUZZ_CHECK(static_cast<size_t>(theme.GetPictures()->GetCount()) * 38 <= Size);

  TMemoryStream out;
  FUZZ_CHECK(theme.SaveToStream(&out));
  out.SetPosition(0);
  TQzThemeItems again;
  FUZZ_CHECK(again.LoadFromStream(&out));
  FUZZ_CHECK(again.GetColors() == theme.GetColors());
  FUZZ_CHECK(again.GetPictures()->GetCount() == theme.GetPictures()->GetCount());
  for (int i = 0; i < TQzCustomFileDetails::SlotCount; ++i)
    FUZZ_CHECK(again.GetDetails()->GetString(i) == theme.GetDetails()->GetString(i));
  return 0;
}
