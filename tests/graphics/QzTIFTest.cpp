#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "FormatsTestUtil.h"
#include "core/QzFileClasses.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzStreamIO.h"
#include "graphics/QzTIF.h"
#include "tests/common/TestLzw.h"
#include "tests/common/TestPixels.h"

namespace {

// A little-endian TIFF built from entries (tag -> type, count, value) and data blocks placed at
// given offsets.
struct TTiff {
  std::map<uint16_t, std::tuple<uint16_t, uint32_t, uint32_t>> Entries;
  std::map<uint32_t, TBytes> Data;
  const char* Order = "II";
  uint16_t Magic = 42;
  TBytes Build() const {
    TBytes f(8 + 2 + Entries.size() * 12 + 4, 0);
    f[0] = Order[0], f[1] = Order[1];
    QzPutU16(&f[2], Magic);
    QzPutU32(&f[4], 8);
    QzPutU16(&f[8], static_cast<uint16_t>(Entries.size()));
    size_t p = 10;
    for (const auto& [tag, e] : Entries) {
      QzPutU16(&f[p], tag);
      QzPutU16(&f[p + 2], std::get<0>(e));
      QzPutU32(&f[p + 4], std::get<1>(e));
      QzPutU32(&f[p + 8], std::get<2>(e));
      p += 12;
    }
    for (const auto& [offset, bytes] : Data) {
      if (f.size() < offset + bytes.size()) f.resize(offset + bytes.size(), 0);
      std::memcpy(&f[offset], bytes.data(), bytes.size());
    }
    return f;
  }
};

// 2 x 2 RGB, two strips of one row, pixels at 200 and 300.
TTiff RgbTiff() {
  TTiff t;
  t.Entries = {{256, {3, 1, 2}}, {257, {4, 1, 2}}, {258, {3, 3, 160}}, {259, {3, 1, 1}}, {262, {3, 1, 2}},
               {273, {4, 2, 170}}, {277, {3, 1, 3}}, {278, {3, 1, 1}}, {279, {4, 2, 180}}};
  t.Data[160] = {8, 0, 8, 0, 8, 0};
  t.Data[170] = {200, 0, 0, 0, 44, 1, 0, 0};
  t.Data[180] = {6, 0, 0, 0, 6, 0, 0, 0};
  t.Data[200] = {255, 0, 0, 0, 255, 0};
  t.Data[300] = {0, 0, 255, 10, 20, 30};
  return t;
}
const TBytes RgbPixels = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 30, 20, 10, 255};

// The RGB picture with its strips LZW-coded; a strip given no codes keeps literal ones.
TTiff LzwTiff(std::vector<uint32_t> Strip0, std::vector<uint32_t> Strip1 = {256, 0, 0, 255, 10, 20, 30, 257}) {
  TTiff t = RgbTiff();
  t.Entries[259] = {3, 1, 5};
  t.Data[200] = LzwPack(Strip0);
  t.Data[300] = LzwPack(Strip1);
  t.Data[180] = TBytes(8, 0);
  QzPutU32(&t.Data[180][0], static_cast<uint32_t>(t.Data[200].size()));
  QzPutU32(&t.Data[180][4], static_cast<uint32_t>(t.Data[300].size()));
  return t;
}

// One LZW strip of W grey pixels whose values are the codes i % 256 for each i in the runs, with
// a Clear before each run; and the pixels it holds.
TTiff GreyLzwRow(uint32_t W, std::initializer_list<uint32_t> Runs, TBytes* Pixels = nullptr) {
  TTiff t;
  std::vector<uint32_t> codes;
  for (uint32_t run : Runs) {
    codes.push_back(256);
    for (uint32_t i = 0; i < run; ++i) codes.push_back(i % 256);
  }
  for (size_t i = 1; Pixels && i < codes.size(); ++i)
    if (codes[i] != 256) Pixels->insert(Pixels->end(), {uint8_t(codes[i]), uint8_t(codes[i]), uint8_t(codes[i]), 255});
  codes.push_back(257);
  t.Data[200] = LzwPack(codes);
  t.Entries = {{256, {3, 1, W}}, {257, {3, 1, 1}}, {258, {3, 1, 8}}, {259, {3, 1, 5}}, {262, {3, 1, 1}},
               {273, {4, 1, 200}}, {277, {3, 1, 1}}, {279, {4, 1, uint32_t(t.Data[200].size())}}};
  return t;
}

