// Helpers of the picture-format and record tests: golden files and writer errors (the streams
// over bytes are in tests/common/TestStreams.h).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/QzFileClasses.h"
#include "core/Classes.h"
#include "core/SysUtils.h"
#include "tests/common/TestStreams.h"


inline uint32_t Code(uint16_t Category, uint16_t Location) { return MakeErrorCode(Category, Location); }

inline std::string TestDataPath(const std::string& Name) {
  const char* dir = std::getenv("QZ_TEST_DATA");
  return std::string(dir ? dir : "tests/data") + "/" + Name;
}

inline TBytes ReadGolden(const std::string& Name) {
  std::ifstream f(TestDataPath("formats/" + Name), std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline TBytes BytesOf(TMemoryStream& S) { return S.Data(); }

// A picture whose SaveToStream raises on failure: saving into nil gives NilCode, and saving into
// a stream that takes only Limit bytes gives the code paired with Limit; each raises an
// Exception whose message is Prefix and the code's text, and keeps the code in GetErrorCode.
template <class TPicture>
void ExpectRaisingWriterErrors(TPicture& Picture, const std::string& Prefix, uint32_t NilCode,
                               std::initializer_list<std::pair<int64_t, uint32_t>> Limits) {
  auto expect = [&](TStream* Stream, uint32_t Wanted) {
    try {
      Picture.SaveToStream(Stream);
      ADD_FAILURE() << "no exception for " << ErrorCodeToStr(Wanted);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Prefix + ErrorCodeToStr(Wanted));
    }
    EXPECT_EQ(Picture.GetErrorCode(), Wanted);
  };
  expect(nullptr, NilCode);
  for (const auto& [limit, wanted] : Limits) {
    TLimitedStream s(limit);
    expect(&s, wanted);
  }
}
