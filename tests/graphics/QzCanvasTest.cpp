#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "FormatsTestUtil.h"
#include "graphics/QzBMP.h"
#include "graphics/QzCanvas.h"
#include "graphics/QzDIB.h"
#include "graphics/QzEPF.h"
#include "graphics/QzTGA.h"
#include "graphics/QzTIF.h"
#include "platform/Graphics.h"
#include "tests/common/TestPixels.h"

namespace {

using TPixels = std::set<std::pair<int, int>>;

// The plot routines, reachable from a test.
class TProbeCanvas : public TQzCanvas {
public:
  using TQzCustomCanvas::PlotPixel40;
  using TQzCustomCanvas::PlotWidePixel24;
};

TPixels Drawn(int W, int H, int X1, int Y1, int X2, int Y2) {
  auto b = FilledBitmap(W, H, clWhite);
  TQzCanvas c;
  c.SetTarget(b.get());
  c.Line(X1, Y1, X2, Y2);
  return PaintedPixels(b.get());
}

TEST(QzCanvas, LinesAndRuns) {
  struct Case { int X1, Y1, X2, Y2; TPixels Pixels; };
  const Case cases[] = {
      {2, 5, 7, 5, {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}}},
      {3, 3, 3, 3, {{3, 3}}},
      {4, 1, 4, 4, {{4, 1}, {4, 2}, {4, 3}}},
      // one line per octant pair (the reverse direction below); both ends included
      {0, 0, 4, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
      {4, 0, 0, 2, {{0, 2}, {1, 1}, {2, 1}, {3, 0}, {4, 0}}},
      {0, 0, 2, 4, {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}}},
      {0, 4, 2, 0, {{2, 0}, {1, 1}, {1, 2}, {0, 3}, {0, 4}}},
      {1, 1, 4, 4, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}},
      // the clip is (0, 0, 9, 9): the last row and column stay untouched
      {0, 0, 9, 9, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}}},
      {-5, -5, 20, 20, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}}},
      {-5, 3, 20, 3, {{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 3}}},
      {0, 9, 8, 9, {}},
      // runs wholly beside the clip paint nothing
      {-10, 2, -3, 2, {}},
      {12, 2, 30, 2, {}},
      {2, 15, 2, 40, {}},
  };
  // Drawn either way, a line covers the same pixels.
  for (const Case& c : cases) {
    EXPECT_EQ(Drawn(10, 10, c.X1, c.Y1, c.X2, c.Y2), c.Pixels) << c.X1 << "," << c.Y1 << " -> " << c.X2 << "," << c.Y2;
    EXPECT_EQ(Drawn(10, 10, c.X2, c.Y2, c.X1, c.Y1), c.Pixels) << c.X2 << "," << c.Y2 << " -> " << c.X1 << "," << c.Y1;
  }
  // From row 100 up to row 10 on 50 rows: rows 10 to 47.
  TPixels column;
  for (int y = 10; y <= 47; ++y) column.insert({3, y});
  EXPECT_EQ(Drawn(8, 50, 3, 100, 3, 10), column);
  // One-column and one-row targets leave runs no pixel: their clip has no columns or rows.
  EXPECT_EQ(std::pair(Drawn(1, 10, -3, 2, 5, 2), Drawn(10, 1, 2, -3, 2, 5)), std::pair(TPixels{}, TPixels{}));
}

