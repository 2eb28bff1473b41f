#include "QzBmpWriter.h"

#include <cstdio>
#include <cstring>
#include <vector>

bool QzWriteBmp24(const std::string& Path, int Width, int Height, const std::function<uint32_t(int X, int Y)>& Pixel) {
  const int stride = (Width * 3 + 3) & ~3;
  const uint32_t imageSize = static_cast<uint32_t>(stride) * static_cast<uint32_t>(Height), fileSize = 54 + imageSize;
  uint8_t head[54] = {'B', 'M'};
  auto put32 = [&head](int At, uint32_t V) { std::memcpy(head + At, &V, 4); };
  auto put16 = [&head](int At, uint16_t V) { std::memcpy(head + At, &V, 2); };
  put32(2, fileSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(Width));
  put32(22, static_cast<uint32_t>(Height));
  put16(26, 1);
  put16(28, 24);
  put32(34, imageSize);
  put32(38, 2835);  // 72 dpi
  put32(42, 2835);
  std::vector<uint8_t> body(imageSize, 0);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const uint32_t v = Pixel(x, y);
      uint8_t* d = &body[static_cast<size_t>(Height - 1 - y) * stride + x * 3];  // rows bottom-up, B, G, R
      d[0] = static_cast<uint8_t>(v);
      d[1] = static_cast<uint8_t>(v >> 8);
      d[2] = static_cast<uint8_t>(v >> 16);
    }
  FILE* f = std::fopen(Path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(head, 1, 54, f) == 54 && std::fwrite(body.data(), 1, body.size(), f) == body.size();
  return std::fclose(f) == 0 && ok;
}
