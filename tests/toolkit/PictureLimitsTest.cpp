#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Graphics.h"
#include "tests/common/TestStreams.h"

namespace {

// LinearGamma: a gAMA chunk of 1.0.
struct TPngShape { int Type, Depth; bool Interlace, Trns, LinearGamma = false; int Width = 9, Height = 6; };

int Channels(int Type) {
  static constexpr int kByType[] = {1, 0, 3, 1, 2, 0, 4};  // grey, -, RGB, palette, grey+alpha, -, RGBA
  return kByType[Type];
}

// A sample of Depth bits that varies with position and channel.
uint32_t Sample(const TPngShape& S, int X, int Y, int C) {
  const uint32_t h = static_cast<uint32_t>(X * 7919 + Y * 104729 + C * 1299709) * 2654435761u;
  return (h >> 7) & ((1u << S.Depth) - 1);
}

png_color PaletteEntry(int I) {
  return {static_cast<png_byte>(I * 37), static_cast<png_byte>(255 - I * 11), static_cast<png_byte>(I * 101)};
}
uint8_t PaletteAlpha(int I) { return static_cast<uint8_t>(I * 53 + 7); }

// Writes Rows with libpng's own writer; a plain routine so that libpng's jump crosses no
// destructor. Out is reserved by the caller.
bool WritePng(const TPngShape* S, png_bytepp Rows, TBytes* Out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) return png_destroy_write_struct(&png, &info), false;
  const auto append = [](png_structp Png, png_bytep Data, size_t Size) {
    auto* out = static_cast<TBytes*>(png_get_io_ptr(Png));
    out->insert(out->end(), Data, Data + Size);
  };
  png_set_write_fn(png, Out, append, [](png_structp) {});
  png_set_IHDR(png, info, static_cast<png_uint_32>(S->Width), static_cast<png_uint_32>(S->Height), S->Depth, S->Type,
               S->Interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[256];
  png_byte alphas[256];
  png_color_16 key{};
  const int entries = 1 << S->Depth;
  if (S->Type == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i < entries; ++i) palette[i] = PaletteEntry(i), alphas[i] = PaletteAlpha(i);
    png_set_PLTE(png, info, palette, entries);
  }
  if (S->Trns) {
    // The colour of the first pixel is the transparent one, so that the key is met.
    key.red = key.gray = static_cast<png_uint_16>(Sample(*S, 0, 0, 0));
    key.green = static_cast<png_uint_16>(Sample(*S, 0, 0, 1)), key.blue = static_cast<png_uint_16>(Sample(*S, 0, 0, 2));
    png_set_tRNS(png, info, alphas, S->Type == PNG_COLOR_TYPE_PALETTE ? entries : 0, &key);
  }
  if (S->LinearGamma) png_set_gAMA_fixed(png, info, PNG_GAMMA_LINEAR);
  png_write_info(png, info), png_write_image(png, Rows), png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

TBytes MakePng(const TPngShape& S) {
  const int ch = Channels(S.Type);
  const size_t rowBytes = (static_cast<size_t>(S.Width) * ch * S.Depth + 7) / 8;
  std::vector<TBytes> rows(static_cast<size_t>(S.Height), TBytes(rowBytes));
  std::vector<png_bytep> ptrs;
  for (int y = 0; y < S.Height; ++y) {
    TBytes& r = rows[static_cast<size_t>(y)];
    for (int x = 0; x < S.Width; ++x)
      for (int c = 0; c < ch; ++c) {
        const uint32_t v = Sample(S, x, y, c);
        const size_t bit = (static_cast<size_t>(x) * ch + c) * S.Depth;
        if (S.Depth == 16) r[bit / 8] = static_cast<uint8_t>(v >> 8), r[bit / 8 + 1] = static_cast<uint8_t>(v);
        else r[bit / 8] |= static_cast<uint8_t>(v << (8 - S.Depth - bit % 8));
      }
    ptrs.push_back(r.data());
  }
  TBytes out;
  out.reserve(1 << 20);
  EXPECT_TRUE(WritePng(&S, ptrs.data(), &out));
  return out;
}

uint8_t To8(uint32_t V, int Depth) { return static_cast<uint8_t>(V * 255 / ((1u << Depth) - 1)); }
// 16-bit samples without a gamma chunk are linear light; the toolkit's pixels are sRGB, which
// libpng takes as the plain power 1 / 2.2.
uint8_t LinearToSrgb(uint32_t V, int Depth) {
  return static_cast<uint8_t>(std::lround(std::pow(V / ((1u << Depth) - 1.0), 0.45455) * 255));
}

// The B, G, R, A the reader must give for a pixel of S.
std::array<int, 4> Expected(const TPngShape& S, int X, int Y) {
  uint32_t v[4];
  for (int c = 0; c < 4; ++c) v[c] = c < Channels(S.Type) ? Sample(S, X, Y, c) : 0;
  auto colour = [&](uint32_t C) { return S.Depth == 16 || S.LinearGamma ? LinearToSrgb(C, S.Depth) : To8(C, S.Depth); };
  if (S.Type == PNG_COLOR_TYPE_PALETTE) {
    const png_color p = PaletteEntry(static_cast<int>(v[0]));
    return {p.blue, p.green, p.red, S.Trns ? PaletteAlpha(static_cast<int>(v[0])) : 255};
  }
  int a = 255;
  const uint32_t alpha = v[Channels(S.Type) - 1];
  if (S.Type & PNG_COLOR_MASK_ALPHA) a = S.Depth == 16 ? static_cast<int>(std::lround(alpha / 257.0)) : alpha;
  if (S.Trns) {
    const bool grey = S.Type == PNG_COLOR_TYPE_GRAY;
    a = v[0] == Sample(S, 0, 0, 0) && (grey || (v[1] == Sample(S, 0, 0, 1) && v[2] == Sample(S, 0, 0, 2))) ? 0 : 255;
  }
  if ((S.Type & PNG_COLOR_MASK_COLOR) == 0) return {colour(v[0]), colour(v[0]), colour(v[0]), a};
  return {colour(v[2]), colour(v[1]), colour(v[0]), a};
}

TEST(PngReader, EveryColourTypeAndDepthGivesTheSamePixels) {
  const std::pair<int, std::vector<int>> kinds[] = {{PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
                                                    {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}}, {PNG_COLOR_TYPE_RGB, {8, 16}},
                                                    {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
                                                    {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}}};
  for (const auto& [type, depths] : kinds)
    for (int depth : depths)
      for (bool interlace : {false, true})
        for (int variant = 0; variant < 3; ++variant) {
          const bool trns = variant == 1, linear = variant == 2;
          if (trns && (type & PNG_COLOR_MASK_ALPHA)) continue;
          if (linear && (depth < 8 || type == PNG_COLOR_TYPE_PALETTE)) continue;
          const TPngShape s{type, depth, interlace, trns, linear};
          SCOPED_TRACE(testing::Message() << "type " << type << " depth " << depth << " interlace " << interlace
                                          << " tRNS " << trns << " gAMA 1.0 " << linear);
          TPortableNetworkGraphic p;
          ASSERT_NO_THROW(p.LoadFromStream(StreamOf(MakePng(s)).get()));
          const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || trns;
          ASSERT_EQ(std::tuple(p.GetWidth(), p.GetHeight(), p.GetHasAlpha()), std::tuple(s.Width, s.Height, alpha));
          const int bpp = alpha ? 4 : 3;
          const int tolerance = depth == 16 || linear ? 1 : 0;
          for (int y = 0; y < s.Height; ++y)
            for (int x = 0; x < s.Width; ++x) {
              const uint8_t* got = p.GetScanLine(y) + x * bpp;
              const auto want = Expected(s, x, y);
              for (int c = 0; c < bpp; ++c)
                EXPECT_NEAR(got[c], want[static_cast<size_t>(c)], tolerance) << x << "," << y << " c" << c;
            }
        }
}

TBytes Prefix(const TBytes& Data, size_t N) { return TBytes(Data.begin(), Data.begin() + static_cast<ptrdiff_t>(N)); }

// Png with Remove bytes at At replaced by a chunk of Type and Body, its length and check sum
// made anew. libpng writes the signature and then IHDR: its body is at 16, and what follows at 33.
TBytes Spliced(const TBytes& Png, size_t At, size_t Remove, const std::string& Type, const TBytes& Body) {
  TBytes v(Png.begin(), Png.begin() + static_cast<ptrdiff_t>(At));
  const auto n = static_cast<uint32_t>(Body.size());
  const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef*>(Type.data()), 4), Body.data(), n);
  for (int i = 3; i >= 0; --i) v.push_back(static_cast<uint8_t>(n >> (8 * i)));
  v.insert(v.end(), Type.begin(), Type.end());
  v.insert(v.end(), Body.begin(), Body.end());
  for (int i = 3; i >= 0; --i) v.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  v.insert(v.end(), Png.begin() + static_cast<ptrdiff_t>(At + Remove), Png.end());
  return v;
}

