// Pictures for the drawing and picture tests: plain toolkit bitmaps, the pixels a drawing
// changed, and the pixel bytes of the program's own pictures.
#pragma once

#include <cstdint>
#include <initializer_list>
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

// A toolkit bitmap W pixels wide with the given pixels, row by row.
inline std::unique_ptr<TBitmap> BitmapOf(int W, std::initializer_list<TColor> Pixels, TPixelFormat Format = pf24bit) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(Format);
  b->SetSize(W, static_cast<int>(Pixels.size()) / W);
  int i = 0;
  for (TColor c : Pixels) b->GetCanvas()->SetPixel(i % W, i / W, c), ++i;
  return b;
}

// The colours of B's pixels, row by row.
inline std::vector<TColor> ColorsOf(TBitmap* B) {
  std::vector<TColor> v;
  for (int y = 0; y < B->GetHeight(); ++y)
    for (int x = 0; x < B->GetWidth(); ++x) v.push_back(B->GetCanvas()->GetPixel(x, y));
  return v;
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
