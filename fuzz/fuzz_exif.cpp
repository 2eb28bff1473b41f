#include "FuzzTarget.h"
#include "graphics/QzPicExifData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  TQzPictureExifData exif;
  const bool ok = exif.LoadFromStream(&s);
  FUZZ_CHECK(ok == (exif.GetErrorCode() == 0));
  TMemoryStream out;
  FUZZ_CHECK(exif.SaveToStream(&out));
  out.SetPosition(0);
  TQzPictureExifData again;
  FUZZ_CHECK(again.LoadFromStream(&out));
  FUZZ_CHECK(again.GetScrambled() == exif.GetScrambled());
  for (int i = 0; i < TQzPictureExifData::StringCount; ++i) FUZZ_CHECK(again.GetString(i) == exif.GetString(i));
  return 0;
}