TBytes SmallJpeg(int Width, int Height) {
  TJPEGImage j;
  j.SetPixelFormat(pf24bit), j.SetSize(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width * 3; ++x) j.GetScanLine(y)[x] = static_cast<uint8_t>(x * 29 + y * 71);
  TMemoryStream s;
  j.SaveToStream(&s);
  return s.Data();
}

// The width of the picture read from Data; -1 when it was refused, which must leave it empty.
template <class T>
int Loaded(const TBytes& Data) {
  T g;
  g.SetSize(2, 2);
  try {
    g.LoadFromStream(StreamOf(Data).get());
  } catch (const EInvalidGraphic&) {
    EXPECT_TRUE(g.GetEmpty());
    return -1;
  }
  return g.GetWidth();
}

TEST(PictureReaders, TruncationAtEveryLengthFails) {
  const TBytes png = MakePng({PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false});
  for (size_t n = 0; n < png.size(); ++n)
    EXPECT_EQ(Loaded<TPortableNetworkGraphic>(Prefix(png, n)), -1) << "png " << n;
  // A well-formed chunk chain whose image data stops short.
  const std::string tag = "IDAT";
  const auto at = std::search(png.begin(), png.end(), tag.begin(), tag.end());
  const size_t idat = static_cast<size_t>(at - png.begin()) - 4;
  ASSERT_LT(idat, png.size());
  const size_t size = static_cast<size_t>(png[idat]) << 24 | png[idat + 1] << 16 | png[idat + 2] << 8 | png[idat + 3];
  const TBytes body = Prefix(TBytes(png.begin() + static_cast<ptrdiff_t>(idat + 8), png.end()), size);
  for (size_t n = 0; n < size; ++n)
    EXPECT_EQ(Loaded<TPortableNetworkGraphic>(Spliced(png, idat, 12 + size, "IDAT", Prefix(body, n))), -1) << n;
  const TBytes jpeg = SmallJpeg(16, 8);
  for (size_t n = 0; n < jpeg.size(); ++n)
    EXPECT_EQ(Loaded<TJPEGImage>(Prefix(jpeg, n)), -1) << "jpeg " << n;
  // Scan data that stops at an end-of-image marker: libjpeg alone would pad the rest with grey.
  size_t sos = 2;
  while (sos + 4 <= jpeg.size() && jpeg[sos + 1] != 0xDA) sos += 2 + (jpeg[sos + 2] << 8 | jpeg[sos + 3]);
  const size_t scan = sos + 2 + (jpeg[sos + 2] << 8 | jpeg[sos + 3]);
  ASSERT_LT(scan + 2, jpeg.size());
  for (size_t n = scan; n < jpeg.size() - 2; ++n) {
    TBytes cut = Prefix(jpeg, n);
    if (cut.back() == 0xFF) cut.pop_back();
    cut.insert(cut.end(), {0xFF, 0xD9});
    EXPECT_EQ(Loaded<TJPEGImage>(cut), -1) << "jpeg scan cut at " << n;
  }
}

