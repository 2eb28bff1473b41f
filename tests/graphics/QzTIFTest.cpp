#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "FormatsTestUtil.h"
#include "core/QzFileClasses.h"
#include "graphics/QzPictureFormats.h"
#include "graphics/QzStreamIO.h"
#include "graphics/QzTIF.h"
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

TEST(QzTIF, ReaderCases) {
  struct Case { const char* Name; TBytes Data; uint32_t Error; TBytes Pixels; uint16_t Resolution; };
  auto with = [](std::function<void(TTiff&)> Edit) {
    TTiff t = RgbTiff();
    Edit(t);
    return t.Build();
  };
  const Case cases[] = {
      {"RGB in two strips", RgbTiff().Build(), 0, RgbPixels, 300},
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
      {"LZW strip not decoded", with([](TTiff& t) { t.Entries[259] = {3, 1, 5}; }), Code(1605, 121), {}, 300},
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
