// A 1000 x 1000 picture resampled to 250 x 250 (a picture-list thumbnail) with each filter:
// 0 the plain stretch, 1 Lanczos3, 2 Mitchell, 3 Hermite, 4 Bell, 5 B-spline, 6 triangle, 7 box.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "graphics/QzResample.h"
#include "platform/Graphics.h"

namespace {

std::unique_ptr<TBitmap> NoisePicture(int W, int H) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf32bit);
  b->SetSize(W, H);
  uint32_t seed = 1;
  for (int y = 0; y < H; ++y) {
    uint8_t* p = b->GetScanLine(y);
    for (int i = 0; i < W * 4; ++i) {
      seed = seed * 1664525u + 1013904223u;
      p[i] = static_cast<uint8_t>(seed >> 24);
    }
  }
  return b;
}

void BM_StretchGraphic(benchmark::State& State) {
  const auto filter = static_cast<uint8_t>(State.range(0));
  auto src = NoisePicture(1000, 1000);
  TBitmap dst;
  for (auto _ : State) {
    const uint32_t code = StretchGraphicEx(src.get(), &dst, 250, 250, filter, true);
    benchmark::DoNotOptimize(code);
  }
  State.SetItemsProcessed(State.iterations());
  State.SetLabel(filter == 0 ? "plain stretch" : "kernel " + std::to_string(filter));
}
BENCHMARK(BM_StretchGraphic)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

}  // namespace
