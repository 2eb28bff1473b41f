// Shared by the fuzz targets: the libFuzzer entry point and a stream over the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

// A memory stream holding the input, positioned at its start.
class TFuzzStream : public TMemoryStream {
public:
  TFuzzStream(const uint8_t* Data, size_t Size) {
    if (Size > 0) WriteBuffer(Data, static_cast<int32_t>(Size));
    SetPosition(0);
  }
};

// An invariant that must hold for every input; a violation is a finding like a crash.
#define FUZZ_CHECK(Condition) \
  do {                        \
    if (!(Condition)) std::abort(); \
  } while (0)
