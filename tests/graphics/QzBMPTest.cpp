#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "FormatsTestUtil.h"
#include "core/QzFileClasses.h"
#include "graphics/QzBMP.h"
#include "graphics/QzBMPStream.h"
#include "graphics/QzCheckerboard.h"
#include "graphics/QzEPF.h"
#include "graphics/QzPicExifData.h"
#include "graphics/QzTIF.h"
#include "platform/Clipbrd.h"
#include "platform/Graphics.h"
#include "tests/common/TestPixels.h"

namespace {

using TBytes = std::vector<uint8_t>;

void Put(TQzBitmap* B, int X, int Y, uint8_t Bl, uint8_t G, uint8_t R, uint8_t A) {
  uint8_t* p = B->GetPixelPtr(X, Y);
  p[0] = Bl, p[1] = G, p[2] = R, p[3] = A;
}

// The bytes of one pixel, as many as the format has.
TBytes Px(TQzBitmap* B, int X, int Y) {
  const uint8_t* p = B->GetPixelPtr(X, Y);
  return TBytes(p, p + B->GetBytesPerPixel());
}

TEST(QzBitmap, NewPixelsAreWhiteAndOpaque) {
  TQzBitmap b;
  EXPECT_EQ(std::tuple(b.GetEmpty(), b.GetBitCount(), b.GetPixelFormat()), std::tuple(true, 32, 1));
  ASSERT_TRUE(b.SetBitmapSize(2, 2));
  EXPECT_EQ(PixelBytes(b), TBytes(16, 0xFF));
  EXPECT_EQ(std::pair(b.HasAlpha(), b.GetTransparent()), std::pair(false, false));
  Put(&b, 1, 1, 1, 2, 3, 254);
  EXPECT_EQ(std::pair(b.HasAlpha(), b.GetTransparent()), std::pair(true, true));
  b.ResetAlpha();
  EXPECT_FALSE(b.HasAlpha());
  b.FillColor(RGB(10, 20, 30));
  EXPECT_EQ(Px(&b, 1, 1), (TBytes{30, 20, 10, 255}));
}

TEST(QzBitmap, Sizes) {
  struct Case { int W, H, WantW, WantH; bool Empty; };
  const Case cases[] = {{20000, 10, 15000, 10, false}, {0, 10, 0, 0, true}, {10, 0, 0, 0, true},
                        {-5, 3, 0, 0, true},          {1, 1, 1, 1, false}, {15000, 1, 15000, 1, false}};
  auto shape = [](TQzBitmap& B) {
    return std::vector<int64_t>{B.GetWidth(), B.GetHeight(), B.GetEmpty(), B.GetBufferSize()};
  };
  for (const Case& c : cases) {
    auto b = QzBitmap(3, 3);
    b->SetBitmapSize(c.W, c.H);
    EXPECT_EQ(shape(*b), (std::vector<int64_t>{c.WantW, c.WantH, c.Empty, c.WantW * c.WantH * 4})) << c.W << "x" << c.H;
  }
  // The toolkit's way: width, then height.
  TQzBitmap b;
  b.SetWidth(7);
  EXPECT_TRUE(b.GetEmpty());
  b.SetHeight(5);
  EXPECT_EQ(shape(b), (std::vector<int64_t>{7, 5, 0, 140}));
  b.Clear();
  EXPECT_EQ(shape(b), (std::vector<int64_t>{0, 0, 1, 0}));
}

TEST(QzBitmap, PixelFormatConversions) {
  auto b = QzBitmap(3, 2);
  Put(b.get(), 2, 1, 9, 8, 7, 100);
  b->SetPixelFormat(2);
  EXPECT_EQ(b->GetBitCount(), 40);
  EXPECT_EQ(Px(b.get(), 2, 1), (TBytes{9, 8, 7, 100, 255}));
  EXPECT_FALSE(b->HasMask());
  b->FillMask(3);
  EXPECT_TRUE(b->HasMask());

  // A bad format keeps the picture and says so.
  b->SetPixelFormat(9);
  EXPECT_EQ(b->GetErrorCode(), MakeErrorCode(qecBadSignature, 606));
  EXPECT_EQ(b->GetBitCount(), 40);
  EXPECT_EQ(b->GetPixelPtr(2, 1)[0], 9);
  // Asking for the format starts a new status.
  EXPECT_EQ(b->GetPixelFormat(), 2);
  EXPECT_EQ(b->GetErrorCode(), 0u);

  // Any other conversion leaves a white, opaque picture of the same size.
  b->SetPixelFormat(1);
  EXPECT_EQ(b->GetWidth(), 3);
  EXPECT_EQ(Px(b.get(), 2, 1), TBytes(4, 255));

  // Without pixels only the bit count changes; formats 3 and 4.
  TQzBitmap e;
  const std::pair<uint8_t, uint8_t> bits[] = {{3, 64}, {4, 80}, {2, 40}, {7, 32}, {0, 32}};
  for (auto [format, count] : bits) {
    e.SetPixelFormat(format);
    EXPECT_EQ(e.GetBitCount(), count);
    EXPECT_EQ(e.GetErrorCode(), 0u);
  }
  e.SetPixelFormat(3);
  EXPECT_TRUE(e.SetBitmapSize(2, 2));
  EXPECT_EQ(e.GetBufferSize(), 32u);
  e.SetPixelFormat(4);
  EXPECT_TRUE(e.SetBitmapSize(2, 2));
  EXPECT_TRUE(e.GetEmpty());
  EXPECT_EQ(e.GetWidth(), 0);
  EXPECT_EQ(e.GetPixelBits(), 0);
}

TEST(QzBitmap, CopyPixelsOnlyWhereBothHavePixels) {
  auto big = QzBitmap(6, 5, 2), small = QzBitmap(2, 3, 1);
  Put(small.get(), 1, 2, 1, 2, 3, 4);
  big->CopyPixels(small.get());
  EXPECT_EQ(Px(big.get(), 1, 2), (TBytes{1, 2, 3, 4, 255}));
  EXPECT_EQ(Px(big.get(), 5, 4), TBytes(5, 255));
  auto same = QzBitmap(2, 2, 1);
  small->CopyPixels(QzBitmap(9, 9, 1).get());  // larger source: only the common part is read
  same->CopyPixels(small.get());
  EXPECT_EQ(same->GetPixelPtr(1, 1)[0], 255);
}

TEST(QzBitmap, AssignBitmapCopiesEverything) {
  auto a = QzBitmap(4, 3, 2);
  Put(a.get(), 3, 2, 5, 6, 7, 8);
  a->GetColorTable()[0][7][5] = 99;
  a->SetHeaderFlag(3);
  TQzBitmap b, c;
  EXPECT_FALSE(b.AssignBitmap(nullptr));
  EXPECT_EQ(b.GetErrorCode(), MakeErrorCode(qecInvalidArgument, 251));
  EXPECT_TRUE(b.AssignBitmap(a.get()));
  c.Assign(a.get());
  for (TQzBitmap* copy : {&b, &c}) {
    EXPECT_EQ(std::memcmp(&copy->GetHeader(), &a->GetHeader(), 16), 0);
    EXPECT_EQ(PixelBytes(*copy), PixelBytes(*a));
    EXPECT_EQ(copy->GetColorTable()[0][7][5], 99);
  }
}

// Toolkit pictures of 24 bits give opaque pixels, of 32 bits their alpha when they have one (a
// PNG's included); the own pictures and the clipboard copy theirs. The result has 5-byte pixels.
TEST(QzBitmap, AssignFromOtherPictures) {
  auto b24 = FilledBitmap(3, 2, clBlack, pf24bit);
  b24->GetScanLine(1)[6] = 11;
  TPortableNetworkGraphic png;
  png.SetPixelFormat(pf32bit);
  png.SetHasAlpha(true);
  png.SetSize(3, 2);
  for (int y = 0; y < 2; ++y) std::memset(png.GetScanLine(y), 255, 12);
  png.GetScanLine(1)[8 + 3] = 100;
  TJPEGImage jpeg;
  jpeg.SetPixelFormat(pf24bit);
  jpeg.SetSize(3, 2);
  // A 32-bit bitmap without alpha is opaque, whatever its fourth bytes hold.
  auto b32 = FilledBitmap(3, 2, clBlack, pf32bit);
  b32->GetScanLine(1)[8] = 11;
  TQzTIFImage tif;
  tif.SetSize(2, 2);
  std::memset(tif.GetPixelPtr(0, 0), 7, 16);
  TQzEPFImage epf, epf16, empty;
  epf.SetPixelFormat(2);  // 24 bits: opaque
  epf.SetSize(2, 1);
  std::memset(epf.GetPixelPtr(0, 0), 9, 6);
  epf16.SetPixelFormat(1);
  epf16.SetSize(2, 1);
  auto clip = FilledBitmap(4, 3, clBlack, pf24bit);
  clip->GetCanvas()->SetPixel(3, 2, RGB(9, 8, 7));
  DrawCheckerboard(clip->GetCanvas(), Rect(0, 0, 2, 2), 1, clRed, clBlue);
  Clipboard()->Assign(clip.get());
  auto b16 = FilledBitmap(2, 2, clBlack, pf16bit), wide = FilledBitmap(15001, 1, clBlack, pf24bit);
  // Last: the bytes of the bottom-right pixel; Alpha: the alpha of (0, 0).
  struct Case { const char* Name; TPersistent* Source; std::string Error; int W, H; TBytes Last; int Alpha; };
  const Case cases[] = {
      {"24 bits", b24.get(), "", 3, 2, {11, 0, 0, 255, 255}, 255},
      {"PNG", &png, "", 3, 2, {255, 255, 255, 100, 255}, 255},
      {"JPEG", &jpeg, "", 3, 2, {0, 0, 0, 255, 255}, 255},
      {"32 bits", b32.get(), "", 3, 2, {11, 0, 0, 255, 255}, 255},
      {"TIFF", &tif, "", 2, 2, {7, 7, 7, 7, 255}, 7},
      {"EPF", &epf, "", 2, 1, {9, 9, 9, 255, 255}, 255},
      {"clipboard", Clipboard(), "", 4, 3, {7, 8, 9, 255, 255}, 255},
      {"empty EPF", &empty, "", 0, 0, {}, 0},
      {"16-bit EPF", &epf16, "UNKNWON PICTURE TYPE", 0, 0, {}, 0},
      {"16 bits", b16.get(), "UNKNWON PICTURE TYPE", 0, 0, {}, 0},
      {"too wide", wide.get(), ErrorCodeToStr(MakeErrorCode(qecInvalidArgument, 901)), 0, 0, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TQzBitmap q;
    EXPECT_EQ(AssignError(q, c.Source), c.Error);
    if (!c.Error.empty()) continue;
    ASSERT_EQ(std::tuple(q.GetWidth(), q.GetHeight()), std::tuple(c.W, c.H));
    if (c.W == 0) continue;
    EXPECT_EQ(std::tuple(q.GetPixelFormat(), q.GetErrorCode(), q.GetPixelPtr(0, 0)[3]), std::tuple(2, 0u, c.Alpha));
    EXPECT_EQ(Px(&q, c.W - 1, c.H - 1), c.Last);
  }
  TQzBitmap q;
  q.Assign(Clipboard());
  EXPECT_EQ(std::pair(q.HasAlpha(), Px(&q, 1, 0)), std::pair(false, TBytes{255, 0, 0, 255, 255}));
  EXPECT_THROW(q.Assign(nullptr), EConvertError);
}

TEST(QzBitmap, AssignToToolkitBitmaps) {
  auto q = QzBitmap(2, 2);
  Put(q.get(), 0, 0, 0, 0, 255, 255);  // opaque red
  Put(q.get(), 1, 0, 0, 0, 255, 0);    // transparent red
  Put(q.get(), 0, 1, 0, 0, 255, 128);  // half red
  Put(q.get(), 1, 1, 40, 50, 60, 70);
  auto b32 = FilledBitmap(1, 1, clBlack, pf32bit);
  b32->Assign(q.get());
  ASSERT_EQ(b32->GetWidth(), 2);
  EXPECT_TRUE(b32->GetHasAlpha());
  EXPECT_EQ(std::memcmp(b32->GetScanLine(1) + 4, q->GetPixelPtr(1, 1), 4), 0);
  TQzBitmap back;
  back.Assign(b32.get());
  EXPECT_EQ(Px(&back, 1, 0), (TBytes{0, 0, 255, 0, 255}));
  EXPECT_EQ(Px(&back, 0, 1), (TBytes{0, 0, 255, 128, 255}));
  // 24 bits: blended over what the bitmap held (black after sizing).
  auto b24 = FilledBitmap(2, 2, clBlack, pf24bit);
  b24->Assign(q.get());
  EXPECT_EQ(ColorsOf(b24.get()), std::vector<TColor>({RGB(255, 0, 0), 0, RGB(128, 0, 0), RGB(16, 14, 11)}));
}

TEST(QzBitmap, CopyToRasterImageScalesWithinTheSource) {
  // A 1 x 1 picture over a larger destination: every destination pixel takes the one source
  // pixel (rounding must not step past it).
  auto q = QzBitmap(1, 1);
  Put(q.get(), 0, 0, 1, 2, 3, 255);
  auto b = FilledBitmap(3, 3, clBlack, pf32bit);
  q->CopyToRasterImage(b.get(), Rect(-4, -4, 99, 99));
  EXPECT_EQ(ColorsOf(b.get()), std::vector<TColor>(9, RGB(3, 2, 1)));
  auto wide = QzBitmap(3, 1);
  Put(wide.get(), 2, 0, 9, 9, 9, 255);
  auto two = FilledBitmap(2, 1, clBlack, pf32bit);
  wide->CopyToRasterImage(two.get(), Rect(0, 0, 2, 1));
  EXPECT_EQ(two->GetCanvas()->GetPixel(1, 0), RGB(9, 9, 9));
}

// Where the fitted picture leaves the bitmap free, the checkerboard shows (cells of 3, black
// first, then 0x808080); the fit itself is checked below. The picture's colours go through the
// table, by channel, value and grey: red 30 at grey 60 becomes 1, green 2, blue 3.
TEST(QzBitmap, RenderingShowsTheCheckerboardAroundThePictureAndMapsColours) {
  auto q = QzBitmap(100, 50);
  q->FillColor(RGB(30, 60, 90));
  q->GetColorTable()[0][30][60] = 1;
  q->GetColorTable()[1][60][60] = 2;
  q->GetColorTable()[2][90][60] = 3;
  auto target = FilledBitmap(200, 200, clBlack, pf32bit);
  q->DrawToBitmap(target.get(), Rect(0, 0, 200, 200), true);
  TCanvas* c = target->GetCanvas();
  for (int y : {0, 3, 25, 49, 150, 199}) {
    const bool second = ((y / 3) % 2) == 1;
    EXPECT_EQ(c->GetPixel(0, y), second ? RGB(128, 128, 128) : RGB(0, 0, 0)) << y;
    EXPECT_EQ(c->GetPixel(3, y), second ? RGB(0, 0, 0) : RGB(128, 128, 128)) << y;
  }
  EXPECT_EQ(c->GetPixel(100, 50), RGB(1, 2, 3));
  EXPECT_EQ(target->GetScanLine(50)[100 * 4 + 3], 255);
}

TEST(QzBitmap, RenderingFitGeometry) {
  // The fitted size comes from the rectangle (halves to even), the place from the whole
  // bitmap: the picture is centred in it, not in the rectangle.
  struct Case { int W, H, BW, BH; TRect R; TRect Picture; };
  const Case cases[] = {
      {100, 50, 200, 200, Rect(0, 0, 200, 200), Rect(0, 50, 200, 150)},
      {50, 100, 200, 200, Rect(0, 0, 200, 200), Rect(50, 0, 150, 200)},
      {10, 10, 100, 60, Rect(0, 0, 40, 20), Rect(40, 20, 60, 40)},
      {10, 10, 100, 60, Rect(7, 3, 47, 23), Rect(40, 20, 60, 40)},
      {3, 1, 10, 9, Rect(0, 0, 10, 9), Rect(0, 3, 10, 6)},       // 9 / (1 / 3) = 27: too wide
      {4, 1, 10, 10, Rect(0, 0, 10, 10), Rect(0, 4, 10, 6)},     // 10 / 4 = 2.5 gives 2
      {4, 3, 11, 6, Rect(0, 0, 11, 6), Rect(1, 0, 9, 6)},        // 6 / 0.75 = 8
      {1, 3, 9, 7, Rect(0, 0, 9, 7), Rect(3, 0, 5, 7)},          // 7 / 3 = 2.33 gives 2
      // Very wide and very tall pictures fit into at least one row or column; rectangles larger
      // than the bitmap, or none at all, write nothing outside it.
      {15000, 1, 100, 100, Rect(0, 0, 100, 100), Rect(0, 49, 100, 50)},
      {1, 15000, 100, 100, Rect(0, 0, 100, 100), Rect(49, 0, 50, 100)},
      {50, 50, 100, 100, Rect(0, 0, 900, 700), Rect(0, 0, 100, 100)},
      {3, 2, 100, 100, Rect(5, 5, 5, 9), Rect(0, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    auto q = QzBitmap(c.W, c.H);
    q->FillColor(RGB(200, 100, 50));
    auto t = FilledBitmap(c.BW, c.BH);
    q->DrawToBitmapEx(t.get(), c.R, false);
    for (int y = 0; y < c.BH; ++y)
      for (int x = 0; x < c.BW; ++x) {
        const bool inside = x >= c.Picture.Left && x < c.Picture.Right && y >= c.Picture.Top && y < c.Picture.Bottom;
        ASSERT_EQ(t->GetCanvas()->GetPixel(x, y), inside ? RGB(200, 100, 50) : clWhite)
            << c.W << "x" << c.H << " into " << c.BW << "x" << c.BH << " at " << x << "," << y;
      }
  }
  // Columns and rows map to the nearest source pixel: 2 x 1 onto 5 x 2 (scale 0.4 and 0.5)
  // takes columns 0, 0, 1, 1 and, rounding past the picture, its last column again.
  auto q = QzBitmap(2, 1);
  Put(q.get(), 0, 0, 0, 0, 10, 255);
  Put(q.get(), 1, 0, 0, 0, 20, 255);
  auto t = FilledBitmap(5, 10, clBlack, pf24bit);
  q->DrawToBitmapEx(t.get(), Rect(0, 0, 5, 10), false);
  const TColor a = RGB(10, 0, 0), b = RGB(20, 0, 0);
  const auto all = ColorsOf(t.get());
  EXPECT_EQ(std::vector<TColor>(all.begin() + 20, all.begin() + 30),
            std::vector<TColor>({a, a, b, b, b, a, a, b, b, b}));
}

TEST(QzBitmap, DrawPutsTheRenderingOnACanvas) {
  auto q = QzBitmap(4, 4);
  q->FillColor(clLime);
  auto t = FilledBitmap(20, 20, clWhite, pf32bit);
  t->GetCanvas()->StretchDraw(Rect(5, 5, 13, 13), q.get());
  EXPECT_EQ(PaintedPixels(t.get()).size(), 64u);
  EXPECT_EQ(t->GetCanvas()->GetPixel(5, 5), clLime);
  EXPECT_EQ(t->GetCanvas()->GetPixel(12, 12), clLime);
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
      for (int x = 0; x < 3; ++x) Put(&a, x, y, uint8_t(x), uint8_t(y), uint8_t(x * 10 + y), 255);
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
      {"header size 8", [] { TBytes b = Stream("QZBM", 1, 2, 1, 32, 1, 6); b[6] = 8; return b; }(),
       Code(1603, 603), 0, 0},
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
    TQzBitmap b;
    const uint32_t error = LoadBytes(b, c.Data);
    EXPECT_EQ(std::tuple(error, b.GetWidth(), b.GetHeight()), std::tuple(c.Error, c.W, c.H));
    if (c.Error != 0 || c.W == 0) continue;
    EXPECT_EQ(TBytes(b.GetPixelPtr(0, 0), b.GetPixelPtr(0, 0) + 8), (TBytes{1, 4, 7, 255, 10, 13, 16, 255}));
  }
  TQzBitmap b;
  LoadBytes(b, Stream("QZBM", 1, 2, 1, 24, 1, 6));
  EXPECT_EQ(b.GetBitCount(), 24);  // the stored block stays, with no size
  TQzBitmap n;
  n.SetBitmapSize(2, 2);
  n.LoadFromStream(nullptr);
  EXPECT_EQ(n.GetErrorCode(), Code(1000, 601));
  EXPECT_TRUE(n.GetEmpty());
}

}  // namespace
