// 10 000 random lines (one-pixel pen, opaque) drawn by the software canvas into a 1000 x 1000
// target of 3-, 4- and 5-byte pixels, and with a 5-pixel pen.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "graphics/QzBMP.h"
#include "graphics/QzCanvas.h"
#include "platform/Graphics.h"

namespace {

constexpr int Side = 1000;
constexpr int Lines = 10000;

std::vector<int32_t> RandomEnds() {
  std::vector<int32_t> v(Lines * 4);
  uint32_t seed = 7;
  for (int32_t& c : v) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<int32_t>((seed >> 8) % Side);
  }
  return v;
}

void DrawLines(benchmark::State& State, TObject* Target, uint16_t Width) {
  const std::vector<int32_t> ends = RandomEnds();
  TQzCanvas canvas;
  canvas.SetTarget(Target);
  canvas.GetPen()->SetColor(RGB(55, 55, 55));
  canvas.GetPen()->SetWidth(Width);
  canvas.Line(0, 0, 3, 3);  // a wide pen's distance table is made before timing
  for (auto _ : State)
    for (int i = 0; i < Lines; ++i)
      canvas.Line(ends[i * 4], ends[i * 4 + 1], ends[i * 4 + 2], ends[i * 4 + 3]);
  State.SetItemsProcessed(State.iterations() * Lines);
}

void BM_CanvasLines(benchmark::State& State) {
  const int bytes = static_cast<int>(State.range(0));
  const auto width = static_cast<uint16_t>(State.range(1));
  if (bytes == 5) {
    TQzBitmap q;
    q.SetPixelFormat(2);
    q.SetBitmapSize(Side, Side);
    DrawLines(State, &q, width);
  } else {
    TBitmap b;
    b.SetPixelFormat(bytes == 3 ? pf24bit : pf32bit);
    b.SetSize(Side, Side);
    DrawLines(State, &b, width);
  }
  State.SetLabel(std::to_string(bytes) + "-byte pixels, pen " + std::to_string(width));
}
BENCHMARK(BM_CanvasLines)
    ->Args({3, 1})
    ->Args({4, 1})
    ->Args({5, 1})
    ->Args({3, 5})
    ->Args({4, 5})
    ->Args({5, 5})
    ->Unit(benchmark::kMillisecond);

}  // namespace