// Targets with a proc are drawn on; own pictures draw through the work bitmap's canvas, which takes the font.
TEST(QzCanvas, Targets) {
  auto b24 = FilledBitmap(6, 5, clWhite, pf24bit), b32 = FilledBitmap(6, 5, clWhite, pf32bit);
  auto b16 = FilledBitmap(6, 5, clWhite, pf16bit);
  auto q32 = QzBitmap(6, 5), q40 = QzBitmap(6, 5, 2);
  TQzDIB dib(6, 5), emptyDib;
  TPortableNetworkGraphic png;
  png.SetSize(6, 5);
  TJPEGImage jpeg;
  jpeg.SetPixelFormat(pf24bit);
  jpeg.SetSize(6, 5);
  TObject plain;
  TQzTIFImage tif;
  tif.SetSize(6, 5);
  TQzTGAImage tga;
  tga.ResizeBuffer(6, 5);
  TQzEPFImage epf24, epf32, epf16, epfEmpty;
  epf24.SetPixelFormat(2);
  epf24.SetSize(6, 5);
  epf32.SetSize(6, 5);
  epf16.SetPixelFormat(1);
  epf16.SetSize(6, 5);
  struct Case { TObject* Target; int Bytes; TCanvas* Canvas; TQzPixelAddrProc Proc = nullptr; };
  const Case cases[] = {{b24.get(), 3, b24->GetCanvas()}, {b32.get(), 4, b32->GetCanvas()},
                        {b16.get(), 0, nullptr},          {q32.get(), 4, nullptr},
                        {q40.get(), 5, nullptr},          {&dib, 4, dib.GetCanvas(), GetDIBPixelAddr},
                        {&emptyDib, 0, nullptr},          {&png, 4, png.GetCanvas()},
                        {&jpeg, 3, jpeg.GetCanvas()},     {&plain, 0, nullptr},
                        {nullptr, 0, nullptr},            {&tif, 4, nullptr, GetTIFPixelAddr},
                        {&tga, 4, nullptr, GetTGAPixelAddr}, {&epf24, 3, nullptr, GetEPFPixelAddr},
                        {&epf32, 4, nullptr, GetEPFPixelAddr}, {&epf16, 0, nullptr},
                        {&epfEmpty, 0, nullptr}};
  TQzCanvas c;  // one canvas moved from target to target
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << (k.Target ? k.Target->ClassName() : "nil") << " " << k.Bytes);
    c.SetTarget(k.Target);
    EXPECT_EQ(std::tuple(c.GetBytesPerPixel(), c.GetTarget(), c.GetClipRect()),
              std::tuple(k.Bytes, k.Bytes ? k.Target : nullptr, k.Bytes ? Rect(0, 0, 5, 4) : Rect(0, 0, 0, 0)));
    EXPECT_EQ(c.GetTargetCanvas() == k.Canvas, k.Canvas || !k.Proc);
    if (!k.Proc) continue;
    EXPECT_EQ(c.GetPixelAddrProc(), k.Proc);
    ASSERT_NE(c.GetTargetCanvas(), nullptr);
    c.GetFont()->SetSize(17);
    EXPECT_EQ(c.GetTargetCanvas()->GetFont()->GetSize(), 17);
    c.GetPen()->SetColor(RGB(1, 2, 3));
    c.Line(0, 0, 3, 3);
    auto* access = dynamic_cast<IQzPixelAccess*>(k.Target);
    const TBytes want = k.Bytes == 4 ? TBytes{3, 2, 1, 255} : TBytes{3, 2, 1};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(TBytes(access->GetPixelPtr(i, i), access->GetPixelPtr(i, i) + k.Bytes), want);
    EXPECT_EQ(access->GetPixelPtr(4, 4)[0], 0);
  }
  // A 16-bit target stays detached: nothing drawn, by a thin or a wide pen. The clip never reaches
  // past 14999.
  c.SetTarget(b16.get());
  c.Line(0, 0, 4, 4);
  c.GetPen()->SetWidth(9);
  c.Line(0, 0, 0, 4);
  EXPECT_TRUE(PaintedPixels(b16.get()).empty());
  auto big = FilledBitmap(16000, 2, clWhite);
  c.SetTarget(big.get());
  EXPECT_EQ(c.GetClipRect(), Rect(0, 0, 14999, 1));
}

// Pen (200, 100, 50) over target (0, 255, 51): the pen weighs 255 - alpha. Blue, one apart, rounds
// up at alpha 128 from 50.502.
TEST(QzCanvas, BlendsOnEveryPixelSize) {
  const uint8_t pen[3] = {50, 100, 200}, target[3] = {51, 255, 0};  // B, G, R
  for (uint32_t alpha : {0u, 128u, 255u}) {
    uint8_t want[3];
    for (int i = 0; i < 3; ++i)
      want[i] = static_cast<uint8_t>((pen[i] * (255 - alpha) + target[i] * alpha + 127) / 255);
    auto b24 = FilledBitmap(6, 6, clWhite, pf24bit), b32 = FilledBitmap(6, 6, clWhite, pf32bit);
    auto q40 = QzBitmap(6, 6, 2);
    TObject* targets[] = {b24.get(), b32.get(), q40.get()};
    for (TObject* t : targets) {
      TQzCanvas c;
      c.SetTarget(t);
      const int bytes = c.GetBytesPerPixel();
      auto pixel = [&](int x, int y) { return c.GetPixelAddrProc()(t, x, y); };
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
          std::memcpy(pixel(x, y), target, 3);
          if (bytes >= 4) pixel(x, y)[3] = 10;
        }
      c.GetPen()->SetColor(RGB(200, 100, 50));
      c.GetPen()->SetAlpha(static_cast<uint8_t>(alpha));
      c.GetPen()->SetSmoothness(cpsNone);
      int changes = 0;
      dynamic_cast<TGraphic*>(t)->OnChange = [&](TObject*) { ++changes; };
      c.Line(1, 1, 2, 2);  // plotted
      c.Line(1, 4, 3, 4);  // a run
      EXPECT_EQ(changes, 2);  // once per line
      for (auto [x, y] : {std::pair{1, 1}, {2, 2}, {1, 4}, {2, 4}})
        EXPECT_EQ(std::vector<uint8_t>(pixel(x, y), pixel(x, y) + 3), std::vector<uint8_t>(want, want + 3))
            << bytes << " bytes, alpha " << alpha << " at " << x << "," << y;
      if (bytes == 4) {
        EXPECT_EQ(pixel(1, 1)[3], 255);  // plotted pixels are opaque
        EXPECT_EQ(pixel(1, 4)[3], 10);   // runs write colour only
      }
      if (bytes == 5) {
        EXPECT_EQ(pixel(1, 1)[3], std::min<uint32_t>(255, 10 + (255 - alpha)));
      }
      EXPECT_EQ(pixel(3, 3)[0], target[0]);
    }
  }
}

