// Direct access to the pixel memory of the program's own pictures. Every own picture class (the
// pixel bitmap, the DIB section, the EPF, TGA and TIFF pictures) implements it, so pixel code (the
// bitmap's conversions, the software canvas) reaches any of them without knowing its class.
#pragma once

#include <cstdint>

class IQzPixelAccess {
public:
  // Address of the first byte of pixel (X, Y), row 0 at the top. No range check: callers keep
  // 0 <= X < width and 0 <= Y < height of a picture whose GetPixelBits is not 0.
  virtual uint8_t* GetPixelPtr(int32_t X, int32_t Y) = 0;
  // Bits per pixel of that memory: 24 (B, G, R), 32 (B, G, R, A), 40 (B, G, R, A, M) or another
  // layout no pixel code reads; 0 while the picture holds no pixels.
  virtual int32_t GetPixelBits() const = 0;

protected:
  IQzPixelAccess() = default;
  IQzPixelAccess(const IQzPixelAccess&) = default;
  IQzPixelAccess& operator=(const IQzPixelAccess&) = default;
  ~IQzPixelAccess() = default;
};

// Mixes two channel values: Weight 0 gives A, 255 gives B, exactly; in between the weighted
// mean rounded to nearest ((A * (255 - Weight) + B * Weight) / 255).
constexpr uint8_t QzBlendByte(uint32_t A, uint32_t B, uint32_t Weight) {
  const uint32_t t = A * (255 - Weight) + B * Weight + 128;
  return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}
