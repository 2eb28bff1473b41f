#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/Graphics.h"
#include "platform/ImgList.h"
#include "tests/common/TestPixels.h"
#include "tests/common/TestStreams.h"

namespace {

// A picture whose pixels depend on position, with every byte value used somewhere.
void Fill(TRasterImage& B, bool Alpha) {
  for (int y = 0; y < B.GetHeight(); ++y) {
    uint8_t* row = B.GetScanLine(y);
    const int bpp = B.GetRawImage().Description.BitsPerPixel / 8;
    for (int x = 0; x < B.GetWidth(); ++x) {
      uint8_t* p = row + x * bpp;
      p[0] = static_cast<uint8_t>(x * 37 + y * 11);
      p[1] = static_cast<uint8_t>(x * 5 + y * 91);
      p[2] = static_cast<uint8_t>(x * 201 + y * 3);
      if (bpp == 4) p[3] = Alpha ? static_cast<uint8_t>(x * 13 + y * 7) : 255;
    }
  }
}

template <class T>
std::unique_ptr<T> Make(int W, int H, TPixelFormat F, bool Alpha) {
  auto b = std::make_unique<T>();
  b->SetPixelFormat(F);
  b->SetHasAlpha(Alpha);
  b->SetSize(W, H);
  Fill(*b, Alpha);
  return b;
}

bool SamePixels(TRasterImage& A, TRasterImage& B, int Tolerance = 0, bool WithAlpha = false) {
  if (A.GetWidth() != B.GetWidth() || A.GetHeight() != B.GetHeight()) return false;
  for (int y = 0; y < A.GetHeight(); ++y)
    for (int x = 0; x < A.GetWidth(); ++x) {
      const TColor a = A.GetBitmapHandle()->GetColor(x, y), b = B.GetBitmapHandle()->GetColor(x, y);
      if (std::abs(GetRValue(a) - GetRValue(b)) > Tolerance || std::abs(GetGValue(a) - GetGValue(b)) > Tolerance ||
          std::abs(GetBValue(a) - GetBValue(b)) > Tolerance)
        return false;
      if (WithAlpha && A.GetScanLine(y)[x * 4 + 3] != B.GetScanLine(y)[x * 4 + 3]) return false;
    }
  return true;
}

// Loads Data into G: whether it loaded, and G is empty exactly when it did not.
bool Loads(TGraphic& G, const std::vector<uint8_t>& Data) {
  bool loaded = true;
  try {
    G.LoadFromStream(StreamOf(Data).get());
  } catch (const EInvalidGraphic&) {
    loaded = false;
  }
  EXPECT_EQ(G.GetEmpty(), !loaded);
  return loaded;
}

// BMP and PNG keep every pixel; JPEG stays close. Whatever follows the picture stays unread, and
// every cut of the stored picture fails to load, leaving the picture empty.
TEST(PictureFormats, RoundTripsKeepThePixelsAndCutsFailCleanly) {
  struct Case { const char* Name; int W, H; TPixelFormat Format; bool Alpha; int Tolerance; };
  const Case cases[] = {{"bmp24", 3, 2, pf24bit, false, 0},  {"bmp32", 5, 3, pf32bit, false, 0},
                        {"bmp32a", 6, 4, pf32bit, true, 0},  {"png24", 3, 5, pf24bit, false, 0},
                        {"png32a", 7, 3, pf32bit, true, 0},  {"png32", 4, 4, pf32bit, false, 0},
                        {"jpeg", 40, 24, pf24bit, false, 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::unique_ptr<TRasterImage> src, dst;
    if (c.Name[0] == 'p') {
      src = Make<TPortableNetworkGraphic>(c.W, c.H, c.Format, c.Alpha);
      dst = std::make_unique<TPortableNetworkGraphic>();
    } else if (c.Name[0] == 'b') {
      src = Make<TBitmap>(c.W, c.H, c.Format, c.Alpha);
      dst = std::make_unique<TBitmap>();
    } else {
      // A smooth picture: JPEG keeps it within the tolerance.
      auto jpeg = std::make_unique<TJPEGImage>();
      jpeg->SetPixelFormat(pf24bit);
      jpeg->SetSize(c.W, c.H);
      for (int y = 0; y < c.H; ++y)
        for (int x = 0; x < c.W; ++x)
          jpeg->GetCanvas()->SetPixel(x, y, RGB(static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 10), 128));
      jpeg->SetCompressionQuality(95);
      src = std::move(jpeg);
      dst = std::make_unique<TJPEGImage>();
    }
    TMemoryStream s;
    src->SaveToStream(&s);
    const std::vector<uint8_t> data = s.Data();
    s.WriteBuffer("tail", 4);
    s.SetPosition(0);
    dst->LoadFromStream(&s);
    EXPECT_EQ(s.GetPosition(), static_cast<int64_t>(data.size()));
    EXPECT_TRUE(SamePixels(*src, *dst, c.Tolerance, c.Alpha));
    EXPECT_EQ(dst->GetHasAlpha(), c.Alpha);
    EXPECT_EQ(dst->GetRawImage().Description.BitsPerPixel, c.Alpha || c.Name == std::string("bmp32") ? 32 : 24);
    for (size_t len : {size_t{0}, size_t{1}, size_t{13}, size_t{30}, data.size() / 2, data.size() - 1}) {
      dst->SetSize(3, 3);
      EXPECT_FALSE(Loads(*dst, std::vector<uint8_t>(data.begin(), data.begin() + static_cast<ptrdiff_t>(len))))
          << len;
    }
  }
}

// A BMP with a 40-byte header and the given fields; pixels are Pixels bytes of 0x55.
std::vector<uint8_t> Bmp(int32_t W, int32_t H, uint16_t Bits, uint32_t Compression, uint32_t ClrUsed,
                         size_t Pixels, uint32_t OffBits = 0) {
  std::vector<uint8_t> v(54, 0);
  auto put16 = [&](size_t at, uint16_t x) { std::memcpy(&v[at], &x, 2); };
  auto put32 = [&](size_t at, uint32_t x) { std::memcpy(&v[at], &x, 4); };
  v[0] = 'B', v[1] = 'M';
  put32(10, OffBits ? OffBits : 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(W));
  put32(22, static_cast<uint32_t>(H));
  put16(26, 1);
  put16(28, Bits);
  put32(30, Compression);
  put32(46, ClrUsed);
  v.insert(v.end(), Pixels, 0x55);
  return v;
}

// Pixels: the colours a loaded picture must show, row by row, when given.
struct Case { const char* What; std::vector<uint8_t> Data; bool Loads; std::vector<TColor> Pixels = {}; };

TEST(PictureFormats, HostileBitmapsAreRefused) {
  std::vector<uint8_t> rleOverrun = Bmp(4, 2, 8, 1, 2, 0);
  const uint8_t palette[8] = {0, 0, 255, 0, 255, 0, 0, 0};
  rleOverrun.insert(rleOverrun.end(), palette, palette + 8);
  const uint8_t runs[] = {200, 1, 0, 2, 250, 250, 3, 0, 0, 1};  // a run far past the row, a jump far away
  rleOverrun.insert(rleOverrun.end(), runs, runs + sizeof runs);
  std::vector<uint8_t> zeroMasks = Bmp(2, 2, 32, 3, 0, 0);
  zeroMasks.insert(zeroMasks.end(), 12, 0);
  zeroMasks.insert(zeroMasks.end(), 16, 0x55);
  std::vector<uint8_t> rleNoEnd = Bmp(4, 2, 8, 1, 2, 0);
  rleNoEnd.insert(rleNoEnd.end(), palette, palette + 8);
  rleNoEnd.push_back(2);
  // Palette: 0 red, 1 green. The data sets two pixels of the bottom row, skips one to the right and
  // up one row, sets one more and ends: the pixels it never reaches keep the first colour.
  std::vector<uint8_t> rleSkips = Bmp(4, 3, 8, 1, 2, 0);
  const uint8_t redGreen[8] = {0, 0, 255, 0, 0, 255, 0, 0}, skips[] = {2, 1, 0, 2, 1, 1, 1, 1, 0, 1};
  rleSkips.insert(rleSkips.end(), redGreen, redGreen + 8);
  rleSkips.insert(rleSkips.end(), skips, skips + sizeof skips);
  const TColor r = RGB(255, 0, 0), g = RGB(0, 255, 0);
  // Run-length data that declares a picture of 10242 x 18434, one side past the limit, or more
  // pixels than its runs can reach: refused before anything is allocated or decoded. Padding
  // bytes after the end mark make up the data's length.
  auto rleBig = [&](int32_t W, int32_t H, size_t Padding) {
    std::vector<uint8_t> v = Bmp(W, H, 8, 1, 2, 0);
    v.insert(v.end(), palette, palette + 8);
    const uint8_t data[] = {255, 1, 255, 1, 0, 2, 200, 200, 0, 1};
    v.insert(v.end(), data, data + sizeof data);
    v.insert(v.end(), Padding, 0);
    return v;
  };
  const Case cases[] = {
      {"plain", Bmp(2, 2, 24, 0, 0, 16), true},
      {"RLE picture of 189 megapixels", rleBig(10242, 18434, 0), false},
      {"RLE side past the limit", rleBig(15001, 1, 200), false},
      {"RLE height past the limit", rleBig(1, 15001, 200), false},
      {"RLE side at the limit", rleBig(15000, 2, 226), true},
      {"RLE data a byte short of the picture", rleBig(15000, 2, 225), false},
      {"huge width", Bmp(1000000, 1, 24, 0, 0, 16), false},
      {"huge area", Bmp(30000, 30000, 32, 0, 0, 16), false},
      {"zero height", Bmp(4, 0, 24, 0, 0, 16), false},
      {"INT_MIN height", Bmp(4, INT32_MIN, 24, 0, 0, 16), false},
      {"bit count 7", Bmp(2, 2, 7, 0, 0, 16), false},
      {"palette too big", Bmp(2, 2, 8, 0, 300, 2000), false},
      {"pixels missing", Bmp(64, 64, 24, 0, 0, 100), false},
      {"zero bit field masks", zeroMasks, false},
      {"unknown compression", Bmp(2, 2, 24, 9, 0, 16), false},
      {"offset past the end", Bmp(2, 2, 24, 0, 0, 16, 0x7FFFFFF0), true},
      {"RLE run past the picture", rleOverrun, true},
      {"RLE without end", rleNoEnd, false},
      {"RLE skipping pixels", rleSkips, true, {r, r, r, r, r, r, r, g, g, g, r, r}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TBitmap b;
    EXPECT_EQ(Loads(b, c.Data), c.Loads);
    if (c.Pixels.empty()) continue;
    EXPECT_EQ(ColorsOf(&b), c.Pixels);
  }
}

std::vector<uint8_t> PngChunk(const char* Type, const std::vector<uint8_t>& Body) {
  std::vector<uint8_t> v;
  const uint32_t n = static_cast<uint32_t>(Body.size());
  for (int i = 3; i >= 0; --i) v.push_back(static_cast<uint8_t>(n >> (8 * i)));
  v.insert(v.end(), Type, Type + 4);
  v.insert(v.end(), Body.begin(), Body.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(Type), 4);
  if (!Body.empty()) crc = crc32(crc, Body.data(), static_cast<uInt>(Body.size()));
  for (int i = 3; i >= 0; --i) v.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  return v;
}

TEST(PictureFormats, HostilePngAndJpegAreRefused) {
  const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto ihdr = [](uint32_t W, uint32_t H) {
    std::vector<uint8_t> b;
    for (uint32_t v : {W, H})
      for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    b.insert(b.end(), {8, 6, 0, 0, 0});
    return b;
  };
  auto png = [&](uint32_t W, uint32_t H, std::vector<uint8_t> Idat) {
    std::vector<uint8_t> v(sig, sig + 8);
    for (auto& c : {PngChunk("IHDR", ihdr(W, H)), PngChunk("IDAT", Idat), PngChunk("IEND", {})})
      v.insert(v.end(), c.begin(), c.end());
    return v;
  };
  // A valid 1 x 1 RGBA stream for the IDAT of the damaged cases.
  const uint8_t raw[5] = {0, 10, 20, 30, 255};
  std::vector<uint8_t> z(64);
  uLongf zn = z.size();
  compress(z.data(), &zn, raw, sizeof raw);
  z.resize(zn);
  const std::vector<uint8_t> good = png(1, 1, z);
  std::vector<uint8_t> badCrc = good;
  badCrc[8 + 8 + 5] ^= 1;
  std::vector<uint8_t> garbage(sig, sig + 8);
  garbage.insert(garbage.end(), 200, 0xAB);
  const Case cases[] = {
      {"good", good, true},
      {"huge size", png(0x7FFFFFFF, 0x7FFFFFFF, z), false},
      {"size beyond the pixels", png(300, 300, z), false},
      {"IHDR checksum", badCrc, false},
      {"garbage chunks", garbage, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TPortableNetworkGraphic p;
    ASSERT_EQ(Loads(p, c.Data), c.Loads);
    if (!c.Loads) continue;
    EXPECT_EQ(p.GetCanvas()->GetPixel(0, 0), RGB(10, 20, 30));
  }
  for (uint32_t seed = 1; seed < 40; ++seed) {
    std::vector<uint8_t> j = {0xFF, 0xD8, 0xFF};
    uint32_t r = seed;
    for (int i = 0; i < 300; ++i) j.push_back(static_cast<uint8_t>((r = r * 1103515245 + 12345) >> 16));
    TJPEGImage img;
    EXPECT_FALSE(Loads(img, j)) << seed;
  }
}

// A picture class of a test's own: "TSTP" then width and height bytes, grey pixels.
class TTestGraphic : public TBitmap {
public:
  std::string ClassName() const override { return "TTestGraphic"; }
  static bool IsStreamFormatSupported(TStream* S) { return QzStreamStartsWith(S, "TSTP", 4); }
  void LoadFromStream(TStream* S) override {
    uint8_t h[6];
    S->ReadBuffer(h, 6);
    SetPixelFormat(pf24bit);
    SetSize(h[4], h[5]);
  }
  void SaveToStream(TStream* S) override {
    const uint8_t h[6] = {'T', 'S', 'T', 'P', static_cast<uint8_t>(GetWidth()), static_cast<uint8_t>(GetHeight())};
    S->WriteBuffer(h, 6);
  }
};

TEST(Picture, LoadsByContentAndByRegisteredExtension) {
  struct Case { std::vector<uint8_t> Data; const char* Class; };
  auto bmp = Make<TBitmap>(3, 3, pf24bit, false);
  auto png = Make<TPortableNetworkGraphic>(3, 3, pf24bit, false);
  auto jpg = Make<TJPEGImage>(8, 8, pf24bit, false);
  const std::vector<uint8_t> own = {'T', 'S', 'T', 'P', 4, 2};
  TPicture::RegisterFileFormat("tst;.TSTX", "Test picture", GraphicClassOf<TTestGraphic>());
  const Case cases[] = {{SavedBytes(*bmp), "TBitmap"},
                        {SavedBytes(*png), "TPortableNetworkGraphic"},
                        {SavedBytes(*jpg), "TJPEGImage"},
                        {own, "TTestGraphic"}};
  for (const Case& c : cases) {
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TObject*) { ++changes; };
    p.LoadFromStream(StreamOf(c.Data).get());
    ASSERT_NE(p.GetGraphic(), nullptr);
    EXPECT_EQ(p.GetGraphic()->ClassName(), c.Class);
    EXPECT_GE(changes, 1);
  }
  EXPECT_EQ(TPicture::FindGraphicClassWithFileExt(".TsTx"), GraphicClassOf<TTestGraphic>());
  EXPECT_EQ(TPicture::FindGraphicClassWithFileExt("jpeg"), GraphicClassOf<TJPEGImage>());

  const std::string file = testing::TempDir() + "/qz_picture_test.tst";
  {
    TFileStream f(file, fmCreate);
    f.WriteBuffer(own.data(), static_cast<int32_t>(own.size()));
  }
  TPicture p;
  p.LoadFromFile(file);
  EXPECT_EQ(p.GetWidth(), 4);
  EXPECT_EQ(p.GetHeight(), 2);
  // Saving under another extension converts to that class.
  const std::string asPng = testing::TempDir() + "/qz_picture_test.png";
  p.SaveToFile(asPng);
  TPicture q;
  q.LoadFromFile(asPng);
  EXPECT_EQ(q.GetGraphic()->ClassName(), "TPortableNetworkGraphic");
  EXPECT_EQ(q.GetWidth(), 4);
  std::remove(asPng.c_str());

  TPicture::UnregisterGraphicClass(GraphicClassOf<TTestGraphic>());
  EXPECT_EQ(TPicture::FindGraphicClassWithFileExt("tst"), nullptr);
  EXPECT_THROW(p.LoadFromFile(file), EInvalidGraphic);
  EXPECT_THROW(p.LoadFromStream(StreamOf(own).get()), EInvalidGraphic);
  EXPECT_EQ(p.GetGraphic(), nullptr);
  std::remove(file.c_str());
}

TEST(Picture, AssignCopiesAndTracksChanges) {
  TPicture a, b;
  auto png = Make<TPortableNetworkGraphic>(5, 4, pf32bit, true);
  a.Assign(png.get());
  ASSERT_NE(a.GetGraphic(), png.get());
  EXPECT_TRUE(SamePixels(*png, *static_cast<TRasterImage*>(a.GetGraphic()), 0, true));
  b.Assign(&a);
  EXPECT_EQ(b.GetGraphic()->ClassName(), "TPortableNetworkGraphic");
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  static_cast<TRasterImage*>(b.GetGraphic())->GetCanvas()->FillRect(Rect(0, 0, 1, 1));
  EXPECT_EQ(changes, 1);
  TBitmap* asBitmap = b.GetBitmap();
  EXPECT_EQ(std::pair(asBitmap->GetWidth(), b.GetGraphic()), std::pair(5, static_cast<TGraphic*>(asBitmap)));
  b.Assign(nullptr);
  EXPECT_EQ(b.GetGraphic(), nullptr);
  TPen pen;
  EXPECT_THROW(a.Assign(&pen), EConvertError);
}

TEST(Picture, MissingResourceRaises) {
  TBitmap b;
  EXPECT_THROW(b.LoadFromResourceName(HInstance, "NO SUCH RESOURCE \x01"), EResNotFound);
}

TEST(ImageList, DrawsByIndexEnabledDisabledAndSelected) {
  TImageList list(nullptr);
  list.SetSize(4, 4);
  // Red, lime, and the mask colour with one blue pixel.
  auto strip = FilledBitmap(12, 4, clFuchsia);
  for (auto [x, color] : {std::pair{0, clRed}, {4, clLime}}) {
    strip->GetCanvas()->GetBrush()->SetColor(color);
    strip->GetCanvas()->FillRect(Rect(x, 0, x + 4, 4));
  }
  strip->GetCanvas()->SetPixel(9, 1, clBlue);
  EXPECT_EQ(list.AddMasked(strip.get(), clFuchsia), 0);
  EXPECT_EQ(list.GetCount(), 3);

  auto dst = FilledBitmap(8, 4);
  TCanvas* c = dst->GetCanvas();
  list.Draw(c, 0, 0, 1);
  list.Draw(c, 4, 0, 2);  // only the blue pixel is not the mask colour
  std::vector<TColor> want(32, clWhite);
  std::fill_n(want.begin(), 4, clLime), std::fill_n(want.begin() + 8, 4, clLime);
  std::fill_n(want.begin() + 16, 4, clLime), std::fill_n(want.begin() + 24, 4, clLime);
  want[8 + 5] = clBlue;
  EXPECT_EQ(ColorsOf(dst.get()), want);
  list.Draw(c, 0, 0, 0, false);
  const TColor grey = c->GetPixel(1, 1);
  EXPECT_TRUE(GetRValue(grey) == GetGValue(grey) && GetGValue(grey) == GetBValue(grey) && GetRValue(grey) > 127)
      << grey;
  list.Draw(c, 0, 0, 0, dsSelected, itImage);
  const TColor sel = c->GetPixel(1, 1);
  EXPECT_TRUE(GetRValue(sel) < 255 && GetBValue(sel) > 0) << sel;  // mixed toward the highlight colour
  list.Draw(c, 0, 0, 7);  // no such image: nothing happens
  EXPECT_EQ(c->GetPixel(1, 1), sel);
  TBitmap out;
  EXPECT_TRUE(list.GetBitmap(0, &out));
  EXPECT_EQ(out.GetCanvas()->GetPixel(2, 2), clRed);
  list.Delete(0);
  EXPECT_EQ(list.GetCount(), 2);
}

}  // namespace
