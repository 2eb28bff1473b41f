#include "FuzzTarget.h"
#include "graphics/QzBMP.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzStream s(Data, Size);
  TQzBitmap bitmap;
  bitmap.LoadFromStream(&s);
  if (bitmap.GetErrorCode() != 0) return 0;
  // Every pixel the size promises is there: the buffer matches width x height.
  if (bitmap.GetBufferSize() > 0) {
    FUZZ_CHECK(bitmap.GetBufferSize() == static_cast<uint32_t>(bitmap.GetWidth()) * bitmap.GetHeight() *
                                             bitmap.GetBytesPerPixel());
    volatile uint8_t last = *(bitmap.GetPixelPtr(bitmap.GetWidth() - 1, bitmap.GetHeight() - 1) +
                              bitmap.GetBytesPerPixel() - 1);
    (void)last;
  }
  TMemoryStream out;
  bitmap.SaveToStream(&out);
  out.SetPosition(0);
  TQzBitmap again;
  again.LoadFromStream(&out);
  FUZZ_CHECK(again.GetErrorCode() == 0);
  FUZZ_CHECK(again.GetWidth() == bitmap.GetWidth() && again.GetHeight() == bitmap.GetHeight());
  return 0;
}
