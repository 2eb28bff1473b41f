// Helpers of the picture-format and record tests: golden files, streams over bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Classes.h"

using TBytes = std::vector<uint8_t>;

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
