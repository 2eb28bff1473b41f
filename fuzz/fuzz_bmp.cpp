#include "RasterFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  return FuzzRasterReader<TBitmap>(Data, Size);
}