TEST(QzTIF, ReaderCases) {
  struct Case { const char* Name; TBytes Data; uint32_t Error; TBytes Pixels; uint16_t Resolution; };
  auto with = [](std::function<void(TTiff&)> Edit) {
    TTiff t = RgbTiff();
    Edit(t);
    return t.Build();
  };
  TBytes grey600;
  const TBytes growingCodes = GreyLzwRow(600, {300, 300}, &grey600).Build();
  TBytes grey3839;
  const TBytes fullTable = GreyLzwRow(3839, {3839}, &grey3839).Build();
  const Case cases[] = {
      {"RGB in two strips", RgbTiff().Build(), 0, RgbPixels, 300},
      // 255, 0, then the string the table is about to get (0 0), then 255 0 from the table.
      {"LZW in two strips", LzwTiff({256, 255, 0, 259, 258, 257}).Build(), 0, RgbPixels, 300},
      {"LZW codes widening to 10 bits, a Clear narrowing them", growingCodes, 0, grey600, 300},
      {"LZW with horizontal differencing", with([](TTiff& t) {
         t = LzwTiff({256, 255, 0, 0, 1, 255, 0, 257}, {256, 0, 0, 255, 10, 20, 31, 257});
         t.Entries[317] = {3, 1, 2};
       }), 0, RgbPixels, 300},
      {"LZW code beyond the table", LzwTiff({256, 255, 0, 261, 257}).Build(), Code(1501, 128), {}, 300},
      {"LZW table code straight after a Clear", LzwTiff({256, 258, 257}).Build(), Code(1501, 128), {}, 300},
      // After a Clear every code but the first adds an entry: 3839 codes fill the table to 4095.
      {"LZW table filled to its last entry", fullTable, 0, grey3839, 300},
      {"LZW table overflowing", GreyLzwRow(3840, {3840}).Build(), Code(1501, 128), {}, 300},
      {"LZW strip holding a byte more", LzwTiff({256, 255, 0, 0, 0, 255, 0, 9, 257}).Build(), Code(1501, 128), {},
       300},
      {"LZW strip holding a byte less", LzwTiff({256, 255, 0, 0, 0, 255, 257}).Build(), Code(1002, 129), {}, 300},
      {"LZW strip cut inside a code", with([](TTiff& t) {
         t = LzwTiff({256, 255, 0, 0, 0, 255, 0, 257});
         t.Data[180][0] = 7;
       }), Code(1002, 129), {}, 300},
      // Clear, 255, 0, ... packed least-significant bit first.
      {"old-style LZW", with([](TTiff& t) {
         t = LzwTiff({256});
         t.Data[200] = {0x00, 0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
         t.Data[180][0] = 9;
       }), Code(1605, 121), {}, 300},
      {"LZW with predictor 3", with([](TTiff& t) {
         t = LzwTiff({256, 255, 0, 259, 258, 257});
         t.Entries[317] = {3, 1, 3};
       }), Code(1605, 127), {}, 300},
      {"predictor 3 ignored on plain strips", with([](TTiff& t) { t.Entries[317] = {3, 1, 3}; }), 0, RgbPixels, 300},
      {"LZW without byte counts", with([](TTiff& t) {
         t = LzwTiff({256, 255, 0, 259, 258, 257});
         t.Entries.erase(279);
       }), Code(1605, 124), {}, 300},
      {"LZW picture larger than its strip can decode to", with([](TTiff& t) {
         t = GreyLzwRow(15000, {20});
         t.Entries[257] = {3, 1, 15000};
       }), Code(1002, 129), {}, 300},
      {"15000 strips sharing 200 bytes", with([](TTiff& t) {
         t = GreyLzwRow(15000, {20});
         t.Entries[257] = {3, 1, 15000};
         t.Entries[278] = {3, 1, 1};
         t.Entries[273] = {4, 15000, 1000};
         t.Entries[279] = {4, 15000, 61000};
         t.Data[1000] = TBytes(15000 * 4, 0);
         t.Data[61000] = TBytes(15000 * 4, 0);
         for (size_t i = 0; i < 15000; ++i) t.Data[1000][i * 4] = 200, t.Data[61000][i * 4] = 200;
       }), Code(1002, 125), {}, 300},
      {"resolutions, the later wins", with([](TTiff& t) {
         t.Entries[282] = {5, 1, 400};
         t.Entries[283] = {5, 1, 408};
         t.Data[400] = {44, 1, 0, 0, 1, 0, 0, 0, 150, 0, 0, 0, 1, 0, 0, 0};
       }), 0, RgbPixels, 150},
      {"denominator 0 leaves the resolution", with([](TTiff& t) {
         t.Entries[282] = {5, 1, 400};
         t.Data[400] = {1, 0, 0, 0, 0, 0, 0, 0};
       }), 0, RgbPixels, 300},
      {"one strip of more rows than the picture", with([](TTiff& t) {
         t.Entries[273] = {4, 1, 200};
         t.Entries[278] = {3, 1, 100};
         t.Entries[279] = {4, 1, 12};
         t.Data[200] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
       }), 0, RgbPixels, 300},
      {"tags below 256 skipped", with([](TTiff& t) {
         t.Entries[254] = {4, 1, 0};
         t.Entries[11] = {2, 4, 0};
       }), 0, RgbPixels, 300},
      {"grey with alpha", with([](TTiff& t) {
         t.Entries[262] = {3, 1, 1};
         t.Entries[277] = {3, 1, 2};
         t.Entries[258] = {3, 2, 0x00080008};
         t.Data[180] = {4, 0, 0, 0, 4, 0, 0, 0};
         t.Data[200] = {9, 8, 7, 6};
         t.Data[300] = {5, 4, 3, 2};
       }), 0, TBytes{9, 9, 9, 8, 7, 7, 7, 6, 5, 5, 5, 4, 3, 3, 3, 2}, 300},
      {"big-endian", with([](TTiff& t) { t.Order = "MM"; }), Code(1605, 103), {}, 300},
      {"no 42", with([](TTiff& t) { t.Magic = 43; }), Code(1603, 104), {}, 300},
      {"compression 7", with([](TTiff& t) { t.Entries[259] = {3, 1, 7}; }), Code(1605, 120), {}, 300},
      {"no width", with([](TTiff& t) { t.Entries.erase(256); }), Code(1605, 122), {}, 300},
      {"width above 15000", with([](TTiff& t) { t.Entries[256] = {4, 1, 15001}; }), Code(1605, 126), {}, 300},
      {"16 bits per sample", with([](TTiff& t) { t.Data[160] = {16, 0, 16, 0, 16, 0}; }), Code(1605, 123), {}, 300},
      {"planar", with([](TTiff& t) { t.Entries[284] = {3, 1, 2}; }), Code(1605, 123), {}, 300},
      {"palette", with([](TTiff& t) { t.Entries[262] = {3, 1, 3}; }), Code(1605, 123), {}, 300},
      {"no strip offsets", with([](TTiff& t) { t.Entries.erase(273); }), Code(1605, 124), {}, 300},
      {"one offset for two strips", with([](TTiff& t) { t.Entries[273] = {4, 1, 200}; }), Code(1605, 124), {}, 300},
      {"strip byte count short", with([](TTiff& t) { t.Data[180] = {6, 0, 0, 0, 5, 0, 0, 0}; }), Code(1002, 125), {},
       300},
      {"strip past the end", with([](TTiff& t) { t.Data[170] = {200, 0, 0, 0, 0, 0, 1, 0}; }), Code(1002, 125), {},
       300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TQzTIFImage i;
    EXPECT_EQ(LoadBytes(i, c.Data, "TIF Error: "), c.Error);
    EXPECT_EQ(PixelBytes(i), c.Pixels);
    EXPECT_TRUE(i.GetExifData()->GetScrambled());  // a TIFF's metadata is scrambled, also after a load
    if (c.Error != 0) continue;
    EXPECT_EQ(i.GetResolution(), c.Resolution);
  }
}

}  // namespace
