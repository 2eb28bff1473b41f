// Bounded reading and gap-free writing for the picture and record formats. Every size that
// comes from a stream is checked against what the stream still holds before anything is
// allocated, and every gap a writer moves over is written as zeros.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/Classes.h"

// Bytes between the stream's position and its end (0 when past the end).
inline int64_t QzStreamRemaining(TStream* Stream) {
  const int64_t pos = Stream->GetPosition();
  const int64_t size = Stream->GetSize();
  return size > pos ? size - pos : 0;
}

// Reads exactly Count bytes into Out. False, with nothing allocated, when Count is negative or
// more than the stream still holds; False when the read falls short.
inline bool QzReadBytes(TStream* Stream, int64_t Count, std::vector<uint8_t>& Out) {
  Out.clear();
  if (Count < 0 || Count > QzStreamRemaining(Stream) || Count > 0x7FFFFFFF) return false;
  Out.resize(static_cast<size_t>(Count));
  return Count == 0 || Stream->Read(Out.data(), static_cast<int32_t>(Count)) == Count;
}

// Reads Count bytes to Buffer in full. False on a short read.
inline bool QzReadExact(TStream* Stream, void* Buffer, int64_t Count) {
  auto* p = static_cast<uint8_t*>(Buffer);
  while (Count > 0) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(Count, 0x40000000));
    if (Stream->Read(p, n) != n) return false;
    p += n;
    Count -= n;
  }
  return true;
}

// Writes Count bytes in full. False on a short write.
inline bool QzWriteExact(TStream* Stream, const void* Buffer, int64_t Count) {
  const auto* p = static_cast<const uint8_t*>(Buffer);
  while (Count > 0) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(Count, 0x40000000));
    if (Stream->Write(p, n) != n) return false;
    p += n;
    Count -= n;
  }
  return true;
}

// Writes Count zero bytes, so that a reserved gap is defined whatever the stream class gives a
// gap made by seeking. False on a short write.
inline bool QzWriteZeros(TStream* Stream, int64_t Count) {
  static constexpr uint8_t Zeros[512] = {};
  while (Count > 0) {
    const auto n = static_cast<int32_t>(std::min<int64_t>(Count, sizeof Zeros));
    if (Stream->Write(Zeros, n) != n) return false;
    Count -= n;
  }
  return true;
}

// Little-endian field access into byte buffers.
inline uint16_t QzGetU16(const uint8_t* P) { return static_cast<uint16_t>(P[0] | P[1] << 8); }
inline uint32_t QzGetU32(const uint8_t* P) {
  return static_cast<uint32_t>(P[0]) | static_cast<uint32_t>(P[1]) << 8 |
         static_cast<uint32_t>(P[2]) << 16 | static_cast<uint32_t>(P[3]) << 24;
}
inline void QzPutU16(uint8_t* P, uint16_t V) {
  P[0] = static_cast<uint8_t>(V);
  P[1] = static_cast<uint8_t>(V >> 8);
}
inline void QzPutU32(uint8_t* P, uint32_t V) {
  for (int i = 0; i < 4; ++i) P[i] = static_cast<uint8_t>(V >> (8 * i));
}

// No side of a picture buffer of the program's own exceeds this many pixels.
inline constexpr int32_t QzMaxPictureSide = 15000;
