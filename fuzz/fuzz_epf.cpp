#include "FuzzTarget.h"
#include <cstring>

#include "graphics/QzEPF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  TQzEPFImage image;
  try {
    image.LoadFromStream(&s);
  } catch (const Exception&) {
    FUZZ_CHECK(image.GetErrorCode() != 0);
    return 0;
  }
  FUZZ_CHECK(image.GetPixelsSize() ==
             static_cast<uint32_t>(image.GetWidth()) * image.GetHeight() * image.GetBytesPerPixel());
  TMemoryStream out;
  image.SaveToStream(&out);
  out.SetPosition(0);
  TQzEPFImage again;
  again.LoadFromStream(&out);
  FUZZ_CHECK(again.GetWidth() == image.GetWidth() && again.GetHeight() == image.GetHeight());
  FUZZ_CHECK(again.GetRawData()->GetSize() == image.GetRawData()->GetSize());
  if (image.GetPixelsSize() > 0 && (image.GetBytesPerPixel() == 3 || image.GetBytesPerPixel() == 4))
    FUZZ_CHECK(std::memcmp(again.GetPixelPtr(0, 0), image.GetPixelPtr(0, 0), image.GetPixelsSize()) == 0);
  return 0;
}
