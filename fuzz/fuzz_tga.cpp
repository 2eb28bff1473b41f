#include <cstring>

#include "FuzzTarget.h"
#include "graphics/QzTGA.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  const bool recognised = TQzTGAImage::IsStreamFormatSupported(&s);
  FUZZ_CHECK(s.GetPosition() == 0);
  TQzTGAImage image;
  image.LoadFromStream(&s);
  if (recognised) FUZZ_CHECK(image.GetErrorCode() != 1 && image.GetErrorCode() != 2);
  if (image.GetEmpty()) return 0;
  TMemoryStream out;
  image.SaveToStream(&out);
  FUZZ_CHECK(image.GetErrorCode() == 0);
  FUZZ_CHECK(out.GetSize() == 18 + static_cast<int64_t>(image.GetWidth()) * image.GetHeight() * 4);
  out.SetPosition(0);
  TQzTGAImage again;
  again.LoadFromStream(&out);
  FUZZ_CHECK(again.GetErrorCode() == 0);
  FUZZ_CHECK(std::memcmp(again.GetPixelPtr(0, 0), image.GetPixelPtr(0, 0),
                         static_cast<size_t>(image.GetWidth()) * image.GetHeight() * 4) == 0);
  return 0;
}
