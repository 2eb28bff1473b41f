#include <cstring>

#include "FuzzTarget.h"
#include "graphics/QzTIF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  TQzTIFImage image;
  try {
    image.LoadFromStream(&s);
  } catch (const Exception&) {
    FUZZ_CHECK(image.GetErrorCode() != 0 && image.GetEmpty());
    return 0;
  }
  FUZZ_CHECK(!image.GetEmpty());
  TMemoryStream out;
  image.SaveToStream(&out);
  out.SetPosition(0);
  TQzTIFImage again;
  again.LoadFromStream(&out);
  FUZZ_CHECK(again.GetWidth() == image.GetWidth() && again.GetHeight() == image.GetHeight());
  FUZZ_CHECK(again.GetResolution() == image.GetResolution());
  FUZZ_CHECK(std::memcmp(again.GetPixelPtr(0, 0), image.GetPixelPtr(0, 0),
                         static_cast<size_t>(image.GetWidth()) * image.GetHeight() * 4) == 0);
  return 0;
}