TEST(QzCanvas, SpreadOnFiveBytePixels) {
  for (int s = 0; s <= 3; ++s) {
    auto q = QzBitmap(13, 13, 2);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 13; ++x) std::memset(q->GetPixelPtr(x, y), 0, 4);
    TProbeCanvas c;
    c.SetTarget(q.get());
    c.GetPen()->SetColor(clWhite);
    c.GetPen()->SetSmoothness(static_cast<TQzCanvasPenSmoothness>(s));
    c.PlotPixel40(6, 6, 0);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 13; ++x) {
        const int d = std::abs(x - 6) + std::abs(y - 6);
        const bool inside = std::abs(x - 6) <= s && std::abs(y - 6) <= s;
        // 127 / d of white over black, the alpha byte gathering the same
        const int want = !inside ? 0 : d == 0 ? 255 : 127 / d;
        const uint8_t* p = q->GetPixelPtr(x, y);
        ASSERT_EQ(std::vector<int>({p[1], p[3], p[4]}), std::vector<int>({want, want, 255}))
            << "s " << s << " at " << x << "," << y;
      }
  }
}

TEST(QzCanvas, WidePens) {
  struct Case { uint16_t Width; int Count; };  // pixels painted around (5, 5)
  // Width 5 (half width 2): the 3 x 3 block; width 7 (3): 5 x 5 without its corners; width 2
  // and 3 (1): the pixel alone; the widest, far past the distance table, the whole bitmap.
  const Case cases[] = {{2, 1}, {3, 1}, {5, 9}, {7, 21}, {65535, 144}};
  for (const Case& k : cases) {
    auto b = FilledBitmap(12, 12, clWhite);
    TProbeCanvas c;
    c.SetTarget(b.get());
    c.GetPen()->SetWidth(k.Width);
    c.PlotWidePixel24(5, 5, 0);
    const TPixels p = PaintedPixels(b.get());
    EXPECT_EQ(p.size(), static_cast<size_t>(k.Count)) << k.Width;
    for (auto [x, y] : p) EXPECT_LT(QzCanvasDistance(x - 5, y - 5), k.Width / 2);
  }
  // Wide pens reach the last row and column (their clip edges are inclusive); on 4-byte pixels they
  // weigh the pen by the blend factor.
  for (uint8_t factor : {uint8_t{0}, uint8_t{128}, uint8_t{255}}) {
    auto b = FilledBitmap(10, 10, clWhite, pf32bit);
    TQzCanvas c;
    c.SetTarget(b.get());
    c.GetPen()->SetWidth(3);
    c.GetPen()->SetBlendFactor(factor);
    c.Line(7, 7, 9, 9);
    const uint8_t* p = b->GetScanLine(9) + 36;
    EXPECT_EQ(std::vector<int>({p[0], p[3]}), std::vector<int>({(255 * factor + 127) / 255, 255})) << int(factor);
  }
  EXPECT_EQ(std::vector<int>({QzCanvasDistance(0, 0), QzCanvasDistance(3, -4), QzCanvasDistance(1000, 1000),
                              QzCanvasDistance(-1500, 0), QzCanvasDistance(30000, 40000)}),
            std::vector<int>({0, 5, 1414, 1500, 50000}));
}