// Sides beyond the limit (in a spliced header or a real picture) and huge ancillary chunks.
TEST(PictureReaders, OversizedSidesAndChunksAreRefused) {
  const TBytes small = MakePng({PNG_COLOR_TYPE_RGB, 8, false, false});
  const auto sides = [&](uint32_t Width, uint32_t Height) {
    TBytes head(small.begin() + 16, small.begin() + 29);
    for (size_t i = 0; i < 4; ++i) {
      head[i] = static_cast<uint8_t>(Width >> (24 - 8 * i));
      head[4 + i] = static_cast<uint8_t>(Height >> (24 - 8 * i));
    }
    return Loaded<TPortableNetworkGraphic>(Spliced(small, 8, 25, "IHDR", head));
  };
  const auto chunk = [&](const char* Type, size_t Size) {
    TBytes body(Size, 'a');
    std::memcpy(body.data(), "Comment", 8);
    return Loaded<TPortableNetworkGraphic>(Spliced(small, 33, 0, Type, body));
  };
  const auto row = [](int Width) { return MakePng({PNG_COLOR_TYPE_RGB, 8, false, false, false, Width, 1}); };
  const struct { const char* What; int Got, Want; } cases[] = {
      {"15001x1", sides(15001, 1), -1}, {"1x15001", sides(1, 15001), -1},
      {"2^31-1 square", sides(0x7FFFFFFF, 0x7FFFFFFF), -1}, {"15000x15000", sides(15000, 15000), -1},
      {"0x6", sides(0, 6), -1}, {"tEXt 64K", chunk("tEXt", 64 << 10), 9}, {"tEXt 6M", chunk("tEXt", 6 << 20), -1},
      {"prVt 64K", chunk("prVt", 64 << 10), 9}, {"prVt 6M", chunk("prVt", 6 << 20), -1},
      // Real pictures either side of the limit: the side alone decides.
      {"png at the side", Loaded<TPortableNetworkGraphic>(row(QzMaxReadSide)), QzMaxReadSide},
      {"png one past the side", Loaded<TPortableNetworkGraphic>(row(QzMaxReadSide + 1)), -1},
      {"jpeg at the side", Loaded<TJPEGImage>(SmallJpeg(QzMaxReadSide, 8)), QzMaxReadSide},
      {"jpeg one past the side", Loaded<TJPEGImage>(SmallJpeg(QzMaxReadSide + 1, 8)), -1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Got, c.Want) << c.What;
}

}  // namespace
