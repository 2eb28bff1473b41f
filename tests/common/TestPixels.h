// Pictures for the drawing and picture tests: plain toolkit bitmaps, the pixels a drawing
// changed, and the pixel bytes of the program's own pictures.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "platform/Graphics.h"

// A toolkit bitmap of W x H in Format, filled with Color through its canvas (whose brush is
// left in Color).
inline std::unique_ptr<TBitmap> FilledBitmap(int W, int H, TColor Color = clWhite, TPixelFormat Format = pf24bit) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(Format);
  b->SetSize(W, H);
  b->GetCanvas()->GetBrush()->SetColor(Color);
  b->GetCanvas()->FillRect(Rect(0, 0, W, H));
  return b;
}

// The pixels (x, y) of B that are not Background.
inline std::set<std::pair<int, int>> PaintedPixels(TBitmap* B, TColor Background = clWhite) {
  std::set<std::pair<int, int>> s;
  for (int y = 0; y < B->GetHeight(); ++y)
    for (int x = 0; x < B->GetWidth(); ++x)
      if (B->GetCanvas()->GetPixel(x, y) != Background) s.insert({x, y});
  return s;
}

// The whole pixel buffer of one of the program's own pictures; empty for an empty picture.
template <class TImage>
std::vector<uint8_t> PixelBytes(TImage& I) {
  if (I.GetEmpty()) return {};
  size_t size = static_cast<size_t>(I.GetWidth()) * static_cast<size_t>(I.GetHeight()) * 4;
  if constexpr (requires { I.GetBufferSize(); })
    size = I.GetBufferSize();
  else if constexpr (requires { I.GetPixelsSize(); })
    size = I.GetPixelsSize();
  const uint8_t* p = I.GetPixelPtr(0, 0);
  return std::vector<uint8_t>(p, p + size);
}
