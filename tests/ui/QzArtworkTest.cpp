#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <numbers>
#include <string>

#include "tests/common/UiHeaders.h"

namespace {

constexpr TColor KeyColor = 0xFF00FF;  // RGB(255, 0, 255)

int Red(TColor C) { return C & 0xFF; }
int Green(TColor C) { return (C >> 8) & 0xFF; }

std::unique_ptr<TPicture> LoadPicture(const std::string& Name) {
  auto p = std::make_unique<TPicture>();
  p->LoadFromResourceName(HInstance, Name);
  return p;
}

TEST(Artwork, EveryResourceLoadsWithItsSizeAndFormat) {
  // Keyed: bottom-left pixel is the transparency key.
  struct TCase { const char* Name; const char* Type; int W, H; TPixelFormat Format; bool Keyed; };
  // One of each family (the others of a family share its size and format).
  const TCase cases[] = {
      {"QZEDITUP", "BMP", 7, 4, pf24bit, true},          {"QzCheckBox", "BMP", 15, 15, pf24bit, true},
      {"QzSliderHorz01", "BMP", 27, 15, pf24bit, true},  {"QZSLIDERBTNRIGHT", "BMP", 7, 7, pf24bit, true},
      {"QZBSBTNPLUS", "BMP", 8, 8, pf24bit, true},       {"QZALIGNMIDDLE", "BMP", 16, 16, pf24bit, true},
      {"QZAUDIOSW10", "BMP", 48, 24, pf24bit, true},     {"QZSLIDERCAP", "BMP", 26, 52, pf24bit, true},
      {"QZVUSCALE02", "BMP", 250, 155, pf24bit, false},  {"QZKNOBSTRIP", "PNG", 64, 64 * 101, pf24bit, false},
      {"QZGROUPBOXBG", "PNG", 1014, 519, pf24bit, false}, {"QZTOOLBAR22", "PNG", 66, 22, pf32bit, false},
      {"QZABOUTBOX", "PNG", 600, 354, pf24bit, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TQzResource* res = QzFindResource(c.Name);
    ASSERT_NE(res, nullptr);
    EXPECT_STREQ(res->Type, c.Type);
    auto pic = LoadPicture(c.Name);
    auto* raster = dynamic_cast<TRasterImage*>(pic->GetGraphic());
    ASSERT_NE(raster, nullptr);
    EXPECT_TRUE(std::string(c.Type) == "BMP" ? !!dynamic_cast<TBitmap*>(raster)
                                             : !!dynamic_cast<TPortableNetworkGraphic*>(raster));
    EXPECT_EQ(std::tuple(raster->GetWidth(), raster->GetHeight(), raster->GetPixelFormat(), raster->GetHasAlpha()),
              std::tuple(c.W, c.H, c.Format, c.Format == pf32bit));
    if (c.Keyed) {
      EXPECT_EQ(raster->GetCanvas()->GetPixel(0, c.H - 1), KeyColor);
    }
  }
  // The controls load bitmaps by name without regard to case.
  TBitmap b;
  b.LoadFromResourceName(HInstance, "qzchecked");
  EXPECT_EQ(b.GetWidth(), 15);
}

// The knob shows frame round((N - 1) * angle / 270); its pointer must then point where the
// angle says: 0 lower left, 135 up, 270 lower right (directions in degrees from up, positive
// to the left). The pointer is the brightest amber in the frame.
TEST(Artwork, KnobFramesPointAlongTheirAngle) {
  auto pic = LoadPicture("QZKNOBSTRIP");
  TCanvas* canvas = dynamic_cast<TRasterImage*>(pic->GetGraphic())->GetCanvas();
  const int side = pic->GetWidth(), frames = pic->GetHeight() / side;
  ASSERT_EQ(frames, 101);
  const struct {
    int Frame;
    double Direction;
  } cases[] = {{0, 135.0}, {25, 67.5}, {50, 0.0}, {75, -67.5}, {100, -135.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Frame);
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        const TColor p = canvas->GetPixel(x, c.Frame * side + y);
        if (Red(p) > 220 && Green(p) > 160) sx += x + 0.5 - side / 2.0, sy += y + 0.5 - side / 2.0, ++n;
      }
    ASSERT_GT(n, 10);
    const double direction = std::atan2(-sx, -sy) * 180.0 / std::numbers::pi;
    EXPECT_NEAR(direction, c.Direction, 3.0);
  }
}

// The scale's marks must lie where the meter's needle law puts each level: the law's anchor
// points, and a mark at each of them on the picture; past both ends the face is empty.
TEST(Artwork, VuScaleMarksLieOnTheNeedleLaw) {
  const struct {
    int Db;
    float Angle;
  } anchors[] = {{-20, 48.0f}, {-10, 34.2f}, {-7, 24.8f},  {-5, 17.6f},  {-3, 5.1f},   {-2, -1.8f},
                 {-1, -9.05f}, {0, -16.0f},  {1, -27.0f},  {2, -36.3f},  {3, -49.3f}};
  static_assert(std::size(anchors) == QzArt::VuLabelledDb.size());
  TBitmap scale;
  scale.LoadFromResourceName(HInstance, "QZVUSCALE01");
  // The least green pixel within one pixel of the point: marks are antialiased lines, and their
  // neighbours on the scale lie several pixels away.
  auto greenAt = [&scale](double AngleDeg, double Radius) {
    double x, y;
    QzArt::VuPointAt(AngleDeg, Radius, x, y);
    int least = 255;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        least = std::min(least, Green(scale.GetCanvas()->GetPixel(static_cast<int>(std::lround(x)) + dx,
                                                                   static_cast<int>(std::lround(y)) + dy)));
    return least;
  };
  for (size_t i = 0; i < std::size(anchors); ++i) {
    SCOPED_TRACE(anchors[i].Db);
    EXPECT_EQ(QzArt::VuLabelledDb[i], anchors[i].Db);
    EXPECT_FLOAT_EQ(QzArt::VuAngleForDb(anchors[i].Db), anchors[i].Angle);
    EXPECT_LT(greenAt(anchors[i].Angle, 106), 90);  // ink or red, not the cream face
  }
  EXPECT_GT(std::min(greenAt(48.0 + 4, 106), greenAt(-49.3 - 4, 106)), 160);
  // Between table steps the meter rounds to the nearest tenth, halves to even.
  EXPECT_EQ(std::tuple(QzArt::VuAngleForDb(-0.25), QzArt::VuAngleForDb(10.0), QzArt::VuAngleForDb(-80.0)),
            std::tuple(QzArt::VuAngleTable()[198], -49.3f, 48.0f));
}

}  // namespace
