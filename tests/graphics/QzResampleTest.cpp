#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/QzFileClasses.h"
#include "graphics/QzBMP.h"
#include "graphics/QzResample.h"
#include "graphics/QzTIF.h"
#include "platform/Graphics.h"
#include "tests/common/TestPixels.h"

namespace {

TEST(Resample, KernelsAtTheirZerosAndJoins) {
  struct Case { TQzResampleFilter K; float At0, Reach; std::vector<float> Joins; };
  const Case cases[] = {
      {ResampleFilterLanczos3, 1.0f, 3.0f, {}},
      {ResampleFilterMitchell, 8.0f / 9.0f, 2.0f, {1.0f}},
      {ResampleFilterHermite, 1.0f, 1.0f, {}},
      {ResampleFilterBell, 0.75f, 1.5f, {0.5f}},
      {ResampleFilterBSpline, 2.0f / 3.0f, 2.0f, {1.0f}},
      {ResampleFilterTriangle, 1.0f, 1.0f, {}},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(c.K(0.0f), c.At0, 1e-6f);
    // Zero from the reach on, continuous up to it, and symmetric.
    EXPECT_EQ(std::vector<float>({c.K(c.Reach), c.K(-c.Reach), c.K(c.Reach + 0.7f)}), std::vector<float>(3, 0.0f));
    EXPECT_NEAR(c.K(c.Reach - 1e-4f), 0.0f, 1e-3f);
    for (float x = 0.05f; x < 3.5f; x += 0.1f) EXPECT_EQ(c.K(x), c.K(-x)) << x;
    for (float j : c.Joins) EXPECT_NEAR(c.K(j - 1e-5f), c.K(j + 1e-5f), 1e-4f) << j;
  }
  // Lanczos3 is zero at every integer; Mitchell at 1 is 1/18.
  for (float x : {1.0f, 2.0f, -1.0f, -2.0f}) EXPECT_NEAR(ResampleFilterLanczos3(x), 0.0f, 1e-6f);
  EXPECT_NEAR(ResampleFilterMitchell(1.0f), 1.0f / 18.0f, 1e-6f);
  EXPECT_EQ(Sinc(0.0f), 1.0f);
  EXPECT_NEAR(Sinc(0.5f), 2.0f / 3.14159265f, 1e-6f);
  // The box is half open: (-0.5, 0.5].
  EXPECT_EQ(std::vector<float>({ResampleFilterBox(0.5f), ResampleFilterBox(-0.5f), ResampleFilterBox(0.0f)}),
            std::vector<float>({1.0f, 0.0f, 1.0f}));
  EXPECT_EQ(std::vector<TQzResampleFilter>({QzResampleFilter(0), QzResampleFilter(8), QzResampleFilter(7)}),
            std::vector<TQzResampleFilter>({nullptr, nullptr, ResampleFilterBox}));
}

TEST(Resample, FlatPicturesStayFlat) {
  const TColor color = RGB(10, 200, 77);
  struct Size { int SW, SH, DW, DH; };
  // Shrinking and enlarging, strong shrinks, one-pixel sources and destinations, and sources
  // far smaller than the filters' windows.
  const Size sizes[] = {{37, 23, 250, 7}, {100, 60, 25, 15}, {2, 2, 3, 3},  {1, 1, 4, 4},
                        {5, 5, 1, 1},     {2, 1, 17, 9},     {300, 2, 3, 1}, {1000, 3, 1, 2}};
  for (uint8_t filter = 0; filter <= 7; ++filter)
    for (const Size& s : sizes) {
      auto src = FilledBitmap(s.SW, s.SH, color, pf32bit);
      TBitmap dst;
      SCOPED_TRACE(testing::Message() << "filter " << int(filter) << " " << s.SW << "x" << s.SH << " -> " << s.DW
                                      << "x" << s.DH);
      ASSERT_EQ(StretchGraphicEx(src.get(), &dst, s.DW, s.DH, filter, false), 0u);
      ASSERT_EQ(ColorsOf(&dst), std::vector<TColor>(static_cast<size_t>(s.DW * s.DH), color));
    }
}

TEST(Resample, EndsMeetAndWindowsReflectAtTheEdges) {
  // 2 x 2 to 3 x 3 with the triangle: destination columns sit over source 0, 0.5 and 1. Shrinking
  // 3 to 2 widens the triangle to two source pixels: the last column takes a quarter of source 1,
  // half of source 2 and, reflected at the right edge (2 * 3 - 1 - 3 = 2), a quarter of source 2
  // again; the first takes source 1 reflected at the left edge (-(-1) = 1).
  const TColor a = RGB(0, 0, 0), b = RGB(100, 50, 0), c = RGB(200, 100, 0);
  struct Case { int SW, DW, DH; std::vector<TColor> Want; };
  const Case cases[] = {{2, 3, 3, {a, b, c, a, b, c, a, b, c}}, {3, 2, 1, {a, RGB(150, 75, 0)}}};
  for (const Case& k : cases) {
    auto src = FilledBitmap(k.SW, k.DH == 1 ? 1 : 2, a, pf32bit);
    src->GetCanvas()->GetPen()->SetColor(c);
    src->GetCanvas()->Line(k.SW - 1, 0, k.SW - 1, 2);
    auto dst = FilledBitmap(k.DW, k.DH, clWhite, pf32bit);
    Resample(src.get(), dst.get(), ResampleFilterTriangle, 10.0f);
    EXPECT_EQ(ColorsOf(dst.get()), k.Want) << k.SW << " -> " << k.DW;
  }
  TBitmap empty;
  auto dst = FilledBitmap(3, 3, clWhite, pf32bit);
  EXPECT_THROW(Resample(&empty, dst.get(), ResampleFilterBox, 10.0f), Exception);
}

// The size the destination takes, or the error that leaves it at 3 x 3.
TEST(Resample, FittedSizesAndErrors) {
  auto red = [](int W, int H) { return FilledBitmap(W, H, clRed, pf32bit); };
  auto wide = red(400, 200), tall = red(200, 400), line = red(10000, 1), column = red(1, 10000);
  auto square = red(30, 30), src = red(4, 4), noRows = red(1, 1);
  noRows->SetSize(1, 0);
  TBitmap empty;
  TQzTIFImage flat;  // a width without a height
  flat.SetSize(4, 0);
  struct Case { TGraphic* Src; int MaxW, MaxH; uint8_t Filter; bool Keep; uint32_t Code; int W, H; };
  const Case cases[] = {
      {wide.get(), 250, 250, 0, true, 0, 250, 125},   {tall.get(), 250, 250, 0, true, 0, 125, 250},
      {wide.get(), 250, 250, 0, false, 0, 250, 250},  {line.get(), 250, 250, 0, true, 0, 250, 1},
      {column.get(), 250, 250, 0, true, 0, 1, 250},   {square.get(), 0, -4, 0, false, 0, 1, 1},
      // An unknown filter leaves the work bitmap as made: the box size, black.
      {src.get(), 6, 5, 8, false, 0, 6, 5},
      {nullptr, 5, 100000, 1, false, MakeErrorCode(qecInvalidArgument, 502), 3, 3},
      {&empty, 5, 100000, 1, false, MakeErrorCode(qecInvalidArgument, 503), 3, 3},
      {noRows.get(), 5, 5, 1, false, MakeErrorCode(qecInvalidArgument, 503), 3, 3},
      {&flat, 5, 5, 1, false, MakeErrorCode(qecInvalidArgument, 504), 3, 3},
      // a box no bitmap can take
      {src.get(), 100000, 100000, 0, false, MakeErrorCode(qecInvalidArgument, 505), 3, 3},
      {src.get(), 100000, 100000, 3, false, MakeErrorCode(qecInvalidArgument, 506), 3, 3},
  };
  for (const Case& c : cases) {
    TBitmap dst;
    dst.SetSize(3, 3);
    EXPECT_EQ(StretchGraphicEx(c.Src, &dst, c.MaxW, c.MaxH, c.Filter, c.Keep), c.Code) << c.MaxW << " " << c.Code;
    EXPECT_EQ(std::pair(dst.GetWidth(), dst.GetHeight()), std::pair(c.W, c.H)) << c.MaxW << " " << c.Code;
    if (c.Code != 0) continue;
    EXPECT_EQ(dst.GetCanvas()->GetPixel(c.W / 2, c.H / 2), c.Filter == 8 ? clBlack : clRed);
  }
  EXPECT_EQ(StretchGraphicEx(nullptr, nullptr, 5, 100000, 1, false), MakeErrorCode(qecNoDestination, 501));
  // A destination that refuses the result.
  class TRefusing : public TBitmap {
  public:
    void Assign(TPersistent*) override { throw Exception("refused"); }
  } refusing;
  for (uint8_t filter : {uint8_t{0}, uint8_t{4}, uint8_t{8}})
    EXPECT_EQ(StretchGraphicEx(src.get(), &refusing, 5, 5, filter, false), MakeErrorCode(qecInvalidArgument, 507));
  EXPECT_TRUE(refusing.GetEmpty());
}

}  // namespace