TEST(DIB, PixelAddressesCountFromTheTopAndResizesKeepOrRemakeTheSection) {
  struct Case { uint16_t W, H; int64_t Stride, Last; };  // Last: where the bottom-right pixel is
  for (const Case& c : {Case{4, 3, 16, 12}, Case{20000, 2, 80000, 79996}}) {
    TQzDIB dib(c.W, c.H);
    ASSERT_NE(dib.GetBits(), nullptr);
    const uint8_t* bits = dib.GetBits();
    const int x = c.W - 1, y = c.H - 1;
    EXPECT_EQ(std::vector<int64_t>({dib.GetRowStride(), dib.GetImageSize(), dib.GetPixelBits(),
                                    dib.GetPixelPtr(0, 0) - bits, dib.GetPixelPtr(x, y) - bits,
                                    GetDIBPixelAddr(&dib, x, y) - bits}),
              std::vector<int64_t>({c.Stride, c.Stride * c.H, 32, c.Stride * (c.H - 1), c.Last, c.Last}));
  }
  TQzDIB dib(4, 3);
  // What the canvas draws is what the addresses see.
  dib.GetCanvas()->SetPixel(1, 0, RGB(10, 20, 30));
  EXPECT_EQ(std::vector<uint8_t>(dib.GetPixelPtr(1, 0), dib.GetPixelPtr(1, 0) + 3), std::vector<uint8_t>({30, 20, 10}));
  dib.GetPixelPtr(2, 2)[2] = 200;
  EXPECT_EQ(dib.GetCanvas()->GetPixel(2, 2), RGB(200, 0, 0));
  // The same size keeps the section and its pixels; a new size remakes it, every old section going
  // (the sanitizer build would report one left behind).
  const uint8_t* bits = dib.GetBits();
  HDC dc = dib.GetDC();
  EXPECT_TRUE(dib.SetSize(4, 3));
  EXPECT_EQ(std::tuple(dib.GetBits(), dib.GetDC(), dib.GetPixelPtr(2, 2)[2]), std::tuple(bits, dc, 200));
  for (int i = 1; i <= 50; ++i) ASSERT_TRUE(dib.SetSize(static_cast<uint16_t>(i), 3));
  EXPECT_EQ(std::tuple(dib.GetWidth(), dib.GetCanvas()->GetHandle(), QzGetSelectedBitmap(dib.GetDC())),
            std::tuple(50, dib.GetDC(), dib.GetSection()));
}

TEST(DIB, NoSectionMeansNoPixelsAndNoDrawing) {
  struct Case { uint16_t W, H; uint16_t KeptW, KeptH; };
  // A zero side (the size is kept), and sides the system cannot make a section of (0 x 0).
  const Case cases[] = {{0, 5, 0, 5}, {5, 0, 5, 0}, {40000, 2, 0, 0}, {2, 65535, 0, 0}};
  for (const Case& c : cases) {
    TQzDIB dib(7, 7);
    SCOPED_TRACE(testing::Message() << c.W << "x" << c.H);
    auto state = [&dib] {
      return std::tuple(dib.GetSection(), dib.GetDC(), dib.GetBits(), dib.GetPixelPtr(0, 0),
                        dib.GetCanvas()->GetHandle(), dib.GetPixelBits(), dib.GetWidth(), dib.GetHeight());
    };
    uint8_t* const nil = nullptr;
    const auto none = std::tuple(HBITMAP(), HDC(), nil, nil, HDC(), 0, c.KeptW, c.KeptH);
    EXPECT_FALSE(dib.SetSize(c.W, c.H));
    EXPECT_EQ(state(), none);
    EXPECT_FALSE(dib.SetSize(c.W, c.H));
    EXPECT_EQ(state(), none);
    dib.GetCanvas()->FillRect(Rect(0, 0, 5, 5));  // draws nothing, and does not crash
    EXPECT_TRUE(dib.SetSize(3, 3));
  }
}

// The toolkit's pictures by depth; the own routines need the pixel interface.
TEST(PixelAddress, ByTarget) {
  struct Case { TPixelFormat Format; int Bytes; };
  const Case cases[] = {{pf24bit, 3}, {pf32bit, 4}, {pf16bit, 0}};
  for (const Case& c : cases) {
    TBitmap b;
    b.SetPixelFormat(c.Format);
    b.SetSize(5, 4);
    b.BeginUpdate();
    EXPECT_EQ(GetBitmapPixelAddr(&b, 3, 2), c.Bytes ? b.GetScanLine(2) + 3 * c.Bytes : nullptr);
    EXPECT_EQ(GetBitmapPixelAddr(&b, 0, 4), nullptr);  // no such row
    b.EndUpdate();
  }
  TJPEGImage jpeg;
  jpeg.SetPixelFormat(pf24bit);
  jpeg.SetSize(3, 3);
  EXPECT_EQ(GetJPEGPixelAddr(&jpeg, 2, 1), jpeg.GetScanLine(1) + 6);
  TPortableNetworkGraphic png;
  png.SetPixelFormat(pf32bit);
  png.SetSize(3, 3);
  EXPECT_EQ(GetPNGPixelAddr(&png, 2, 1), png.GetScanLine(1) + 8);
  TObject plain;
  for (TQzPixelAddrProc proc : {GetTGAPixelAddr, GetTIFPixelAddr, GetEPFPixelAddr, GetQzBitmapPixelAddr})
    EXPECT_EQ(proc(&plain, 0, 0), nullptr);
  TQzDIB dib(3, 3);
  EXPECT_EQ(GetTIFPixelAddr(&dib, 1, 1), dib.GetPixelPtr(1, 1));
}

}  // namespace
