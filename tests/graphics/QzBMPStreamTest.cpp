#include <gtest/gtest.h>

#include <cstring>

#include "FormatsTestUtil.h"
#include "core/QzFileClasses.h"
#include "graphics/QzBMP.h"
#include "graphics/QzBMPStream.h"
#include "graphics/QzPicExifData.h"
#include "tests/common/TestPixels.h"

namespace {

void SetPixel(TQzBitmap& B, int X, int Y, std::initializer_list<uint8_t> Bytes) {
  std::memcpy(B.GetPixelPtr(X, Y), Bytes.begin(), Bytes.size());
}

TEST(QzBMPStream, StorageModesRoundTrip) {
  struct Case { uint8_t Format; uint8_t Alpha, Mask; uint8_t Mode; int64_t Size; };
  // 3 x 2 pixels; one pixel carries the alpha and / or mask value.
  const Case cases[] = {
      {1, 255, 255, 1, 64 + 6 * 3}, {1, 128, 255, 2, 64 + 6 * 4}, {2, 255, 255, 1, 64 + 6 * 3},
      {2, 7, 255, 2, 64 + 6 * 4},   {2, 255, 0, 3, 64 + 6 * 4},   {2, 0, 200, 5, 64 + 6 * 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.Format) << " " << int(c.Mode));
    TQzBitmap a;
    a.SetPixelFormat(c.Format);
    ASSERT_TRUE(a.SetBitmapSize(3, 2));
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) SetPixel(a, x, y, {uint8_t(x), uint8_t(y), uint8_t(x * 10 + y)});
    a.GetPixelPtr(2, 1)[3] = c.Alpha;
    if (c.Format == 2) a.GetPixelPtr(1, 0)[4] = c.Mask;
    TMemoryStream s;
    a.SaveToStream(&s);
    EXPECT_EQ(s.GetSize(), c.Size);
    EXPECT_EQ(s.Memory()[14], c.Mode);
    s.SetPosition(0);
    TQzBitmap b;  // a 4-byte bitmap: a 40-bit stream makes it 5-byte
    b.LoadFromStream(&s);
    EXPECT_EQ(b.GetErrorCode(), 0u);
    EXPECT_EQ(b.GetBitCount(), a.GetBitCount());
    EXPECT_EQ(PixelBytes(b), PixelBytes(a));
    EXPECT_EQ(s.GetPosition(), s.GetSize());
  }
}

TBytes Stream(const char* Magic, uint8_t Version, uint16_t W, uint16_t H, uint8_t Bits, uint8_t Mode,
              size_t PixelBytes, uint16_t HeaderSize = 64) {
  TBytes b(HeaderSize, 0);
  std::memcpy(b.data(), Magic, 4);
  b[4] = Version;
  b[5] = 5;
  b[6] = static_cast<uint8_t>(HeaderSize), b[7] = static_cast<uint8_t>(HeaderSize >> 8);
  b[8] = static_cast<uint8_t>(W), b[9] = static_cast<uint8_t>(W >> 8);
  b[10] = static_cast<uint8_t>(H), b[11] = static_cast<uint8_t>(H >> 8);
  b[12] = Bits;
  b[14] = Mode;
  for (size_t i = 0; i < PixelBytes; ++i) b.push_back(static_cast<uint8_t>(i * 3 + 1));
  return b;
}

TEST(QzBMPStream, ReaderCases) {
  struct Case { const char* Name; TBytes Data; uint32_t Error; int W, H; };
  const Case cases[] = {
      {"QBMP magic", Stream("QBMP", 1, 2, 1, 32, 1, 6), 0, 2, 1},
      {"version 7", Stream("QZBM", 7, 2, 1, 32, 1, 6), 0, 2, 1},
      {"header size 80", Stream("QZBM", 1, 2, 1, 32, 1, 6, 80), 0, 2, 1},
      {"bit count 80 stores nothing", Stream("QZBM", 1, 2, 1, 80, 0, 0), 0, 0, 0},
      {"version 0", Stream("QZBM", 0, 2, 1, 32, 1, 6), Code(1604, 604), 0, 0},
      {"wrong magic", Stream("QZBX", 1, 2, 1, 32, 1, 6), Code(1603, 603), 0, 0},
      {"header size 8", [] { TBytes b = Stream("QZBM", 1, 2, 1, 32, 1, 6); b[6] = 8; return b; }(), Code(1603, 603), 0, 0},
      {"width above 15000", Stream("QZBM", 1, 15001, 1, 32, 1, 15001 * 3), Code(1501, 605), 0, 0},
      {"height above 15000", Stream("QZBM", 1, 1, 15001, 32, 1, 15001 * 3), Code(1501, 605), 0, 0},
      {"mode 3 at 32 bits", Stream("QZBM", 1, 2, 1, 32, 3, 8), Code(1501, 605), 0, 0},
      {"mode 4 at 40 bits", Stream("QZBM", 1, 2, 1, 40, 4, 8), Code(1501, 605), 0, 0},
      {"huge 64-bit buffer", Stream("QZBM", 1, 15000, 15000, 64, 0, 0), Code(1501, 605), 0, 0},
      {"bit count 24", Stream("QZBM", 1, 2, 1, 24, 1, 6), Code(1501, 606), 0, 0},
      {"rows cut short", Stream("QZBM", 1, 2, 2, 32, 2, 15), Code(1002, 607), 0, 0},
      {"15000 x 15000 from a few bytes", Stream("QZBM", 1, 15000, 15000, 40, 5, 10), Code(1002, 607), 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TByteStream s(c.Data);
    TQzBitmap b;
    b.LoadFromStream(&s);
    EXPECT_EQ(b.GetErrorCode(), c.Error);
    EXPECT_EQ(b.GetWidth(), c.W);
    EXPECT_EQ(b.GetHeight(), c.H);
    if (c.Error == 0 && c.W > 0) {
      EXPECT_EQ(TBytes(b.GetPixelPtr(0, 0), b.GetPixelPtr(0, 0) + 8), (TBytes{1, 4, 7, 255, 10, 13, 16, 255}));
    }
  }
  TQzBitmap b;
  TByteStream s(Stream("QZBM", 1, 2, 1, 24, 1, 6));
  b.LoadFromStream(&s);
  EXPECT_EQ(b.GetBitCount(), 24);  // the stored block stays, with no size
  TQzBitmap n;
  n.SetBitmapSize(2, 2);
  n.LoadFromStream(nullptr);
  EXPECT_EQ(n.GetErrorCode(), Code(1000, 601));
  EXPECT_TRUE(n.GetEmpty());
}

TEST(QzBMPStream, WriterErrors) {
  TQzBitmap b;
  b.SetBitmapSize(4, 4);
  ExpectRaisingWriterErrors(b, "", Code(1000, 501), {{10, Code(1001, 502)}, {40, Code(1001, 502)}, {70, Code(1001, 503)}});
}

}  // namespace
