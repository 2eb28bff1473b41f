// Byte streams for the reader and writer tests of the stored formats.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "core/Classes.h"

// A memory stream holding Bytes, positioned at their start.
inline std::unique_ptr<TMemoryStream> StreamOf(const std::vector<uint8_t>& Bytes) {
  auto s = std::make_unique<TMemoryStream>();
  if (!Bytes.empty()) s->Write(Bytes.data(), static_cast<int32_t>(Bytes.size()));
  s->SetPosition(0);
  return s;
}

// A stream that takes at most Capacity bytes in all: every write beyond is cut short.
class TCappedStream : public TMemoryStream {
public:
  explicit TCappedStream(int64_t Capacity) : FCapacity(Capacity) {}
  int32_t Write(const void* Buffer, int32_t Count) override {
    const int64_t room = std::max<int64_t>(0, FCapacity - GetPosition());
    return TMemoryStream::Write(Buffer, static_cast<int32_t>(std::min<int64_t>(Count, room)));
  }

private:
  int64_t FCapacity;
};

// The bytes Obj writes to an empty stream.
template <class T>
std::vector<uint8_t> SavedBytes(T& Obj) {
  TMemoryStream s;
  EXPECT_TRUE(Obj.SaveToStream(&s));
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
