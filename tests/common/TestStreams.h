// Byte streams for the reader and writer tests of the stored formats and pictures.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "core/Classes.h"

using TBytes = std::vector<uint8_t>;

// A memory stream holding the first Count bytes of Bytes (all of them by default), positioned
// at their start.
class TByteStream : public TMemoryStream {
public:
  explicit TByteStream(const TBytes& Bytes, size_t Count = SIZE_MAX) {
    Count = std::min(Count, Bytes.size());
    if (Count > 0) WriteBuffer(Bytes.data(), static_cast<int32_t>(Count));
    SetPosition(0);
  }
};

inline std::unique_ptr<TMemoryStream> StreamOf(const TBytes& Bytes) { return std::make_unique<TByteStream>(Bytes); }

// Under QZ_TEST_DATA (set by ctest), else the source tree's tests/data.
inline std::string TestDataPath(const std::string& Name) {
#ifdef QZ_SOURCE_TEST_DATA
  const char* fallback = QZ_SOURCE_TEST_DATA;
#else
  const char* fallback = "tests/data";
#endif
  const char* dir = std::getenv("QZ_TEST_DATA");
  return std::string(dir && *dir ? dir : fallback) + "/" + Name;
}

// A golden file of tests/data/formats (written by tools/make_golden.py from the layouts).
inline TBytes ReadGolden(const std::string& Name) {
  std::ifstream f(TestDataPath("formats/" + Name), std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// A stream that takes at most Limit bytes in all: every write beyond is cut short.
class TLimitedStream : public TMemoryStream {
public:
  explicit TLimitedStream(int64_t Limit) : FLimit(Limit) {}
  int32_t Write(const void* Buffer, int32_t Count) override {
    const int64_t room = std::max<int64_t>(0, FLimit - GetPosition());
    return TMemoryStream::Write(Buffer, static_cast<int32_t>(std::min<int64_t>(Count, room)));
  }

private:
  int64_t FLimit;
};

// Saves or loads Obj; records say whether they did (expected to), pictures keep an error code.
template <class T>
void SaveInto(T& Obj, TStream* S) {
  if constexpr (std::is_void_v<decltype(Obj.SaveToStream(S))>)
    Obj.SaveToStream(S);
  else
    EXPECT_TRUE(Obj.SaveToStream(S));
}
template <class T>
void LoadFrom(T& Obj, TStream* S) {
  if constexpr (std::is_void_v<decltype(Obj.LoadFromStream(S))>)
    Obj.LoadFromStream(S);
  else
    EXPECT_TRUE(Obj.LoadFromStream(S));
}

// The bytes Obj writes to an empty stream.
template <class T>
std::vector<uint8_t> SavedBytes(T& Obj) {
  TMemoryStream s;
  SaveInto(Obj, &s);
  return s.Data();
}

// Counts the OnChange notifications of an object from its construction on.
struct TChangeCounter {
  int Count = 0;
  template <class T>
  explicit TChangeCounter(T& Obj) {
    Obj.OnChange = [this](TObject*) { ++Count; };
  }
  TChangeCounter(const TChangeCounter&) = delete;
};
