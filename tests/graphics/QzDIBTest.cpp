#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "graphics/QzDIB.h"
#include "platform/Graphics.h"

namespace {

TEST(DIB, PixelAddressesCountFromTheTopOfBottomUpMemory) {
  TQzDIB dib(4, 3);
  ASSERT_NE(dib.GetBits(), nullptr);
  const uint8_t* bits = dib.GetBits();
  EXPECT_EQ(std::vector<int64_t>({dib.GetRowStride(), dib.GetImageSize(), dib.GetPixelBits(), dib.GetPixelPtr(0, 0) - bits,
                                  dib.GetPixelPtr(3, 2) - bits, GetDIBPixelAddr(&dib, 3, 2) - bits}),
            std::vector<int64_t>({16, 48, 32, 32, 12, 12}));
  // What the canvas draws is what the addresses see.
  dib.GetCanvas()->SetPixel(1, 0, RGB(10, 20, 30));
  EXPECT_EQ(std::vector<uint8_t>(dib.GetPixelPtr(1, 0), dib.GetPixelPtr(1, 0) + 3), std::vector<uint8_t>({30, 20, 10}));
  dib.GetPixelPtr(2, 2)[2] = 200;
  EXPECT_EQ(dib.GetCanvas()->GetPixel(2, 2), RGB(200, 0, 0));
}

TEST(DIB, ResizingKeepsOrRemakesTheSection) {
  TQzDIB dib(8, 8);
  uint8_t* bits = dib.GetBits();
  HDC dc = dib.GetDC();
  EXPECT_TRUE(dib.SetSize(8, 8));
  EXPECT_EQ(dib.GetBits(), bits);
  EXPECT_EQ(dib.GetDC(), dc);
  // Many resizes: every old section goes (the sanitizer build would report one left behind).
  for (int i = 1; i <= 50; ++i) ASSERT_TRUE(dib.SetSize(static_cast<uint16_t>(i), 3));
  EXPECT_EQ(dib.GetWidth(), 50);
  EXPECT_EQ(dib.GetCanvas()->GetHandle(), dib.GetDC());
  EXPECT_EQ(QzGetSelectedBitmap(dib.GetDC()), dib.GetSection());
}

TEST(DIB, NoSectionMeansNoPixelsAndNoDrawing) {
  struct Case { uint16_t W, H; uint16_t KeptW, KeptH; };
  // A zero side (the size is kept), and sides the system cannot make a section of (0 x 0).
  const Case cases[] = {{0, 5, 0, 5}, {5, 0, 5, 0}, {40000, 2, 0, 0}, {2, 65535, 0, 0}};
  for (const Case& c : cases) {
    TQzDIB dib(7, 7);
    SCOPED_TRACE(testing::Message() << c.W << "x" << c.H);
    auto state = [&dib] {
      return std::tuple(dib.GetSection(), dib.GetDC(), dib.GetBits(), dib.GetPixelPtr(0, 0), dib.GetCanvas()->GetHandle(),
                        dib.GetPixelBits(), dib.GetWidth(), dib.GetHeight());
    };
    const auto none = std::tuple(HBITMAP(), HDC(), static_cast<uint8_t*>(nullptr), static_cast<uint8_t*>(nullptr), HDC(), 0, c.KeptW, c.KeptH);
    EXPECT_FALSE(dib.SetSize(c.W, c.H));
    EXPECT_EQ(state(), none);
    EXPECT_FALSE(dib.SetSize(c.W, c.H));
    EXPECT_EQ(state(), none);
    dib.GetCanvas()->FillRect(Rect(0, 0, 5, 5));  // draws nothing, and does not crash
    EXPECT_TRUE(dib.SetSize(3, 3));
  }
}

TEST(DIB, WideSectionsKeepTheirStride) {
  TQzDIB dib(20000, 2);
  ASSERT_NE(dib.GetBits(), nullptr);
  EXPECT_EQ(std::vector<int64_t>({dib.GetRowStride(), dib.GetPixelPtr(19999, 1) - dib.GetBits(), dib.GetPixelPtr(0, 0) - dib.GetBits()}),
            std::vector<int64_t>({80000, 79996, 80000}));
}

TEST(PixelAddress, ToolkitPicturesByDepth) {
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
}

TEST(PixelAddress, OwnRoutinesNeedThePixelInterface) {
  TObject plain;
  for (TQzPixelAddrProc proc : {GetTGAPixelAddr, GetTIFPixelAddr, GetEPFPixelAddr, GetQzBitmapPixelAddr})
    EXPECT_EQ(proc(&plain, 0, 0), nullptr);
  TQzDIB dib(3, 3);
  EXPECT_EQ(GetTIFPixelAddr(&dib, 1, 1), dib.GetPixelPtr(1, 1));
}

TEST(PixelAccess, BlendReachesBothEndsAndRoundsInBetween) {
  for (uint32_t a = 0; a < 256; a += 5)
    for (uint32_t b = 0; b < 256; b += 3) {
      EXPECT_EQ(QzBlendByte(a, b, 0), a);
      EXPECT_EQ(QzBlendByte(a, b, 255), b);
      for (uint32_t w = 0; w < 256; w += 7) {
        const double exact = (a * (255.0 - w) + b * static_cast<double>(w)) / 255.0;
        ASSERT_EQ(QzBlendByte(a, b, w), static_cast<uint8_t>(exact + 0.5)) << a << " " << b << " " << w;
      }
    }
}

}  // namespace
