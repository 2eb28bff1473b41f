// Helpers of the picture-format and record tests: golden files, streams over bytes.
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

using TBytes = std::vector<uint8_t>;

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

// A memory stream holding Bytes, positioned at 0.
class TByteStream : public TMemoryStream {
public:
  explicit TByteStream(const TBytes& Bytes, size_t Count = SIZE_MAX) {
    if (Count > Bytes.size()) Count = Bytes.size();
    if (Count > 0) WriteBuffer(Bytes.data(), static_cast<int32_t>(Count));
    SetPosition(0);
  }
};

// A stream that accepts at most Limit bytes in total, to make writes fall short.
class TLimitedStream : public TMemoryStream {
public:
  explicit TLimitedStream(int64_t Limit) : FLimit(Limit) {}
  int32_t Write(const void* Buffer, int32_t Count) override {
    const int64_t room = FLimit - GetPosition();
    if (room <= 0) return 0;
    return TMemoryStream::Write(Buffer, static_cast<int32_t>(Count < room ? Count : room));
  }

private:
  int64_t FLimit;
};

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
