#include <gtest/gtest.h>

#include <cstring>

#include "FormatsTestUtil.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzStreamIO.h"
#include "graphics/QzTGA.h"
#include "tests/common/TestPixels.h"

namespace {

TBytes Header(uint8_t Type, uint16_t W, uint16_t H, uint8_t Depth, uint8_t Descriptor, uint8_t IdLength = 0,
              uint8_t MapType = 0, uint16_t MapLength = 0, uint8_t MapBits = 0) {
  TBytes h(18, 0);
  h[0] = IdLength;
  h[1] = MapType;
  h[2] = Type;
  QzPutU16(&h[5], MapLength);
  h[7] = MapBits;
  QzPutU16(&h[12], W);
  QzPutU16(&h[14], H);
  h[16] = Depth;
  h[17] = Descriptor;
  return h;
}
TBytes Cat(std::initializer_list<TBytes> Parts) {
  TBytes r;
  for (const TBytes& p : Parts) r.insert(r.end(), p.begin(), p.end());
  return r;
}

// An empty picture writes the header alone, which the content check refuses: it wants a size and
// the pixels that size needs.
TEST(QzTGA, EmptyImageWritesTheHeaderOnlyAndContentNeedsThePixels) {
  TQzTGAImage i;
  TMemoryStream s;
  i.SaveToStream(&s);
  EXPECT_EQ(BytesOf(s), Header(2, 0, 0, 32, 0x28));
  s.SetPosition(0);
  EXPECT_FALSE(TQzTGAImage::IsStreamFormatSupported(&s));
  // A side past the limit makes no pixels.
  EXPECT_FALSE(i.ResizeBuffer(QzMaxPictureSide + 1, 1));
  EXPECT_FALSE(i.ResizeBuffer(1, QzMaxPictureSide + 1));
  EXPECT_TRUE(i.GetEmpty());
  ASSERT_TRUE(i.ResizeBuffer(2, 2));
  TMemoryStream full;
  i.SaveToStream(&full);
  full.SetPosition(0);
  EXPECT_TRUE(TQzTGAImage::IsStreamFormatSupported(&full));
  TByteStream cut(BytesOf(full), 20);
  EXPECT_FALSE(TQzTGAImage::IsStreamFormatSupported(&cut));
}

TEST(QzTGA, ReaderCases) {
  // Expected picture for the readable cases: 2 x 2, top row (red, green), bottom row (blue, white).
  const TBytes top = {0, 0, 255, 255, 0, 255, 0, 255}, bottom = {255, 0, 0, 255, 255, 255, 255, 255};
  const TBytes expected = Cat({top, bottom});
  auto to24 = [](const TBytes& P) {
    TBytes r;
    for (size_t i = 0; i < P.size(); i += 4) r.insert(r.end(), {P[i], P[i + 1], P[i + 2]});
    return r;
  };
  auto Swapped = [](const TBytes& Row) {  // its two 4-byte pixels, right one first
    return Cat({TBytes(Row.begin() + 4, Row.end()), TBytes(Row.begin(), Row.begin() + 4)});
  };
  struct Case { const char* Name; TBytes Data; uint32_t Error; TBytes Pixels; };
  const Case cases[] = {
      {"32-bit top-left", Cat({Header(2, 2, 2, 32, 0x28), top, bottom}), 0, expected},
      {"32-bit bottom-left", Cat({Header(2, 2, 2, 32, 0x08), bottom, top}), 0, expected},
      {"24-bit bottom-left after ID and colour map",
       Cat({Header(2, 2, 2, 24, 0x00, 3, 1, 2, 24), TBytes(3 + 6, 0xEE), to24(bottom), to24(top)}), 0, expected},
      {"right to left", Cat({Header(2, 2, 2, 32, 0x30), Swapped(top), Swapped(bottom)}), 0, expected},
      {"run-length 32-bit", Cat({Header(10, 2, 2, 32, 0x20), {0x01}, top, {0x00},
                                 TBytes(bottom.begin(), bottom.begin() + 4),
                                 {0x80}, TBytes(bottom.begin() + 4, bottom.end())}), 0, expected},
      {"run-length 24-bit repeat", Cat({Header(10, 2, 2, 24, 0x20), {0x83, 9, 8, 7}}), 0,
       TBytes{9, 8, 7, 255, 9, 8, 7, 255, 9, 8, 7, 255, 9, 8, 7, 255}},
      {"run-length packet past the picture", Cat({Header(10, 2, 2, 32, 0x20), {0x84, 1, 2, 3, 4}}), tgaErrPacketOverrun,
       {}},
      {"run-length data short", Cat({Header(10, 2, 2, 32, 0x20), {0x00, 1, 2, 3, 4, 0x02, 1}}), tgaErrPixelsShort, {}},
      {"pixels short", Cat({Header(2, 2, 2, 32, 0x20), top}), tgaErrPixelsShort, {}},
      {"depth 16", Cat({Header(2, 2, 2, 16, 0x20), TBytes(8, 1)}), tgaErrDepth, {}},
      {"grey type 3", Cat({Header(3, 2, 2, 32, 0x20), TBytes(16, 1)}), tgaErrUnsupportedType, {}},
      {"colour-mapped type 1", Cat({Header(1, 2, 2, 24, 0x20), TBytes(12, 1)}), tgaErrUnsupportedType, {}},
      {"type 0", Header(0, 2, 2, 32, 0x20), tgaErrNoImage, {}},
      {"zero width", Header(2, 0, 2, 32, 0x20), tgaErrZeroSize, {}},
      {"side above 15000", Header(2, 15001, 2, 32, 0x20), tgaErrTooLarge, {}},
      {"huge picture, tiny file", Cat({Header(10, 15000, 15000, 32, 0x20), {0xFF, 1, 2, 3, 4}}), tgaErrPixelsShort, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TQzTGAImage i;
    EXPECT_EQ(LoadBytes(i, c.Data), c.Error);
    EXPECT_TRUE(c.Error == 0 || c.Error == tgaErrPacketOverrun || c.Error == tgaErrPixelsShort || i.GetEmpty());
    EXPECT_EQ(i.GetWidth() == 0, i.GetEmpty());
    if (c.Pixels.empty()) continue;
    EXPECT_EQ(PixelBytes(i), c.Pixels);
  }
}

}  // namespace
