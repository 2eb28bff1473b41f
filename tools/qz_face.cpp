// Draws the "FACE" picture that the plug-in hands to hosts which show one: a 250 x 145, 24-bit
// bitmap file. Run it to rebuild resources/FACE.bmp:
//   qz_face resources/FACE.bmp
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "art/QzBmpWriter.h"

namespace {
constexpr int W = 250, H = 145;

struct TRGB {
  double R, G, B;
};
std::vector<TRGB> Pix(W * H);

void Blend(int X, int Y, TRGB C, double A) {
  if (X < 0 || Y < 0 || X >= W || Y >= H || A <= 0) return;
  A = std::min(A, 1.0);
  TRGB& p = Pix[Y * W + X];
  p.R += (C.R - p.R) * A;
  p.G += (C.G - p.G) * A;
  p.B += (C.B - p.B) * A;
}

// 5 x 7 glyphs, one byte a row, bit 4 the leftmost pixel.
struct TGlyph {
  char Ch;
  uint8_t Rows[7];
};
constexpr TGlyph Font[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}}, {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}}, {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}}, {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}}, {'&', {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D}},
};

void Text(const char* S, int X, int Y, int Scale, TRGB C) {
  for (; *S; ++S, X += 6 * Scale) {
    for (const TGlyph& g : Font)
      if (g.Ch == *S)
        for (int r = 0; r < 7; ++r)
          for (int c = 0; c < 5; ++c)
            if (g.Rows[r] & (0x10 >> c))
              for (int dy = 0; dy < Scale; ++dy)
                for (int dx = 0; dx < Scale; ++dx) Blend(X + c * Scale + dx, Y + r * Scale + dy, C, 1.0);
  }
}

// Equaliser response of the picture: three bells over a log-frequency axis, in dB.
double Curve(double X) {
  double f = X / (W - 1);  // 0 .. 1 across the plot
  auto bell = [f](double Centre, double Width, double Gain) {
    double d = (f - Centre) / Width;
    return Gain * std::exp(-d * d);
  };
  return bell(0.18, 0.09, 7.0) + bell(0.5, 0.12, -5.0) + bell(0.82, 0.08, 9.0);
}

// Anti-aliased polyline of y = Fy(x), Thickness pixels wide.
template <class F>
void Plot(F Fy, double Thickness, TRGB C) {
  for (int x = 0; x < W; ++x)
    for (int y = 0; y < H; ++y) {
      double best = 1e9;
      for (double t = x - 1.0; t <= x + 1.0; t += 0.125) {
        double dx = t - x, dy = Fy(t) - y;
        best = std::min(best, std::sqrt(dx * dx + dy * dy));
      }
      Blend(x, y, C, Thickness / 2 + 0.5 - best);
    }
}

bool WriteBmp(const char* Path) {
  return QzWriteBmp24(Path, W, H, [](int X, int Y) {
    const TRGB& p = Pix[Y * W + X];
    auto byte = [](double V) { return static_cast<uint32_t>(std::lround(std::clamp(V, 0.0, 255.0))); };
    return byte(p.R) << 16 | byte(p.G) << 8 | byte(p.B);
  });
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qz_face OUTPUT.bmp\n");
    return 2;
  }
  // Background: dark slate, lighter towards the top.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double t = static_cast<double>(y) / (H - 1);
      Pix[y * W + x] = {38 - 20 * t, 46 - 22 * t, 58 - 24 * t};
    }
  // Grid: octave lines and 6 dB lines of the plot area below the title.
  const int top = 40, bottom = 136;
  for (int x = 10; x < W; x += 24)
    for (int y = top; y <= bottom; ++y) Blend(x, y, {90, 104, 122}, 0.35);
  for (int y = top; y <= bottom; y += 12)
    for (int x = 0; x < W; ++x) Blend(x, y, {90, 104, 122}, 0.35);

  const double zeroY = 96, dbToPx = 3.2, ceilingDb = 6.0;
  const double ceilingY = zeroY - ceilingDb * dbToPx;
  // The equaliser curve, its fill, and the limiter's ceiling that caps it.
  for (int x = 0; x < W; ++x) {
    double y = zeroY - Curve(x) * dbToPx;
    for (int yy = static_cast<int>(std::ceil(std::min(y, zeroY))); yy <= static_cast<int>(std::max(y, zeroY)); ++yy)
      Blend(x, yy, {232, 160, 48}, 0.18);
  }
  Plot([&](double X) { return zeroY - Curve(X) * dbToPx; }, 1.6, {246, 178, 64});
  Plot([&](double X) { return std::max(zeroY - Curve(X) * dbToPx, ceilingY); }, 2.2, {120, 220, 255});
  for (int x = 0; x < W; x += 6)
    for (int dx = 0; dx < 3; ++dx) Blend(x + dx, static_cast<int>(ceilingY), {236, 72, 72}, 0.9);

  Text("QUILLMERE", 10, 8, 2, {236, 236, 240});
  Text("CURVE & CAP", 126, 15, 1, {246, 178, 64});
  // Frame.
  for (int x = 0; x < W; ++x) {
    Blend(x, 0, {140, 150, 170}, 1);
    Blend(x, H - 1, {10, 12, 16}, 1);
  }
  for (int y = 0; y < H; ++y) {
    Blend(0, y, {140, 150, 170}, 1);
    Blend(W - 1, y, {10, 12, 16}, 1);
  }
  if (!WriteBmp(argv[1])) {
    std::fprintf(stderr, "qz_face: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
